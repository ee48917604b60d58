#include "app/run.h"

#include "app/game_files.h"
#include "app/messages.h"
#include "app/operations.h"
#include "io/file.h"
#include "model/text.h"

namespace vantedit {

namespace {

bool isOperation(const std::string& word) {
    return equalsIgnoringCase(word, "make") || equalsIgnoringCase(word, "patch") || equalsIgnoringCase(word, "diff");
}

}  // namespace

int runVantedit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    // MAKE into standard output keeps it for the stats text: every message goes to standard error.
    const bool statsToStandardOutput =
        args.size() == 4 && equalsIgnoringCase(args[3], "make") && io::isStandardOutput(args[2]);
    std::ostream& say = statsToStandardOutput ? err : out;
    say << "\nVantrel Weapon Editor " << kVersion << "\n\n";
    const bool alone = args.size() == 2;
    if (alone && args[1] == "--version") return 0;
    if (args.size() <= 1 || (alone && (args[1] == "-h" || args[1] == "--help"))) {
        printUsage(say);
        return 0;
    }
    // An incomplete command is a failure, so that a script's next step does not run.
    if (args.size() < 4) {
        printUsage(say);
        return 1;
    }
    if (args.size() > 4 && isOperation(args[3])) {
        say << "\nUnexpected argument " << args[4] << "\n";
        printUsage(say);
        return 1;
    }
    const std::string& executable = args[1];
    const std::string& statsFile = args[2];
    const std::string& operation = args[3];

    bool openFailed = false;
    std::optional<Game> game = loadExecutable(executable, say, openFailed);
    if (!game) {
        if (openFailed) printUsage(say);
        return 1;
    }
    if (equalsIgnoringCase(operation, "make")) return runMake(*game, executable, statsFile, say);
    if (equalsIgnoringCase(operation, "patch")) return runPatch(*game, executable, statsFile, say);
    if (equalsIgnoringCase(operation, "diff")) return runDiff(*game, statsFile, say);
    say << "\nInvalid option.  Use either MAKE or PATCH\n";
    printUsage(say);
    return 1;
}

int runVantedit(const std::vector<std::string>& args, std::ostream& out) { return runVantedit(args, out, out); }

}  // namespace vantedit
