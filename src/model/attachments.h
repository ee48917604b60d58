// The eight kinds of weapon attachment that have yes/no columns in the stats file, and
// the lookup of the game's weapon attachment table.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "app/editions.h"
#include "model/byte_view.h"

namespace vantedit {

struct AttachmentKind {
    std::int32_t item;
    std::string_view name;
};

// clang-format off
inline constexpr std::array<AttachmentKind, 8> kAttachmentKinds = {{
//   item  name
    {207, "Silencer"},
    {241, "Laser Scope"},
    {208, "Sniper Scope"},
    {209, "Bipod"},
    { 50, "Talon"},
    {244, "Duckbill"},
    {307, "Rod & Spring"},
    {310, "Barrel Extender"},
}};
// clang-format on

// Weapon in the high half, attachment in the low half: one table record, stored little-endian.
constexpr std::uint32_t attachmentPair(std::int32_t weapon, std::int32_t attachment) {
    return (static_cast<std::uint32_t>(weapon) << 16) + (static_cast<std::uint32_t>(attachment) & 0xFFFF);
}

bool attachmentPairExists(const ByteView& image, const Edition& edition, std::int32_t weapon, std::int32_t attachment);

}  // namespace vantedit
