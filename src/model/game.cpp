#include "model/game.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "model/memory.h"

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
    asked = image_.bytes().size();
    std::optional<ImageBuffer> image = ImageBuffer::tryCopyOf(image_.bytes(), faults);
    if (!image) return std::nullopt;
    Game copy(*edition_, std::move(*image));
    copy.descriptions.hasShop = descriptions.hasShop;
    for (auto [from, to] : {std::pair{&descriptions.item, &copy.descriptions.item},
                            std::pair{&descriptions.shop, &copy.descriptions.shop}}) {
        if (from->empty()) continue;
        asked = from->size();
        if (!tryResize(faults, *to, from->size())) return std::nullopt;
        std::copy(from->begin(), from->end(), to->begin());
    }
    return copy;
}

}  // namespace vantedit
