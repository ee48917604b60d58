// Whole MAKE, PATCH and DIFF runs in process, and the save on its own, with each counted file
// call and then each request for a block of memory failing in turn: every failure must end
// the run with status 1 and exactly one message, the game's files and the old stats file as
// they were, and no temporary file beside them.
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
#include "model/memory.h"
#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit {
namespace {

namespace fs = std::filesystem;

const std::string kUsage =
    "\nUsage: vantedit <executable> <textfile> <[make]|[patch]>\n\n"
    "Use the MAKE option to dump stats to a tab delimited text file.\n"
    "To apply the changes from the textfile, use the PATCH option.\n"
    "To list what PATCH would change without writing anything, use the DIFF option.\n"
    "To merge stats files into the textfile, use the MERGE option and name them after it.\n";

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
        messages.insert("Error while parsing headings!\n");  // the first read of the stats file failed
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

// What a save lays over the executable: bytes that straddle the end of the copy's first chunk.
constexpr std::int64_t kSavedOffset = (128 << 10) - 72;
const std::vector<std::uint8_t> kSavedBytes(1000, 4);

int runCase(const FaultCase& c, const std::vector<std::uint8_t>& executable, std::ostream& out) {
    if (std::string_view(c.operation) == "save") {
        return saveExecutable("game.exe", static_cast<std::int64_t>(executable.size()), kSavedOffset, kSavedBytes, out);
    }
    return vantedit::runVantedit({"vantedit", "game.exe", "stats.txt", c.operation}, out);
}

// The stats file is read in chunks of this many bytes.
constexpr std::size_t kReadChunk = 65536;

// The output and the executable are those of a clean run of the stats file cut at the end of
// one of its chunks. Leaves the stats file and the executable as they were.
bool isRunOfACutFile(const FaultCase& c, const std::vector<std::uint8_t>& executable, const std::string& stats,
                     const std::string& output, const std::vector<std::uint8_t>& exe) {
    const auto original = testing::readBytes("game.exe");
    bool found = false;
    for (std::size_t cut = kReadChunk; cut < stats.size() && !found; cut += kReadChunk) {
        testing::writeText("stats.txt", stats.substr(0, cut));
        std::ostringstream out;
        found = runCase(c, executable, out) == 0 && out.str() == output && testing::readBytes("game.exe") == exe;
        testing::writeBytes("game.exe", original);
    }
    testing::writeText("stats.txt", stats);
    return found;
}

class FaultInjection : public ::testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override { previous_ = fs::current_path(); }
    void TearDown() override {
        io::failAtCall(0);
        failAllocationAt(0);
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
    long cutShort = 0;
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
            EXPECT_FALSE(make);
            testing::writeBytes("game.exe", game.executable);
            if (exe != goodExe || text != clean) {
                // A failing read of the stats file ends it there, as the end of the file would:
                // the run is that of the file cut at the end of a chunk read before.
                ++cutShort;
                EXPECT_TRUE(isRunOfACutFile(c, game.executable, oldStats, text, exe)) << text;
                continue;
            }
            // The save's check that the game can be written opens a file for update and closes
            // it without writing: its failing close loses nothing, so the run goes on.
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
        // A stats file cut short by a failing read may stop at any line of it.
        const bool cutStatsFile = !make && message.starts_with("Error while parsing") &&
                                  message.find('\n') == message.size() - 1;
        EXPECT_TRUE(messages.count(message) == 1 || cutStatsFile) << "not one failure message: [" << message << "]";
        EXPECT_TRUE(exe == game.executable) << "the executable changed";
        EXPECT_TRUE(stats == std::vector<std::uint8_t>(oldStats.begin(), oldStats.end())) << "the old stats file changed";
        EXPECT_EQ(text.find("Done!"), std::string::npos) << text;
        testing::writeText("stats.txt", oldStats);
    }
    if (!saveOnly) {
        // Each request for a block of memory failing in turn: its size is told, nothing is written.
        failAllocationAt(0);
        std::ostringstream again;
        ASSERT_EQ(runCase(c, game.executable, again), 0);
        const long requests = allocationCount();
        testing::writeBytes("game.exe", game.executable);
        testing::writeText("stats.txt", oldStats);
        std::set<std::string> sizes;
        for (long n = 1; n <= requests; ++n) {
            SCOPED_TRACE("failing allocation " + std::to_string(n) + " of " + std::to_string(requests));
            std::ostringstream out;
            failAllocationAt(n);
            const int status = runCase(c, game.executable, out);
            failAllocationAt(0);
            const std::string text = out.str();
            EXPECT_EQ(status, 1);
            const std::size_t at = text.rfind("Unable to allocate ");
            ASSERT_NE(at, std::string::npos) << text;
            const std::string size = text.substr(at + 19, text.find(' ', at + 19) - at - 19);
            EXPECT_EQ(text.substr(at), "Unable to allocate " + size + " bytes.\n");
            EXPECT_GT(std::stoll(size), 0);
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
    // A failing read of the stats file's last chunk may cut only lines that change nothing.
    const long chunks = static_cast<long>(oldStats.size() / kReadChunk);
    EXPECT_GE(harmless, c.harmless);
    EXPECT_LE(harmless + cutShort, c.harmless + chunks + (make || saveOnly ? 0 : 1));
    EXPECT_GE(calls, c.minCalls);
    EXPECT_LE(calls, c.maxCalls);
}

// A run's calls: open, seek, tell, header seek and read, seek back, tell and read of the
// executable; open and read of each description file; then the stats file's own calls (DIFF:
// its read only). The save: the check's open and close; the old file opened, measured and
// rewound; the new file's open; a read and a write for each of the copy's 19 chunks; the
// flush, sync and close, the permissions, the owner and the rename.
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
    FaultCase{"save",   4,      true,  51,  51, 1}),
    [](const auto& info) {
        return std::string(info.param.operation) + "Edition" + std::to_string(info.param.edition) +
               (info.param.bareGame ? "Bare" : "");
    });
// clang-format on

}  // namespace
}  // namespace vantedit
