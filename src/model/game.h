// What one run holds: the recognised edition, the image of the executable and the
// description buffers.
#pragma once

#include <cstdint>
#include <vector>

#include "app/editions.h"
#include "model/byte_view.h"
#include "model/descriptions.h"

namespace vantedit {

struct Game {
    int edition = 0;
    std::vector<std::uint8_t> image;
    DescriptionBuffers descriptions;

    const Edition& record() const { return kEditions[static_cast<std::size_t>(edition)]; }
    ByteView imageView() { return ByteView(image); }
    const ByteView imageView() const { return ByteView::readOnly(image); }
};

}  // namespace vantedit
