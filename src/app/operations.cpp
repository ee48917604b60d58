#include "app/operations.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <span>
#include <sstream>

#include "app/game_files.h"
#include "app/messages.h"
#include "app/recognition.h"
#include "app/terminal.h"
#include "compare/change_list.h"
#include "compare/diff.h"
#include "compare/merge.h"
#include "compare/text_changes.h"
#include "dump/stats_writer.h"
#include "io/file.h"
#include "model/change_fields.h"
#include "model/memory.h"
#include "model/table_span.h"
#include "patch/stats_reader.h"

namespace vantedit {

namespace {

// What the stats file would be created over, destroying it: the game, one of its description
// files, a first original that the program keeps or would keep of either (whether or not it
// exists yet), one of merge's mods, or a file no one may write.
Refusal refusalAt(const RunContext& run) {
    const Edition& e = run.game->edition();
    const std::string& stats = run.statsPath;
    const auto is = [&](const std::string& path, bool kept) {
        return io::sameFile(stats, kept ? io::firstOriginalPath(path) : path);
    };
    // Under the working folder or beside the executable, where the run looks for them.
    const auto isDescriptionFile = [&](std::string_view path, bool kept) {
        return !path.empty() && (is(std::string(path), kept) || is(io::besideFile(run.executablePath, path), kept));
    };
    for (const bool kept : {false, true}) {
        if (is(run.executablePath, kept)) return kept ? Refusal::KeptOriginal : Refusal::Executable;
        if (isDescriptionFile(e.itemDescPath, kept) || isDescriptionFile(e.shopDescPath, kept))
            return kept ? Refusal::KeptOriginal : Refusal::DescriptionFile;
    }
    if (std::ranges::any_of(run.mods, [&](std::string_view mod) { return is(std::string(mod), false); }))
        return Refusal::Mod;
    // A rename would ignore the mark, and so would a run as root.
    return !io::isStandardOutput(stats) && io::isReadOnly(stats) ? Refusal::ReadOnly : Refusal::None;
}

// The stats file can be created where it is named; false after the message.
bool canCreateStatsFile(const RunContext& run) {
    const Refusal refusal = refusalAt(run);
    if (refusal == Refusal::None && io::canWriteOver(run.faults, run.statsPath)) return true;
    printUnableToCreate(run.out, run.statsPath, refusal);
    return false;
}

// The whole stats file; false after the message. Memory for it is part of its reading.
bool readStatsFileBytes(const std::string& statsPath, std::string& bytes, std::size_t& unallocated, std::ostream& out,
                        Faults& faults) {
    switch (io::readWholeFileUpTo(faults, statsPath, kMostStatsFileBytes, bytes, unallocated)) {
        case io::WholeRead::Read:
        case io::WholeRead::NoMemory: return true;
        case io::WholeRead::TooLarge: printTooLargeToRead(out, statsPath, kMostStatsFileBytes); return false;
        case io::WholeRead::Unreadable: break;
    }
    printUnableToRead(out, statsPath);
    return false;
}

// The stats file's bytes, to be converted; false after the message.
bool readStatsFile(const std::string& path, std::string& bytes, std::ostream& out, Faults& faults) {
    std::size_t unallocated = 0;
    if (!readStatsFileBytes(path, bytes, unallocated, out, faults)) return false;
    printNote(out, Note::ConvertingTextFile);
    if (unallocated == 0) return true;
    printUnableToAllocate(out, static_cast<std::int64_t>(unallocated));
    return false;
}

// The description files into the game, and the stats file's bytes; false after the message.
bool loadGameTextsAndStatsFile(const RunContext& run, std::string& bytes) {
    Game& game = *run.game;
    return loadDescriptionFiles(game.edition(), game.descriptions, run.executablePath, run.out, run.faults) &&
           readStatsFile(run.statsPath, bytes, run.out, run.faults);
}

// The stats file read onto the game, with the reading's messages; false when it failed.
bool applyAndPrint(Game& game, std::string bytes, Reading& reading, std::ostream& out, Faults& faults,
                   DescriptionTexts texts = DescriptionTexts::NotSaved) {
    reading = applyStatsFile(game, std::move(bytes), faults, texts);
    printReading(out, reading);
    return reading.ok();
}

// Room for the largest stats file there can be, every text at its longest.
constexpr std::size_t kTextRoom = std::size_t{1} << 20;

// The stats text that write makes, as the file's bytes in the run's encoding with CR LF line
// ends; false after the message.
template <typename Write>
bool textWithCrLf(const RunContext& run, Write write, std::string& bytes) {
    std::string text;
    if (!tryReserve(run.faults, text, kTextRoom)) {
        printUnableToAllocate(run.out, kTextRoom);
        return false;
    }
    write(text);
    const CodePage page = run.game->edition().codePage;
    const std::size_t size = statsBytesSize(text, run.encoding, page);
    if (!tryReserve(run.faults, bytes, size)) {
        printUnableToAllocate(run.out, static_cast<std::int64_t>(size));
        return false;
    }
    appendStatsBytes(bytes, text, run.encoding, page);
    return true;
}

// That text saved as the stats file, keeping the previous one; empty after the message of a
// failure to allocate.
template <typename Write>
std::optional<io::SaveFacts> saveStatsText(const RunContext& run, Write write) {
    std::string bytes;
    if (!textWithCrLf(run, write, bytes)) return std::nullopt;
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    const io::SaveJob job{run.statsPath, data, io::kWholeFile, {}, io::KeptCopy::PreviousStats, {}, {}};
    return io::saveFiles(run.claim, std::span(&job, 1), run.faults);
}

// The regular file's size, -1 when it cannot be had. The checks of a kept first original below
// only read: a failure there refuses the save, so they are not among the faults' points.
long measuredSize(const std::string& path) {
    io::File file(noFaults());
    long size = -1;
    bool notRegular = false;
    return file.openRegular(path, notRegular) && file.seek(0, SEEK_END) && file.tell(size) ? size : -1;
}

// A kept first original of the executable is a recognised executable of the same edition.
io::OriginalTest isOriginalExecutable(const Edition& edition) {
    return [&edition](const std::string& path) {
        io::File file(noFaults());
        long size = -1;
        bool notRegular = false;
        return openAndRecognise(file, path, size, notRegular) == &edition;
    };
}

// A kept first original of a description file has the file's size; of one that is gone, the
// size of the game's records at least.
io::OriginalTest isOriginalOfSize(const std::string& file) {
    const long size = measuredSize(file);
    return [size](const std::string& path) {
        const long kept = measuredSize(path);
        return size >= 0 ? kept == size : kept >= static_cast<long>(kDescFileSize);
    };
}

// A change list's line that merge leaves out: the master holds another value than its Was
// (held), or lacks its field (no value).
struct StaleChange {
    ChangeLine line;
    std::optional<FieldValue> held;
};

// What merge gathers of its mods.
struct MergeState {
    MergedMods merged;
    std::vector<StaleChange> stale;
};

// The change list's lines, read in the game's code page; false after the reading's failure.
bool readListLines(const Game& game, std::string_view bytes, std::vector<ChangeLine>& lines, std::ostream& out,
                   Faults& faults) {
    Reading reading;
    reading.texts.codePage = game.edition().codePage;
    if (readChangeList(bytes, faults, game.edition().codePage, lines, reading)) return true;
    printReading(out, reading);
    return false;
}

// A change list's lines as set cells of one mod: each whose Was the master holds sets its Now
// on the working copy; the others are stale, not merged. False after the failure's message.
bool mergeChangeList(const Game& master, Game& work, std::string_view bytes, std::uint32_t index, MergeState& state,
                     std::ostream& out, Faults& faults) {
    std::vector<ChangeLine> lines;
    if (!readListLines(master, bytes, lines, out, faults)) return false;
    std::vector<FieldRef> reached;
    std::int32_t notAdded = 0;
    for (ChangeLine& c : lines) {
        const ChangeState judged = judgeChange(master, c);
        if (judged == ChangeState::Applies) {
            notAdded += applyChange(work, c) ? 0 : 1;
            reached.push_back(c.field);
        } else if (judged != ChangeState::AppliedBefore) {
            std::optional<FieldValue> held;
            if (judged == ChangeState::Conflict) held = readField(master, c.field);
            state.stale.push_back({std::move(c), std::move(held)});
        }
    }
    const std::int32_t capacity = weaponAttachCapacity(master.edition());
    if (notAdded > 0) printTooManyAttachments(out, {capacity + notAdded, capacity});
    std::size_t asked = 0;
    if (state.merged.add(master, work, reached, index, asked)) return true;
    printUnableToAllocate(out, static_cast<std::int64_t>(asked));
    return false;
}

// One mod read onto the working copy of the master, as PATCH reads it (or a change list, as
// set cells), with the reading's messages, and what it sets added to the merge, which puts
// the copy back; false after the failure's message.
bool mergeMod(const Game& master, Game& work, const std::string& modPath, std::uint32_t index, MergeState& state,
              std::ostream& out, Faults& faults) {
    printReadingMod(out, modPath);
    std::string bytes;
    std::size_t asked = 0;
    if (!readStatsFileBytes(modPath, bytes, asked, out, faults)) return false;
    if (asked != 0) {
        printUnableToAllocate(out, static_cast<std::int64_t>(asked));
        return false;
    }
    if (isChangeList(bytes)) return mergeChangeList(master, work, bytes, index, state, out, faults);
    const Reading reading = applyStatsFile(work, std::move(bytes), faults);
    printReading(out, reading);
    if (!reading.ok()) return false;
    if (reading.mostValuesDiffer) printMostValuesDiffer(out);
    if (reading.attachments.collected > reading.attachments.capacity) printTooManyAttachments(out, reading.attachments);
    if (state.merged.add(master, work, reading.reached.fields(), index, asked)) return true;
    printUnableToAllocate(out, static_cast<std::int64_t>(asked));
    return false;
}

// The first originals of the description files, where there are, into the original game's
// buffers; false after the message.
bool loadKeptDescriptions(const RunContext& run, Game& original) {
    std::vector<std::string> paths;
    if (!addDescriptionPaths(original.edition(), run.executablePath, run.out, paths)) return false;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string kept = io::firstOriginalPath(paths[i]);
        const io::Presence presence = io::lookUp(kept);
        if (presence == io::Presence::Absent) continue;
        auto& buffer = i == 0 ? original.descriptions.item : original.descriptions.shop;
        io::File in(run.faults);
        bool notRegular = false;
        if (presence != io::Presence::Unknown && in.openRegular(kept, notRegular) &&
            in.read(buffer.data(), buffer.size()) == buffer.size()) {
            continue;
        }
        printUnableToRead(run.out, kept, notRegular);
        return false;
    }
    return true;
}

// Changed stretches with fewer equal bytes than this between them are written as one.
constexpr std::size_t kJoinedGap = 256;

// The stretches in which after differs from before, in order; ranges has room for as many as
// there can be.
void changedStretches(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after,
                      std::vector<io::ByteRange>& ranges) {
    constexpr std::size_t kBlock = 64;  // equal blocks are passed over whole
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (after.size() - i >= kBlock && std::memcmp(before.data() + i, after.data() + i, kBlock) == 0) {
            i += kBlock - 1;
            continue;
        }
        if (before[i] == after[i]) continue;
        if (!ranges.empty() && i - (ranges.back().offset + ranges.back().size) < kJoinedGap) {
            ranges.back().size = i + 1 - ranges.back().offset;
        } else {
            ranges.push_back({i, 1});
        }
    }
}

// A copy of the bytes, and room for the stretches of them that a PATCH changes; false after
// the message.
bool keepAsLoaded(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& loaded,
                  std::vector<io::ByteRange>& changed, const RunContext& run) {
    const std::size_t most = bytes.size() / kJoinedGap + 1;
    if (!tryReserve(run.faults, changed, most)) {
        printUnableToAllocate(run.out, static_cast<std::int64_t>(most * sizeof(io::ByteRange)));
        return false;
    }
    if (!tryAllocating(run.faults, [&] { loaded.assign(bytes.begin(), bytes.end()); })) {
        printUnableToAllocate(run.out, static_cast<std::int64_t>(bytes.size()));
        return false;
    }
    return true;
}

// The executable's first original, where there is one, with the first originals of its
// description files, or the files themselves; false after the message.
bool loadFirstOriginal(const RunContext& run, std::optional<Game>& original, bool tell = true) {
    const std::string path = io::firstOriginalPath(run.executablePath);
    const io::Presence presence = io::lookUp(path);
    if (presence == io::Presence::Unknown) {
        printUnableToRead(run.out, path);
        return false;
    }
    if (presence == io::Presence::Absent) return true;
    const Game& game = *run.game;
    if (!isOriginalExecutable(game.edition())(io::savedPath(path))) {
        printSaveFailure(run.out, {io::SaveEvent::Failed, run.executablePath, io::SaveError::NotAnOriginal, {}, path});
        return false;
    }
    // Its loading says again what the executable's said.
    std::ostringstream quiet;
    setTakesUtf8(quiet, takesUtf8(run.out));  // names shown as run.out shows them
    bool openFailed = false;
    original = loadExecutable(path, quiet, openFailed, run.faults);
    if (!original) {
        run.out << quiet.str();
        return false;
    }
    original->descriptions = game.descriptions;
    if (!loadKeptDescriptions(run, *original)) return false;
    if (tell) printNote(run.out, Note::ComparingWithOriginal, path);
    return true;
}

// The game as its first originals hold it: the executable's, its description files', or
// where only some are kept, the files as they are for the rest; empty when none is kept.
// False after the message.
bool loadFirstOriginals(const RunContext& run, std::optional<Game>& original, bool tell = true) {
    if (!loadFirstOriginal(run, original, tell)) return false;
    if (original) return true;
    std::vector<std::string> paths;
    if (!addDescriptionPaths(run.game->edition(), run.executablePath, run.out, paths)) return false;
    const bool kept = std::any_of(paths.begin(), paths.end(), [](const std::string& path) {
        return io::lookUp(io::firstOriginalPath(path)) != io::Presence::Absent;
    });
    if (!kept) return true;
    std::size_t asked = 0;
    original = run.game->tryCopy(asked, run.faults);
    if (!original) {
        printUnableToAllocate(run.out, static_cast<std::int64_t>(asked));
        return false;
    }
    return loadKeptDescriptions(run, *original);
}

// A lookup of a first original that restore puts back, failed: its message.
void printLookupFailure(std::ostream& out, const std::string& original) {
    printSaveFailure(out, {io::SaveEvent::Failed, original, io::SaveError::System, io::lastFailureReason(), {}});
}

// restore's edition: the executable's, or, where another tool broke it or it is gone, its
// first original's; nullptr after the message.
const Edition* restoredEdition(const RunContext& run) {
    const std::string& exe = run.executablePath;
    const std::string exeOriginal = io::firstOriginalPath(exe);
    io::File file(run.faults);
    long size = -1;
    bool notRegular = false;
    if (const Edition* edition = openAndRecognise(file, exe, size, notRegular)) return edition;
    const bool openFailed = !file.isOpen() && !notRegular;
    // An executable that is gone is restored from its first original alone.
    if (openFailed && (io::lookUp(exe) != io::Presence::Absent || io::lookUp(exeOriginal) != io::Presence::File)) {
        printCantOpen(run.out, exe);
        printUsage(run.out);
        return nullptr;
    }
    if (!openFailed) {
        const io::Presence original = io::lookUp(exeOriginal);
        if (original == io::Presence::Unknown) {
            printLookupFailure(run.out, exeOriginal);
            return nullptr;
        }
        if (original == io::Presence::Absent) {
            printUnrecognized(run.out, exe, size, notRegular);
            return nullptr;
        }
    }
    io::File kept(run.faults);
    if (const Edition* edition = openAndRecognise(kept, exeOriginal, size, notRegular)) return edition;
    printUnrecognized(run.out, exeOriginal, -1, notRegular);
    return nullptr;
}

// The files restore may put back: the executable and its description files, each that has a
// first original; false after the message.
bool filesWithOriginals(const RunContext& run, const Edition& edition, std::vector<std::string>& files) {
    files = {run.executablePath};
    if (!addDescriptionPaths(edition, run.executablePath, run.out, files)) return false;
    for (auto it = files.begin(); it != files.end();) {
        const std::string original = io::firstOriginalPath(*it);
        const io::Presence presence = io::lookUp(original);
        if (presence == io::Presence::Unknown) {
            printLookupFailure(run.out, original);
            return false;
        }
        it = presence == io::Presence::Absent ? files.erase(it) : it + 1;
    }
    return true;
}

// The operation a change list is given to. PATCH judges the lines of the executable's cells,
// texts those of names and descriptions, diff and revert every line; revert judges them
// backwards, and only diff goes on past a conflict, to show the rest.
enum class ListUse : std::uint8_t { Patch, Texts, Diff, Revert };

bool judgedBy(ListUse use, const ChangeLine& c) {
    // A field no Item row has may be either: both judge it.
    if (use == ListUse::Diff || use == ListUse::Revert) return true;
    if (!c.known && kLineTypes[c.field.line].kind == LineKind::Item) return true;
    return notSavedByPatch(c.field) == (use == ListUse::Texts);
}

// What a change list did to a game.
struct ListOutcome {
    std::int64_t judged = 0;
    std::int64_t applied = 0;
    std::int64_t before = 0;
    std::int64_t conflicts = 0;
    std::int64_t notAdded = 0;  // attachment pairs the full table had no room for
    bool itemFile = false;      // an applied line changed a text of the item description file
    bool shopFile = false;      // of the shop description file
};

// The conflicts told one by one; the rest are counted.
constexpr std::int64_t kMostConflictsTold = 20;

// Sets each line's Now, or backwards its Was, from the last line to the first: an attachment
// pair then goes back to the record it came from. Backwards, a field that the first original
// (if given) holds at the line's Was takes the original's bytes: a text's bytes after its end,
// which no list holds, come back with it.
void applyLines(Game& game, std::span<const ChangeLine* const> lines, bool backwards, const Game* original,
                ListOutcome& outcome) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ChangeLine* c = lines[backwards ? lines.size() - 1 - i : i];
        outcome.notAdded += applyChange(game, *c, backwards) ? 0 : 1;
        const bool attachment = fieldKind(c->field) == FieldKind::Attachment;
        if (backwards && original != nullptr && !attachment && readField(*original, c->field) == c->was) {
            copyFieldBytes(game, *original, c->field);
        }
        const FieldStore store = fieldBytes(game.edition(), c->field).store;
        outcome.itemFile = outcome.itemFile || store == FieldStore::ItemDescriptions;
        outcome.shopFile = outcome.shopFile || store == FieldStore::ShopDescriptions;
    }
}

// Reads the change list and judges the lines the operation judges against the game, printing
// each conflict; applies the lines that apply when none conflicts, or always for diff, which
// shows them. False after the message of a reading's failure, or of conflicts that stop the run.
bool applyChangeList(Game& game, std::string_view bytes, ListUse use, ListOutcome& outcome, std::ostream& out,
                     Faults& faults, const Game* original = nullptr) {
    std::vector<ChangeLine> lines;
    if (!readListLines(game, bytes, lines, out, faults)) return false;
    const bool backwards = use == ListUse::Revert;
    std::vector<ChangeLine*> applying;
    for (ChangeLine& c : lines) {
        if (!judgedBy(use, c)) continue;
        ++outcome.judged;
        const ChangeState state = judgeChange(game, c, backwards);
        outcome.applied += state == ChangeState::Applies ? 1 : 0;
        outcome.before += state == ChangeState::AppliedBefore ? 1 : 0;
        if (state == ChangeState::Applies) applying.push_back(&c);
        if (state != ChangeState::Conflict && state != ChangeState::NoSuchField) continue;
        if (++outcome.conflicts > kMostConflictsTold) continue;
        const bool held = state == ChangeState::Conflict;
        printChangeConflict(out, c, held ? changeValueText(c.field, readField(game, c.field)) : "", backwards);
    }
    if (outcome.conflicts > kMostConflictsTold) printMoreConflicts(out, outcome.conflicts - kMostConflictsTold);
    if (outcome.conflicts > 0 && use != ListUse::Diff) {
        printChangesDoNotApply(out, outcome.conflicts, outcome.judged);
        return false;
    }
    applyLines(game, applying, backwards, original, outcome);
    return true;
}

// The stats file or change list read onto a copy of the game (which takes the description
// buffers along), with the reading's messages; empty after a failure's message.
std::optional<Game> editedCopy(const RunContext& run, std::string bytes, ListUse use, Reading& reading,
                               ListOutcome& outcome, DescriptionTexts texts = DescriptionTexts::NotSaved) {
    std::size_t asked = 0;
    std::optional<Game> copy = run.game->tryCopy(asked, run.faults);
    if (!copy) {
        printUnableToAllocate(run.out, static_cast<std::int64_t>(asked));
        return std::nullopt;
    }
    const bool read = isChangeList(bytes) ? applyChangeList(*copy, bytes, use, outcome, run.out, run.faults)
                                          : applyAndPrint(*copy, std::move(bytes), reading, run.out, run.faults, texts);
    return read ? std::move(copy) : std::nullopt;
}

// The weapon attachment table had no room for some pairs: the warning PATCH gives.
void printPairsNotAdded(std::ostream& out, const Game& game, const ListOutcome& outcome) {
    const std::int32_t capacity = weaponAttachCapacity(game.edition());
    if (outcome.notAdded > 0) printTooManyAttachments(out, {capacity + outcome.notAdded, capacity});
}

// The save jobs of a run that saves some of the game's files, each with the file it is.
struct GameSaves {
    std::array<io::SaveJob, 3> jobs;
    std::array<GameFile, 3> files{};
    std::size_t count = 0;
};

// Adds the saving of each description file that changed, whole, keeping its first original;
// false after the message.
bool addDescriptionSaves(const RunContext& run, bool itemFile, bool shopFile, GameSaves& saves) {
    const Edition& e = run.game->edition();
    for (const auto& [file, changed] : {std::pair{DescFile::Item, itemFile}, {DescFile::Shop, shopFile}}) {
        if (!changed) continue;
        const std::string path =
            descriptionPath(file == DescFile::Item ? e.itemDescPath : e.shopDescPath, run.executablePath, run.out);
        if (path.empty()) return false;
        const std::span<const std::uint8_t> bytes = run.game->descriptions.view(file).bytes();
        saves.jobs[saves.count] = {path, bytes, 0, {}, io::KeptCopy::FirstOriginal, isOriginalOfSize(path), {}};
        saves.files[saves.count++] = file == DescFile::Item ? GameFile::ItemDescriptions : GameFile::ShopDescriptions;
    }
    return true;
}

// Saves the files, every new one written before any is renamed, with the messages; false
// after the failure's.
bool saveGameFiles(const RunContext& run, const GameSaves& saves, std::string_view operation) {
    const io::SaveFacts facts = io::saveFiles(run.claim, std::span(saves.jobs.data(), saves.count), run.faults);
    return printGameFileSaves(run.out, facts, std::span(saves.files.data(), saves.count), operation);
}

}  // namespace

int runMake(const RunContext& run) {
    Game& game = *run.game;
    if (!loadDescriptionFiles(game.edition(), game.descriptions, run.executablePath, run.out, run.faults)) return 1;
    printNote(run.out, Note::DumpingWeaponStats);
    if (!canCreateStatsFile(run)) return 1;
    const auto facts = saveStatsText(run, [&](std::string& text) { writeStatsFile(text, game); });
    if (!facts || !printSaveFacts(run.out, *facts)) return 1;
    printNote(run.out, Note::Done);
    return 0;
}

int saveExecutable(const std::string& executablePath, std::int64_t offset, std::span<const std::uint8_t> bytes,
                   const io::OriginalTest& isOriginal, std::ostream& out, Faults& faults, io::Claim& claim,
                   std::optional<std::span<const io::ByteRange>> changed) {
    const io::SaveJob job{executablePath, bytes, offset, {}, io::KeptCopy::FirstOriginal, isOriginal, changed};
    const io::SaveFacts facts = io::saveFiles(claim, std::span(&job, 1), faults);
    if (!refusedBeforeWriting(facts)) printNote(out, Note::SavingBinaryData);
    if (!printSaveFacts(out, facts)) return 1;
    printNote(out, Note::Done);
    return 0;
}

int runPatch(const RunContext& run) {
    Game& game = *run.game;
    // The copy of the executable that the save lays the changes over is written while the run reads.
    io::beginCopy(run.claim, run.executablePath, run.faults);
    std::string bytes;
    Reading reading;
    if (!loadGameTextsAndStatsFile(run, bytes)) return 1;
    // The texts as the game holds them, to tell how many the file changes; the tables' stretch
    // as loaded, to write only the bytes the file changes.
    DescriptionBuffers texts = game.descriptions;
    const ByteSpan span = tableSpan(game.edition());
    const auto tables = [&] {
        return game.image().bytes().subspan(static_cast<std::size_t>(span.begin),
                                            static_cast<std::size_t>(span.size()));
    };
    std::vector<std::uint8_t> loaded;
    std::vector<io::ByteRange> changed;
    if (!keepAsLoaded(tables(), loaded, changed, run)) return 1;
    if (isChangeList(bytes)) {
        // The list's lines change the table in place: no rebuild.
        ListOutcome outcome;
        if (!applyChangeList(game, bytes, ListUse::Patch, outcome, run.out, run.faults)) return 1;
        printChangesApplied(run.out, outcome.applied, outcome.before);
        printNote(run.out, Note::DescriptionsNotSaved);
        printPairsNotAdded(run.out, game, outcome);
    } else {
        if (!applyAndPrint(game, std::move(bytes), reading, run.out, run.faults)) return 1;
        if (reading.mostValuesDiffer) printMostValuesDiffer(run.out);
        // The texts went into the description buffers only; the description files stay as they are.
        printNote(run.out, Note::DescriptionsNotSaved);
        printTextsDiffer(run.out, countChangedTexts(game, texts));
        printRebuild(run.out, reading.attachments);
    }
    // Only the tables' stretch was read and changed; the rest is copied from the file.
    changedStretches(loaded, tables(), changed);
    return saveExecutable(run.executablePath, span.begin, tables(), isOriginalExecutable(game.edition()), run.out,
                          run.faults, run.claim, changed);
}

int runTexts(const RunContext& run) {
    Game& game = *run.game;
    std::string bytes;
    if (!loadGameTextsAndStatsFile(run, bytes)) return 1;
    // The reading goes onto a copy, so that each text can be compared with what the files hold.
    Reading reading;
    ListOutcome outcome;
    const bool list = isChangeList(bytes);
    const std::optional<Game> edited =
        editedCopy(run, std::move(bytes), ListUse::Texts, reading, outcome, DescriptionTexts::Saved);
    if (!edited) return 1;
    if (reading.mostValuesDiffer) printMostValuesDiffer(run.out);
    if (list) printChangesApplied(run.out, outcome.applied, outcome.before);
    const TextChanges changes = takeChangedTexts(game, *edited);
    printTextsChanged(run.out, changes.fields);
    GameSaves saves;
    if (!addDescriptionSaves(run, changes.itemFile, changes.shopFile, saves)) return 1;
    if (!saveGameFiles(run, saves, "texts")) return 1;
    printNote(run.out, Note::Done);
    return 0;
}

int runRevert(const RunContext& run) {
    Game& game = *run.game;
    std::string bytes;
    if (!loadGameTextsAndStatsFile(run, bytes)) return 1;
    if (!isChangeList(bytes)) {
        printNote(run.out, Note::NotAChangeList, run.statsPath);
        return 1;
    }
    // The tables' stretch as loaded, to write only the bytes the list changes back.
    const ByteSpan span = tableSpan(game.edition());
    const std::span<const std::uint8_t> tables =
        game.image().bytes().subspan(static_cast<std::size_t>(span.begin), static_cast<std::size_t>(span.size()));
    std::vector<std::uint8_t> loaded;
    std::vector<io::ByteRange> changed;
    if (!keepAsLoaded(tables, loaded, changed, run)) return 1;
    std::optional<Game> original;
    if (!loadFirstOriginals(run, original, false)) return 1;
    ListOutcome outcome;
    if (!applyChangeList(game, bytes, ListUse::Revert, outcome, run.out, run.faults, original ? &*original : nullptr))
        return 1;
    printPairsNotAdded(run.out, game, outcome);
    changedStretches(loaded, tables, changed);
    GameSaves saves;
    if (!changed.empty()) {
        const io::OriginalTest test = isOriginalExecutable(game.edition());
        saves.jobs[0] = {run.executablePath, tables, span.begin, {}, io::KeptCopy::FirstOriginal, test, changed};
        saves.files[saves.count++] = GameFile::Executable;
    }
    if (!addDescriptionSaves(run, outcome.itemFile, outcome.shopFile, saves)) return 1;
    if (!saveGameFiles(run, saves, "revert")) return 1;
    printChangesReverted(run.out, outcome.applied, outcome.before);
    return 0;
}

int runDiff(const RunContext& run) {
    Game& game = *run.game;
    std::string bytes;
    if (!loadGameTextsAndStatsFile(run, bytes)) return 1;
    Reading reading;
    ListOutcome outcome;
    const std::optional<Game> after = editedCopy(run, std::move(bytes), ListUse::Diff, reading, outcome);
    if (!after) return 1;
    // The rebuild's own notices belong to a PATCH; what it does shows in the attachment lines.
    const GameDiff diff = diffGames(game, *after, reading.typed);
    run.out << "\n";
    printDiffLines(run.out, diff, game.edition().codePage);
    if (outcome.conflicts > 0) {
        printChangesDoNotApply(run.out, outcome.conflicts, outcome.judged);
        return 1;
    }
    if (diff.mostValuesDiffer) printMostValuesDiffer(run.out);
    printDiffCount(run.out, diff);
    printTextsDiffer(run.out, diff.notSaved);
    printNote(run.out, Note::Done);
    if (run.differs != nullptr)
        *run.differs = diff.changedValues + diff.notSaved + diff.movedPairs > 0 || !diff.attachments.empty();
    return 0;
}

int runMerge(const RunContext& run) {
    Game& master = *run.game;
    if (!loadDescriptionFiles(master.edition(), master.descriptions, run.executablePath, run.out, run.faults)) return 1;
    // Mods are made from the original game: after a PATCH, its first original is what they are
    // judged against.
    if (!canCreateStatsFile(run)) return 1;
    std::optional<Game> original;
    if (!loadFirstOriginal(run, original)) return 1;
    const Game& base = original ? *original : master;
    // One working copy of the game for every mod, put back after each: a mod costs what it holds.
    MergeState state;
    std::size_t asked = 0;
    std::optional<Game> work = base.tryCopyOfTables(asked, run.faults);
    if (!work) {
        printUnableToAllocate(run.out, static_cast<std::int64_t>(asked));
        return 1;
    }
    for (std::size_t i = 0; i < run.mods.size(); ++i) {
        const std::string path(run.mods[i]);
        if (!mergeMod(base, *work, path, static_cast<std::uint32_t>(i), state, run.out, run.faults)) return 1;
    }
    run.out << "\n";
    printConflicts(run.out, base, state.merged, run.mods);
    // A stale line is told with the conflicts and counted with them.
    for (const StaleChange& s : state.stale)
        printStaleChange(run.out, s.line, s.held ? &*s.held : nullptr, base.edition().codePage);
    const std::int64_t fields = state.merged.fieldCount();
    const std::int64_t conflicts = state.merged.conflictCount() + static_cast<std::int64_t>(state.stale.size());

    std::vector<GivenField> winners;
    if (!state.merged.takeWinners(winners, asked)) {
        printUnableToAllocate(run.out, static_cast<std::int64_t>(asked));
        return 1;
    }
    // No longer than MAKE's file of the same game: its Item rows hold fewer cells.
    const auto facts = saveStatsText(run, [&](std::string& text) { writeGivenFields(text, master, winners); });
    // The count only when the file is saved.
    if (facts && (facts->empty() || facts->back().event != io::SaveEvent::Failed))
        printMergeCount(run.out, fields, run.mods.size(), conflicts);
    if (!facts || !printSaveFacts(run.out, *facts)) return 1;
    printNote(run.out, Note::Done);
    return 0;
}

// The changes the stats file or change list given to changes would make to the game; false
// after the message.
bool changesOfFile(const RunContext& run, const std::string& path, std::vector<FieldChange>& changes) {
    std::string bytes;
    if (!readStatsFile(path, bytes, run.out, run.faults)) return false;
    Reading reading;
    ListOutcome outcome;
    const std::optional<Game> after =
        editedCopy(run, std::move(bytes), ListUse::Diff, reading, outcome, DescriptionTexts::Saved);
    if (!after || outcome.conflicts > 0) {
        if (outcome.conflicts > 0) printChangesDoNotApply(run.out, outcome.conflicts, outcome.judged);
        return false;
    }
    changes = listChanges(*run.game, *after);
    return true;
}

int runChanges(const RunContext& run) {
    if (run.mods.size() > 1) {
        printNote(run.out, Note::UnexpectedArgument, run.mods[1]);
        printUsage(run.out);
        return 1;
    }
    Game& game = *run.game;
    if (!loadDescriptionFiles(game.edition(), game.descriptions, run.executablePath, run.out, run.faults)) return 1;
    if (!canCreateStatsFile(run)) return 1;
    std::vector<FieldChange> changes;
    if (!run.mods.empty()) {
        if (!changesOfFile(run, std::string(run.mods[0]), changes)) return 1;
    } else {
        std::optional<Game> original;
        if (!loadFirstOriginals(run, original)) return 1;
        if (original) changes = listChanges(*original, game);
        else printNote(run.out, Note::NoOriginalKept, io::savedPath(run.executablePath));
    }
    const auto facts = saveStatsText(run, [&](std::string& text) { writeChangeList(text, changes); });
    if (!facts || !printSaveFacts(run.out, *facts)) return 1;
    printChangesListed(run.out, static_cast<std::int64_t>(changes.size()));
    return 0;
}

int runRestore(const RunContext& run) {
    const Edition* edition = restoredEdition(run);
    if (edition == nullptr) return 1;
    printEditionDetected(run.out, *edition);
    std::vector<std::string> files;
    if (!filesWithOriginals(run, *edition, files)) return 1;
    if (files.empty()) {
        printNothingToRestore(run.out, io::savedPath(run.executablePath));
        return 0;
    }
    if (const io::SaveFacts refused = io::claimFiles(run.claim, files); !refused.empty()) {
        printSaveFailure(run.out, refused.back());
        return 1;
    }
    // Every copy is checked before anything is put back.
    for (const std::string& f : files) {
        const std::string original = io::savedPath(io::firstOriginalPath(f));
        const bool right =
            f == run.executablePath ? isOriginalExecutable(*edition)(original) : isOriginalOfSize(f)(original);
        if (!right) {
            printSaveFailure(run.out,
                             {io::SaveEvent::Failed, f, io::SaveError::NotAnOriginal, {}, io::firstOriginalPath(f)});
            return 1;
        }
    }
    std::erase_if(files, [&](const std::string& f) { return io::sameContents(f, io::firstOriginalPath(f)); });
    if (files.empty()) {
        printNothingToRestore(run.out, {});
        return 0;
    }
    std::vector<io::SaveJob> jobs;
    std::vector<std::string> originals;
    for (const std::string& f : files) {
        originals.push_back(io::firstOriginalPath(f));
        jobs.push_back({f, {}, 0, io::savedPath(originals.back()), {}, {}, {}});
    }
    if (!printRestores(run.out, io::saveFiles(run.claim, jobs, run.faults), originals)) return 1;
    printNote(run.out, Note::Done);
    return 0;
}

}  // namespace vantedit
