#include "patch/value_writes.h"

#include <algorithm>

#include "model/list_tables.h"
#include "model/memory.h"
#include "model/sections.h"
#include "model/table_span.h"

namespace vantedit {

bool ValueWrites::reserveFor(Faults& faults, const Edition& edition, std::size_t& asked) {
    // The tables the stats file's numbers go to.
    std::array<Span, kSectionCount + 1> spans{};
    std::size_t count = 0;
    for (const TableExtent& t : tableExtents(edition)) {
        if (t.kind != TableKind::Section && t.kind != TableKind::NumericLists) continue;
        if (count < spans.size())
            spans[count++] = {static_cast<std::size_t>(t.span.begin), static_cast<std::size_t>(t.span.end), 0};
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });

    // The stat tables of some editions overlap: one byte, one record.
    std::vector<Span> merged;
    asked = count * sizeof(Span);
    if (!tryReserve(faults, merged, count)) return false;
    std::size_t records = 0;
    for (const Span& span : spans) {
        if (!merged.empty() && span.begin <= merged.back().end) {
            records += std::max(merged.back().end, span.end) - merged.back().end;
            merged.back().end = std::max(merged.back().end, span.end);
            continue;
        }
        merged.push_back({span.begin, span.end, records});
        records += span.end - span.begin;
    }
    asked = records * sizeof(ByteWrite);
    records_.clear();
    if (!tryResize(faults, records_, records)) return false;
    spans_ = std::move(merged);
    return true;
}

std::size_t ValueWrites::indexOf(std::size_t offset) const {
    for (const Span& span : spans_) {
        if (span.begin <= offset && offset < span.end) return span.first + (offset - span.begin);
    }
    return records_.size();
}

const ByteWrite* ValueWrites::find(std::size_t offset) const {
    const std::size_t i = indexOf(offset);
    return i < records_.size() && records_[i].written ? &records_[i] : nullptr;
}

bool ValueWrites::store(MutableByteView image, std::int64_t offset, ColumnKind kind, std::int64_t number,
                        const FieldRef& field, FieldRef& conflict) {
    const int width = columnWidth(kind);
    if (offset < 0 || !image.contains(static_cast<std::size_t>(offset), static_cast<std::size_t>(width))) return true;
    const auto at = static_cast<std::size_t>(offset);
    const std::array<std::uint8_t, 2> encoded = encodedValue(number);

    // Another field's edit stands against a value that is neither it nor the old one.
    for (int i = 0; i < width; ++i) {
        const std::size_t byte = at + static_cast<std::size_t>(i);
        const ByteWrite* b = find(byte);
        const std::uint8_t value = encoded[static_cast<std::size_t>(i)];
        if (b != nullptr && b->edited && !(b->editor == field) && value != b->before && value != image.u8(byte)) {
            conflict = b->editor;
            return false;
        }
    }

    for (int i = 0; i < width; ++i) {
        const std::size_t byte = at + static_cast<std::size_t>(i);
        const std::uint8_t value = encoded[static_cast<std::size_t>(i)];
        const std::size_t index = indexOf(byte);
        if (index == records_.size()) {
            image.setU8(byte, value);
            continue;
        }
        ByteWrite* b = &records_[index];
        if (!b->written) {
            b->written = true;
            b->before = image.u8(byte);
        }
        if (b->edited && !(b->editor == field)) continue;  // the old value, or the same edit
        image.setU8(byte, value);
        b->edited = value != b->before;
        b->editor = field;
    }
    return true;
}

}  // namespace vantedit
