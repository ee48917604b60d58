// Edition recognition: size first, then the 16 header bytes, and the file left at its start.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "app/recognition.h"
#include "io/file.h"
#include "model/editions.h"
#include "test_support.h"

namespace vantedit {
namespace {

using testing::TempDir;

constexpr int kNoEdition = 7;

struct Recognised {
    int edition;
    std::string output;
    long positionAfter;
};

Recognised recognise(const std::filesystem::path& path) {
    io::File file(noFaults());
    EXPECT_TRUE(file.open(path.string(), "rb"));
    long size = 0;
    file.seek(0, SEEK_END);
    file.tell(size);
    const Edition* found = recogniseEdition(file, size);
    Recognised r{found != nullptr ? editionIndex(*found) : kNoEdition,
                 found != nullptr ? std::string(found->label) + " version of executable detected\n" : "", -1};
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
        testing::CountingFaults faults;
        io::File file(faults);
        ASSERT_TRUE(file.open((dir / name).string(), "rb"));
        faults.fileCalls = 0;
        const long size = static_cast<long>(std::filesystem::file_size(dir / name));
        EXPECT_EQ(recogniseEdition(file, size), nullptr);
        EXPECT_EQ(faults.fileCalls, 1) << "only the seek back to the start";
    }
}

}  // namespace
}  // namespace vantedit
