#include "model/list_tables.h"

#include "model/attachments.h"
#include "model/table_span.h"

namespace vantedit {

namespace {

consteval bool listBlockIsContiguous() {
    for (const Edition& e : kEditions) {
        if (e.attachOffset - e.weaponAttachOffset < 0 || (e.attachOffset - e.weaponAttachOffset) % 4 != 0) return false;
        std::int32_t at = e.attachOffset;
        for (const NumericList& list : kNumericLists) {
            if (e.*list.start != at) return false;
            const std::int32_t length = e.*list.end - e.*list.start;
            if (length < 0 || length % list.recordSize != 0) return false;
            at = e.*list.end;
        }
        if (at != e.listEnd || e.listEnd > e.fileSize) return false;
    }
    return true;
}

consteval bool textTablesFitTheirEditions() {
    for (const Edition& e : kEditions) {
        if (e.ammoNameFirstOffset != e.ammoNameSecondOffset + kAmmoNameRecordSize * e.ammoNameCount) return false;
        if (ammoNameRecordOffset(e, AmmoNameText::Second, 0) < 0) return false;
        if (ammoNameRecordOffset(e, AmmoNameText::First, e.ammoNameFirstCount) > e.fileSize) return false;
        if (nameRecordOffset(e, kSoundNames, kSoundNames.count) > e.fileSize) return false;
        if (nameRecordOffset(e, kBurstNames, kBurstNames.count) > e.fileSize) return false;
        if (e.ammoNameFirstCount > e.ammoNameCount) return false;
    }
    return true;
}

// The table's records are the stretch before the list block.
consteval bool capacitiesAsKnown() {
    for (const Edition& e : kEditions) {
        if ((e.attachOffset - e.weaponAttachOffset) / 4 != e.attachCapacity) return false;
        if (weaponAttachCapacity(e) > kMaxWeaponAttachCapacity) return false;
    }
    return true;
}

// What a run reads of the executable lies inside it and is a small part of it.
consteval bool tableSpansAreSmall() {
    for (const Edition& e : kEditions) {
        const ByteSpan span = tableSpan(e);
        if (span.begin < 0 || span.end > e.fileSize || span.size() > e.fileSize / 6) return false;
    }
    return true;
}

static_assert(listBlockIsContiguous());
static_assert(tableSpansAreSmall());
static_assert(textTablesFitTheirEditions());
static_assert(capacitiesAsKnown());

}  // namespace

std::uint16_t readListValue(ByteView image, const Edition& e, const NumericList& list, std::int32_t record, int value) {
    return image.u16(static_cast<std::size_t>(listValueOffset(e, list, record, value)));
}

void storeListValue(MutableByteView image, const Edition& e, const NumericList& list, std::int32_t record, int value,
                    std::int32_t number) {
    image.setU16(static_cast<std::size_t>(listValueOffset(e, list, record, value)), static_cast<std::uint16_t>(number));
}

std::string readAmmoNameText(ByteView image, const Edition& e, AmmoNameText text, std::int32_t record) {
    const std::int64_t at = ammoNameRecordOffset(e, text, record);
    std::string value;
    for (int j = 0; j < kAmmoNameRecordSize / 2; ++j) {
        const std::uint8_t c = image.u8(static_cast<std::size_t>(at + 2 * j));
        if (c == 0) break;
        value.push_back(static_cast<char>(c));
    }
    return value;
}

void storeAmmoNameText(MutableByteView image, const Edition& e, AmmoNameText text, std::int32_t record,
                       std::string_view value) {
    const auto at = static_cast<std::size_t>(ammoNameRecordOffset(e, text, record));
    value = value.substr(0, kAmmoNameMaxLength);
    for (std::size_t j = 0; j < value.size(); ++j) image.setU8(at + 2 * j, static_cast<std::uint8_t>(value[j]));
    image.setU8(at + 2 * value.size(), 0);
}

std::string readName(ByteView image, const Edition& e, const NameTable& table, std::int32_t record) {
    const std::int64_t at = nameRecordOffset(e, table, record);
    std::string value;
    for (int j = 0; j < table.recordSize; ++j) {
        const std::uint8_t c = image.u8(static_cast<std::size_t>(at + j));
        if (c == 0) break;
        value.push_back(static_cast<char>(c));
    }
    return value;
}

void storeName(MutableByteView image, const Edition& e, const NameTable& table, std::int32_t record,
               std::string_view value) {
    const auto at = static_cast<std::size_t>(nameRecordOffset(e, table, record));
    value = value.substr(0, static_cast<std::size_t>(table.recordSize - 1));
    for (std::size_t j = 0; j < value.size(); ++j) image.setU8(at + j, static_cast<std::uint8_t>(value[j]));
    image.setU8(at + value.size(), 0);
}

}  // namespace vantedit
