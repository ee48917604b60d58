#include "model/attachments.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace vantedit {

namespace {

consteval bool weaponRowsFit() {
    for (const Edition& e : kEditions) {
        if (sectionRecord(e, Section::Weapons).lastItem >= static_cast<std::int32_t>(kMaxWeaponRows)) return false;
    }
    return true;
}
static_assert(weaponRowsFit());

bool inTable(const Edition& e, std::int32_t record) { return record >= 0 && record < weaponAttachCapacity(e); }

std::size_t recordOffset(const Edition& e, std::int32_t record) {
    return static_cast<std::size_t>(std::int64_t{e.weaponAttachOffset} + std::int64_t{4} * record);
}

}  // namespace

std::uint32_t readWeaponAttachRecord(ByteView image, const Edition& e, std::int32_t record) {
    return inTable(e, record) ? image.u32(recordOffset(e, record)) : 0;
}

void storeWeaponAttachRecord(MutableByteView image, const Edition& e, std::int32_t record, std::uint32_t pair) {
    if (inTable(e, record)) image.setU32(recordOffset(e, record), pair);
}

WeaponAttachRecords readWeaponAttachTable(ByteView image, const Edition& e) {
    WeaponAttachRecords records{};
    for (std::int32_t r = 0; r < weaponAttachCapacity(e); ++r)
        records[static_cast<std::size_t>(r)] = readWeaponAttachRecord(image, e, r);
    return records;
}

std::span<const std::uint32_t> distinctPairs(WeaponAttachRecords& records) {
    std::sort(records.begin(), records.end());
    const auto end = std::unique(records.begin(), records.end());
    return {std::find_if(records.begin(), end, [](std::uint32_t pair) { return pair != 0; }), end};
}

bool attachmentPairExists(ByteView image, const Edition& edition, std::int32_t weapon, std::int32_t attachment) {
    const std::uint32_t wanted = attachmentPair(weapon & 0xFFFF, attachment);
    // MAKE asks this for every weapon row and kind of attachment: the table is searched as
    // it lies in the image, its stretch checked once, not one record at a time.
    // An image too short for the table (no game's) holds no pair.
    const auto records = static_cast<std::size_t>(weaponAttachCapacity(edition));
    if (!image.contains(recordOffset(edition, 0), 4 * records)) return false;
    const std::array<std::uint8_t, 4> stored = {
        static_cast<std::uint8_t>(wanted), static_cast<std::uint8_t>(wanted >> 8),
        static_cast<std::uint8_t>(wanted >> 16), static_cast<std::uint8_t>(wanted >> 24)};
    const std::uint8_t* table = image.bytes().data() + recordOffset(edition, 0);
    for (std::size_t r = 0; r < records; ++r) {
        if (std::memcmp(table + 4 * r, stored.data(), stored.size()) == 0) return true;
    }
    return false;
}

bool setAttachmentPair(MutableByteView image, const Edition& e, std::uint32_t pair, bool present) {
    const WeaponAttachRecords records = readWeaponAttachTable(image, e);
    const auto end = records.begin() + weaponAttachCapacity(e);
    for (auto at = records.begin(); at != end; ++at) {
        const auto r = static_cast<std::int32_t>(at - records.begin());
        if (present && (*at == 0 || std::find(records.begin(), at, *at) != at)) {
            storeWeaponAttachRecord(image, e, r, pair);
            return true;
        }
        if (present || *at != pair) continue;
        // A freed record takes a copy of another pair, the nearest before it first, so the
        // table still reads as pairs and then copies.
        const auto other = [&](std::uint32_t p) { return p != pair && p != 0; };
        const auto before = std::find_if(std::make_reverse_iterator(at), records.rend(), other);
        const auto after = std::find_if(at + 1, end, other);
        storeWeaponAttachRecord(image, e, r, before != records.rend() ? *before : after != end ? *after : 0);
    }
    return !present;
}

}  // namespace vantedit
