// One Item row of the stats file: the item's texts into the description buffers, its stat
// values into the image, its attachment columns into the attachment groups.
#pragma once

#include "model/game.h"
#include "patch/attachment_groups.h"
#include "patch/read_numbers.h"
#include "model/text.h"
#include "patch/stats_stream.h"
#include "patch/value_writes.h"

namespace vantedit {

// Which stats file the heading line announced. Only Item rows differ between them.
enum class Layout {
    Current,     // 69 tabs
    Headings72,  // 72 tabs: four extra Weapons fields, no "Halvek's 2" field
    Headings73,  // 73 tabs: four extra Weapons fields
};

// What a line of the stats file left: the next line to read, the end of the reading, or a
// failure whose message has been given.
enum class LineResult { Done, EndOfFile, Failed };

// Reads the row after the blank that ended its "Item" token; its values go through writes.
// Failed: the message is in out. The stat numbers read go into numbers too, when given.
LineResult readItemRow(StatsStream& in, Game& game, Layout layout, AttachmentGroups& groups, ValueWrites& writes,
                       Messages& out, ReadNumbers* numbers = nullptr);

}  // namespace vantedit
