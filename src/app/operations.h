// The operations as the run sequence performs them: the file work and the printing
// around the quiet dump and patch code.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>

#include "io/file.h"
#include "model/game.h"
#include "model/memory.h"

namespace vantedit {

// Takes the lock of a file the run will save (see io::FileLock); false after the message
// when another run holds it. A file that cannot be locked is saved without: the check
// before the rename still guards it.
bool lockForSaving(io::FileLock& lock, const std::string& path, std::ostream& out);

// MAKE: loads the description files and writes the stats file, under its lock. Returns the
// exit status.
int runMake(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out,
            Faults& faults);

// PATCH: loads the description files, reads the stats file into the image, rebuilds the
// weapon attachment table and saves the executable, whose lock the caller took before
// reading it. Returns the exit status.
int runPatch(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out,
             Faults& faults, io::FileLock& lock);

// DIFF: PATCH's loading, reading and rebuild on a copy of the game, then the list of what
// would change; writes nothing. Returns the exit status.
int runDiff(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out,
            Faults& faults);

// TEXTS: PATCH's loading and reading on a copy of the game, then the description files saved
// with the texts that changed, instead of the executable. Returns the exit status.
int runTexts(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out,
             Faults& faults);

// MERGE: reads each mod as PATCH reads a stats file, onto its own copy of the game (the master
// the mods were made for), reports the fields that mods set differently, and writes the stats
// file of every field a mod sets, at the later mod's value. Returns the exit status.
int runMerge(Game& master, const std::string& executablePath, const std::string& mergedPath,
             std::span<const std::string_view> modPaths, std::ostream& out, Faults& faults);

// Replaces the executable, of fileSize bytes, with a copy in which the bytes from offset on
// are the given ones, never in place (see io::replaceBytes); with the lock, only while the
// executable is still the file the lock found. Returns the exit status.
int saveExecutable(const std::string& executablePath, std::int64_t fileSize, std::int64_t offset,
                   std::span<const std::uint8_t> bytes, std::ostream& out, Faults& faults, io::FileLock* lock);

}  // namespace vantedit
