#include "dump/make.h"

#include <filesystem>
#include <system_error>

#include "dump/stats_writer.h"
#include "model/file_io.h"

namespace vantedit {

namespace {

bool sameFile(const std::string& a, std::string_view b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, std::filesystem::path(b), ec) && !ec;
}

// Creating the stats file over the game or one of its description files would destroy it.
bool wouldOverwriteGameFile(const Game& game, const std::string& executablePath, const std::string& statsPath) {
    return sameFile(statsPath, executablePath) || sameFile(statsPath, game.record().itemDescPath) ||
           (game.record().hasShopFile() && sameFile(statsPath, game.record().shopDescPath));
}

}  // namespace

int runMake(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out) {
    if (!loadDescriptionFiles(game.record(), game.descriptions, out)) return 1;
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

}  // namespace vantedit
