// The run sequence around MAKE and PATCH: banner, usage, the
// executable's failures and the operation word.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "model/editions.h"
#include "app/run.h"
#include "model/text.h"
#include "model/descriptions.h"
#include "test_support.h"

namespace vantedit {
namespace {

using testing::TempDir;

const std::string kBanner = "\nVantrel Weapon Editor V2.4 RU\n\n";
const std::string kUsage =
    "\nUsage: vantedit <executable> <textfile> <[make]|[patch]>\n\n"
    "Use the MAKE option to dump stats to a tab delimited text file.\n"
    "To apply the changes from the textfile, use the PATCH option.\n"
    "To list what PATCH would change without writing anything, use the DIFF option.\n"
    "To merge stats files into the textfile, use the MERGE option and name them after it.\n";

TEST(RunSequence, FewerThanThreeArgumentsPrintUsage) {
    TempDir dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"game.exe"}, {"game.exe", "stats.txt"}}) {
        const auto r = testing::runVantedit(dir.path(), args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.output, kBanner + kUsage);
    }
}

TEST(RunSequence, MissingExecutableFailsWithUsage) {
    TempDir dir;
    const auto r = testing::runVantedit(dir.path(), {"nothere.exe", "stats.txt", "make"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, kBanner + "Can't open nothere.exe!\n" + kUsage);
}

TEST(RunSequence, UnrecognisedExecutable) {
    TempDir dir;
    auto bytes = testing::bareExecutable(3);
    bytes[131] ^= 0xFF;
    testing::writeBytes(dir / "game.exe", bytes);
    testing::writeBytes(dir / "empty.exe", {});
    for (const char* exe : {"game.exe", "empty.exe"}) {
        const auto r = testing::runVantedit(dir.path(), {exe, "stats.txt", "dump"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, kBanner + "Unrecognized version of executable.\n");
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

TEST(RunSequence, OperationWordInAnyCaseAndExtraArgumentsIgnored) {
    TempDir dir;
    testing::writeBareGame(dir.path(), 5);
    std::string first;
    for (const char* word : {"make", "MAKE", "mAkE"}) {
        std::filesystem::remove(dir / "stats.txt");
        const auto r = testing::runVantedit(dir.path(), {"game.exe", "stats.txt", word, "ignored"});
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
