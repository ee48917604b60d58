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

// Tells of an Item row whose number names no item.
void noteNoSuchItem(Reading& reading, std::int32_t item);

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
// The line opens like a line of the file, a word, a blank and a number, whatever the word.
bool opensLikeALine(std::string_view text);

// A line end ends the row when what follows it is another line of the file, or nothing:
// otherwise it is a line break inside a text, as older files hold them unquoted. textFrom is
// how much of the file was left where the last look found text: the line ends of the white
// space before it are the text's, and are not looked at again (npos before the first look).
bool lineEndEndsRow(const StatsStream& in, std::size_t& textFrom);

// After a text's opening double quote: the text up to its closing quote, a doubled quote
// standing for one, and tabs, line breaks and carriage returns inside it the text's own. True
// when the closing quote (a single quote followed by a tab, by the line end that ends the row
// or by the end of the file) comes before the line end that ends the row, with nothing but
// doubled quotes before it; ending is then the character read after it (0: a byte 0 ended
// the text before). False when the text was never quoted: it is to be read again without.
bool readQuotedText(StatsStream& in, TextBuilder& text, int& ending);

// Passes over the double quote that closes a line's first field in a file saved with every
// field quoted ("Item 8").
void skipClosingQuote(StatsStream& in);

}  // namespace vantedit
