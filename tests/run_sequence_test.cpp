// The run sequence around MAKE and PATCH: banner, usage, the
// executable's failures and the operation word.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "app/run.h"
#include "model/descriptions.h"
#include "model/editions.h"
#include "model/text.h"
#include "test_support.h"

namespace vantedit {
namespace {

using testing::TempDir;

// Every form of the command line that stops before the executable is read: its status and
// output, and nothing written.
TEST(RunSequence, CommandLineForms) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string output;  // after the banner
    };
    const Case cases[] = {
        {{}, 0, kUsage},
        {{"-h"}, 0, kUsage},
        {{"--help"}, 0, kUsage},
        {{"--version"}, 0, ""},
        {{"game.exe"}, 1, kUsage},  // an incomplete command is a failure
        {{"game.exe", "patch"}, 1, kUsage},
        {{"game.exe", "stats.txt", "patch", "--dry-run"}, 1, "\nUnexpected argument --dry-run\n" + kUsage},
        {{"game.exe", "stats.txt", "MAKE", "x", "y"}, 1, "\nUnexpected argument x\n" + kUsage},
        {{"game.exe", "stats.txt", "diff", ""}, 1, "\nUnexpected argument \n" + kUsage},
        {{"--frobnicate"}, 1, "\nUnknown option --frobnicate\n" + kUsage},
        {{"--utf8", "--dry-run", "game.exe", "stats.txt", "make"}, 1, "\nUnknown option --dry-run\n" + kUsage},
        {{"--help", "game.exe", "stats.txt", "make"}, 1, "\nUnknown option --help\n" + kUsage},
        {{"-x", "game.exe", "stats.txt", "make"}, 1, "\nUnknown option -x\n" + kUsage},  // one dash too
        {{"--utf8"}, 0, kUsage},
        {{"--utf8", "--help"}, 0, kUsage},
        {{"--utf8", "game.exe", "patch"}, 1, kUsage},
        {{"--utf8", "--utf16", "game.exe", "stats.txt", "make"},
         1,
         "\nOptions --utf8 and --utf16 exclude each other\n" + kUsage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::join(c.args, ' '));
        TempDir dir;
        testing::writeBareGame(dir.path(), 5);
        const auto before = testing::listing(dir.path());
        const auto r = testing::runVantedit(dir.path(), c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.output, kBanner + c.output);
        EXPECT_EQ(testing::listing(dir.path()), before);
    }
}

// MAKE into standard output, by "-" or by its name, keeps it for the stats text, and diff
// reads it from standard input.
TEST(RunSequence, MakeIntoAPipeAndDiffFromIt) {
    TempDir dir;
    testing::writeBareGame(dir.path(), 5);
    ASSERT_EQ(testing::runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    const std::string binary = testing::shellQuote(VANTEDIT_BINARY);
    for (const char* target : {"-", "/dev/stdout"}) {
        SCOPED_TRACE(target);
        const auto made = testing::runCommand(dir.path(), binary + " game.exe " + target + " make 2>/dev/null");
        EXPECT_EQ(made.status, 0);
        EXPECT_TRUE(made.output == testing::readText(dir / "stats.txt")) << made.output.substr(0, 300);
        const auto piped = testing::runCommand(
            dir.path(), "(" + binary + " game.exe " + target + " make 2>/dev/null | " + binary + " game.exe - diff)");
        EXPECT_EQ(piped.status, 0);
        EXPECT_TRUE(piped.output.ends_with("\n0 values would change, 0 not saved; nothing written.\n\nDone!\n"))
            << piped.output;
    }
}

TEST(RunSequence, MissingExecutableFailsWithUsage) {
    TempDir dir;
    const auto r = testing::runVantedit(dir.path(), {"nothere.exe", "stats.txt", "make"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, kBanner + "Can't open nothere.exe! (No such file or directory)\n" + kUsage);
}

TEST(RunSequence, UnrecognisedExecutable) {
    TempDir dir;
    auto bytes = testing::bareExecutable(3);
    bytes[131] ^= 0xFF;
    testing::writeBytes(dir / "game.exe", bytes);
    testing::writeBytes(dir / "empty.exe", {});
    std::filesystem::create_directory(dir / "folder.exe");
    const std::pair<const char*, const char*> cases[] = {
        {"game.exe", "4213811 bytes, the size of edition 3, but its header differs"},
        {"empty.exe", "0 bytes: no edition has that size"},
        {"folder.exe", "folder.exe is a folder"},
    };
    for (const auto& [exe, reason] : cases) {
        const auto r = testing::runVantedit(dir.path(), {exe, "stats.txt", "dump"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, kBanner + "Unrecognized version of executable. (" + reason + ")\n");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "stats.txt"));
}

TEST(RunSequence, InvalidOperationWordAfterLoading) {
    TempDir dir;
    testing::writeBareGame(dir.path(), 2);
    const auto r = testing::runVantedit(dir.path(), {"game.exe", "stats.txt", "dump", "extra"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, kBanner + "Deluxe version of executable detected\n\nReading binary data..." +
                            "\nInvalid option.  Use either MAKE or PATCH\n" + kUsage);
    EXPECT_FALSE(std::filesystem::exists(dir / "stats.txt"));
}

TEST(RunSequence, OperationWordInAnyCase) {
    TempDir dir;
    testing::writeBareGame(dir.path(), 5);
    std::string first;
    for (const char* word : {"make", "MAKE", "mAkE"}) {
        std::filesystem::remove(dir / "stats.txt");
        const auto r = testing::runVantedit(dir.path(), {"game.exe", "stats.txt", word});
        EXPECT_EQ(r.status, 0) << word;
        EXPECT_EQ(r.output, kBanner + "Quelvar version of executable detected\n\nReading binary data..." +
                                "\nReading item descriptions...\nDumping weapon stats...\nDone!\n");
        const std::string stats = testing::readText(dir / "stats.txt");
        if (first.empty()) first = stats;
        EXPECT_EQ(stats, first);
    }
    EXPECT_FALSE(equalsIgnoringCase("makes", "make"));
    EXPECT_FALSE(equalsIgnoringCase("m@ke", "mAke"));
}

}  // namespace
}  // namespace vantedit
