// vantgen: writes a synthetic game folder for trying vantedit out or for tests.
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "synthetic_game.h"

namespace {

constexpr const char* kUsage = "usage: vantgen <folder> <edition 0-6> [--seed N] [--awkward] [--exe NAME]\n";
constexpr const char* kHelp =
    "\nWrites a synthetic game of the edition into <folder>: an executable of the edition's exact\n"
    "size and header and its description files under data/binarydata/, with invented names and\n"
    "values; no file of the real game.\n"
    "  --seed N    other invented names and values (N from 0; 1 when not given): the same\n"
    "              N and edition always make the same bytes\n"
    "  --awkward   texts at the edges of the stats file: double quotes, tabs, line feeds,\n"
    "              bytes above 127, empty texts and texts that fill their slot\n"
    "  --exe NAME  the executable's file name (game.exe when not given)\n";

// The whole text as a number of the type, or false.
template <typename T>
bool parseNumber(std::string_view text, T& value) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (argc < 3) {
        std::fputs(kUsage, stdout);
        return 1;
    }
    const std::string folder = argv[1];
    vantedit::synth::Options options;
    std::string exeName = "game.exe";
    if (!parseNumber(std::string_view(argv[2]), options.edition) || options.edition < 0 ||
        options.edition >= vantedit::kEditionCount) {
        std::fputs(kUsage, stdout);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--awkward") {
            options.awkwardTexts = true;
        } else if (arg == "--seed" && i + 1 < argc && parseNumber(std::string_view(argv[i + 1]), options.seed)) {
            ++i;
        } else if (arg == "--exe" && i + 1 < argc && argv[i + 1][0] != '\0') {
            exeName = argv[++i];
        } else {
            std::fputs(kUsage, stdout);
            return 1;
        }
    }

    const vantedit::synth::SyntheticGame game = vantedit::synth::makeSyntheticGame(options);
    const std::filesystem::path exePath = std::filesystem::path(folder) / exeName;
    if (!vantedit::synth::writeGameFolder(game, folder, exeName)) {
        std::printf("Unable to write the game folder %s\n", folder.c_str());
        return 1;
    }
    std::printf("%s\n", exePath.string().c_str());
    return 0;
}
