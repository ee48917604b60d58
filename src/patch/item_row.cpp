#include "patch/item_row.h"

#include "patch/text_builder.h"
#include "patch/value_writes.h"

namespace vantedit {

namespace {

constexpr int kEnd = StatsStream::kEnd;

// The most a number cell keeps: enough to show what stood there.
constexpr std::size_t kNumberCellKept = 64;

// The character after a cell ends the row's line.
bool atLineEnd(StatsStream& in) {
    const int c = in.get();
    in.unget(c);
    return c == '\n' || c == kEnd;
}

struct TextCell {
    bool given = false;    // the cell held more than blanks, or was quoted
    bool endsRow = false;  // the row's line ended with the cell
};

// One text field, up to the tab that ends it (or the end of the row or of the file). A field
// may be enclosed in double quotes with doubled quotes inside, as spreadsheets save it; inside
// them a tab or a line break is part of the text. A field whose opening quote does not close
// before its row ends was never quoted: it keeps that quote as a character and the next tab
// ends it. A quote in an unquoted field is a character, a doubled one stands for one. A byte
// 0 ends the field too, and what follows it is read as the next field.
TextCell readTextField(StatsStream& in, TextBuilder& text) {
    TextCell cell;
    const StatsStream::Mark start = in.mark();
    if (in.get() == '"') {
        int ending = kEnd;
        cell.given = true;
        if (readQuotedText(in, text, ending)) {
            if (ending == '\n' || ending == kEnd) {
                in.unget(ending);  // left for the row's end to read
                cell.endsRow = true;
            }
            return cell;
        }
        text.restart();
    }
    in.restore(start);
    std::size_t textFrom = std::string_view::npos;
    for (;;) {
        const int c = in.get();
        if (c == '"') {
            const int next = in.get();
            if (next != '"') in.unget(next);
        }
        if (c == kEnd || (c == '\n' && lineEndEndsRow(in, textFrom))) {
            in.unget(c);
            cell.endsRow = true;
            return cell;
        }
        if (c == '\t' || c == 0) return cell;
        if (c != ' ') cell.given = true;
        text.add(c);
    }
}

// A text a texts run is to save must fit its field as the description files store it.
bool descriptionStorable(const Game& game, std::int32_t item, const DescField& desc, const FieldRef& field,
                         const std::string& text, Reading& reading) {
    const DescTextFit fit = descriptionTextFits(game.descriptions.view(desc.file), item, desc, text);
    if (fit == DescTextFit::Fits) return true;
    const ReadError error = fit == DescTextFit::TooLong ? ReadError::TextTooLong : ReadError::Character255;
    reading.failure = {error, ReadPlace::Field, "Item", field, {}, desc.units - 1, {}};
    return false;
}

// A stat cell's number into the image, or an attachment cell's mark into the groups; false
// with the failure set.
bool storeItemCell(Game& game, AttachmentGroups& groups, Reading& reading, const FieldRef& field,
                   const CellText& text) {
    std::int64_t value = 0;
    if (!readCellNumber(text, "Item", field, value, reading)) return false;
    const ItemCell cell = itemCell(field);
    if (cell.kind == CellKind::Attachment) {
        markStated(groups, field.record, cell.index);
        if (value != 0) addAttachmentPair(groups, field.record, attachmentKind(cell).item);
        reading.reached.add(field);
        return true;
    }
    const Column& c = column(cell);
    const std::int64_t offset = valueOffset(sectionRecord(game.edition(), c.section), c, field.record);
    if (!reading.writes.store(game.mutableImage(), offset, c.kind, value, field, reading.failure.other)) {
        reading.failure = {ReadError::SameByte, ReadPlace::Field, "Item", field, reading.failure.other, 0, {}};
        return false;
    }
    noteTypedNumber(reading, field, value);
    reading.reached.add(field);
    return true;
}

}  // namespace

LineResult readItemRow(StatsStream& in, Game& game, Layout layout, const TextRules& rules, AttachmentGroups& groups,
                       Reading& reading) {
    std::int32_t item = 0;
    if (in.readNumber(item) != NumberRead::Number) {
        reading.failure = {ReadError::NumberExpected, ReadPlace::Keyword, "Item", {}, {}, 0, {}};
        return LineResult::Failed;
    }
    skipClosingQuote(in);  // of a row saved with every field quoted
    in.get();               // the tab after the number

    // Only items 0 to 350 have description records; the texts of any other row are consumed.
    // Cells that show "n/a" for the item are skipped whatever they hold.
    const bool hasRecord = item >= 0 && item < kItemCount;
    if (!hasRecord) noteNoSuchItem(reading, item);
    for (std::size_t i = 0; i < kItemCells.size(); ++i) {
        const ItemCell cell = kItemCells[i];
        if (!layoutHasCell(layout, cell)) continue;  // that value stays as it is
        const FieldRef field = itemField(item, i);
        const bool shown = fieldShown(game, field);
        const StatsStream::Mark cellStart = in.mark();
        const auto failed = [&] {
            reading.failure.line = in.lineOf(cellStart);
            return LineResult::Failed;
        };
        bool rowEnds = false;
        if (cell.kind == CellKind::Text) {
            const DescField& desc = descField(cell);
            const bool used = hasRecord && shown;
            // One more than the field holds, so that a text too long still reads as too long.
            TextBuilder text(rules.form, static_cast<std::size_t>(desc.units) + 1, used);
            const TextCell read = readTextField(in, text);
            rowEnds = read.endsRow;
            if (used && read.given) {
                if (!textConverted(text, "Item", field, reading)) return failed();
                if (rules.descriptions == DescriptionTexts::Saved &&
                    !descriptionStorable(game, item, desc, field, text.text(), reading)) {
                    return failed();
                }
                storeDescriptionText(game.descriptions.mutableView(desc.file), item, desc, text.text());
                reading.reached.add(field);
            }
        } else {
            const CellText text = in.readCell(kNumberCellKept);
            if (layoutAddsFieldAfter(layout, cell)) in.readCell(0);
            rowEnds = atLineEnd(in);
            std::int64_t value = 0;
            const bool empty = !text.cut && parseWholeNumber(text.text, value) == CellNumber::Empty;
            if (shown && !empty && !storeItemCell(game, groups, reading, field, text)) return failed();
        }
        // A row that ends early, as an editor that drops trailing tabs leaves it, keeps the
        // cells it does not reach.
        if (rowEnds) break;
    }
    // The line end before the next row.
    const int c = in.get();
    if (c != '\n') in.unget(c);
    return LineResult::Done;
}

}  // namespace vantedit
