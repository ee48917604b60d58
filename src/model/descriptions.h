// The item and shop description files: 351 records of 800 bytes, text in 16-bit units
// of which only the first byte is used, with a small character transform.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/byte_view.h"

namespace vantedit {

inline constexpr int kDescRecordSize = 800;
inline constexpr int kDescFileSize = 280800;  // 351 records

enum class DescFile { Item, Shop };

struct DescField {
    std::string_view heading;
    DescFile file;
    int start;  // byte within the record
    int units;  // capacity, terminator included
};

// clang-format off
inline constexpr std::array<DescField, 5> kDescFields = {{
//   heading                 file            start units
    {"Short Name",           DescFile::Item,   0,   80},
    {"Long Name",            DescFile::Item, 160,   80},
    {"Description",          DescFile::Item, 320,  240},
    {"Halvek's Name",        DescFile::Shop,   0,   80},
    {"Halvek's Description", DescFile::Shop, 160,  320},
}};
// clang-format on

struct DescriptionBuffers {
    std::vector<std::uint8_t> item;
    std::vector<std::uint8_t> shop;  // empty when the edition has no shop description file
    bool hasShop = false;

    ByteView view(DescFile file) const { return ByteView(file == DescFile::Item ? item : shop); }
    MutableByteView mutableView(DescFile file) { return MutableByteView(file == DescFile::Item ? item : shop); }
};

// First byte of unit k of a field of item i's record.
constexpr std::size_t descUnitOffset(int item, const DescField& field, int unit) {
    return static_cast<std::size_t>(item) * kDescRecordSize + static_cast<std::size_t>(field.start) +
           2 * static_cast<std::size_t>(unit);
}

// Stored to text: bytes above 32 are shifted down by one; 0 ends the field.
constexpr std::uint8_t storedToText(std::uint8_t b) { return b > 32 ? static_cast<std::uint8_t>(b - 1) : b; }
// Text to stored: bytes above 32 are shifted up by one, so a text byte 255 stores 0.
constexpr std::uint8_t textToStored(std::uint8_t t) { return t > 32 ? static_cast<std::uint8_t>(t + 1) : t; }

// A field's text as the stats file shows it; a field with no terminator stops at its capacity.
std::string readDescriptionText(ByteView buffer, int item, const DescField& field);

// Whether a field can take the text as it stands: at most its capacity less one characters
// (unless the field holds exactly that text with no terminator now, which is left as it is),
// and no byte 255, which the transform stores as a terminator.
enum class DescTextFit : std::uint8_t { Fits, TooLong, Byte255 };
DescTextFit descriptionTextFits(ByteView buffer, int item, const DescField& field, std::string_view text);

// The text through the transform, then its terminator; a text longer than the field is cut
// so that the terminator still lands in the field's last unit, unless the field holds exactly
// that text with no terminator now, which is left as it is. A byte 0 in the text ends it.
// The second byte of every unit and the units after the terminator keep what they held.
void storeDescriptionText(MutableByteView buffer, int item, const DescField& field, std::string_view text);

}  // namespace vantedit
