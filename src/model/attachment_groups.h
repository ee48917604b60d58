// The weapon attachment pairs that the yes/no columns of the weapon rows ask for, collected
// per attachment kind while the stats file is read, and the rebuild of the game's weapon
// attachment table from them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/attachments.h"
#include "model/game.h"

namespace vantedit {

// No edition's table holds more than 227 pairs, so a kind never needs more than this.
inline constexpr std::size_t kGroupSize = 1024;

// What the rebuild of the weapon attachment table did.
struct RebuildCounts {
    std::int64_t collected = 0;  // pairs asked for, stored or not
    std::int32_t capacity = 0;
};

// One group per attachment kind, in kind order, each in the order its pairs arrived.
struct AttachmentGroups {
    std::array<std::vector<std::uint32_t>, kAttachmentKindCount> pairs;
    // Pairs that arrived when their group was already full: never stored, still counted.
    std::array<std::int64_t, kAttachmentKindCount> overflow{};
    // The (weapon, kind) columns the file stated, 1 or 0; the others keep the executable's pairs.
    std::array<std::array<bool, kMaxWeaponRows>, kAttachmentKindCount> stated{};
};

// The file gave a value in the weapon's column of the kind (a weapon row of the edition).
void markStated(AttachmentGroups& groups, std::int32_t weapon, std::size_t kind);

// Room for every group to be full, had before the reading so that adding pairs never needs
// memory. False when it cannot be had, with asked set to the size of one group.
bool reserveAttachmentGroups(Faults& faults, AttachmentGroups& groups, std::size_t& asked);

// Appends the pair to the group of the attachment's kind (items compared as 16-bit values).
void addAttachmentPair(AttachmentGroups& groups, std::int32_t weapon, std::int32_t attachment);

// Rebuilds the weapon attachment table from the groups, in kind order, up to its capacity,
// and fills the rest with copies of the last pair written (with 0 when there is none). Within
// a kind the file's pairs come first, then, for each weapon whose column of that kind the file
// did not state, the pairs the table holds now, each once, in the order of their first place
// in it; after all kinds, the pairs the table holds that no column can express, likewise.
// When the rebuilt table holds the same distinct pairs as the table now, the table is left
// byte for byte as it is. The counts are the same either way.
RebuildCounts rebuildWeaponAttachTable(Game& game, const AttachmentGroups& groups);

}  // namespace vantedit
