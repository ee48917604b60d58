// What one run holds: the recognised edition, the image of the executable and the
// description buffers.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "model/byte_view.h"
#include "model/descriptions.h"
#include "model/editions.h"

namespace vantedit {

class Game {
public:
    Game(const Edition& edition, std::vector<std::uint8_t> image) : edition_(&edition), image_(std::move(image)) {}

    const Edition& edition() const { return *edition_; }
    ByteView image() const { return ByteView(image_); }
    MutableByteView mutableImage() { return MutableByteView(image_); }

    DescriptionBuffers descriptions;

private:
    const Edition* edition_;
    std::vector<std::uint8_t> image_;
};

}  // namespace vantedit
