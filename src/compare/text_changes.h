// What a texts run saves: the Item rows' texts that a reading changed, taken into the
// description buffers they came from, so that the files can be written with them.
#pragma once

#include <cstdint>

#include "model/game.h"

namespace vantedit {

struct TextChanges {
    std::int64_t fields = 0;  // text fields whose text changes
    bool itemFile = false;    // the item description file changes
    bool shopFile = false;    // the shop description file changes
};

// Stores into the game's description buffers each Item text of the edited game (items 0 to
// 350; the shop texts only where the edition has a shop file) that differs from the text the
// game shows for that field, through the files' transform. A field that shows the same text
// keeps its bytes exactly as they are: a stored 33, a full field with no terminator, and every
// second byte survive.
TextChanges takeChangedTexts(Game& game, const Game& edited);

// How many Item texts the game shows otherwise than it would with the other description buffers
// (those it held before a reading); the buffers are handed back as they came.
std::int64_t countChangedTexts(Game& game, DescriptionBuffers& other);

}  // namespace vantedit
