// What one run holds: the recognised edition, the image of the executable and the
// description buffers.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "model/byte_view.h"
#include "model/descriptions.h"
#include "model/editions.h"

namespace vantedit {

class Faults;

// The executable's bytes in one block that starts zero-filled without being written: calloc
// takes a block of this size fresh from the system, whose pages cost nothing until first
// touched. So a run that loads only some tables pays only for their pages, not for the 2 to
// 4 MB of the whole file.
class ImageBuffer {
public:
    // Empty when the memory cannot be had.
    static std::optional<ImageBuffer> zeroFilled(std::size_t size, Faults& faults);
    // A copy of the bytes; empty when the memory cannot be had.
    static std::optional<ImageBuffer> tryCopyOf(std::span<const std::uint8_t> bytes, Faults& faults);
    // For the tools and tests that build an image in memory: std::bad_alloc when it cannot be had.
    explicit ImageBuffer(std::span<const std::uint8_t> bytes);

    ImageBuffer(ImageBuffer&&) noexcept = default;
    ImageBuffer& operator=(ImageBuffer&&) noexcept = default;
    ImageBuffer(const ImageBuffer& other) : ImageBuffer(other.bytes()) {}
    ImageBuffer& operator=(const ImageBuffer& other) {
        if (this != &other) *this = ImageBuffer(other.bytes());
        return *this;
    }

    std::span<std::uint8_t> bytes() { return {bytes_.get(), size_}; }
    std::span<const std::uint8_t> bytes() const { return {bytes_.get(), size_}; }

private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };

    ImageBuffer() = default;

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
    std::optional<Game> tryCopy(std::size_t& asked, Faults& faults) const;
    // The same with only the tables' stretch of the image copied (the rest reads as zeros):
    // all that a reading writes and the stats file shows, at a tenth of the memory.
    std::optional<Game> tryCopyOfTables(std::size_t& asked, Faults& faults) const;

private:
    std::optional<Game> tryCopyOf(std::span<const std::uint8_t> image, std::size_t offset, std::size_t& asked,
                                  Faults& faults) const;

    const Edition* edition_;
    ImageBuffer image_;
};

}  // namespace vantedit
