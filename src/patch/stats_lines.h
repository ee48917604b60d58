// The stats file cut as the writer writes it: into lines, each line into its keyword and
// number and then its cells. Only the line cutter reads the file; the rest reads its lines.
// A run of 13s directly followed by 10 is one line end, so CR LF, LF and the CR CR LF of a
// file converted twice read alike. Inside a quoted text only the one 13 before a 10 is the
// line end's: a text's own CR LF, which MAKE writes as CR CR LF, comes back as CR LF.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "model/stats_fields.h"
#include "model/text_builder.h"

namespace vantedit {

// White space as the C library's isspace sees it in the "C" locale.
constexpr bool isWhiteSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr bool isAsciiLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// One line: from the first letter of its keyword to the line feed that ends it, the carriage
// returns before that line feed left out; number counts lines from 1 at line feeds.
struct StatsLine {
    std::string_view text;
    std::int64_t number = 0;
};

// Cuts the file into lines from `from` on, the first counted as number, and hands each to
// visit till it returns false (false then). A line starts at a letter (what stands before it
// is passed over) and ends at a line feed outside quotes followed by a line opening (white
// space, anything but letters on its line, then a word of letters, blanks and a number), or
// at the end of the file. A cell's opening quote quotes it when it closes before a line feed
// before a keyword's line. separator: what stands between cells, the tab as MAKE writes it.
bool forEachLine(std::string_view bytes, std::size_t from, std::int64_t number, char separator,
                 const std::function<bool(const StatsLine&)>& visit);

// The file made ready for its lines: with lone carriage returns as line ends when its first
// line ends in one, and after the UTF-8 byte order mark, if any. A file with the mark, or whose
// bytes are all UTF-8 with some beyond ASCII, has its texts read as UTF-8 (form.utf8).
std::string_view linesOf(std::string& file, char separator, TextForm& form);

// The cell that opens a line: a word up to a blank (at most 255 characters, compared up to a
// byte 0), then a number as "%d" reads it (white space skipped, kept modulo 2^32), then a
// closing double quote, if any; rest is what follows.
struct LineOpening {
    std::string_view word;
    std::size_t line = kLineTypes.size();  // the line type the word names, in any case; none: the size
    const LineAlias* alias = nullptr;      // the older keyword it names the line type by (AmmoType)
    bool number = false;
    std::int32_t value = 0;
    std::string_view rest;
};
LineOpening readLineOpening(std::string_view line);

// What a cell held where one whole number belongs.
enum class CellNumber {
    Number,    // one whole number, blanks around it or in double quotes allowed
    Empty,     // nothing but blanks
    NotWhole,  // anything else: 60.0, 1,234, 60 mm, n/a
    TooLarge,  // a whole number outside -2147483648 to 4294967295
};
CellNumber parseWholeNumber(std::string_view cell, std::int64_t& value);

// The kinds of cell, each read by its row of one grammar.
enum class CellType : std::uint8_t { ItemText, ItemNumber, ListValue, AmmoNameText, Name };

// What ended a cell: its separator, a line break that ends the line's cells (what follows is
// none of them), or the end of the line.
enum class CellEnd : std::uint8_t { Separator, LineBreak, LineEnd };

struct Cell {
    const char* start = nullptr;
    CellEnd end = CellEnd::LineEnd;
    bool given = false;  // quoted, or holding more than blanks
};

// Takes the next cell off the front of rest, its text into text.
Cell takeCell(std::string_view& rest, CellType type, TextBuilder& text, char separator = '\t');

}  // namespace vantedit
