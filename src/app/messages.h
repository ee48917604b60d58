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
#include "io/file.h"
#include "io/save.h"
#include "model/change_fields.h"
#include "model/descriptions.h"
#include "patch/stats_reader.h"

namespace vantedit {

// The fixed texts of a run's progress and its end, and those around a name of a file or a word
// of the command line.
enum class Note : std::uint8_t {
    ReadingBinaryData,
    ReadingItemDescriptions,
    ConvertingTextFile,
    DumpingWeaponStats,
    DescriptionsNotSaved,
    SavingBinaryData,
    Done,
    OutOfMemory,
    InvalidOption,
    EncodingsExclude,
    UnknownOption,
    UnexpectedArgument,
    ComparingWithOriginal,  // the executable's first original, which merge and changes judge against
    NoOriginalKept,         // changes found no first original beside the executable
    NotAChangeList,         // revert was given a file whose first line is not a change list's
};
void printNote(std::ostream& out, Note note, std::string_view name = {});

void printBanner(std::ostream& out);
void printUsage(std::ostream& out);
void printCantOpen(std::ostream& out, std::string_view path);
void printEditionDetected(std::ostream& out, const Edition& edition);
void printExecutableShortRead(std::ostream& out, std::size_t got, long size);
// A description file that is not there, or not whole. shop: Halvek's file.
void printDescriptionFileMissing(std::ostream& out, bool shop, std::string_view path, std::string_view beside);
void printDescriptionFileShortRead(std::ostream& out, bool shop, std::size_t got);
// "Unrecognized version of executable." with why: a folder or another file that is no regular
// one, a size no edition has, or an edition's size with another header.
void printUnrecognized(std::ostream& out, const std::string& path, long size, bool notRegular);
void printUnableToAllocate(std::ostream& out, std::int64_t bytes);
// A save's failure, or a claim's, with its reason.
void printSaveFailure(std::ostream& out, const io::SaveFact& failure);
// The kept copies a save made, in order, then its failure, if it failed; false after a failure.
bool printSaveFacts(std::ostream& out, const io::SaveFacts& facts);
// The save refused before writing anything: no progress of saving is printed.
bool refusedBeforeWriting(const io::SaveFacts& facts);
// restore's lines: each file put back (originals: the first original of each job), then its
// failure, if it failed; false after a failure.
bool printRestores(std::ostream& out, const io::SaveFacts& facts, std::span<const std::string> originals);
// Nothing to put back (missing: the file whose first original is not there, or empty when
// every file is its original already).
void printNothingToRestore(std::ostream& out, std::string_view missing);
// The names and descriptions PATCH does not save, and what would: nothing when none differ.
void printTextsDiffer(std::ostream& out, std::int64_t texts);
void printTextsChanged(std::ostream& out, std::int64_t fields);
// The game's files that texts and revert save, in the order of their save jobs.
enum class GameFile : std::uint8_t { Executable, ItemDescriptions, ShopDescriptions };
// The saving of each file, with its kept copy, and the failure, naming the operation to run
// again when some files were saved and others not; false after a failure.
bool printGameFileSaves(std::ostream& out, const io::SaveFacts& facts, std::span<const GameFile> files,
                        std::string_view operation);
// Why a stats file is not created where it is named: an input of the run, a first original
// the program keeps or would keep, or a file no one may write.
enum class Refusal : std::uint8_t { None, Executable, DescriptionFile, Mod, KeptOriginal, ReadOnly };
// "Unable to create <path>!" with the refusal, or else the system's reason.
void printUnableToCreate(std::ostream& out, std::string_view path, Refusal refusal = Refusal::None);
// "Unable to read <path>!" with the system's reason for the last failed file call, or when
// the path names no regular file, with that.
void printUnableToRead(std::ostream& out, std::string_view path, bool notRegular = false);
// A stats file refused for its size, of more than limit bytes.
void printTooLargeToRead(std::ostream& out, std::string_view path, std::size_t limit);

// The reading's warnings in their order, then its failure message, if it failed.
void printReading(std::ostream& out, const Reading& reading);
void printMostValuesDiffer(std::ostream& out);
// The rebuild's notice, then its count or, over the capacity, its warning.
void printRebuild(std::ostream& out, const RebuildCounts& counts);
void printTooManyAttachments(std::ostream& out, const RebuildCounts& counts);
// diff's lines: one tab-separated line per change, each ending in "\n"; texts are in the
// code page.
void printDiffLines(std::ostream& out, const GameDiff& diff, CodePage page);
void printDiffCount(std::ostream& out, const GameDiff& diff);

// merge's progress before each mod's reading.
void printReadingMod(std::ostream& out, std::string_view path);
// merge's conflict lines: one tab-separated line per field that mods set to different values,
// each ending in "\n".
void printConflicts(std::ostream& out, const Game& master, const MergedMods& merged,
                    std::span<const std::string_view> mods);
// merge's line for a change list's line that is not merged: the master's value (none: the
// edition lacks the field) and the Was the line expects instead, ending in "\n".
void printStaleChange(std::ostream& out, const ChangeLine& change, const FieldValue* held, CodePage page);
void printMergeCount(std::ostream& out, std::int64_t fields, std::size_t files, std::int64_t conflicts);

// A change list's line that does not apply: held is the game's value as the list writes it,
// empty for a field the edition lacks. Backwards, as revert judges it, the line expects its Now.
void printChangeConflict(std::ostream& out, const ChangeLine& change, std::string_view held, bool backwards);
void printMoreConflicts(std::ostream& out, std::int64_t more);
void printChangesDoNotApply(std::ostream& out, std::int64_t conflicts, std::int64_t judged);
void printChangesApplied(std::ostream& out, std::int64_t applied, std::int64_t before);
void printChangesReverted(std::ostream& out, std::int64_t reverted, std::int64_t before);
void printChangesListed(std::ostream& out, std::int64_t changes);

}  // namespace vantedit
