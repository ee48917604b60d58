// The eight kinds of weapon attachment that have yes/no columns in the stats file, and
// the game's weapon attachment table: its records, its capacity and its lookup.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "model/byte_view.h"
#include "model/editions.h"
#include "model/sections.h"

namespace vantedit {

struct AttachmentKind {
    std::int32_t item;
    std::string_view name;
};

inline constexpr std::size_t kAttachmentKindCount = 8;

// clang-format off
inline constexpr std::array<AttachmentKind, kAttachmentKindCount> kAttachmentKinds = {{
//   item  name
    {207, "Silencer"},
    {241, "Laser Scope"},
    {208, "Sniper Scope"},
    {209, "Bipod"},
    { 50, "Talon"},
    {244, "Duckbill"},
    {307, "Rod & Spring"},
    {310, "Barrel Extender"},
}};
// clang-format on

// Weapon in the high half, attachment in the low half: one table record, stored little-endian.
constexpr std::uint32_t attachmentPair(std::int32_t weapon, std::int32_t attachment) {
    return (static_cast<std::uint32_t>(weapon) << 16) + (static_cast<std::uint32_t>(attachment) & 0xFFFF);
}

constexpr std::int32_t pairWeapon(std::uint32_t pair) { return static_cast<std::int32_t>(pair >> 16); }
constexpr std::int32_t pairAttachment(std::uint32_t pair) { return static_cast<std::int32_t>(pair & 0xFFFF); }

// The kind whose item is the attachment, compared as 16-bit values; kAttachmentKindCount
// when the attachment is none of the eight.
constexpr std::size_t attachmentKindIndex(std::int32_t attachment) {
    std::size_t k = 0;
    while (k < kAttachmentKinds.size() &&
           static_cast<std::uint16_t>(kAttachmentKinds[k].item) != static_cast<std::uint16_t>(attachment)) {
        ++k;
    }
    return k;
}

// No edition's Weapons section holds more weapons than this.
inline constexpr std::size_t kMaxWeaponRows = 71;

// The weapon rows: the attachment columns exist for items 0 to the Weapons section's last.
constexpr bool isWeaponRow(const Edition& e, std::int32_t item) {
    return item >= 0 && item <= sectionRecord(e, Section::Weapons).lastItem;
}

constexpr std::int32_t weaponAttachCapacity(const Edition& e) { return e.attachCapacity; }
inline constexpr std::int32_t kMaxWeaponAttachCapacity = 227;  // over every edition

// Record r of the weapon attachment table, 0 to the capacity; outside it reads 0 and
// writes nothing.
std::uint32_t readWeaponAttachRecord(ByteView image, const Edition& e, std::int32_t record);
void storeWeaponAttachRecord(MutableByteView image, const Edition& e, std::int32_t record, std::uint32_t pair);

// The whole table: its records, then 0 up to the largest capacity.
using WeaponAttachRecords = std::array<std::uint32_t, kMaxWeaponAttachCapacity>;
WeaponAttachRecords readWeaponAttachTable(ByteView image, const Edition& e);
// Sorts the records and returns the distinct pairs among them: a record of 0 is no pair.
std::span<const std::uint32_t> distinctPairs(WeaponAttachRecords& records);

bool attachmentPairExists(ByteView image, const Edition& edition, std::int32_t weapon, std::int32_t attachment);

// Adds the pair in the table's first free record (one that holds 0 or a copy of an earlier
// one, as a rebuild fills the table's end), or frees every record that holds it, so that the
// rest of the table keeps its bytes. False when no record is free.
bool setAttachmentPair(MutableByteView image, const Edition& e, std::uint32_t pair, bool present);

}  // namespace vantedit
