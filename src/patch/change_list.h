// Reading a change list and applying it: each line is judged against the game, which must
// hold the value the line expects (or already the value it sets), before any line is applied.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/game.h"
#include "model/stats_fields.h"
#include "patch/read_facts.h"
#include "patch/text_builder.h"

namespace vantedit {

// One line of a change list.
struct ChangeLine {
    FieldRef field;      // the record as written; the field when known
    bool known = false;  // the line's kind has a field of that name
    FieldValue was;
    FieldValue now;
    std::int64_t line = 0;  // counted from 1 at line feeds
    std::string name;       // the field as written
};

// Whether the text is a change list: its first line, after a UTF-8 byte order mark, is the
// list's heading.
bool isChangeList(std::string_view bytes);

// Reads a whole change list (UTF-8 with or without its mark, or in the code page) into lines;
// false with the failure set.
bool readChangeList(std::string_view bytes, CodePage codePage, std::vector<ChangeLine>& lines, ReadFailure& failure);

// What a line finds in the game.
enum class ChangeState : std::uint8_t { Applies, AppliedBefore, Conflict, NoSuchField };

// The line judged forwards (the game holds Was: Now applies) or backwards.
ChangeState judgeChange(const Game& game, const ChangeLine& change, bool backwards = false);

// Sets the line's Now (backwards: its Was) in the game. An attachment pair is added in the first
// free record of the weapon attachment table or freed in place; false when the table is full.
bool applyChange(Game& game, const ChangeLine& change, bool backwards = false);

}  // namespace vantedit
