#pragma once

#include <ostream>
#include <string>

#include "model/game.h"

namespace vantedit {

// PATCH: loads the description files, reads the stats file into the image, rebuilds the
// weapon attachment table and saves the executable. Returns the exit status.
int runPatch(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out);

}  // namespace vantedit
