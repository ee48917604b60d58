// Whole runs with change lists on synthetic games: a list made from an edited stats file does
// what the stats file does, applies once however often it is given, is what changes lists after
// the PATCH, and reverted gives back every file; each line is judged, and a line that does not
// apply stops PATCH, texts and revert; merge leaves out the lines whose Was is stale.
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

// The game's own files: not the first originals a save keeps aside, nor the lists and stats files.
std::map<std::string, Bytes> snapshot(const fs::path& folder) {
    std::map<std::string, Bytes> files;
    for (const std::string& name : listing(folder)) {
        if (fs::is_regular_file(folder / name) && !name.ends_with(".orig") && !name.ends_with(".txt"))
            files[name] = readBytes(folder / name);
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

// A stat, a list value, a name, three attachment columns, an AmmoName text and a sound name
// edited.
std::string editedStats(const std::string& made, int edition) {
    const int damage = fieldOf("Damage");
    std::string edited = withField(made, "Item 8", damage, otherValue(fieldValue(made, "Item 8", damage), 1));
    for (const auto& [item, column] :
         {std::pair{"Item 8", "Silencer?"}, {"Item 10", "Sniper Scope?"}, {"Item 12", "Silencer?"}})
        edited = withField(edited, item, fieldOf(column), fieldValue(made, item, fieldOf(column)) == "0" ? "1" : "0");
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
        const auto pristine = snapshot(byList.path());
        writeText(byStats / "edited.txt", editedStats(made, e));
        const auto r = runVantedit(byStats.path(), {"game.exe", "list.txt", "changes", "edited.txt"});
        EXPECT_EQ(r.status, 0);
        const int changes = kEditions[static_cast<std::size_t>(e)].hasShopFile() ? 9 : 8;
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

        // Taken back out: every file as it was; again, nothing is left to take back.
        const std::string n = std::to_string(changes);
        for (const std::string& counts : {n + " changes reverted, 0", "0 changes reverted, " + n}) {
            const auto reverted = runVantedit(byList.path(), {"game.exe", "list.txt", "revert"});
            EXPECT_TRUE(reverted.output.ends_with("\n" + counts + " reverted before.\nDone!\n")) << reverted.output;
            EXPECT_TRUE(snapshot(byList.path()) == pristine);
        }
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
    // diff names the field as the list does.
    EXPECT_NE(runVantedit(dir.path(), {"game.exe", "edited.txt", "diff"})
                  .output.find("\nItem 8\tUnknown (column 17)\t" + was + "\t200\n"),
              std::string::npos);
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
    const std::string itemDesc(kEditions[1].itemDescPath);
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
        // Backwards: the game holds Was, it was reverted before; Now, it is reverted.
        {"was", "revert", 0, "\n0 changes reverted, 2 reverted before.\nDone!\n", false},
        {"now", "revert", 0,
         "\nSaving binary data...\nOriginal kept as game.exe.orig\nSaving item descriptions...\nOriginal kept as " +
             itemDesc + ".orig\n2 changes reverted, 0 reverted before.\nDone!\n",
         true},
        {"neither", "revert", 1,
         "\nline 2: Item 8, Damage: the game holds " + d + ", the change expects " + d2 +
             "\nline 3: Item 8, Long Name: the game holds " + t + ", the change expects \"Else\"\n2 of 2" + stop,
         false},
        {"none", "revert", 1, noStat + noText + "\n2 of 2" + stop, false},
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

// A mod made as a change list from a modder's edited stats file, applied after another mod
// that shares none of its cells, then taken back out: the other mod's edits stay, byte for
// byte. Nothing is written while a file the list touches cannot be.
TEST(ChangeListRun, ARevertedModLeavesAnotherModsEditsInPlace) {
    TempDir modder;
    TempDir player;
    const synth::SyntheticGame game = synth::makeSyntheticGame({3, 3, false});
    const std::string made = madeGame(modder.path(), game);
    madeGame(player.path(), game);
    writeText(modder / "edited.txt", editedStats(made, 3));
    ASSERT_EQ(runVantedit(modder.path(), {"game.exe", "mod.txt", "changes", "edited.txt"}).status, 0);
    fs::copy_file(modder / "mod.txt", player / "mod.txt");
    const int laser = fieldOf("Laser Scope?");
    std::string other = withField(made, "Item 11", fieldOf("Long Name"), "Other mod's name");
    other = withField(other, "Item 9", laser, fieldValue(made, "Item 9", laser) == "0" ? "1" : "0");
    writeText(player / "other.txt", withField(other, "Exclude 3", 1, otherValue(fieldValue(made, "Exclude 3", 1), 7)));
    patchAndTexts(player.path(), "other.txt");
    const auto withOther = snapshot(player.path());
    patchAndTexts(player.path(), "mod.txt");
    const auto applied = snapshot(player.path());
    ASSERT_FALSE(applied == withOther);

    const std::string desc(kEditions[3].itemDescPath);
    fs::permissions(player / desc, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    auto r = runVantedit(player.path(), {"game.exe", "mod.txt", "revert"});
    fs::permissions(player / desc, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.output.ends_with("\nError writing " + desc + "! (read-only)\n")) << r.output;
    EXPECT_TRUE(snapshot(player.path()) == applied);
    r = runVantedit(player.path(), {"game.exe", "other.txt", "revert"});
    EXPECT_TRUE(r.status == 1 && r.output.ends_with("\nother.txt is not a change list: its first line is not "
                                                    "Changes, Field, Was and Now, separated by tabs.\n"));

    r = runVantedit(player.path(), {"game.exe", "mod.txt", "revert"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(snapshot(player.path()) == withOther);
}

// merge takes a change list as set cells: a line whose Was the master (its first original,
// once there is one) holds is merged; one whose Was is stale, or whose field the edition lacks,
// is told with the conflicts and left out.
TEST(ChangeListRun, MergeLeavesOutTheLinesWhoseWasIsStale) {
    TempDir dir;
    const std::string made = madeGame(dir.path(), synth::makeSyntheticGame({3, 3, false}));
    const int damage = fieldOf("Damage");
    const std::string d8 = fieldValue(made, "Item 8", damage), d9 = fieldValue(made, "Item 9", damage);
    writeText(dir / "list.txt", "Changes\tField\tWas\tNow\nItem 8\tDamage\t" + d8 + "\t" + otherValue(d8, 1) +
                                    "\nItem 9\tDamage\t" + otherValue(d9, 1) + "\t" + otherValue(d9, 2) +
                                    "\nItem 350\tdamage\t0\t1\n");
    const std::string told = "\nReading list.txt...\nItem 9\tDamage\t" + d9 + "\texpects " + otherValue(d9, 1) +
                             "\nItem 350\tDamage\tno such field in this edition\n\n1 field from 1 file, 2 conflicts "
                             "(the later file wins).\n";
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);  // the second after the merged file's PATCH: judged against game.exe.orig
        const auto r = runVantedit(dir.path(), {"game.exe", "merged.txt", "merge", "list.txt"});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.output.ends_with(told + "\nDone!\n")) << r.output;
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "merged.txt", "patch"}).status, 0);
    }
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "after.txt", "make"}).status, 0);
    const std::string after = withoutCr(readText(dir / "after.txt"));
    EXPECT_EQ(fieldValue(after, "Item 8", damage), otherValue(d8, 1));
    EXPECT_EQ(fieldValue(after, "Item 9", damage), d9);
}

}  // namespace
}  // namespace vantedit
