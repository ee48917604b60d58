#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "model/code_pages.h"
#include "model/game.h"
#include "model/stats_fields.h"

namespace vantedit {

// Appends the whole stats file to out, with "\n" as its line break: heading line, the 351
// Item rows, then the list lines. Reads the game and never changes it.
void writeStatsFile(std::string& out, const Game& game);

// A stats file of just the given fields, which come in file order: the heading line, then, in
// MAKE's order, each line that holds one of them: an Item row with their values in their
// cells and every other cell empty, so that it changes nothing else of the game it is read
// into; any other line whole, with the game's values in its other fields.
void writeGivenFields(std::string& out, const Game& game, std::span<const GivenField> fields);

// How the stats file's texts are written: in the edition's code page, as UTF-8 after the byte
// order mark, which a text editor reads without being told the code page, or as UTF-16
// little-endian after its mark, which a spreadsheet opens with every letter right.
enum class StatsEncoding : std::uint8_t { CodePage, Utf8, Utf16 };

// The stats file's bytes on disk in the encoding (see withCrLf), appended to out, and their
// length, so that a caller can have the memory first. Every byte above 127 of the text is a
// text's, in the code page.
void appendStatsBytes(std::string& out, const std::string& text, StatsEncoding encoding, CodePage page);
std::size_t statsBytesSize(const std::string& text, StatsEncoding encoding, CodePage page);

// The stats file's bytes on disk: every byte 10 becomes 13 10 on every platform.
std::string withCrLf(const std::string& text);

}  // namespace vantedit
