#include "model/sections.h"

namespace vantedit {

namespace {

// Build-time checks of the tables: a mistyped offset or heading count fails the build.
consteval bool columnsCoverEachRecordOnce() {
    for (Section s : kAllSections) {
        int covered[32] = {};
        for (const Column& c : sectionColumns(s)) {
            for (int b = 0; b < columnWidth(c.kind); ++b) ++covered[c.recordOffset + b];
        }
        for (int b = 0; b < 32; ++b) {
            if (covered[b] != (b < kSectionShapes[sectionIndex(s)].recordSize ? 1 : 0)) return false;
        }
    }
    return true;
}

// The file lists the sections in order, each as one run of columns.
consteval bool columnsInSectionOrder() {
    for (const Column& c : kColumns) {
        if (c.heading.empty()) return false;  // a row missing from the table
    }
    for (std::size_t i = 1; i < kColumns.size(); ++i) {
        if (sectionIndex(kColumns[i].section) < sectionIndex(kColumns[i - 1].section)) return false;
    }
    std::size_t total = 0;
    for (Section s : kAllSections) total += sectionColumns(s).size();
    return total == kColumns.size();
}

consteval bool sectionsFitTheirEditions() {
    for (const Edition& e : kEditions) {
        for (Section s : kAllSections) {
            const SectionRecord r = sectionRecord(e, s);
            if (r.fileOffset < 0 || r.lastItem < r.firstItem || sectionEnd(r) > e.fileSize) return false;
        }
    }
    return true;
}

// The older layouts carry an extra field after each of the four Weapons sound columns and
// nowhere else.
consteval bool olderFieldsAfterTheWeaponSounds() {
    int flagged = 0;
    for (const Column& c : kColumns) {
        if (!c.olderLayoutsAddField) continue;
        ++flagged;
        if (c.section != Section::Weapons || c.kind != ColumnKind::U16 || c.recordOffset < 18) return false;
    }
    return flagged == 4;
}

static_assert(columnsInSectionOrder());
static_assert(columnsCoverEachRecordOnce());
static_assert(olderFieldsAfterTheWeaponSounds());
static_assert(sectionsFitTheirEditions());

}  // namespace

std::int32_t readColumnValue(ByteView image, const SectionRecord& s, const Column& c, std::int32_t item) {
    const auto at = static_cast<std::size_t>(valueOffset(s, c, item));
    switch (c.kind) {
        case ColumnKind::U8: return image.u8(at);
        case ColumnKind::S8: return static_cast<std::int8_t>(image.u8(at));
        case ColumnKind::U16: return image.u16(at);
        case ColumnKind::S16: return static_cast<std::int16_t>(image.u16(at));
    }
    return 0;
}

void storeColumnValue(MutableByteView image, const SectionRecord& s, const Column& c, std::int32_t item,
                      std::int32_t value) {
    const auto at = static_cast<std::size_t>(valueOffset(s, c, item));
    const std::array<std::uint8_t, 2> encoded = encodedValue(value);
    for (int b = 0; b < columnWidth(c.kind); ++b)
        image.setU8(at + static_cast<std::size_t>(b), encoded[static_cast<std::size_t>(b)]);
}

}  // namespace vantedit
