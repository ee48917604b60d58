// Whole MERGE runs of the real program on synthetic games: mods of every form merged, their
// conflicts reported, the merged file checked cell by cell and patched onto the master (MAKE
// afterwards shows every field at its winning value); the failures, and a hundred mods.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <array>
#include <chrono>
#include <map>
#include <set>

#include "model/editions.h"
#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit {
namespace {

using testing::readText;
using testing::runVantedit;
using testing::split;
using testing::TempDir;
using testing::writeText;

using Lines = std::vector<std::vector<std::string>>;  // a stats file's lines, split at their tabs

Lines linesOf(const std::string& crlf) {
    Lines lines;
    for (std::string line : split(crlf, '\n')) {
        if (line.ends_with('\r')) line.pop_back();
        lines.push_back(split(line, '\t'));
    }
    return lines;
}

std::string textOf(const Lines& lines) {
    std::string text;
    for (const auto& line : lines) text += (text.empty() ? "" : "\r\n") + testing::join(line, '\t');
    return text;
}

std::vector<std::uint8_t> writeGame(const TempDir& dir, int edition) {
    synth::SyntheticGame game = synth::makeSyntheticGame({edition, 1, false});
    EXPECT_TRUE(synth::writeGameFolder(game, dir.path()));
    return game.executable;
}

std::string head(int edition) {
    return "\nVantrel Weapon Editor V2.4 RU\n\n" + std::string(kEditions[edition].label) +
           " version of executable detected\n\nReading binary data...\nReading item descriptions...";
}

// The text between a document's merge-example markers, inside its code fence.
std::string documentedExample(const std::string& document) {
    const std::string text = readText(std::filesystem::path(VANTEDIT_SOURCE_DIR) / document);
    const std::string open = "<!-- merge-example -->\n```\n";
    const std::size_t from = text.find(open), to = text.find("```\n<!-- /merge-example -->");
    if (from == std::string::npos || to == std::string::npos || to < from) return "no example in " + document;
    return text.substr(from + open.size(), to - from - open.size());
}

// A field named as diff names it: an Item row's heading, "value <k>", "first text", "second
// text" or "name". "~" as a value turns an attachment mark over.
struct Edit {
    const char* line;
    const char* field;
    const char* value;
    bool written = true;  // false: the field of another section on the edited byte, set with it
};
// MAKE's file; its heading and the edited lines; the same with Item rows of just the edited cells.
enum class Form { Whole, Rows, Cells };
struct Mod {
    Form form;
    std::vector<Edit> edits;
    std::string name = "";  // mod<n>.txt when empty
};
struct Case {
    std::vector<int> editions;
    std::vector<Mod> mods;
    bool documented = false;  // the example of the manual and README: PATCHing in turn loses an edit
};

bool isText(std::string_view label) {
    return label.ends_with("Name") || label.ends_with("Description") || label.ends_with("text") || label == "name";
}

TEST(MergeRun, MergedFilePatchedOntoTheMasterGivesEveryFieldItsWinningValue) {
    const Edit damage60{"Item 8", "Damage", "60"}, price{"Item 8", "Price", "500"};
    const Case cases[] = {
        {{3}, {{Form::Whole, {damage60}, "damage.txt"}, {Form::Whole, {price}, "price.txt"}}, true},
        {{3}, {{Form::Rows, {damage60}}, {Form::Cells, {{"Item 8", "Damage", "70"}}}}},  // a conflict
        {{3}, {{Form::Cells, {damage60}}, {Form::Whole, {damage60}}}},                   // mods that agree
        {{3},  // one byte through its two fields: two conflicts
         {{Form::Cells, {{"Item 118", "Clip Type", "40"}, {"Item 161", "Armour Strength", "40", false}}},
          {Form::Whole, {{"Item 161", "Armour Strength", "50"}, {"Item 118", "Clip Type", "50", false}}}}},
        {{3},  // attachments set and cleared
         {{Form::Cells, {{"Item 8", "Silencer?", "1"}, {"Item 9", "Laser Scope?", "1"}}},
          {Form::Rows, {{"Item 9", "Silencer?", "0"}}}}},
        {{3},
         {{Form::Rows,
           {{"Combine2 0", "value 2", "40000"}, {"AmmoName 4", "first text", "AP"}, {"Sound 22", "name", "a"}}},
          {Form::Cells,
           {{"AmmoName 4", "second text", "AP"}, {"Sound 22", "name", "b"}, {"Item 8", "Long Name", "X"}}}}},
        {{3}, {{Form::Whole, {price}}}},  // a cleaned mod
        {{0, 1, 2, 3, 4, 5, 6},
         {{Form::Whole, {damage60, {"Item 8", "Silencer?", "~"}, {"AmmoName 4", "first text", ".50 AP"}}},
          {Form::Rows, {price, {"Item 10", "Short Name", "Bolt"}, {"Combine2 0", "value 2", "40000"}}},
          {Form::Cells,
           {{"Item 8", "Damage", "70"},
            {"Item 9", "Laser Scope?", "~"},
            {"Sound 22", "name", "c.wav"},
            {"Burst 3", "name", "bx"},
            {"Item 13", "Description", ""}}}}},
    };
    for (const Case& c : cases) {
        for (int e : c.editions) {
            SCOPED_TRACE("case " + std::to_string(&c - cases) + ", edition " + std::to_string(e));
            TempDir dir;
            const auto executable = writeGame(dir, e);
            ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "master.txt", "make"}).status, 0);
            const Lines master = linesOf(readText(dir / "master.txt"));
            // An empty cell of an Item row (lines 1 to 351) keeps the game's text: an empty text is quoted.
            const auto cell = [](std::size_t line, std::string_view label, const std::string& v) {
                return v.empty() && line <= kItemCount && isText(label) ? "\"\"" : v;
            };
            // Each field set, by line and field: its label and each mod's name and value.
            std::map<std::pair<std::size_t, std::size_t>, std::vector<std::array<std::string, 3>>> sets;
            std::vector<std::string> args = {"game.exe", "merged.txt", "Merge"};
            std::string readings;
            for (const Mod& mod : c.mods) {
                args.push_back(mod.name.empty() ? "mod" + std::to_string(args.size() - 3) + ".txt" : mod.name);
                Lines edited = master;
                std::map<std::size_t, std::set<std::size_t>> cells;
                for (const Edit& edit : mod.edits) {
                    const std::string_view f = edit.field;
                    std::size_t li = 1, fi = f == "second text" ? 2 : 1;
                    while (li < master.size() && master[li][0] != edit.line) ++li;
                    ASSERT_LT(li, master.size());
                    if (li <= kItemCount)
                        fi = static_cast<std::size_t>(std::find(master[0].begin(), master[0].end(), f) -
                                                      master[0].begin());
                    if (f.starts_with("value ")) fi = std::stoul(std::string(f.substr(6)));
                    const std::string& now = master[li].at(fi);
                    const std::string value =
                        f.ends_with('?') && *edit.value == '~' ? (now == "1" ? "0" : "1") : edit.value;
                    ASSERT_NE(value, now);
                    sets[{li, fi}].push_back({edit.field, args.back(), value});
                    if (!edit.written) continue;
                    edited[li][fi] = cell(li, f, value);
                    cells[li].insert(fi);
                }
                Lines file = mod.form == Form::Whole ? edited : Lines{master[0]};
                for (const auto& [li, fields] : cells) {
                    if (mod.form == Form::Whole) break;
                    file.push_back(edited[li]);
                    if (mod.form == Form::Rows || li > kItemCount) continue;
                    for (std::size_t fi = 1; fi < file.back().size(); ++fi) {
                        if (!fields.contains(fi)) file.back()[fi].clear();
                    }
                    file.back().resize(*fields.rbegin() + 1);  // its trailing tabs dropped
                }
                writeText(dir / args.back(), textOf(file));
                readings += "\nReading " + args.back() + "...";
            }

            // The merged file, MAKE's file after its PATCH, and the conflict lines.
            Lines merged = {master[0]};
            Lines after = master;
            std::string conflicts;
            int conflictCount = 0;
            for (const auto& [at, settings] : sets) {
                const auto [li, fi] = at;
                const std::string& label = settings[0][0];
                const std::string& winner = settings.back()[2];
                if (li > kItemCount || !isText(label)) after[li][fi] = winner;  // PATCH saves no item text
                if (merged.back()[0] != master[li][0]) {
                    merged.push_back(master[li]);
                    if (li <= kItemCount) std::fill(merged.back().begin() + 1, merged.back().end(), "");
                }
                merged.back()[fi] = cell(li, label, winner);
                const auto shown = [&](const std::string& v) { return isText(label) ? "\"" + v + "\"" : v; };
                std::string line = master[li][0] + "\t" + label + "\t" + shown(master[li][fi]);
                std::set<std::string> values;
                for (const auto& s : settings) {
                    line += "\t" + s[1] + ": " + shown(s[2]);
                    values.insert(s[2]);
                }
                if (values.size() < 2) continue;
                conflicts += line + "\n";
                ++conflictCount;
            }
            const auto r = runVantedit(dir.path(), args);
            EXPECT_EQ(r.status, 0);
            const auto counted = [](std::size_t n, const std::string& noun) {
                return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
            };
            EXPECT_EQ(r.output, head(e) + readings + "\n" + conflicts + "\n" + counted(sets.size(), "field") +
                                    " from " + counted(c.mods.size(), "file") + ", " +
                                    counted(static_cast<std::size_t>(conflictCount), "conflict") +
                                    " (the later file wins).\n\nDone!\n");
            EXPECT_EQ(readText(dir / "merged.txt"), textOf(merged));
            EXPECT_TRUE(testing::readBytes(dir / "game.exe") == executable);

            ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "merged.txt", "patch"}).status, 0);
            ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "after.txt", "make"}).status, 0);
            EXPECT_TRUE(linesOf(readText(dir / "after.txt")) == after);
            if (!c.documented) continue;
            const std::string command = "> vantedit game.exe merged.txt merge damage.txt price.txt\n";
            EXPECT_EQ(documentedExample("docs/manual.md"), command + r.output);
            EXPECT_TRUE(r.output.ends_with("\n" + documentedExample("README.md"))) << documentedExample("README.md");
            testing::writeBytes(dir / "game.exe", executable);
            for (std::size_t m = 3; m < args.size(); ++m) {
                EXPECT_EQ(runVantedit(dir.path(), {"game.exe", args[m], "patch"}).status, 0);
            }
            ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "after.txt", "make"}).status, 0);
            EXPECT_FALSE(linesOf(readText(dir / "after.txt")) == after);
        }
    }
}

// After a PATCH, mods are judged against the executable's first original, which they were made
// from; the merged file still keeps the PATCH's edits when it is PATCHed onto the executable.
TEST(MergeRun, AgainstTheFirstOriginalBesideAPatchedExecutable) {
    TempDir dir;
    writeGame(dir, 3);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "master.txt", "make"}).status, 0);
    const Lines master = linesOf(readText(dir / "master.txt"));
    const auto column = [&](const char* heading) {
        return static_cast<std::size_t>(std::find(master[0].begin(), master[0].end(), heading) - master[0].begin());
    };
    const auto lineOf = [&](const char* start) {
        return static_cast<std::size_t>(
            std::find_if(master.begin(), master.end(), [&](const auto& l) { return l[0] == start; }) - master.begin());
    };
    Lines patched = master, mod = master, expected = master;
    for (Lines* l : {&patched, &expected}) {
        (*l)[lineOf("Item 8")][column("Price")] = "500";
        (*l)[lineOf("Combine2 0")][2] = "40000";
    }
    for (Lines* l : {&mod, &expected}) (*l)[lineOf("Item 8")][column("Damage")] = "60";
    writeText(dir / "patched.txt", textOf(patched));
    writeText(dir / "mod.txt", textOf(mod));
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "patched.txt", "patch"}).status, 0);

    auto r = runVantedit(dir.path(), {"game.exe", "merged.txt", "merge", "mod.txt"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(
        r.output.starts_with(head(3) + "\nComparing with the original kept as game.exe.orig\nReading mod.txt..."))
        << r.output;
    EXPECT_NE(r.output.find("\n1 field"), std::string::npos) << r.output;
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "merged.txt", "patch"}).status, 0);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "after.txt", "make"}).status, 0);
    EXPECT_TRUE(linesOf(readText(dir / "after.txt")) == expected);

    // Without it, the mod sets back what the PATCH changed.
    std::filesystem::remove(dir / "game.exe.orig");
    r = runVantedit(dir.path(), {"game.exe", "merged.txt", "merge", "mod.txt"});
    EXPECT_EQ(r.output.find("Comparing"), std::string::npos);
    EXPECT_NE(r.output.find("\n2 fields"), std::string::npos) << r.output;
    // A mod that sets nothing gives a file that PATCH reads.
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "merged.txt", "merge", "after.txt"}).status, 0);
    EXPECT_EQ(runVantedit(dir.path(), {"game.exe", "merged.txt", "diff"}).status, 0);
    // A copy that is no original stops merge as it stops PATCH.
    writeText(dir / "game.exe.orig", "not the game");
    r = runVantedit(dir.path(), {"game.exe", "merged.txt", "merge", "mod.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, head(3) + "Error writing game.exe! (game.exe.orig is not an original of it: move it away)\n");
}

TEST(MergeRun, FailuresWriteNothing) {
    const int e = 3;
    TempDir dir;
    const auto executable = writeGame(dir, e);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "master.txt", "make"}).status, 0);
    const std::string good = "Item 8\t\t\t\t\t\t1";  // a file of one row, with no heading line
    writeText(dir / "good.txt", good);
    writeText(dir / "bad.txt", good + "\r\nBogus 1");
    const std::string itemDesc(kEditions[e].itemDescPath);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"merged.txt", "good.txt", "bad.txt"},
         "\nReading good.txt...\nReading bad.txt...Error while parsing! (line 2: Bogus)\n"},
        {{"merged.txt", "missing.txt"},
         "\nReading missing.txt...Unable to read missing.txt! (No such file or directory)\n"},
        {{"game.exe", "good.txt"}, "Unable to create game.exe! (it is the executable)\n"},
        {{itemDesc, "good.txt"}, "Unable to create " + itemDesc + "! (it is a description file)\n"},
        {{"./good.txt", "bad.txt", "good.txt"}, "Unable to create ./good.txt! (it is one of the mods)\n"},
    };
    const auto before = testing::listing(dir.path());
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(message);
        std::vector<std::string> full = {"game.exe", args[0], "merge"};
        full.insert(full.end(), args.begin() + 1, args.end());
        const auto r = runVantedit(dir.path(), full);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, head(e) + message);
        EXPECT_EQ(testing::listing(dir.path()), before);
        EXPECT_TRUE(testing::readBytes(dir / "game.exe") == executable && readText(dir / "good.txt") == good);
    }
    const auto r = runVantedit(dir.path(), {"game.exe", "merged.txt", "merge"});  // no mod
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, kBanner + kUsage);
}

// Merged into standard output, the stats text is alone there: every message goes to standard
// error, the warnings of the mods' readings among them.
TEST(MergeRun, IntoStandardOutputPipesIntoDiff) {
    const int e = 3;
    TempDir dir;
    writeGame(dir, e);
    writeText(dir / "a.txt", "Item 8\t\t\t\t\t\t1");
    writeText(dir / "b.txt", "Item 999\tx\r\nItem -3\ty");
    const std::string binary = testing::shellQuote(VANTEDIT_BINARY);
    const auto r = testing::runCommand(
        dir.path(), "(" + binary + " game.exe - merge a.txt b.txt 2>err.txt | " + binary + " game.exe - diff)");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("\nItem 8\tClass1\t"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("\n1 value would change, 0 not saved; nothing written.\n"), std::string::npos);
    EXPECT_EQ(readText(dir / "err.txt"),
              head(e) +
                  "\nReading a.txt...\nReading b.txt...\nWARNING:  line 1: Item 999: no such item, "
                  "row skipped\nWARNING:  line 2: Item -3: no such item, row skipped\n\n1 field "
                  "from 2 files, 0 conflicts (the later file wins).\n\nDone!\n");
}

// Only one copy of the game at a time: a hundred mods take the memory of one.
TEST(MergeRun, AHundredSmallModsInBoundedTimeAndMemory) {
    TempDir dir;
    writeGame(dir, 6);
    std::vector<std::string> args = {"game.exe", "merged.txt", "merge"};
    for (int m = 0; m < 100; ++m) {  // the Price of item 100 + m, cell 39 of its row, in a file of that row alone
        args.push_back("mod" + std::to_string(m) + ".txt");
        writeText(dir / args.back(),
                  "Item " + std::to_string(100 + m) + std::string(39, '\t') + std::to_string(7000 + m));
    }
    // The address sanitizer's quarantine would keep every copy freed: a small one measures the program.
    std::string line = "ASAN_OPTIONS=\"$ASAN_OPTIONS:quarantine_size_mb=8\" " + testing::shellQuote(VANTEDIT_BINARY);
    for (const std::string& a : args) line += " " + testing::shellQuote(a);
    const auto start = std::chrono::steady_clock::now();
    const auto r = testing::runCommand(dir.path(), line);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 60.0);
    EXPECT_TRUE(r.output.ends_with("\n\n100 fields from 100 files, 0 conflicts (the later file wins).\n\nDone!\n"));
    const Lines merged = linesOf(readText(dir / "merged.txt"));
    EXPECT_EQ(merged.size(), 101u);
    EXPECT_EQ(merged[0][39] + merged[1][39], "Price7000");
    rusage usage{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 64 * 1024);  // kilobytes: a copy of the game is 4 MB
}

}  // namespace
}  // namespace vantedit
