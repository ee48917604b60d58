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

}  // namespace
}  // namespace vantedit
