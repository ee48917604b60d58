// Whole texts runs on synthetic games: renamed items land at exactly their units and MAKE shows
// them back, an unedited file writes nothing, the later of two rows wins, a text that cannot
// be stored or a failing file call leaves both description files as they were; and the first
// original kept beside a file.
#include <gtest/gtest.h>

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
           "Converting text file...\nTexts changed: ";
}

// The field, by its heading, of the line that starts so, in a stats file MAKE wrote.
std::string withField(const std::string& crlf, const std::string& lineStart, const std::string& heading,
                      const std::string& value) {
    auto lines = split(crlf, '\n');
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

TEST(TextsRun, RenamedItemsLandAtTheirUnitsAndMakeShowsThemOnEveryEdition) {
    for (int e = 0; e < kEditionCount; ++e) {
        SCOPED_TRACE(e);
        const Edition& ed = kEditions[e];
        TempDir dir;
        const synth::SyntheticGame game = synth::makeSyntheticGame({e, 1, false});
        ASSERT_TRUE(synth::writeGameFolder(game, dir.path()));
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
        // In the code page, and as UTF-8 with the mark in every other edition.
        const bool cyrillic = ed.codePage == kCp1251;
        const std::string name = cyrillic ? "\xCD\xEE\xE2\xFB\xE9 \xEC\xEE\xE4" : "Nouveau mod\xE8le";
        const std::string utf8Name = cyrillic ? "Новый мод" : "Nouveau modèle";
        const bool utf8 = e % 2 == 1;
        std::string edited = withField(readText(dir / "stats.txt"), "Item 8", "Long Name", name);
        std::string typed = withField(readText(dir / "stats.txt"), "Item 8", "Long Name", utf8 ? utf8Name : name);
        if (ed.hasShopFile()) {
            edited = withField(edited, "Item 8", "Halvek's Name", "Shop " + name);
            typed = withField(typed, "Item 8", "Halvek's Name", "Shop " + (utf8 ? utf8Name : name));
        }
        writeText(dir / "edited.txt", (utf8 ? "\xEF\xBB\xBF" : "") + typed);
        // A file longer than the game's records keeps its tail.
        const Bytes tail(e == 4 ? 100 : 0, 7);
        Bytes itemDesc = game.itemDesc;
        itemDesc.insert(itemDesc.end(), tail.begin(), tail.end());
        testing::writeBytes(dir / std::string(ed.itemDescPath), itemDesc);

        const auto r = runVantedit(dir.path(), {"game.exe", "edited.txt", "TeXtS"});
        EXPECT_EQ(r.status, 0);
        std::string saved = "\nSaving item descriptions...\nOriginal kept as " + std::string(ed.itemDescPath) + ".orig";
        if (ed.hasShopFile()) {
            saved +=
                "\nSaving Halvek's item descriptions...\nOriginal kept as " + std::string(ed.shopDescPath) + ".orig";
        }
        EXPECT_EQ(r.output, prefix(e) + (ed.hasShopFile() ? "2" : "1") + saved + "\nDone!\n");
        Bytes expected = withText(game.itemDesc, 8, kLongName, name);
        expected.insert(expected.end(), tail.begin(), tail.end());
        EXPECT_TRUE(readBytes(dir / std::string(ed.itemDescPath)) == expected);
        EXPECT_TRUE(readBytes(dir / (std::string(ed.itemDescPath) + ".orig")) == itemDesc);
        if (ed.hasShopFile()) {
            EXPECT_TRUE(readBytes(dir / std::string(ed.shopDescPath)) ==
                        withText(game.shopDesc, 8, kShopName, "Shop " + name));
            EXPECT_TRUE(readBytes(dir / (std::string(ed.shopDescPath) + ".orig")) == game.shopDesc);
        }
        EXPECT_TRUE(readBytes(dir / "game.exe") == game.executable);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "after.txt", "make"}).status, 0);
        EXPECT_TRUE(readText(dir / "after.txt") == edited);

        // Again: nothing changes, nothing is written, the first originals stay.
        const auto before = snapshot(dir.path());
        EXPECT_EQ(runVantedit(dir.path(), {"game.exe", "edited.txt", "texts"}).output, prefix(e) + "0\nDone!\n");
        EXPECT_TRUE(snapshot(dir.path()) == before);
    }
}

TEST(TextsRun, AnUneditedFileWritesNothing) {
    for (int e : {3, 0}) {
        SCOPED_TRACE(e);
        TempDir dir;
        synth::SyntheticGame game = synth::makeSyntheticGame({e, 1, true});
        // A stored 33, which MAKE shows as a blank, as the awkward game's full fields and second bytes.
        game.itemDesc[descUnitOffset(7, kDescFields[kLongName], 1)] = 33;
        ASSERT_TRUE(synth::writeGameFolder(game, dir.path()));
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
        // Its Item rows: the sound and burst names with line breaks in them cannot be read back.
        const std::string made = readText(dir / "stats.txt");
        writeText(dir / "stats.txt", made.substr(0, made.find("\nAttach 0\t")));
        const auto before = snapshot(dir.path());
        const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "texts"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.output, prefix(e) + "0\nDone!\n");
        EXPECT_TRUE(snapshot(dir.path()) == before);
    }
}

TEST(TextsRun, TheLaterRowWinsAndATextThatCannotBeStoredWritesNothing) {
    const int e = 2;
    TempDir dir;
    const synth::SyntheticGame game = synth::makeSyntheticGame({e, 1, false});
    ASSERT_TRUE(synth::writeGameFolder(game, dir.path()));
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    const std::string made = readText(dir / "stats.txt");
    const auto row = [&](int item, const std::string& longName) {
        const std::string line = "Item " + std::to_string(item);
        const std::string file = withField(made, line, "Long Name", longName);
        const std::size_t at = file.find("\n" + line + "\t");
        return file.substr(at, file.find('\n', at + 1) - at);
    };
    const std::string original9 = readDescriptionText(ByteView(game.itemDesc), 9, kDescFields[kLongName]);
    writeText(dir / "twice.txt", made + row(8, "First") + row(9, "Gone") + row(8, "Second") + row(9, original9) + "\n");
    auto r = runVantedit(dir.path(), {"game.exe", "twice.txt", "texts"});
    EXPECT_EQ(
        r.output,
        prefix(e) + "1\nSaving item descriptions...\nOriginal kept as data/binarydata/itemdesc.edt.orig\nDone!\n");
    EXPECT_TRUE(readBytes(dir / "data/binarydata/itemdesc.edt") == withText(game.itemDesc, 8, kLongName, "Second"));

    synth::writeGameFolder(game, dir.path());
    fs::remove(dir / "data/binarydata/itemdesc.edt.orig");
    const std::string tooLong =
        withField(withField(made, "Item 8", "Halvek's Name", "Fine"), "Item 9", "Long Name", std::string(80, 'x'));
    writeText(dir / "long.txt", tooLong);
    const auto before = snapshot(dir.path());
    r = runVantedit(dir.path(), {"game.exe", "long.txt", "texts"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.output.ends_with(
        "Converting text file...Error while parsing! (Item 9, Long Name: text longer than 79 characters)\n"));
    EXPECT_TRUE(snapshot(dir.path()) == before);
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
        io::failAtCall(failing);
        const int status = vantedit::runVantedit({"vantedit", "game.exe", "stats.txt", "texts"}, out);
        calls = io::callCount();
        io::failAtCall(0);
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
            EXPECT_TRUE(output.ends_with("Error writing " + shopPath + "!\n")) << output;
            EXPECT_TRUE(after[shopPath] == before.at(shopPath));
        }
    }
    EXPECT_TRUE(secondFileFailed);
}

TEST(KeepFirstOriginal, MadeOnceBesideTheFileOrItsLinksTarget) {
    TempDir dir;
    fs::create_directory(dir / "real");
    testing::writeBytes(dir / "real" / "game.exe", Bytes(1000, 1));
    const auto mode = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read;
    fs::permissions(dir / "real" / "game.exe", mode);
    fs::create_symlink("real/game.exe", dir / "link.exe");
    fs::create_symlink("nowhere", dir / "other.exe.orig");
    testing::writeBytes(dir / "other.exe", Bytes(10, 3));

    std::string kept;
    EXPECT_EQ(io::keepFirstOriginal((dir / "link.exe").string(), kept), io::FirstOriginal::Kept);
    EXPECT_EQ(kept, (dir / "real" / "game.exe.orig").string());
    EXPECT_TRUE(readBytes(kept) == Bytes(1000, 1));
    EXPECT_EQ(fs::status(kept).permissions(), mode);
    fs::permissions(dir / "real" / "game.exe", fs::perms::owner_all);
    testing::writeBytes(dir / "real" / "game.exe", Bytes(1000, 2));
    EXPECT_EQ(io::keepFirstOriginal((dir / "link.exe").string(), kept), io::FirstOriginal::KeptBefore);
    EXPECT_TRUE(readBytes(kept) == Bytes(1000, 1));
    EXPECT_EQ(io::keepFirstOriginal((dir / "other.exe").string(), kept), io::FirstOriginal::KeptBefore);
    EXPECT_EQ(fs::read_symlink(dir / "other.exe.orig"), "nowhere");
    EXPECT_EQ(listing(dir.path()), (std::set<std::string>{"link.exe", "other.exe", "other.exe.orig", "real",
                                                          "real/game.exe", "real/game.exe.orig"}));
}

}  // namespace
}  // namespace vantedit
