#include "compare/merge.h"

#include <algorithm>
#include <array>
#include <tuple>

#include "model/attachments.h"
#include "model/memory.h"
#include "model/sections.h"

namespace vantedit {

namespace {

bool inFileOrder(const FieldRef& a, const FieldRef& b) {
    return std::tuple(a.line, a.record, a.field) < std::tuple(b.line, b.record, b.field);
}

// The stat cells of the other sections whose bytes overlap the cell's: one edit sets them all.
void addSharingCells(const Edition& e, const FieldRef& f, std::vector<FieldRef>& fields) {
    forEachSharingCell(e, f.record, itemCell(f).index, [&](std::int32_t item, std::size_t ci) {
        fields.push_back(itemField(item, statCellIndex(ci)));
    });
}

// The attachment columns whose answer the rebuild changed: those of the pairs that one table
// holds and the other does not.
void addChangedAttachmentCells(const Game& master, const Game& mod, std::vector<FieldRef>& fields) {
    const Edition& e = master.edition();
    WeaponAttachRecords recordsMaster = readWeaponAttachTable(master.image(), e);
    WeaponAttachRecords recordsMod = readWeaponAttachTable(mod.image(), e);
    const std::span<const std::uint32_t> before = distinctPairs(recordsMaster);
    const std::span<const std::uint32_t> after = distinctPairs(recordsMod);
    std::array<std::uint32_t, 2 * kMaxWeaponAttachCapacity> changed{};
    const auto last =
        std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(), changed.begin());
    for (auto p = changed.begin(); p != last; ++p) {
        const std::size_t kind = attachmentKindIndex(pairAttachment(*p));
        if (isWeaponRow(e, pairWeapon(*p)) && kind < kAttachmentKindCount) {
            fields.push_back(itemField(pairWeapon(*p), attachmentCellIndex(kind)));
        }
    }
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
    std::sort(fields.begin(), fields.end(), inFileOrder);
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
               [](const Setting& a, const Setting& b) { return inFileOrder(a.field, b.field); });
    settings_ = std::move(merged);
    // mod as the master is again: the bytes of the fields the reading stored, and the weapon
    // attachment table, which the rebuild may have written: an attachment field's bytes.
    for (const FieldRef& f : reached) copyFieldBytes(mod, master, f);
    copyFieldBytes(mod, master, itemField(0, attachmentCellIndex(0)));
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
