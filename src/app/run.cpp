#include "app/run.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/game_files.h"
#include "app/messages.h"
#include "app/operations.h"
#include "app/options.h"
#include "io/file.h"
#include "model/text.h"

namespace vantedit {

namespace {

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

// The files an operation saves (GameFiles: the executable and the description files). The run
// claims the executable and the description files before it reads them; a stats file is
// claimed as it is saved, since nothing reads it before.
enum class Saves : std::uint8_t { Nothing, Executable, DescriptionFiles, GameFiles, StatsFile, Restored };

struct Operation {
    std::string_view word;
    std::size_t at;         // the word's place among the arguments, from 1
    std::size_t arguments;  // after the program's name, the word's included
    bool more;              // and as many more as are given (merge's mods)
    Saves saves;
    int (*run)(const RunContext&);
};

// clang-format off
constexpr Operation kOperations[] = {
//   word       at arguments more   saves                    run
    {"make",    3, 3,        false, Saves::StatsFile,        runMake},
    {"patch",   3, 3,        false, Saves::Executable,       runPatch},
    {"diff",    3, 3,        false, Saves::Nothing,          runDiff},
    {"texts",   3, 3,        false, Saves::DescriptionFiles, runTexts},
    {"merge",   3, 4,        true,  Saves::StatsFile,        runMerge},
    {"changes", 3, 3,        true,  Saves::StatsFile,        runChanges},
    {"revert",  3, 3,        false, Saves::GameFiles,        runRevert},
    {"restore", 2, 2,        false, Saves::Restored,         runRestore},
};
// clang-format on

// The operation the positional words name. restore, the one word in second place, is that word
// only as the last of two.
const Operation* findOperation(std::span<const std::string_view> words) {
    for (const Operation& op : kOperations) {
        if (words.size() >= op.at && equalsIgnoringCase(words[op.at - 1], op.word) && (op.at == 3 || words.size() == 2))
            return &op;
    }
    return nullptr;
}

// The claim's failure printed; false then.
bool claimed(io::Claim& claim, std::span<const std::string> paths, std::ostream& out) {
    const io::SaveFacts facts = io::claimFiles(claim, paths);
    if (facts.empty()) return true;
    printSaveFailure(out, facts.back());
    return false;
}

// The operation the command line names, from the claim on; its exit status.
int runNamed(const CommandLine& line, const Operation* op, std::ostream& out, Faults& faults, bool* differs) {
    const std::span<const std::string_view> args = line.args;
    const std::string executable(args[1]);
    const std::string statsFile(op != nullptr && op->at < 3 ? std::string_view() : args[2]);
    io::Claim claim;
    if (op != nullptr && op->saves == Saves::Restored)
        return op->run({nullptr, executable, statsFile, {}, out, faults, claim, line.encoding});

    // PATCH and revert save the executable: no other run may save it between its reading and
    // its replacement, or one of the two edits would be lost.
    const bool savesExecutable = op != nullptr && (op->saves == Saves::Executable || op->saves == Saves::GameFiles);
    if (savesExecutable && !claimed(claim, std::span(&executable, 1), out)) return 1;
    bool openFailed = false;
    std::optional<Game> game = loadExecutable(executable, out, openFailed, faults);
    if (!game) {
        if (openFailed) printUsage(out);
        return 1;
    }
    if (op == nullptr) {
        printNote(out, Note::InvalidOption);
        printUsage(out);
        return 1;
    }
    if (op->saves == Saves::DescriptionFiles || op->saves == Saves::GameFiles) {
        std::vector<std::string> paths;
        if (!addDescriptionPaths(game->edition(), executable, out, paths) || !claimed(claim, paths, out)) return 1;
    }
    const RunContext context{&*game, executable, statsFile, args.subspan(std::min<std::size_t>(4, args.size())),
                             out,    faults,     claim,     line.encoding,
                             differs};
    return op->run(context);
}

int runOperation(std::span<const std::string_view> given, std::ostream& out, Faults& faults) {
    const CommandLine line = parseCommandLine(given);
    if (!line.unknownOption.empty()) {
        printNote(out, Note::UnknownOption, line.unknownOption);
        printUsage(out);
        return 1;
    }
    if (line.encodingsExclude) {
        printNote(out, Note::EncodingsExclude);
        printUsage(out);
        return 1;
    }
    if (line.version) return 0;
    const std::span<const std::string_view> args = line.args;
    if (args.size() <= 1 || line.help) {
        printUsage(out);
        return 0;
    }
    // An incomplete command is a failure, so that a script's next step does not run.
    const Operation* op = findOperation(args.subspan(1));
    // With --exit-code, diff's status says what would change, as diff(1) says it: 0 nothing, 1
    // something, 2 a failure.
    const bool diffStatus = line.exitCode && op != nullptr && op->run == runDiff;
    const int failed = diffStatus ? 2 : 1;
    if ((op == nullptr && args.size() < 4) || (op != nullptr && args.size() < op->arguments + 1)) {
        printUsage(out);
        return failed;
    }
    if (op != nullptr && !op->more && args.size() > op->arguments + 1) {
        printNote(out, Note::UnexpectedArgument, args[op->arguments + 1]);
        printUsage(out);
        return failed;
    }
    bool differs = false;
    const int status = runNamed(line, op, out, faults, diffStatus ? &differs : nullptr);
    if (!diffStatus) return status;
    return status != 0 ? 2 : differs ? 1 : 0;
}

}  // namespace

int runVantedit(std::span<const std::string_view> args, std::ostream& out, std::ostream& err, Faults& faults) {
    // Nothing that can throw runs before the reserve and the net below are in place.
    const MemoryReserve reserve;
    if (!reserve.held()) {
        printBanner(out);
        printNote(out, Note::OutOfMemory);
        return 1;
    }
    std::ostream* say = &out;
    // A request for memory that no step could check (a path, a message) ends the run here,
    // after the files it was writing were removed on the way.
    try {
        const std::span<const std::string_view> words = positionalWords(args);
        const Operation* op = findOperation(words);
        const bool whole =
            op != nullptr && words.size() >= op->arguments && (op->more || words.size() == op->arguments);
        // A stats file written to standard output keeps it for the stats text: every message goes
        // to standard error.
        if (whole && op->saves == Saves::StatsFile && io::isStandardOutput(std::string(words[1]))) say = &err;
        printBanner(*say);
        const int status = runOperation(args, *say, faults);
        // diff's listing is what it makes: lost on the way, the run failed.
        if (!whole || op->run != runDiff || status != 0 || io::flushStandardOutput(out)) return status;
        printSaveFailure(err, {io::SaveEvent::Failed, "-", io::SaveError::System, io::lastFailureReason(), {}});
        return 1;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    printNote(*say, Note::OutOfMemory);
    return 1;
}

int runVantedit(std::span<const std::string_view> args, std::ostream& out, Faults& faults) {
    return runVantedit(args, out, out, faults);
}

}  // namespace vantedit
