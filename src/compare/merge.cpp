#include "compare/merge.h"

#include <algorithm>
#include <array>
#include <tuple>

#include "model/attachments.h"
#include "model/memory.h"
#include "model/sections.h"

namespace vantedit {

namespace {

bool inFileOrder(const Setting& a, const Setting& b) {
    return std::tuple(a.field.line, a.field.record, a.field.field) <
           std::tuple(b.field.line, b.field.record, b.field.field);
}

// The stat cells of the other sections whose bytes overlap the cell's: one edit sets them all.
void addSharingCells(const Edition& e, const FieldRef& f, std::vector<FieldRef>& fields) {
    forEachSharingCell(e, f.record, itemCell(f).index, [&](std::int32_t item, std::size_t ci) {
        fields.push_back(itemField(item, statCellIndex(ci)));
    });
}

// The weapon attachment table's records, sorted, each once.
std::span<const std::uint32_t> pairsOf(const Game& game, std::array<std::uint32_t, kMaxWeaponAttachCapacity>& room) {
    const Edition& e = game.edition();
    const auto count = static_cast<std::size_t>(weaponAttachCapacity(e));
    for (std::size_t r = 0; r < count; ++r) {
        room[r] = readWeaponAttachRecord(game.image(), e, static_cast<std::int32_t>(r));
    }
    const auto begin = room.begin();
    const auto end = begin + static_cast<std::ptrdiff_t>(count);
    std::sort(begin, end);
    return std::span(room).first(static_cast<std::size_t>(std::unique(begin, end) - begin));
}

// The attachment columns whose answer the rebuild changed: those of the pairs that one table
// holds and the other does not.
void addChangedAttachmentCells(const Game& master, const Game& mod, std::vector<FieldRef>& fields) {
    const Edition& e = master.edition();
    bool same = true;
    for (std::int32_t r = 0; r < weaponAttachCapacity(e) && same; ++r) {
        same = readWeaponAttachRecord(master.image(), e, r) == readWeaponAttachRecord(mod.image(), e, r);
    }
    if (same) return;
    std::array<std::uint32_t, kMaxWeaponAttachCapacity> roomMaster{};
    std::array<std::uint32_t, kMaxWeaponAttachCapacity> roomMod{};
    const std::span<const std::uint32_t> before = pairsOf(master, roomMaster);
    const std::span<const std::uint32_t> after = pairsOf(mod, roomMod);
    std::array<std::uint32_t, 2 * kMaxWeaponAttachCapacity> changed{};
    const auto last =
        std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(), changed.begin());
    for (auto p = changed.begin(); p != last; ++p) {
        const std::int32_t weapon = pairWeapon(*p);
        if (weapon >= kItemCount || !isWeaponRow(e, weapon)) continue;
        for (std::size_t k = 0; k < kAttachmentKinds.size(); ++k) {
            if (attachmentPair(weapon, kAttachmentKinds[k].item) == *p) {
                fields.push_back(itemField(weapon, attachmentCellIndex(k)));
            }
        }
    }
}

// The bytes from begin to end of one view copied into the other.
void putBack(MutableByteView to, ByteView from, std::size_t begin, std::size_t end) {
    if (end <= begin || !from.contains(begin, end - begin) || !to.contains(begin, end - begin)) return;
    const auto source = from.bytes().subspan(begin, end - begin);
    std::copy(source.begin(), source.end(), to.bytes().begin() + static_cast<std::ptrdiff_t>(begin));
}

// mod as the master is again: the bytes of the fields the reading stored, and the weapon
// attachment table, which the rebuild may have written.
void putBackReached(const Game& master, Game& mod, std::span<const FieldRef> reached) {
    const Edition& e = master.edition();
    for (const FieldRef& f : reached) {
        if (fieldKind(f) != FieldKind::Attachment) copyFieldBytes(mod, master, f);
    }
    putBack(mod.mutableImage(), master.image(), static_cast<std::size_t>(e.weaponAttachOffset),
            static_cast<std::size_t>(e.attachOffset));
}

}  // namespace

bool isConflict(std::span<const Setting> settings) {
    return std::any_of(settings.begin(), settings.end(),
                       [&](const Setting& s) { return !(s.value == settings[0].value); });
}

bool MergedMods::add(const Game& master, Game& mod, std::span<const FieldRef> reached, std::uint32_t index,
                     std::size_t& asked) {
    const Edition& e = master.edition();
    // A stat cell brings at most one cell of each other section per byte.
    std::vector<FieldRef> fields;
    const std::size_t most = reached.size() * (1 + 2 * kSectionCount) + 2 * kMaxWeaponAttachCapacity;
    asked = most * sizeof(FieldRef);
    if (!tryReserve(noFaults(), fields, most)) return false;
    for (const FieldRef& f : reached) {
        if (fieldKind(f) == FieldKind::Attachment) continue;  // the tables' pairs tell them
        fields.push_back(f);
        if (kLineTypes[f.line].kind == LineKind::Item && itemCell(f).kind == CellKind::Stat) {
            addSharingCells(e, f, fields);
        }
    }
    addChangedAttachmentCells(master, mod, fields);
    std::sort(fields.begin(), fields.end(), [](const FieldRef& a, const FieldRef& b) {
        return std::tuple(a.line, a.record, a.field) < std::tuple(b.line, b.record, b.field);
    });
    fields.erase(std::unique(fields.begin(), fields.end()), fields.end());

    std::vector<Setting> set;
    asked = fields.size() * sizeof(Setting);
    if (!tryReserve(noFaults(), set, fields.size())) return false;
    // The texts read for the comparison are the only other blocks, each at most a record long.
    const bool compared = tryAllocating(noFaults(), [&] {
        for (const FieldRef& f : fields) {
            if (!fieldShown(master, f)) continue;
            FieldValue value = readField(mod, f);
            if (!(value == readField(master, f))) set.push_back({f, index, std::move(value)});
        }
    });
    if (!compared) {
        asked = kDescRecordSize;
        return false;
    }
    std::vector<Setting> merged;
    asked = (settings_.size() + set.size()) * sizeof(Setting);
    if (!tryReserve(noFaults(), merged, settings_.size() + set.size())) return false;
    // Of two settings of one field, the earlier mod's stays first.
    std::merge(std::make_move_iterator(settings_.begin()), std::make_move_iterator(settings_.end()),
               std::make_move_iterator(set.begin()), std::make_move_iterator(set.end()), std::back_inserter(merged),
               inFileOrder);
    settings_ = std::move(merged);
    putBackReached(master, mod, reached);
    return true;
}

std::int64_t MergedMods::fieldCount() const {
    std::int64_t count = 0;
    forEachField([&](std::span<const Setting>) { ++count; });
    return count;
}

std::int64_t MergedMods::conflictCount() const {
    std::int64_t count = 0;
    forEachField([&](std::span<const Setting> field) { count += isConflict(field) ? 1 : 0; });
    return count;
}

bool MergedMods::takeWinners(std::vector<GivenField>& winners, std::size_t& asked) {
    const auto count = static_cast<std::size_t>(fieldCount());
    asked = count * sizeof(GivenField);
    if (!tryReserve(noFaults(), winners, count)) return false;
    for (std::size_t at = 0; at < settings_.size(); ++at) {
        const bool last = at + 1 == settings_.size() || !(settings_[at + 1].field == settings_[at].field);
        if (last) winners.push_back({settings_[at].field, std::move(settings_[at].value)});
    }
    settings_.clear();
    return true;
}

}  // namespace vantedit
