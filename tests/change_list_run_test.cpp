// Whole runs with change lists on synthetic games: a list made from an edited stats file does
// what the stats file does, applies once however often it is given, is what changes lists after
// the PATCH; each line is judged, and a line that does not apply stops PATCH and texts.
#include <gtest/gtest.h>

#include <map>

#include "model/editions.h"
#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit {
namespace {

namespace fs = std::filesystem;
using testing::listing;
using testing::readBytes;
using testing::readText;
using testing::runVantedit;
using testing::split;
using testing::TempDir;
using testing::writeText;

using Bytes = std::vector<std::uint8_t>;

// The game's files, the first originals a save keeps aside.
std::map<std::string, Bytes> snapshot(const fs::path& folder) {
    std::map<std::string, Bytes> files;
    for (const std::string& name : listing(folder)) {
        if (fs::is_regular_file(folder / name) && !name.ends_with(".orig")) files[name] = readBytes(folder / name);
    }
    return files;
}

// Another value of a byte's column.
std::string otherValue(const std::string& value, int by) { return std::to_string((std::stoi(value) + by) % 100); }

// The game's folder and the stats file MAKE wrote for it, with "\n" line ends.
std::string madeGame(const fs::path& folder, const synth::SyntheticGame& game) {
    EXPECT_TRUE(synth::writeGameFolder(game, folder));
    EXPECT_EQ(runVantedit(folder, {"game.exe", "made.txt", "make"}).status, 0);
    const std::string made = withoutCr(readText(folder / "made.txt"));
    fs::remove(folder / "made.txt");
    return made;
}

// The field of the line that starts so: "Item 8" and a heading, or a list line and its field.
std::string fieldValue(const std::string& made, const std::string& lineStart, int field) {
    const std::size_t begin = made.find("\n" + lineStart + "\t") + 1;
    return split(made.substr(begin, made.find('\n', begin) - begin), '\t').at(static_cast<std::size_t>(field));
}

// A stat, a list value, a name, an attachment column, an AmmoName text and a sound name edited.
std::string editedStats(const std::string& made, int edition) {
    const int damage = fieldOf("Damage");
    const int silencer = fieldOf("Silencer?");
    std::string edited = withField(made, "Item 8", damage, otherValue(fieldValue(made, "Item 8", damage), 1));
    edited = withField(edited, "Item 8", silencer, fieldValue(made, "Item 8", silencer) == "0" ? "1" : "0");
    edited = withField(edited, "Item 8", fieldOf("Long Name"), "Changed \"long\" name");
    if (kEditions[static_cast<std::size_t>(edition)].hasShopFile())
        edited = withField(edited, "Item 9", fieldOf("Halvek's Name"), "Shop name");
    edited = withField(edited, "Exclude 2", 1, otherValue(fieldValue(made, "Exclude 2", 1), 3));
    edited = withField(edited, "AmmoName 1", 2, "Flechette");
    return withField(edited, "Sound 4", 1, "shot99.wav");
}

void patchAndTexts(const fs::path& folder, const std::string& file) {
    ASSERT_EQ(runVantedit(folder, {"game.exe", file, "patch"}).status, 0);
    ASSERT_EQ(runVantedit(folder, {"game.exe", file, "texts"}).status, 0);
}

TEST(ChangeListRun, AListDoesWhatItsStatsFileDoesOnceOnEveryEdition) {
    for (int e = 0; e < kEditionCount; ++e) {
        SCOPED_TRACE(e);
        TempDir byStats;
        TempDir byList;
        const synth::SyntheticGame game = synth::makeSyntheticGame({e, 3, false});
        const std::string made = madeGame(byStats.path(), game);
        madeGame(byList.path(), game);
        writeText(byStats / "edited.txt", editedStats(made, e));
        const auto r = runVantedit(byStats.path(), {"game.exe", "list.txt", "changes", "edited.txt"});
        EXPECT_EQ(r.status, 0);
        const int changes = kEditions[static_cast<std::size_t>(e)].hasShopFile() ? 7 : 6;
        EXPECT_TRUE(
            r.output.ends_with("\nConverting text file...\n" + std::to_string(changes) + " changes listed.\nDone!\n"))
            << r.output;
        fs::copy_file(byStats / "list.txt", byList / "list.txt");
        patchAndTexts(byStats.path(), "edited.txt");
        patchAndTexts(byList.path(), "list.txt");
        // Again: everything applied before, nothing changes.
        const auto once = snapshot(byList.path());
        patchAndTexts(byList.path(), "list.txt");
        EXPECT_TRUE(snapshot(byList.path()) == once);

        ASSERT_EQ(runVantedit(byStats.path(), {"game.exe", "after.txt", "make"}).status, 0);
        ASSERT_EQ(runVantedit(byList.path(), {"game.exe", "after.txt", "make"}).status, 0);
        EXPECT_EQ(readText(byList / "after.txt"), readText(byStats / "after.txt"));
        const Edition& ed = kEditions[static_cast<std::size_t>(e)];
        for (const std::string_view desc : {ed.itemDescPath, ed.shopDescPath}) {
            if (desc.empty()) continue;
            EXPECT_TRUE(readBytes(byList / std::string(desc)) == readBytes(byStats / std::string(desc)));
        }
        // The list of what the PATCH and texts since the originals did is the same list.
        ASSERT_EQ(runVantedit(byStats.path(), {"game.exe", "since.txt", "changes"}).status, 0);
        EXPECT_EQ(readText(byStats / "since.txt"), readText(byStats / "list.txt"));
    }
}

TEST(ChangeListRun, TheListsLinesAsWritten) {
    TempDir dir;
    const std::string made = madeGame(dir.path(), synth::makeSyntheticGame({0, 3, false}));
    const int unknown = fieldOf("Unknown");
    const std::string was = fieldValue(made, "Item 8", unknown);
    writeText(dir / "edited.txt",
              withField(withField(made, "Item 8", unknown, "200"), "Item 8", fieldOf("Long Name"), "A \"B\""));
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "list.txt", "changes", "edited.txt"}).status, 0);
    EXPECT_EQ(readText(dir / "list.txt"), "Changes\tField\tWas\tNow\r\nItem 8\tLong Name\t\"" +
                                              fieldValue(made, "Item 8", fieldOf("Long Name")) +
                                              "\"\t\"A \"\"B\"\"\"\r\nItem 8\tUnknown (column 17)\t" + was + "\t200");
    // Without a first original, the list is empty; to standard output as asked.
    const auto r = runVantedit(dir.path(), {"game.exe", "-", "changes"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "Changes\tField\tWas\tNow");
    EXPECT_EQ(runVantedit(dir.path(), {"game.exe", "empty.txt", "changes"}).output,
              runOpening(0) + "\nNo original kept beside game.exe: the list is empty.\n0 changes listed.\nDone!\n");
    // Never over the game.
    EXPECT_EQ(runVantedit(dir.path(), {"game.exe", "game.exe", "changes", "edited.txt"}).status, 1);
}

// Each state a line can find, under each operation that judges it: what is printed after the
// reading, the status, and whether the files change.
TEST(ChangeListRun, EachLineIsJudgedBeforeAnythingIsWritten) {
    TempDir dir;
    const std::string made = madeGame(dir.path(), synth::makeSyntheticGame({1, 3, false}));
    const std::string d = fieldValue(made, "Item 8", fieldOf("Damage"));
    const std::string d1 = otherValue(d, 1), d2 = otherValue(d, 2);
    const std::string t = "\"" + fieldValue(made, "Item 8", fieldOf("Long Name")) + "\"";
    const auto list = [](const std::string& stat, const std::string& text) {
        return "Changes\tField\tWas\tNow\n" + stat + "\n" + text + "\n";
    };
    const std::map<std::string, std::string> lists = {
        {"was", list("Item 8\tDamage\t" + d + "\t" + d1, "Item 8\tLong Name\t" + t + "\t\"Renamed\"")},
        {"now", list("Item 8\tDamage\t" + d1 + "\t" + d, "Item 8\tLong Name\t\"Other\"\t" + t)},
        {"neither", list("Item 8\tDamage\t" + d1 + "\t" + d2, "Item 8\tLong Name\t\"Other\"\t\"Else\"")},
        {"none", list("Item 350\tDamage\t0\t1", "Item 351\tLong Name\t\"A\"\t\"B\"")},
    };
    const std::string statConflict = "\nline 2: Item 8, Damage: the game holds " + d + ", the change expects " + d1;
    const std::string textConflict =
        "\nline 3: Item 8, Long Name: the game holds " + t + ", the change expects \"Other\"";
    const std::string noStat = "\nline 2: Item 350, Damage: no such field in this edition";
    const std::string noText = "\nline 3: Item 351, Long Name: no such field in this edition";
    const std::string stop = " changes do not apply: nothing written.\n";
    struct Case {
        std::string list, operation;
        int status;
        std::string printed;  // after "Converting text file..."
        bool writes;
    };
    const std::string patched = "\nDescriptions not saved...\nSaving binary data...\n";
    const Case cases[] = {
        {"was", "patch", 0,
         "\n1 change applied, 0 applied before." + patched + "Original kept as game.exe.orig\nDone!\n", true},
        {"now", "patch", 0,
         "\n0 changes applied, 1 applied before." + patched + "Original kept as game.exe.orig\nDone!\n", false},
        {"neither", "patch", 1,
         "\nline 2: Item 8, Damage: the game holds " + d + ", the change expects " + d1 + "\n1 of 1" + stop, false},
        {"none", "patch", 1, noStat + "\n1 of 1" + stop, false},
        {"was", "texts", 0, "\n1 change applied, 0 applied before.\nTexts changed: 1\nSaving item descriptions...\n",
         true},
        {"now", "texts", 0, "\n0 changes applied, 1 applied before.\nTexts changed: 0\nDone!\n", false},
        {"neither", "texts", 1, textConflict + "\n1 of 1" + stop, false},
        {"none", "texts", 1, noText + "\n1 of 1" + stop, false},
        {"was", "diff", 0, "\nItem 8\tLong Name\t", false},
        {"now", "diff", 0, "\n\n0 values would change, 0 not saved; nothing written.\n\nDone!\n", false},
        {"neither", "diff", 1, statConflict + textConflict + "\n\n2 of 2" + stop, false},
        {"none", "diff", 1, noStat + noText + "\n\n2 of 2" + stop, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list + " " + c.operation);
        TempDir game;
        madeGame(game.path(), synth::makeSyntheticGame({1, 3, false}));
        writeText(game / "list.txt", lists.at(c.list));
        const auto before = snapshot(game.path());
        const auto r = runVantedit(game.path(), {"game.exe", "list.txt", c.operation});
        EXPECT_EQ(r.status, c.status);
        const std::string printed = r.output.substr(std::min(r.output.size(), runOpening(1).size() + 24));
        EXPECT_TRUE(printed.starts_with(c.printed)) << printed;
        EXPECT_EQ(snapshot(game.path()) != before, c.writes);
    }
}

TEST(ChangeListRun, ACellGivenTwiceOrUnreadableStopsTheReading) {
    TempDir dir;
    madeGame(dir.path(), synth::makeSyntheticGame({0, 3, false}));
    const std::pair<std::string, std::string> cases[] = {
        {"Item 8\tDamage\t1\t2\nItem 8\tdamage\t1\t3",
         "Error while parsing! (line 3: Item 8, damage: given again, first on line 2)\n"},
        {"Item 8\tDamage\t1\tmany", "Error while parsing! (line 2: Item 8, Damage: \"many\" is not a whole number)\n"},
        {"Item 8\tDamage\t1\t256", "Error while parsing! (line 2: Item 8, Damage: \"256\" is too large)\n"},
        {"Itme 8\tDamage\t1\t2", "Error while parsing! (line 2: Itme)\n"},
    };
    for (const auto& [lines, message] : cases) {
        SCOPED_TRACE(lines);
        writeText(dir / "list.txt", "Changes\tField\tWas\tNow\n" + lines);
        const auto r = runVantedit(dir.path(), {"game.exe", "list.txt", "patch"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, runOpening(0) + "\nConverting text file..." + message);
    }
}

}  // namespace
}  // namespace vantedit
