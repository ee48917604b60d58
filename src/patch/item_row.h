// One Item row of a stats file: the item's texts into the description buffers, its stat
// values into the image, its attachment columns into the groups.
#pragma once

#include "model/game.h"
#include "model/stats_fields.h"
#include "patch/attachment_groups.h"
#include "patch/reading.h"
#include "patch/stats_stream.h"

namespace vantedit {

// Reads the row after the blank that ended its "Item" token; its values go through the
// reading's record of writes. An empty cell (nothing, or only blanks), and every cell after
// the row's line ends, keeps what the game holds: a weapon's attachment column is then not
// stated.
LineResult readItemRow(StatsStream& in, Game& game, Layout layout, const TextRules& rules, AttachmentGroups& groups,
                       Reading& reading);

}  // namespace vantedit
