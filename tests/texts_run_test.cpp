// Whole texts runs on synthetic games: renamed items land at exactly their units and MAKE shows
// them back, an unedited file writes nothing, the later of two rows wins, a text that cannot
// be stored or a failing file call leaves both description files as they were; and the first
// original kept beside a file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <set>
#include <sstream>

#include "app/run.h"
#include "dump/stats_writer.h"
#include "io/file.h"
#include "model/descriptions.h"
#include "model/editions.h"
#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit {
namespace {

namespace fs = std::filesystem;
using testing::join;
using testing::listing;
using testing::readBytes;
using testing::readText;
using testing::runVantedit;
using testing::split;
using testing::TempDir;
using testing::writeText;

using Bytes = std::vector<std::uint8_t>;

std::string prefix(int edition) {
    return "\nVantrel Weapon Editor V2.4 RU\n\n" + std::string(kEditions[edition].label) +
           " version of executable detected\n\nReading binary data...\nReading item descriptions...\n"
           "Converting text file...";
}

// The field, by its heading, of the lines that start so, in a stats file MAKE wrote.
std::string withField(const std::string& made, const std::string& lineStart, const std::string& heading,
                      const std::string& value) {
    auto lines = split(made, '\n');
    const auto headings = split(lines[0], '\t');
    const auto at = static_cast<std::size_t>(std::find(headings.begin(), headings.end(), heading) - headings.begin());
    for (std::string& line : lines) {
        if (!line.starts_with(lineStart + "\t")) continue;
        auto fields = split(line, '\t');
        fields.at(at) = value;
        line = join(fields, '\t');
    }
    return join(lines, '\n');
}

// The description file with the field's text stored as the game stores it, the rest as it was.
Bytes withText(Bytes file, int item, int field, const std::string& text) {
    const DescField& f = kDescFields[static_cast<std::size_t>(field)];
    for (std::size_t k = 0; k <= text.size(); ++k) {
        file[descUnitOffset(item, f, static_cast<int>(k))] =
            k < text.size() ? textToStored(static_cast<std::uint8_t>(text[k])) : 0;
    }
    return file;
}
constexpr int kLongName = 1;
constexpr int kShopName = 3;

std::map<std::string, Bytes> snapshot(const fs::path& folder) {
    std::map<std::string, Bytes> files;
    for (const std::string& name : listing(folder)) files[name] = readBytes(folder / name);
    return files;
}

// The item's row, with the line break before it.
std::string rowOf(const std::string& file, int item) {
    const std::size_t at = file.find("\nItem " + std::to_string(item) + "\t");
    return file.substr(at, file.find('\n', at + 1) - at);
}

// The game's folder and the stats file MAKE wrote into it, as stats.txt.
std::string madeGame(const TempDir& dir, const synth::SyntheticGame& game) {
    EXPECT_TRUE(synth::writeGameFolder(game, dir.path()));
    EXPECT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    return readText(dir / "stats.txt");
}

TEST(TextsRun, RenamedItemsLandAtTheirUnitsAndMakeShowsThemOnEveryEdition) {
    for (int e = 0; e < kEditionCount; ++e) {
        SCOPED_TRACE(e);
        const Edition& ed = kEditions[e];
        const std::string itemPath(ed.itemDescPath), shopPath(ed.shopDescPath);
        TempDir dir;
        const synth::SyntheticGame game = synth::makeSyntheticGame({e, 1, false});
        const std::string made = madeGame(dir, game);
        const bool cyrillic = ed.codePage == kCp1251;
        const std::string name = cyrillic ? "\xCD\xEE\xE2\xFB\xE9 \xEC\xEE\xE4" : "Nouveau mod\xE8le";
        std::string edited = withField(made, "Item 8", "Long Name", name);
        if (ed.hasShopFile()) edited = withField(edited, "Item 8", "Halvek's Name", "Shop " + name);
        // In every other edition as UTF-8 with the mark.
        std::string typed = edited;
        for (std::size_t at; e % 2 == 1 && (at = typed.find(name)) != std::string::npos;) {
            typed.replace(at, name.size(), cyrillic ? "Новый мод" : "Nouveau modèle");
        }
        writeText(dir / "edited.txt", (e % 2 == 1 ? "\xEF\xBB\xBF" : "") + typed);
        // A file longer than the game's records keeps its tail.
        const Bytes tail(e == 4 ? 100 : 0, 7);
        Bytes itemDesc = game.itemDesc;
        itemDesc.insert(itemDesc.end(), tail.begin(), tail.end());
        testing::writeBytes(dir / itemPath, itemDesc);

        const auto r = runVantedit(dir.path(), {"game.exe", "edited.txt", "TeXtS"});
        EXPECT_EQ(r.status, 0);
        const std::string shopSaved = "\nSaving Halvek's item descriptions...\nOriginal kept as " + shopPath + ".orig";
        EXPECT_EQ(r.output, prefix(e) + "\nTexts changed: " + (ed.hasShopFile() ? "2" : "1") +
                                "\nSaving item descriptions...\nOriginal kept as " + itemPath + ".orig" +
                                (ed.hasShopFile() ? shopSaved : "") + "\nDone!\n");
        Bytes expected = withText(game.itemDesc, 8, kLongName, name);
        expected.insert(expected.end(), tail.begin(), tail.end());
        EXPECT_TRUE(readBytes(dir / itemPath) == expected);
        EXPECT_TRUE(readBytes(dir / (itemPath + ".orig")) == itemDesc);
        if (ed.hasShopFile()) {
            EXPECT_TRUE(readBytes(dir / shopPath) == withText(game.shopDesc, 8, kShopName, "Shop " + name));
            EXPECT_TRUE(readBytes(dir / (shopPath + ".orig")) == game.shopDesc);
        }
        EXPECT_TRUE(readBytes(dir / "game.exe") == game.executable);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "after.txt", "make"}).status, 0);
        EXPECT_TRUE(readText(dir / "after.txt") == edited);

        // Again: nothing changes, nothing is written, the first originals stay.
        const auto before = snapshot(dir.path());
        EXPECT_EQ(runVantedit(dir.path(), {"game.exe", "edited.txt", "texts"}).output,
                  prefix(e) + "\nTexts changed: 0\nDone!\n");
        EXPECT_TRUE(snapshot(dir.path()) == before);
    }
}

// restore puts back every first original that PATCH and texts kept, each checked first, and
// lists only the files that differ from theirs.
TEST(RestoreRun, PutsBackTheOriginalsOfPatchAndTexts) {
    for (const int e : {1, 5}) {
        SCOPED_TRACE(e);
        const Edition& ed = kEditions[e];
        const std::string itemPath(ed.itemDescPath);
        TempDir dir;
        const synth::SyntheticGame game = synth::makeSyntheticGame({e, 2, false});
        const std::string opening =
            "\nVantrel Weapon Editor V2.4 RU\n\n" + std::string(ed.label) + " version of executable detected\n";
        const std::string made = madeGame(dir, game);
        const auto restore = [&] { return runVantedit(dir.path(), {"game.exe", "restore"}); };
        EXPECT_EQ(restore().output, opening + "\nNothing to restore: no game.exe.orig beside it.\n");
        writeText(dir / "edited.txt",
                  withField(withField(made, "Item 8", "Long Name", "Renamed"), "Item 9", "Price", "77"));
        const auto original = snapshot(dir.path());
        const auto edit = [&] {
            ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "edited.txt", "patch"}).status, 0);
            ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "edited.txt", "texts"}).status, 0);
        };
        edit();
        const std::string restoredBoth = opening + "\nRestored game.exe from game.exe.orig\nRestored " + itemPath +
                                         " from " + itemPath + ".orig\nDone!\n";
        const auto withOriginals = [&] {
            auto files = original;
            files["game.exe.orig"] = files["game.exe"];
            files[itemPath + ".orig"] = files[itemPath];
            return files;
        }();
        auto r = restore();
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.output, restoredBoth);
        EXPECT_TRUE(snapshot(dir.path()) == withOriginals);
        EXPECT_EQ(restore().output, opening + "\nNothing to restore.\n");
        // One file already its original; an executable another tool broke.
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "edited.txt", "patch"}).status, 0);
        Bytes broken = readBytes(dir / "game.exe");
        std::fill(broken.begin() + 128, broken.begin() + 144, 0xEE);
        testing::writeBytes(dir / "game.exe", broken);
        EXPECT_EQ(restore().output, opening + "\nRestored game.exe from game.exe.orig\nDone!\n");
        EXPECT_TRUE(snapshot(dir.path()) == withOriginals);
        // A description file that is gone comes back too, and so does the executable.
        fs::remove(dir / itemPath);
        EXPECT_EQ(restore().output, opening + "\nRestored " + itemPath + " from " + itemPath + ".orig\nDone!\n");
        EXPECT_TRUE(snapshot(dir.path()) == withOriginals);
        fs::remove(dir / "game.exe");
        EXPECT_EQ(restore().output, opening + "\nRestored game.exe from game.exe.orig\nDone!\n");
        EXPECT_TRUE(snapshot(dir.path()) == withOriginals);
        // A copy that is no original stops the run before anything is put back.
        edit();
        writeText(dir / (itemPath + ".orig"), "not the file");
        const auto before = snapshot(dir.path());
        r = restore();
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, opening + "Error writing " + itemPath + "! (" + itemPath +
                                ".orig is not an original of it: move it away)\n");
        EXPECT_TRUE(snapshot(dir.path()) == before);
    }
}

TEST(TextsRun, UneditedRepeatedAndRefusedTexts) {
    struct Case {
        int edition;
        bool awkward;
        std::string (*file)(const std::string& made, const Bytes& itemDesc);
        std::string output;  // after "Converting text file..."
        std::string longName8;  // what item 8's Long Name is saved as; empty: no file changes
    };
    const Case cases[] = {
        // The awkward game's Item rows (its sound and burst names with line breaks cannot be read back).
        {3, true, [](const std::string& made, const Bytes&) { return made.substr(0, made.find("\nAttach 0\t")); },
         "\nTexts changed: 0\nDone!\n", ""},
        {0, true, [](const std::string& made, const Bytes&) { return made.substr(0, made.find("\nAttach 0\t")); },
         "\nTexts changed: 0\nDone!\n", ""},
        // Item 8 twice, renamed each time; item 9 renamed, then given its own name again.
        {2, false,
         [](const std::string& made, const Bytes& itemDesc) {
             const std::string old9 = readDescriptionText(ByteView(itemDesc), 9, kDescFields[kLongName]);
             return made + rowOf(withField(made, "Item 8", "Long Name", "First"), 8) +
                    rowOf(withField(made, "Item 9", "Long Name", "Gone"), 9) +
                    rowOf(withField(made, "Item 8", "Long Name", "Second"), 8) +
                    rowOf(withField(made, "Item 9", "Long Name", old9), 9) + "\n";
         },
         "\nTexts changed: 1\nSaving item descriptions...\nOriginal kept as data/binarydata/itemdesc.edt.orig\nDone!\n",
         "Second"},
        {1, false,
         [](const std::string& made, const Bytes&) {
             return withField(withField(made, "Item 8", "Halvek's Name", "Fine"), "Item 9", "Long Name",
                              std::string(80, 'x'));
         },
         "Error while parsing! (line 11: Item 9, Long Name: text longer than 79 characters)\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        TempDir dir;
        synth::SyntheticGame game = synth::makeSyntheticGame({c.edition, 1, c.awkward});
        // A stored 33, which MAKE shows as a blank, besides the awkward game's full fields.
        game.itemDesc[descUnitOffset(7, kDescFields[kLongName], 1)] = 33;
        writeText(dir / "edited.txt", c.file(madeGame(dir, game), game.itemDesc));
        auto files = snapshot(dir.path());
        const auto r = runVantedit(dir.path(), {"game.exe", "edited.txt", "texts"});
        EXPECT_EQ(r.output, prefix(c.edition) + c.output);
        if (!c.longName8.empty()) {
            files["data/binarydata/itemdesc.edt"] = withText(game.itemDesc, 8, kLongName, c.longName8);
            files["data/binarydata/itemdesc.edt.orig"] = game.itemDesc;
        }
        EXPECT_TRUE(snapshot(dir.path()) == files);
    }
}

// In process, each counted file call failing in turn: the run ends with one message, and unless
// the first file was already replaced, both files and the folder are as they were.
TEST(TextsRun, EachFailingFileCallLeavesBothFilesAsTheyWere) {
    const int e = 3;
    const Edition& ed = kEditions[e];
    TempDir dir;
    const synth::SyntheticGame game = synth::makeSyntheticGame({e, 1, false});
    ASSERT_TRUE(synth::writeGameFolder(game, dir.path()));
    std::string made;
    writeStatsFile(made, synth::toGame(game));
    made = withField(withField(made, "Item 8", "Long Name", "New"), "Item 8", "Halvek's Name", "New");
    const std::size_t row8 = made.find("Item 8\t");
    writeText(dir / "stats.txt", made.substr(row8, made.find("\nItem 9\t") - row8));  // a file of one row
    const struct InFolder {
        fs::path previous = fs::current_path();
        explicit InFolder(const fs::path& folder) { fs::current_path(folder); }
        ~InFolder() { fs::current_path(previous); }
    } inFolder(dir.path());
    const std::string itemPath(ed.itemDescPath), shopPath(ed.shopDescPath);
    const auto before = snapshot(".");
    long calls = 0;
    const auto run = [&](long failing, std::string& output) {
        std::ostringstream out;
        testing::CountingFaults faults(failing);
        const std::vector<std::string_view> args = {"vantedit", "game.exe", "stats.txt", "texts"};
        const int status = vantedit::runVantedit(args, out, faults);
        calls = faults.fileCalls;
        output = out.str();
        return status;
    };
    std::string clean;
    ASSERT_EQ(run(0, clean), 0);
    const long cleanCalls = calls;
    const auto done = snapshot(".");
    bool secondFileFailed = false;
    for (long n = 1; n <= cleanCalls; ++n) {
        SCOPED_TRACE(n);
        synth::writeGameFolder(game, ".");
        fs::remove(itemPath + ".orig");
        fs::remove(shopPath + ".orig");
        std::string output;
        const int status = run(n, output);
        auto after = snapshot(".");
        if (status == 0) {  // a failing close of a file only read
            EXPECT_EQ(output, clean);
            EXPECT_TRUE(after == done);
            continue;
        }
        EXPECT_EQ(status, 1);
        EXPECT_EQ(output.find("Done!"), std::string::npos) << output;
        if (after[itemPath] == before.at(itemPath)) {
            EXPECT_TRUE(after == before) << output;
            secondFileFailed |=
                output.ends_with("Saving Halvek's item descriptions...Error writing " + shopPath + "!\n");
        } else {  // the first file was replaced: only the rename of the second is left to fail
            EXPECT_TRUE(output.ends_with("Error writing " + shopPath + "!\n" + itemPath + " was saved, " + shopPath +
                                         " was not: run texts again.\n"))
                << output;
            EXPECT_TRUE(after[shopPath] == before.at(shopPath));
        }
    }
    EXPECT_TRUE(secondFileFailed);
}

// ---------------------------------------------------------------------------------------------
// The system failing under every operation

// A game of edition 2 after a PATCH and a texts run (both first originals kept), with next.txt,
// a stats file that would change the game again.
void patchedGame(const TempDir& dir) {
    const std::string made = madeGame(dir, synth::makeSyntheticGame({2, 2, false}));
    const auto edited = [&](const std::string& name, const std::string& price) {
        return withField(withField(made, "Item 8", "Long Name", name), "Item 9", "Price", price);
    };
    writeText(dir / "edited.txt", edited("Renamed", "77"));
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "edited.txt", "patch"}).status, 0);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "edited.txt", "texts"}).status, 0);
    writeText(dir / "next.txt", edited("Again", "78"));
}

bool canTrace() { return testing::runCommand(".", "strace -qq -o /dev/null true 2>/dev/null").status == 0; }

struct SystemFault {
    const char* command;  // the arguments, quoted for the shell; "<" reads standard input from a file
    const char* path;     // the calls that name it fail
    const char* calls;    // which calls: file: every lookup and opening; read: the second read
    const char* error;
    std::string message;  // the end of the output
};

// A lookup that fails otherwise than with "no such file", or a read before the end: the run
// stops with the path and the system's reason, status 1, every file as it was.
TEST(SystemFaults, ALookupOrReadErrorStopsTheRunAndChangesNothing) {
    if (!canTrace()) GTEST_SKIP() << "no strace here";
    const std::string desc = "data/binarydata/itemdesc.edt";
    const SystemFault cases[] = {
        {"game.exe next.txt patch", "game.exe.orig", "file", "EIO",
         "Error writing game.exe.orig! (Input/output error)\n"},
        {"game.exe next.txt patch", "game.exe", "file", "ELOOP",
         "Error writing game.exe! (Too many levels of symbolic links)\n"},
        {"game.exe next.txt texts", "data/binarydata/itemdesc.edt.orig", "file", "EACCES",
         "Error writing " + desc + ".orig! (Permission denied)\n"},
        {"game.exe restore", "game.exe.orig", "file", "EIO", "Error writing game.exe.orig! (Input/output error)\n"},
        {"game.exe restore", "data/binarydata/itemdesc.edt.orig", "file", "ELOOP",
         "Error writing " + desc + ".orig! (Too many levels of symbolic links)\n"},
        {"game.exe next.txt make", "next.txt.bak", "file", "EIO", "Error writing next.txt.bak! (Input/output error)\n"},
        {"game.exe new.txt make", "new.txt", "file", "EACCES", "Error writing new.txt! (Permission denied)\n"},
        {"game.exe merged.txt merge next.txt", "game.exe.orig", "file", "EIO",
         "Unable to read game.exe.orig! (Input/output error)\n"},
        {"game.exe next.txt diff", "data/binarydata/hvkdesc.edt", "file", "EACCES",
         "Unable to read data/binarydata/hvkdesc.edt! (Permission denied)\n"},
        {"game.exe next.txt patch", "next.txt", "read", "EIO", "Unable to read next.txt! (Input/output error)\n"},
        {"game.exe next.txt texts", "next.txt", "read", "EIO", "Unable to read next.txt! (Input/output error)\n"},
        {"game.exe merged.txt merge next.txt", "next.txt", "read", "EIO",
         "Unable to read next.txt! (Input/output error)\n"},
        {"game.exe - patch < next.txt", "next.txt", "read", "EIO", "Unable to read -! (Input/output error)\n"},
    };
    TempDir dir;
    patchedGame(dir);
    const auto before = snapshot(dir.path());
    for (const SystemFault& c : cases) {
        SCOPED_TRACE(std::string(c.command) + ", " + c.path + ": " + c.error);
        const std::string calls = std::string_view(c.calls) == "file" ? "%file,%stat" : "read";
        const std::string when = std::string_view(c.calls) == "file" ? "" : ":when=2";
        const auto r = testing::runCommand(
            dir.path(), "(LC_ALL=C strace -qq -o /dev/null -P " + std::string(c.path) + " -e trace=" + calls +
                            " -e inject=" + calls + ":error=" + c.error + when + " " +
                            testing::shellQuote(VANTEDIT_BINARY) + " " + c.command + " 2>/dev/null)");
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.output.ends_with(c.message)) << r.output;
        EXPECT_TRUE(snapshot(dir.path()) == before);
    }
}

struct Fifo {
    const char* path;     // a pipe stands there instead
    const char* command;  // the arguments
    std::string message;  // the end of the output
};

// A pipe where a regular file belongs is refused at once, and the locks go with the run.
TEST(SystemFaults, APipeWhereARegularFileBelongsIsRefusedAtOnce) {
    const std::string desc = "data/binarydata/itemdesc.edt";
    const std::string notAnOriginal =
        "Error writing game.exe! (game.exe.orig is not an original of it: move it away)\n";
    const std::string unrecognized = "Unrecognized version of executable. (game.exe is not a regular file)\n";
    const Fifo cases[] = {
        {"game.exe.orig", "game.exe next.txt patch", notAnOriginal},
        {"game.exe.orig", "game.exe restore", notAnOriginal},
        {"game.exe.orig", "game.exe merged.txt merge next.txt", notAnOriginal},
        {"data/binarydata/itemdesc.edt.orig", "game.exe restore",
         "Error writing " + desc + "! (" + desc + ".orig is not an original of it: move it away)\n"},
        {"data/binarydata/itemdesc.edt.orig", "game.exe merged.txt merge next.txt",
         "Unable to read " + desc + ".orig! (not a regular file)\n"},
        {"game.exe", "game.exe next.txt make", unrecognized},
        {"game.exe", "game.exe next.txt patch", unrecognized},
        {"game.exe", "game.exe next.txt texts", unrecognized},
        {"game.exe", "game.exe restore", "Error writing game.exe! (not a regular file)\n"},
        {"data/binarydata/itemdesc.edt", "game.exe next.txt make",
         "Unable to read " + desc + "! (not a regular file)\n"},
        {"data/binarydata/itemdesc.edt", "game.exe next.txt texts",
         "Unable to read " + desc + "! (not a regular file)\n"},
        {"data/binarydata/itemdesc.edt", "game.exe restore", "Error writing " + desc + "! (not a regular file)\n"},
        {"next.txt.bak", "game.exe next.txt make", "Error writing next.txt.bak! (not a regular file)\n"},
    };
    TempDir dir;
    patchedGame(dir);
    const auto before = snapshot(dir.path());
    for (const Fifo& c : cases) {
        SCOPED_TRACE(std::string(c.path) + ": " + c.command);
        const fs::path pipe = dir / c.path;
        const bool there = fs::exists(pipe);
        if (there) fs::rename(pipe, dir / "away");
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        const auto r = testing::runCommand(
            dir.path(), "LC_ALL=C timeout 20 " + testing::shellQuote(VANTEDIT_BINARY) + " " + c.command);
        fs::remove(pipe);
        if (there) fs::rename(dir / "away", pipe);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.output.ends_with(c.message)) << r.output;
        EXPECT_TRUE(snapshot(dir.path()) == before);
    }
}

// restore puts back one file after another: when a later one fails, those before are named.
TEST(RestoreRun, AFailureAfterARenameNamesWhatWasRestored) {
    TempDir dir;
    patchedGame(dir);
    const struct InFolder {
        fs::path previous = fs::current_path();
        explicit InFolder(const fs::path& folder) { fs::current_path(folder); }
        ~InFolder() { fs::current_path(previous); }
    } inFolder(dir.path());
    const auto patched = snapshot(".");
    const std::vector<std::string_view> args = {"vantedit", "game.exe", "restore"};
    testing::CountingFaults counted;
    std::ostringstream clean;
    ASSERT_EQ(vantedit::runVantedit(args, clean, counted), 0);
    const auto restored = snapshot(".");
    bool named = false;
    for (long n = 1; n <= counted.fileCalls; ++n) {
        SCOPED_TRACE(n);
        for (const auto& [name, bytes] : patched) {
            if (!bytes.empty()) testing::writeBytes(name, bytes);
        }
        std::ostringstream out;
        testing::CountingFaults failing(n);
        if (vantedit::runVantedit(args, out, failing) == 0) continue;
        // The executable back, the description file not: the run says so.
        if (readBytes("game.exe") == restored.at("game.exe")) {
            EXPECT_TRUE(
                out.str().ends_with("\nRestored game.exe from game.exe.orig\nError writing "
                                    "data/binarydata/itemdesc.edt!\n"))
                << out.str();
            named = true;
        }
    }
    EXPECT_TRUE(named);
}

}  // namespace
}  // namespace vantedit
