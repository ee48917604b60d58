#include "patch/value_writes.h"

#include <algorithm>
#include <array>

#include "model/list_tables.h"
#include "model/memory.h"
#include "model/sections.h"

namespace vantedit {

std::string fieldName(const ValueField& field) {
    if (!field.heading.empty()) return std::string(field.heading);
    return "value " + std::to_string(field.slot + 1);
}

FieldKey keyOf(const ValueField& field) {
    std::uint8_t keyword = 0;
    for (std::size_t i = 0; i < kNumericLists.size(); ++i) {
        if (kNumericLists[i].keyword == field.keyword) keyword = static_cast<std::uint8_t>(i + 1);
    }
    return {field.number, static_cast<std::int16_t>(field.slot), keyword};
}

ValueField fieldOf(const FieldKey& key) {
    if (key.keyword == 0) return {"Item", key.number, key.slot, kColumns[static_cast<std::size_t>(key.slot)].heading};
    return {kNumericLists[key.keyword - 1u].keyword, key.number, key.slot, {}};
}

bool ValueWrites::reserveFor(Faults& faults, const Edition& edition, std::size_t& asked) {
    std::vector<Span> spans;
    asked = (kSectionCount + 1) * sizeof(Span);
    if (!tryReserve(faults, spans, kSectionCount + 1)) return false;
    for (Section s : kAllSections) {
        const SectionRecord r = sectionRecord(edition, s);
        const auto begin = static_cast<std::size_t>(r.fileOffset);
        spans.push_back({begin, begin + static_cast<std::size_t>((r.lastItem - r.firstItem + 1) * r.recordSize), 0});
    }
    spans.push_back({static_cast<std::size_t>(edition.attachOffset), static_cast<std::size_t>(edition.listEnd), 0});
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });

    // The stat tables of some editions overlap: one byte, one record.
    std::vector<Span> merged;
    if (!tryReserve(faults, merged, spans.size())) return false;
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

bool ValueWrites::store(MutableByteView image, std::int64_t offset, int width, std::int32_t number,
                        const ValueField& field, Messages& out) {
    if (offset < 0 || !image.contains(static_cast<std::size_t>(offset), static_cast<std::size_t>(width))) return true;
    const auto at = static_cast<std::size_t>(offset);
    std::array<std::uint8_t, 2> encoded{};
    const auto bits = static_cast<std::uint32_t>(number);
    if (width == 1) {
        MutableByteView(encoded).setU8(0, static_cast<std::uint8_t>(bits));
    } else {
        MutableByteView(encoded).setU16(0, static_cast<std::uint16_t>(bits));
    }

    // Another field's edit stands against a value that is neither it nor the old one.
    const FieldKey key = keyOf(field);
    for (int i = 0; i < width; ++i) {
        const std::size_t byte = at + static_cast<std::size_t>(i);
        const ByteWrite* b = find(byte);
        const std::uint8_t value = encoded[static_cast<std::size_t>(i)];
        if (b != nullptr && b->edited && !(b->editor == key) && value != b->before && value != image.u8(byte)) {
            const ValueField earlier = fieldOf(b->editor);
            out << "Error while parsing! (" << field.keyword << " " << field.number << ", " << fieldName(field)
                << ": the same byte as " << earlier.keyword << " " << earlier.number << ", " << fieldName(earlier)
                << ", with another value)\n";
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
        b->writer = key;
        if (b->edited && !(b->editor == key)) continue;  // the old value, or the same edit
        image.setU8(byte, value);
        b->edited = value != b->before;
        b->editor = key;
    }
    return true;
}

}  // namespace vantedit
