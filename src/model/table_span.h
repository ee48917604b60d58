// The one stretch of the executable that holds every table the stats file shows: the seven
// sections, the weapon attachment table and the lists after it, the ammunition, sound and
// burst names. In every edition it is a sixth of the file or less, and both operations read
// only it.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "model/editions.h"
#include "model/list_tables.h"
#include "model/sections.h"

namespace vantedit {

struct ByteSpan {
    std::int64_t begin;
    std::int64_t end;  // one past the last byte

    constexpr std::int64_t size() const { return end - begin; }
};

enum class TableKind : std::uint8_t { Section, NumericLists, WeaponAttachments, AmmoNames, Names };

struct TableExtent {
    TableKind kind;
    ByteSpan span;
};

inline constexpr std::size_t kTableCount = kSectionCount + 6;

// Every table the stats file shows: the seven sections, the numeric lists, the weapon
// attachment table, the two ammunition name tables (only the low byte of each character is
// the game's text), the sound and the burst names.
constexpr std::array<TableExtent, kTableCount> tableExtents(const Edition& e) {
    std::array<TableExtent, kTableCount> extents{};
    std::size_t at = 0;
    for (Section s : kAllSections) {
        const SectionRecord r = sectionRecord(e, s);
        extents[at++] = {TableKind::Section, {r.fileOffset, sectionEnd(r)}};
    }
    extents[at++] = {TableKind::NumericLists, {e.attachOffset, e.listEnd}};
    extents[at++] = {TableKind::WeaponAttachments, {e.weaponAttachOffset, e.attachOffset}};
    for (AmmoNameText text : {AmmoNameText::First, AmmoNameText::Second}) {
        extents[at++] = {
            TableKind::AmmoNames,
            {ammoNameRecordOffset(e, text, 0), ammoNameRecordOffset(e, text, ammoNameRecordCount(e, text))}};
    }
    for (const NameTable* table : {&kSoundNames, &kBurstNames}) {
        extents[at++] = {TableKind::Names, {nameRecordOffset(e, *table, 0), nameRecordOffset(e, *table, table->count)}};
    }
    return extents;
}

// The one stretch that holds them all.
constexpr ByteSpan tableSpan(const Edition& e) {
    ByteSpan span{e.fileSize, 0};
    for (const TableExtent& extent : tableExtents(e)) {
        span.begin = std::min(span.begin, extent.span.begin);
        span.end = std::max(span.end, extent.span.end);
    }
    return span;
}

}  // namespace vantedit
