// Whole PATCH runs on synthetic games: round trips through MAKE, edits landing at their bytes,
// spreadsheet-saved and older stats files, the attachment capacity, and every failure with
// what it leaves on disk.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <regex>

#include <fstream>
#include <set>
#include <sstream>

#include "app/operations.h"
#include "app/run.h"
#include "dump/stats_writer.h"
#include "io/file.h"
#include "model/attachments.h"
#include "model/editions.h"
#include "model/list_tables.h"
#include "model/sections.h"
#include "model/text.h"
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

synth::SyntheticGame writeGame(const TempDir& dir, int edition, bool awkward = false) {
    synth::Options options;
    options.edition = edition;
    options.awkwardTexts = awkward;
    synth::SyntheticGame game = synth::makeSyntheticGame(options);
    EXPECT_TRUE(synth::writeGameFolder(game, dir.path()));
    keepOriginalAlready(dir / "game.exe");
    return game;
}

std::string successTail(std::int64_t collected, int capacity) {
    return "\nDescriptions not saved...\nSorting weapon attachments...\n" + std::to_string(collected) + " of " +
           std::to_string(capacity) + " attachments added...\nSaving binary data...\nDone!\n";
}

// Applies edit to every line whose first field starts with the given keyword and a blank.
template <typename Edit>
std::string editLines(const std::string& lf, const std::string& keyword, Edit edit) {
    auto lines = split(lf, '\n');
    for (std::string& line : lines) {
        if (!line.starts_with(keyword + " ")) continue;
        auto fields = split(line, '\t');
        edit(fields);
        line = join(fields, '\t');
    }
    return join(lines, '\n');
}

constexpr int kFirstAttachmentField = 62;

std::vector<std::uint32_t> tableOf(const std::vector<std::uint8_t>& executable, int edition) {
    const Edition& e = kEditions[edition];
    std::vector<std::uint32_t> table;
    for (std::int32_t at = e.weaponAttachOffset; at < e.attachOffset; at += 4) {
        table.push_back(ByteView(executable).u32(static_cast<std::size_t>(at)));
    }
    return table;
}

// The weapon attachment table that PATCH of the pairs MAKE showed leaves: those pairs by kind,
// then the pairs no column can express in the order they first stand; the table as it is
// when that is the same set of pairs.
std::vector<std::uint32_t> rebuiltTable(const std::vector<std::uint8_t>& executable, int edition,
                                        std::int64_t& collected) {
    const Edition& e = kEditions[edition];
    const ByteView image = ByteView(executable);
    std::vector<std::uint32_t> table;
    for (const AttachmentKind& kind : kAttachmentKinds) {
        for (int w = 0; w <= sectionRecord(edition, Section::Weapons).lastItem; ++w) {
            if (attachmentPairExists(image, e, w, kind.item)) table.push_back(attachmentPair(w, kind.item));
        }
    }
    const std::vector<std::uint32_t> now = tableOf(executable, edition);
    for (std::uint32_t pair : now) {
        const bool expressible =
            attachmentKindIndex(pairAttachment(pair)) != kAttachmentKindCount && isWeaponRow(e, pairWeapon(pair));
        if (pair != 0 && !expressible && std::find(table.begin(), table.end(), pair) == table.end())
            table.push_back(pair);
    }
    collected = static_cast<std::int64_t>(table.size());
    table.resize(static_cast<std::size_t>(weaponAttachCapacity(e)), table.empty() ? 0u : table.back());
    const auto pairs = [](const std::vector<std::uint32_t>& t) {
        std::set<std::uint32_t> set(t.begin(), t.end());
        set.erase(0u);
        return set;
    };
    return pairs(now) == pairs(table) ? now : table;
}

// The distinct pairs of the table that no column can express, in the order they first stand:
// every PATCH keeps them, after the pairs of the columns.
std::vector<std::uint32_t> noColumnPairs(const std::vector<std::uint8_t>& executable, int edition) {
    std::vector<std::uint32_t> pairs;
    for (std::uint32_t pair : tableOf(executable, edition)) {
        const bool expressible = attachmentKindIndex(pairAttachment(pair)) != kAttachmentKindCount &&
                                 isWeaponRow(kEditions[edition], pairWeapon(pair));
        if (pair != 0 && !expressible && std::find(pairs.begin(), pairs.end(), pair) == pairs.end())
            pairs.push_back(pair);
    }
    return pairs;
}
std::int64_t pairsNoColumnShows(const std::vector<std::uint8_t>& executable, int edition) {
    return static_cast<std::int64_t>(noColumnPairs(executable, edition).size());
}

// ---------------------------------------------------------------------------------------------

TEST(PatchRun, RoundTripOnEveryEdition) {
    for (int e = 0; e < kEditionCount; ++e) {
        SCOPED_TRACE(e);
        TempDir dir;
        const synth::SyntheticGame game = writeGame(dir, e);
        fs::remove(dir / "game.exe.orig");
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "first.txt", "make"}).status, 0);
        const auto r = runVantedit(dir.path(), {"game.exe", "first.txt", "PaTcH"});
        std::int64_t collected = 0;
        rebuiltTable(game.executable, e, collected);
        const int capacity = weaponAttachCapacity(kEditions[e]);
        ASSERT_LE(collected, capacity);
        EXPECT_EQ(r.status, 0);
        std::string expected = runOpening(e) + "\nConverting text file..." + successTail(collected, capacity);
        expected.insert(expected.size() - 7, "\nOriginal kept as game.exe.orig");  // before "\nDone!\n"
        EXPECT_EQ(r.output, expected);

        // MAKE's own file changes no byte; the first original is kept beside it.
        EXPECT_TRUE(readBytes(dir / "game.exe") == game.executable);
        EXPECT_TRUE(readBytes(dir / "game.exe.orig") == game.executable);
        // The table now holds only what the columns say, grouped by kind: MAKE shows the same file.
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "second.txt", "make"}).status, 0);
        EXPECT_TRUE(readText(dir / "first.txt") == readText(dir / "second.txt"));
        EXPECT_TRUE(readBytes(dir / std::string(kEditions[e].itemDescPath)) == game.itemDesc);
        if (kEditions[e].hasShopFile()) {
            EXPECT_TRUE(readBytes(dir / std::string(kEditions[e].shopDescPath)) == game.shopDesc);
        }
        EXPECT_EQ(listing(dir.path()).size(),
                  kEditions[e].hasShopFile() ? 8u : 7u);  // game, .orig, 2 stats, data/, binarydata/, descs
    }
}

// A stats file written as UTF-8 reads back to every byte, those of no letter in the code page
// too: the same image, the same console text as the file in the code page.
TEST(PatchRun, Utf8FileGivesTheSameImageAsThePlainOne) {
    for (const auto& [e, noLetter] : {std::pair{1, "\xC2\x98"}, {3, "\xC2\x81"}}) {
        SCOPED_TRACE(e);
        TempDir dir;
        synth::SyntheticGame game = writeGame(dir, e);
        // Every byte above 127 in a Sound name.
        std::string high;
        for (int b = 128; b < 256; ++b) high += static_cast<char>(b);
        const auto at = static_cast<std::size_t>(kEditions[e].soundNameOffset + 255 * 10);
        std::copy(high.begin(), high.end() + 1, game.executable.begin() + static_cast<std::ptrdiff_t>(at));
        testing::writeBytes(dir / "game.exe", game.executable);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "plain.txt", "make"}).status, 0);
        ASSERT_EQ(runVantedit(dir.path(), {"--utf8", "game.exe", "utf8.txt", "make"}).status, 0);
        const std::string utf8 = readText(dir / "utf8.txt");
        EXPECT_TRUE(utf8.starts_with("\xEF\xBB\xBFOffset\tShort Name"));
        EXPECT_NE(utf8.find(noLetter), std::string::npos);
        const auto plain = runVantedit(dir.path(), {"game.exe", "plain.txt", "patch"});
        EXPECT_TRUE(readBytes(dir / "game.exe") == game.executable);
        EXPECT_EQ(runVantedit(dir.path(), {"--utf8", "game.exe", "utf8.txt", "patch"}).output, plain.output);
        EXPECT_TRUE(readBytes(dir / "game.exe") == game.executable);
        // merge writes the same encoding.
        testing::writeText(dir / "mod.txt", withField(withoutCr(readText(dir / "plain.txt")), "Sound 11", 1, high));
        ASSERT_EQ(runVantedit(dir.path(), {"--utf8", "game.exe", "merged.txt", "merge", "mod.txt"}).status, 0);
        EXPECT_TRUE(readText(dir / "merged.txt").starts_with("\xEF\xBB\xBFOffset"));
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "merged.txt", "patch"}).status, 0);
        std::copy(high.begin(), high.end() + 1, game.executable.begin() + static_cast<std::ptrdiff_t>(at + 255));
        EXPECT_TRUE(readBytes(dir / "game.exe") == game.executable);
    }
}

// The same edited stats file in every form a text editor or a spreadsheet saves it reads to
// the same cells: PATCH and texts write the same files, diff lists the same lines.
TEST(PatchRun, EverySaveOfTheFileReadsToTheSameCells) {
    TempDir made;
    writeGame(made, 1, true);
    ASSERT_EQ(runVantedit(made.path(), {"--utf8", "game.exe", "u8.txt", "make"}).status, 0);
    const std::string original = withoutCr(readText(made / "u8.txt")).substr(3);  // without the mark
    std::string edited = withField(original, "Item 13", 1, "Маузер");
    edited = withField(edited, "Item 12", fieldOf("Damage"), "61");
    edited = withField(edited, "Item 12", 2, quotedText("Nagant; \"M1895\", 7.62"));  // either separator
    // Item 12's new name appended in UTF-8 to the code-page file, as a UTF-8 terminal appends it.
    testing::writeText(made / "mixed.txt", edited);
    edited = withField(edited, "Item 12", 1, "Наган");
    testing::writeText(made / "lf.txt", edited);
    testing::writeText(made / "crlf.txt", withCrLf(edited));
    testing::writeText(made / "cr.txt", savedAs(edited, '\t', "\r"));
    testing::writeText(made / "semicolons.txt", savedAs(edited, ';', "\r\n"));
    const auto converted = [&](const char* from, const char* to) {
        return testing::runCommand(made.path(), std::string("iconv -f UTF-8 -t ") + to + " " + from).output;
    };
    const std::string mixed = converted("mixed.txt", "CP1251") + "\r\nItem 12\tНаган";
    const std::string mixedWarning = "WARNING:  line " +
                                     std::to_string(std::count(mixed.begin(), mixed.end(), '\n') + 1) +
                                     ": Item 12, Short Name: UTF-8 in a code-page file, read as UTF-8";
    struct Form {
        const char* name;
        std::string bytes;
    };
    const Form forms[] = {
        {"code page, CR LF", converted("crlf.txt", "CP1251")},
        {"code page, LF", converted("lf.txt", "CP1251")},
        {"code page, CR", converted("cr.txt", "CP1251")},
        {"code page, semicolons", converted("semicolons.txt", "CP1251")},
        {"UTF-8 with the mark, CR LF", "\xEF\xBB\xBF" + withCrLf(edited)},
        {"UTF-8 without the mark, LF", edited},
        {"UTF-8 with the mark, commas, CR LF", "\xEF\xBB\xBF" + savedAs(edited, ',', "\r\n")},
        {"UTF-8 without the mark, commas, CR", savedAs(edited, ',', "\r")},
        {"UTF-16 LE with the mark, CR LF", "\xFF\xFE" + converted("crlf.txt", "UTF-16LE")},
        {"UTF-16 BE with the mark, LF", "\xFE\xFF" + converted("lf.txt", "UTF-16BE")},
        {"UTF-16 LE without the mark, CR LF", converted("crlf.txt", "UTF-16LE")},
        {"UTF-16 BE without the mark, LF", converted("lf.txt", "UTF-16BE")},
        {"UTF-16 LE with the mark, semicolons", "\xFF\xFE" + converted("semicolons.txt", "UTF-16LE")},
        {"code page, a row appended in UTF-8", mixed},
    };
    // The lines that tell how the file was read differ; every other line is the same.
    const auto listed = [](const std::string& output) {
        std::string kept;
        for (const std::string& line : split(output, '\n')) {
            const bool how = line.starts_with("WARNING:  No byte order mark") ||
                             line.starts_with("WARNING:  The file is") || line.ends_with("read as UTF-8");
            if (!how) kept += line + "\n";
        }
        return kept;
    };
    std::vector<std::uint8_t> executable;
    std::vector<std::uint8_t> descriptions;
    std::string diff;
    for (const Form& form : forms) {
        SCOPED_TRACE(form.name);
        TempDir dir;
        writeGame(dir, 1, true);
        testing::writeText(dir / "s.txt", form.bytes);
        const std::string diffOutput = runVantedit(dir.path(), {"game.exe", "s.txt", "diff"}).output;
        const std::string diffNow = listed(diffOutput);
        EXPECT_NE(diffNow.find("Damage"), std::string::npos);
        EXPECT_EQ(diffOutput.find(mixedWarning) != std::string::npos, form.bytes == mixed) << diffOutput;
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "s.txt", "patch"}).status, 0);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "s.txt", "texts"}).status, 0);
        if (executable.empty()) {
            executable = readBytes(dir / "game.exe");
            descriptions = readBytes(dir / std::string(kEditions[1].itemDescPath));
            diff = diffNow;
            continue;
        }
        EXPECT_TRUE(readBytes(dir / "game.exe") == executable);
        EXPECT_TRUE(readBytes(dir / std::string(kEditions[1].itemDescPath)) == descriptions);
        EXPECT_EQ(diffNow, diff);
    }
    // A change list of the same edits, saved as a spreadsheet saves it, writes the same files.
    ASSERT_EQ(runVantedit(made.path(), {"game.exe", "list.txt", "changes", "lf.txt"}).status, 0);
    // In the code page; its line ends made LF, the CR LF of its texts kept.
    const std::string list =
        std::regex_replace(readText(made / "list.txt"), std::regex("\r\n(?=[A-Za-z]+ -?[0-9])"), "\n");
    testing::writeText(made / "semicolons.txt", savedAs(list, ';', "\r\n"));
    testing::writeText(made / "quoted.txt", savedAs(list, ',', "\n", true));
    const auto fromCodePage = [&](const char* file, const char* to) {
        return testing::runCommand(made.path(), std::string("iconv -f CP1251 -t ") + to + " " + file).output;
    };
    for (const std::string& bytes : {savedAs(list, ',', "\r"), "\xFF\xFE" + fromCodePage("semicolons.txt", "UTF-16LE"),
                                     "\xEF\xBB\xBF" + fromCodePage("quoted.txt", "UTF-8")}) {
        TempDir dir;
        writeGame(dir, 1, true);
        testing::writeText(dir / "list.txt", bytes);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "list.txt", "patch"}).status, 0);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "list.txt", "texts"}).status, 0);
        EXPECT_TRUE(readBytes(dir / "game.exe") == executable);
        EXPECT_TRUE(readBytes(dir / std::string(kEditions[1].itemDescPath)) == descriptions);
    }
}

// MAKE with --utf16 writes Excel's Unicode Text: UTF-16 LE after its mark, tabs, CR LF; PATCH
// of it changes nothing, and MAKE after it writes the same file, on every edition.
TEST(PatchRun, Utf16FileRoundTripsOnEveryEdition) {
    for (int e = 0; e < static_cast<int>(kEditions.size()); ++e) {
        SCOPED_TRACE(e);
        TempDir dir;
        const synth::SyntheticGame game = writeGame(dir, e, true);
        ASSERT_EQ(runVantedit(dir.path(), {"--utf16", "game.exe", "u16.txt", "make"}).status, 0);
        const std::string made = readText(dir / "u16.txt");
        EXPECT_TRUE(made.starts_with(std::string("\xFF\xFEO\0f\0f\0s\0e\0t\0\t\0", 16)));
        EXPECT_NE(made.find(std::string("\r\0\n\0I\0t\0e\0m\0 \0", 12)), std::string::npos);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "u16.txt", "patch"}).status, 0);
        EXPECT_TRUE(readBytes(dir / "game.exe") == game.executable);
        ASSERT_EQ(runVantedit(dir.path(), {"--utf16", "game.exe", "again.txt", "make"}).status, 0);
        EXPECT_EQ(readText(dir / "again.txt"), made);
    }
}

TEST(PatchRun, EditsLandAtExactlyTheirBytes) {
    const int e = 3;
    const Edition& ed = kEditions[e];
    TempDir dir;
    const synth::SyntheticGame game = writeGame(dir, e);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    std::string lf = withoutCr(readText(dir / "stats.txt"));
    lf = withField(lf, "Item 3", fieldOf("Damage"), "300");
    lf = withField(lf, "Item 0", fieldOf("Range"), "65541");
    lf = withField(lf, "Item 200", fieldOf("Price"), "-1");
    lf = withField(lf, "Item 10", fieldOf("HV's Fire Rate"), "-32768");
    lf = withField(lf, "Item 5", fieldOf("Clip Type"), "9");                // Item 5 has no Ammo Clips record
    lf = withField(lf, "Item 118", fieldOf("Clip Type"), "77");             // one byte with Item 161's
    lf = withField(lf, "Item 198", fieldOf("Armour Durabilty"), "88");      // one byte with Item 131's
    lf = withField(lf, "Item 3", 1, "Renamed");                             // never saved
    lf = editLines(lf, "Combine2", [](std::vector<std::string>& f) {
        if (f[0] == "Combine2 4") f = {f[0], "1", "65536", "-1", "300"};
    });
    lf = editLines(lf, "AmmoName", [](std::vector<std::string>& f) {
        if (f[0] == "AmmoName 2") f = {f[0], "New", "Newer"};
    });
    lf = editLines(lf, "Sound", [](std::vector<std::string>& f) {
        if (f[0] == "Sound 7") f = {f[0], "boom.wav"};
    });
    writeText(dir / "stats.txt", withCrLf(lf));
    const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "patch"});
    ASSERT_EQ(r.status, 0) << r.output;

    std::vector<std::uint8_t> expected = game.executable;
    MutableByteView x(expected);
    const auto at = [&](Section s, int slot, int item) {
        return static_cast<std::size_t>(valueOffset(sectionRecord(e, s), sectionColumn(s, slot), item));
    };
    x.setU8(at(Section::Weapons, 8, 3), 44);
    x.setU16(at(Section::Weapons, 12, 0), 5);
    x.setU16(at(Section::AllItems, 12, 200), 0xFFFF);
    x.setU16(at(Section::Halveks2, 0, 10), 0x8000);
    x.setU8(at(Section::AmmoClips, 0, 118), 77);
    x.setU8(at(Section::Armour, 2, 198), 88);
    const auto combine = static_cast<std::size_t>(listValueOffset(ed, kNumericLists[3], 4, 0));
    x.setU16(combine, 1);
    x.setU16(combine + 2, 0);
    x.setU16(combine + 4, 0xFFFF);
    x.setU16(combine + 6, 300);
    const auto first = static_cast<std::size_t>(ammoNameRecordOffset(ed.ammoNameFirstOffset, 2));
    const auto second = static_cast<std::size_t>(ammoNameRecordOffset(ed.ammoNameSecondOffset, 2));
    for (std::size_t j = 0; j < 4; ++j) x.setU8(first + 2 * j, static_cast<std::uint8_t>("New"[j]));
    for (std::size_t j = 0; j < 6; ++j) x.setU8(second + 2 * j, static_cast<std::uint8_t>("Newer"[j]));
    const auto sound = static_cast<std::size_t>(nameRecordOffset(ed, kSoundNames, 7));
    for (std::size_t j = 0; j < 9; ++j) x.setU8(sound + j, static_cast<std::uint8_t>("boom.wav"[j]));

    const auto patched = readBytes(dir / "game.exe");
    EXPECT_TRUE(outsideTable(patched, e) == outsideTable(expected, e));
    EXPECT_TRUE(readBytes(dir / std::string(ed.itemDescPath)) == game.itemDesc);
}

TEST(PatchRun, SpreadsheetSavedFileGivesTheSameImage) {
    for (int e : {1, 5}) {
        SCOPED_TRACE(e);
        TempDir dir;
        const synth::SyntheticGame game = writeGame(dir, e);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
        const std::string lf = withoutCr(readText(dir / "stats.txt"));
        const std::string edited = editLines(lf, "AmmoName", [](std::vector<std::string>& f) {
            if (f[0] == "AmmoName 1") f[2] = "Hot";
        });
        writeText(dir / "plain.txt", edited);
        std::string sheet = asSpreadsheetSaves(edited + "\n");
        ASSERT_NE(sheet.find("\r\nItem 0\t\""), std::string::npos);
        writeText(dir / "sheet.txt", sheet);

        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "plain.txt", "patch"}).status, 0);
        const auto fromPlain = readBytes(dir / "game.exe");
        synth::writeGameFolder(game, dir.path());
        const auto r = runVantedit(dir.path(), {"game.exe", "sheet.txt", "patch"});
        ASSERT_EQ(r.status, 0) << r.output;
        const auto fromSheet = readBytes(dir / "game.exe");
        EXPECT_TRUE(fromSheet == fromPlain);
        EXPECT_EQ(readAmmoNameText(ByteView(fromSheet), kEditions[e], AmmoNameText::Second, 1), "Hot");

        // Quotes inside a quoted AmmoName text: one for each doubled pair.
        synth::writeGameFolder(game, dir.path());
        writeText(dir / "sheet.txt", sheet + "AmmoName 1\t\"5.56 \"\"NATO\"\"\"\t\"\"\"Hot\"\" Load\"\r\n");
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "sheet.txt", "patch"}).status, 0);
        const auto quoted = readBytes(dir / "game.exe");
        EXPECT_EQ(readAmmoNameText(ByteView(quoted), kEditions[e], AmmoNameText::First, 1), "5.56 \"NATO\"");
        EXPECT_EQ(readAmmoNameText(ByteView(quoted), kEditions[e], AmmoNameText::Second, 1), "\"Hot\" Load");
    }
}

TEST(PatchRun, OlderLayoutsAndAmmoTypeLines) {
    for (int tabs : {73, 72}) {
        for (int e : {0, 4}) {
            SCOPED_TRACE(std::to_string(tabs) + " edition " + std::to_string(e));
            TempDir dir;
            const synth::SyntheticGame game = writeGame(dir, e);
            ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
            ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "patch"}).status, 0);
            const auto current = readBytes(dir / "game.exe");

            synth::writeGameFolder(game, dir.path());
            const std::string older = asOlderLayout(withoutCr(readText(dir / "stats.txt")), tabs);
            ASSERT_EQ(std::count(older.begin(), older.begin() + static_cast<long>(older.find('\n')), '\t'), tabs);
            ASSERT_NE(older.find("\nAmmoType -1\t"), std::string::npos);
            writeText(dir / "old.txt", withCrLf(older));
            const auto r = runVantedit(dir.path(), {"game.exe", "old.txt", "patch"});
            std::int64_t collected = 0;
            rebuiltTable(game.executable, e, collected);
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.output, runOpening(e) +
                                    "\nConverting text file...\nWARNING:  Older version datafile detected!  (" +
                                    std::to_string(tabs) + " Headings) (Converting...)\n" +
                                    "\nWARNING:  Old 'AmmoType' format detected (Converting...)\n" +
                                    successTail(collected, weaponAttachCapacity(kEditions[e])));
            EXPECT_TRUE(readBytes(dir / "game.exe") == current);
        }
    }
}

// Sets exactly n attachment columns to 1, walking the weapons then the kinds.
std::string withPairs(const std::string& lf, int edition, int n) {
    const int lastWeapon = sectionRecord(edition, Section::Weapons).lastItem;
    return editLines(lf, "Item", [&](std::vector<std::string>& f) {
        const int item = std::stoi(f[0].substr(5));
        if (item > lastWeapon) return;
        for (int k = 0; k < 8; ++k)
            f[static_cast<std::size_t>(kFirstAttachmentField + k)] = item * 8 + k < n ? "1" : "0";
    });
}

TEST(PatchRun, ConsoleTextOfASuccessfulRun) {
    TempDir dir;
    writeGame(dir, 4);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    writeText(dir / "stats.txt", withPairs(withoutCr(readText(dir / "stats.txt")), 4, 5));
    const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "patch"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, kBanner +
                            "Standard (Russian) version of executable detected\n\n"
                            "Reading binary data...\nReading item descriptions...\nConverting text file...\n"
              // 5 marked, and the 6 pairs of the synthetic game that no column can express
                            "Descriptions not saved...\nSorting weapon attachments...\n11 of 182 attachments added...\n"
                            "Saving binary data...\nDone!\n");
}

// PATCH names how many texts it leaves unsaved, and what saves them; a text given twice counts once.
TEST(PatchRun, TextsNotSavedAreCounted) {
    TempDir dir;
    writeGame(dir, 4);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    const std::string lf = withoutCr(readText(dir / "stats.txt"));
    const std::string renamed = withField(lf, "Item 8", 2, "Renamed");
    const std::string three = withField(withField(renamed, "Item 9", 1, "Other"), "Item 10", 4, "Shop");
    const std::size_t row8 = renamed.find("\nItem 8\t");
    std::string twice = three;  // Item 8's row once more, after the heading line
    twice.insert(twice.find('\n'), renamed.substr(row8, renamed.find("\nItem 9\t") - row8));
    for (const auto& [file, hint] :
         {std::pair<std::string, std::string>{lf, ""},
          {renamed, "\n1 name or description differs from the game's: use the TEXTS option to save it."},
          {twice, "\n3 names or descriptions differ from the game's: use the TEXTS option to save them."}}) {
        writeText(dir / "stats.txt", file);
        const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "patch"});
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.output.find("\nDescriptions not saved..." + hint + "\nSorting"), std::string::npos) << r.output;
    }
}

// The pairs no column can express come last, so they are the first left out when the table
// is full.
TEST(PatchRun, AttachmentCapacityAndMakeAfterwards) {
    const int e = 1;
    const int cap = weaponAttachCapacity(kEditions[e]);
    TempDir dir;
    const synth::SyntheticGame game = writeGame(dir, e);
    const std::vector<std::uint32_t> foreign = noColumnPairs(game.executable, e);
    const int kept = static_cast<int>(foreign.size());
    ASSERT_GT(kept, 1);
    for (int n : {0, cap - kept, cap - kept + 1, cap + 3}) {
        SCOPED_TRACE(n);
        testing::writeBytes(dir / "game.exe", game.executable);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
        const std::string lf = withPairs(withoutCr(readText(dir / "stats.txt")), e, n);
        writeText(dir / "stats.txt", lf);
        const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "patch"});
        EXPECT_EQ(r.status, 0);
        const int total = n + kept;
        const std::string count = total > cap ? "\n\nWARNING:  You have " + std::to_string(total - cap) +
                                                    " too many weapon attachments.\nThe maximum limit is 182.  "
                                                    "The extra attachments have been ignored.\n"
                                              : "\n" + std::to_string(total) + " of 182 attachments added...";
        EXPECT_EQ(r.output, runOpening(e) +
                                "\nConverting text file...\nDescriptions not saved...\nSorting weapon attachments..." +
                                count + "\nSaving binary data...\nDone!\n");
        // The pairs written come back as 1s; the three beyond the capacity (the last ones by
        // kind, then by row) come back as 0s.
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "after.txt", "make"}).status, 0);
        std::string expected = lf;
        if (n > cap) {
            // Walk order: kind 7 (Barrel Extender) holds the latest pairs, rows 0 to 22 of it.
            expected = editLines(expected, "Item", [&](std::vector<std::string>& f) {
                const int item = std::stoi(f[0].substr(5));
                if (item >= 20 && item <= 22) f[kFirstAttachmentField + 7] = "0";
            });
        }
        EXPECT_TRUE(withoutCr(readText(dir / "after.txt")) == expected);
        const auto table = tableOf(readBytes(dir / "game.exe"), e);
        const auto holds = [&](std::uint32_t pair) {
            return std::find(table.begin(), table.end(), pair) != table.end();
        };
        if (n == 0) {  // only they, then copies of the last
            EXPECT_TRUE(std::equal(foreign.begin(), foreign.end(), table.begin()));
            EXPECT_EQ(table.back(), foreign.back());
        }
        if (n == cap - kept) {  // exactly full: the last record is the last of them
            EXPECT_EQ(table.back(), foreign.back());
        }
        if (n == cap - kept + 1) {  // one over: the last of them is the one left out
            EXPECT_TRUE(holds(foreign[foreign.size() - 2]));
            EXPECT_FALSE(holds(foreign.back()));
        }
    }
}

// The stats file's lines up to (not including) the row of the item, or its first lines.
std::string linesBefore(const std::string& lf, const std::string& lineStart) {
    return lf.substr(0, lf.find("\n" + lineStart + "\t"));
}
std::string row(const std::string& lf, int item) { return "\n" + itemLine(lf, item); }
std::int64_t markedPairs(const std::string& lf) {
    std::int64_t n = 0;
    editLines(lf, "Item", [&](std::vector<std::string>& f) {
        for (int k = 0; k < 8; ++k) n += f[static_cast<std::size_t>(kFirstAttachmentField + k)] == "1";
    });
    return n;
}

// A file that leaves weapons out takes none of their pairs: MAKE afterwards shows the file's
// edit and every other pair as before; the same file again changes nothing; the whole file
// then gives the table of a complete file.
TEST(PatchRun, PartialFilesKeepTheAttachmentsOfTheWeaponsTheyLeaveOut) {
    struct Case {
        const char* name;
        std::string (*partial)(const std::string& edited);
        bool holdsTheEdit;  // the row of item 3, whose Silencer column is flipped
    };
    const Case cases[] = {
        {"heading and three rows",
         [](const std::string& lf) { return linesBefore(lf, "Item 0") + row(lf, 3) + row(lf, 31) + row(lf, 200); },
         true},
        {"heading only", [](const std::string& lf) { return linesBefore(lf, "Item 0") + "\n"; }, false},
        {"cut at a line end", [](const std::string& lf) { return linesBefore(lf, "Item 31"); }, true},
        {"cut inside the attachment columns",
         [](const std::string& lf) {
             const std::string last = row(lf, 12);
             std::size_t at = 0;
             for (int tabs = 0; tabs < kFirstAttachmentField + 3; ++tabs) at = last.find('\t', at + 1);
             return linesBefore(lf, "Item 12") + last.substr(0, at);  // its Silencer to Sniper Scope
         },
         true},
    };
    const int e = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const synth::SyntheticGame game = writeGame(dir, e);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "whole.txt", "make"}).status, 0);
        const std::string lf = withoutCr(readText(dir / "whole.txt"));
        const std::string edited = editLines(lf, "Item", [](std::vector<std::string>& f) {
            if (f[0] == "Item 3") f[kFirstAttachmentField] = f[kFirstAttachmentField] == "1" ? "0" : "1";
        });
        const std::string expected = c.holdsTheEdit ? edited : lf;
        writeText(dir / "part.txt", withCrLf(c.partial(edited)));
        const auto r = runVantedit(dir.path(), {"game.exe", "part.txt", "patch"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.output, runOpening(e) + "\nConverting text file..." +
                                successTail(markedPairs(expected) + pairsNoColumnShows(game.executable, e), 182));
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "after.txt", "make"}).status, 0);
        EXPECT_TRUE(withoutCr(readText(dir / "after.txt")) == expected);

        const auto once = readBytes(dir / "game.exe");
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "part.txt", "patch"}).status, 0);
        EXPECT_TRUE(readBytes(dir / "game.exe") == once);

        testing::writeBytes(dir / "game.exe", game.executable);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "whole.txt", "patch"}).status, 0);
        std::int64_t collected = 0;
        EXPECT_EQ(tableOf(readBytes(dir / "game.exe"), e), rebuiltTable(game.executable, e, collected));
    }
}

// An empty cell, and every cell after a row's line ends early, keeps what the game holds: a
// MAKE file so changed changes nothing, and diff lists nothing.
TEST(PatchRun, EmptyCellsAndRowsEndingEarlyKeepWhatTheGameHolds) {
    const int e = 2;
    TempDir dir;
    const synth::SyntheticGame game = writeGame(dir, e);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    const std::string lf = withoutCr(readText(dir / "stats.txt"));
    const auto cut = [&](int item, std::size_t fields) {
        return editLines(lf, "Item", [&](std::vector<std::string>& f) {
            if (f[0] == "Item " + std::to_string(item)) f.resize(fields);
        });
    };
    std::string emptyMark = lf;  // the first 1 of an attachment column emptied: its pair stays
    editLines(lf, "Item", [&](std::vector<std::string>& f) {
        for (std::size_t k = kFirstAttachmentField; k < f.size() && emptyMark == lf; ++k) {
            if (f[k] == "1") emptyMark = withField(lf, f[0], static_cast<int>(k), "");
        }
    });
    const std::string cases[] = {
        withField(lf, "Item 8", fieldOf("Damage"), ""),
        withField(lf, "Item 8", fieldOf("Price"), "   "),
        emptyMark,
        withField(withField(lf, "Item 8", 2, ""), "Item 8", 5, " "),  // Long Name, Halvek's Description
        cut(40, static_cast<std::size_t>(fieldOf("Class1")) + 1),  // ends after its first stat
        cut(8, 2),  // ends after its Short Name
        cut(12, kFirstAttachmentField),  // no attachment cells
        linesBefore(cut(40, static_cast<std::size_t>(fieldOf("Class1"))), "Item 41") +
            "\t",  // the end of the file after its texts
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const std::string& stats = cases[i];
        ASSERT_NE(stats, lf);
        writeText(dir / "stats.txt", withCrLf(stats));
        const auto diff = runVantedit(dir.path(), {"game.exe", "stats.txt", "diff"});
        EXPECT_EQ(diff.output, runOpening(e) +
                                   "\nConverting text file...\n\n0 values would change, 0 not saved; nothing "
                                   "written.\n\nDone!\n");
        EXPECT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "patch"}).status, 0);
        EXPECT_TRUE(readBytes(dir / "game.exe") == game.executable);
    }
}

// ---------------------------------------------------------------------------------------------
// Failures

struct Failure {
    const char* name;
    std::string (*stats)(const std::string& lf);
    std::string message;  // after "\nConverting text file..."
};

TEST(PatchRun, FailuresLeaveTheExecutableAndTheFolderAsTheyWere) {
    const std::string kGrouped = "The spreadsheet grouped the digits: save the cells unformatted.\n";
    const std::string kDecimal = "A decimal number: the game keeps whole numbers.\n";
    const Failure cases[] = {
        {"unknown keyword", [](const std::string& lf) { return lf + "\nBogus 1\t2"; },
         "Error while parsing! (line 842: Bogus)\n"},
        {"record out of range", [](const std::string& lf) { return lf + "\nAttach 28\t1\t2"; },
         "Error while parsing! (line 842: Attach 28: no such record)\n"},
        {"text too long", [](const std::string& lf) { return lf + "\nBurst 3\tfifteen-letters"; },
         "Error while parsing! (line 842: Burst 3: text longer than 14 characters)\n"},
        {"no number", [](const std::string& lf) { return withField(lf, "Item 5", fieldOf("Damage"), "n/a"); },
         "Error while parsing! (line 7: Item 5, Damage: \"n/a\" is not a whole number)\n"},
        {"a decimal point", [](const std::string& lf) { return withField(lf, "Item 8", fieldOf("Damage"), "60.0"); },
         "Error while parsing! (line 10: Item 8, Damage: \"60.0\" is not a whole number)\n" + kDecimal},
        {"a decimal comma", [](const std::string& lf) { return withField(lf, "Item 8", fieldOf("Damage"), "-1,5"); },
         "Error while parsing! (line 10: Item 8, Damage: \"-1,5\" is not a whole number)\n" + kDecimal},
        {"a thousands separator",
         [](const std::string& lf) { return withField(lf, "Item 8", fieldOf("Price"), "1,234"); },
         "Error while parsing! (line 10: Item 8, Price: \"1,234\" is not a whole number)\n" + kGrouped},
        {"grouped by blanks",
         [](const std::string& lf) { return withField(lf, "Item 8", fieldOf("Price"), "12 345 678"); },
         "Error while parsing! (line 10: Item 8, Price: \"12 345 678\" is not a whole number)\n" + kGrouped},
        {"grouped by points", [](const std::string& lf) { return withField(lf, "Item 8", fieldOf("Price"), "1.000"); },
         "Error while parsing! (line 10: Item 8, Price: \"1.000\" is not a whole number)\n" + kGrouped},
        {"groups of two", [](const std::string& lf) { return withField(lf, "Item 8", fieldOf("Price"), "1 00"); },
         "Error while parsing! (line 10: Item 8, Price: \"1 00\" is not a whole number)\n"},
        {"scientific", [](const std::string& lf) { return withField(lf, "Item 8", fieldOf("Price"), "1.2E+3"); },
         "Error while parsing! (line 10: Item 8, Price: \"1.2E+3\" is not a whole number)\n"
         "Scientific notation: widen the column or save the cells unformatted.\n"},
        {"beyond 32 bits",
         [](const std::string& lf) { return withField(lf, "Item 8", fieldOf("Price"), "4294967296"); },
         "Error while parsing! (line 10: Item 8, Price: \"4294967296\" is too large)\n"},
        {"a list value", [](const std::string& lf) { return lf + "\nCombine2 0\t1\t6.5\t3\t4"; },
         "Error while parsing! (line 842: Combine2 0, value 2: \"6.5\" is not a whole number)\n" + kDecimal},
        {"two values for one byte",
         [](const std::string& lf) {
             return withField(withField(lf, "Item 118", fieldOf("Clip Type"), "251"), "Item 161",
                              fieldOf("Armour Strength"), "252");
         },
         "Error while parsing! (line 163: Item 161, Armour Strength: the same byte as Item 118, Clip Type, with "
         "another "
         "value)\n"},
        {"no attachment mark",
         [](const std::string& lf) { return withField(lf, "Item 69", kFirstAttachmentField + 3, "yes"); },
         "Error while parsing! (line 71: Item 69, Bipod?: \"yes\" is not a whole number)\n"},
        {"wrong heading count", [](const std::string& lf) { return "\t" + lf; },
         "Error while parsing!  (70 Headings)\nIf you are using a textfile from an older version, you\n"
         "use MAKE to create a new textfile.  See documentation.\n"},
        {"empty", [](const std::string&) { return std::string(); }, "Error while parsing headings!\n"},
        {"an error after a warning",
         [](const std::string& lf) {
             return withField(withField(lf, "Item 8", fieldOf("Price"), "70000"), "Item 9", fieldOf("Damage"), "x");
         },
         "\nWARNING:  line 10: Item 8, Price: 70000 does not fit (stored as 4464)\n"
         "Error while parsing! (line 11: Item 9, Damage: \"x\" is not a whole number)\n"},
    };
    const int e = 2;
    TempDir dir;
    const synth::SyntheticGame game = writeGame(dir, e);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    const std::string lf = withoutCr(readText(dir / "stats.txt"));
    for (const Failure& c : cases) {
        SCOPED_TRACE(c.name);
        writeText(dir / "stats.txt", withCrLf(c.stats(lf)));
        const auto before = listing(dir.path());
        for (const char* operation : {"patch", "diff"}) {  // diff fails as PATCH does
            const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", operation});
            EXPECT_EQ(r.status, 1) << operation;
            EXPECT_EQ(r.output, runOpening(e) + "\nConverting text file..." + c.message) << operation;
            EXPECT_TRUE(readBytes(dir / "game.exe") == game.executable);
            EXPECT_EQ(listing(dir.path()), before);
        }
    }
    for (const char* operation : {"patch", "diff"}) {
        const auto r = runVantedit(dir.path(), {"game.exe", "missing.txt", operation});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, runOpening(e) + "Unable to read missing.txt! (No such file or directory)\n");
    }
    // Nothing larger than a stats file can be is read: a device, a file of more than 64 MiB.
    std::ofstream(dir / "huge.txt").close();
    fs::resize_file(dir / "huge.txt", (std::uintmax_t{64} << 20) + 1);
    for (const char* path : {"/dev/zero", "huge.txt"}) {
        const auto r = runVantedit(dir.path(), {"game.exe", path, "diff"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, runOpening(e) + "Unable to read " + path + "! (larger than 64 MiB: not a stats file)\n");
    }
    fs::remove(dir / "huge.txt");
    // The executable given as the stats file is no stats file.
    const auto exe = runVantedit(dir.path(), {"game.exe", "game.exe", "patch"});
    EXPECT_EQ(exe.status, 1);
    EXPECT_EQ(exe.output, runOpening(e) +
                              "\nConverting text file...Error while parsing headings!\n"
                              "This is no stats file: it holds binary data.\n");
    // A folder opens, but its reading fails: no empty file.
    const auto folder = runVantedit(dir.path(), {"game.exe", "data", "patch"});
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.output, runOpening(e) + "Unable to read data! (Is a directory)\n");
    // A missing description file stops both before the stats file is read.
    fs::remove(dir / std::string(kEditions[e].shopDescPath));
    for (const char* operation : {"patch", "diff"}) {
        const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", operation});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, kBanner +
                                "Deluxe version of executable detected\n\n"
                                "Reading binary data...\nReading item descriptions...Error reading Halvek's item "
                                "descriptions.\nYou must have the data/binarydata/hvkdesc.edt file installed.\n");
    }
    EXPECT_TRUE(readBytes(dir / "game.exe") == game.executable);
}

// The stats file is read as a stream: from a pipe, however long it is.
TEST(PatchRun, StatsFileFromAPipe) {
    const int e = 5;
    TempDir dir;
    writeGame(dir, e);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    writeText(dir / "stats.txt", withPairs(withoutCr(readText(dir / "stats.txt")), e, 5));
    const std::string binary = testing::shellQuote(VANTEDIT_BINARY);
    for (const std::string& command : {"(cat stats.txt | " + binary + " game.exe /dev/stdin patch)",
                                       "bash -c " + testing::shellQuote(binary + " game.exe <(cat stats.txt) patch")}) {
        SCOPED_TRACE(command);
        const auto r = testing::runCommand(dir.path(), command);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.output, runOpening(e) + "\nConverting text file..." + successTail(5 + 6, 227));
    }
}

// What MAKE writes comes back unchanged, every line of it: texts with double quotes, tabs,
// line breaks (as LF and as CR LF), carriage returns, texts that fill their record; a texts
// run of the unedited file changes nothing.
TEST(PatchRun, AwkwardTextsComeBackAsMakeWroteThem) {
    for (int e = 0; e < kEditionCount; ++e) {
        SCOPED_TRACE(e);
        TempDir dir;
        const synth::SyntheticGame game = writeGame(dir, e, true);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
        const std::string first = readText(dir / "stats.txt");
        ASSERT_NE(first.find("\"\"\"Hot\"\" Load\""), std::string::npos);
        ASSERT_NE(first.find("the DOS way.\r\r\n\"\t"), std::string::npos);
        const auto texts = runVantedit(dir.path(), {"game.exe", "stats.txt", "texts"});
        EXPECT_TRUE(texts.output.ends_with("\nTexts changed: 0\nDone!\n")) << texts.output;
        const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "patch"});
        ASSERT_EQ(r.status, 0) << r.output;
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "second.txt", "make"}).status, 0);
        EXPECT_TRUE(readText(dir / "second.txt") == first);
        EXPECT_TRUE(readBytes(dir / "game.exe") == game.executable);
    }
}

TEST(PatchRun, ReadOnlyExecutableIsNotWrittenEvenByRoot) {
    const int e = 6;
    TempDir dir;
    const synth::SyntheticGame game = writeGame(dir, e);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    fs::permissions(dir / "game.exe", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto before = listing(dir.path());
    const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "patch"});
    std::int64_t collected = 0;
    rebuiltTable(game.executable, e, collected);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output,
              runOpening(e) + "\nConverting text file...\nDescriptions not saved...\nSorting weapon attachments...\n" +
                  std::to_string(collected) + " of 227 attachments added...Error writing game.exe! (read-only)\n");
    EXPECT_TRUE(readBytes(dir / "game.exe") == game.executable);
    EXPECT_EQ(listing(dir.path()), before);
}

// ---------------------------------------------------------------------------------------------
// Saving on its own

struct Saved {
    int status;
    std::string output;
};

// Bytes laid over the file at offset; a kept first original is one when it has the file's size.
Saved save(const fs::path& path, const std::vector<std::uint8_t>& image, std::int64_t offset = 0,
           Faults& faults = noFaults()) {
    std::ostringstream out;
    io::Claim claim;
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    const io::OriginalTest sameSize = [size](const std::string& original) {
        std::error_code error;
        return fs::file_size(original, error) == size && !error;
    };
    const int status = saveExecutable(path.string(), offset, image, sameSize, out, faults, claim);
    return {status, out.str()};
}

TEST(SaveExecutable, ReplacesTheFileKeepingItsPermissions) {
    TempDir dir;
    testing::writeBytes(dir / "game.exe", std::vector<std::uint8_t>(1000, 1));
    const auto mode = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_exec;
    fs::permissions(dir / "game.exe", mode);
    const bool root = ::geteuid() == 0;  // only root may give a file to another owner
    if (root) {
        ASSERT_EQ(::chown((dir / "game.exe").c_str(), 4321, 4322), 0);
    }
    const std::vector<std::uint8_t> image(1000, 2);
    const Saved s = save(dir / "game.exe", image);
    EXPECT_EQ(s.status, 0);
    // The first save keeps the original, with its bytes and mode; a later one leaves it alone.
    EXPECT_EQ(s.output, "\nSaving binary data...\nOriginal kept as " + (dir / "game.exe.orig").string() + "\nDone!\n");
    EXPECT_TRUE(readBytes(dir / "game.exe.orig") == std::vector<std::uint8_t>(1000, 1));
    EXPECT_EQ(fs::status(dir / "game.exe.orig").permissions(), mode);
    EXPECT_EQ(save(dir / "game.exe", image).output, "\nSaving binary data...\nDone!\n");
    EXPECT_TRUE(readBytes(dir / "game.exe.orig") == std::vector<std::uint8_t>(1000, 1));
    EXPECT_TRUE(readBytes(dir / "game.exe") == image);
    EXPECT_EQ(fs::status(dir / "game.exe").permissions(), mode);
    struct stat saved{};
    ASSERT_EQ(::stat((dir / "game.exe").c_str(), &saved), 0);
    EXPECT_EQ(saved.st_uid, root ? 4321u : ::geteuid());
    EXPECT_EQ(saved.st_gid, root ? 4322u : ::getegid());
    EXPECT_EQ(listing(dir.path()), (std::set<std::string>{"game.exe", "game.exe.orig"}));
}

// Whatever call of the first save fails, the executable is as it was and a backup that
// exists holds the original; a failing backup names itself.
TEST(SaveExecutable, AFailingBackupLeavesEverythingAsItWas) {
    TempDir dir;
    const std::vector<std::uint8_t> original(300000, 1);  // more than one chunk of the copy
    const std::vector<std::uint8_t> image(300000, 2);
    const std::string backup = (dir / "game.exe.orig").string();
    for (long n = 1;; ++n) {
        SCOPED_TRACE(n);
        testing::writeBytes(dir / "game.exe", original);
        fs::remove(dir / "game.exe.orig");
        testing::CountingFaults faults(n);
        const Saved s = save(dir / "game.exe", image, 0, faults);
        if (s.status == 0) break;
        const bool backupDone = fs::exists(dir / "game.exe.orig");
        EXPECT_TRUE(readBytes(dir / "game.exe") == original);
        if (backupDone) {
            EXPECT_TRUE(readBytes(dir / "game.exe.orig") == original);
        } else if (n > 1) {
            EXPECT_EQ(s.output, "\nSaving binary data...Error writing " + backup + "!\n");
        }
        EXPECT_LE(listing(dir.path()).size(), 2u) << "a temporary file was left behind";
    }
    EXPECT_TRUE(readBytes(dir / "game.exe.orig") == original);
    // A file or a link of that name is never touched, and must name an original: else the
    // save stops before writing anything.
    testing::writeBytes(dir / "game.exe", original);
    const std::string exe = (dir / "game.exe").string();
    const std::string refusal = "Error writing " + exe + "! (" + backup + " is not an original of it: move it away)\n";
    testing::writeText(dir / "game.exe.orig", "mine");
    EXPECT_EQ(save(dir / "game.exe", image).output, refusal);
    EXPECT_EQ(testing::readText(dir / "game.exe.orig"), "mine");
    fs::remove(dir / "game.exe.orig");
    fs::create_symlink("nowhere", dir / "game.exe.orig");
    EXPECT_EQ(save(dir / "game.exe", image).output, refusal);
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    EXPECT_TRUE(readBytes(dir / "game.exe") == original);
    fs::remove(dir / "game.exe.orig");
    testing::writeBytes(dir / "kept", original);
    fs::create_symlink("kept", dir / "game.exe.orig");  // a link to a right original
    EXPECT_EQ(save(dir / "game.exe", image).output, "\nSaving binary data...\nDone!\n");
    EXPECT_TRUE(readBytes(dir / "kept") == original);
}

TEST(SaveExecutable, ThroughASymbolicLinkTheLinkStays) {
    TempDir dir;
    fs::create_directory(dir / "real");
    testing::writeBytes(dir / "real" / "game.exe", std::vector<std::uint8_t>(64, 1));
    fs::create_symlink("real/game.exe", dir / "link.exe");
    const std::vector<std::uint8_t> image(64, 9);
    const Saved s = save(dir / "link.exe", image);
    EXPECT_EQ(s.status, 0);
    EXPECT_NE(s.output.find("real/game.exe.orig\n"), std::string::npos) << s.output;  // beside the target
    EXPECT_TRUE(fs::is_symlink(dir / "link.exe"));
    EXPECT_TRUE(readBytes(dir / "real" / "game.exe") == image);
    EXPECT_TRUE(readBytes(dir / "real" / "game.exe.orig") == std::vector<std::uint8_t>(64, 1));
    EXPECT_EQ(listing(dir.path()), (std::set<std::string>{"link.exe", "real", "real/game.exe", "real/game.exe.orig"}));
}

TEST(SaveExecutable, RefusalsLeaveTheFileAsItWas) {
    TempDir dir;
    const std::vector<std::uint8_t> original(100, 7);
    testing::writeBytes(dir / "game.exe", original);
    fs::permissions(dir / "game.exe", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string path = (dir / "game.exe").string();
    Saved s = save(path, std::vector<std::uint8_t>(100, 8));
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.output, "Error writing " + path + "! (read-only)\n");
    EXPECT_TRUE(readBytes(path) == original);

    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directory(dir / "game.exe.vantedit-0.tmp");  // a name in the way: the next one is taken
    EXPECT_EQ(save(path, std::vector<std::uint8_t>(100, 8)).status, 0);
    EXPECT_EQ(listing(dir.path()), (std::set<std::string>{"game.exe", "game.exe.orig", "game.exe.vantedit-0.tmp"}));

    // Bytes that do not fit in the file.
    const auto saved = readBytes(path);
    for (const std::int64_t offset : {1, 101}) {
        s = save(path, std::vector<std::uint8_t>(100, 8), offset);
        EXPECT_EQ(s.status, 1) << offset;
        EXPECT_EQ(s.output, "\nSaving binary data...Error writing " + path + "!\n");
        EXPECT_TRUE(readBytes(path) == saved);
        EXPECT_EQ(listing(dir.path()), (std::set<std::string>{"game.exe", "game.exe.orig", "game.exe.vantedit-0.tmp"}));
    }

    s = save(dir / "gone.exe", original);
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.output, "\nSaving binary data...Error writing " + (dir / "gone.exe").string() +
                            "! (No such file or directory)\n");
    EXPECT_FALSE(fs::exists(dir / "gone.exe"));
}

}  // namespace
}  // namespace vantedit
