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

// A text with a double quote, a tab or a line break goes in double quotes, each double quote
// inside doubled, as spreadsheets write it: PATCH then reads back the text itself. Every other
// text goes as it is.
void appendText(std::string& out, const std::string& text) {
    // One pass over the text, not a search of the four characters at each of its bytes.
    const auto special = [](char c) { return c == '"' || c == '\t' || c == '\n' || c == '\r'; };
    if (std::none_of(text.begin(), text.end(), special)) {
        out += text;
    } else {
        out += quotedText(text);
    }
}

void appendValue(std::string& out, const FieldRef& f, const FieldValue& v) {
    switch (fieldKind(f)) {
        case FieldKind::Number:
        case FieldKind::Attachment: appendNumber(out, v.number); break;
        case FieldKind::Text:
        case FieldKind::Name: appendText(out, v.text); break;
    }
}

bool onlyBlanks(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

void writeHeadingLine(std::string& out) {
    out += "Offset";
    for (std::size_t cell = 0; cell < kItemCellCount; ++cell) {
        out += '\t';
        out += fieldLabel(itemField(0, cell));
    }
}

void writeStatsLine(std::string& out, const Game& game, std::uint8_t line, std::int32_t record,
                    const CellSource& cells) {
    out += '\n';
    out += lineKeyword(line);
    out += ' ';
    appendNumber(out, record);
    for (std::size_t i = 0; i < lineFieldCount(line); ++i) {
        const FieldRef f{line, static_cast<std::uint16_t>(i), record};
        const Cell cell = cells(f);
        out += '\t';
        if (cell.from == CellFrom::Nothing) continue;
        if (cell.from == CellFrom::Given) {
            const bool readAsEmpty = fieldKind(f) == FieldKind::Text && onlyBlanks(cell.given->text);
            if (readAsEmpty && kLineTypes[line].kind == LineKind::Item) {
                out += quotedText(cell.given->text);
            } else {
                appendValue(out, f, *cell.given);
            }
        } else if (!fieldShown(game, f)) {
            out += "n/a";
        } else {
            appendValue(out, f, readField(game, f));
        }
    }
}

void writeStatsFile(std::string& out, const Game& game) {
    writeHeadingLine(out);
    const CellSource fromGame = [](const FieldRef&) { return Cell{}; };
    const Edition& e = game.edition();
    for (std::size_t line = 0; line < kLineTypes.size(); ++line) {
        for (std::int32_t r = 0; r < lineRecordCount(e, line); ++r) {
            writeStatsLine(out, game, static_cast<std::uint8_t>(line), r, fromGame);
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
        const std::span<const GivenField> own = fields.subspan(at, end - at);
        const CellFrom elsewhere = first.line == kItemLine ? CellFrom::Nothing : CellFrom::Game;
        writeStatsLine(out, game, first.line, first.record, [&](const FieldRef& f) {
            for (const GivenField& g : own) {
                if (g.field == f) return Cell{CellFrom::Given, &g.value};
            }
            return Cell{elsewhere};
        });
        at = end;
    }
    // A file that sets nothing still ends its heading line: no reader takes one without.
    if (fields.empty()) out += '\n';
}

std::size_t withCrLfSize(const std::string& text) {
    return text.size() + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

void appendWithCrLf(std::string& out, const std::string& text) {
    std::size_t from = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', from)) {
        out.append(text, from, at - from);
        out += "\r\n";
        from = at + 1;
    }
    out.append(text, from, std::string::npos);
}

namespace {
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";
}  // namespace

std::size_t statsBytesSize(const std::string& text, StatsEncoding encoding, CodePage page) {
    const std::size_t lineEnds = withCrLfSize(text) - text.size();
    switch (encoding) {
        case StatsEncoding::CodePage: break;
        case StatsEncoding::Utf8: return kUtf8Mark.size() + utf8Size(page, text) + lineEnds;
        case StatsEncoding::Utf16: return kUtf16Mark.size() + 2 * (text.size() + lineEnds);
    }
    return text.size() + lineEnds;
}

void appendStatsBytes(std::string& out, const std::string& text, StatsEncoding encoding, CodePage page) {
    if (encoding == StatsEncoding::CodePage) {
        appendWithCrLf(out, text);
        return;
    }
    const bool utf8 = encoding == StatsEncoding::Utf8;
    out += utf8 ? kUtf8Mark : kUtf16Mark;
    const auto append = [&](std::string_view part) {
        if (utf8) {
            appendAsUtf8(out, page, part);
        } else {
            appendAsUtf16(out, page, part);
        }
    };
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
    bytes.reserve(withCrLfSize(text));
    appendWithCrLf(bytes, text);
    return bytes;
}

}  // namespace vantedit
