#include "patch/stats_reader.h"

#include <algorithm>
#include <unordered_map>

#include "model/code_pages.h"
#include "model/text.h"
#include "patch/stats_lines.h"

namespace vantedit {

namespace {

// The separator of a list's first line: the tab, comma or semicolon between its cells as a
// spreadsheet may save them, quoted or not; '\0' when the line is no list's heading.
char listSeparator(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::string first;
    for (const char c : bytes.substr(0, bytes.find_first_of("\r\n")))
        if (c != '"') first += c;
    for (const char separator : {'\t', ',', ';'}) {
        std::string heading(kChangeListHeading);
        std::replace(heading.begin(), heading.end(), '\t', separator);
        if (first == heading) return separator;
    }
    return '\0';
}

// The most a text cell keeps: more than any field holds, so that a text too long reads as such.
constexpr std::size_t kMostTextKept = 1024;
constexpr std::size_t kMostNumberKept = 64;

// The failure at the field of a line, named as a failure names it; false.
bool failAt(ReadFailure& f, ReadError error, const ChangeLine& c, std::string_view word = {}, std::int64_t count = 0) {
    f = {error,
         c.known ? ReadPlace::Field : ReadPlace::Record,
         lineKeyword(c.field.line),
         c.field,
         {},
         count,
         std::string(word),
         0,
         c.line};
    return false;
}

// The Was or Now cell of the line; false with the failure set.
bool readValue(std::string_view& rest, const ChangeLine& c, const TextForm& form, char separator, FieldValue& v,
               ReadFailure& failure) {
    const FieldKind kind = c.known ? fieldKind(c.field) : FieldKind::Text;
    const bool number = kind == FieldKind::Number || kind == FieldKind::Attachment;
    TextBuilder text(form, number ? kMostNumberKept : kMostTextKept, !number);
    takeCell(rest, number ? CellType::ItemNumber : CellType::ItemText, text, separator);
    if (!number) {
        if (const TextProblem problem = text.finish(); problem != TextProblem::None) {
            failAt(failure, problem == TextProblem::NotUtf8 ? ReadError::NotUtf8 : ReadError::NotInCodePage, c, {},
                   text.character());
            failure.codePage = codePageNumber(form.codePage);
            return false;
        }
        v.text = text.text();
        return !c.known || static_cast<std::int64_t>(v.text.size()) <= mostCharacters(c.field) ||
               failAt(failure, ReadError::TextTooLong, c, {}, mostCharacters(c.field));
    }
    const CellNumber read = parseWholeNumber(text.text(), v.number);
    const ColumnKind range = kind == FieldKind::Attachment ? ColumnKind::U8 : numberKind(c.field);
    const bool fits = kind == FieldKind::Attachment ? v.number == 0 || v.number == 1 : numberFits(range, v.number);
    if (read == CellNumber::Number && fits) return true;
    const ReadError error = read == CellNumber::Empty      ? ReadError::NumberExpected
                            : read == CellNumber::NotWhole ? ReadError::NotWholeNumber
                                                           : ReadError::TooLarge;
    return failAt(failure, error, c, text.text());
}

// The line after its first: its keyword and record, its field, Was and Now; false with the
// failure set.
bool readChangeLine(const StatsLine& l, const TextForm& form, char separator, ChangeLine& c, ReadFailure& failure) {
    // The last line keeps the line breaks that end the file.
    std::string_view text = l.text;
    while (text.ends_with('\n') || text.ends_with('\r')) text.remove_suffix(1);
    const LineOpening o = readLineOpening(text);
    const std::size_t type = o.line;
    failure.line = l.number;
    if (type == kLineTypes.size() || o.alias != nullptr) {
        failure.error = ReadError::UnknownWord;
        failure.word = o.word;
        return false;
    }
    c.line = l.number;
    c.field = {static_cast<std::uint8_t>(type), 0, o.value};
    if (!o.number) {
        failAt(failure, ReadError::NumberExpected, c);
        failure.place = ReadPlace::Keyword;
        return false;
    }
    std::string_view rest = o.rest;
    if (rest.starts_with(separator)) rest.remove_prefix(1);
    TextBuilder name(form, kMostTextKept, false);
    takeCell(rest, CellType::ItemText, name, separator);
    c.name = name.text();
    const std::size_t field = fieldNamed(type, c.name);
    c.known = field < lineFieldCount(type);
    if (c.known) c.field.field = static_cast<std::uint16_t>(field);
    return readValue(rest, c, form, separator, c.was, failure) && readValue(rest, c, form, separator, c.now, failure);
}

}  // namespace

bool isChangeList(std::string_view bytes) {
    // The first line as UTF-8 text; no heading is longer than this.
    std::string first;
    const Utf16Form utf16 = utf16Form(bytes);
    if (utf16 != Utf16Form::None) {
        appendUtf16AsUtf8(first, bytes.substr(0, 128), utf16);
        bytes = first;
    }
    return listSeparator(bytes) != '\0';
}

bool readChangeList(std::string_view file, Faults& faults, CodePage codePage, std::vector<ChangeLine>& lines,
                    Reading& reading) {
    // A copy, made UTF-8 and its line ends LF where it needs to be.
    std::string bytes;
    if (!tryAllocating(faults, [&] { bytes.assign(file); })) {
        reading.failure.error = ReadError::Allocation;
        reading.failure.count = static_cast<std::int64_t>(file.size());
        return false;
    }
    if (!readUtf16AsUtf8(bytes, faults, reading)) return false;
    const char separator = listSeparator(bytes);
    TextForm form{false, codePage};
    const std::string_view text = linesOf(bytes, separator, form);
    const std::size_t lineFeed = text.find('\n');
    if (lineFeed == std::string_view::npos) return true;
    // Each cell's first line, by its keyword, record and field as the list names it.
    std::unordered_map<std::string, std::int64_t> given;
    return forEachLine(text, lineFeed + 1, 2, separator, [&](const StatsLine& l) {
        ChangeLine c;
        if (!readChangeLine(l, form, separator, c, reading.failure)) return false;
        std::string key = std::to_string(c.field.line) + ' ' + std::to_string(c.field.record) + '\t';
        for (const char ch : c.known ? changeFieldName(c.field) : c.name) key += lowerAscii(ch);
        const auto [first, added] = given.emplace(std::move(key), c.line);
        if (!added) return failAt(reading.failure, ReadError::GivenAgain, c, c.name, first->second);
        lines.push_back(std::move(c));
        return true;
    });
}

}  // namespace vantedit
