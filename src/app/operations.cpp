#include "app/operations.h"

#include "app/game_files.h"
#include "dump/stats_writer.h"
#include "io/file.h"
#include "model/memory.h"
#include "model/table_span.h"
#include "patch/attachment_groups.h"
#include "patch/diff.h"
#include "patch/stats_reader.h"

namespace vantedit {

namespace {

// Creating the stats file over the game or one of its description files would destroy it.
bool wouldOverwriteGameFile(const Game& game, const std::string& executablePath, const std::string& statsPath) {
    const Edition& e = game.edition();
    return io::sameFile(statsPath, executablePath) || io::sameFile(statsPath, std::string(e.itemDescPath)) ||
           (e.hasShopFile() && io::sameFile(statsPath, std::string(e.shopDescPath)));
}

// The whole stats file, then the notice that its reading begins; false after the message.
bool readStatsFileBytes(const std::string& statsPath, std::string& bytes, std::ostream& out) {
    std::size_t unallocated = 0;
    if (!io::readWholeFile(statsPath, bytes, &unallocated)) {
        if (unallocated != 0) {
            out << "Unable to allocate " << unallocated << " bytes.\n";
        } else {
            out << "Unable to read " << statsPath << "!\n";
        }
        return false;
    }
    out << "\nConverting text file...";
    return true;
}

}  // namespace

int runMake(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out) {
    if (!loadDescriptionFiles(game.edition(), game.descriptions, out)) return 1;
    out << "\nDumping weapon stats...";
    // Written beside the old stats file and renamed over it: a failure keeps the old one.
    io::ReplacingFile file;
    if (wouldOverwriteGameFile(game, executablePath, statsPath) || !io::canWriteOver(statsPath)) {
        out << "Unable to create " << statsPath << "!\n";
        return 1;
    }
    if (!file.open(statsPath)) {
        // Beside an existing stats file: its folder does not take a new file.
        out << (file.replacesAFile() ? "Error writing " : "Unable to create ") << statsPath << "!\n";
        return 1;
    }
    // Room for the largest stats file there can be, every text at its longest.
    constexpr std::size_t kTextRoom = std::size_t{1} << 20;
    std::string text;
    if (!tryReserve(text, kTextRoom)) {
        out << "Unable to allocate " << kTextRoom << " bytes.\n";
        return 1;
    }
    writeStatsFile(text, game);
    std::string bytes;
    if (!tryReserve(bytes, withCrLfSize(text))) {
        out << "Unable to allocate " << withCrLfSize(text) << " bytes.\n";
        return 1;
    }
    appendWithCrLf(bytes, text);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (!file.write(std::span(data, bytes.size())) || !file.commit()) {
        out << "Error writing " << statsPath << "!\n";
        return 1;
    }
    out << "\nDone!\n";
    return 0;
}

int saveExecutable(const std::string& executablePath, std::int64_t fileSize, std::int64_t offset,
                   std::span<const std::uint8_t> bytes, std::ostream& out) {
    if (!io::isWritableFile(executablePath)) {
        out << "Error writing " << executablePath << "!\n";
        return 1;
    }
    out << "\nSaving binary data...";
    if (!io::replaceBytes(executablePath, fileSize, offset, bytes)) {
        out << "Error writing " << executablePath << "!\n";
        return 1;
    }
    out << "\nDone!\n";
    return 0;
}

int runPatch(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out) {
    if (!loadDescriptionFiles(game.edition(), game.descriptions, out)) return 1;
    std::string bytes;
    if (!readStatsFileBytes(statsPath, bytes, out)) return 1;
    StatsStream in(std::move(bytes));
    AttachmentGroups groups;
    const StatsReading reading = readStatsText(in, game, groups);
    out << reading.messages.text();
    if (reading.result == ReadResult::Failed) return 1;
    // The texts went into the description buffers only; the description files stay as they are.
    out << "\nDescriptions not saved...";
    out << rebuildWeaponAttachTable(game, groups).text();
    // Only the tables' stretch was read and changed; the rest is copied from the file.
    const ByteSpan span = tableSpan(game.edition());
    const auto changed = game.image().bytes().subspan(static_cast<std::size_t>(span.begin),
                                                      static_cast<std::size_t>(span.size()));
    return saveExecutable(executablePath, game.edition().fileSize, span.begin, changed, out);
}

int runDiff(Game& game, const std::string& statsPath, std::ostream& out) {
    if (!loadDescriptionFiles(game.edition(), game.descriptions, out)) return 1;
    std::string bytes;
    if (!readStatsFileBytes(statsPath, bytes, out)) return 1;
    StatsStream in(std::move(bytes));
    std::size_t asked = 0;
    std::optional<Game> copy = game.tryCopy(asked);
    if (!copy) {
        out << "Unable to allocate " << asked << " bytes.\n";
        return 1;
    }
    Game& after = *copy;
    AttachmentGroups groups;
    ReadNumbers numbers;
    const StatsReading reading = readStatsText(in, after, groups, &numbers);
    out << reading.messages.text();
    if (reading.result == ReadResult::Failed) return 1;
    // The rebuild's own notices belong to a PATCH; what it does shows in the attachment lines.
    rebuildWeaponAttachTable(after, groups);
    const GameDiff diff = diffGames(game, after, numbers);
    out << "\n" << diff.lines;
    if (diff.mostValuesDiffer) out << "\nWARNING:  Most values differ. Is this stats file from another edition?\n";
    out << "\n" << diff.changedValues << " values would change, " << diff.notSaved << " not saved; nothing written.\n";
    out << "\nDone!\n";
    return 0;
}

}  // namespace vantedit
