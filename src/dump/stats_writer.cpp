#include "dump/stats_writer.h"

#include <algorithm>
#include <charconv>

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
    if (text.find_first_of("\"\t\n\r") == std::string::npos) {
        out += text;
    } else {
        out += quotedText(text);
    }
}

void writeHeadingLine(std::string& out) {
    out += "Offset";
    for (std::size_t cell = 0; cell < kItemCellCount; ++cell) {
        out += '\t';
        out += fieldLabel(itemField(0, cell));
    }
}

void appendField(std::string& out, const Game& game, const FieldRef& f) {
    out += '\t';
    if (!fieldShown(game, f)) {
        out += "n/a";
        return;
    }
    const FieldValue v = readField(game, f);
    switch (fieldKind(f)) {
        case FieldKind::Number:
        case FieldKind::Attachment: appendNumber(out, v.number); break;
        case FieldKind::Text: appendText(out, v.text); break;
        case FieldKind::Name: out += v.text; break;
    }
}

}  // namespace

void writeStatsFile(std::string& out, const Game& game) {
    writeHeadingLine(out);
    forEachField(game.edition(), [&](const FieldRef& f) {
        if (f.field == 0) {
            out += '\n';
            out += lineKeyword(f.line);
            out += ' ';
            appendNumber(out, f.record);
        }
        appendField(out, game, f);
    });
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

std::string withCrLf(const std::string& text) {
    std::string bytes;
    bytes.reserve(withCrLfSize(text));
    appendWithCrLf(bytes, text);
    return bytes;
}

}  // namespace vantedit
