#include "app/run.h"

#include <cstdlib>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/game_files.h"
#include "app/messages.h"
#include "app/operations.h"
#include "io/file.h"
#include "model/text.h"

namespace vantedit {

namespace {

bool isOperation(std::string_view word) {
    return equalsIgnoringCase(word, "make") || equalsIgnoringCase(word, "patch") || equalsIgnoringCase(word, "diff") ||
           equalsIgnoringCase(word, "texts");
}

void printOutOfMemory(std::ostream& out) { out << "Unable to allocate memory.\n"; }

// Memory set aside while a run lasts and given back when an allocation fails, so that the
// failure can still be thrown and reported: the exception needs a little memory of its own,
// and the run library's emergency store may be empty when memory was short from the start.
class MemoryReserve {
public:
    MemoryReserve() {
        block_ = std::malloc(kSize);
        if (block_ != nullptr) previous_ = std::set_new_handler(giveBack);
    }
    MemoryReserve(const MemoryReserve&) = delete;
    MemoryReserve& operator=(const MemoryReserve&) = delete;
    ~MemoryReserve() {
        if (block_ == nullptr) return;
        std::set_new_handler(previous_);
        std::free(block_);
        block_ = nullptr;
    }
    bool held() const { return block_ != nullptr; }

private:
    static constexpr std::size_t kSize = std::size_t{64} << 10;
    static void giveBack() {
        std::free(block_);
        block_ = nullptr;
        std::set_new_handler(previous_);
        throw std::bad_alloc();
    }
    static inline void* block_ = nullptr;
    static inline std::new_handler previous_ = nullptr;
};

int runOperation(std::span<const std::string_view> args, std::ostream& out, Faults& faults) {
    const bool alone = args.size() == 2;
    if (alone && args[1] == "--version") return 0;
    if (args.size() <= 1 || (alone && (args[1] == "-h" || args[1] == "--help"))) {
        printUsage(out);
        return 0;
    }
    // An incomplete command is a failure, so that a script's next step does not run.
    if (args.size() < 4) {
        printUsage(out);
        return 1;
    }
    const std::string_view operation = args[3];
    const bool merge = equalsIgnoringCase(operation, "merge");
    if (merge && args.size() < 5) {  // no mod to merge
        printUsage(out);
        return 1;
    }
    if (args.size() > 4 && isOperation(args[3])) {
        out << "\nUnexpected argument " << args[4] << "\n";
        printUsage(out);
        return 1;
    }
    const std::string executable(args[1]);
    const std::string statsFile(args[2]);

    // PATCH saves the executable: no other run may save it between its reading and its
    // replacement, or one of the two edits would be lost.
    io::FileLock lock;
    // texts saves the description files: the executable's lock stands for the game's files.
    const bool saves = equalsIgnoringCase(operation, "patch") || equalsIgnoringCase(operation, "texts");
    if (saves && !lockForSaving(lock, executable, out)) return 1;
    bool openFailed = false;
    std::optional<Game> game = loadExecutable(executable, out, openFailed, faults);
    if (!game) {
        if (openFailed) printUsage(out);
        return 1;
    }
    if (equalsIgnoringCase(operation, "make")) return runMake(*game, executable, statsFile, out, faults);
    if (saves && equalsIgnoringCase(operation, "patch"))
        return runPatch(*game, executable, statsFile, out, faults, lock);
    if (equalsIgnoringCase(operation, "diff")) return runDiff(*game, executable, statsFile, out, faults);
    if (saves) return runTexts(*game, executable, statsFile, out, faults);
    if (merge) return runMerge(*game, executable, statsFile, args.subspan(4), out, faults);
    out << "\nInvalid option.  Use either MAKE or PATCH\n";
    printUsage(out);
    return 1;
}

}  // namespace

int runVantedit(std::span<const std::string_view> args, std::ostream& out, std::ostream& err, Faults& faults) {
    // MAKE or merge into standard output keeps it for the stats text: every message goes to
    // standard error.
    const bool writesStats = (args.size() == 4 && equalsIgnoringCase(args[3], "make")) ||
                             (args.size() >= 5 && equalsIgnoringCase(args[3], "merge"));
    const bool statsToStandardOutput = writesStats && io::isStandardOutput(std::string(args[2]));
    std::ostream& say = statsToStandardOutput ? err : out;
    return runVantedit(args, say, faults);
}

int runVantedit(std::span<const std::string_view> args, std::ostream& out, Faults& faults) {
    out << "\nVantrel Weapon Editor " << kVersion << "\n\n";
    const MemoryReserve reserve;
    if (!reserve.held()) {
        printOutOfMemory(out);
        return 1;
    }
    // The last net: a request for memory that no step could check (a path, a message) ends
    // the run here, after the files it was writing were removed on the way.
    try {
        return runOperation(args, out, faults);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    printOutOfMemory(out);
    return 1;
}

}  // namespace vantedit
