// The numbers a stats file writes into the image, byte by byte: which field wrote each byte
// and what the byte held before this PATCH. In some editions the game's stat tables overlap,
// so two fields of the file can be one byte; neither may silently undo the other's edit.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/byte_view.h"
#include "model/editions.h"
#include "model/memory.h"
#include "model/stats_fields.h"

namespace vantedit {

struct ByteWrite {
    bool written = false;     // some value of the file wrote it
    bool edited = false;      // the byte holds an edit: a value other than before
    std::uint8_t before = 0;  // the byte before this PATCH
    FieldRef editor{};        // the field whose edit it holds
};

class ValueWrites {
public:
    // Room for a record of every byte that the edition's stat sections and list tables hold,
    // had before the reading so that storing never needs memory.
    // False when it cannot be had, with asked set to the size asked for.
    bool reserveFor(Faults& faults, const Edition& edition, std::size_t& asked);

    // Stores the number's low bytes as the field's width at offset. A field that puts back a
    // byte's value from before this PATCH does not undo another field's edit of it, and a
    // field may change its own earlier value. False, with nothing stored and conflict set to
    // the field whose edit stands, when another field has already given one of the bytes a
    // different new value. Bytes outside the reserved tables are stored without a record.
    bool store(MutableByteView image, std::int64_t offset, ColumnKind kind, std::int64_t number, const FieldRef& field,
               FieldRef& conflict);

    // The record of the byte at the image offset; nullptr if no value of the file wrote it.
    const ByteWrite* find(std::size_t offset) const;

private:
    // The bytes of the tables, overlapping ones merged, each at its place in records_.
    struct Span {
        std::size_t begin;
        std::size_t end;
        std::size_t first;  // index of the record of begin
    };
    std::size_t indexOf(std::size_t offset) const;      // records_.size() outside the tables

    std::vector<Span> spans_;
    std::vector<ByteWrite> records_;
};

}  // namespace vantedit
