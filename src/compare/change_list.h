// The change list of two states of one game: every cell that differs, with the value it
// held and the value it holds now; and a list's lines judged against a game and set in it.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "compare/diff.h"
#include "model/change_fields.h"
#include "model/game.h"

namespace vantedit {

// Every shown field whose value differs between the games, in the order of a stats file: a
// field two sections share under each of its cells, an attachment column as 1 or 0.
std::vector<FieldChange> listChanges(const Game& before, const Game& after);

// The list's text: its first line, then one line of four cells per change.
void writeChangeList(std::string& text, std::span<const FieldChange> changes);

// What a line finds in the game.
enum class ChangeState : std::uint8_t { Applies, AppliedBefore, Conflict, NoSuchField };

// The line judged forwards (the game holds Was: Now applies) or backwards.
ChangeState judgeChange(const Game& game, const ChangeLine& change, bool backwards = false);

// Sets the line's Now (backwards: its Was) in the game; false when an attachment pair finds
// the weapon attachment table full.
inline bool applyChange(Game& game, const ChangeLine& change, bool backwards = false) {
    return storeField(game, change.field, backwards ? change.was : change.now);
}

}  // namespace vantedit
