// The stats file described once: its lines in the order MAKE writes them, the fields of each,
// with the heading or label the program prints for it, what it holds and when it shows "n/a".
// MAKE writes, PATCH reads, diff compares and the tests walk this description.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/attachments.h"
#include "model/descriptions.h"
#include "model/game.h"
#include "model/list_tables.h"
#include "model/sections.h"
#include "model/text.h"

namespace vantedit {

// Which stats file the heading line announced. Only Item rows differ between them.
enum class Layout : std::uint8_t {
    Current,     // 69 tabs
    Headings72,  // 72 tabs: four extra Weapons fields, no "Halvek's 2" field
    Headings73,  // 73 tabs: four extra Weapons fields
};

// The most a stats file can hold: more than a hundred times what MAKE writes, every text at
// its longest. Anything larger is not read.
inline constexpr std::size_t kMostStatsFileBytes = std::size_t{64} << 20;

// ---- Item rows ---------------------------------------------------------------------------

enum class CellKind : std::uint8_t { Text, Stat, Attachment };

// A cell of an Item row: a description field, a stat column or an attachment kind.
struct ItemCell {
    CellKind kind;
    std::uint8_t index;  // into kDescFields, kColumns or kAttachmentKinds
};

inline constexpr std::size_t kItemCellCount = kDescFields.size() + kColumns.size() + kAttachmentKinds.size();

// The row after its "Item n": the five texts, the 56 stat columns, the eight attachment kinds.
consteval std::array<ItemCell, kItemCellCount> itemCellsInOrder() {
    std::array<ItemCell, kItemCellCount> cells{};
    std::size_t at = 0;
    for (std::size_t i = 0; i < kDescFields.size(); ++i) cells[at++] = {CellKind::Text, static_cast<std::uint8_t>(i)};
    for (std::size_t i = 0; i < kColumns.size(); ++i) cells[at++] = {CellKind::Stat, static_cast<std::uint8_t>(i)};
    for (std::size_t i = 0; i < kAttachmentKinds.size(); ++i) {
        cells[at++] = {CellKind::Attachment, static_cast<std::uint8_t>(i)};
    }
    return cells;
}
inline constexpr std::array<ItemCell, kItemCellCount> kItemCells = itemCellsInOrder();

constexpr const DescField& descField(ItemCell c) { return kDescFields[c.index]; }
constexpr const Column& column(ItemCell c) { return kColumns[c.index]; }
constexpr const AttachmentKind& attachmentKind(ItemCell c) { return kAttachmentKinds[c.index]; }

// Whether the layout's rows carry the cell: the 72-heading file has no "Halvek's 2" field.
constexpr bool layoutHasCell(Layout layout, ItemCell c) {
    return !(layout == Layout::Headings72 && c.kind == CellKind::Stat && column(c).section == Section::Halveks2);
}
// The older layouts carry one more field after each Weapons sound column.
constexpr bool layoutAddsFieldAfter(Layout layout, ItemCell c) {
    return layout != Layout::Current && c.kind == CellKind::Stat && column(c).olderLayoutsAddField;
}

// The tabs of the layout's heading line: one before each field of its rows.
constexpr int headingTabs(Layout layout) {
    int tabs = 0;
    for (const ItemCell& c : kItemCells) {
        if (layoutHasCell(layout, c)) ++tabs;
        if (layoutAddsFieldAfter(layout, c)) ++tabs;
    }
    return tabs;
}

inline constexpr std::array<Layout, 3> kLayouts = {Layout::Current, Layout::Headings72, Layout::Headings73};

// ---- the lines of a stats file -----------------------------------------------------------

enum class LineKind : std::uint8_t { Item, NumericList, AmmoName, Name };

struct LineType {
    LineKind kind;
    std::uint8_t table;  // the list's place in kNumericLists; 0 sound names, 1 burst names
};

// clang-format off
inline constexpr std::array<LineType, 11> kLineTypes = {{
//   kind                 table
    {LineKind::Item,        0},
    {LineKind::NumericList, 0},  // Attach
    {LineKind::NumericList, 1},  // AmmoAttach
    {LineKind::NumericList, 2},  // Exclude
    {LineKind::NumericList, 3},  // Combine2
    {LineKind::NumericList, 4},  // Combine3
    {LineKind::NumericList, 5},  // ConvertWeapon
    {LineKind::NumericList, 6},  // ConvertAmmo
    {LineKind::AmmoName,    0},
    {LineKind::Name,        0},  // Sound
    {LineKind::Name,        1},  // Burst
}};
// clang-format on

inline constexpr std::uint8_t kItemLine = 0;
inline constexpr std::uint8_t kAmmoNameLine = 8;

// Older keywords still read: a line of another type, its record numbers shifted.
struct LineAlias {
    std::string_view keyword;
    std::uint8_t line;         // into kLineTypes
    std::int32_t recordShift;  // line n names the records of line n + recordShift
};

// clang-format off
inline constexpr std::array<LineAlias, 1> kLineAliases = {{
//   keyword     line           recordShift
    {"AmmoType", kAmmoNameLine, 1},
}};
// clang-format on

// The older keyword the word is, in any case, or nullptr.
constexpr const LineAlias* lineAliasOf(std::string_view word) {
    for (const LineAlias& alias : kLineAliases) {
        if (equalsIgnoringCase(word, alias.keyword)) return &alias;
    }
    return nullptr;
}

constexpr const NameTable& nameTable(const LineType& line) { return line.table == 0 ? kSoundNames : kBurstNames; }
constexpr const NumericList& numericList(const LineType& line) { return kNumericLists[line.table]; }

constexpr std::string_view lineKeyword(std::size_t line) {
    const LineType& t = kLineTypes[line];
    switch (t.kind) {
        case LineKind::Item: return "Item";
        case LineKind::NumericList: return numericList(t).keyword;
        case LineKind::AmmoName: return "AmmoName";
        case LineKind::Name: return nameTable(t).keyword;
    }
    return {};
}

// The line type the keyword opens, in any case, or kLineTypes.size() for none.
constexpr std::size_t lineTypeOf(std::string_view word) {
    for (std::size_t line = 0; line < kLineTypes.size(); ++line) {
        if (equalsIgnoringCase(word, lineKeyword(line))) return line;
    }
    return kLineTypes.size();
}

// The records the edition has of the line's kind: the item numbers, the record numbers.
constexpr std::int32_t lineRecordCount(const Edition& e, std::size_t line) {
    const LineType& t = kLineTypes[line];
    switch (t.kind) {
        case LineKind::Item: return kItemCount;
        case LineKind::NumericList: return listRecordCount(e, numericList(t));
        case LineKind::AmmoName: return e.ammoNameCount;
        case LineKind::Name: return nameTable(t).count;
    }
    return 0;
}

// The fields after the line's keyword and number.
constexpr std::size_t lineFieldCount(std::size_t line) {
    const LineType& t = kLineTypes[line];
    switch (t.kind) {
        case LineKind::Item: return kItemCellCount;
        case LineKind::NumericList: return static_cast<std::size_t>(listValueCount(numericList(t)));
        case LineKind::AmmoName: return 2;
        case LineKind::Name: return 1;
    }
    return 0;
}

// One field of one line: the cell of an Item row, a value or text of a list line.
struct FieldRef {
    std::uint8_t line = 0;    // into kLineTypes
    std::uint16_t field = 0;  // from 0, in the line's order
    std::int32_t record = 0;  // the item or record number

    constexpr bool operator==(const FieldRef&) const = default;
};

constexpr FieldRef itemField(std::int32_t item, std::size_t cell) {
    return {kItemLine, static_cast<std::uint16_t>(cell), item};
}
constexpr std::size_t statCellIndex(std::size_t column) { return kDescFields.size() + column; }
constexpr std::size_t attachmentCellIndex(std::size_t kind) { return kDescFields.size() + kColumns.size() + kind; }
constexpr ItemCell itemCell(const FieldRef& f) { return kItemCells[f.field]; }
constexpr AmmoNameText ammoNameText(const FieldRef& f) {
    return f.field == 0 ? AmmoNameText::First : AmmoNameText::Second;
}

// What a field holds and how the stats file shows it.
enum class FieldKind : std::uint8_t {
    Number,      // in decimal
    Text,        // as it is, in double quotes when it holds one
    Name,        // likewise, a byte string: sound and burst names
    Attachment,  // 1 or 0: whether the weapon has an attachment of the kind
};

constexpr FieldKind fieldKind(const FieldRef& f) {
    switch (kLineTypes[f.line].kind) {
        case LineKind::Item:
            switch (itemCell(f).kind) {
                case CellKind::Text: return FieldKind::Text;
                case CellKind::Stat: return FieldKind::Number;
                case CellKind::Attachment: return FieldKind::Attachment;
            }
            break;
        case LineKind::NumericList: return FieldKind::Number;
        case LineKind::AmmoName: return FieldKind::Text;
        case LineKind::Name: return FieldKind::Name;
    }
    return FieldKind::Number;
}

// The names and descriptions of the Item rows: PATCH reads them and never saves them.
constexpr bool notSavedByPatch(const FieldRef& f) {
    return kLineTypes[f.line].kind == LineKind::Item && fieldKind(f) == FieldKind::Text;
}

// The range of a number field as MAKE shows it: list values are unsigned 16-bit.
constexpr ColumnKind numberKind(const FieldRef& f) {
    return kLineTypes[f.line].kind == LineKind::Item ? column(itemCell(f)).kind : ColumnKind::U16;
}

// The field's name in the heading line and in messages: a cell's heading ("Long Name",
// "Price", "Silencer?"), "value 2" (counted from 1), "first text", "name".
std::string fieldLabel(const FieldRef& f);

// Whether the field holds a value for the game, or shows "n/a": the shop texts need the shop
// file, a stat needs a section that holds the item, the attachment columns a weapon, the first
// AmmoName text a record in the shorter first table.
bool fieldShown(const Game& game, const FieldRef& f);

// A field's value as the game holds it, for a field that is shown.
struct FieldValue {
    std::int64_t number = 0;  // Number and Attachment fields
    std::string text;         // Text and Name fields

    constexpr bool operator==(const FieldValue&) const = default;
};

FieldValue readField(const Game& game, const FieldRef& f);
// The most characters a Text or Name field holds, its terminator aside.
std::int64_t mostCharacters(const FieldRef& f);
// A Text or Name field's text stored where readField reads it, cut to what the field holds.
void storeText(Game& game, const FieldRef& f, std::string_view text);
// The value stored where readField reads it. An attachment adds its pair in the weapon
// attachment table's first free record or frees it in place; false when the table is full.
bool storeField(Game& game, const FieldRef& f, const FieldValue& v);

// Where a field's value is kept. An attachment field has no bytes of its own: it shows
// whether the weapon attachment table holds a pair.
enum class FieldStore : std::uint8_t { Image, ItemDescriptions, ShopDescriptions, AttachmentTable };

struct FieldBytes {
    FieldStore store;
    std::size_t begin;
    std::size_t end;  // one past the last byte; of an attachment field, the whole table
};

// The bytes that a shown field is read from and a reading stores it in: a stat's or a list
// value's bytes, the record of an AmmoName text or a name, the slot of a description text.
// Only stats of two sections share bytes; no other field's bytes are another's.
FieldBytes fieldBytes(const Edition& e, const FieldRef& f);

// The buffer a field's bytes are kept in: the image, or one of the description buffers.
ByteView storeView(const Game& game, FieldStore store);
MutableByteView mutableStoreView(Game& game, FieldStore store);

// Copies the field's bytes from one game to another of the same edition; of an attachment
// field, the whole weapon attachment table.
void copyFieldBytes(Game& to, const Game& from, const FieldRef& f);

// A field and a value for it.
struct GivenField {
    FieldRef field;
    FieldValue value;
};

// Calls visit(FieldRef) for every field of every line of the game's stats file, in file order.
template <typename Visit>
void forEachField(const Edition& e, Visit&& visit) {
    for (std::size_t line = 0; line < kLineTypes.size(); ++line) {
        const std::int32_t records = lineRecordCount(e, line);
        for (std::int32_t r = 0; r < records; ++r) {
            for (std::size_t f = 0; f < lineFieldCount(line); ++f) {
                visit(FieldRef{static_cast<std::uint8_t>(line), static_cast<std::uint16_t>(f), r});
            }
        }
    }
}

// Fields of an edition's stats file, each once, in the order they were first added.
class FieldSet {
public:
    // Room for every field of the edition, had before the set is filled. False when it cannot
    // be had, with asked set to the size asked for.
    bool reserveFor(Faults& faults, const Edition& e, std::size_t& asked);
    // Needs no memory; a field of no record of the edition is not added.
    void add(const FieldRef& f);
    std::span<const FieldRef> fields() const { return fields_; }

private:
    std::size_t indexOf(const FieldRef& f) const;  // added_.size() for no field of the edition

    std::array<std::size_t, kLineTypes.size()> lineFirst_{};
    std::array<std::int32_t, kLineTypes.size()> lineRecords_{};
    std::vector<std::uint8_t> added_;  // 1 for a field added
    std::vector<FieldRef> fields_;
};

// The number a stats file last gave each number field, as it was typed.
class TypedNumbers {
public:
    // Room for every number field of the edition, had before a reading. False when it cannot
    // be had, with asked set to the size asked for.
    bool reserveFor(Faults& faults, const Edition& e, std::size_t& asked);
    void note(const FieldRef& f, std::int64_t number);
    // Empty when the file gave the field no number.
    std::optional<std::int64_t> find(const FieldRef& f) const;
    // The file gave a number in every stat cell the item shows, as MAKE writes a row. Only such
    // rows can tell a file of another edition: a mod of just its changed cells differs wherever
    // it gives a number.
    bool givesWholeRow(const Edition& e, std::int32_t item) const;

private:
    std::size_t indexOf(const FieldRef& f) const;  // numbers_.size() for no number field

    // Item stat cells item by item, then each list's values record by record.
    static constexpr std::size_t kStatCells = std::size_t{kItemCount} * kColumnCount;  // the first numbers_

    std::array<std::size_t, kNumericLists.size()> listFirst_{};
    std::array<std::int32_t, kNumericLists.size()> listRecords_{};
    std::array<std::int32_t, kItemCount> itemCells_{};
    std::vector<std::int64_t> numbers_;
};

// Whether the file gave more than half of the stat cells of its whole rows another value than
// before: a file of another edition, most likely. differs(item, column) tells, the column an
// index into kColumns.
template <typename Differs>
bool mostStatValuesDiffer(const Game& game, const TypedNumbers& typed, Differs&& differs) {
    std::int64_t given = 0;
    std::int64_t differing = 0;
    for (std::int32_t item = 0; item < kItemCount; ++item) {
        if (!typed.givesWholeRow(game.edition(), item)) continue;
        for (std::size_t ci = 0; ci < kColumns.size(); ++ci) {
            if (!typed.find(itemField(item, statCellIndex(ci)))) continue;
            ++given;
            if (differs(item, ci)) ++differing;
        }
    }
    return 2 * differing > given;
}

// Whether the number lies in what MAKE can show for the field: stored as typed.
constexpr bool numberFits(ColumnKind kind, std::int64_t v) {
    switch (kind) {
        case ColumnKind::U8: return v >= 0 && v <= 0xFF;
        case ColumnKind::S8: return v >= -0x80 && v <= 0x7F;
        case ColumnKind::U16: return v >= 0 && v <= 0xFFFF;
        case ColumnKind::S16: return v >= -0x8000 && v <= 0x7FFF;
    }
    return false;
}

}  // namespace vantedit
