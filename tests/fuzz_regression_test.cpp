// The fuzz targets' checks replayed in the ordinary suite: every input the fuzzers found
// (kept under tests/fuzz_corpus), and the short seeds made from synthetic games.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "fuzz_checks.h"
#include "test_support.h"

namespace vantedit {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> corpusFiles(const char* kind) {
    std::vector<fs::path> files;
    const fs::path folder = fs::path(VANTEDIT_FUZZ_CORPUS) / kind;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file() && !entry.path().filename().string().starts_with("."))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A replay of nothing would pass whatever the code does: a missing or empty folder fails.
template <typename Check>
void replay(const char* kind, Check check) {
    const std::vector<fs::path> files = corpusFiles(kind);
    ASSERT_FALSE(files.empty()) << "no findings to replay in " << (fs::path(VANTEDIT_FUZZ_CORPUS) / kind).string();
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::string bytes = testing::readText(file);
        EXPECT_EQ(check(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "");
    }
}

TEST(FuzzRegression, StatsReaderFindingsStayFixed) { replay("reader", fuzz::checkStatsReaderInput); }

TEST(FuzzRegression, StatsWriterFindingsStayFixed) { replay("writer", fuzz::checkStatsWriterInput); }

// The short seeds hold every kind of line; the whole MAKE files and the other editions are
// left to the fuzz run.
TEST(FuzzRegression, SeedsPassTheChecks) {
    for (int edition : {2, 5}) {
        for (const fuzz::SeedInput& seed : fuzz::readerSeeds(edition)) {
            if (seed.name.ends_with("-make")) continue;
            SCOPED_TRACE(seed.name);
            EXPECT_EQ(fuzz::checkStatsReaderInput(reinterpret_cast<const std::uint8_t*>(seed.bytes.data()),
                                                  seed.bytes.size()),
                      "");
        }
    }
    for (const fuzz::SeedInput& seed : fuzz::writerSeeds()) {
        SCOPED_TRACE(seed.name);
        EXPECT_EQ(
            fuzz::checkStatsWriterInput(reinterpret_cast<const std::uint8_t*>(seed.bytes.data()), seed.bytes.size()),
            "");
    }
}

}  // namespace
}  // namespace vantedit
