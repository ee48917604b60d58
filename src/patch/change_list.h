// Reading a change list: its first line, then one line of four cells per change, read by the
// stats file's lines and cells in every encoding and separator a stats file may come in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/change_fields.h"
#include "model/memory.h"
#include "patch/stats_reader.h"

namespace vantedit {

// Whether the text is a change list: its first line, in UTF-8 (with or without the byte order
// mark) or UTF-16, is the list's heading, its cells separated by tabs, commas or semicolons
// and perhaps quoted.
bool isChangeList(std::string_view bytes);

// Reads a whole change list (UTF-16, UTF-8 or the code page's text) into lines; false with
// the reading's failure set.
bool readChangeList(std::string_view bytes, Faults& faults, CodePage codePage, std::vector<ChangeLine>& lines,
                    Reading& reading);

}  // namespace vantedit
