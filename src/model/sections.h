// The seven stat tables (sections) of every edition and the columns of their records.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "app/editions.h"
#include "model/byte_view.h"

namespace vantedit {

inline constexpr int kSectionCount = 7;
inline constexpr int kSlotsPerSection = 30;
inline constexpr int kItemCount = 351;
inline constexpr int kColumnCount = 56;

enum Section : int { kWeapons = 0, kAllItems, kAmmoClips, kArmour, kExplosives, kHalveks, kHalveks2 };

struct SectionRecord {
    std::int32_t fileOffset;
    std::int32_t firstItem;
    std::int32_t lastItem;
    std::int32_t recordSize;
    std::string_view name;
};

// The column kind is the whole 8-bit code the game's tables use.
enum class ColumnKind : std::uint8_t { Empty = 0, U8 = 1, U16 = 2, S16 = 254, S8 = 255 };

struct Column {
    std::int16_t recordOffset;
    ColumnKind kind;
    std::string_view heading;
};

// clang-format off
inline constexpr std::array<SectionRecord, kEditionCount * kSectionCount> kSections = {{
//   fileOffset first last size  name
    {0x23E868,   0,  70, 26, "Weapons"},      // edition 0
    {0x23C570,   0, 350, 20, "All Items"},
    {0x23EFA0,  71, 120,  3, "Ammo Clips"},
    {0x23F03C, 161, 198,  3, "Armour"},
    {0x23F0B1, 131, 160,  7, "Explosives"},
    {0x28A274,   0, 350,  2, "Halvek's"},
    {0x28A534,   0,  70,  2, "Halvek's 2"},
    {0x223620,   0,  69, 26, "Weapons"},      // edition 1
    {0x2213F0,   0, 350, 20, "All Items"},
    {0x223D3C,  71, 118,  3, "Ammo Clips"},
    {0x223DC8, 161, 198,  3, "Armour"},
    {0x223E39, 131, 160,  7, "Explosives"},
    {0x265808,   0, 350,  2, "Halvek's"},
    {0x265AC8,   0,  69,  2, "Halvek's 2"},
    {0x223610,   0,  69, 26, "Weapons"},      // edition 2
    {0x2213E0,   0, 350, 20, "All Items"},
    {0x223D2C,  71, 118,  3, "Ammo Clips"},
    {0x223DB8, 161, 198,  3, "Armour"},
    {0x223E29, 131, 160,  7, "Explosives"},
    {0x2658A8,   0, 350,  2, "Halvek's"},
    {0x265B68,   0,  69,  2, "Halvek's 2"},
    {0x3510E8,   0,  69, 26, "Weapons"},      // edition 3
    {0x34E948,   0, 350, 20, "All Items"},
    {0x351804,  71, 118,  3, "Ammo Clips"},
    {0x351890, 161, 198,  3, "Armour"},
    {0x351901, 131, 160,  7, "Explosives"},
    {0x3AC1F4,   0, 350,  2, "Halvek's"},
    {0x3AC4B4,   0,  69,  2, "Halvek's 2"},
    {0x203C80,   0,  69, 26, "Weapons"},      // edition 4
    {0x2017F8,   0, 350, 20, "All Items"},
    {0x1EA840,  71, 129,  3, "Ammo Clips"},
    {0x204430, 161, 198,  3, "Armour"},
    {0x2044A0, 131, 160,  7, "Explosives"},
    {0x2439E0,   0, 350,  2, "Halvek's"},
    {0x243CA0,   0,  69,  2, "Halvek's 2"},
    {0x23C818,   0,  70, 26, "Weapons"},      // edition 5
    {0x23A510,   0, 350, 20, "All Items"},
    {0x23CF50,  71, 120,  3, "Ammo Clips"},
    {0x23CFEC, 161, 198,  3, "Armour"},
    {0x23D061, 131, 160,  7, "Explosives"},
    {0x288284,   0, 350,  2, "Halvek's"},
    {0x288544,   0,  70,  2, "Halvek's 2"},
    {0x23C818,   0,  70, 26, "Weapons"},      // edition 6
    {0x23A510,   0, 350, 20, "All Items"},
    {0x23CF50,  71, 120,  3, "Ammo Clips"},
    {0x23CFEC, 161, 198,  3, "Armour"},
    {0x23D061, 131, 160,  7, "Explosives"},
    {0x286C84,   0, 350,  2, "Halvek's"},
    {0x286F44,   0,  70,  2, "Halvek's 2"},
}};

// Every non-empty column slot; all other slots are empty. The section's record size is in
// kSections.
struct ColumnRow {
    int section;
    int slot;
    std::int16_t recordOffset;
    ColumnKind kind;
    std::string_view heading;
};

inline constexpr std::array<ColumnRow, kColumnCount> kColumnRows = {{
//   sec slot offset kind            heading
    // section 0, "Weapons"
    {0,  0,  0, ColumnKind::U8,  "Class1"},
    {0,  1,  1, ColumnKind::U8,  "Class2"},
    {0,  2,  2, ColumnKind::U8,  "Ammo Type"},
    {0,  3,  3, ColumnKind::U8,  "Draw Cost"},
    {0,  4,  4, ColumnKind::U8,  "Fire Rate"},
    {0,  5,  5, ColumnKind::U8,  "Burst Size"},
    {0,  6,  6, ColumnKind::U8,  "Burst Pen"},
    {0,  7,  7, ColumnKind::U8,  "Velocity"},
    {0,  8,  8, ColumnKind::U8,  "Damage"},
    {0,  9,  9, ColumnKind::U8,  "Prestige"},
    {0, 10, 10, ColumnKind::U8,  "Unknown"},
    {0, 11, 11, ColumnKind::U8,  "Clip Size"},
    {0, 12, 12, ColumnKind::U16, "Range"},
    {0, 13, 14, ColumnKind::U8,  "Unknown"},
    {0, 14, 15, ColumnKind::U8,  "Unknown"},
    {0, 15, 16, ColumnKind::U8,  "Loudness"},
    {0, 16, 17, ColumnKind::U8,  "Unknown"},
    {0, 17, 18, ColumnKind::U16, "Fire Sound"},
    {0, 19, 20, ColumnKind::U16, "Burst Sound (Unused)"},
    {0, 21, 22, ColumnKind::U16, "Reload Sound 1"},
    {0, 23, 24, ColumnKind::U16, "Reload Sound 2"},
    // section 1, "All Items"
    {1,  0,  0, ColumnKind::U8,  "Attack Type"},
    {1,  1,  1, ColumnKind::U8,  "Usage"},
    {1,  2,  2, ColumnKind::U8,  "Unknown"},
    {1,  3,  3, ColumnKind::U8,  "Unknown"},
    {1,  4,  4, ColumnKind::U8,  "Special Offset"},
    {1,  5,  5, ColumnKind::U8,  "Cursor Type"},
    {1,  6,  6, ColumnKind::U8,  "Unknown"},
    {1,  7,  7, ColumnKind::U8,  "Graphic1"},
    {1,  8,  8, ColumnKind::U8,  "Graphic2"},
    {1,  9,  9, ColumnKind::U8,  "Weight"},
    {1, 10, 10, ColumnKind::U8,  "Size"},
    {1, 11, 11, ColumnKind::U8,  "Unknown"},
    {1, 12, 12, ColumnKind::U16, "Price"},
    {1, 13, 14, ColumnKind::U8,  "Progress"},
    {1, 14, 15, ColumnKind::S8,  "Durability"},
    {1, 15, 16, ColumnKind::S8,  "Repair"},
    {1, 16, 17, ColumnKind::U8,  "Unknown"},
    {1, 17, 18, ColumnKind::U8,  "Hands"},
    {1, 18, 19, ColumnKind::U8,  "Availability"},
    // section 2, "Ammo Clips"
    {2,  0,  0, ColumnKind::U8,  "Clip Type"},
    {2,  1,  1, ColumnKind::U8,  "Clip Size"},
    {2,  2,  2, ColumnKind::U8,  "Clip Kind"},
    // section 3, "Armour"
    {3,  0,  0, ColumnKind::U8,  "Armour Type"},
    {3,  1,  1, ColumnKind::U8,  "Armour Strength"},
    {3,  2,  2, ColumnKind::U8,  "Armour Durabilty"},
    // section 4, "Explosives"
    {4,  0,  0, ColumnKind::U8,  "Exp Type"},
    {4,  1,  1, ColumnKind::U8,  "Exp Damage"},
    {4,  2,  2, ColumnKind::U8,  "Exp Breath"},
    {4,  3,  3, ColumnKind::U8,  "Exp Radius"},
    {4,  4,  4, ColumnKind::U8,  "Unknown (Sound?)"},
    {4,  5,  5, ColumnKind::U8,  "Stability"},
    {4,  6,  6, ColumnKind::U8,  "Animation"},
    // section 5, "Halvek's"
    {5,  0,  0, ColumnKind::U8,  "Halvek's Stock"},
    {5,  1,  1, ColumnKind::U8,  "HV's Used Stock"},
    // section 6, "Halvek's 2"
    {6,  0,  0, ColumnKind::S16, "HV's Fire Rate"},
}};
// clang-format on

// The 7 x 30 slots, slot k of section s at s x 30 + k.
consteval std::array<Column, kSectionCount * kSlotsPerSection> columnSlots() {
    std::array<Column, kSectionCount * kSlotsPerSection> slots{};
    for (Column& c : slots) c = {0, ColumnKind::Empty, ""};
    for (const ColumnRow& row : kColumnRows) {
        slots[static_cast<std::size_t>(row.section * kSlotsPerSection + row.slot)] = {row.recordOffset, row.kind,
                                                                                     row.heading};
    }
    return slots;
}

inline constexpr std::array<Column, kSectionCount * kSlotsPerSection> kColumns = columnSlots();

constexpr const SectionRecord& sectionRecord(int edition, int section) {
    return kSections[static_cast<std::size_t>(edition * kSectionCount + section)];
}
constexpr const Column& column(int section, int slot) {
    return kColumns[static_cast<std::size_t>(section * kSlotsPerSection + slot)];
}
constexpr int columnWidth(ColumnKind kind) {
    return (kind == ColumnKind::U16 || kind == ColumnKind::S16) ? 2 : (kind == ColumnKind::Empty ? 0 : 1);
}
constexpr bool sectionHoldsItem(const SectionRecord& s, std::int32_t item) {
    return s.firstItem <= item && item <= s.lastItem;
}
// Only valid for an item the section holds.
constexpr std::int64_t valueOffset(const SectionRecord& s, const Column& c, std::int32_t item) {
    return std::int64_t{s.fileOffset} + (std::int64_t{item} - s.firstItem) * s.recordSize + c.recordOffset;
}

// The value as MAKE prints it: zero- or sign-extended by the column kind.
std::int32_t readColumnValue(const ByteView& image, const SectionRecord& s, const Column& c, std::int32_t item);
// Stores the low 8 or 16 bits of the number; no range check against the width.
void storeColumnValue(ByteView& image, const SectionRecord& s, const Column& c, std::int32_t item, std::int32_t value);

}  // namespace vantedit
