// What the readers of a stats file's lines share: how a reading takes its texts, and the
// cells, numbers and words that Item rows and list lines read alike.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/stats_fields.h"
#include "patch/stats_reader.h"
#include "patch/stats_stream.h"
#include "patch/text_builder.h"

namespace vantedit {

// What a line of the stats file left: the next line to read, or a failure set in the reading.
enum class LineResult { Done, Failed };

// How a reading takes its texts.
struct TextRules {
    TextForm form;
    DescriptionTexts descriptions = DescriptionTexts::NotSaved;
};

// Notes the number a field was given as typed, and tells when it does not fit the field.
void noteTypedNumber(Reading& reading, const FieldRef& field, std::int64_t number);

// The number a cell holds; false with the failure set at the field when it holds none.
bool readCellNumber(const CellText& cell, std::string_view keyword, const FieldRef& field, std::int64_t& value,
                    Reading& reading);
// The text's conversion problem, if it had one, as the reading's failure at the field; false then.
bool textConverted(TextBuilder& text, std::string_view keyword, const FieldRef& field, Reading& reading);
// The line type the word opens, or kLineTypes.size() for none; an older keyword is apart.
std::size_t lineTypeOf(std::string_view word);
// The older keyword the word is, or nullptr.
const LineAlias* lineAliasOf(std::string_view word);
// The text starts as a line of a stats file does: a keyword, a blank and a number ("Item 8",
// "Attach 0", "Sound 3").
bool opensWithALine(std::string_view text);

// Passes over the double quote that closes a line's first field in a file saved with every
// field quoted ("Item 8").
void skipClosingQuote(StatsStream& in);

}  // namespace vantedit
