// The game's fixed list tables: attachments, exclusions, combinations, conversions,
// ammunition names, sound names and burst names.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/editions.h"
#include "model/byte_view.h"

namespace vantedit {

// The seven lists of 16-bit numbers, in the order the stats file lists them.
struct NumericList {
    std::string_view keyword;
    std::int32_t Edition::*start;
    std::int32_t Edition::*end;
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

inline constexpr int kAmmoNameRecordSize = 40;  // 20 characters of 16 bits
inline constexpr int kAmmoNameMaxLength = 19;
inline constexpr int kSoundNameCount = 291;
inline constexpr int kSoundNameRecordSize = 255;
inline constexpr int kBurstNameCount = 34;
inline constexpr int kBurstNameRecordSize = 15;

constexpr int listValueCount(const NumericList& list) { return list.recordSize / 2; }
constexpr std::int32_t listRecordCount(const Edition& e, const NumericList& list) {
    return (e.*list.end - e.*list.start) / list.recordSize;
}
constexpr std::int64_t listValueOffset(const Edition& e, const NumericList& list, std::int32_t record, int value) {
    return std::int64_t{e.*list.start} + std::int64_t{record} * list.recordSize + 2 * value;
}
constexpr std::int32_t weaponAttachCapacity(const Edition& e) { return (e.attachOffset - e.weaponAttachOffset) / 4; }

// Both AmmoName tables begin one record before the offset the edition stores:
// record r lies at offset + 40 x (r - 1).
constexpr std::int64_t ammoNameRecordOffset(std::int32_t tableOffset, std::int32_t record) {
    return std::int64_t{tableOffset} + std::int64_t{kAmmoNameRecordSize} * (std::int64_t{record} - 1);
}
constexpr std::int64_t soundNameOffset(const Edition& e, std::int32_t record) {
    return std::int64_t{e.soundNameOffset} + std::int64_t{kSoundNameRecordSize} * record;
}
constexpr std::int64_t burstNameOffset(const Edition& e, std::int32_t record) {
    return std::int64_t{e.burstNameOffset} + std::int64_t{kBurstNameRecordSize} * record;
}

// An AmmoName text: the low byte of each 16-bit character up to the first 0, never past its record.
std::string readAmmoNameText(const ByteView& image, std::int64_t recordOffset);
// A sound or burst name: the bytes up to the first 0, never past its record.
std::string readByteName(const ByteView& image, std::int64_t recordOffset, int recordSize);

}  // namespace vantedit
