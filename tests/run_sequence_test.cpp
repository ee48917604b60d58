// Edition recognition and the run sequence around MAKE and PATCH: banner, usage, the
// executable's failures and the operation word.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "app/editions.h"
#include "app/recognition.h"
#include "app/run.h"
#include "model/descriptions.h"
#include "model/file_io.h"
#include "test_support.h"

namespace vantedit {
namespace {

using testing::TempDir;

const std::string kBanner = "\nVantrel Weapon Editor V2.4 RU\n\n";
const std::string kUsage =
    "\nUsage: vantedit <executable> <textfile> <[make]|[patch]>\n\n"
    "Use the MAKE option to dump stats to a tab delimited text file.\n"
    "To apply the changes from the textfile, use the PATCH option.\n";

struct Recognised {
    int edition;
    std::string output;
    long positionAfter;
};

Recognised recognise(const std::filesystem::path& path) {
    io::File file;
    EXPECT_TRUE(file.open(path.string(), "rb"));
    long size = 0;
    file.seek(0, SEEK_END);
    file.tell(size);
    std::ostringstream out;
    Recognised r{recogniseEdition(file, size, out), out.str(), -1};
    file.tell(r.positionAfter);
    return r;
}

TEST(Recognition, EachEditionByItsSizeAndHeaderWords) {
    TempDir dir;
    for (int e = 0; e < kEditionCount; ++e) {
        SCOPED_TRACE(e);
        testing::writeBytes(dir / "game.exe", testing::bareExecutable(e));
        const Recognised r = recognise(dir / "game.exe");
        EXPECT_EQ(r.edition, e);
        EXPECT_EQ(r.output, std::string(kEditions[e].label) + " version of executable detected\n");
        EXPECT_EQ(r.positionAfter, 0);
    }
}

TEST(Recognition, EditionFourCarriesThePeSignature) {
    const auto bytes = testing::bareExecutable(4);
    EXPECT_EQ(std::string(bytes.begin() + 128, bytes.begin() + 136), std::string("PE\0\0L\1\5\0", 8));
}

TEST(Recognition, AnySingleHeaderByteOffMatchesNothing) {
    TempDir dir;
    for (int e : {0, 4}) {
        for (int i = 0; i < 16; ++i) {
            auto bytes = testing::bareExecutable(e);
            bytes[128 + static_cast<std::size_t>(i)] ^= 0x01;
            testing::writeBytes(dir / "game.exe", bytes);
            const Recognised r = recognise(dir / "game.exe");
            EXPECT_EQ(r.edition, kNoEdition) << e << " byte " << i;
            EXPECT_EQ(r.output, "");
            EXPECT_EQ(r.positionAfter, 0);
        }
    }
}

TEST(Recognition, SizeOffByOneMatchesNothing) {
    TempDir dir;
    for (int delta : {-1, +1}) {
        auto bytes = testing::bareExecutable(2);
        bytes.resize(static_cast<std::size_t>(static_cast<long>(bytes.size()) + delta));
        testing::writeBytes(dir / "game.exe", bytes);
        EXPECT_EQ(recognise(dir / "game.exe").edition, kNoEdition) << delta;
    }
}

TEST(Recognition, AFileOfNoKnownSizeIsNotRead) {
    TempDir dir;
    testing::writeBytes(dir / "empty.exe", {});
    testing::writeBytes(dir / "small.exe", std::vector<std::uint8_t>(4096, 0));
    for (const char* name : {"empty.exe", "small.exe"}) {
        io::File file;
        ASSERT_TRUE(file.open((dir / name).string(), "rb"));
        std::ostringstream out;
        io::failAtCall(0);
        const long size = static_cast<long>(std::filesystem::file_size(dir / name));
        EXPECT_EQ(recogniseEdition(file, size, out), kNoEdition);
        EXPECT_EQ(io::callCount(), 1) << "only the seek back to the start";
    }
}

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
