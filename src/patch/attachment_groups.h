// The weapon attachment pairs that the yes/no columns of the weapon rows ask for, collected
// per attachment kind while the stats file is read, and the rebuild of the game's weapon
// attachment table from them.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>

#include "model/attachments.h"
#include "model/game.h"

namespace vantedit {

inline constexpr int kGroupSize = 1024;

// One group per attachment kind, in kind order. A group fills from its first entry without
// gaps; its first 0 entry marks its end (no real pair is 0: every attachment item is non-zero).
struct AttachmentGroups {
    std::array<std::array<std::uint32_t, kGroupSize>, kAttachmentKinds.size()> pairs{};
    // Pairs that arrived when their group was already full: never stored, still counted.
    std::array<std::int64_t, kAttachmentKinds.size()> overflow{};
};

// Appends the pair to the group of the attachment's kind (items compared as 16-bit values).
void addAttachmentPair(AttachmentGroups& groups, std::int32_t weapon, std::int32_t attachment);

// Rewrites the whole weapon attachment table from the groups, in kind order, up to its
// capacity, and fills the rest with copies of the last pair written (with 0 when there is
// none). Prints the count message or, over the capacity, the warning.
void rebuildWeaponAttachTable(Game& game, const AttachmentGroups& groups, std::ostream& out);

}  // namespace vantedit
