#pragma once

#include <string>

#include "io/file.h"
#include "model/editions.h"

namespace vantedit {

// Tries the editions in table order: size first, then the 16 header bytes at offset 128,
// which are read only for an edition of the file's size. Returns the edition, or nullptr
// when none matches. Leaves the file at 0.
const Edition* recogniseEdition(io::File& file, long fileSize);
// Opens the file and recognises it: nullptr when it cannot be opened (file.isOpen() is false,
// and notRegular tells whether it is no regular file), measured (size -1) or matched.
const Edition* openAndRecognise(io::File& file, const std::string& path, long& size, bool& notRegular);

}  // namespace vantedit
