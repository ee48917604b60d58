#include "dump/stats_writer.h"

#include <algorithm>
#include <charconv>

#include "model/attachments.h"
#include "model/list_tables.h"
#include "model/sections.h"
#include "model/text.h"

namespace vantedit {

namespace {

void appendNumber(std::string& out, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void appendTabNumber(std::string& out, std::int64_t value) {
    out.push_back('\t');
    appendNumber(out, value);
}

// A text with a double quote goes in double quotes, each one inside doubled, as spreadsheets
// write it: PATCH then reads back the text itself. Every other text goes as it is.
void appendText(std::string& out, const std::string& text) {
    if (text.find('"') == std::string::npos) {
        out += text;
    } else {
        out += quotedText(text);
    }
}

void writeHeadingLine(std::string& out) {
    out += "Offset";
    for (const DescField& field : kDescFields) {
        out += '\t';
        out += field.heading;
    }
    for (const Column& c : kColumns) {
        out += '\t';
        out += c.heading;
    }
    for (const AttachmentKind& kind : kAttachmentKinds) {
        out += '\t';
        out += kind.name;
        out += '?';
    }
}

void writeItemRow(std::string& out, const Game& game, int item) {
    out += "\nItem ";
    appendNumber(out, item);
    out += '\t';
    const ByteView itemDesc = game.descriptions.view(DescFile::Item);
    for (int f = 0; f < 3; ++f) {
        appendText(out, readDescriptionText(itemDesc, item, kDescFields[static_cast<std::size_t>(f)]));
        out += '\t';
    }
    if (game.descriptions.hasShop) {
        const ByteView shopDesc = game.descriptions.view(DescFile::Shop);
        appendText(out, readDescriptionText(shopDesc, item, kDescFields[3]));
        out += '\t';
        appendText(out, readDescriptionText(shopDesc, item, kDescFields[4]));
    } else {
        out += "n/a\tn/a";
    }

    const Edition& e = game.edition();
    const ByteView image = game.image();
    for (const Column& c : kColumns) {
        const SectionRecord section = sectionRecord(e, c.section);
        if (sectionHoldsItem(section, item)) {
            appendTabNumber(out, readColumnValue(image, section, c, item));
        } else {
            out += "\tn/a";
        }
    }

    const bool isWeapon = isWeaponRow(e, item);
    for (const AttachmentKind& kind : kAttachmentKinds) {
        if (!isWeapon) {
            out += "\tn/a";
        } else {
            out += attachmentPairExists(image, e, item, kind.item) ? "\t1" : "\t0";
        }
    }
}

void writeListLines(std::string& out, const Game& game) {
    const Edition& e = game.edition();
    const ByteView image = game.image();
    for (const NumericList& list : kNumericLists) {
        const std::int32_t records = listRecordCount(e, list);
        for (std::int32_t r = 0; r < records; ++r) {
            out += '\n';
            out += list.keyword;
            out += ' ';
            appendNumber(out, r);
            for (int v = 0; v < listValueCount(list); ++v) appendTabNumber(out, readListValue(image, e, list, r, v));
        }
    }
    for (std::int32_t i = 0; i < e.ammoNameCount; ++i) {
        out += "\nAmmoName ";
        appendNumber(out, i);
        out += '\t';
        if (i < ammoNameRecordCount(e, AmmoNameText::First)) {
            appendText(out, readAmmoNameText(image, e, AmmoNameText::First, i));
        } else {
            out += "n/a";
        }
        out += '\t';
        appendText(out, readAmmoNameText(image, e, AmmoNameText::Second, i));
    }
    for (const NameTable* table : {&kSoundNames, &kBurstNames}) {
        for (std::int32_t i = 0; i < table->count; ++i) {
            out += '\n';
            out += table->keyword;
            out += ' ';
            appendNumber(out, i);
            out += '\t';
            out += readName(image, e, *table, i);
        }
    }
}

}  // namespace

void writeStatsFile(std::string& out, const Game& game) {
    writeHeadingLine(out);
    for (int item = 0; item < kItemCount; ++item) writeItemRow(out, game, item);
    writeListLines(out, game);
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
