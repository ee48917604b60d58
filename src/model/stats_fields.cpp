#include "model/stats_fields.h"

#include <algorithm>
#include <limits>

#include "model/memory.h"
#include "model/table_span.h"

namespace vantedit {

namespace {

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

// Only the stat sections share bytes, with one another: every other table is bytes of its own.
consteval bool onlySectionsShareBytes() {
    for (const Edition& e : kEditions) {
        const auto extents = tableExtents(e);
        for (std::size_t i = 0; i < extents.size(); ++i) {
            for (std::size_t j = i + 1; j < extents.size(); ++j) {
                const TableExtent& a = extents[i];
                const TableExtent& b = extents[j];
                const bool overlap = a.span.begin < b.span.end && b.span.begin < a.span.end;
                if (overlap && (a.kind != TableKind::Section || b.kind != TableKind::Section)) return false;
            }
        }
    }
    return true;
}

static_assert(kItemCellCount == 69);  // the heading line's 69 tabs
static_assert(headingTabs(Layout::Current) == 69 && headingTabs(Layout::Headings72) == 72 &&
              headingTabs(Layout::Headings73) == 73);
static_assert(linesInTableOrder());
static_assert(onlySectionsShareBytes());
static_assert(2 * kAmmoNameMaxLength + 1 < kAmmoNameRecordSize);

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
        case LineKind::NumericList:
            v.number = image.u16(static_cast<std::size_t>(listValueOffset(e, numericList(t), f.record, f.field)));
            break;
        case LineKind::AmmoName: v.text = readAmmoNameText(image, e, ammoNameText(f), f.record); break;
        case LineKind::Name: v.text = readName(image, e, nameTable(t), f.record); break;
    }
    return v;
}

std::int64_t mostCharacters(const FieldRef& f) {
    const LineType& t = kLineTypes[f.line];
    if (t.kind == LineKind::Item) return descField(itemCell(f)).units - 1;
    return t.kind == LineKind::Name ? nameTable(t).recordSize - 1 : kAmmoNameMaxLength;
}

void storeText(Game& game, const FieldRef& f, std::string_view text) {
    const LineType& t = kLineTypes[f.line];
    if (t.kind == LineKind::Item) {
        const DescField& d = descField(itemCell(f));
        storeDescriptionText(game.descriptions.mutableView(d.file), f.record, d, text);
    } else if (t.kind == LineKind::Name) {
        storeName(game.mutableImage(), game.edition(), nameTable(t), f.record, text);
    } else {
        storeAmmoNameText(game.mutableImage(), game.edition(), ammoNameText(f), f.record, text);
    }
}

bool storeField(Game& game, const FieldRef& f, const FieldValue& v) {
    const Edition& e = game.edition();
    const MutableByteView image = game.mutableImage();
    const LineType& t = kLineTypes[f.line];
    const auto number = static_cast<std::int32_t>(v.number);
    switch (fieldKind(f)) {
        case FieldKind::Text:
        case FieldKind::Name: storeText(game, f, v.text); break;
        case FieldKind::Attachment:
            return setAttachmentPair(image, e, attachmentPair(f.record, attachmentKind(itemCell(f)).item), number != 0);
        case FieldKind::Number:
            if (t.kind == LineKind::NumericList) {
                storeListValue(image, e, numericList(t), f.record, f.field, number);
            } else {
                const Column& c = column(itemCell(f));
                storeColumnValue(image, sectionRecord(e, c.section), c, f.record, number);
            }
            break;
    }
    return true;
}

FieldBytes fieldBytes(const Edition& e, const FieldRef& f) {
    const LineType& t = kLineTypes[f.line];
    const auto at = [](std::int64_t begin, std::int64_t size) {
        return FieldBytes{FieldStore::Image, static_cast<std::size_t>(begin), static_cast<std::size_t>(begin + size)};
    };
    switch (t.kind) {
        case LineKind::Item: {
            const ItemCell c = itemCell(f);
            switch (c.kind) {
                case CellKind::Text: {
                    const DescField& d = descField(c);
                    const std::size_t begin = descUnitOffset(f.record, d, 0);
                    return {d.file == DescFile::Item ? FieldStore::ItemDescriptions : FieldStore::ShopDescriptions,
                            begin, begin + 2 * static_cast<std::size_t>(d.units)};
                }
                case CellKind::Stat:
                    return at(valueOffset(sectionRecord(e, column(c).section), column(c), f.record),
                              columnWidth(column(c).kind));
                case CellKind::Attachment: break;
            }
            return {FieldStore::AttachmentTable, static_cast<std::size_t>(e.weaponAttachOffset),
                    static_cast<std::size_t>(e.attachOffset)};
        }
        case LineKind::NumericList: return at(listValueOffset(e, numericList(t), f.record, f.field), 2);
        case LineKind::AmmoName: return at(ammoNameRecordOffset(e, ammoNameText(f), f.record), kAmmoNameRecordSize);
        case LineKind::Name: return at(nameRecordOffset(e, nameTable(t), f.record), nameTable(t).recordSize);
    }
    return {};
}

ByteView storeView(const Game& game, FieldStore store) {
    if (store == FieldStore::ItemDescriptions) return game.descriptions.view(DescFile::Item);
    return store == FieldStore::ShopDescriptions ? game.descriptions.view(DescFile::Shop) : game.image();
}

MutableByteView mutableStoreView(Game& game, FieldStore store) {
    if (store == FieldStore::ItemDescriptions) return game.descriptions.mutableView(DescFile::Item);
    return store == FieldStore::ShopDescriptions ? game.descriptions.mutableView(DescFile::Shop) : game.mutableImage();
}

void copyFieldBytes(Game& to, const Game& from, const FieldRef& f) {
    const FieldBytes b = fieldBytes(to.edition(), f);
    const std::size_t size = b.end - b.begin;
    const ByteView source = storeView(from, b.store);
    const MutableByteView target = mutableStoreView(to, b.store);
    if (!source.contains(b.begin, size) || !target.contains(b.begin, size)) return;
    const auto bytes = source.bytes().subspan(b.begin, size);
    std::copy(bytes.begin(), bytes.end(), target.bytes().begin() + static_cast<std::ptrdiff_t>(b.begin));
}

bool TypedNumbers::reserveFor(Faults& faults, const Edition& e, std::size_t& asked) {
    std::size_t count = kStatCells;
    for (std::size_t i = 0; i < kNumericLists.size(); ++i) {
        listFirst_[i] = count;
        listRecords_[i] = listRecordCount(e, kNumericLists[i]);
        count += static_cast<std::size_t>(listRecords_[i] * listValueCount(kNumericLists[i]));
    }
    asked = count * sizeof(std::int64_t);
    numbers_.clear();
    itemCells_.fill(0);
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
    if (i >= numbers_.size()) return;
    if (numbers_[i] == kNotGiven && i < kStatCells) ++itemCells_[static_cast<std::size_t>(f.record)];
    numbers_[i] = number;
}

std::optional<std::int64_t> TypedNumbers::find(const FieldRef& f) const {
    const std::size_t i = indexOf(f);
    if (i >= numbers_.size() || numbers_[i] == kNotGiven) return std::nullopt;
    return numbers_[i];
}

bool FieldSet::reserveFor(Faults& faults, const Edition& e, std::size_t& asked) {
    std::size_t count = 0;
    for (std::size_t line = 0; line < kLineTypes.size(); ++line) {
        lineFirst_[line] = count;
        lineRecords_[line] = lineRecordCount(e, line);
        count += static_cast<std::size_t>(lineRecords_[line]) * lineFieldCount(line);
    }
    fields_.clear();
    added_.clear();
    asked = count * sizeof(FieldRef);
    if (!tryReserve(faults, fields_, count)) return false;
    asked = count;
    return tryAllocating(faults, [&] { added_.assign(count, 0); });
}

std::size_t FieldSet::indexOf(const FieldRef& f) const {
    if (f.line >= kLineTypes.size() || f.record < 0 || f.record >= lineRecords_[f.line] ||
        f.field >= lineFieldCount(f.line)) {
        return added_.size();
    }
    return lineFirst_[f.line] + static_cast<std::size_t>(f.record) * lineFieldCount(f.line) + f.field;
}

void FieldSet::add(const FieldRef& f) {
    const std::size_t i = indexOf(f);
    if (i >= added_.size() || added_[i] != 0) return;
    added_[i] = 1;
    fields_.push_back(f);
}

bool TypedNumbers::givesWholeRow(const Edition& e, std::int32_t item) const {
    // A reading notes only the cells the item shows: counting them is enough.
    if (item < 0 || item >= kItemCount) return false;
    const std::int32_t given = itemCells_[static_cast<std::size_t>(item)];
    if (given == 0) return false;  // a file of a few cells gives most rows none
    std::size_t shown = 0;
    for (Section s : kAllSections) {
        if (sectionHoldsItem(sectionRecord(e, s), item)) shown += sectionColumns(s).size();
    }
    return static_cast<std::size_t>(given) == shown;
}

}  // namespace vantedit
