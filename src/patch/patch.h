#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "model/game.h"

namespace vantedit {

// PATCH: loads the description files, reads the stats file into the image, rebuilds the
// weapon attachment table and saves the executable. Returns the exit status.
int runPatch(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out);

// Replaces the executable with the image, never in place: the image goes to a new file beside
// it, which is renamed over it only once it is completely on disk. On any failure the
// executable stays as it was and no new file is left behind. Returns the exit status.
int saveExecutable(const std::string& executablePath, const std::vector<std::uint8_t>& image, std::ostream& out);

}  // namespace vantedit
