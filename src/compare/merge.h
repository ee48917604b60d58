// Mods merged field by field: what each stats file sets against the same master game, where
// two of them disagree, and the value that wins, the later mod's.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "model/game.h"
#include "model/stats_fields.h"

namespace vantedit {

// One mod's value for a field it sets.
struct Setting {
    FieldRef field;
    std::uint32_t mod = 0;  // the mod's place among the files, from 0
    FieldValue value;
};

// Two settings or more of one field, with different values.
bool isConflict(std::span<const Setting> settings);

class MergedMods {
public:
    // Adds the fields that mod shows otherwise than the master, as MAKE would show them, then
    // puts mod back as the master is, for the next file's reading. mod is the master after a
    // stats file's reading and the attachment rebuild, and reached the fields that reading
    // stored: only they can differ, with the stats of other sections on their bytes and the
    // attachment columns of the pairs the rebuild changed. False when the memory cannot be
    // had, with asked set to the size asked for (mod is then not put back).
    bool add(const Game& master, Game& mod, std::span<const FieldRef> reached, std::uint32_t index, std::size_t& asked);

    // Calls visit(std::span<const Setting>) with the settings of each field set, the fields in
    // file order, each field's settings in the order of the mods.
    template <typename Visit>
    void forEachField(Visit&& visit) const {
        for (std::size_t at = 0; at < settings_.size();) {
            std::size_t end = at + 1;
            while (end < settings_.size() && settings_[end].field == settings_[at].field) ++end;
            visit(std::span<const Setting>(settings_).subspan(at, end - at));
            at = end;
        }
    }
    std::int64_t fieldCount() const;
    std::int64_t conflictCount() const;

    // The later mod's value of each field, in file order, moved out: the settings are gone
    // after it. False when the memory cannot be had, with asked set to the size asked for.
    bool takeWinners(std::vector<GivenField>& winners, std::size_t& asked);

private:
    std::vector<Setting> settings_;  // by field in file order, then by mod
};

}  // namespace vantedit
