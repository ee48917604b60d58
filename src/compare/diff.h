// What PATCH would change: the game as it is compared with the game after the reading and the
// attachment rebuild, field by field in the order of a stats file.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/game.h"
#include "model/stats_fields.h"

namespace vantedit {

struct FieldChange {
    FieldRef field;
    FieldValue before;
    FieldValue after;
    std::optional<std::int64_t> typed;  // the number as typed, when it did not fit the field
    std::optional<FieldRef> sharedWith;  // the field of another section that is the same bytes
};

enum class PairChange : std::uint8_t { Added, Removed };

struct AttachmentChange {
    std::uint32_t pair;
    PairChange change;
};

struct GameDiff {
    // The changed fields in file order, attachment columns aside: the table shows those.
    std::vector<FieldChange> fields;
    // Added pairs in their new order, then removed pairs in their old order.
    std::vector<AttachmentChange> attachments;
    std::int64_t movedPairs = 0;     // kept pairs whose place among the kept pairs changes
    std::int64_t changedValues = 0;  // values PATCH would write: stats, lists, AmmoName, Sound, Burst
    std::int64_t notSaved = 0;       // changed names and descriptions
    // More than half of the stat cells of the whole rows the file gave differ from the game
    // as it is.
    bool mostValuesDiffer = false;
};

// before: the game as loaded, with its description buffers; after: a copy of it that a stats
// file was read into and whose attachment table was rebuilt; typed: what that reading took
// from the file.
GameDiff diffGames(const Game& before, const Game& after, const TypedNumbers& typed);

}  // namespace vantedit
