#include "patch/stats_lines.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace vantedit {

namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr std::size_t kMostWordLength = 255;

constexpr bool isDigit(int c) { return c >= '0' && c <= '9'; }

// What a double quote does in a cell that is not quoted. Only a cell whose quotes stay as
// typed cannot be quoted: in any other, a quote that opens the cell and closes before a tab or
// the line's end makes it a quoted cell.
enum class Quote : std::uint8_t {
    AsTyped,      // it stays, as every other character
    Character,    // it stays; a doubled one stands for one
    EscapesNext,  // it goes, and the character after it is taken whatever it is
    Dropped,      // it goes
};

struct CellGrammar {
    Quote quote;
    bool separatorEnds;         // the separator ends the cell; otherwise it goes and the cell runs to the line break
    bool lineBreakEnds;   // a line break ends the cell and the line's cells; otherwise it is text
    bool zeroEnds;        // a byte 0 ends the cell
    bool blankSeparated;  // any run of white space separates cells
};

// clang-format off
constexpr std::array<CellGrammar, 5> kCellGrammars = {{
//   quote               separatorEnds lineBreakEnds zeroEnds blankSeparated
    {Quote::Character,   true,   false,        true,    false},  // ItemText
    {Quote::AsTyped,     true,   true,         false,   false},  // ItemNumber
    {Quote::AsTyped,     true,   false,        false,   true },  // ListValue
    {Quote::EscapesNext, true,   true,         true,    false},  // AmmoNameText
    {Quote::Dropped,     false,  true,         true,    false},  // Name
}};
// clang-format on

constexpr bool looksAt(const CellGrammar& g, char c, char separator) {
    return c == separator || c == '\n' || c == '\r' || c == '"' || c == '\0' || (g.blankSeparated && isWhiteSpace(c));
}

// A line feed; in a file whose lines end in carriage returns, a carriage return that no line
// feed follows too.
bool lineBreakAt(std::string_view text, std::size_t i, bool crEnds) {
    return text[i] == '\n' || (crEnds && text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
}

// Where the quote at quote closes: at a quote not doubled and followed by the separator, the
// end of the text, or carriage returns and a line break that opens(at, false) finds ending the
// line; a byte 0 ends the text too. kNone when the cell is no quoted one: no quote closes it
// before the end, or before a line break that opens(at, true) finds followed by a keyword's line.
template <bool crEnds, typename Opens>
std::size_t closingQuote(std::string_view text, std::size_t quote, char separator, Opens opens) {
    for (std::size_t i = quote + 1; i < text.size(); ++i) {
        if (text[i] == '\0') return i;
        if (lineBreakAt(text, i, crEnds) && opens(i, true)) return kNone;
        if (text[i] != '"') continue;
        if (i + 1 < text.size() && text[i + 1] == '"') {
            ++i;
            continue;
        }
        std::size_t k = i + 1;
        while (k < text.size() && text[k] == '\r' && !lineBreakAt(text, k, crEnds)) ++k;
        const bool closes = i + 1 == text.size() || text[i + 1] == separator ||
                            (k < text.size() && lineBreakAt(text, k, crEnds) && opens(k, false));
        return closes ? i : kNone;
    }
    return kNone;
}

// White space and separators: a list value is never empty.
void skipBlanks(std::string_view& rest, char separator) {
    const std::array<char, 7> blank{' ', '\t', '\n', '\v', '\f', '\r', separator};
    rest.remove_prefix(std::min(rest.find_first_not_of({blank.data(), blank.size()}), rest.size()));
}

// A quoted cell up to its closing quote: doubled quotes stand for one.
Cell takeQuoted(std::string_view& rest, std::size_t close, const CellGrammar& g, TextBuilder& text, Cell cell) {
    for (std::size_t i = 1; i < close; ++i) {
        const char c = rest[i];
        if (c == '"') ++i;
        if (c == '\r' && rest[i + 1] == '\n') continue;
        text.add(static_cast<unsigned char>(c));
    }
    cell.given = true;
    const bool separated = rest[close] == '"' && close + 1 < rest.size();
    std::size_t after = close + (separated ? 2 : 1);
    cell.end = rest[close] == '"' && !separated ? CellEnd::LineEnd : CellEnd::Separator;
    if (separated && !g.separatorEnds) {  // the rest of a name's line is dropped
        const std::size_t lineBreak = rest.find('\n', after);
        cell.end = lineBreak == kNone ? CellEnd::LineEnd : CellEnd::LineBreak;
        after = lineBreak == kNone ? rest.size() : lineBreak + 1;
    }
    rest.remove_prefix(std::min(after, rest.size()));
    return cell;
}

// What follows a line break.
struct Opening {
    std::size_t after = kNone;  // the line break it was looked for after
    std::size_t blankEnd = 0;   // the end of the white space after it
    bool opens = false;         // a word of letters, blanks and a number
    bool keyword = false;       // a keyword and its number
};

// crEnds: carriage returns alone break lines too.
Opening openingAt(std::string_view bytes, std::size_t lineBreak, bool crEnds) {
    std::size_t at = lineBreak + 1;
    while (at < bytes.size() && isWhiteSpace(static_cast<unsigned char>(bytes[at]))) ++at;
    Opening opening{lineBreak, at, false, false};
    while (at < bytes.size() && !lineBreakAt(bytes, at, crEnds) &&
           !isAsciiLetter(static_cast<unsigned char>(bytes[at])))
        ++at;
    std::size_t p = at;
    while (p < bytes.size() && isAsciiLetter(static_cast<unsigned char>(bytes[p]))) ++p;
    if (p == at) return opening;
    while (p < bytes.size() && bytes[p] == ' ') ++p;
    if (p < bytes.size() && (bytes[p] == '-' || bytes[p] == '+')) ++p;
    opening.opens = p < bytes.size() && isDigit(bytes[p]);
    if (opening.opens) {
        const LineOpening o = readLineOpening(bytes.substr(at));
        opening.keyword = o.number && o.line < kLineTypes.size();
    }
    return opening;
}

// The next separator from at on that a quote follows: where a quoted cell may open.
std::size_t quoteAfter(std::string_view bytes, std::size_t at, char separator) {
    const std::array<char, 2> opener{separator, '"'};
    return bytes.find({opener.data(), opener.size()}, at);
}

// The next line break from at on that stands outside quoted cells: a line feed, or with
// crEnds a carriage return. quote is the next quoteAfter, kept between calls: a quoted cell
// opening before at is passed over whole.
template <bool crEnds, typename Opens>
std::size_t breakOutsideQuotes(std::string_view bytes, std::size_t at, std::size_t& quote, char separator,
                               Opens opens) {
    for (;;) {
        const std::size_t lineBreak = bytes.find(crEnds ? '\r' : '\n', at);
        if (!(quote < lineBreak)) return lineBreak;
        const std::size_t close = closingQuote<crEnds>(bytes, quote + 1, separator, opens);
        at = close != kNone ? close : quote + 1;
        quote = quoteAfter(bytes, at, separator);
    }
}

// A file whose first line ends in a carriage return that no line feed follows (a Mac's) ends
// every line so: each such carriage return outside quotes becomes a line feed, and the file
// reads as it would with CR LF, its line numbers too.
void endLinesAtCarriageReturns(std::string& bytes, char separator) {
    const std::size_t first = bytes.find_first_of("\r\n");
    if (first == kNone || bytes[first] == '\n' || !lineBreakAt(bytes, first, true)) return;
    const auto opens = [&](std::size_t after, bool keyword) {
        const Opening o = openingAt(bytes, after, true);
        return keyword ? o.keyword : o.opens;
    };
    std::size_t quote = quoteAfter(bytes, 0, separator);
    for (std::size_t at = first; (at = breakOutsideQuotes<true>(bytes, at, quote, separator, opens)) != kNone; ++at) {
        if (lineBreakAt(bytes, at, true)) bytes[at] = '\n';
    }
}

}  // namespace

bool forEachLine(std::string_view bytes, std::size_t from, std::int64_t number, char separator,
                 const std::function<bool(const StatsLine&)>& visit) {
    Opening last;
    const auto opens = [&](std::size_t lineFeed, bool keyword) {
        // A line feed within the white space the last look passed over finds what that look found.
        if (last.after == kNone || lineFeed < last.after || lineFeed >= last.blankEnd)
            last = openingAt(bytes, lineFeed, false);
        return keyword ? last.keyword : last.opens;
    };
    const char* b = bytes.data();
    std::size_t quote = quoteAfter(bytes, from, separator);
    for (std::size_t at = from;;) {
        std::size_t start = at;
        while (start < bytes.size() && !isAsciiLetter(static_cast<unsigned char>(b[start]))) ++start;
        if (start == bytes.size()) return true;
        if (quote < start) quote = quoteAfter(bytes, start, separator);
        // The line ends at the first line feed outside quotes that a line opening follows.
        std::size_t end = breakOutsideQuotes<false>(bytes, start, quote, separator, opens);
        while (end != kNone && !opens(end, false))
            end = breakOutsideQuotes<false>(bytes, end + 1, quote, separator, opens);
        end = std::min(end, bytes.size());
        std::size_t textEnd = end;
        while (end < bytes.size() && textEnd > start && b[textEnd - 1] == '\r') --textEnd;
        const StatsLine line{bytes.substr(start, textEnd - start), number + std::count(b + at, b + start, '\n')};
        if (!visit(line)) return false;
        number = line.number + std::count(b + start, b + end, '\n');
        at = end;
    }
}

std::string_view linesOf(std::string& file, char separator, TextForm& form) {
    endLinesAtCarriageReturns(file, separator);
    std::string_view bytes = file;
    const bool mark = bytes.starts_with("\xEF\xBB\xBF");
    if (mark) bytes.remove_prefix(3);
    form.utf8 = mark || isMultiByteUtf8(bytes);
    return bytes;
}

LineOpening readLineOpening(std::string_view line) {
    LineOpening o;
    const std::size_t blank = line.find(' ');
    const std::string_view word = line.substr(0, std::min(blank, kMostWordLength));
    o.word = word.substr(0, word.find('\0'));
    o.line = lineTypeOf(o.word);
    o.alias = o.line == kLineTypes.size() ? lineAliasOf(o.word) : nullptr;
    if (o.alias != nullptr) o.line = o.alias->line;
    std::size_t p = blank < kMostWordLength ? blank + 1 : word.size();
    while (p < line.size() && isWhiteSpace(static_cast<unsigned char>(line[p]))) ++p;
    const bool negative = p < line.size() && line[p] == '-';
    if (p < line.size() && (line[p] == '-' || line[p] == '+')) ++p;
    std::uint32_t magnitude = 0;
    for (; p < line.size() && isDigit(line[p]); o.number = true) {
        magnitude = magnitude * 10u + static_cast<std::uint32_t>(line[p++] - '0');
    }
    o.value = static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
    if (p < line.size() && line[p] == '"') ++p;
    o.rest = line.substr(p);
    return o;
}

CellNumber parseWholeNumber(std::string_view cell, std::int64_t& value) {
    const auto trim = [&] {
        while (!cell.empty() && cell.front() == ' ') cell.remove_prefix(1);
        while (!cell.empty() && cell.back() == ' ') cell.remove_suffix(1);
    };
    trim();
    if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"') {
        cell = cell.substr(1, cell.size() - 2);
        trim();
    }
    if (cell.empty()) return CellNumber::Empty;
    const bool negative = cell.front() == '-';
    if (cell.front() == '-' || cell.front() == '+') cell.remove_prefix(1);
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), magnitude);
    if (cell.empty() || end != cell.data() + cell.size()) return CellNumber::NotWhole;
    if (error != std::errc() || magnitude > (negative ? 0x80000000u : 0xFFFFFFFFu)) return CellNumber::TooLarge;
    value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return CellNumber::Number;
}

Cell takeCell(std::string_view& rest, CellType type, TextBuilder& text, char separator) {
    const CellGrammar& g = kCellGrammars[static_cast<std::size_t>(type)];
    if (g.blankSeparated) skipBlanks(rest, separator);
    Cell cell{rest.data(), CellEnd::LineEnd, false};
    if (g.quote != Quote::AsTyped && rest.starts_with('"')) {
        // No line feed within a line ends it.
        const std::size_t close = closingQuote<false>(rest, 0, separator, [](std::size_t, bool) { return false; });
        if (close != kNone) return takeQuoted(rest, close, g, text, cell);
    }
    std::size_t i = 0;
    // The next character; a run of carriage returns before a line feed is that line feed.
    const auto next = [&] {
        std::size_t j = i;
        while (j < rest.size() && rest[j] == '\r') ++j;
        i = j < rest.size() && rest[j] == '\n' ? j + 1 : i + 1;
        return j < rest.size() && rest[j] == '\n' ? int{'\n'} : int{static_cast<unsigned char>(rest[i - 1])};
    };
    while (i < rest.size()) {
        // Most characters are none that the grammar looks at: they go in runs.
        const std::size_t run = i;
        while (i < rest.size() && !looksAt(g, rest[i], separator)) ++i;
        const std::string_view plain = rest.substr(run, i - run);
        text.add(plain);
        cell.given = cell.given || plain.find_first_not_of(' ') != kNone;
        if (i == rest.size()) break;
        int c = next();
        if (c == '"' && g.quote == Quote::Dropped) continue;
        if (c == '"' && g.quote == Quote::EscapesNext) {
            if (i == rest.size()) break;
            c = next();
        } else if (c == '"' && g.quote == Quote::Character && i < rest.size() && rest[i] == '"') {
            ++i;
        }
        if ((c == separator && g.separatorEnds) || (c == 0 && g.zeroEnds) || (g.blankSeparated && isWhiteSpace(c))) {
            cell.end = CellEnd::Separator;
            break;
        }
        if (c == '\n' && g.lineBreakEnds) {
            cell.end = CellEnd::LineBreak;
            break;
        }
        if (c == separator) continue;  // a name drops its tabs
        text.add(c);
        cell.given = cell.given || c != ' ';
    }
    rest.remove_prefix(i);
    return cell;
}

}  // namespace vantedit
