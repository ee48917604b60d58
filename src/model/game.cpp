#include "model/game.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "model/memory.h"
#include "model/table_span.h"

namespace vantedit {

std::optional<ImageBuffer> ImageBuffer::zeroFilled(std::size_t size, Faults& faults) {
    if (faults.failAllocation()) return std::nullopt;
    ImageBuffer buffer;
    buffer.bytes_.reset(static_cast<std::uint8_t*>(std::calloc(size == 0 ? 1 : size, 1)));
    if (!buffer.bytes_) return std::nullopt;
    buffer.size_ = size;
    return buffer;
}

std::optional<ImageBuffer> ImageBuffer::tryCopyOf(std::span<const std::uint8_t> bytes, Faults& faults) {
    std::optional<ImageBuffer> copy = zeroFilled(bytes.size(), faults);
    if (copy && !bytes.empty()) std::memcpy(copy->bytes_.get(), bytes.data(), bytes.size());
    return copy;
}

ImageBuffer::ImageBuffer(std::span<const std::uint8_t> bytes) {
    std::optional<ImageBuffer> copy = tryCopyOf(bytes, noFaults());
    if (!copy) throw std::bad_alloc();
    *this = std::move(*copy);
}

std::optional<Game> Game::tryCopy(std::size_t& asked, Faults& faults) const {
    return tryCopyOf(image_.bytes(), 0, asked, faults);
}

std::optional<Game> Game::tryCopyOfTables(std::size_t& asked, Faults& faults) const {
    const ByteSpan span = tableSpan(*edition_);
    const std::span<const std::uint8_t> image = image_.bytes();
    if (span.begin < 0 || static_cast<std::size_t>(span.end) > image.size()) return tryCopy(asked, faults);
    const auto begin = static_cast<std::size_t>(span.begin);
    return tryCopyOf(image.subspan(begin, static_cast<std::size_t>(span.size())), begin, asked, faults);
}

std::optional<Game> Game::tryCopyOf(std::span<const std::uint8_t> image, std::size_t offset, std::size_t& asked,
                                    Faults& faults) const {
    asked = image_.bytes().size();
    std::optional<ImageBuffer> copy = ImageBuffer::zeroFilled(asked, faults);
    if (!copy) return std::nullopt;
    std::copy(image.begin(), image.end(), copy->bytes().begin() + static_cast<std::ptrdiff_t>(offset));
    Game game(*edition_, std::move(*copy));
    game.descriptions.hasShop = descriptions.hasShop;
    for (auto [from, to] : {std::pair{&descriptions.item, &game.descriptions.item},
                            std::pair{&descriptions.shop, &game.descriptions.shop}}) {
        if (from->empty()) continue;
        asked = from->size();
        if (!tryResize(faults, *to, from->size())) return std::nullopt;
        std::copy(from->begin(), from->end(), to->begin());
    }
    return game;
}

}  // namespace vantedit
