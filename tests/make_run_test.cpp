// Whole MAKE runs of the real program in a folder holding a game: console text, the stats file
// on disk, and every failure with what it leaves behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "app/run.h"
#include "dump/stats_writer.h"
#include "io/file.h"
#include "model/descriptions.h"
#include "model/editions.h"
#include "test_support.h"

namespace vantedit {
namespace {

using testing::readBytes;
using testing::readText;
using testing::runVantedit;
using testing::TempDir;

TEST(MakeRun, ConsoleTextWithAndWithoutShopFile) {
    for (int e : {2, 0}) {
        TempDir dir;
        testing::writeBareGame(dir.path(), e);
        const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "make"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.output, runOpening(e) + "\nDumping weapon stats...\nDone!\n");
    }
    // The "Deluxe" run, line by line.
    TempDir dir;
    testing::writeBareGame(dir.path(), 2);
    EXPECT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).output,
              kBanner +
                  "Deluxe version of executable detected\n\n"
                  "Reading binary data...\nReading item descriptions...\nDumping weapon stats...\nDone!\n");
}

TEST(MakeRun, StatsFileOnDiskHasCrLfLineEndsAndNothingAfterTheLastLine) {
    TempDir dir;
    testing::writeBareGame(dir.path(), 4);
    testing::writeText(dir / "stats.txt", std::string(5'000'000, 'x'));  // replaced whole, never appended to
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    const std::string bytes = readText(dir / "stats.txt");
    EXPECT_TRUE(bytes.starts_with("Offset\tShort Name\t"));
    EXPECT_TRUE(bytes.ends_with("\r\nBurst 33\t"));
    std::size_t lone = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) lone += bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r');
    EXPECT_EQ(lone, 0u);
    // The file is exactly what the writer produces for the same game.
    Game g(kEditions[4], testing::bareExecutable(4));
    g.descriptions.item.assign(kDescFileSize, 0);
    g.descriptions.shop.assign(kDescFileSize, 0);
    g.descriptions.hasShop = true;
    EXPECT_EQ(bytes, withCrLf(statsText(g)));
}

struct DescFailure {
    const char* name;
    int edition;
    std::string file;  // which description file to damage
    long size;         // -1: remove it
    std::string message;
};

// Run from another folder, the description files beside the executable are found; when neither
// place has one, the message names both.
TEST(MakeRun, DescriptionFilesBesideTheExecutable) {
    TempDir dir;
    std::filesystem::create_directory(dir / "game");
    testing::writeBareGame(dir / "game", 2);
    const auto r = runVantedit(dir.path(), {"game/game.exe", "stats.txt", "make"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(readText(dir / "stats.txt").starts_with("Offset\t"));
    std::filesystem::remove(dir / "game" / std::string(kShopDescFile));
    const auto missing = runVantedit(dir.path(), {"game/game.exe", "stats.txt", "diff"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output, runOpening(2) +
                                  "Error reading Halvek's item descriptions.\nYou must have the "
                                  "data/binarydata/hvkdesc.edt file installed.\n(Looked for "
                                  "data/binarydata/hvkdesc.edt and game/data/binarydata/hvkdesc.edt.)\n");
}

TEST(MakeRun, DescriptionFileFailuresLeaveTheOldStatsFile) {
    const std::vector<DescFailure> cases = {
        {"item file missing", 1, std::string(kItemDescFile), -1,
         "Error reading item descriptions.\nYou must have the data/binarydata/itemdesc.edt file installed.\n"},
        {"item file one byte short", 0, std::string(kItemDesc25File), kDescFileSize - 1,
         "Error while reading item descriptions (Read 280799 of 280800 bytes).\n"},
        {"item file empty", 5, std::string(kItemDesc25File), 0,
         "Error while reading item descriptions (Read 0 of 280800 bytes).\n"},
        {"shop file missing", 3, std::string(kShopDescFile), -1,
         "Error reading Halvek's item descriptions.\nYou must have the data/binarydata/hvkdesc.edt file installed.\n"},
        {"shop file one byte short", 4, std::string(kShopDescFile), kDescFileSize - 1,
         "Error while reading Halvek's item descriptions (Read 280799 of 280800 bytes).\n"},
    };
    for (const DescFailure& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        testing::writeBareGame(dir.path(), c.edition);
        if (c.size < 0) std::filesystem::remove(dir / c.file);
        else std::filesystem::resize_file(dir / c.file, static_cast<std::uintmax_t>(c.size));
        testing::writeText(dir / "stats.txt", "old stats");
        const auto exeBefore = readBytes(dir / "game.exe");
        const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "make"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, runOpening(c.edition) + c.message);
        EXPECT_EQ(readText(dir / "stats.txt"), "old stats");
        EXPECT_EQ(readBytes(dir / "game.exe"), exeBefore);
    }
}

TEST(MakeRun, LongerDescriptionFilesAreFineAndShoplessEditionsNeverLookForOne) {
    TempDir dir;
    testing::writeBareGame(dir.path(), 6);
    std::filesystem::resize_file(dir / std::string(kItemDesc25File), kDescFileSize + 1000);
    // A damaged shop file that editions without one must not even open.
    testing::writeText(dir / std::string(kShopDescFile), "short");
    const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "make"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, runOpening(6) + "\nDumping weapon stats...\nDone!\n");
}

TEST(MakeRun, StatsFileThatCannotBeCreated) {
    TempDir dir;
    testing::writeBareGame(dir.path(), 1);
    std::filesystem::create_directory(dir / "afolder");
    // The system's reason follows.
    for (const auto& [path, why] :
         {std::pair{"nofolder/stats.txt", "No such file or directory"}, {"afolder", "Is a directory"}}) {
        const auto r = runVantedit(dir.path(), {"game.exe", path, "make"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, runOpening(1) + "\nDumping weapon stats...Unable to create " + path + "! (" + why + ")\n");
    }
    // A file made read-only is not replaced, even by root; nor is a .bak made of it.
    testing::writeText(dir / "kept.txt", "edits");
    std::filesystem::permissions(dir / "kept.txt", std::filesystem::perms::owner_read);
    const auto files = testing::listing(dir.path());
    for (const char* operation : {"make", "merge"}) {
        const std::string more = std::string_view(operation) == "merge" ? " mod.txt" : "";
        const auto r = testing::runCommand(
            dir.path(), "LC_ALL=C " + testing::shellQuote(VANTEDIT_BINARY) + " game.exe kept.txt " + operation + more);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.output.ends_with("...Unable to create kept.txt! (read-only)\n")) << r.output;
        EXPECT_EQ(readText(dir / "kept.txt"), "edits");
        EXPECT_EQ(testing::listing(dir.path()), files);
    }
    // A folder that takes no new file, for a user who may not write there (root may).
    if (::geteuid() != 0) {
        std::filesystem::create_directory(dir / "shut");
        std::filesystem::permissions(dir / "shut",
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_EQ(runVantedit(dir.path(), {"game.exe", "shut/stats.txt", "make"}).output,
                  runOpening(1) + "\nDumping weapon stats...Unable to create shut/stats.txt! (Permission denied)\n");
        std::filesystem::permissions(dir / "shut", std::filesystem::perms::owner_all);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "nofolder"));
}

TEST(MakeRun, RefusesToWriteOverTheGameFiles) {
    TempDir dir;
    testing::writeBareGame(dir.path(), 2);
    std::filesystem::create_hard_link(dir / "game.exe", dir / "alias.exe");
    std::filesystem::create_symlink("game.exe", dir / "link.exe");
    // The first originals the program would keep, not made yet, and one that is.
    std::filesystem::create_symlink("game.exe.orig", dir / "orig.link");
    std::filesystem::copy_file(dir / std::string(kShopDescFile), dir / (std::string(kShopDescFile) + ".orig"));
    std::filesystem::create_hard_link(dir / (std::string(kShopDescFile) + ".orig"), dir / "shop.alias");
    const auto exeBefore = readBytes(dir / "game.exe");
    const auto descBefore = readBytes(dir / std::string(kItemDescFile));
    const auto files = testing::listing(dir.path());
    for (const char* target : {"game.exe", "./game.exe", "alias.exe", "link.exe", "data/binarydata/itemdesc.edt",
                               "data/../data/binarydata/hvkdesc.edt", "game.exe.orig", "orig.link",
                               "data/binarydata/itemdesc.edt.orig", "data/binarydata/hvkdesc.edt.orig", "shop.alias"}) {
        const std::string_view t = target;
        const std::string why = t.ends_with(".exe")   ? "it is the executable"
                                : t.ends_with(".edt") ? "it is a description file"
                                                      : "it is the kept original";
        for (const char* operation : {"make", "merge"}) {
            if (std::string_view(operation) == "merge" && !t.ends_with(".orig")) continue;
            const std::string more = std::string_view(operation) == "merge" ? " mod.txt" : "";
            const auto r = testing::runCommand(dir.path(), "LC_ALL=C " + testing::shellQuote(VANTEDIT_BINARY) +
                                                               " game.exe " + target + " " + operation + more);
            EXPECT_EQ(r.status, 1) << target;
            EXPECT_TRUE(r.output.ends_with("...Unable to create " + std::string(t) + "! (" + why + ")\n")) << r.output;
            EXPECT_EQ(testing::listing(dir.path()), files);
        }
    }
    EXPECT_EQ(readBytes(dir / (std::string(kShopDescFile) + ".orig")), descBefore);
    EXPECT_EQ(readBytes(dir / "game.exe"), exeBefore);
    EXPECT_EQ(readBytes(dir / std::string(kItemDescFile)), descBefore);
    EXPECT_EQ(readBytes(dir / std::string(kShopDescFile)), descBefore);
}

// MAKE replaces an existing stats file, keeping its mode and, where it may, its owner; through
// a symbolic link it replaces the link's target.
TEST(MakeRun, ReplacesTheOldStatsFileKeepingItsModeAndOwner) {
    TempDir dir;
    testing::writeBareGame(dir.path(), 1);
    testing::writeText(dir / "real.txt", "old stats");
    std::filesystem::create_symlink("real.txt", dir / "link.txt");
    const auto mode =
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read;
    std::filesystem::permissions(dir / "real.txt", mode);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((dir / "real.txt").c_str(), 4321, 4322), 0);
    }
    auto files = testing::listing(dir.path());
    // A copy that a killed run left half made is removed under the lock.
    testing::writeText(dir / "real.txt.bak.vantedit-7.tmp", "half");
    const auto r = runVantedit(dir.path(), {"game.exe", "link.txt", "make"});
    EXPECT_EQ(r.status, 0);
    // The old file's other bytes may be edits: it is kept first.
    EXPECT_EQ(r.output, runOpening(1) + "\nDumping weapon stats...\nPrevious stats file kept as link.txt.bak\nDone!\n");
    EXPECT_EQ(readText(dir / "link.txt.bak"), "old stats");
    files.insert("link.txt.bak");
    // The same bytes again: replaced without a copy.
    std::filesystem::remove(dir / "link.txt.bak");
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "link.txt", "make"}).output,
              runOpening(1) + "\nDumping weapon stats...\nDone!\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "link.txt.bak"));
    testing::writeText(dir / "link.txt.bak", "old stats");
    EXPECT_TRUE(readText(dir / "real.txt").starts_with("Offset\t"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
    EXPECT_EQ(std::filesystem::status(dir / "real.txt").permissions(), mode);
    struct stat made{};
    ASSERT_EQ(::stat((dir / "real.txt").c_str(), &made), 0);
    EXPECT_EQ(made.st_uid, root ? 4321u : ::geteuid());
    EXPECT_EQ(made.st_gid, root ? 4322u : ::getegid());
    EXPECT_EQ(testing::listing(dir.path()), files);
    // A link to a file not made yet: the file is made where it points, and the link stays.
    std::filesystem::create_symlink("made.txt", dir / "ahead.txt");
    EXPECT_EQ(runVantedit(dir.path(), {"game.exe", "ahead.txt", "make"}).status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "ahead.txt"));
    EXPECT_TRUE(readText(dir / "made.txt") == readText(dir / "real.txt"));
    // A device is written directly: there is nothing to replace. Standard output keeps the
    // stats text alone: the messages go to standard error.
    const auto out = runVantedit(dir.path(), {"game.exe", "/dev/stdout", "make"});
    EXPECT_EQ(out.status, 0);
    EXPECT_TRUE(out.output == readText(dir / "real.txt"));
    // Standard output by any of its names is written through itself: appended to as opened,
    // nothing made beside it.
    files = testing::listing(dir.path());
    for (const char* name : {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}) {
        SCOPED_TRACE(name);
        testing::writeText(dir / "out.txt", "before\n");
        const auto r = testing::runCommand(
            dir.path(), testing::shellQuote(VANTEDIT_BINARY) + " game.exe " + name + " make >>out.txt 2>/dev/null");
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(readText(dir / "out.txt") == "before\n" + readText(dir / "real.txt"));
        std::filesystem::remove(dir / "out.txt");
        EXPECT_EQ(testing::listing(dir.path()), files);
    }
}

TEST(MakeRun, WriteFailureIsReported) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    TempDir dir;
    testing::writeBareGame(dir.path(), 3);
    const auto r = runVantedit(dir.path(), {"game.exe", "/dev/full", "make"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output,
              runOpening(3) + "\nDumping weapon stats...Error writing /dev/full! (No space left on device)\n");
    // diff's listing lost is a failure too, said on standard error.
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    const auto diff = testing::runCommand(
        dir.path(), testing::shellQuote(VANTEDIT_BINARY) + " game.exe stats.txt diff 2>&1 >/dev/full");
    EXPECT_EQ(diff.status, 1);
    EXPECT_EQ(diff.output, "Error writing -! (No space left on device)\n");
}

}  // namespace
}  // namespace vantedit
