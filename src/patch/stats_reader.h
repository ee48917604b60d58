// Reading a stats file back into the game: the heading check, the keyword loop, the list
// lines and, through readItemRow, the Item rows.
#pragma once

#include <ostream>
#include <string>

#include "model/game.h"
#include "patch/attachment_groups.h"
#include "patch/stats_stream.h"

namespace vantedit {

enum class ReadResult { EndOfFile, Failed };

// Opens the stats file and reads all of it into the game and the groups. Failed: the message
// is printed and nothing may be saved.
ReadResult readStatsFile(Game& game, const std::string& statsPath, AttachmentGroups& groups, std::ostream& out);

// The same reading over a stats file already in memory, from its heading line on.
ReadResult readStatsText(StatsStream& in, Game& game, AttachmentGroups& groups, std::ostream& out);

}  // namespace vantedit
