// The change list of two states of one game: every cell that differs, with the value it
// held and the value it holds now.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "compare/diff.h"
#include "model/game.h"

namespace vantedit {

// Every shown field whose value differs between the games, in the order of a stats file: a
// field two sections share under each of its cells, an attachment column as 1 or 0.
std::vector<FieldChange> listChanges(const Game& before, const Game& after);

// The list's text: its first line, then one line of four cells per change.
void writeChangeList(std::string& text, std::span<const FieldChange> changes);

}  // namespace vantedit
