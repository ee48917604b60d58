#pragma once

#include <ostream>
#include <string>

#include "model/game.h"

namespace vantedit {

// MAKE: loads the description files and writes the stats file. Returns the exit status.
int runMake(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out);

}  // namespace vantedit
