#include "patch/item_row.h"

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
// was a text's tab, already read. True when the field is empty: a tab or the line end
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

LineResult numberExpected(Reading& reading, const FieldRef& field) {
    reading.failure = {ReadError::NumberExpected, ReadPlace::Field, "Item", field, {}, 0, {}};
    return LineResult::Failed;
}

}  // namespace

LineResult readItemRow(StatsStream& in, Game& game, Layout layout, AttachmentGroups& groups, Reading& reading) {
    std::int32_t item = 0;
    if (in.readNumber(item) != NumberRead::Number) {
        reading.failure = {ReadError::NumberExpected, ReadPlace::Keyword, "Item", {}, {}, 0, {}};
        return LineResult::Failed;
    }
    in.get();  // the tab after the number

    // Only items 0 to 350 have description records; the texts of any other row are consumed.
    // Cells that show "n/a" for the item are skipped whatever they hold.
    const bool hasRecord = item >= 0 && item < kItemCount;
    const Edition& e = game.edition();
    bool afterText = false;
    for (std::size_t i = 0; i < kItemCells.size(); ++i) {
        const ItemCell cell = kItemCells[i];
        if (!layoutHasCell(layout, cell)) continue;  // that value stays as it is
        const FieldRef field = itemField(item, i);
        const bool shown = fieldShown(game, field);
        if (cell.kind == CellKind::Text) {
            const std::string text = readTextField(in);
            if (hasRecord && shown) {
                storeDescriptionText(game.descriptions.mutableView(descField(cell).file), item, descField(cell), text);
            }
            afterText = true;
            continue;
        }
        // An emptied cell would otherwise take the next cell's value and shift the row.
        if (valueFieldIsEmpty(in, afterText)) return numberExpected(reading, field);
        afterText = false;
        if (!shown) {
            in.skipField();
        } else if (cell.kind == CellKind::Stat) {
            std::int32_t value = 0;
            if (in.readNumber(value) != NumberRead::Number) return numberExpected(reading, field);
            const Column& c = column(cell);
            const std::int64_t offset = valueOffset(sectionRecord(e, c.section), c, item);
            if (!reading.writes.store(game.mutableImage(), offset, c.kind, value, field, reading.failure.other)) {
                reading.failure = {ReadError::SameByte, ReadPlace::Field, "Item", field, reading.failure.other, 0, {}};
                return LineResult::Failed;
            }
            noteTypedNumber(reading, field, value);
        } else {
            std::int32_t value = 0;
            const NumberRead read = in.readNumber(value);
            if (read == NumberRead::EndOfFile) return LineResult::Done;  // the next read meets the end too
            if (read == NumberRead::NotANumber) return numberExpected(reading, field);
            markStated(groups, item, cell.index);
            if (value != 0) addAttachmentPair(groups, item, attachmentKind(cell).item);
        }
        if (layoutAddsFieldAfter(layout, cell)) in.skipField();
    }
    in.get();  // the line end before the next row
    return LineResult::Done;
}

}  // namespace vantedit
