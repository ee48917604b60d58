// Whole outputs of the real program, byte for byte against files kept in tests/golden: the
// stats file MAKE writes for the awkward edition-3 game, and what diff prints for that file
// after a few edits. VANTEDIT_UPDATE_GOLDEN=1 rewrites the files instead (tests/golden/README.md).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <string_view>

#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit {
namespace {

namespace fs = std::filesystem;
using testing::join;
using testing::readText;
using testing::runVantedit;
using testing::split;
using testing::TempDir;

void expectGolden(const std::string& actual, const std::string& name) {
    const fs::path path = fs::path(VANTEDIT_SOURCE_DIR) / "tests" / "golden" / name;
    if (std::getenv("VANTEDIT_UPDATE_GOLDEN") != nullptr) {
        testing::writeText(path, actual);
        std::cerr << "rewrote " << path.string() << "\n";
        return;
    }
    ASSERT_TRUE(fs::exists(path)) << path << " is missing";
    const std::string golden = readText(path);
    if (actual == golden) return;
    // Where they part, not 200 KB of text.
    const auto want = split(golden, '\n');
    const auto got = split(actual, '\n');
    std::size_t line = 0;
    while (line < want.size() && line < got.size() && want[line] == got[line]) ++line;
    ADD_FAILURE() << name << " differs first at line " << line + 1
                  << "\n golden: " << (line < want.size() ? want[line] : "(end)")
                  << "\n actual: " << (line < got.size() ? got[line] : "(end)");
}

// A line of the stats file opens with a keyword, a blank, a number and a tab; a text's line
// feed (written as CR LF) continues the line before it.
bool opensALine(const std::string& line) {
    if (line.empty() || !std::isalpha(static_cast<unsigned char>(line[0]))) return false;
    std::size_t i = 1;
    while (i < line.size() && std::isalnum(static_cast<unsigned char>(line[i]))) ++i;
    if (i >= line.size() || line[i++] != ' ') return false;
    if (i < line.size() && line[i] == '-') ++i;
    const std::size_t digits = i;
    while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) ++i;
    return i > digits && i < line.size() && line[i] == '\t';
}

struct Edit {
    const char* line;
    const char* field;   // an Item row's heading, or the field's number on other lines
    const char* value;   // nullptr: the attachment mark turned over
};

// Texts with quotes, bytes above 127 and no terminator; numbers beyond their width; signed
// columns; the bytes Ammo Clips and Explosives share with Armour; attachment marks; list
// values; AmmoName, Sound and Burst names.
const Edit kEdits[] = {
    {"Item 3", "Short Name", "Renamed"},
    {"Item 3", "Long Name", "Cafe"},
    {"Item 3", "Silencer?", nullptr},
    {"Item 4", "Laser Scope?", nullptr},
    {"Item 5", "Description", "Now it ends."},
    {"Item 8", "Damage", "60"},
    {"Item 8", "Price", "70000"},
    {"Item 9", "Durability", "-5"},
    {"Item 10", "HV's Fire Rate", "-300"},
    {"Item 161", "Armour Strength", "40"},
    {"Item 198", "Armour Durabilty", "40"},
    {"Attach 3", "1", "-2"},
    {"Combine2 0", "2", "40000"},
    {"AmmoName 1", "2", "Cold"},
    {"AmmoName 4", "1", ".50 AP"},
    {"Sound 5", "1", "shot.wav"},
    {"Sound 6", "1", "short.wav"},
    {"Burst 6", "1", "burstX"},
};

std::string edited(const std::string& made, std::size_t& applied) {
    std::vector<std::vector<std::string>> lines;
    for (const std::string& line : split(made, '\n')) {
        const std::string text = line.ends_with('\r') ? line.substr(0, line.size() - 1) : line;
        if (lines.empty() || opensALine(text)) lines.emplace_back();
        lines.back().push_back(line);
    }
    std::vector<std::string> kept;
    const auto headings = split(lines[0][0].substr(0, lines[0][0].size() - 1), '\t');
    for (const auto& parts : lines) {
        auto fields = split(join(parts, '\n'), '\t');
        for (const Edit& e : kEdits) {
            if (fields[0] != e.line) continue;
            const auto heading = std::find(headings.begin(), headings.end(), e.field);
            const auto at = std::string_view(e.line).starts_with("Item ")
                                ? static_cast<std::size_t>(heading - headings.begin())
                                : std::stoul(e.field);
            std::string& field = fields.at(at);
            const bool lineEnd = field.ends_with('\r');
            if (lineEnd) field.pop_back();
            field = e.value != nullptr ? e.value : field == "1" ? "0" : "1";
            if (lineEnd) field += '\r';
            ++applied;
        }
        kept.push_back(join(fields, '\t'));
    }
    return join(kept, '\n');
}

TEST(Golden, MakeFileAndDiffOfTheAwkwardEdition3Game) {
    TempDir dir;
    synth::Options options;
    options.edition = 3;
    options.awkwardTexts = true;
    ASSERT_TRUE(synth::writeGameFolder(synth::makeSyntheticGame(options), dir.path()));
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    const std::string made = readText(dir / "stats.txt");
    expectGolden(made, "edition3_make.txt");

    std::size_t applied = 0;
    testing::writeText(dir / "stats.txt", edited(made, applied));
    EXPECT_EQ(applied, std::size(kEdits));
    const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "diff"});
    EXPECT_EQ(r.status, 0);
    expectGolden(r.output, "edition3_diff.txt");
}

// The texts a run quotes, in the terminal's letters under a UTF-8 locale and as the bytes they
// are under C, for the Cyrillic edition: diff's lines (code page letters, a byte of no letter, a
// control byte), merge's conflict line over a code-page mod and a UTF-8 one, and a cell quoted
// by a failure, from a code-page file and from a UTF-8 file.
TEST(Golden, TextsInTheTerminalsLettersOfTheCyrillicEdition) {
    TempDir dir;
    synth::Options options;
    options.edition = 1;
    ASSERT_TRUE(synth::writeGameFolder(synth::makeSyntheticGame(options), dir.path()));
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    const std::string made = withoutCr(readText(dir / "stats.txt"));
    const std::string utf8Mark = "\xEF\xBB\xBF";
    // In code page 1251: "Винтовка", "Звук", "Пистолет", "десять"; 0x98 is no letter of it.
    std::string edits = withField(made, "Item 5", fieldOf("Short Name"), "\xC2\xE8\xED\xF2\xEE\xE2\xEA\xE0");
    edits = withField(edits, "Item 5", fieldOf("Long Name"),
                      "a\x98"
                      "b\x01"
                      "c");
    testing::writeText(dir / "edits.txt", withField(edits, "Sound 3", 1, "\xC7\xE2\xF3\xEA.wav"));
    testing::writeText(dir / "a.txt",
                       withField(made, "Item 6", fieldOf("Short Name"), "\xCF\xE8\xF1\xF2\xEE\xEB\xE5\xF2"));
    testing::writeText(dir / "b.txt", utf8Mark + withField(made, "Item 6", fieldOf("Short Name"), "Револьвер"));
    testing::writeText(dir / "bad.txt", withField(made, "Item 8", fieldOf("Damage"), "\xE4\xE5\xF1\xFF\xF2\xFC"));
    testing::writeText(dir / "bad8.txt", utf8Mark + withField(made, "Item 8", fieldOf("Damage"), "десять"));
    const std::vector<std::vector<std::string>> runs = {{"game.exe", "edits.txt", "diff"},
                                                        {"game.exe", "merged.txt", "merge", "a.txt", "b.txt"},
                                                        {"game.exe", "bad.txt", "diff"},
                                                        {"game.exe", "bad8.txt", "diff"}};
    for (const auto& [locale, golden] :
         {std::pair{"C.UTF-8", "edition1_texts_utf8.txt"}, {"C", "edition1_texts_c.txt"}}) {
        std::string output;
        for (const auto& args : runs) {
            const auto r = runVantedit(dir.path(), args, locale);
            output += "> vantedit " + join(args, ' ') + " (status " + std::to_string(r.status) + ")\n" + r.output;
        }
        expectGolden(output, golden);
    }
}

}  // namespace
}  // namespace vantedit
