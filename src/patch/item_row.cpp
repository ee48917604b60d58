#include "patch/item_row.h"

#include "model/attachments.h"
#include "model/descriptions.h"
#include "model/sections.h"

namespace vantedit {

namespace {

constexpr int kEnd = StatsStream::kEnd;

// One text field, up to the tab that ends it (or the end of the file). A field may be
// enclosed in double quotes with doubled quotes inside, as spreadsheets save it. A byte 0
// ends the field too, and what follows it is read as the next field.
std::string readTextField(StatsStream& in) {
    std::string text;
    bool quoted = false;
    for (;;) {
        int c = in.get();
        if (c == '"') {
            if (text.empty() && !quoted) {
                quoted = true;
                c = in.get();
            }
            if (c == '"') {
                const int next = in.get();
                if (next == '\t' && quoted) {
                    c = '\t';  // the closing quote
                } else if (next != '"') {
                    in.unget(next);  // a lone quote is kept as a character
                }
            }
        }
        if (c == '\t' || c == kEnd || c == 0) return text;
        text.push_back(static_cast<char>(c));
    }
}

// Blanks are passed over; the character after them is returned, consumed.
int afterBlanks(StatsStream& in) {
    int c = in.get();
    while (c == ' ') c = in.get();
    return c;
}

// Goes to the start of a value field: past the tab that ends the field before it, unless that
// was the last text's tab, already read. True when the field is empty: a tab or the line end
// follows that tab, blanks aside. Anything else stands as it is for the read of the field, so
// a row cut short meets the next line or the end of the file as before.
bool valueFieldIsEmpty(StatsStream& in, bool afterText) {
    if (!afterText) {
        const int c = afterBlanks(in);
        if (c != '\t') {
            in.unget(c);
            return false;
        }
    }
    const int c = afterBlanks(in);
    in.unget(c);
    return c == '\t' || c == '\n';
}

void printNumberExpected(Messages& out, std::int32_t item, std::string_view heading) {
    out << "Error while parsing! (Item " << item << ", " << heading << ": number expected)\n";
}

// An attachment column's heading is the kind's name and a question mark.
void printAttachmentNumberExpected(Messages& out, std::int32_t item, const AttachmentKind& kind) {
    out << "Error while parsing! (Item " << item << ", " << kind.name << "?: number expected)\n";
}

// The 56 stat columns in file order. Fields of columns whose section does not hold the item
// are skipped whatever they hold.
bool readStatValues(StatsStream& in, Game& game, Layout layout, std::int32_t item, ValueWrites& writes,
                    Messages& out, ReadNumbers* numbers) {
    const MutableByteView image = game.mutableImage();
    bool afterText = true;
    for (std::size_t slot = 0; slot < kColumns.size(); ++slot) {
        const Column& c = kColumns[slot];
        // The 72-heading file has no "Halvek's 2" field: that value stays as it is.
        if (layout == Layout::Headings72 && c.section == Section::Halveks2) continue;
        const SectionRecord section = sectionRecord(game.edition(), c.section);
        // An emptied cell would otherwise take the next cell's value and shift the row.
        if (valueFieldIsEmpty(in, afterText)) {
            printNumberExpected(out, item, c.heading);
            return false;
        }
        afterText = false;
        if (!sectionHoldsItem(section, item)) {
            in.skipField();
        } else {
            std::int32_t value = 0;
            if (in.readNumber(value) != NumberRead::Number) {
                printNumberExpected(out, item, c.heading);
                return false;
            }
            const ValueField field{"Item", item, static_cast<int>(slot), c.heading};
            if (!writes.store(image, valueOffset(section, c, item), columnWidth(c.kind), value, field, out)) return false;
            if (numbers != nullptr) numbers->stats[{item, slot}] = value;
        }
        if (layout != Layout::Current && c.olderLayoutsAddField) in.skipField();
    }
    return true;
}

}  // namespace

LineResult readItemRow(StatsStream& in, Game& game, Layout layout, AttachmentGroups& groups, ValueWrites& writes,
                       Messages& out, ReadNumbers* numbers) {
    std::int32_t item = 0;
    if (in.readNumber(item) != NumberRead::Number) {
        out << "Error while parsing! (Item: number expected)\n";
        return LineResult::Failed;
    }
    in.get();  // the tab after the number

    // Only items 0 to 350 have description records; the texts of any other row are consumed.
    const bool hasRecord = item >= 0 && item < kItemCount;
    for (const DescField& field : kDescFields) {
        const std::string text = readTextField(in);
        const bool stored = hasRecord && (field.file == DescFile::Item || game.descriptions.hasShop);
        if (stored) storeDescriptionText(game.descriptions.mutableView(field.file), item, field, text);
    }

    if (!readStatValues(in, game, layout, item, writes, out, numbers)) return LineResult::Failed;

    // A negative item number would name a weapon like 65535: such a row adds no pair.
    const bool isWeapon = isWeaponRow(game.edition(), item);
    for (std::size_t k = 0; k < kAttachmentKinds.size(); ++k) {
        const AttachmentKind& kind = kAttachmentKinds[k];
        if (valueFieldIsEmpty(in, false)) {
            printAttachmentNumberExpected(out, item, kind);
            return LineResult::Failed;
        }
        if (!isWeapon) {
            in.skipField();
            continue;
        }
        std::int32_t value = 0;
        const NumberRead read = in.readNumber(value);
        if (read == NumberRead::EndOfFile) return LineResult::EndOfFile;
        if (read == NumberRead::NotANumber) {
            printAttachmentNumberExpected(out, item, kind);
            return LineResult::Failed;
        }
        markStated(groups, item, k);
        if (value != 0) addAttachmentPair(groups, item, kind.item);
    }
    in.get();  // the line end before the next row
    return LineResult::Done;
}

}  // namespace vantedit
