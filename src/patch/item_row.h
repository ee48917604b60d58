// The parts of a reading: the whole file into the game and the attachment groups, and one
// Item row of it: the item's texts into the description buffers, its stat values into the
// image, its attachment columns into the groups.
#pragma once

#include "model/game.h"
#include "model/stats_fields.h"
#include "patch/attachment_groups.h"
#include "patch/stats_reader.h"
#include "patch/stats_stream.h"
#include "patch/text_builder.h"
#include "patch/value_writes.h"

namespace vantedit {

// What a line of the stats file left: the next line to read, or a failure set in the reading.
enum class LineResult { Done, Failed };

// How a reading takes its texts.
struct TextRules {
    TextForm form;
    DescriptionTexts descriptions = DescriptionTexts::NotSaved;
};

// Room for the reading's records and the groups, had before it; false with the failure set.
bool reserveReading(Faults& faults, const Edition& edition, Reading& reading, AttachmentGroups& groups);

// Reads a whole stats file, from its heading line on, into the game and the groups; stops at
// the first failure, set in the reading. applyStatsFile is this with the rebuild after it.
void readStatsText(StatsStream& in, Game& game, AttachmentGroups& groups, Reading& reading,
                   DescriptionTexts texts = DescriptionTexts::NotSaved);

// Notes the number a field was given as typed, and tells when it does not fit the field.
void noteTypedNumber(Reading& reading, const FieldRef& field, std::int64_t number);

// The number a cell holds; false with the failure set at the field when it holds none.
bool readCellNumber(const CellText& cell, std::string_view keyword, const FieldRef& field, std::int64_t& value,
                    Reading& reading);
// The text's conversion problem, if it had one, as the reading's failure at the field; false then.
bool textConverted(TextBuilder& text, std::string_view keyword, const FieldRef& field, Reading& reading);
// The line type the word opens, or kLineTypes.size() for none; AmmoType lines are apart.
std::size_t lineTypeOf(std::string_view word);
// The text starts as a line of a stats file does: a keyword, a blank and a number ("Item 8",
// "Attach 0", "Sound 3").
bool opensWithALine(std::string_view text);

// Passes over the double quote that closes a line's first field in a file saved with every
// field quoted ("Item 8").
void skipClosingQuote(StatsStream& in);

// Reads the row after the blank that ended its "Item" token; its values go through the
// reading's record of writes. An empty cell (nothing, or only blanks), and every cell after
// the row's line ends, keeps what the game holds: a weapon's attachment column is then not
// stated.
LineResult readItemRow(StatsStream& in, Game& game, Layout layout, const TextRules& rules, AttachmentGroups& groups,
                       Reading& reading);

}  // namespace vantedit
