#include "model/sections.h"

namespace vantedit {

namespace {

// Build-time checks of the tables: a mistyped offset or heading count fails the build.
consteval bool columnsCoverEachRecordOnce() {
    for (int s = 0; s < kSectionCount; ++s) {
        int covered[32] = {};
        for (int k = 0; k < kSlotsPerSection; ++k) {
            const Column& c = column(s, k);
            for (int b = 0; b < columnWidth(c.kind); ++b) ++covered[c.recordOffset + b];
            if (c.kind == ColumnKind::Empty && (c.recordOffset != 0 || !c.heading.empty())) return false;
        }
        for (int b = 0; b < 32; ++b) {
            if (covered[b] != (b < sectionRecord(0, s).recordSize ? 1 : 0)) return false;
        }
    }
    return true;
}

consteval int nonEmptyColumns() {
    int n = 0;
    for (const Column& c : kColumns) n += c.kind != ColumnKind::Empty;
    return n;
}

consteval bool sectionsFitTheirEditions() {
    for (int e = 0; e < kEditionCount; ++e) {
        for (int s = 0; s < kSectionCount; ++s) {
            const SectionRecord& r = sectionRecord(e, s);
            const std::int64_t end =
                std::int64_t{r.fileOffset} + std::int64_t{r.lastItem - r.firstItem + 1} * r.recordSize;
            if (r.fileOffset < 0 || end > kEditions[e].fileSize) return false;
            if (r.recordSize != sectionRecord(0, s).recordSize) return false;
        }
    }
    return true;
}

// The older 73-heading layout has one extra field at each of these empty Weapons slots.
consteval bool weaponSoundSlotsInPlace() {
    for (int k : {17, 19, 21, 23}) {
        if (column(kWeapons, k).kind != ColumnKind::U16 || column(kWeapons, k + 1).kind != ColumnKind::Empty) return false;
    }
    return true;
}

// Rows in slot order, each slot once, within its section's 30.
consteval bool columnRowsInSlotOrder() {
    for (std::size_t i = 0; i < kColumnRows.size(); ++i) {
        const ColumnRow& r = kColumnRows[i];
        if (r.slot < 0 || r.slot >= kSlotsPerSection || r.kind == ColumnKind::Empty) return false;
        if (i > 0) {
            const ColumnRow& p = kColumnRows[i - 1];
            if (r.section < p.section || (r.section == p.section && r.slot <= p.slot)) return false;
        }
    }
    return true;
}

static_assert(columnRowsInSlotOrder());
static_assert(columnsCoverEachRecordOnce());
static_assert(weaponSoundSlotsInPlace());
static_assert(nonEmptyColumns() == kColumnCount);
static_assert(sectionsFitTheirEditions());

}  // namespace

std::int32_t readColumnValue(const ByteView& image, const SectionRecord& s, const Column& c, std::int32_t item) {
    const auto at = static_cast<std::size_t>(valueOffset(s, c, item));
    switch (c.kind) {
        case ColumnKind::U8: return image.u8(at);
        case ColumnKind::S8: return static_cast<std::int8_t>(image.u8(at));
        case ColumnKind::U16: return image.u16(at);
        case ColumnKind::S16: return static_cast<std::int16_t>(image.u16(at));
        case ColumnKind::Empty: break;
    }
    return 0;
}

void storeColumnValue(ByteView& image, const SectionRecord& s, const Column& c, std::int32_t item, std::int32_t value) {
    const auto at = static_cast<std::size_t>(valueOffset(s, c, item));
    const auto bits = static_cast<std::uint32_t>(value);
    if (columnWidth(c.kind) == 1) image.setU8(at, static_cast<std::uint8_t>(bits));
    if (columnWidth(c.kind) == 2) image.setU16(at, static_cast<std::uint16_t>(bits));
}

}  // namespace vantedit
