#include "dump/stats_writer.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "model/stats_fields.h"
#include "model/text.h"

namespace vantedit {

namespace {

void appendNumber(std::string& out, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// A number in decimal. A text with a double quote, a tab or a line break goes in double quotes,
// each double quote inside doubled, as spreadsheets write it: PATCH then reads back the text
// itself. Every other text goes as it is.
void appendValue(std::string& out, const FieldRef& f, const FieldValue& v) {
    const auto special = [](char c) { return c == '"' || c == '\t' || c == '\n' || c == '\r'; };
    if (fieldKind(f) != FieldKind::Text && fieldKind(f) != FieldKind::Name) {
        appendNumber(out, v.number);
    } else if (std::none_of(v.text.begin(), v.text.end(), special)) {
        out += v.text;
    } else {
        out += quotedText(v.text);
    }
}

void writeHeadingLine(std::string& out) {
    out += "Offset";
    for (std::size_t cell = 0; cell < kItemCellCount; ++cell) {
        out += '\t';
        out += fieldLabel(itemField(0, cell));
    }
}

// Appends "\n", the line's keyword and record number, then each of its fields: the value given
// for it, else what the game shows. An Item row of given fields leaves its other cells empty, so
// that it changes nothing else, and puts a given text that is empty or only blanks in double
// quotes, as an empty cell keeps what the game holds.
void writeStatsLine(std::string& out, const Game& game, std::uint8_t line, std::int32_t record,
                    std::span<const GivenField> given) {
    const bool givenItemRow = !given.empty() && line == kItemLine;
    out += '\n';
    out += lineKeyword(line);
    out += ' ';
    appendNumber(out, record);
    for (std::size_t i = 0; i < lineFieldCount(line); ++i) {
        const FieldRef f{line, static_cast<std::uint16_t>(i), record};
        const auto g = std::find_if(given.begin(), given.end(), [&](const GivenField& x) { return x.field == f; });
        out += '\t';
        if (g != given.end()) {
            const bool onlyBlanks = g->value.text.find_first_not_of(' ') == std::string::npos;
            if (givenItemRow && fieldKind(f) == FieldKind::Text && onlyBlanks) {
                out += quotedText(g->value.text);
            } else {
                appendValue(out, f, g->value);
            }
        } else if (givenItemRow) {
            continue;
        } else if (!fieldShown(game, f)) {
            out += "n/a";
        } else {
            appendValue(out, f, readField(game, f));
        }
    }
}

}  // namespace

void writeStatsFile(std::string& out, const Game& game) {
    writeHeadingLine(out);
    for (std::size_t line = 0; line < kLineTypes.size(); ++line) {
        for (std::int32_t r = 0; r < lineRecordCount(game.edition(), line); ++r) {
            writeStatsLine(out, game, static_cast<std::uint8_t>(line), r, {});
        }
    }
}

void writeGivenFields(std::string& out, const Game& game, std::span<const GivenField> fields) {
    writeHeadingLine(out);
    for (std::size_t at = 0; at < fields.size();) {
        const FieldRef first = fields[at].field;
        std::size_t end = at;
        while (end < fields.size() && fields[end].field.line == first.line &&
               fields[end].field.record == first.record) {
            ++end;
        }
        writeStatsLine(out, game, first.line, first.record, fields.subspan(at, end - at));
        at = end;
    }
    // A file that sets nothing still ends its heading line: no reader takes one without.
    if (fields.empty()) out += '\n';
}

namespace {
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";
}  // namespace

std::size_t statsBytesSize(const std::string& text, StatsEncoding encoding, CodePage page) {
    const auto lineEnds = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    switch (encoding) {
        case StatsEncoding::CodePage: break;
        case StatsEncoding::Utf8: return kUtf8Mark.size() + utf8Size(page, text) + lineEnds;
        case StatsEncoding::Utf16: return kUtf16Mark.size() + 2 * (text.size() + lineEnds);
    }
    return text.size() + lineEnds;
}

void appendStatsBytes(std::string& out, const std::string& text, StatsEncoding encoding, CodePage page) {
    const auto append = [&](std::string_view part) {
        switch (encoding) {
            case StatsEncoding::CodePage: out += part; break;
            case StatsEncoding::Utf8: appendAsUtf8(out, page, part); break;
            case StatsEncoding::Utf16: appendAsUtf16(out, page, part); break;
        }
    };
    if (encoding != StatsEncoding::CodePage) out += encoding == StatsEncoding::Utf8 ? kUtf8Mark : kUtf16Mark;
    std::size_t from = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', from)) {
        append(std::string_view(text).substr(from, at - from));
        append("\r\n");
        from = at + 1;
    }
    append(std::string_view(text).substr(from));
}

std::string withCrLf(const std::string& text) {
    std::string bytes;
    bytes.reserve(statsBytesSize(text, StatsEncoding::CodePage, CodePage::Windows1252));
    appendStatsBytes(bytes, text, StatsEncoding::CodePage, CodePage::Windows1252);
    return bytes;
}

}  // namespace vantedit
