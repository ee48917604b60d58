#include "model/stats_fields.h"

#include <limits>

#include "model/memory.h"

namespace vantedit {

namespace {

consteval bool itemRowHasItsCellsOnce() {
    std::size_t texts = 0, stats = 0, kinds = 0;
    for (const ItemCell& c : kItemCells) {
        const std::size_t expected = c.kind == CellKind::Text ? texts++ : c.kind == CellKind::Stat ? stats++ : kinds++;
        if (c.index != expected) return false;
    }
    return texts == kDescFields.size() && stats == kColumnCount && kinds == kAttachmentKindCount;
}

// The list lines follow the Item rows in the order of their tables.
consteval bool linesInTableOrder() {
    if (kLineTypes[kItemLine].kind != LineKind::Item || kLineTypes[kAmmoNameLine].kind != LineKind::AmmoName) {
        return false;
    }
    for (std::size_t i = 0; i < kNumericLists.size(); ++i) {
        const LineType& t = kLineTypes[1 + i];
        if (t.kind != LineKind::NumericList || t.table != i) return false;
    }
    return lineKeyword(9) == "Sound" && lineKeyword(10) == "Burst";
}

static_assert(kItemCellCount == 69);  // the heading line's 69 tabs
static_assert(headingTabs(Layout::Current) == 69 && headingTabs(Layout::Headings72) == 72 &&
              headingTabs(Layout::Headings73) == 73);
static_assert(itemRowHasItsCellsOnce());
static_assert(linesInTableOrder());

constexpr std::int64_t kNotGiven = std::numeric_limits<std::int64_t>::min();

}  // namespace

std::string fieldLabel(const FieldRef& f) {
    const LineType& t = kLineTypes[f.line];
    switch (t.kind) {
        case LineKind::Item: {
            const ItemCell c = itemCell(f);
            if (c.kind == CellKind::Text) return std::string(descField(c).heading);
            if (c.kind == CellKind::Stat) return std::string(column(c).heading);
            return std::string(attachmentKind(c).name) + '?';
        }
        case LineKind::NumericList: return "value " + std::to_string(f.field + 1);
        case LineKind::AmmoName: return f.field == 0 ? "first text" : "second text";
        case LineKind::Name: return "name";
    }
    return {};
}

bool fieldShown(const Game& game, const FieldRef& f) {
    const Edition& e = game.edition();
    switch (kLineTypes[f.line].kind) {
        case LineKind::Item: {
            const ItemCell c = itemCell(f);
            switch (c.kind) {
                case CellKind::Text: return descField(c).file == DescFile::Item || game.descriptions.hasShop;
                case CellKind::Stat: return sectionHoldsItem(sectionRecord(e, column(c).section), f.record);
                case CellKind::Attachment: return isWeaponRow(e, f.record);
            }
            return false;
        }
        case LineKind::AmmoName: return f.record < ammoNameRecordCount(e, ammoNameText(f));
        case LineKind::NumericList:
        case LineKind::Name: return true;
    }
    return false;
}

FieldValue readField(const Game& game, const FieldRef& f) {
    const Edition& e = game.edition();
    const ByteView image = game.image();
    const LineType& t = kLineTypes[f.line];
    FieldValue v;
    switch (t.kind) {
        case LineKind::Item: {
            const ItemCell c = itemCell(f);
            switch (c.kind) {
                case CellKind::Text:
                    v.text = readDescriptionText(game.descriptions.view(descField(c).file), f.record, descField(c));
                    break;
                case CellKind::Stat:
                    v.number = readColumnValue(image, sectionRecord(e, column(c).section), column(c), f.record);
                    break;
                case CellKind::Attachment:
                    v.number = attachmentPairExists(image, e, f.record, attachmentKind(c).item) ? 1 : 0;
                    break;
            }
            break;
        }
        case LineKind::NumericList: v.number = readListValue(image, e, numericList(t), f.record, f.field); break;
        case LineKind::AmmoName: v.text = readAmmoNameText(image, e, ammoNameText(f), f.record); break;
        case LineKind::Name: v.text = readName(image, e, nameTable(t), f.record); break;
    }
    return v;
}

bool TypedNumbers::reserveFor(Faults& faults, const Edition& e, std::size_t& asked) {
    std::size_t count = std::size_t{kItemCount} * kColumnCount;
    for (std::size_t i = 0; i < kNumericLists.size(); ++i) {
        listFirst_[i] = count;
        listRecords_[i] = listRecordCount(e, kNumericLists[i]);
        count += static_cast<std::size_t>(listRecords_[i] * listValueCount(kNumericLists[i]));
    }
    asked = count * sizeof(std::int64_t);
    numbers_.clear();
    return tryAllocating(faults, [&] { numbers_.assign(count, kNotGiven); });
}

std::size_t TypedNumbers::indexOf(const FieldRef& f) const {
    const LineType& t = kLineTypes[f.line];
    if (t.kind == LineKind::Item) {
        if (itemCell(f).kind != CellKind::Stat || f.record < 0 || f.record >= kItemCount) return numbers_.size();
        return static_cast<std::size_t>(f.record) * kColumnCount + itemCell(f).index;
    }
    if (t.kind != LineKind::NumericList || f.record < 0 || f.record >= listRecords_[t.table]) return numbers_.size();
    const auto values = static_cast<std::size_t>(listValueCount(numericList(t)));
    return listFirst_[t.table] + static_cast<std::size_t>(f.record) * values + f.field;
}

void TypedNumbers::note(const FieldRef& f, std::int64_t number) {
    const std::size_t i = indexOf(f);
    if (i < numbers_.size()) numbers_[i] = number;
}

std::optional<std::int64_t> TypedNumbers::find(const FieldRef& f) const {
    const std::size_t i = indexOf(f);
    if (i >= numbers_.size() || numbers_[i] == kNotGiven) return std::nullopt;
    return numbers_[i];
}

bool givesWholeRow(const Game& game, const TypedNumbers& typed, std::int32_t item) {
    for (std::size_t ci = 0; ci < kColumns.size(); ++ci) {
        const FieldRef f = itemField(item, statCellIndex(ci));
        if (fieldShown(game, f) && !typed.find(f)) return false;
    }
    return true;
}

}  // namespace vantedit
