// The save path on its own: each kind of job with each counted file call failing in turn,
// what an existing kept copy must be, and what two claims on one folder allow.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "io/save.h"
#include "test_support.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace vantedit {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

using Ranges = std::optional<std::vector<io::ByteRange>>;

struct JobCase {
    const char* name;
    bool exists;         // the target stands before the save
    std::int64_t offset; // io::kWholeFile, or where the bytes go over the current file
    io::KeptCopy kept;
    Ranges changed;      // the stretches of the bytes written, if not all
    bool begun = false;  // the copy begun at the claim
    const char8_t* file = u8"file";  // the target's name
};

Ranges ranges(std::initializer_list<io::ByteRange> list) { return std::vector<io::ByteRange>(list); }

const Bytes kOld(200000, 1);   // more than one chunk of a copy
const Bytes kBytes(1000, 2);

// The file a job makes of kOld.
Bytes savedOf(const JobCase& c) {
    if (c.offset == io::kWholeFile) return kBytes;
    Bytes b = kOld;
    for (const io::ByteRange r : c.changed.value_or(std::vector{io::ByteRange{0, kBytes.size()}})) {
        std::copy_n(kBytes.begin() + static_cast<std::ptrdiff_t>(r.offset), r.size,
                    b.begin() + c.offset + static_cast<std::ptrdiff_t>(r.offset));
    }
    return b;
}

// Fails the counted calls n and then m: a second failure in the copy a first one fell back to.
class TwoFailures : public testing::CountingFaults {
public:
    TwoFailures(long n, long m) : CountingFaults(n), m_(m) {}
    bool failFileCall() override { return CountingFaults::failFileCall() || fileCalls == m_; }

private:
    long m_;
};

const io::OriginalTest kSameSize = [](const std::string& path) {
    return fs::file_size(testing::utf8Path(path)) == kOld.size();
};

class SaveJobs : public ::testing::TestWithParam<JobCase> {};

// Whatever call fails, the target is old or new, a kept copy exists only beside a new target or
// holds what it claims, and nothing else is left; the clean save gives the new file and its copy.
TEST_P(SaveJobs, EveryCountedCallFailingLeavesEachFileOldOrNew) {
    const JobCase c = GetParam();
    testing::TempDir dir;
    const std::string target = testing::utf8Name(dir.path() / c.file);
    const fs::path targetFile = testing::utf8Path(target);
    const fs::path keptPath = testing::utf8Path(target + (c.kept == io::KeptCopy::FirstOriginal ? ".orig" : ".bak"));
    const auto reset = [&] {
        fs::remove(targetFile);
        fs::remove(keptPath);
        if (c.exists) testing::writeBytes(targetFile, kOld);
    };
    io::SaveJob job{target, kBytes, c.offset, {}, c.kept, kSameSize, {}};
    if (c.changed) job.changed = std::span<const io::ByteRange>(*c.changed);
    const auto save = [&](Faults& faults) {
        io::Claim claim;
        if (c.begun) {
            EXPECT_TRUE(io::claimFiles(claim, std::span(&target, 1)).empty());
            io::beginCopy(claim, target, faults);
        }
        return io::saveFiles(claim, std::span(&job, 1), faults);
    };
    reset();
    testing::CountingFaults counted;
    const io::SaveFacts clean = save(counted);
    ASSERT_EQ(clean.back().event, io::SaveEvent::Saved);
    const bool keeps = c.exists && c.kept != io::KeptCopy::None;
    EXPECT_EQ(clean.size(), keeps ? 2u : 1u);
    EXPECT_TRUE(testing::readBytes(targetFile) == savedOf(c));
    EXPECT_EQ(fs::exists(keptPath), keeps);
    if (keeps) {
        EXPECT_TRUE(testing::readBytes(keptPath) == kOld);
    }
    const auto done = testing::listing(dir.path());
    const auto saveFailing = [&](testing::CountingFaults& failing) {
        reset();
        const io::SaveFacts facts = save(failing);
        const bool saved = facts.back().event == io::SaveEvent::Saved;
        if (!saved) {
            EXPECT_TRUE(c.exists ? testing::readBytes(targetFile) == kOld : !fs::exists(targetFile));
        } else {
            // A close of a file only read, or a copy of the system's that the program made instead.
            EXPECT_TRUE(testing::readBytes(targetFile) == savedOf(c));
        }
        if (fs::exists(keptPath)) {
            EXPECT_TRUE(testing::readBytes(keptPath) == kOld);
            // A copy kept, even by a save that failed after, is told.
            EXPECT_TRUE(std::any_of(facts.begin(), facts.end(), [](const io::SaveFact& f) {
                return f.event == io::SaveEvent::KeptOriginal || f.event == io::SaveEvent::KeptPrevious;
            }));
        }
        EXPECT_TRUE(testing::listing(dir.path()) == done || !saved) << "a file was left behind";
        for (const std::string& name : testing::listing(dir.path())) {
            EXPECT_EQ(name.find(".vantedit-"), std::string::npos) << name;
        }
    };
    for (long n = 1; n <= counted.fileCalls; ++n) {
        SCOPED_TRACE("failing call " + std::to_string(n) + " of " + std::to_string(counted.fileCalls));
        testing::CountingFaults failing(n);
        saveFailing(failing);
        // A refused clone or kernel copy falls back to another copy, whose calls fail in turn.
        for (long m = n + 1; failing.fileCalls > counted.fileCalls && m <= failing.fileCalls; ++m) {
            SCOPED_TRACE("and call " + std::to_string(m));
            TwoFailures twice(n, m);
            saveFailing(twice);
        }
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Kinds, SaveJobs, ::testing::Values(
//          name                 exists offset          kept                         changed             begun file
    JobCase{"NewFile",           false, io::kWholeFile, io::KeptCopy::None,          {}},
    JobCase{"Replaced",          true,  io::kWholeFile, io::KeptCopy::None,          {}},
    JobCase{"Splice",            true,  131000,         io::KeptCopy::None,          {}},
    JobCase{"WithOriginal",      true,  131000,         io::KeptCopy::FirstOriginal, {}},
    JobCase{"WithPrevious",      true,  io::kWholeFile, io::KeptCopy::PreviousStats, {}},
    JobCase{"NewWithBak",        false, io::kWholeFile, io::KeptCopy::PreviousStats, {}},
    JobCase{"ChangedRanges",     true,  131000,         io::KeptCopy::FirstOriginal, ranges({{0, 1}, {500, 12}, {999, 1}})},
    JobCase{"NothingChanged",    true,  131000,         io::KeptCopy::None,          ranges({})},
    JobCase{"Begun",             true,  131000,         io::KeptCopy::FirstOriginal, ranges({{7, 900}}), true},
    JobCase{"BegunWhole",        true,  131000,         io::KeptCopy::None,          {},                 true},
    // Windows takes names in any letters by their wide form: the system's copy too.
    JobCase{"BegunInAnyLetters", true,  131000,         io::KeptCopy::FirstOriginal, ranges({{7, 900}}), true,  u8"файл 文件"},
    JobCase{"BakInAnyLetters",   true,  io::kWholeFile, io::KeptCopy::PreviousStats, {},                 false, u8"файл 文件"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

#if !defined(_WIN32)
// An existing kept copy is looked at before anything is written: a .bak that is no regular file
// is never written through, a .orig must name an original of the file.
TEST(SaveKeptCopies, WhatStandsAtTheCopysNameDecides) {
    struct Case {
        const char* name;
        io::KeptCopy kept;
        std::function<void(const fs::path& copy)> make;
        io::SaveError error;  // None: saved
    };
    const auto wrote = [](const Bytes& b) { return [b](const fs::path& p) { testing::writeBytes(p, b); }; };
    const Case cases[] = {
        {"bak link", io::KeptCopy::PreviousStats, [](const fs::path& p) { fs::create_symlink("outside", p); },
         io::SaveError::NotRegular},
        {"bak fifo", io::KeptCopy::PreviousStats, [](const fs::path& p) { ::mkfifo(p.c_str(), 0600); },
         io::SaveError::NotRegular},
        {"bak folder", io::KeptCopy::PreviousStats, [](const fs::path& p) { fs::create_directory(p); },
         io::SaveError::System},
        {"bak older", io::KeptCopy::PreviousStats, wrote(Bytes(3, 9)), io::SaveError::None},
        // Left by a save that failed after keeping it: a rename onto it would leave the new name.
        {"bak is the file", io::KeptCopy::PreviousStats,
         [](const fs::path& p) { fs::create_hard_link(p.parent_path() / "file", p); }, io::SaveError::None},
        // Written through that name, the file must not change the .bak.
        {"file with another name", io::KeptCopy::PreviousStats,
         [](const fs::path& p) { fs::create_hard_link(p.parent_path() / "file", p.parent_path() / "other"); },
         io::SaveError::None},
        {"orig of another size", io::KeptCopy::FirstOriginal, wrote(Bytes(3, 9)), io::SaveError::NotAnOriginal},
        {"orig dangling link", io::KeptCopy::FirstOriginal, [](const fs::path& p) { fs::create_symlink("nowhere", p); },
         io::SaveError::NotAnOriginal},
        {"orig link to an original", io::KeptCopy::FirstOriginal,
         [](const fs::path& p) {
             testing::writeBytes(p.parent_path() / "kept", kOld);
             fs::create_symlink("kept", p);
         },
         io::SaveError::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir dir;
        const std::string target = (dir / "file").string();
        const fs::path copy = target + (c.kept == io::KeptCopy::FirstOriginal ? ".orig" : ".bak");
        testing::writeBytes(target, kOld);
        c.make(copy);
        const auto before = testing::listing(dir.path());
        const io::SaveJob job{target, kBytes, io::kWholeFile, {}, c.kept, kSameSize, {}};
        io::Claim claim;
        const io::SaveFacts facts = io::saveFiles(claim, std::span(&job, 1), noFaults());
        if (c.error == io::SaveError::None) {
            EXPECT_EQ(facts.back().event, io::SaveEvent::Saved);
            EXPECT_TRUE(testing::readBytes(target) == kBytes);
            if (c.kept == io::KeptCopy::PreviousStats) {
                EXPECT_TRUE(testing::readBytes(copy) == kOld);
                EXPECT_FALSE(fs::exists(dir / "other") && fs::equivalent(copy, dir / "other"));
            }
            for (const std::string& name : testing::listing(dir.path())) {
                EXPECT_EQ(name.find(".vantedit-"), std::string::npos) << name;
            }
            continue;
        }
        ASSERT_EQ(facts.size(), 1u);
        EXPECT_EQ(facts[0].error, c.error);
        EXPECT_EQ(facts[0].path, c.error == io::SaveError::NotAnOriginal ? target : copy.string());
        EXPECT_TRUE(testing::readBytes(target) == kOld);
        EXPECT_EQ(testing::listing(dir.path()), before);
        EXPECT_FALSE(fs::exists(dir / "outside"));
    }
}
#endif

// Two runs creating two different new files in one folder both go on; two creating the same
// one exclude each other, and a claim that ends leaves nothing behind. The names hold letters
// that no one code page has.
TEST(SaveClaims, NewFilesInOneFolder) {
    testing::TempDir dir;
    const std::vector<std::string> a{testing::utf8Name(dir.path() / u8"файл.txt")},
        b{testing::utf8Name(dir.path() / u8"文件.txt")};
    {
        io::Claim first, second, third;
        EXPECT_TRUE(io::claimFiles(first, a).empty());
        EXPECT_TRUE(io::claimFiles(second, b).empty());
        const io::SaveFacts refused = io::claimFiles(third, a);
        ASSERT_EQ(refused.size(), 1u);
        EXPECT_EQ(refused[0].error, io::SaveError::InUse);
        const io::SaveJob job{b[0], kBytes, io::kWholeFile, {}, io::KeptCopy::None, {}, {}};
        EXPECT_EQ(io::saveFiles(second, std::span(&job, 1), noFaults()).back().event, io::SaveEvent::Saved);
    }
    EXPECT_EQ(testing::listing(dir.path()), std::set<std::string>{"文件.txt"});
    // What a killed run left goes with the next claim of that file.
    testing::writeText(dir.path() / u8"файл.txt.vantedit-lock", "");
    testing::writeText(dir.path() / u8"файл.txt.vantedit-3.tmp", "half");
    {
        io::Claim next;
        EXPECT_TRUE(io::claimFiles(next, a).empty());
    }
    EXPECT_EQ(testing::listing(dir.path()), std::set<std::string>{"文件.txt"});
}

}  // namespace
}  // namespace vantedit
