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

inline constexpr Column kEmptySlot = {0, ColumnKind::Empty, ""};

inline constexpr std::array<Column, kSectionCount * kSlotsPerSection> kColumns = {{
    // section 0, "Weapons"
    {0, ColumnKind::U8, "Class1"},           {1, ColumnKind::U8, "Class2"},
    {2, ColumnKind::U8, "Ammo Type"},        {3, ColumnKind::U8, "Draw Cost"},
    {4, ColumnKind::U8, "Fire Rate"},        {5, ColumnKind::U8, "Burst Size"},
    {6, ColumnKind::U8, "Burst Pen"},        {7, ColumnKind::U8, "Velocity"},
    {8, ColumnKind::U8, "Damage"},           {9, ColumnKind::U8, "Prestige"},
    {10, ColumnKind::U8, "Unknown"},         {11, ColumnKind::U8, "Clip Size"},
    {12, ColumnKind::U16, "Range"},          {14, ColumnKind::U8, "Unknown"},
    {15, ColumnKind::U8, "Unknown"},         {16, ColumnKind::U8, "Loudness"},
    {17, ColumnKind::U8, "Unknown"},         {18, ColumnKind::U16, "Fire Sound"},
    kEmptySlot,                              {20, ColumnKind::U16, "Burst Sound (Unused)"},
    kEmptySlot,                              {22, ColumnKind::U16, "Reload Sound 1"},
    kEmptySlot,                              {24, ColumnKind::U16, "Reload Sound 2"},
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    // section 1, "All Items"
    {0, ColumnKind::U8, "Attack Type"},      {1, ColumnKind::U8, "Usage"},
    {2, ColumnKind::U8, "Unknown"},          {3, ColumnKind::U8, "Unknown"},
    {4, ColumnKind::U8, "Special Offset"},   {5, ColumnKind::U8, "Cursor Type"},
    {6, ColumnKind::U8, "Unknown"},          {7, ColumnKind::U8, "Graphic1"},
    {8, ColumnKind::U8, "Graphic2"},         {9, ColumnKind::U8, "Weight"},
    {10, ColumnKind::U8, "Size"},            {11, ColumnKind::U8, "Unknown"},
    {12, ColumnKind::U16, "Price"},          {14, ColumnKind::U8, "Progress"},
    {15, ColumnKind::S8, "Durability"},      {16, ColumnKind::S8, "Repair"},
    {17, ColumnKind::U8, "Unknown"},         {18, ColumnKind::U8, "Hands"},
    {19, ColumnKind::U8, "Availability"},
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    kEmptySlot, kEmptySlot,
    // section 2, "Ammo Clips"
    {0, ColumnKind::U8, "Clip Type"},        {1, ColumnKind::U8, "Clip Size"},
    {2, ColumnKind::U8, "Clip Kind"},
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    // section 3, "Armour"
    {0, ColumnKind::U8, "Armour Type"},      {1, ColumnKind::U8, "Armour Strength"},
    {2, ColumnKind::U8, "Armour Durabilty"},
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    // section 4, "Explosives"
    {0, ColumnKind::U8, "Exp Type"},         {1, ColumnKind::U8, "Exp Damage"},
    {2, ColumnKind::U8, "Exp Breath"},       {3, ColumnKind::U8, "Exp Radius"},
    {4, ColumnKind::U8, "Unknown (Sound?)"}, {5, ColumnKind::U8, "Stability"},
    {6, ColumnKind::U8, "Animation"},
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    // section 5, "Halvek's"
    {0, ColumnKind::U8, "Halvek's Stock"},   {1, ColumnKind::U8, "HV's Used Stock"},
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    kEmptySlot,
    // section 6, "Halvek's 2"
    {0, ColumnKind::S16, "HV's Fire Rate"},
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot, kEmptySlot,
    kEmptySlot, kEmptySlot,
}};
// clang-format on

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
