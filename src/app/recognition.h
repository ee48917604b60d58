#pragma once

#include "io/file.h"
#include "model/editions.h"

namespace vantedit {

// Tries the editions in table order: size first, then the 16 header bytes at offset 128,
// which are read only for an edition of the file's size. Returns the edition, or nullptr
// when none matches. Leaves the file at 0.
const Edition* recogniseEdition(io::File& file, long fileSize);

}  // namespace vantedit
