#include "app/operations.h"

#include "app/game_files.h"
#include "dump/stats_writer.h"
#include "io/file.h"
#include "model/table_span.h"
#include "patch/attachment_groups.h"
#include "patch/stats_reader.h"

namespace vantedit {

namespace {

// Creating the stats file over the game or one of its description files would destroy it.
bool wouldOverwriteGameFile(const Game& game, const std::string& executablePath, const std::string& statsPath) {
    const Edition& e = game.edition();
    return io::sameFile(statsPath, executablePath) || io::sameFile(statsPath, std::string(e.itemDescPath)) ||
           (e.hasShopFile() && io::sameFile(statsPath, std::string(e.shopDescPath)));
}

}  // namespace

int runMake(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out) {
    if (!loadDescriptionFiles(game.edition(), game.descriptions, out)) return 1;
    out << "\nDumping weapon stats...";
    io::File file;
    if (wouldOverwriteGameFile(game, executablePath, statsPath) || !file.open(statsPath, "wb")) {
        out << "Unable to create " << statsPath << "!\n";
        return 1;
    }
    // More than the largest stats file can be (every text at its longest): the text is never
    // copied while it grows, and the pages it does not use are never touched.
    std::string text;
    text.reserve(std::size_t{1} << 20);
    writeStatsFile(text, game);
    const std::string bytes = withCrLf(text);
    const bool written = file.write(bytes.data(), bytes.size()) && file.flush();
    if (!file.close() || !written) {
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
    if (!io::readWholeFile(statsPath, bytes)) {
        out << "Unable to read " << statsPath << "!\n";
        return 1;
    }
    out << "\nConverting text file...";
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

}  // namespace vantedit
