// The seven stat tables (sections) of every edition and the columns of their records.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "model/byte_view.h"
#include "model/editions.h"

namespace vantedit {

inline constexpr int kSectionCount = 7;
inline constexpr int kItemCount = 351;
inline constexpr int kColumnCount = 56;

enum class Section { Weapons, AllItems, AmmoClips, Armour, Explosives, Halveks, Halveks2 };

inline constexpr std::array<Section, kSectionCount> kAllSections = {
    Section::Weapons,    Section::AllItems, Section::AmmoClips, Section::Armour,
    Section::Explosives, Section::Halveks,  Section::Halveks2};

constexpr std::size_t sectionIndex(Section s) { return static_cast<std::size_t>(s); }

// What a section is in every edition: its records follow one another with no gap.
struct SectionShape {
    std::string_view name;
    std::int32_t recordSize;
    std::int32_t firstItem;
};

// clang-format off
inline constexpr std::array<SectionShape, kSectionCount> kSectionShapes = {{
//   name          size first
    {"Weapons",      26,   0},
    {"All Items",    20,   0},
    {"Ammo Clips",    3,  71},
    {"Armour",        3, 161},
    {"Explosives",    7, 131},
    {"Halvek's",      2,   0},
    {"Halvek's 2",    2,   0},
}};
// clang-format on

// Where an edition keeps a section: the record of firstItem, and the last item it holds.
struct SectionPlacement {
    std::int32_t fileOffset;
    std::int32_t lastItem;
};

// One row per edition, in the order of the edition table; one cell per section.
// clang-format off
inline constexpr std::array<std::array<SectionPlacement, kSectionCount>, kEditionCount> kSectionPlacements = {{
//    Weapons          All Items         Ammo Clips        Armour            Explosives        Halvek's          Halvek's 2
    {{{0x23E868, 70}, {0x23C570, 350}, {0x23EFA0, 120}, {0x23F03C, 198}, {0x23F0B1, 160}, {0x28A274, 350}, {0x28A534, 70}}},
    {{{0x223620, 69}, {0x2213F0, 350}, {0x223D3C, 118}, {0x223DC8, 198}, {0x223E39, 160}, {0x265808, 350}, {0x265AC8, 69}}},
    {{{0x223610, 69}, {0x2213E0, 350}, {0x223D2C, 118}, {0x223DB8, 198}, {0x223E29, 160}, {0x2658A8, 350}, {0x265B68, 69}}},
    {{{0x3510E8, 69}, {0x34E948, 350}, {0x351804, 118}, {0x351890, 198}, {0x351901, 160}, {0x3AC1F4, 350}, {0x3AC4B4, 69}}},
    {{{0x203C80, 69}, {0x2017F8, 350}, {0x1EA840, 129}, {0x204430, 198}, {0x2044A0, 160}, {0x2439E0, 350}, {0x243CA0, 69}}},
    {{{0x23C818, 70}, {0x23A510, 350}, {0x23CF50, 120}, {0x23CFEC, 198}, {0x23D061, 160}, {0x288284, 350}, {0x288544, 70}}},
    {{{0x23C818, 70}, {0x23A510, 350}, {0x23CF50, 120}, {0x23CFEC, 198}, {0x23D061, 160}, {0x286C84, 350}, {0x286F44, 70}}},
}};
// clang-format on

// A section as one edition has it.
struct SectionRecord {
    std::int32_t fileOffset;
    std::int32_t firstItem;
    std::int32_t lastItem;
    std::int32_t recordSize;
    std::string_view name;
};

constexpr SectionRecord sectionRecord(const Edition& edition, Section s) {
    const SectionShape& shape = kSectionShapes[sectionIndex(s)];
    const SectionPlacement& at = kSectionPlacements[static_cast<std::size_t>(editionIndex(edition))][sectionIndex(s)];
    return {at.fileOffset, shape.firstItem, at.lastItem, shape.recordSize, shape.name};
}

// The column kind is the whole 8-bit code the game's tables use.
enum class ColumnKind : std::uint8_t { U8 = 1, U16 = 2, S16 = 254, S8 = 255 };

struct Column {
    Section section;
    std::int16_t recordOffset;
    ColumnKind kind;
    std::string_view heading;
    // The older 72- and 73-heading files carry one more field after this column.
    bool olderLayoutsAddField;
};

// The 56 columns in the order of the stats file.
// clang-format off
inline constexpr std::array<Column, kColumnCount> kColumns = {{
//   section         offset kind             heading                   older field
    {Section::Weapons,    0, ColumnKind::U8,  "Class1",                false},
    {Section::Weapons,    1, ColumnKind::U8,  "Class2",                false},
    {Section::Weapons,    2, ColumnKind::U8,  "Ammo Type",             false},
    {Section::Weapons,    3, ColumnKind::U8,  "Draw Cost",             false},
    {Section::Weapons,    4, ColumnKind::U8,  "Fire Rate",             false},
    {Section::Weapons,    5, ColumnKind::U8,  "Burst Size",            false},
    {Section::Weapons,    6, ColumnKind::U8,  "Burst Pen",             false},
    {Section::Weapons,    7, ColumnKind::U8,  "Velocity",              false},
    {Section::Weapons,    8, ColumnKind::U8,  "Damage",                false},
    {Section::Weapons,    9, ColumnKind::U8,  "Prestige",              false},
    {Section::Weapons,   10, ColumnKind::U8,  "Unknown",               false},
    {Section::Weapons,   11, ColumnKind::U8,  "Clip Size",             false},
    {Section::Weapons,   12, ColumnKind::U16, "Range",                 false},
    {Section::Weapons,   14, ColumnKind::U8,  "Unknown",               false},
    {Section::Weapons,   15, ColumnKind::U8,  "Unknown",               false},
    {Section::Weapons,   16, ColumnKind::U8,  "Loudness",              false},
    {Section::Weapons,   17, ColumnKind::U8,  "Unknown",               false},
    {Section::Weapons,   18, ColumnKind::U16, "Fire Sound",            true },
    {Section::Weapons,   20, ColumnKind::U16, "Burst Sound (Unused)",  true },
    {Section::Weapons,   22, ColumnKind::U16, "Reload Sound 1",        true },
    {Section::Weapons,   24, ColumnKind::U16, "Reload Sound 2",        true },
    {Section::AllItems,   0, ColumnKind::U8,  "Attack Type",           false},
    {Section::AllItems,   1, ColumnKind::U8,  "Usage",                 false},
    {Section::AllItems,   2, ColumnKind::U8,  "Unknown",               false},
    {Section::AllItems,   3, ColumnKind::U8,  "Unknown",               false},
    {Section::AllItems,   4, ColumnKind::U8,  "Special Offset",        false},
    {Section::AllItems,   5, ColumnKind::U8,  "Cursor Type",           false},
    {Section::AllItems,   6, ColumnKind::U8,  "Unknown",               false},
    {Section::AllItems,   7, ColumnKind::U8,  "Graphic1",              false},
    {Section::AllItems,   8, ColumnKind::U8,  "Graphic2",              false},
    {Section::AllItems,   9, ColumnKind::U8,  "Weight",                false},
    {Section::AllItems,  10, ColumnKind::U8,  "Size",                  false},
    {Section::AllItems,  11, ColumnKind::U8,  "Unknown",               false},
    {Section::AllItems,  12, ColumnKind::U16, "Price",                 false},
    {Section::AllItems,  14, ColumnKind::U8,  "Progress",              false},
    {Section::AllItems,  15, ColumnKind::S8,  "Durability",            false},
    {Section::AllItems,  16, ColumnKind::S8,  "Repair",                false},
    {Section::AllItems,  17, ColumnKind::U8,  "Unknown",               false},
    {Section::AllItems,  18, ColumnKind::U8,  "Hands",                 false},
    {Section::AllItems,  19, ColumnKind::U8,  "Availability",          false},
    {Section::AmmoClips,  0, ColumnKind::U8,  "Clip Type",             false},
    {Section::AmmoClips,  1, ColumnKind::U8,  "Clip Size",             false},
    {Section::AmmoClips,  2, ColumnKind::U8,  "Clip Kind",             false},
    {Section::Armour,     0, ColumnKind::U8,  "Armour Type",           false},
    {Section::Armour,     1, ColumnKind::U8,  "Armour Strength",       false},
    {Section::Armour,     2, ColumnKind::U8,  "Armour Durabilty",      false},
    {Section::Explosives,  0, ColumnKind::U8,  "Exp Type",              false},
    {Section::Explosives,  1, ColumnKind::U8,  "Exp Damage",            false},
    {Section::Explosives,  2, ColumnKind::U8,  "Exp Breath",            false},
    {Section::Explosives,  3, ColumnKind::U8,  "Exp Radius",            false},
    {Section::Explosives,  4, ColumnKind::U8,  "Unknown (Sound?)",      false},
    {Section::Explosives,  5, ColumnKind::U8,  "Stability",             false},
    {Section::Explosives,  6, ColumnKind::U8,  "Animation",             false},
    {Section::Halveks,    0, ColumnKind::U8,  "Halvek's Stock",        false},
    {Section::Halveks,    1, ColumnKind::U8,  "HV's Used Stock",       false},
    {Section::Halveks2,   0, ColumnKind::S16, "HV's Fire Rate",        false},
}};
// clang-format on

// The columns of one section, in file order.
constexpr std::span<const Column> sectionColumns(Section s) {
    std::size_t first = 0;
    while (first < kColumns.size() && kColumns[first].section != s) ++first;
    std::size_t last = first;
    while (last < kColumns.size() && kColumns[last].section == s) ++last;
    return std::span<const Column>(kColumns).subspan(first, last - first);
}

constexpr int columnWidth(ColumnKind kind) { return (kind == ColumnKind::U16 || kind == ColumnKind::S16) ? 2 : 1; }
// The number's low 16 bits, little-endian: a byte column stores the first of them.
constexpr std::array<std::uint8_t, 2> encodedValue(std::int64_t number) {
    const auto bits = static_cast<std::uint64_t>(number);
    return {static_cast<std::uint8_t>(bits & 0xFF), static_cast<std::uint8_t>((bits >> 8) & 0xFF)};
}
// The value MAKE shows once the number's low bits are stored in a column of the kind.
constexpr std::int32_t storedValue(ColumnKind kind, std::int64_t number) {
    const auto bits = static_cast<std::uint64_t>(number);
    switch (kind) {
        case ColumnKind::U8: return static_cast<std::uint8_t>(bits);
        case ColumnKind::S8: return static_cast<std::int8_t>(static_cast<std::uint8_t>(bits));
        case ColumnKind::U16: return static_cast<std::uint16_t>(bits);
        case ColumnKind::S16: return static_cast<std::int16_t>(static_cast<std::uint16_t>(bits));
    }
    return 0;
}
// One past the section's last byte.
constexpr std::int64_t sectionEnd(const SectionRecord& s) {
    return std::int64_t{s.fileOffset} + std::int64_t{s.lastItem - s.firstItem + 1} * s.recordSize;
}
constexpr bool sectionHoldsItem(const SectionRecord& s, std::int32_t item) {
    return s.firstItem <= item && item <= s.lastItem;
}
// Only valid for an item the section holds.
constexpr std::int64_t valueOffset(const SectionRecord& s, const Column& c, std::int32_t item) {
    return std::int64_t{s.fileOffset} + (std::int64_t{item} - s.firstItem) * s.recordSize + c.recordOffset;
}

// The item whose record in the section holds the byte at offset, or -1 when none does.
constexpr std::int32_t itemAtOffset(const SectionRecord& s, std::int64_t offset) {
    const std::int64_t into = offset - s.fileOffset;
    if (into < 0 || offset >= sectionEnd(s)) return -1;
    return static_cast<std::int32_t>(s.firstItem + into / s.recordSize);
}

// Calls visit(item, columnIndex) for each stat cell of another section whose bytes overlap
// those of the item's cell in kColumns[columnIndex]: one byte, two fields. Sections never
// overlap themselves, so only the other sections' spans are searched.
template <typename Visit>
void forEachSharingCell(const Edition& e, std::int32_t item, std::size_t columnIndex, Visit&& visit) {
    const Column& own = kColumns[columnIndex];
    const std::int64_t start = valueOffset(sectionRecord(e, own.section), own, item);
    const std::int64_t end = start + columnWidth(own.kind);
    for (std::size_t ci = 0; ci < kColumns.size(); ++ci) {
        const Column& c = kColumns[ci];
        if (c.section == own.section) continue;
        const SectionRecord s = sectionRecord(e, c.section);
        for (std::int64_t at = start; at < end; ++at) {
            const std::int32_t other = itemAtOffset(s, at);
            if (other < 0) continue;
            const std::int64_t from = valueOffset(s, c, other);
            if (at >= from && at < from + columnWidth(c.kind)) visit(other, ci);
        }
    }
}

// The value as MAKE prints it: zero- or sign-extended by the column kind.
std::int32_t readColumnValue(ByteView image, const SectionRecord& s, const Column& c, std::int32_t item);
// Stores the low 8 or 16 bits of the number; no range check against the width.
void storeColumnValue(MutableByteView image, const SectionRecord& s, const Column& c, std::int32_t item,
                      std::int32_t value);

}  // namespace vantedit
