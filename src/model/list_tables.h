// The game's fixed list tables: attachments, exclusions, combinations, conversions,
// ammunition names, sound names and burst names, read and written record by record.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/byte_view.h"
#include "model/editions.h"

namespace vantedit {

// The seven lists of 16-bit numbers, in the order the stats file lists them.
struct NumericList {
    std::string_view keyword;
    std::int32_t Edition::* start;
    std::int32_t Edition::* end;
    int recordSize;  // bytes
};

// clang-format off
inline constexpr std::array<NumericList, 7> kNumericLists = {{
//   keyword          start                         end                           size
    {"Attach",        &Edition::attachOffset,        &Edition::ammoAttachOffset,    4},
    {"AmmoAttach",    &Edition::ammoAttachOffset,    &Edition::excludeOffset,       4},
    {"Exclude",       &Edition::excludeOffset,       &Edition::combine2Offset,      4},
    {"Combine2",      &Edition::combine2Offset,      &Edition::combine3Offset,      8},
    {"Combine3",      &Edition::combine3Offset,      &Edition::convertWeaponOffset, 8},
    {"ConvertWeapon", &Edition::convertWeaponOffset, &Edition::convertAmmoOffset,   4},
    {"ConvertAmmo",   &Edition::convertAmmoOffset,   &Edition::listEnd,             4},
}};
// clang-format on

constexpr int listValueCount(const NumericList& list) { return list.recordSize / 2; }
constexpr std::int32_t listRecordCount(const Edition& e, const NumericList& list) {
    return (e.*list.end - e.*list.start) / list.recordSize;
}
constexpr std::int64_t listValueOffset(const Edition& e, const NumericList& list, std::int32_t record, int value) {
    return std::int64_t{e.*list.start} + std::int64_t{record} * list.recordSize + 2 * value;
}
// The low 16 bits of the number.
void storeListValue(MutableByteView image, const Edition& e, const NumericList& list, std::int32_t record, int value,
                    std::int32_t number);

// The two texts of an AmmoName line live in two tables of 40-byte records, 20 characters of
// 16 bits. The table of the second texts comes first in the image; the table of the first
// texts follows directly after its last record, and is shorter in some editions.
enum class AmmoNameText { First, Second };

inline constexpr int kAmmoNameRecordSize = 40;
inline constexpr int kAmmoNameMaxLength = 19;

// Both tables begin one record before the offset the edition stores:
// record r lies at offset + 40 x (r - 1).
constexpr std::int64_t ammoNameRecordOffset(std::int32_t tableOffset, std::int32_t record) {
    return std::int64_t{tableOffset} + std::int64_t{kAmmoNameRecordSize} * (std::int64_t{record} - 1);
}
constexpr std::int64_t ammoNameRecordOffset(const Edition& e, AmmoNameText text, std::int32_t record) {
    return ammoNameRecordOffset(text == AmmoNameText::First ? e.ammoNameFirstOffset : e.ammoNameSecondOffset, record);
}
constexpr std::int32_t ammoNameRecordCount(const Edition& e, AmmoNameText text) {
    return text == AmmoNameText::First ? e.ammoNameFirstCount : e.ammoNameCount;
}
// The low byte of each 16-bit character up to the first 0, never past its record.
std::string readAmmoNameText(ByteView image, const Edition& e, AmmoNameText text, std::int32_t record);
// Into the low byte of each character, then a 0; the high bytes keep what the game had.
// Never past the record: a longer text is cut at 19 characters.
void storeAmmoNameText(MutableByteView image, const Edition& e, AmmoNameText text, std::int32_t record,
                       std::string_view value);

// Sound and burst names: plain byte strings in fixed records.
struct NameTable {
    std::string_view keyword;
    std::int32_t Edition::* offset;
    std::int32_t count;
    int recordSize;  // bytes, the terminator included
};

// clang-format off
inline constexpr NameTable kSoundNames = {"Sound", &Edition::soundNameOffset, 291, 255};
inline constexpr NameTable kBurstNames = {"Burst", &Edition::burstNameOffset,  34,  15};
// clang-format on

constexpr std::int64_t nameRecordOffset(const Edition& e, const NameTable& table, std::int32_t record) {
    return std::int64_t{e.*table.offset} + std::int64_t{table.recordSize} * record;
}
// The bytes up to the first 0, never past the record.
std::string readName(ByteView image, const Edition& e, const NameTable& table, std::int32_t record);
// The bytes, then a 0; never past the record, so a longer text is cut.
void storeName(MutableByteView image, const Edition& e, const NameTable& table, std::int32_t record,
               std::string_view value);

}  // namespace vantedit
