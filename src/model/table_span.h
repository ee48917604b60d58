// The one stretch of the executable that holds every table the stats file shows: the seven
// sections, the weapon attachment table and the lists after it, the ammunition, sound and
// burst names. In every edition it is a sixth of the file or less, and both operations read
// only it.
#pragma once

#include <algorithm>
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

constexpr ByteSpan tableSpan(const Edition& e) {
    ByteSpan span{e.fileSize, 0};
    const auto cover = [&span](std::int64_t begin, std::int64_t end) {
        span.begin = std::min(span.begin, begin);
        span.end = std::max(span.end, end);
    };
    for (Section s : kAllSections) {
        const SectionRecord r = sectionRecord(e, s);
        cover(r.fileOffset, std::int64_t{r.fileOffset} + std::int64_t{r.lastItem - r.firstItem + 1} * r.recordSize);
    }
    cover(e.weaponAttachOffset, e.listEnd);  // the attachment table, then the numeric lists
    for (AmmoNameText text : {AmmoNameText::First, AmmoNameText::Second}) {
        cover(ammoNameRecordOffset(e, text, 0), ammoNameRecordOffset(e, text, ammoNameRecordCount(e, text)));
    }
    for (const NameTable* table : {&kSoundNames, &kBurstNames}) {
        cover(nameRecordOffset(e, *table, 0), nameRecordOffset(e, *table, table->count));
    }
    return span;
}

}  // namespace vantedit
