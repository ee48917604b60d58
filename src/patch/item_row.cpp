#include "patch/item_row.h"

#include "model/attachments.h"
#include "model/descriptions.h"
#include "model/sections.h"

namespace vantedit {

namespace {

constexpr int kEnd = StatsStream::kEnd;

// One text field, up to the tab that ends it (or the end of the file). A field may be
// enclosed in double quotes with doubled quotes inside, as spreadsheets save it. Stored only
// when a buffer is given, and never past the field: a longer text is cut with its terminator
// in the field's last unit, the rest consumed.
void readTextField(StatsStream& in, ByteView* buffer, int item, const DescField& field) {
    bool quoted = false;
    for (int k = 0;; k = k < field.units ? k + 1 : k) {  // beyond the capacity k stays: the rest is only consumed
        int c = in.get();
        if (c == '"') {
            if (k == 0) {
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
        const bool ended = c == '\t' || c == kEnd;
        const std::uint8_t stored = ended ? 0 : textToStored(static_cast<std::uint8_t>(c));
        if (buffer != nullptr && (k < field.units - 1 || ended || c == 0)) {
            const int unit = k < field.units - 1 ? k : field.units - 1;
            buffer->setU8(descUnitOffset(item, field, unit), stored);
        }
        if (ended || c == 0) return;
    }
}

void printNumberExpected(std::ostream& out, std::int32_t item, std::string_view heading) {
    out << "Error while parsing! (Item " << item << ", " << heading << ": number expected)\n";
}

// The 56 stat columns in walk order. Fields of columns whose section does not hold the item
// are skipped whatever they hold.
bool readStatValues(StatsStream& in, Game& game, Layout layout, std::int32_t item, std::ostream& out) {
    ByteView image = game.imageView();
    for (int s = 0; s < kSectionCount; ++s) {
        // The 72-heading file has no "Halvek's 2" field: that value stays as it is.
        if (layout == Layout::Headings72 && s == kHalveks2) continue;
        const SectionRecord& section = sectionRecord(game.edition, s);
        for (int k = 0; k < kSlotsPerSection; ++k) {
            const Column& c = column(s, k);
            if (c.kind == ColumnKind::Empty) {
                // The older files carry a field after each of the four Weapons sound columns.
                if (layout != Layout::Current && s == kWeapons && k <= 24) in.skipField();
                continue;
            }
            if (!sectionHoldsItem(section, item)) {
                in.skipField();
                continue;
            }
            std::int32_t value = 0;
            if (in.readNumber(value) != NumberRead::Number) {
                printNumberExpected(out, item, c.heading);
                return false;
            }
            storeColumnValue(image, section, c, item, value);
        }
    }
    return true;
}

}  // namespace

LineResult readItemRow(StatsStream& in, Game& game, Layout layout, AttachmentGroups& groups, std::ostream& out) {
    std::int32_t item = 0;
    if (in.readNumber(item) != NumberRead::Number) {
        out << "Error while parsing! (Item: number expected)\n";
        return LineResult::Failed;
    }
    in.get();  // the tab after the number

    // Only items 0 to 350 have description records; the texts of any other row are consumed.
    const bool hasRecord = item >= 0 && item < kItemCount;
    ByteView itemDesc = game.descriptions.view(DescFile::Item);
    ByteView shopDesc = game.descriptions.view(DescFile::Shop);
    for (const DescField& field : kDescFields) {
        ByteView* buffer = field.file == DescFile::Item ? &itemDesc : &shopDesc;
        if (!hasRecord || (field.file == DescFile::Shop && !game.descriptions.hasShop)) buffer = nullptr;
        readTextField(in, buffer, item, field);
    }

    if (!readStatValues(in, game, layout, item, out)) return LineResult::Failed;

    // A negative item number would name a weapon like 65535: such a row adds no pair.
    const bool isWeapon = item >= 0 && item <= sectionRecord(game.edition, kWeapons).lastItem;
    for (const AttachmentKind& kind : kAttachmentKinds) {
        if (!isWeapon) {
            in.skipField();
            continue;
        }
        std::int32_t value = 0;
        const NumberRead read = in.readNumber(value);
        if (read == NumberRead::EndOfFile) return LineResult::EndOfFile;
        if (read == NumberRead::NotANumber) {
            out << "Error while parsing! (Item " << item << ", " << kind.name << "?: number expected)\n";
            return LineResult::Failed;
        }
        if (value != 0) addAttachmentPair(groups, item, kind.item);
    }
    in.get();  // the line end before the next row
    return LineResult::Done;
}

}  // namespace vantedit
