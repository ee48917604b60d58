// Little-endian access to a block of bytes: the game image or a description buffer.
// Every read and write is bounds-checked, so no accessor can reach outside the block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vantedit {

class ByteView {
public:
    ByteView() = default;
    explicit ByteView(std::span<std::uint8_t> bytes) : bytes_(bytes) {}

    // A view for reading only: being const, it offers no write.
    static const ByteView readOnly(std::span<const std::uint8_t> bytes) {
        return ByteView(std::span<std::uint8_t>(const_cast<std::uint8_t*>(bytes.data()), bytes.size()));
    }

    std::size_t size() const { return bytes_.size(); }

    // Written so that it cannot overflow, whatever offset a caller computed.
    bool contains(std::size_t offset, std::size_t width) const {
        return offset <= bytes_.size() && width <= bytes_.size() - offset;
    }

    // Reads outside the block yield 0; writes outside it are refused.
    std::uint8_t u8(std::size_t offset) const { return contains(offset, 1) ? bytes_[offset] : 0; }
    std::uint16_t u16(std::size_t offset) const {
        if (!contains(offset, 2)) return 0;
        return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
    }
    std::uint32_t u32(std::size_t offset) const {
        if (!contains(offset, 4)) return 0;
        return static_cast<std::uint32_t>(bytes_[offset]) |
               (static_cast<std::uint32_t>(bytes_[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(bytes_[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(bytes_[offset + 3]) << 24);
    }

    bool setU8(std::size_t offset, std::uint8_t value) {
        if (!contains(offset, 1)) return false;
        bytes_[offset] = value;
        return true;
    }
    bool setU16(std::size_t offset, std::uint16_t value) {
        if (!contains(offset, 2)) return false;
        bytes_[offset] = static_cast<std::uint8_t>(value);
        bytes_[offset + 1] = static_cast<std::uint8_t>(value >> 8);
        return true;
    }
    bool setU32(std::size_t offset, std::uint32_t value) {
        if (!contains(offset, 4)) return false;
        for (int i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return true;
    }

private:
    std::span<std::uint8_t> bytes_;
};

}  // namespace vantedit
