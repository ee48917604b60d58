#include "dump/stats_writer.h"

#include <algorithm>
#include <charconv>

#include "model/attachments.h"
#include "model/list_tables.h"
#include "model/sections.h"

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

void writeHeadingLine(std::string& out) {
    out += "Offset";
    for (const DescField& field : kDescFields) {
        out += '\t';
        out += field.heading;
    }
    for (const Column& c : kColumns) {
        if (c.kind == ColumnKind::Empty) continue;
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
        out += readDescriptionText(itemDesc, item, kDescFields[static_cast<std::size_t>(f)]);
        out += '\t';
    }
    if (game.descriptions.hasShop) {
        const ByteView shopDesc = game.descriptions.view(DescFile::Shop);
        out += readDescriptionText(shopDesc, item, kDescFields[3]);
        out += '\t';
        out += readDescriptionText(shopDesc, item, kDescFields[4]);
    } else {
        out += "n/a\tn/a";
    }

    const ByteView image = game.imageView();
    for (int s = 0; s < kSectionCount; ++s) {
        const SectionRecord& section = sectionRecord(game.edition, s);
        for (int k = 0; k < kSlotsPerSection; ++k) {
            const Column& c = column(s, k);
            if (c.kind == ColumnKind::Empty) continue;
            if (sectionHoldsItem(section, item)) {
                appendTabNumber(out, readColumnValue(image, section, c, item));
            } else {
                out += "\tn/a";
            }
        }
    }

    const bool isWeapon = item <= sectionRecord(game.edition, kWeapons).lastItem;
    for (const AttachmentKind& kind : kAttachmentKinds) {
        if (!isWeapon) {
            out += "\tn/a";
        } else {
            out += attachmentPairExists(image, game.record(), item, kind.item) ? "\t1" : "\t0";
        }
    }
}

void writeListLines(std::string& out, const Game& game) {
    const Edition& e = game.record();
    const ByteView image = game.imageView();
    for (const NumericList& list : kNumericLists) {
        const std::int32_t records = listRecordCount(e, list);
        for (std::int32_t r = 0; r < records; ++r) {
            out += '\n';
            out += list.keyword;
            out += ' ';
            appendNumber(out, r);
            for (int v = 0; v < listValueCount(list); ++v) {
                appendTabNumber(out, image.u16(static_cast<std::size_t>(listValueOffset(e, list, r, v))));
            }
        }
    }
    for (std::int32_t i = 0; i < e.ammoNameCount; ++i) {
        out += "\nAmmoName ";
        appendNumber(out, i);
        out += '\t';
        if (i < e.ammoNameFirstCount) {
            out += readAmmoNameText(image, ammoNameRecordOffset(e.ammoNameFirstOffset, i));
        } else {
            out += "n/a";
        }
        out += '\t';
        out += readAmmoNameText(image, ammoNameRecordOffset(e.ammoNameSecondOffset, i));
    }
    for (std::int32_t i = 0; i < kSoundNameCount; ++i) {
        out += "\nSound ";
        appendNumber(out, i);
        out += '\t';
        out += readByteName(image, soundNameOffset(e, i), kSoundNameRecordSize);
    }
    for (std::int32_t i = 0; i < kBurstNameCount; ++i) {
        out += "\nBurst ";
        appendNumber(out, i);
        out += '\t';
        out += readByteName(image, burstNameOffset(e, i), kBurstNameRecordSize);
    }
}

}  // namespace

void writeStatsFile(std::string& out, const Game& game) {
    writeHeadingLine(out);
    for (int item = 0; item < kItemCount; ++item) writeItemRow(out, game, item);
    writeListLines(out, game);
}

std::string withCrLf(const std::string& text) {
    // Sized exactly and copied a line at a time: this runs over every byte MAKE writes.
    std::string bytes;
    bytes.reserve(text.size() + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
    std::size_t from = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', from)) {
        bytes.append(text, from, at - from);
        bytes += "\r\n";
        from = at + 1;
    }
    bytes.append(text, from, std::string::npos);
    return bytes;
}

}  // namespace vantedit
