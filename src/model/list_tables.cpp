#include "model/list_tables.h"

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
        if (ammoNameRecordOffset(e.ammoNameSecondOffset, 0) < 0) return false;
        if (ammoNameRecordOffset(e.ammoNameFirstOffset, e.ammoNameFirstCount) > e.fileSize) return false;
        if (soundNameOffset(e, kSoundNameCount) > e.fileSize) return false;
        if (burstNameOffset(e, kBurstNameCount) > e.fileSize) return false;
        if (e.ammoNameFirstCount > e.ammoNameCount) return false;
    }
    return true;
}

consteval bool capacitiesAsKnown() {
    for (int i = 0; i < kEditionCount; ++i) {
        const bool large = i == 0 || i == 5 || i == 6;
        if (weaponAttachCapacity(kEditions[i]) != (large ? 227 : 182)) return false;
    }
    return true;
}

static_assert(listBlockIsContiguous());
static_assert(textTablesFitTheirEditions());
static_assert(capacitiesAsKnown());

}  // namespace

std::string readAmmoNameText(const ByteView& image, std::int64_t recordOffset) {
    std::string text;
    for (int j = 0; j < kAmmoNameRecordSize / 2; ++j) {
        const std::uint8_t c = image.u8(static_cast<std::size_t>(recordOffset + 2 * j));
        if (c == 0) break;
        text.push_back(static_cast<char>(c));
    }
    return text;
}

std::string readByteName(const ByteView& image, std::int64_t recordOffset, int recordSize) {
    std::string text;
    for (int j = 0; j < recordSize; ++j) {
        const std::uint8_t c = image.u8(static_cast<std::size_t>(recordOffset + j));
        if (c == 0) break;
        text.push_back(static_cast<char>(c));
    }
    return text;
}

}  // namespace vantedit
