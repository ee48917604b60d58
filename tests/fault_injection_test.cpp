// Whole MAKE, PATCH and DIFF runs in process, and the save on its own, with each counted file
// call and then each request for a block of memory failing in turn: every failure must end
// the run with status 1 and exactly one message, the game's files and the old stats file as
// they were, and no temporary file beside them.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <new>
#include <set>
#include <sstream>

#include "app/operations.h"
#include "app/run.h"
#include "dump/stats_writer.h"
#include "io/file.h"
#include "io/save.h"
#include "model/editions.h"
#include "model/memory.h"
#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit {
namespace {

namespace fs = std::filesystem;

// Every message a failing file call may end a run with; each is the whole of what follows
// the progress messages.
std::set<std::string> failureMessages(int edition, bool make, bool diff, bool saveOnly) {
    if (saveOnly) return {"Error writing game.exe!\n", "Error writing game.exe! (it changed while vantedit ran)\n"};
    const Edition& e = kEditions[static_cast<std::size_t>(edition)];
    const std::string size = std::to_string(e.fileSize);
    std::set<std::string> messages = {
        "Can't open game.exe!\n" + kUsage,  // the seam's refusal gives no reason
        // A failing measure, or a failing read of the header.
        "Unrecognized version of executable. (its size cannot be read)\n",
        "Unrecognized version of executable. (" + size + " bytes, the size of edition " + std::to_string(edition) +
            ", but its header differs)\n",
        // The open of a description file that is there refused.
        "Unable to read " + std::string(e.itemDescPath) + "!\n",
        "Error while reading item descriptions (Read 0 of 280800 bytes).\n",
    };
    // A read of the executable that gets nothing, or, after a failed seek back to the start,
    // everything but the 144 bytes up to the end of the header words.
    for (long got : {0L, long{e.fileSize} - 144}) {
        messages.insert("Error while reading executable (Read " + std::to_string(got) + " of " + size + " bytes).\n");
    }
    if (e.hasShopFile()) {
        messages.insert("Unable to read " + std::string(e.shopDescPath) + "!\n");
        messages.insert("Error while reading Halvek's item descriptions (Read 0 of 280800 bytes).\n");
    }
    if (make) {
        messages.insert("Unable to create stats.txt!\n");
        messages.insert("Error writing stats.txt!\n");
        messages.insert("Error writing stats.txt.bak!\n");  // the old stats file kept first
        messages.insert("Error writing stats.txt! (it changed while vantedit ran)\n");  // its state not had
    } else {
        messages.insert("Unable to read stats.txt!\n");  // not opened, or a read failed before the end
        if (!diff) {
            messages.insert("Error writing game.exe!\n");
            messages.insert("Error writing game.exe! (it changed while vantedit ran)\n");
        }
    }
    return messages;
}

struct FaultCase {
    const char* operation;  // make, patch, or save: the save of an image on its own
    int edition;
    bool bareGame;          // header words and zero-filled description files only
    long minCalls;          // counted calls of the clean run, at least
    long maxCalls;
    long harmless;          // failing calls that lose nothing: the run goes on
};

// What a save lays over the executable: bytes that straddle the end of the copy's first chunk.
constexpr std::int64_t kSavedOffset = (128 << 10) - 72;
const std::vector<std::uint8_t> kSavedBytes(1000, 4);

int runCase(const FaultCase& c, [[maybe_unused]] const std::vector<std::uint8_t>& executable, std::ostream& out,
            Faults& faults) {
    if (std::string_view(c.operation) == "save") {
        io::Claim claim;
        return saveExecutable(
            "game.exe", kSavedOffset, kSavedBytes, [](const std::string&) { return true; }, out, faults, claim);
    }
    const std::string_view args[] = {"vantedit", "game.exe", "stats.txt", c.operation};
    return vantedit::runVantedit(args, out, faults);
}

class FaultInjection : public ::testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override { previous_ = fs::current_path(); }
    void TearDown() override { fs::current_path(previous_); }

private:
    fs::path previous_;
};

TEST_P(FaultInjection, EveryCountedCallFailingInTurn) {
    const FaultCase c = GetParam();
    const bool make = std::string_view(c.operation) == "make";
    const bool diff = std::string_view(c.operation) == "diff";  // reads all, writes nothing
    const bool saveOnly = std::string_view(c.operation) == "save";
    const Edition& e = kEditions[static_cast<std::size_t>(c.edition)];
    testing::TempDir dir;
    synth::SyntheticGame game = synth::makeSyntheticGame({c.edition, 7, false});
    if (c.bareGame) {
        testing::writeBareGame(dir.path(), c.edition);
        game.executable = testing::bareExecutable(c.edition);
        game.itemDesc.assign(kDescFileSize, 0);
        game.shopDesc.assign(e.hasShopFile() ? kDescFileSize : 0, 0);
    } else {
        ASSERT_TRUE(synth::writeGameFolder(game, dir.path()));
    }
    keepOriginalAlready(dir / "game.exe");  // the backup's own faults are tested apart
    std::string oldStats = "old stats";
    if (!make && !saveOnly) {
        // PATCH reads what MAKE wrote with one value edited, so the saved executable differs
        // from the one on disk.
        std::string text;
        writeStatsFile(text, synth::toGame(game));
        oldStats = withCrLf(withField(text, "Combine2 0", 2, "4242"));
    }
    testing::writeText(dir / "stats.txt", oldStats);
    fs::current_path(dir.path());

    std::ostringstream cleanOut;
    testing::CountingFaults counted;
    ASSERT_EQ(runCase(c, game.executable, cleanOut, counted), 0);
    const std::string clean = cleanOut.str();
    const long calls = counted.fileCalls;
    const auto goodExe = testing::readBytes("game.exe");
    const auto goodStats = testing::readBytes("stats.txt");
    ASSERT_EQ(make || diff, goodExe == game.executable);
    testing::writeBytes("game.exe", game.executable);
    testing::writeText("stats.txt", oldStats);
    const auto files = testing::listing(".");
    const std::set<std::string> messages = failureMessages(c.edition, make, diff, saveOnly);

    long failures = 0;
    long harmless = 0;
    for (long n = 1; n <= calls; ++n) {
        SCOPED_TRACE("failing call " + std::to_string(n) + " of " + std::to_string(calls));
        std::ostringstream out;
        testing::CountingFaults failing(n);
        const int status = runCase(c, game.executable, out, failing);
        const std::string text = out.str();
        const auto exe = testing::readBytes("game.exe");
        const auto stats = testing::readBytes("stats.txt");
        EXPECT_EQ(testing::listing("."), files) << "a file was left behind or went missing";
        EXPECT_TRUE(testing::readBytes(std::string(e.itemDescPath)) == game.itemDesc);
        if (e.hasShopFile()) {
            EXPECT_TRUE(testing::readBytes(std::string(e.shopDescPath)) == game.shopDesc);
        }

        if (status == 0) {
            testing::writeBytes("game.exe", game.executable);
            testing::writeText("stats.txt", oldStats);
            EXPECT_TRUE(exe == goodExe && text == clean) << text;
            // The save's check that the game can be written opens a file for update and closes
            // it without writing: its failing close loses nothing, so the run goes on. A clone
            // or a kernel copy refused is made through the program instead, and a copy of the
            // executable that PATCH could not begin early is made by the save.
            ++harmless;
            continue;
        }
        ++failures;
        EXPECT_EQ(status, 1);
        // The output is the clean run's up to some progress message, then one failure message.
        std::size_t common = 0;
        while (common < text.size() && common < clean.size() && text[common] == clean[common]) ++common;
        while (common > 0 && text[common - 1] != '\n' && text[common - 1] != '.') --common;
        const std::string message = text.substr(common);
        EXPECT_TRUE(messages.count(message) == 1) << "not one failure message: [" << message << "]";
        EXPECT_TRUE(exe == game.executable) << "the executable changed";
        EXPECT_TRUE(stats == std::vector<std::uint8_t>(oldStats.begin(), oldStats.end()))
            << "the old stats file changed";
        EXPECT_EQ(text.find("Done!"), std::string::npos) << text;
        testing::writeText("stats.txt", oldStats);
    }
    if (!saveOnly) {
        // Each request for a block of memory failing in turn: its size is told, nothing is written.
        std::ostringstream again;
        testing::CountingFaults countedAgain;
        ASSERT_EQ(runCase(c, game.executable, again, countedAgain), 0);
        const long requests = countedAgain.allocations;
        testing::writeBytes("game.exe", game.executable);
        testing::writeText("stats.txt", oldStats);
        std::set<std::string> sizes;
        for (long n = 1; n <= requests; ++n) {
            SCOPED_TRACE("failing allocation " + std::to_string(n) + " of " + std::to_string(requests));
            std::ostringstream out;
            testing::CountingFaults refusing(0, n);
            const int status = runCase(c, game.executable, out, refusing);
            const std::string text = out.str();
            EXPECT_EQ(status, 1);
            const std::size_t at = text.rfind("Unable to allocate ");
            ASSERT_NE(at, std::string::npos) << text;
            const std::string size = text.substr(at + 19, text.find(' ', at + 19) - at - 19);
            EXPECT_EQ(text.substr(at), "Unable to allocate " + size + " bytes.\n");
            EXPECT_GT(std::stoll(size), 0);
            if (!make && size == "65536") {
                // The stats file's first block: its reading has begun.
                EXPECT_TRUE(text.substr(0, at).ends_with("\nConverting text file...")) << text;
            }
            sizes.insert(size);
            EXPECT_TRUE(testing::readBytes("game.exe") == game.executable);
            EXPECT_TRUE(testing::readBytes("stats.txt") == std::vector<std::uint8_t>(oldStats.begin(), oldStats.end()));
            EXPECT_EQ(testing::listing("."), files);
        }
        EXPECT_EQ(sizes.count(std::to_string(e.fileSize)), 1u);
        EXPECT_EQ(sizes.count(std::to_string(kDescFileSize)), 1u);
        EXPECT_EQ(sizes.count(std::to_string(make ? std::size_t{1} << 20 : std::size_t{65536})), 1u);
        EXPECT_GE(requests, make ? 4 : 10);
    }

    std::cout << "[ fault points ] " << c.operation << " edition " << c.edition << ": " << calls << " counted calls, "
              << failures << " failing cleanly, " << harmless << " harmless\n";
    RecordProperty("fault_points", static_cast<int>(calls));
    EXPECT_EQ(harmless, c.harmless);
    EXPECT_GE(calls, c.minCalls);
    EXPECT_LE(calls, c.maxCalls);
}

// A run's calls: open, seek, tell, header seek and read, seek back, tell and read of the
// executable; open and read of each description file; then the stats file's own calls (DIFF:
// its read only). The save: the check's open and close; the old file opened, measured and
// rewound; the new file's open; the clone and the kernel copy; the write of the new bytes; the
// flush, sync and close, the permissions, the owner and the rename; in a whole run, under the
// lock, the look at the target's state before the rename too. PATCH begins its copy before
// it reads the stats file; MAKE keeps the old stats file under a second name (on Windows by
// a copy of the system's), and a refused link is made a copy instead: harmless.
//
// The copies of the system's that a save tries before its own: a clone and a kernel copy, on
// Windows its CopyFile alone. Each one refused is harmless.
#if defined(_WIN32)
constexpr long kSystemCopies = 1;
#else
constexpr long kSystemCopies = 2;
#endif
constexpr long kKeptStats = 1;
// The copy PATCH begins early, which its save makes instead when it fails: the new file, the
// old one opened, measured and rewound, and the system's copies.
constexpr long kBegunCopy = 5 + kSystemCopies;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Runs, FaultInjection, ::testing::Values(
//            operation edition bare   min  max harmless
    FaultCase{"make",   2,      false, 14,  99, kKeptStats},
    FaultCase{"make",   6,      false, 12,  99, kKeptStats},
    FaultCase{"make",   5,      true,  12,  99, kKeptStats},
    FaultCase{"patch",  2,      false, 20,  99, 1 + kBegunCopy},
    FaultCase{"patch",  4,      false, 20,  99, 1 + kBegunCopy},
    FaultCase{"patch",  6,      false, 16,  99, 1 + kBegunCopy},
    FaultCase{"diff",   2,      false, 17,  99, 0},
    FaultCase{"diff",   6,      false, 13,  99, 0},
    FaultCase{"save",   4,      true,  15 + kSystemCopies, 15 + kSystemCopies, 1 + kSystemCopies}),
    [](const auto& info) {
        return std::string(info.param.operation) + "Edition" + std::to_string(info.param.edition) +
               (info.param.bareGame ? "Bare" : "");
    });
// clang-format on

// ---------------------------------------------------------------------------------------------
// What stands between two runs, or a run and another program, saving the same file

struct RunOutcome {
    int status;
    std::string output;
};

RunOutcome runIn(const char* operation, Faults& faults) {
    std::ostringstream out;
    const std::string_view args[] = {"vantedit", "game.exe", "stats.txt", operation};
    const int status = vantedit::runVantedit(args, out, faults);
    return {status, out.str()};
}

// A game folder with the stats file MAKE writes for it; the test runs inside it.
class SaveGuards : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        game_ = synth::makeSyntheticGame({5, 3, false});
        ASSERT_TRUE(synth::writeGameFolder(game_, dir_.path()));
        keepOriginalAlready(dir_ / "game.exe");
        fs::current_path(dir_.path());
        ASSERT_EQ(runIn("make", noFaults()).status, 0);
        stats_ = testing::readBytes("stats.txt");
    }
    void TearDown() override { fs::current_path(previous_); }

    const std::vector<std::uint8_t>& original(const std::string& file) const {
        return file == "game.exe" ? game_.executable : stats_;
    }
    void restore() {
        testing::writeBytes("game.exe", game_.executable);
        testing::writeBytes("stats.txt", stats_);
    }

    testing::TempDir dir_;
    synth::SyntheticGame game_;
    std::vector<std::uint8_t> stats_;

private:
    fs::path previous_;
};

// PATCH holds the executable's lock from before its reading, texts the description file's from
// before its reading, MAKE the stats file's from before its writing. A run that finds it held
// stops at once; once it is free, the next run saves and removes what a killed run left behind.
TEST_F(SaveGuards, ARunThatFindsTheLockHeldWritesNothing) {
    struct Held {
        const char* operation;
        std::string file;
        const char* before;  // the output's last progress before the refusal
    };
    for (const auto& [operation, file, before] :
         {Held{"patch", "game.exe", "\n\n"}, Held{"make", "stats.txt", "\nDumping weapon stats..."},
          Held{"texts", "data/binarydata/itmdsc25.edt", "\nReading binary data..."}}) {
        SCOPED_TRACE(operation);
        const auto files = testing::listing(".");
        {
            io::Claim held;
            ASSERT_TRUE(io::claimFiles(held, std::vector<std::string>{file}).empty());
            testing::writeText(file + ".vantedit-0.tmp", "left by a killed run");
            testing::writeText(file + ".vantedit-17.tmp", "");
            const auto withLeftovers = testing::listing(".");
            const RunOutcome r = runIn(operation, noFaults());
            EXPECT_EQ(r.status, 1);
            const std::string refusal = "Error writing " + file + "! (another vantedit run is saving it)\n";
            if (file == "game.exe") {
                EXPECT_EQ(r.output, "\nVantrel Weapon Editor V2.4 RU\n\n" + refusal);  // before the reading
            } else {
                EXPECT_TRUE(r.output.ends_with(before + refusal)) << r.output;
            }
            EXPECT_TRUE(testing::readBytes("game.exe") == game_.executable);
            EXPECT_TRUE(testing::readBytes("stats.txt") == stats_);
            EXPECT_EQ(testing::listing("."), withLeftovers);
        }
        const RunOutcome r = runIn(operation, noFaults());
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(testing::listing("."), files);
        restore();
    }
}

// Memory that no step asks for through the faults (a path, a message) may be refused at any
// point: the run ends with the message, the files as they were and nothing left beside them.
TEST_F(SaveGuards, AnAllocationFailureAnywhereEndsTheRunWithItsMessage) {
    for (const char* operation : {"patch", "make", "diff"}) {
        testing::CountingFaults counted;
        ASSERT_EQ(runIn(operation, counted).status, 0);
        restore();
        const auto files = testing::listing(".");
        for (long n = 1; n <= counted.fileCalls; ++n) {
            SCOPED_TRACE(std::string(operation) + " refused memory at call " + std::to_string(n));
            testing::CountingFaults faults;
            faults.onFileCall = [n](long call) {
                if (call == n) throw std::bad_alloc();
            };
            const RunOutcome r = runIn(operation, faults);
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(r.output.ends_with("Unable to allocate memory.\n")) << r.output;
            EXPECT_TRUE(testing::readBytes("game.exe") == game_.executable);
            EXPECT_TRUE(testing::readBytes("stats.txt") == stats_);
            EXPECT_EQ(testing::listing("."), files);
        }
    }
}

struct ChangeCase {
    const char* operation;
    const char* file;
    bool replaced;   // a new file renamed over it, else written in place
    bool everyCall;  // else only at the call just before the rename
};

class FileChanged : public SaveGuards, public ::testing::WithParamInterface<ChangeCase> {};

// Another program writes into the file, or puts another file in its place, at any file call
// of the run up to the check before the rename: the run refuses to save over it and leaves
// it as the other program did. MAKE's lock, and so its state, is taken only at the save: its
// check is tried alone.
TEST_P(FileChanged, AtAnyCallBeforeTheRenameTheFileIsNotSavedOver) {
    const ChangeCase c = GetParam();
#if defined(_WIN32)
    if (c.replaced) GTEST_SKIP() << "Windows replaces no file that a run holds open";
#endif
    const std::string file = c.file;
    testing::CountingFaults counted;
    const RunOutcome clean = runIn(c.operation, counted);
    ASSERT_EQ(clean.status, 0);
    ASSERT_TRUE(clean.output.ends_with("\nDone!\n"));
    const std::string refused = clean.output.substr(0, clean.output.size() - 7) + "Error writing " + file +
                                "! (it changed while vantedit ran)\n";
    // The last byte changed: nothing the run reads, so only the check can see it.
    std::vector<std::uint8_t> changed = original(file);
    changed.back() ^= 0xFF;
    const auto files = testing::listing(".");
    for (long n = c.everyCall ? 1 : counted.fileCalls - 1; n < counted.fileCalls; ++n) {
        SCOPED_TRACE("changed at call " + std::to_string(n) + " of " + std::to_string(counted.fileCalls));
        restore();
        // Older than any write now, as a file is between runs: the clock may not tick in between.
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
        testing::CountingFaults faults;
        faults.onFileCall = [&](long call) {
            if (call != n) return;
            if (c.replaced) {
                testing::writeBytes("other", changed);
                fs::rename("other", file);
            } else {
                std::fstream in(file, std::ios::in | std::ios::out | std::ios::binary);
                in.seekp(static_cast<std::streamoff>(changed.size() - 1));
                in.put(static_cast<char>(changed.back()));
            }
        };
        const RunOutcome r = runIn(c.operation, faults);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, refused);
        EXPECT_TRUE(testing::readBytes(file) == changed);
        EXPECT_EQ(testing::listing("."), files);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Saves, FileChanged, ::testing::Values(
//             operation file         replaced everyCall
    ChangeCase{"patch",   "game.exe",  false,   true},
    ChangeCase{"patch",   "game.exe",  true,    true},
    ChangeCase{"make",    "stats.txt", false,   false},
    ChangeCase{"make",    "stats.txt", true,    false}),
    [](const auto& info) {
        return std::string(info.param.operation) + (info.param.replaced ? "Replaced" : "WrittenInPlace");
    });
// clang-format on

}  // namespace
}  // namespace vantedit
