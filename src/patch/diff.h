// What PATCH would change: the game as it is compared with the game after the reading and the
// attachment rebuild, field by field through the same tables MAKE walks.
#pragma once

#include <cstdint>
#include <string>

#include "model/game.h"
#include "patch/read_numbers.h"

namespace vantedit {

struct GameDiff {
    // One tab-separated line per change, each ending in "\n", in the order of a stats file,
    // then the weapon attachment table's lines.
    std::string lines;
    std::int64_t changedValues = 0;  // values PATCH would write: stats, lists, AmmoName, Sound, Burst
    std::int64_t notSaved = 0;       // changed names and descriptions
    // More than half of the stat cells the file gave differ from the game as it is.
    bool mostValuesDiffer = false;
};

// before: the game as loaded, with its description buffers; after: a copy of it that the
// stats file was read into and whose attachment table was rebuilt; numbers: what that reading
// took from the file.
GameDiff diffGames(const Game& before, const Game& after, const ReadNumbers& numbers);

}  // namespace vantedit
