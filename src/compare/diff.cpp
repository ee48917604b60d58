#include "compare/diff.h"

#include <algorithm>
#include <set>
#include <utility>

#include "model/attachments.h"
#include "model/sections.h"

namespace vantedit {

namespace {

// A stat cell: an item and the index of its column in kColumns.
using Cell = std::pair<std::int32_t, std::size_t>;

// The first cell, in stats file order, of another section whose bytes overlap this cell's.
std::optional<Cell> sharingCell(const Edition& e, Cell cell) {
    std::optional<Cell> found;
    forEachSharingCell(e, cell.first, cell.second, [&](std::int32_t item, std::size_t ci) {
        if (!found || Cell{item, ci} < *found) found = Cell{item, ci};
    });
    return found;
}

// The distinct non-zero pairs of the table in the order they first appear: the copies
// that fill the table's end are not pairs of their own.
std::vector<std::uint32_t> pairsInTableOrder(const Game& game) {
    std::vector<std::uint32_t> pairs;
    for (const std::uint32_t pair : readWeaponAttachTable(game.image(), game.edition())) {
        if (pair != 0 && std::find(pairs.begin(), pairs.end(), pair) == pairs.end()) pairs.push_back(pair);
    }
    return pairs;
}

// Added pairs in their new order, dropped pairs in their old order, then how many of the
// pairs that stay change their place among the pairs that stay.
void diffAttachments(const Game& before, const Game& after, GameDiff& diff) {
    const std::vector<std::uint32_t> now = pairsInTableOrder(before);
    const std::vector<std::uint32_t> then = pairsInTableOrder(after);
    const auto holds = [](const std::vector<std::uint32_t>& pairs, std::uint32_t p) {
        return std::find(pairs.begin(), pairs.end(), p) != pairs.end();
    };
    std::vector<std::uint32_t> keptNow;
    std::vector<std::uint32_t> keptThen;
    for (std::uint32_t p : then) {
        if (!holds(now, p)) diff.attachments.push_back({p, PairChange::Added});
        else keptThen.push_back(p);
    }
    for (std::uint32_t p : now) {
        if (!holds(then, p)) diff.attachments.push_back({p, PairChange::Removed});
        else keptNow.push_back(p);
    }
    for (std::size_t i = 0; i < keptNow.size(); ++i) {
        if (keptNow[i] != keptThen[i]) ++diff.movedPairs;
    }
}

}  // namespace

GameDiff diffGames(const Game& before, const Game& after, const TypedNumbers& typed) {
    GameDiff diff;
    const Edition& e = before.edition();
    std::set<Cell> reported;
    forEachField(e, [&](const FieldRef& f) {
        const FieldKind kind = fieldKind(f);
        if (kind == FieldKind::Attachment || !fieldShown(before, f)) return;
        FieldChange change{f, readField(before, f), readField(after, f), std::nullopt, std::nullopt};
        if (change.before == change.after) return;
        const std::optional<std::int64_t> given = typed.find(f);  // only number fields have one
        if (given && !numberFits(numberKind(f), *given)) change.typed = given;
        if (kLineTypes[f.line].kind == LineKind::Item && kind == FieldKind::Number) {
            const Cell cell{f.record, itemCell(f).index};
            if (reported.contains(cell)) return;
            if (const std::optional<Cell> other = sharingCell(e, cell)) {
                // The other field shows the same bytes: it is this change, not one of its own.
                reported.insert(*other);
                change.sharedWith = itemField(other->first, statCellIndex(other->second));
            }
        }
        ++(notSavedByPatch(f) ? diff.notSaved : diff.changedValues);
        diff.fields.push_back(std::move(change));
    });
    diffAttachments(before, after, diff);
    diff.mostValuesDiffer = mostStatValuesDiffer(before, typed, [&](std::int32_t item, std::size_t ci) {
        const FieldRef f = itemField(item, statCellIndex(ci));
        return !(readField(before, f) == readField(after, f));
    });
    return diff;
}

}  // namespace vantedit
