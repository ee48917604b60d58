#pragma once

#include <string>

#include "model/game.h"

namespace vantedit {

// Appends the whole stats file to out, with "\n" as its line break: heading line, the 351
// Item rows, then the list lines. Reads the game and never changes it.
void writeStatsFile(std::string& out, const Game& game);

// The stats file's bytes on disk: every byte 10 becomes 13 10 on every platform.
std::string withCrLf(const std::string& text);
// The same appended to out, and its length, so that a caller can have the memory first.
void appendWithCrLf(std::string& out, const std::string& text);
std::size_t withCrLfSize(const std::string& text);

}  // namespace vantedit
