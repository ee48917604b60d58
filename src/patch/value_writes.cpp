#include "patch/value_writes.h"

#include <array>

namespace vantedit {

std::string fieldName(const ValueField& field) {
    if (!field.heading.empty()) return std::string(field.heading);
    return "value " + std::to_string(field.slot + 1);
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
    for (int i = 0; i < width; ++i) {
        const auto found = bytes_.find(at + static_cast<std::size_t>(i));
        if (found == bytes_.end()) continue;
        const ByteWrite& b = found->second;
        const std::uint8_t value = encoded[static_cast<std::size_t>(i)];
        if (b.edited && !sameField(b.editor, field) && value != b.before && value != image.u8(found->first)) {
            out << "Error while parsing! (" << field.keyword << " " << field.number << ", " << fieldName(field)
                << ": the same byte as " << b.editor.keyword << " " << b.editor.number << ", " << fieldName(b.editor)
                << ", with another value)\n";
            return false;
        }
    }

    for (int i = 0; i < width; ++i) {
        const std::size_t byte = at + static_cast<std::size_t>(i);
        const std::uint8_t value = encoded[static_cast<std::size_t>(i)];
        ByteWrite& b = bytes_.try_emplace(byte, ByteWrite{image.u8(byte)}).first->second;
        b.writer = field;
        if (b.edited && !sameField(b.editor, field)) continue;  // the old value, or the same edit
        image.setU8(byte, value);
        b.edited = value != b.before;
        b.editor = field;
    }
    return true;
}

}  // namespace vantedit
