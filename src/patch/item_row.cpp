#include "patch/item_row.h"

namespace vantedit {

namespace {

constexpr int kEnd = StatsStream::kEnd;

// The most a number cell keeps: enough to show what stood there.
constexpr std::size_t kNumberCellKept = 64;

// One text field, up to the tab that ends it (or the end of the file). A field may be
// enclosed in double quotes with doubled quotes inside, as spreadsheets save it; inside them a
// tab is part of the text. A quote inside that neither doubles nor closes the field shows it
// was never quoted: it is kept as a character and the next tab ends the field. A byte 0 ends
// the field too, and what follows it is read as the next field.
void readTextField(StatsStream& in, TextBuilder& text) {
    bool quoted = false;
    for (;;) {
        const int c = in.get();
        if (c == '"') {
            if (text.empty() && !quoted) {
                quoted = true;
                continue;
            }
            const int next = in.get();
            if (next == '\t' && quoted) return;  // the closing quote
            if (next != '"') {
                in.unget(next);
                quoted = false;
            }
            text.add('"');
            continue;
        }
        if ((c == '\t' && !quoted) || c == kEnd || c == 0) return;
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

}  // namespace

bool readCellNumber(const CellText& cell, std::string_view keyword, const FieldRef& field, std::int64_t& value,
                    Reading& reading) {
    const CellNumber read = cell.cut ? CellNumber::NotWhole : parseWholeNumber(cell.text, value);
    if (read == CellNumber::Number) return true;
    const ReadError error = read == CellNumber::Empty      ? ReadError::NumberExpected
                            : read == CellNumber::TooLarge ? ReadError::TooLarge
                                                           : ReadError::NotWholeNumber;
    reading.failure = {error, ReadPlace::Field, keyword, field, {}, cell.cut ? 1 : 0, cell.text};
    return false;
}

bool textConverted(TextBuilder& text, std::string_view keyword, const FieldRef& field, Reading& reading) {
    const TextProblem problem = text.finish();
    if (problem == TextProblem::None) return true;
    const ReadError error = problem == TextProblem::NotUtf8 ? ReadError::NotUtf8 : ReadError::NotInCodePage;
    reading.failure = {error, ReadPlace::Field, keyword, field, {}, 0, {}};
    reading.failure.count = text.character();
    reading.failure.codePage = codePageNumber(text.codePage());
    return false;
}

void skipClosingQuote(StatsStream& in) {
    const int c = in.get();
    if (c != '"') in.unget(c);
}


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
    const Edition& e = game.edition();
    for (std::size_t i = 0; i < kItemCells.size(); ++i) {
        const ItemCell cell = kItemCells[i];
        if (!layoutHasCell(layout, cell)) continue;  // that value stays as it is
        const FieldRef field = itemField(item, i);
        const bool shown = fieldShown(game, field);
        if (cell.kind == CellKind::Text) {
            const DescField& desc = descField(cell);
            const bool used = hasRecord && shown;
            // One more than the field holds, so that a text too long still reads as too long.
            TextBuilder text(rules.form, static_cast<std::size_t>(desc.units) + 1, used);
            readTextField(in, text);
            if (!used) continue;
            if (!textConverted(text, "Item", field, reading)) return LineResult::Failed;
            if (rules.descriptions == DescriptionTexts::Saved &&
                !descriptionStorable(game, item, desc, field, text.text(), reading)) {
                return LineResult::Failed;
            }
            storeDescriptionText(game.descriptions.mutableView(desc.file), item, desc, text.text());
            continue;
        }
        // A row cut by the end of the file keeps the attachment columns it does not reach.
        if (cell.kind == CellKind::Attachment && in.onlyWhiteSpaceLeft()) return LineResult::Done;
        const CellText text = in.readCell(kNumberCellKept);
        if (layoutAddsFieldAfter(layout, cell)) in.readCell(0);
        if (!shown) continue;
        std::int64_t value = 0;
        if (!readCellNumber(text, "Item", field, value, reading)) return LineResult::Failed;
        if (cell.kind == CellKind::Stat) {
            const Column& c = column(cell);
            const std::int64_t offset = valueOffset(sectionRecord(e, c.section), c, item);
            if (!reading.writes.store(game.mutableImage(), offset, c.kind, value, field, reading.failure.other)) {
                reading.failure = {ReadError::SameByte, ReadPlace::Field, "Item", field, reading.failure.other, 0, {}};
                return LineResult::Failed;
            }
            noteTypedNumber(reading, field, value);
        } else {
            markStated(groups, item, cell.index);
            if (value != 0) addAttachmentPair(groups, item, attachmentKind(cell).item);
        }
    }
    // The line end before the next row.
    const int c = in.get();
    if (c != '\n') in.unget(c);
    return LineResult::Done;
}

}  // namespace vantedit
