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

// A text of one byte per character, every step bytes from at: up to its first 0, never past
// the most characters.
std::string readZeroEnded(ByteView image, std::int64_t at, int step, int most) {
    std::string value;
    for (int j = 0; j < most; ++j) {
        const std::uint8_t c = image.u8(static_cast<std::size_t>(at + step * j));
        if (c == 0) break;
        value.push_back(static_cast<char>(c));
    }
    return value;
}

// The text cut to the most characters, then a 0; the bytes between characters keep theirs.
void storeZeroEnded(MutableByteView image, std::int64_t at, std::size_t step, std::size_t most,
                    std::string_view value) {
    const auto to = static_cast<std::size_t>(at);
    value = value.substr(0, most);
    for (std::size_t j = 0; j < value.size(); ++j) image.setU8(to + step * j, static_cast<std::uint8_t>(value[j]));
    image.setU8(to + step * value.size(), 0);
}

}  // namespace

void storeListValue(MutableByteView image, const Edition& e, const NumericList& list, std::int32_t record, int value,
                    std::int32_t number) {
    image.setU16(static_cast<std::size_t>(listValueOffset(e, list, record, value)), static_cast<std::uint16_t>(number));
}

std::string readAmmoNameText(ByteView image, const Edition& e, AmmoNameText text, std::int32_t record) {
    return readZeroEnded(image, ammoNameRecordOffset(e, text, record), 2, kAmmoNameRecordSize / 2);
}

void storeAmmoNameText(MutableByteView image, const Edition& e, AmmoNameText text, std::int32_t record,
                       std::string_view value) {
    storeZeroEnded(image, ammoNameRecordOffset(e, text, record), 2, kAmmoNameMaxLength, value);
}

std::string readName(ByteView image, const Edition& e, const NameTable& table, std::int32_t record) {
    return readZeroEnded(image, nameRecordOffset(e, table, record), 1, table.recordSize);
}

void storeName(MutableByteView image, const Edition& e, const NameTable& table, std::int32_t record,
               std::string_view value) {
    storeZeroEnded(image, nameRecordOffset(e, table, record), 1, static_cast<std::size_t>(table.recordSize - 1), value);
}

}  // namespace vantedit
