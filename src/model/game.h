// What one run holds: the recognised edition, the image of the executable and the
// description buffers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <utility>

#include "model/byte_view.h"
#include "model/descriptions.h"
#include "model/editions.h"
#include "model/memory.h"

namespace vantedit {

// The executable's bytes in one block that starts zero-filled without being written: calloc
// takes a block of this size fresh from the system, whose pages cost nothing until first
// touched. So a run that loads only some tables pays only for their pages, not for the 2 to
// 4 MB of the whole file.
class ImageBuffer {
public:
    // Empty when the memory cannot be had.
    static std::optional<ImageBuffer> zeroFilled(std::size_t size) {
        if (allocationFailureInjected()) return std::nullopt;
        ImageBuffer buffer;
        buffer.bytes_.reset(static_cast<std::uint8_t*>(std::calloc(size == 0 ? 1 : size, 1)));
        if (!buffer.bytes_) return std::nullopt;
        buffer.size_ = size;
        return buffer;
    }
    // A copy of the bytes; empty when the memory cannot be had.
    static std::optional<ImageBuffer> tryCopyOf(std::span<const std::uint8_t> bytes) {
        std::optional<ImageBuffer> copy = zeroFilled(bytes.size());
        if (copy && !bytes.empty()) std::memcpy(copy->bytes_.get(), bytes.data(), bytes.size());
        return copy;
    }
    explicit ImageBuffer(std::span<const std::uint8_t> bytes) : ImageBuffer(copyOf(bytes)) {}

    ImageBuffer(ImageBuffer&&) noexcept = default;
    ImageBuffer& operator=(ImageBuffer&&) noexcept = default;
    ImageBuffer(const ImageBuffer& other) : ImageBuffer(copyOf(other.bytes())) {}
    ImageBuffer& operator=(const ImageBuffer& other) {
        if (this != &other) *this = copyOf(other.bytes());
        return *this;
    }

    std::span<std::uint8_t> bytes() { return {bytes_.get(), size_}; }
    std::span<const std::uint8_t> bytes() const { return {bytes_.get(), size_}; }

private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };

    ImageBuffer() = default;
    static ImageBuffer copyOf(std::span<const std::uint8_t> bytes) {
        std::optional<ImageBuffer> copy = tryCopyOf(bytes);
        if (!copy) throw std::bad_alloc();
        return std::move(*copy);
    }

    std::unique_ptr<std::uint8_t[], Free> bytes_;
    std::size_t size_ = 0;
};

class Game {
public:
    Game(const Edition& edition, ImageBuffer image) : edition_(&edition), image_(std::move(image)) {}
    // A copy of the bytes: for the tools and tests that build an image in memory.
    Game(const Edition& edition, std::span<const std::uint8_t> bytes) : Game(edition, ImageBuffer(bytes)) {}

    const Edition& edition() const { return *edition_; }
    ByteView image() const { return ByteView(image_.bytes()); }
    MutableByteView mutableImage() { return MutableByteView(image_.bytes()); }

    DescriptionBuffers descriptions;

    // A copy of the whole run state; empty when the memory cannot be had, with asked set to
    // the size of the block that could not.
    std::optional<Game> tryCopy(std::size_t& asked) const {
        asked = image_.bytes().size();
        std::optional<ImageBuffer> image = ImageBuffer::tryCopyOf(image_.bytes());
        if (!image) return std::nullopt;
        Game copy(*edition_, std::move(*image));
        copy.descriptions.hasShop = descriptions.hasShop;
        for (auto [from, to] : {std::pair{&descriptions.item, &copy.descriptions.item},
                                std::pair{&descriptions.shop, &copy.descriptions.shop}}) {
            if (from->empty()) continue;
            asked = from->size();
            if (!tryResize(*to, from->size())) return std::nullopt;
            std::copy(from->begin(), from->end(), to->begin());
        }
        return copy;
    }

private:
    const Edition* edition_;
    ImageBuffer image_;
};

}  // namespace vantedit
