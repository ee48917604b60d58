// The numbers a stats file writes into the image, byte by byte: which field wrote each byte
// and what the byte held before this PATCH. In some editions the game's stat tables overlap,
// so two fields of the file can be one byte; neither may silently undo the other's edit.
#pragma once

#include <cstdint>
#include <vector>
#include <string>
#include <string_view>

#include "model/byte_view.h"
#include "model/editions.h"
#include "model/memory.h"
#include "model/text.h"

namespace vantedit {

// One number of the stats file: an Item row's column or a list line's value.
struct ValueField {
    std::string_view keyword;  // "Item" or the list's keyword
    std::int32_t number;       // the line's item or record number
    int slot;                  // the column's place in the row, or the value's in the line, from 0
    std::string_view heading;  // the column's heading; empty for a list value
};

constexpr bool sameField(const ValueField& a, const ValueField& b) {
    return a.keyword == b.keyword && a.number == b.number && a.slot == b.slot;
}

// The field as messages name it: the heading of an Item column ("Clip Type"), the position of
// a list value counted from 1 ("value 2").
std::string fieldName(const ValueField& field);

// A field as a byte's record keeps it: an eighth of a ValueField, as every byte of the
// tables has a record.
struct FieldKey {
    std::int32_t number = 0;
    std::int16_t slot = 0;
    std::uint8_t keyword = 0;  // 0: "Item"; 1 + the list's place in kNumericLists
};

constexpr bool operator==(const FieldKey& a, const FieldKey& b) {
    return a.number == b.number && a.slot == b.slot && a.keyword == b.keyword;
}
FieldKey keyOf(const ValueField& field);
ValueField fieldOf(const FieldKey& key);

struct ByteWrite {
    bool written = false;     // some value of the file wrote it
    bool edited = false;      // the byte holds an edit: a value other than before
    std::uint8_t before = 0;  // the byte before this PATCH
    FieldKey writer{};        // the last field that wrote it
    FieldKey editor{};        // the field whose edit it holds
};

class ValueWrites {
public:
    // Room for a record of every byte that the edition's stat sections and list tables hold,
    // had before the reading so that storing never needs memory. False when it cannot be
    // had, with asked set to the size asked for.
    bool reserveFor(Faults& faults, const Edition& edition, std::size_t& asked);

    // Stores the number's low width bytes (1 or 2, little-endian) at offset. A field that puts
    // back a byte's value from before this PATCH does not undo another field's edit of it, and
    // a field may change its own earlier value. False after the message, with nothing stored,
    // when another field has already given one of the bytes a different new value. Bytes
    // outside the reserved tables are stored without a record.
    bool store(MutableByteView image, std::int64_t offset, int width, std::int32_t number, const ValueField& field,
               Messages& out);

    // The record of the byte at the image offset; nullptr if no value of the file wrote it.
    const ByteWrite* find(std::size_t offset) const;

private:
    // The bytes of the tables, overlapping ones merged, each at its place in records_.
    struct Span {
        std::size_t begin;
        std::size_t end;
        std::size_t first;  // index of the record of begin
    };
    std::size_t indexOf(std::size_t offset) const;  // records_.size() outside the tables

    std::vector<Span> spans_;
    std::vector<ByteWrite> records_;
};

}  // namespace vantedit
