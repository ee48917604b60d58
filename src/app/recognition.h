#pragma once

#include <ostream>

#include "model/file_io.h"

namespace vantedit {

// Tries the editions in table order: size first, then the four header words at offset 128.
// Prints the label on a match; returns the edition index, or kNoEdition. Leaves the file at 0.
int recogniseEdition(io::File& file, long fileSize, std::ostream& out);

}  // namespace vantedit
