// Whole DIFF runs of the real program on synthetic games: a table of edits on each layout, an
// unedited file, a file of another edition, and the folder left byte for byte as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "model/attachments.h"
#include "model/editions.h"
#include "model/sections.h"
#include "model/text.h"
#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit {
namespace {

namespace fs = std::filesystem;
using testing::join;
using testing::readBytes;
using testing::readText;
using testing::runVantedit;
using testing::split;
using testing::TempDir;
using testing::writeText;

synth::SyntheticGame writeGame(const fs::path& folder, int edition) {
    synth::Options options;
    options.edition = edition;
    synth::SyntheticGame game = synth::makeSyntheticGame(options);
    EXPECT_TRUE(synth::writeGameFolder(game, folder));
    keepOriginalAlready(folder / "game.exe");
    return game;
}

std::string head(int edition) { return runOpening(edition) + "\nConverting text file...\n"; }

std::string tail(int changed, int notSaved) {
    const std::string hint =
        notSaved == 0   ? ""
        : notSaved == 1 ? "\n1 name or description differs from the game's: use the TEXTS option to save it."
                        : "\n" + std::to_string(notSaved) +
                              " names or descriptions differ from the game's: use the TEXTS option to save them.";
    return "\n" + std::to_string(changed) + (changed == 1 ? " value" : " values") + " would change, " +
           std::to_string(notSaved) + " not saved; nothing written.\n" + hint + "\nDone!\n";
}

// Every file and folder below the folder with its bytes and permissions.
std::map<std::string, std::pair<std::vector<std::uint8_t>, fs::perms>> snapshot(const fs::path& folder) {
    std::map<std::string, std::pair<std::vector<std::uint8_t>, fs::perms>> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).generic_string();
        files[name] = {entry.is_regular_file() ? readBytes(entry.path()) : std::vector<std::uint8_t>{},
                       entry.status().permissions()};
    }
    return files;
}

// A stats file as MAKE wrote it, its fields addressed as the diff names them.
class StatsFile {
public:
    explicit StatsFile(const std::string& crlf) {
        for (const std::string& line : split(withoutCr(crlf), '\n')) lines_.push_back(split(line, '\t'));
    }
    // An Item row's field by its heading; another line's by "value <k>", "first text",
    // "second text" or "name".
    std::string& field(const std::string& lineStart, const std::string& name) {
        std::size_t at = 0;
        if (lineStart.starts_with("Item ")) {
            at = static_cast<std::size_t>(std::find(lines_[0].begin(), lines_[0].end(), name) - lines_[0].begin());
        } else if (name.starts_with("value ")) {
            at = std::stoul(name.substr(6));
        } else {
            at = name == "second text" ? 2 : 1;
        }
        for (auto& line : lines_) {
            if (line[0] == lineStart) return line.at(at);
        }
        ADD_FAILURE() << "no line " << lineStart;
        return lines_[0][0];
    }
    std::string text() const {
        std::vector<std::string> lines;
        for (const auto& fields : lines_) lines.push_back(join(fields, '\t'));
        return join(lines, '\n');
    }

private:
    std::vector<std::vector<std::string>> lines_;
};

// The attachment lines checked against what a real PATCH does to the table: each added pair
// was not there and is now, each removed one the other way round, and no other pair changes.
void expectTableLinesMatchPatch(const std::string& lines, const std::vector<std::uint8_t>& before,
                                const std::vector<std::uint8_t>& patched, const Edition& e) {
    const auto holds = [&](const std::vector<std::uint8_t>& exe, std::uint32_t pair) {
        for (std::int32_t r = 0; r < weaponAttachCapacity(e); ++r) {
            if (readWeaponAttachRecord(ByteView(exe), e, r) == pair) return true;
        }
        return false;
    };
    std::size_t changes = 0;
    for (std::int32_t r = 0; r < weaponAttachCapacity(e); ++r) {
        for (const auto* exe : {&before, &patched}) {
            const std::uint32_t pair = readWeaponAttachRecord(ByteView(*exe), e, r);
            const bool counted = r > 0 && readWeaponAttachRecord(ByteView(*exe), e, r - 1) == pair;
            if (pair != 0 && !counted && holds(before, pair) != holds(patched, pair)) ++changes;
        }
    }
    std::size_t listed = 0;
    for (const std::string& line : split(lines, '\n')) {
        if (line.empty() || line.starts_with("Attachments\torder\t")) continue;
        const auto f = split(line, '\t');
        ASSERT_EQ(f.size(), 4u) << line;
        std::int32_t attachment = 0;
        for (const AttachmentKind& k : kAttachmentKinds) {
            if (f[1] == k.name) attachment = k.item;
        }
        if (f[1].starts_with("Item ")) attachment = std::stoi(f[1].substr(5));
        const std::uint32_t pair = attachmentPair(std::stoi(f[2]), attachment);
        EXPECT_EQ(holds(before, pair), f[3] == "removed") << line;
        EXPECT_EQ(holds(patched, pair), f[3] == "added") << line;
        ++listed;
    }
    EXPECT_EQ(listed, changes);  // filler copies next to their pair are not counted twice
}

// ---------------------------------------------------------------------------------------------

struct Edit {
    const char* line;
    const char* field;
    const char* value;   // what the file is given
    const char* after;   // what diff shows after PATCH; nullptr: the value itself
    const char* note;    // "" for none
    const char* shownAs = nullptr;  // the line and field it shows as, when not its own
};

// In the order of the stats file, which is the order the lines come in.
const Edit kEdits[] = {
    {"Item 8", "Long Name", "Renamed Revolver", nullptr, "not saved"},
    {"Item 8", "Damage", "60", nullptr, ""},                       // 8 bits
    {"Item 8", "Price", "70000", "4464", "typed 70000"},           // 16 bits
    {"Item 9", "Weight", "2550", "246", "typed 2550"},
    {"Item 9", "Durability", "-5", nullptr, ""},                   // signed 8 bits
    {"Item 10", "Range", "-1", "65535", "typed -1"},
    {"Item 10", "HV's Fire Rate", "-300", nullptr, ""},            // signed 16 bits
    {"Attach 3", "value 1", "-2", "65534", "typed -2"},
    {"Combine2 0", "value 2", "40000", nullptr, ""},
    {"AmmoName 4", "first text", ".50 AP", nullptr, ""},
    {"AmmoName 4", "second text", "AP", nullptr, ""},
    {"Sound 22", "name", "data/sfx/shot22.wav", nullptr, ""},
    {"Burst 3", "name", "burstX", nullptr, ""},
};

std::string quotedIfText(const Edit& edit, const std::string& value) {
    const std::string_view field = edit.field;
    const bool text = field.ends_with("Name") || field.ends_with("text") || field == "name";
    return text ? quotedText(value) : value;
}

struct LayoutCase {
    int edition;
    std::vector<Edit> shared;  // edits of bytes that two sections share, shown at the first field
};

TEST(DiffRun, EditsOfEveryKindOnEachLayout) {
    const LayoutCase cases[] = {
        {0, {}},
        {2,
         {{"Item 161", "Armour Strength", "40", nullptr, "shared with Item 161 Armour Strength",
           "Item 118\tClip Type"}}},
        {4,
         {{"Item 198", "Armour Durabilty", "40", nullptr, "shared with Item 198 Armour Durabilty",
           "Item 131\tExp Damage"}}},
        {5, {}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.edition);
        const Edition& e = kEditions[c.edition];
        TempDir dir;
        const synth::SyntheticGame game = writeGame(dir.path(), c.edition);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
        const std::string made = readText(dir / "stats.txt");
        StatsFile stats(made);
        const auto lineOf = [&](const std::string& row) {
            return std::to_string(2 + std::count(made.begin(), made.begin() + made.find("\n" + row + "\t"), '\n'));
        };

        std::vector<Edit> edits(std::begin(kEdits), std::end(kEdits));
        edits.insert(edits.begin() + 7, c.shared.begin(), c.shared.end());  // Item 118 and 131 come after Item 10
        std::string expected;
        std::string warnings;  // numbers that do not fit, told as the reading meets them
        int changed = 0;
        int notSaved = 0;
        for (const Edit& edit : edits) {
            if (std::string_view(edit.note).starts_with("typed ")) {
                warnings += "\nWARNING:  line " + lineOf(edit.line) + ": " + edit.line + ", " + edit.field + ": " +
                            edit.value + " does not fit (stored as " + edit.after + ")";
            }
            std::string& field = stats.field(edit.line, edit.field);
            ASSERT_NE(field, edit.value) << edit.line << " " << edit.field;
            const std::string now = field;
            field = edit.value;
            expected += edit.shownAs ? std::string(edit.shownAs) : std::string(edit.line) + "\t" + edit.field;
            const std::string after = edit.after ? edit.after : edit.value;
            expected += "\t" + quotedIfText(edit, now) + "\t" + quotedIfText(edit, after);
            if (*edit.note) expected += std::string("\t") + edit.note;
            expected += "\n";
            ++(std::string_view(edit.note) == "not saved" ? notSaved : changed);
        }
        // An attachment mark on and one off: the first weapons that have none and one.
        const int lastWeapon = sectionRecord(e, Section::Weapons).lastItem;
        bool on = false;
        bool off = false;
        for (int w = 0; w <= lastWeapon; ++w) {
            const std::string row = "Item " + std::to_string(w);
            std::string& silencer = stats.field(row, "Silencer?");
            std::string& laser = stats.field(row, "Laser Scope?");
            if (!on && silencer == "0") on = (silencer = "1") == "1";
            if (!off && laser == "1") off = (laser = "0") == "0";
        }
        ASSERT_TRUE(on && off);
        writeText(dir / "stats.txt", stats.text());

        const auto files = snapshot(dir.path());
        const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "diff"});
        EXPECT_EQ(r.status, 0);
        std::string start = head(c.edition) + expected;
        start.insert(start.size() - expected.size() - 1, warnings);
        const std::string end = tail(changed, notSaved);
        ASSERT_TRUE(r.output.starts_with(start)) << r.output;
        ASSERT_TRUE(r.output.ends_with(end)) << r.output;
        const std::string table = r.output.substr(start.size(), r.output.size() - start.size() - end.size());
        EXPECT_NE(table.find("\tSilencer\t"), std::string::npos);
        EXPECT_NE(table.find("\tLaser Scope\t"), std::string::npos);
        EXPECT_TRUE(snapshot(dir.path()) == files);

        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "patch"}).status, 0);
        expectTableLinesMatchPatch(table, game.executable, readBytes(dir / "game.exe"), e);
    }
}

// MAKE's own file changes nothing: not the stats, not the attachment table.
TEST(DiffRun, UnchangedFileShowsOnlyTheSummary) {
    for (int edition = 0; edition < kEditionCount; ++edition) {
        SCOPED_TRACE(edition);
        TempDir dir;
        const synth::SyntheticGame game = writeGame(dir.path(), edition);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
        // Read-only, and the folder too: diff neither needs nor tries to write.
        const auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
        fs::permissions(dir / "game.exe", readOnly);
        const auto files = snapshot(dir.path());
        fs::permissions(dir.path(), readOnly | fs::perms::owner_exec);
        const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "DiFf"});
        fs::permissions(dir.path(), fs::perms::owner_all);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.output, head(edition) + tail(0, 0));
        EXPECT_TRUE(snapshot(dir.path()) == files);
        fs::permissions(dir / "game.exe", fs::perms::owner_read | fs::perms::owner_write);
        ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "patch"}).status, 0);
        EXPECT_TRUE(readBytes(dir / "game.exe") == game.executable);
    }
}

// With --exit-code, diff's status tells a script whether anything would change; every other
// operation keeps its statuses.
TEST(DiffRun, ExitCodeSaysWhetherAnythingWouldChange) {
    TempDir dir;
    writeGame(dir.path(), 2);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "same.txt", "make"}).status, 0);
    const std::string lf = withoutCr(readText(dir / "same.txt"));
    testing::writeText(dir / "edited.txt", withField(lf, "Item 8", fieldOf("Damage"), "61"));
    testing::writeText(dir / "renamed.txt", withField(lf, "Item 8", 1, "Renamed"));
    testing::writeText(dir / "bad.txt", withField(lf, "Item 8", fieldOf("Damage"), "x"));
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"--exit-code", "game.exe", "same.txt", "diff"}, 0},
        {{"--exit-code", "game.exe", "edited.txt", "diff"}, 1},
        {{"--exit-code", "game.exe", "renamed.txt", "diff"}, 1},
        {{"--exit-code", "game.exe", "bad.txt", "diff"}, 2},
        {{"--exit-code", "game.exe", "missing.txt", "diff"}, 2},
        {{"--exit-code", "missing.exe", "same.txt", "diff"}, 2},
        {{"--exit-code", "game.exe", "same.txt", "diff", "more"}, 2},
        {{"game.exe", "edited.txt", "diff"}, 0},
        {{"--exit-code", "game.exe", "bad.txt", "patch"}, 1},
        {{"--exit-code", "game.exe", "x.txt", "make"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::join(c.args, ' '));
        EXPECT_EQ(runVantedit(dir.path(), c.args).status, c.status);
    }
}

TEST(DiffRun, FileOfAnotherEditionOfTheSameLayoutWarns) {
    for (const auto& [from, to] : {std::pair{1, 2}, std::pair{3, 1}, std::pair{5, 6}}) {
        SCOPED_TRACE(std::to_string(from) + " to " + std::to_string(to));
        TempDir made;
        TempDir dir;
        writeGame(made.path(), from);
        writeGame(dir.path(), to);
        ASSERT_EQ(runVantedit(made.path(), {"game.exe", "stats.txt", "make"}).status, 0);
        writeText(dir / "stats.txt", readText(made / "stats.txt"));
        const auto files = snapshot(dir.path());
        const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "diff"});
        EXPECT_EQ(r.status, 0);
        const std::string warning = "\n\nWARNING:  Most values differ. Is this stats file from another edition?\n\n";
        const std::size_t at = r.output.find(warning);
        ASSERT_NE(at, std::string::npos) << r.output;
        const std::regex count(
            "[0-9]+ values would change, [0-9]+ not saved; nothing written[.]\n(\n[0-9]+ names or "
            "descriptions differ from the game's: use the TEXTS option to save them[.])?\nDone!\n");
        EXPECT_TRUE(std::regex_match(r.output.substr(at + warning.size()), count));
        EXPECT_TRUE(snapshot(dir.path()) == files);
        // PATCH warns too, once the reading is done, and goes on: the first original is kept.
        const auto p = runVantedit(dir.path(), {"game.exe", "stats.txt", "patch"});
        EXPECT_EQ(p.status, 0);
        EXPECT_NE(p.output.find("\nWARNING:  Most values differ. Is this stats file from another edition?\n"
                                "\nDescriptions not saved..."),
                  std::string::npos)
            << p.output;
    }
}

// The text between a document's diff-example markers, inside its code fence.
std::string documentedExample(const std::string& document) {
    const std::string text = readText(fs::path(VANTEDIT_SOURCE_DIR) / document);
    const std::size_t open = text.find("<!-- diff-example -->\n```\n");
    const std::size_t close = text.find("```\n<!-- /diff-example -->");
    if (open == std::string::npos || close == std::string::npos || close < open) return "no example in " + document;
    const std::size_t from = open + std::string("<!-- diff-example -->\n```\n").size();
    return text.substr(from, close - from);
}

TEST(DiffRun, TheDocumentedExampleIsWhatTheProgramPrints) {
    TempDir dir;
    writeGame(dir.path(), 3);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "stats.txt", "make"}).status, 0);
    StatsFile stats(readText(dir / "stats.txt"));
    stats.field("Item 8", "Long Name") = "Type 84 Revolver Mk 2";
    stats.field("Item 8", "Damage") = "60";
    stats.field("Item 8", "Price") = "70000";
    stats.field("Item 8", "Silencer?") = "1";
    stats.field("Item 161", "Armour Strength") = "40";
    stats.field("Combine2 0", "value 2") = "40000";
    stats.field("AmmoName 4", "first text") = ".50 AP";
    stats.field("Sound 22", "name") = "data/sfx/shot22.wav";
    writeText(dir / "stats.txt", stats.text());
    const auto r = runVantedit(dir.path(), {"game.exe", "stats.txt", "diff"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(documentedExample("docs/manual.md"), "> vantedit game.exe stats.txt diff\n" + r.output);
    const std::string readme = documentedExample("README.md");
    EXPECT_TRUE(r.output.ends_with("\n" + readme)) << readme;
    EXPECT_TRUE(readme.starts_with("Converting text file...\n")) << readme;
}

}  // namespace
}  // namespace vantedit
