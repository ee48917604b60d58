#include "app/run.h"

#include "app/game_files.h"
#include "app/messages.h"
#include "app/operations.h"
#include "model/text.h"

namespace vantedit {

int runVantedit(const std::vector<std::string>& args, std::ostream& out) {
    out << "\nVantrel Weapon Editor " << kVersion << "\n\n";
    if (args.size() < 4) {
        printUsage(out);
        return 0;
    }
    const std::string& executable = args[1];
    const std::string& statsFile = args[2];
    const std::string& operation = args[3];
    const bool merge = equalsIgnoringCase(operation, "merge");
    if (merge && args.size() < 5) {  // no mod to merge
        printUsage(out);
        return 1;
    }

    bool openFailed = false;
    std::optional<Game> game = loadExecutable(executable, out, openFailed);
    if (!game) {
        if (openFailed) printUsage(out);
        return 1;
    }
    if (equalsIgnoringCase(operation, "make")) return runMake(*game, executable, statsFile, out);
    if (equalsIgnoringCase(operation, "patch")) return runPatch(*game, executable, statsFile, out);
    if (equalsIgnoringCase(operation, "diff")) return runDiff(*game, statsFile, out);
    if (merge) return runMerge(*game, executable, statsFile, std::span(args).subspan(4), out);
    out << "\nInvalid option.  Use either MAKE or PATCH\n";
    printUsage(out);
    return 1;
}

}  // namespace vantedit
