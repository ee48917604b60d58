#include "compare/merge.h"

#include <algorithm>
#include <tuple>

#include "model/memory.h"

namespace vantedit {

namespace {

bool inFileOrder(const Setting& a, const Setting& b) {
    return std::tuple(a.field.line, a.field.record, a.field.field) <
           std::tuple(b.field.line, b.field.record, b.field.field);
}

// Every field of the edition's stats file, shown or not: no mod sets more.
std::size_t fieldsOfEdition(const Edition& e) {
    std::size_t count = 0;
    for (std::size_t line = 0; line < kLineTypes.size(); ++line) {
        count += static_cast<std::size_t>(lineRecordCount(e, line)) * lineFieldCount(line);
    }
    return count;
}

}  // namespace

bool isConflict(std::span<const Setting> settings) {
    return std::any_of(settings.begin(), settings.end(),
                       [&](const Setting& s) { return !(s.value == settings[0].value); });
}

bool MergedMods::add(const Game& master, const Game& mod, std::uint32_t index, std::size_t& asked) {
    std::vector<Setting> set;
    const std::size_t most = fieldsOfEdition(master.edition());
    asked = most * sizeof(Setting);
    if (!tryReserve(noFaults(), set, most)) return false;
    // The texts read for the comparison are the only other blocks, each at most a record long.
    const bool compared = tryAllocating(noFaults(), [&] {
        vantedit::forEachField(master.edition(), [&](const FieldRef& f) {
            if (!fieldShown(master, f)) return;
            FieldValue value = readField(mod, f);
            if (!(value == readField(master, f))) set.push_back({f, index, std::move(value)});
        });
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
