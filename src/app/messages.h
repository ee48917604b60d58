// Every message the program prints, worded once: the facts the lower layers return become
// the console's text here.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "compare/diff.h"
#include "compare/merge.h"
#include "patch/stats_reader.h"

namespace vantedit {

void printUsage(std::ostream& out);
// "Unrecognized version of executable." with why: a folder, a size no edition has, or an
// edition's size with another header.
void printUnrecognized(std::ostream& out, std::string_view path, long size, bool folder);
void printUnableToAllocate(std::ostream& out, std::int64_t bytes);
void printErrorWriting(std::ostream& out, std::string_view path);
void printUnableToCreate(std::ostream& out, std::string_view path);
void printUnableToRead(std::ostream& out, std::string_view path);
// A stats file refused for its size, of more than limit bytes.
void printTooLargeToRead(std::ostream& out, std::string_view path, std::size_t limit);
// " (<the system's reason>)" for the last failed file call, where it gave one.
void printReason(std::ostream& out);

// The reading's warnings in their order, then its failure message, if it failed.
void printReading(std::ostream& out, const Reading& reading);
void printMostValuesDiffer(std::ostream& out);
// The rebuild's notice, then its count or, over the capacity, its warning.
void printRebuild(std::ostream& out, const RebuildCounts& counts);
void printTooManyAttachments(std::ostream& out, const RebuildCounts& counts);
// diff's lines: one tab-separated line per change, each ending in "\n".
void printDiffLines(std::ostream& out, const GameDiff& diff);

// merge's progress before each mod's reading.
void printReadingMod(std::ostream& out, std::string_view path);
// merge's conflict lines: one tab-separated line per field that mods set to different values,
// each ending in "\n".
void printConflicts(std::ostream& out, const Game& master, const MergedMods& merged,
                    std::span<const std::string_view> mods);
void printMergeCount(std::ostream& out, std::int64_t fields, std::size_t files, std::int64_t conflicts);

// The text with its control bytes escaped, so that it stays on one line.
std::string escaped(std::string_view text);

}  // namespace vantedit
