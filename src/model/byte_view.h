// Little-endian access to a block of bytes: the game image or a description buffer.
// Every read and write is bounds-checked where it happens, so no accessor can reach outside
// the block. A view over const bytes has no write at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

namespace vantedit {

template <typename Byte>
class BasicByteView {
    static_assert(std::is_same_v<std::remove_const_t<Byte>, std::uint8_t>);

public:
    static constexpr bool kWritable = !std::is_const_v<Byte>;

    constexpr BasicByteView() = default;
    constexpr explicit BasicByteView(std::span<Byte> bytes) : bytes_(bytes) {}
    // A writable view reads like any other.
    template <typename Other>
        requires(std::is_const_v<Byte> && std::is_same_v<Other, std::uint8_t>)
    constexpr BasicByteView(BasicByteView<Other> other) : bytes_(other.bytes()) {}

    constexpr std::size_t size() const { return bytes_.size(); }
    constexpr std::span<Byte> bytes() const { return bytes_; }

    // Written so that it cannot overflow, whatever offset a caller computed.
    constexpr bool contains(std::size_t offset, std::size_t width) const {
        return offset <= bytes_.size() && width <= bytes_.size() - offset;
    }

    // Reads outside the block yield 0.
    constexpr std::uint8_t u8(std::size_t offset) const { return contains(offset, 1) ? bytes_[offset] : 0; }
    constexpr std::uint16_t u16(std::size_t offset) const {
        if (!contains(offset, 2)) return 0;
        return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
    }
    constexpr std::uint32_t u32(std::size_t offset) const {
        if (!contains(offset, 4)) return 0;
        return static_cast<std::uint32_t>(bytes_[offset]) | (static_cast<std::uint32_t>(bytes_[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(bytes_[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(bytes_[offset + 3]) << 24);
    }

    // Writes outside the block change nothing: every table position is checked against its
    // edition at build time, so only a record number from a stats file can point outside.
    constexpr void setU8(std::size_t offset, std::uint8_t value) const
        requires kWritable
    {
        if (contains(offset, 1)) bytes_[offset] = value;
    }
    constexpr void setU16(std::size_t offset, std::uint16_t value) const
        requires kWritable
    {
        if (!contains(offset, 2)) return;
        bytes_[offset] = static_cast<std::uint8_t>(value);
        bytes_[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    constexpr void setU32(std::size_t offset, std::uint32_t value) const
        requires kWritable
    {
        if (!contains(offset, 4)) return;
        for (std::size_t i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }

private:
    std::span<Byte> bytes_;
};

using ByteView = BasicByteView<const std::uint8_t>;
using MutableByteView = BasicByteView<std::uint8_t>;

}  // namespace vantedit
