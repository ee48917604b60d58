// The operations as the run sequence performs them: the file work and the printing
// around the quiet dump and patch code.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>

#include "model/game.h"

namespace vantedit {

// MAKE: loads the description files and writes the stats file. Returns the exit status.
int runMake(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out);

// PATCH: loads the description files, reads the stats file into the image, rebuilds the
// weapon attachment table and saves the executable. Returns the exit status.
int runPatch(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out);

// DIFF: PATCH's loading, reading and rebuild on a copy of the game, then the list of what
// would change; writes nothing. Returns the exit status.
int runDiff(Game& game, const std::string& statsPath, std::ostream& out);

// MERGE: reads each mod as PATCH reads a stats file, onto its own copy of the game (the master
// the mods were made for), reports the fields that mods set differently, and writes the stats
// file of every field a mod sets, at the later mod's value. Returns the exit status.
int runMerge(Game& master, const std::string& executablePath, const std::string& mergedPath,
             std::span<const std::string> modPaths, std::ostream& out);

// Replaces the executable, of fileSize bytes, with a copy in which the bytes from offset on
// are the given ones, never in place (see io::replaceBytes). Returns the exit status.
int saveExecutable(const std::string& executablePath, std::int64_t fileSize, std::int64_t offset,
                   std::span<const std::uint8_t> bytes, std::ostream& out);

}  // namespace vantedit
