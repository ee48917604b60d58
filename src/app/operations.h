// The operations as the run sequence performs them: the file work and the printing around the
// quiet dump and patch code. Each ends by handing what it saves to the save path (io/save.h),
// and returns the exit status.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "dump/stats_writer.h"
#include "io/save.h"
#include "model/game.h"
#include "model/memory.h"

namespace vantedit {

// What an operation is given: the loaded game, the command line's paths and the run's claim on
// the files it saves (the run sequence claimed the executable or the description files already,
// where the operation saves them).
struct RunContext {
    Game* game;  // none for restore, which loads no game
    const std::string& executablePath;
    const std::string& statsPath;
    std::span<const std::string_view> mods;  // merge's
    std::ostream& out;
    Faults& faults;
    io::Claim& claim;
    StatsEncoding encoding = StatsEncoding::CodePage;  // of the stats file MAKE and merge write
    bool* differs = nullptr;                           // where diff tells that something would change
};

// MAKE: loads the description files and writes the stats file.
int runMake(const RunContext& run);
// PATCH: loads the description files, reads the stats file into the image, rebuilds the
// weapon attachment table and saves the executable.
int runPatch(const RunContext& run);
// DIFF: PATCH's loading, reading and rebuild on a copy of the game, then the list of what
// would change; writes nothing.
int runDiff(const RunContext& run);
// TEXTS: PATCH's loading and reading on a copy of the game, then the description files saved
// with the texts that changed, instead of the executable.
int runTexts(const RunContext& run);
// REVERT: takes a change list back out of the game: every line applied backwards, judged
// first, and the executable and the description files it changes saved together.
int runRevert(const RunContext& run);
// MERGE: reads each mod as PATCH reads a stats file, onto the game (the master the mods were
// made for), reports the fields that mods set differently, and writes the stats file of every
// field a mod sets, at the later mod's value.
int runMerge(const RunContext& run);
// CHANGES: writes the change list of what PATCH and texts of the stats file (or change list)
// named after the word would change, or without one, of what they changed since the first
// originals.
int runChanges(const RunContext& run);

// RESTORE: puts back the first originals that PATCH and texts kept, of the executable and its
// description files, each checked first; the originals stay.
int runRestore(const RunContext& run);

// Replaces the executable with a copy in which the bytes from offset on are the given ones,
// keeping its first original, which must pass isOriginal if it exists already; of the bytes,
// only the changed stretches are written when they are given.
int saveExecutable(const std::string& executablePath, std::int64_t offset, std::span<const std::uint8_t> bytes,
                   const io::OriginalTest& isOriginal, std::ostream& out, Faults& faults, io::Claim& claim,
                   std::optional<std::span<const io::ByteRange>> changed = {});

}  // namespace vantedit
