#include "app/operations.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>

#include "app/game_files.h"
#include "app/messages.h"
#include "compare/diff.h"
#include "compare/merge.h"
#include "dump/stats_writer.h"
#include "io/file.h"
#include "model/memory.h"
#include "model/table_span.h"
#include "patch/stats_reader.h"
#include "patch/text_changes.h"

namespace vantedit {

namespace {

// Creating the stats file over the game or one of its description files would destroy it.
bool wouldOverwriteGameFile(const Game& game, const std::string& executablePath, const std::string& statsPath) {
    const Edition& e = game.edition();
    const auto isDescriptionFile = [&](std::string_view path) {
        return !path.empty() && (io::sameFile(statsPath, std::string(path)) ||
                                 io::sameFile(statsPath, io::besideFile(executablePath, path)));
    };
    return io::sameFile(statsPath, executablePath) || isDescriptionFile(e.itemDescPath) ||
           isDescriptionFile(e.shopDescPath);
}

// The whole stats file; false after the message. Memory for it is part of its reading.
bool readStatsFileBytes(const std::string& statsPath, std::string& bytes, std::size_t& unallocated, std::ostream& out,
                        Faults& faults) {
    switch (io::readWholeFileUpTo(faults, statsPath, kMostStatsFileBytes, bytes, unallocated)) {
        case io::WholeRead::Read:
        case io::WholeRead::NoMemory: return true;
        case io::WholeRead::TooLarge: printTooLargeToRead(out, statsPath, kMostStatsFileBytes); return false;
        case io::WholeRead::NotOpened: break;
    }
    printUnableToRead(out, statsPath);
    return false;
}

// The description files into the game, and the stats file's bytes; false after the message.
bool loadGameTextsAndStatsFile(Game& game, const std::string& executablePath, const std::string& statsPath,
                               std::string& bytes, std::ostream& out, Faults& faults) {
    if (!loadDescriptionFiles(game.edition(), game.descriptions, executablePath, out, faults)) return false;
    std::size_t unallocated = 0;
    if (!readStatsFileBytes(statsPath, bytes, unallocated, out, faults)) return false;
    out << "\nConverting text file...";
    if (unallocated != 0) {
        printUnableToAllocate(out, static_cast<std::int64_t>(unallocated));
        return false;
    }
    return true;
}

// The stats file read onto the game, with the reading's messages; false when it failed.
bool applyAndPrint(Game& game, std::string bytes, Reading& reading, std::ostream& out, Faults& faults,
                   DescriptionTexts texts = DescriptionTexts::NotSaved) {
    reading = applyStatsFile(game, std::move(bytes), faults, texts);
    printReading(out, reading);
    return reading.ok();
}

// The stats file read onto a copy of the game (which takes the description buffers along),
// with the reading's messages; empty after a failure's message.
std::optional<Game> readOntoCopy(const Game& game, std::string bytes, Reading& reading, std::ostream& out,
                                 Faults& faults, DescriptionTexts texts = DescriptionTexts::NotSaved) {
    std::size_t asked = 0;
    std::optional<Game> copy = game.tryCopy(asked, faults);
    if (!copy) {
        printUnableToAllocate(out, static_cast<std::int64_t>(asked));
        return std::nullopt;
    }
    if (!applyAndPrint(*copy, std::move(bytes), reading, out, faults, texts)) return std::nullopt;
    return copy;
}

// "Error writing <path>!" after a save that did not happen, with the reason where it is not
// the disk's.
void printSaveFailure(std::ostream& out, const std::string& path, io::SaveResult result) {
    if (result == io::SaveResult::Changed) {
        out << "Error writing " << path << "! (it changed while vantedit ran)\n";
    } else {
        printErrorWriting(out, path);
    }
}

// The old stats file, when its bytes differ from the new ones, copied to its name with ".bak"
// added (an older copy is replaced); kept names the copy. False after the message.
bool keepEditedStatsFile(const std::string& statsPath, const std::string& bytes, std::string& kept, std::ostream& out,
                         Faults& faults) {
    std::string old;
    std::size_t unallocated = 0;
    const std::string backup = statsPath + ".bak";
    // Unread, it cannot be kept, and so it is not replaced.
    if (!io::readWholeFile(faults, statsPath, old, &unallocated)) {
        if (unallocated != 0) {
            printUnableToAllocate(out, static_cast<std::int64_t>(unallocated));
        } else {
            printErrorWriting(out, backup);
        }
        return false;
    }
    if (old == bytes) return true;
    if (io::copyFile(faults, statsPath, static_cast<std::int64_t>(old.size()), backup) != io::SaveResult::Saved) {
        printErrorWriting(out, backup);
        return false;
    }
    kept = backup;
    return true;
}

// One description file of a texts run: written beside itself, its first original kept, and
// only then put in place.
struct DescriptionSave {
    std::string path;
    std::string_view title;  // in the messages: "" or "Halvek's "
    std::span<const std::uint8_t> bytes;
    std::optional<io::ReplacingFile> file;
    std::string original;  // where its first original is kept
    bool originalMade = false;
};

// Both files are written before either is replaced, so that a failure before the first rename
// leaves both as they were, and no first original made on the way.
int saveDescriptionFiles(std::span<DescriptionSave> saves, std::ostream& out, Faults& faults) {
    const auto fail = [&](const std::string& path, bool replacedAny) {
        if (!replacedAny) {
            for (const DescriptionSave& s : saves) {
                if (s.originalMade) io::removeQuietly(s.original);
            }
        }
        printErrorWriting(out, path);
        return 1;
    };
    // A read-only file is refused before anything is written, as the executable is; and one file
    // under both names would keep only the second file's texts.
    for (const DescriptionSave& s : saves) {
        if (!io::isWritableFile(faults, s.path)) return fail(s.path, false);
    }
    if (saves.size() == 2 && io::sameFile(saves[0].path, saves[1].path)) return fail(saves[1].path, false);
    for (DescriptionSave& s : saves) {
        out << "\nSaving " << s.title << "item descriptions...";
        s.file.emplace(faults);
        if (!io::prepareReplacedStart(faults, *s.file, s.path, s.bytes)) return fail(s.path, false);
        switch (io::keepFirstOriginal(faults, s.path, s.original)) {
            case io::FirstOriginal::Kept:
                s.originalMade = true;
                out << "\nOriginal kept as " << s.original;
                break;
            case io::FirstOriginal::KeptBefore: break;
            case io::FirstOriginal::Failed: return fail(s.original, false);
        }
    }
    for (std::size_t i = 0; i < saves.size(); ++i) {
        if (!saves[i].file->putInPlace()) return fail(saves[i].path, i > 0);
    }
    out << "\nDone!\n";
    return 0;
}

// The new stats file beside the target, under the target's lock; false after the message.
bool openStatsFile(io::ReplacingFile& file, io::FileLock& lock, const std::string& statsPath, std::ostream& out) {
    if (!lockForSaving(lock, statsPath, out)) return false;
    if (file.open(statsPath, &lock)) return true;
    // Beside an existing stats file: its folder does not take a new file.
    if (file.replacesAFile()) {
        printErrorWriting(out, statsPath);
    } else {
        printUnableToCreate(out, statsPath);
    }
    return false;
}

// Room for the largest stats file there can be, every text at its longest.
constexpr std::size_t kTextRoom = std::size_t{1} << 20;

// One mod read onto a copy of the master, as PATCH reads it, with the reading's messages,
// and what it sets added to the merge; false after the failure's message.
bool mergeMod(const Game& master, const std::string& modPath, std::uint32_t index, MergedMods& merged,
              std::ostream& out, Faults& faults) {
    printReadingMod(out, modPath);
    std::string bytes;
    std::size_t asked = 0;
    if (!readStatsFileBytes(modPath, bytes, asked, out, faults)) return false;
    if (asked != 0) {
        printUnableToAllocate(out, static_cast<std::int64_t>(asked));
        return false;
    }
    Reading reading;
    const std::optional<Game> mod = readOntoCopy(master, std::move(bytes), reading, out, faults);
    if (!mod) return false;
    if (reading.mostValuesDiffer) printMostValuesDiffer(out);
    if (reading.attachments.collected > reading.attachments.capacity) printTooManyAttachments(out, reading.attachments);
    if (merged.add(master, *mod, index, asked)) return true;
    printUnableToAllocate(out, static_cast<std::int64_t>(asked));
    return false;
}

}  // namespace

bool lockForSaving(io::FileLock& lock, const std::string& path, std::ostream& out) {
    if (lock.lock(path) != io::FileLock::Result::InUse) return true;
    out << "Error writing " << path << "! (another vantedit run is saving it)\n";
    return false;
}

int runMake(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out,
            Faults& faults) {
    if (!loadDescriptionFiles(game.edition(), game.descriptions, executablePath, out, faults)) return 1;
    out << "\nDumping weapon stats...";
    // Written beside the old stats file and renamed over it: a failure keeps the old one.
    io::FileLock lock;
    io::ReplacingFile file(faults);
    if (wouldOverwriteGameFile(game, executablePath, statsPath) || !io::canWriteOver(faults, statsPath)) {
        printUnableToCreate(out, statsPath);
        return 1;
    }
    if (!lockForSaving(lock, statsPath, out)) return 1;
    if (!file.open(statsPath, &lock)) {
        // Beside an existing stats file: its folder does not take a new file.
        if (file.replacesAFile()) {
            printErrorWriting(out, statsPath);
        } else {
            printUnableToCreate(out, statsPath);
        }
        return 1;
    }
    std::string text;
    if (!tryReserve(faults, text, kTextRoom)) {
        printUnableToAllocate(out, kTextRoom);
        return 1;
    }
    writeStatsFile(text, game);
    std::string bytes;
    if (!tryReserve(faults, bytes, withCrLfSize(text))) {
        printUnableToAllocate(out, static_cast<std::int64_t>(withCrLfSize(text)));
        return 1;
    }
    appendWithCrLf(bytes, text);
    // A stats file with other bytes may hold edits: kept before it is replaced.
    std::string kept;
    if (file.replacesAFile() && !keepEditedStatsFile(statsPath, bytes, kept, out, faults)) return 1;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const io::SaveResult saved = file.write(std::span(data, bytes.size())) ? file.commit() : io::SaveResult::Failed;
    if (saved != io::SaveResult::Saved) {
        printSaveFailure(out, statsPath, saved);
        return 1;
    }
    if (!kept.empty()) out << "\nPrevious stats file kept as " << kept;
    out << "\nDone!\n";
    return 0;
}

int saveExecutable(const std::string& executablePath, std::int64_t fileSize, std::int64_t offset,
                   std::span<const std::uint8_t> bytes, std::ostream& out, Faults& faults, io::FileLock* lock) {
    if (!io::isWritableFile(faults, executablePath)) {
        printErrorWriting(out, executablePath);
        return 1;
    }
    out << "\nSaving binary data...";
    // The first PATCH keeps the executable as it was: undoing every PATCH is copying it back.
    const std::string original = io::savedPath(executablePath) + ".orig";
    if (!io::pathTaken(original)) {
        if (io::copyFile(faults, executablePath, fileSize, original) != io::SaveResult::Saved) {
            printErrorWriting(out, original);
            return 1;
        }
        out << "\nOriginal kept as " << original;
    }
    const io::SaveResult saved = io::replaceBytes(faults, executablePath, fileSize, offset, bytes, lock);
    if (saved != io::SaveResult::Saved) {
        printSaveFailure(out, executablePath, saved);
        return 1;
    }
    out << "\nDone!\n";
    return 0;
}

int runPatch(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out,
             Faults& faults, io::FileLock& lock) {
    std::string bytes;
    Reading reading;
    if (!loadGameTextsAndStatsFile(game, executablePath, statsPath, bytes, out, faults) ||
        !applyAndPrint(game, std::move(bytes), reading, out, faults)) {
        return 1;
    }
    if (reading.mostValuesDiffer) printMostValuesDiffer(out);
    // The texts went into the description buffers only; the description files stay as they are.
    out << "\nDescriptions not saved...";
    printRebuild(out, reading.attachments);
    // Only the tables' stretch was read and changed; the rest is copied from the file.
    const ByteSpan span = tableSpan(game.edition());
    const auto changed =
        game.image().bytes().subspan(static_cast<std::size_t>(span.begin), static_cast<std::size_t>(span.size()));
    return saveExecutable(executablePath, game.edition().fileSize, span.begin, changed, out, faults, &lock);
}

int runTexts(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out,
             Faults& faults) {
    std::string bytes;
    if (!loadGameTextsAndStatsFile(game, executablePath, statsPath, bytes, out, faults)) return 1;
    // The reading goes onto a copy, so that each text can be compared with what the files hold.
    Reading reading;
    const std::optional<Game> edited =
        readOntoCopy(game, std::move(bytes), reading, out, faults, DescriptionTexts::Saved);
    if (!edited) return 1;
    if (reading.mostValuesDiffer) printMostValuesDiffer(out);
    const TextChanges changes = takeChangedTexts(game, *edited);
    out << "\nTexts changed: " << changes.fields;
    const Edition& e = game.edition();
    std::array<DescriptionSave, 2> saves;
    std::size_t count = 0;
    for (const auto& [file, changed] :
         {std::pair{DescFile::Item, changes.itemFile}, {DescFile::Shop, changes.shopFile}}) {
        if (!changed) continue;
        DescriptionSave& s = saves[count++];
        // The file that was read: under the working folder, or else beside the executable.
        const std::string_view path = file == DescFile::Item ? e.itemDescPath : e.shopDescPath;
        s.path = io::pathTaken(std::string(path)) ? std::string(path) : io::besideFile(executablePath, path);
        s.title = file == DescFile::Item ? "" : "Halvek's ";
        s.bytes = game.descriptions.view(file).bytes();
    }
    return saveDescriptionFiles(std::span(saves.data(), count), out, faults);
}

int runDiff(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out,
            Faults& faults) {
    std::string bytes;
    if (!loadGameTextsAndStatsFile(game, executablePath, statsPath, bytes, out, faults)) return 1;
    Reading reading;
    const std::optional<Game> after = readOntoCopy(game, std::move(bytes), reading, out, faults);
    if (!after) return 1;
    // The rebuild's own notices belong to a PATCH; what it does shows in the attachment lines.
    const GameDiff diff = diffGames(game, *after, reading.typed);
    out << "\n";
    printDiffLines(out, diff);
    if (diff.mostValuesDiffer) printMostValuesDiffer(out);
    out << "\n"
        << diff.changedValues << (diff.changedValues == 1 ? " value" : " values") << " would change, " << diff.notSaved
        << " not saved; nothing written.\n";
    out << "\nDone!\n";
    return 0;
}

int runMerge(Game& master, const std::string& executablePath, const std::string& mergedPath,
             std::span<const std::string_view> modPaths, std::ostream& out, Faults& faults) {
    if (!loadDescriptionFiles(master.edition(), master.descriptions, executablePath, out, faults)) return 1;
    const bool overAMod = std::any_of(modPaths.begin(), modPaths.end(),
                                      [&](std::string_view mod) { return io::sameFile(mergedPath, std::string(mod)); });
    if (overAMod || wouldOverwriteGameFile(master, executablePath, mergedPath) ||
        !io::canWriteOver(faults, mergedPath)) {
        printUnableToCreate(out, mergedPath);
        return 1;
    }
    // One copy of the game at a time: each mod's is dropped once what it sets is kept.
    MergedMods merged;
    for (std::size_t i = 0; i < modPaths.size(); ++i) {
        if (!mergeMod(master, std::string(modPaths[i]), static_cast<std::uint32_t>(i), merged, out, faults)) return 1;
    }
    out << "\n";
    printConflicts(out, master, merged, modPaths);
    const std::int64_t fields = merged.fieldCount();
    const std::int64_t conflicts = merged.conflictCount();

    std::vector<GivenField> winners;
    std::size_t asked = 0;
    std::string text;
    if (!merged.takeWinners(winners, asked) || !tryReserve(faults, text, asked = kTextRoom)) {
        printUnableToAllocate(out, static_cast<std::int64_t>(asked));
        return 1;
    }
    // No longer than MAKE's file of the same game: its Item rows hold fewer cells.
    writeGivenFields(text, master, winners);
    io::FileLock lock;
    io::ReplacingFile file(faults);
    if (!openStatsFile(file, lock, mergedPath, out)) return 1;
    std::string bytes;
    if (!tryReserve(faults, bytes, withCrLfSize(text))) {
        printUnableToAllocate(out, static_cast<std::int64_t>(withCrLfSize(text)));
        return 1;
    }
    appendWithCrLf(bytes, text);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const io::SaveResult saved = file.write(std::span(data, bytes.size())) ? file.commit() : io::SaveResult::Failed;
    if (saved != io::SaveResult::Saved) {
        printSaveFailure(out, mergedPath, saved);
        return 1;
    }
    printMergeCount(out, fields, modPaths.size(), conflicts);
    out << "\nDone!\n";
    return 0;
}

}  // namespace vantedit
