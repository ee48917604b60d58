#include "app/run.h"

#include <cstdio>
#include <new>

#include "app/recognition.h"
#include "dump/make.h"
#include "model/file_io.h"
#include "model/game.h"
#include "patch/patch.h"

namespace vantedit {

namespace {

void printUsage(std::ostream& out) {
    out << "\nUsage: vantedit <executable> <textfile> <[make]|[patch]>\n\n";
    out << "Use the MAKE option to dump stats to a tab delimited text file.\n";
    out << "To apply the changes from the textfile, use the PATCH option.\n";
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Opens, recognises and reads the executable into game; false after its failure message.
bool loadExecutable(const std::string& path, Game& game, std::ostream& out, bool& openFailed) {
    io::File file;
    openFailed = false;
    if (!file.open(path, "rb")) {
        out << "Can't open " << path << "!\n";
        openFailed = true;
        return false;
    }
    long size = 0;
    if (!file.seek(0, SEEK_END) || !file.tell(size)) size = -1;  // an unmeasurable file matches no edition
    game.edition = recogniseEdition(file, size, out);
    if (game.edition == kNoEdition) {
        out << "Unrecognized version of executable.\n";
        return false;
    }
    try {
        game.image.assign(static_cast<std::size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        out << "Unable to allocate " << size << " bytes.\n";
        return false;
    }
    out << "\nReading binary data...";
    // Recognition left the file at its start; if it could not, nothing valid can be read.
    long position = -1;
    const bool atStart = file.tell(position) && position == 0;
    const std::size_t got = atStart ? file.read(game.image.data(), game.image.size()) : 0;
    if (got < game.image.size()) {
        out << "Error while reading executable (Read " << got << " of " << size << " bytes).\n";
        return false;
    }
    file.close();  // read-only: a failing close loses nothing
    return true;
}

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

int runVantedit(const std::vector<std::string>& args, std::ostream& out) {
    out << "\nVantrel Weapon Editor " << kVersion << "\n\n";
    if (args.size() < 4) {
        printUsage(out);
        return 0;
    }
    const std::string& executable = args[1];
    const std::string& statsFile = args[2];
    const std::string& operation = args[3];

    Game game;
    bool openFailed = false;
    if (!loadExecutable(executable, game, out, openFailed)) {
        if (openFailed) printUsage(out);
        return 1;
    }
    if (equalsIgnoringCase(operation, "make")) return runMake(game, executable, statsFile, out);
    if (equalsIgnoringCase(operation, "patch")) return runPatch(game, executable, statsFile, out);
    out << "\nInvalid option.  Use either MAKE or PATCH\n";
    printUsage(out);
    return 1;
}

}  // namespace vantedit
