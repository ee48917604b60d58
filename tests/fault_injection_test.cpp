// Whole MAKE, PATCH and DIFF runs in process, and the save on its own, with each counted file
// call failing in turn: every failure must end the run with status 1 and exactly one message,
// the game's files as they were, no temporary file beside them, and MAKE's old stats file kept
// unless the failure after its opening was reported.
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

#include "model/editions.h"
#include "app/operations.h"
#include "app/run.h"
#include "dump/stats_writer.h"
#include "io/file.h"
#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit {
namespace {

namespace fs = std::filesystem;

const std::string kUsage =
    "\nUsage: vantedit <executable> <textfile> <[make]|[patch]>\n\n"
    "Use the MAKE option to dump stats to a tab delimited text file.\n"
    "To apply the changes from the textfile, use the PATCH option.\n"
    "To list what PATCH would change without writing anything, use the DIFF option.\n";

// Every message a failing file call may end a run with; each is the whole of what follows
// the progress messages.
std::set<std::string> failureMessages(int edition, bool make, bool diff, bool saveOnly) {
    if (saveOnly) return {"Error writing game.exe!\n"};
    const Edition& e = kEditions[static_cast<std::size_t>(edition)];
    const std::string size = std::to_string(e.fileSize);
    std::set<std::string> messages = {
        "Can't open game.exe!\n" + kUsage,
        "Unrecognized version of executable.\n",
        "Error reading item descriptions.\nYou must have the " + std::string(e.itemDescPath) + " file installed.\n",
        "Error while reading item descriptions (Read 0 of 280800 bytes).\n",
    };
    // A read of the executable that gets nothing, or, after a failed seek back to the start,
    // everything but the 144 bytes up to the end of the header words.
    for (long got : {0L, long{e.fileSize} - 144}) {
        messages.insert("Error while reading executable (Read " + std::to_string(got) + " of " + size + " bytes).\n");
    }
    if (e.hasShopFile()) {
        messages.insert("Error reading Halvek's item descriptions.\nYou must have the " + std::string(e.shopDescPath) +
                        " file installed.\n");
        messages.insert("Error while reading Halvek's item descriptions (Read 0 of 280800 bytes).\n");
    }
    if (make) {
        messages.insert("Unable to create stats.txt!\n");
        messages.insert("Error writing stats.txt!\n");
    } else {
        messages.insert("Unable to read stats.txt!\n");
        if (!diff) messages.insert("Error writing game.exe!\n");
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

// The image a save writes: the executable with its last byte changed.
std::vector<std::uint8_t> savedImage(std::vector<std::uint8_t> executable) {
    executable.back() ^= 0xFF;
    return executable;
}

int runCase(const FaultCase& c, const std::vector<std::uint8_t>& executable, std::ostream& out) {
    if (std::string_view(c.operation) == "save") return saveExecutable("game.exe", savedImage(executable), out);
    return vantedit::runVantedit({"vantedit", "game.exe", "stats.txt", c.operation}, out);
}

class FaultInjection : public ::testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override { previous_ = fs::current_path(); }
    void TearDown() override {
        io::failAtCall(0);
        fs::current_path(previous_);
    }

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
    std::string oldStats = "old stats";
    if (!make && !saveOnly) {
        // PATCH reads what MAKE wrote; its rebuild reorders the attachment table, so the
        // saved executable differs from the one on disk.
        std::string text;
        writeStatsFile(text, synth::toGame(game));
        oldStats = withCrLf(text);
    }
    testing::writeText(dir / "stats.txt", oldStats);
    fs::current_path(dir.path());

    std::ostringstream cleanOut;
    io::failAtCall(0);
    ASSERT_EQ(runCase(c, game.executable, cleanOut), 0);
    const std::string clean = cleanOut.str();
    const long calls = io::callCount();
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
        io::failAtCall(n);
        const int status = runCase(c, game.executable, out);
        io::failAtCall(0);
        const std::string text = out.str();
        const auto exe = testing::readBytes("game.exe");
        const auto stats = testing::readBytes("stats.txt");
        EXPECT_EQ(testing::listing("."), files) << "a file was left behind or went missing";
        EXPECT_TRUE(testing::readBytes(std::string(e.itemDescPath)) == game.itemDesc);
        if (e.hasShopFile()) {
            EXPECT_TRUE(testing::readBytes(std::string(e.shopDescPath)) == game.shopDesc);
        }

        if (status == 0) {
            // Only the save's check that the game can be written opens a file for update and
            // closes it without writing: its failing close loses nothing, so the run goes on.
            ++harmless;
            EXPECT_FALSE(make);
            EXPECT_EQ(text, clean);
            EXPECT_TRUE(exe == goodExe);
            testing::writeBytes("game.exe", game.executable);
            continue;
        }
        ++failures;
        EXPECT_EQ(status, 1);
        // The output is the clean run's up to some progress message, then one failure message.
        std::size_t common = 0;
        while (common < text.size() && common < clean.size() && text[common] == clean[common]) ++common;
        while (common > 0 && text[common - 1] != '\n' && text[common - 1] != '.') --common;
        const std::string message = text.substr(common);
        EXPECT_EQ(messages.count(message), 1u) << "not one failure message: [" << message << "]";
        EXPECT_TRUE(exe == game.executable) << "the executable changed";
        if (make && stats != std::vector<std::uint8_t>(oldStats.begin(), oldStats.end())) {
            EXPECT_EQ(message, "Error writing stats.txt!\n") << "the stats file changed without a report";
        }
        if (!make) {
            EXPECT_TRUE(stats == std::vector<std::uint8_t>(oldStats.begin(), oldStats.end()));
        }
        EXPECT_EQ(text.find("Done!"), std::string::npos) << text;
        testing::writeText("stats.txt", oldStats);
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
// its read only). The
// save: the check's open and close, then the new file's open, write, flush, sync and close,
// its permissions and the rename.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Runs, FaultInjection, ::testing::Values(
//            operation edition bare   min  max harmless
    FaultCase{"make",   2,      false, 14,  99, 0},
    FaultCase{"make",   6,      false, 12,  99, 0},
    FaultCase{"make",   5,      true,  12,  99, 0},
    FaultCase{"patch",  2,      false, 20,  99, 1},
    FaultCase{"patch",  4,      false, 20,  99, 1},
    FaultCase{"patch",  6,      false, 16,  99, 1},
    FaultCase{"diff",   2,      false, 17,  99, 0},
    FaultCase{"diff",   6,      false, 13,  99, 0},
    FaultCase{"save",   3,      true,   9,   9, 1}),
    [](const auto& info) {
        return std::string(info.param.operation) + "Edition" + std::to_string(info.param.edition) +
               (info.param.bareGame ? "Bare" : "");
    });
// clang-format on

}  // namespace
}  // namespace vantedit
