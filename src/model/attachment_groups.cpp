#include "model/attachment_groups.h"

#include <algorithm>
#include <span>

#include "model/memory.h"

namespace vantedit {

namespace {

// The table's pairs of the columns the file left out, by kind, each once, and the pairs no
// column can express (an attachment of none of the kinds, a weapon beyond the Weapons
// section), each once. The filler at the table's end repeats a pair already met, and a zero
// record is no pair. Never more than the table's records, so no memory is needed.
struct KeptPairs {
    std::array<std::array<std::uint32_t, kMaxWeaponAttachCapacity>, kAttachmentKindCount + 1> pairs{};
    std::array<std::size_t, kAttachmentKindCount + 1> count{};

    // kind kAttachmentKindCount: the pairs no column can express.
    std::span<const std::uint32_t> of(std::size_t kind) const { return std::span(pairs[kind]).first(count[kind]); }
};

KeptPairs keptPairs(const Game& game, const AttachmentGroups& groups) {
    const Edition& e = game.edition();
    KeptPairs kept;
    for (const std::uint32_t pair : readWeaponAttachTable(game.image(), e)) {
        std::size_t kind = attachmentKindIndex(pairAttachment(pair));
        const std::int32_t weapon = pairWeapon(pair);
        if (pair == 0) continue;
        if (!isWeaponRow(e, weapon)) kind = kAttachmentKindCount;
        if (kind != kAttachmentKindCount && groups.stated[kind][static_cast<std::size_t>(weapon)]) continue;
        const auto already = kept.of(kind);
        if (std::find(already.begin(), already.end(), pair) == already.end())
            kept.pairs[kind][kept.count[kind]++] = pair;
    }
    return kept;
}

}  // namespace

void addAttachmentPair(AttachmentGroups& groups, std::int32_t weapon, std::int32_t attachment) {
    const std::size_t g = attachmentKindIndex(attachment);
    if (g == kAttachmentKindCount) return;
    if (groups.pairs[g].size() < kGroupSize) {
        groups.pairs[g].push_back(attachmentPair(weapon, attachment));
    } else {
        ++groups.overflow[g];
    }
}

bool reserveAttachmentGroups(Faults& faults, AttachmentGroups& groups, std::size_t& asked) {
    asked = kGroupSize * sizeof(std::uint32_t);
    for (std::vector<std::uint32_t>& group : groups.pairs) {
        if (!tryReserve(faults, group, kGroupSize)) return false;
    }
    return true;
}

void markStated(AttachmentGroups& groups, std::int32_t weapon, std::size_t kind) {
    if (weapon >= 0 && static_cast<std::size_t>(weapon) < kMaxWeaponRows && kind < kAttachmentKindCount) {
        groups.stated[kind][static_cast<std::size_t>(weapon)] = true;
    }
}

RebuildCounts rebuildWeaponAttachTable(Game& game, const AttachmentGroups& groups) {
    const Edition& e = game.edition();
    const std::int32_t capacity = weaponAttachCapacity(e);
    // The table as it is, and the table the groups make, side by side before anything is written.
    WeaponAttachRecords now = readWeaponAttachTable(game.image(), e);
    const KeptPairs kept = keptPairs(game, groups);
    WeaponAttachRecords rebuilt{};
    std::int64_t collected = 0;
    std::uint32_t lastWritten = 0;  // also what an empty walk leaves in every record
    const auto add = [&](std::uint32_t pair) {
        if (collected < capacity) {
            rebuilt[static_cast<std::size_t>(collected)] = pair;
            lastWritten = pair;
        }
        ++collected;
    };
    for (std::size_t g = 0; g < groups.pairs.size(); ++g) {
        for (std::uint32_t pair : groups.pairs[g]) add(pair);
        collected += groups.overflow[g];  // such a group lies far beyond the capacity: nothing more is written
        for (std::uint32_t pair : kept.of(g)) add(pair);
    }
    // Last, so that they are the first left out when the table is full.
    for (std::uint32_t pair : kept.of(kAttachmentKindCount)) add(pair);
    for (std::int64_t r = collected; r < capacity; ++r) rebuilt[static_cast<std::size_t>(r)] = lastWritten;

    // The same pairs in another order or with other filler: an unedited file changes no byte.
    WeaponAttachRecords sortedRebuilt = rebuilt;
    if (!std::ranges::equal(distinctPairs(now), distinctPairs(sortedRebuilt))) {
        for (std::int32_t r = 0; r < capacity; ++r) {
            storeWeaponAttachRecord(game.mutableImage(), e, r, rebuilt[static_cast<std::size_t>(r)]);
        }
    }
    return {collected, capacity};
}

}  // namespace vantedit
