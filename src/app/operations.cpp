#include "app/operations.h"

#include <algorithm>

#include "app/game_files.h"
#include "app/messages.h"
#include "compare/diff.h"
#include "compare/merge.h"
#include "dump/stats_writer.h"
#include "io/file.h"
#include "model/memory.h"
#include "model/table_span.h"
#include "patch/stats_reader.h"

namespace vantedit {

namespace {

// Creating the stats file over the game or one of its description files would destroy it.
bool wouldOverwriteGameFile(const Game& game, const std::string& executablePath, const std::string& statsPath) {
    const Edition& e = game.edition();
    return io::sameFile(statsPath, executablePath) || io::sameFile(statsPath, std::string(e.itemDescPath)) ||
           (e.hasShopFile() && io::sameFile(statsPath, std::string(e.shopDescPath)));
}

// The whole stats file; false after the message.
bool readStatsFileBytes(const std::string& statsPath, std::string& bytes, std::ostream& out) {
    std::size_t unallocated = 0;
    if (io::readWholeFile(statsPath, bytes, &unallocated)) return true;
    if (unallocated != 0) {
        printUnableToAllocate(out, static_cast<std::int64_t>(unallocated));
    } else {
        out << "Unable to read " << statsPath << "!\n";
    }
    return false;
}

// The description files into the game, and the stats file's bytes; false after the message.
bool loadGameTextsAndStatsFile(Game& game, const std::string& statsPath, std::string& bytes, std::ostream& out) {
    if (!loadDescriptionFiles(game.edition(), game.descriptions, out)) return false;
    if (!readStatsFileBytes(statsPath, bytes, out)) return false;
    out << "\nConverting text file...";
    return true;
}

// The stats file read onto the game, with the reading's messages; false when it failed.
bool applyAndPrint(Game& game, std::string bytes, Reading& reading, std::ostream& out) {
    reading = applyStatsFile(game, std::move(bytes));
    printReading(out, reading);
    return reading.ok();
}

// Room for the largest stats file there can be, every text at its longest.
constexpr std::size_t kTextRoom = std::size_t{1} << 20;

// The new stats file beside the target; false after the message.
bool openStatsFile(io::ReplacingFile& file, const std::string& statsPath, std::ostream& out) {
    if (file.open(statsPath)) return true;
    // Beside an existing stats file: its folder does not take a new file.
    if (file.replacesAFile()) {
        printErrorWriting(out, statsPath);
    } else {
        printUnableToCreate(out, statsPath);
    }
    return false;
}

// The text with CR LF line ends into the opened file, then renamed over the target; false
// after the message.
bool saveStatsFile(io::ReplacingFile& file, const std::string& statsPath, const std::string& text, std::ostream& out) {
    std::string bytes;
    if (!tryReserve(bytes, withCrLfSize(text))) {
        printUnableToAllocate(out, static_cast<std::int64_t>(withCrLfSize(text)));
        return false;
    }
    appendWithCrLf(bytes, text);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (!file.write(std::span(data, bytes.size())) || !file.commit()) {
        printErrorWriting(out, statsPath);
        return false;
    }
    return true;
}

// One mod read onto a copy of the master, as PATCH reads it, with the reading's messages,
// and what it sets added to the merge; false after the failure's message.
bool mergeMod(const Game& master, const std::string& modPath, std::uint32_t index, MergedMods& merged,
              std::ostream& out) {
    printReadingMod(out, modPath);
    std::string bytes;
    if (!readStatsFileBytes(modPath, bytes, out)) return false;
    std::size_t asked = 0;
    std::optional<Game> mod = master.tryCopy(asked);
    if (!mod) {
        printUnableToAllocate(out, static_cast<std::int64_t>(asked));
        return false;
    }
    Reading reading;
    if (!applyAndPrint(*mod, std::move(bytes), reading, out)) return false;
    if (reading.mostValuesDiffer) printMostValuesDiffer(out);
    if (reading.attachments.collected > reading.attachments.capacity) printTooManyAttachments(out, reading.attachments);
    if (merged.add(master, *mod, index, asked)) return true;
    printUnableToAllocate(out, static_cast<std::int64_t>(asked));
    return false;
}

}  // namespace

int runMake(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out) {
    if (!loadDescriptionFiles(game.edition(), game.descriptions, out)) return 1;
    out << "\nDumping weapon stats...";
    // Written beside the old stats file and renamed over it: a failure keeps the old one.
    io::ReplacingFile file;
    if (wouldOverwriteGameFile(game, executablePath, statsPath) || !io::canWriteOver(statsPath)) {
        printUnableToCreate(out, statsPath);
        return 1;
    }
    if (!openStatsFile(file, statsPath, out)) return 1;
    std::string text;
    if (!tryReserve(text, kTextRoom)) {
        printUnableToAllocate(out, kTextRoom);
        return 1;
    }
    writeStatsFile(text, game);
    if (!saveStatsFile(file, statsPath, text, out)) return 1;
    out << "\nDone!\n";
    return 0;
}

int saveExecutable(const std::string& executablePath, std::int64_t fileSize, std::int64_t offset,
                   std::span<const std::uint8_t> bytes, std::ostream& out) {
    if (!io::isWritableFile(executablePath)) {
        printErrorWriting(out, executablePath);
        return 1;
    }
    out << "\nSaving binary data...";
    if (!io::replaceBytes(executablePath, fileSize, offset, bytes)) {
        printErrorWriting(out, executablePath);
        return 1;
    }
    out << "\nDone!\n";
    return 0;
}

int runPatch(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out) {
    std::string bytes;
    Reading reading;
    if (!loadGameTextsAndStatsFile(game, statsPath, bytes, out) || !applyAndPrint(game, std::move(bytes), reading, out)) {
        return 1;
    }
    if (reading.mostValuesDiffer) printMostValuesDiffer(out);
    // The texts went into the description buffers only; the description files stay as they are.
    out << "\nDescriptions not saved...";
    printRebuild(out, reading.attachments);
    // Only the tables' stretch was read and changed; the rest is copied from the file.
    const ByteSpan span = tableSpan(game.edition());
    const auto changed = game.image().bytes().subspan(static_cast<std::size_t>(span.begin),
                                                      static_cast<std::size_t>(span.size()));
    return saveExecutable(executablePath, game.edition().fileSize, span.begin, changed, out);
}

int runDiff(Game& game, const std::string& statsPath, std::ostream& out) {
    std::string bytes;
    if (!loadGameTextsAndStatsFile(game, statsPath, bytes, out)) return 1;
    // The copy takes the description buffers along.
    std::size_t asked = 0;
    std::optional<Game> after = game.tryCopy(asked);
    if (!after) {
        printUnableToAllocate(out, static_cast<std::int64_t>(asked));
        return 1;
    }
    Reading reading;
    if (!applyAndPrint(*after, std::move(bytes), reading, out)) return 1;
    // The rebuild's own notices belong to a PATCH; what it does shows in the attachment lines.
    const GameDiff diff = diffGames(game, *after, reading.typed);
    out << "\n";
    printDiffLines(out, diff);
    if (diff.mostValuesDiffer) printMostValuesDiffer(out);
    out << "\n" << diff.changedValues << (diff.changedValues == 1 ? " value" : " values") << " would change, "
        << diff.notSaved << " not saved; nothing written.\n";
    out << "\nDone!\n";
    return 0;
}

int runMerge(Game& master, const std::string& executablePath, const std::string& mergedPath,
             std::span<const std::string> modPaths, std::ostream& out) {
    if (!loadDescriptionFiles(master.edition(), master.descriptions, out)) return 1;
    const bool overAMod = std::any_of(modPaths.begin(), modPaths.end(),
                                      [&](const std::string& mod) { return io::sameFile(mergedPath, mod); });
    if (overAMod || wouldOverwriteGameFile(master, executablePath, mergedPath) || !io::canWriteOver(mergedPath)) {
        printUnableToCreate(out, mergedPath);
        return 1;
    }
    // One copy of the game at a time: each mod's is dropped once what it sets is kept.
    MergedMods merged;
    for (std::size_t i = 0; i < modPaths.size(); ++i) {
        if (!mergeMod(master, modPaths[i], static_cast<std::uint32_t>(i), merged, out)) return 1;
    }
    out << "\n";
    printConflicts(out, master, merged, modPaths);
    const std::int64_t fields = merged.fieldCount();
    const std::int64_t conflicts = merged.conflictCount();

    std::vector<GivenField> winners;
    std::size_t asked = 0;
    std::string text;
    if (!merged.takeWinners(winners, asked) || !tryReserve(text, asked = kTextRoom)) {
        printUnableToAllocate(out, static_cast<std::int64_t>(asked));
        return 1;
    }
    // No longer than MAKE's file of the same game: its Item rows hold fewer cells.
    writeGivenFields(text, master, winners);
    io::ReplacingFile file;
    if (!openStatsFile(file, mergedPath, out) || !saveStatsFile(file, mergedPath, text, out)) return 1;
    printMergeCount(out, fields, modPaths.size(), conflicts);
    out << "\nDone!\n";
    return 0;
}

}  // namespace vantedit
