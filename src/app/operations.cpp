#include "app/operations.h"

#include "app/game_files.h"
#include "app/messages.h"
#include "compare/diff.h"
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
    if (!file.open(statsPath)) {
        // Beside an existing stats file: its folder does not take a new file.
        if (file.replacesAFile()) {
            printErrorWriting(out, statsPath);
        } else {
            printUnableToCreate(out, statsPath);
        }
        return 1;
    }
    // Room for the largest stats file there can be, every text at its longest.
    constexpr std::size_t kTextRoom = std::size_t{1} << 20;
    std::string text;
    if (!tryReserve(text, kTextRoom)) {
        printUnableToAllocate(out, kTextRoom);
        return 1;
    }
    writeStatsFile(text, game);
    std::string bytes;
    if (!tryReserve(bytes, withCrLfSize(text))) {
        printUnableToAllocate(out, static_cast<std::int64_t>(withCrLfSize(text)));
        return 1;
    }
    appendWithCrLf(bytes, text);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (!file.write(std::span(data, bytes.size())) || !file.commit()) {
        printErrorWriting(out, statsPath);
        return 1;
    }
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

}  // namespace vantedit
