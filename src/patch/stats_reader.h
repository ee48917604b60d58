// Reading a stats file back into the game: the heading check, the keyword loop, the list
// lines and, through readItemRow, the Item rows.
#pragma once

#include "model/game.h"
#include "model/memory.h"
#include "model/text.h"
#include "patch/attachment_groups.h"
#include "patch/read_numbers.h"
#include "patch/stats_stream.h"
#include "patch/value_writes.h"

namespace vantedit {

// EndOfFile: the reading reached the end of the file, and the image may be saved.
enum class ReadResult { EndOfFile, Failed };

// What a reading did. The messages are the warnings met on the way and, when it failed, the
// failure's message, last.
struct StatsReading {
    ReadResult result = ReadResult::Failed;
    Messages messages;
    // Which field wrote each byte of the stat and list values, and what the byte held before.
    ValueWrites writes;
};

// Reads a whole stats file, from its heading line on, into the game and the groups.
// The memory it reserves first is asked of the faults.
StatsReading readStatsText(StatsStream& in, Game& game, AttachmentGroups& groups, Faults& faults = noFaults());
// The same, also noting in numbers each stat and list number as the file gave it.
StatsReading readStatsText(StatsStream& in, Game& game, AttachmentGroups& groups, ReadNumbers* numbers,
                           Faults& faults = noFaults());

}  // namespace vantedit
