// The letters a console stream takes: the bytes as they are, or UTF-8, which a UTF-8 locale or
// a Windows console shows as letters. The texts of the game and of stats files are converted;
// names of files go as they were given, but for Windows' files and pipes.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "model/text_builder.h"

namespace vantedit {

// What the stream shows: by default the bytes as they are.
void setTakesUtf8(std::ostream& out, bool utf8);
bool takesUtf8(std::ostream& out);

// Decides for standard output and standard error once, before the run prints: on Linux both
// take UTF-8 when the locale's character set is UTF-8; on Windows a stream takes it when it is
// a console, which is then written through the console's wide-character output.
void prepareStandardStreams();

// A name of a file as the stream shows it: as given; on Windows, where names are UTF-8 inside
// the program, in the system's code page when the stream is no console, as it was before.
std::string shownName(std::ostream& out, std::string_view name);

// The text with its control bytes escaped, so that it stays on one line.
std::string escaped(std::string_view text);
// A text of the game or of a stats file as the stream shows it, escaped: in a UTF-8 stream
// converted from the code page (or, from a UTF-8 file, as it is), a byte that stands for no
// character shown as \xNN like a control byte.
std::string shownText(std::ostream& out, std::string_view text, const TextForm& form);

}  // namespace vantedit
