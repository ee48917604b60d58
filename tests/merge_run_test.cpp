// Whole MERGE runs of the real program on synthetic games: mods of every form merged, their
// conflicts reported, the merged file checked cell by cell and patched onto the master (MAKE
// afterwards shows every field at its winning value); the failures, and a hundred mods.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <map>
#include <set>
#include <tuple>

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

// An Item row's field by its heading; another line's by "value <k>", "first text",
// "second text" or "name"; "~" as a value turns an attachment mark over.
struct Edit {
    const char* line;
    const char* field;
    const char* value;
    bool written = true;  // false: the field that shares the edited byte, set along with it
};
enum class Form {
    Whole,
    Rows,
    Cells
};  // MAKE's file; its heading and edited lines; Item rows of just the edited cells
struct Mod {
    Form form;
    std::vector<Edit> edits;
};
struct Case {
    const char* name;
    std::vector<int> editions;
    std::vector<Mod> mods;
    bool inTurnLosesAnEdit = false;  // PATCHing the mods one after another loses an edit
};

TEST(MergeRun, MergedFilePatchedOntoTheMasterGivesEveryFieldItsWinningValue) {
    const Edit damage60{"Item 8", "Damage", "60"}, price{"Item 8", "Price", "500"};
    const Case cases[] = {
        {"two whole files, one row", {3}, {{Form::Whole, {damage60}}, {Form::Whole, {price}}}, true},
        {"one field, two values", {3}, {{Form::Rows, {damage60}}, {Form::Cells, {{"Item 8", "Damage", "70"}}}}},
        {"one field, one value", {3}, {{Form::Cells, {damage60}}, {Form::Whole, {damage60}}}},
        {"a shared byte through its two fields",
         {3},
         {{Form::Cells, {{"Item 118", "Clip Type", "40"}, {"Item 161", "Armour Strength", "40", false}}},
          {Form::Whole, {{"Item 161", "Armour Strength", "50"}, {"Item 118", "Clip Type", "50", false}}}}},
        {"attachments set and cleared",
         {3},
         {{Form::Cells, {{"Item 8", "Silencer?", "1"}, {"Item 9", "Laser Scope?", "1"}}},
          {Form::Rows, {{"Item 9", "Silencer?", "0"}}}}},
        {"lists, names and texts",
         {3},
         {{Form::Rows,
           {{"Combine2 0", "value 2", "40000"}, {"AmmoName 4", "first text", ".50 AP"}, {"Sound 22", "name", "a.wav"}}},
          {Form::Cells,
           {{"AmmoName 4", "second text", "AP"}, {"Sound 22", "name", "b.wav"}, {"Item 8", "Long Name", "Mk 2"}}}}},
        {"one mod: a cleaned mod", {3}, {{Form::Whole, {price}}}},
        {"three mods",
         {0, 1, 2, 3, 4, 5, 6},
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
            SCOPED_TRACE(std::string(c.name) + ", edition " + std::to_string(e));
            TempDir dir;
            const auto executable = writeGame(dir, e);
            ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "master.txt", "make"}).status, 0);
            const Lines master = linesOf(readText(dir / "master.txt"));
            const auto lineOf = [&](const std::string& start) {
                std::size_t i = 0;
                while (i < master.size() && master[i][0] != start) ++i;
                return i;
            };
            const auto fieldOf = [&](const Edit& edit) -> std::size_t {
                const std::string_view f = edit.field;
                if (std::string_view(edit.line).starts_with("Item ")) {
                    return static_cast<std::size_t>(std::find(master[0].begin(), master[0].end(), f) -
                                                    master[0].begin());
                }
                return f.starts_with("value ") ? std::stoul(std::string(f.substr(6))) : f == "second text" ? 2 : 1;
            };
            const auto isItem = [&](std::size_t li) { return master[li][0].starts_with("Item "); };
            const auto isText = [&](std::size_t li, std::size_t fi) {
                const std::string& start = master[li][0];
                return isItem(li) ? fi >= 1 && fi <= 5
                                  : start.starts_with("AmmoName ") || start.starts_with("Sound ") ||
                                        start.starts_with("Burst ");
            };
            // An empty cell of an Item row keeps the game's text: an empty text is quoted.
            const auto cell = [&](std::size_t li, std::size_t fi, const std::string& v) {
                return v.empty() && isItem(li) && isText(li, fi) ? "\"\"" : v;
            };
            // What each mod sets, by line and field of the file, in the order of the mods.
            std::map<std::pair<std::size_t, std::size_t>, std::vector<std::pair<std::size_t, std::string>>> sets;
            std::vector<std::string> args = {"game.exe", "merged.txt", "Merge"};
            std::string readings;
            for (std::size_t m = 0; m < c.mods.size(); ++m) {
                Lines mod = master;
                std::map<std::size_t, std::set<std::size_t>> edited;
                for (const Edit& edit : c.mods[m].edits) {
                    const std::size_t li = lineOf(edit.line), fi = fieldOf(edit);
                    ASSERT_LT(li, master.size());
                    const std::string& now = master[li].at(fi);
                    const std::string value = edit.value != std::string("~") ? edit.value : now == "1" ? "0" : "1";
                    ASSERT_NE(value, now);
                    sets[{li, fi}].push_back({m, value});
                    if (!edit.written) continue;
                    mod[li][fi] = cell(li, fi, value);
                    edited[li].insert(fi);
                }
                Lines file = c.mods[m].form == Form::Whole ? mod : Lines{master[0]};
                for (const auto& [li, fields] : edited) {
                    if (c.mods[m].form == Form::Whole) break;
                    file.push_back(mod[li]);
                    if (c.mods[m].form != Form::Cells || !isItem(li)) continue;
                    for (std::size_t fi = 1; fi < mod[li].size(); ++fi) {
                        if (!fields.contains(fi)) file.back()[fi].clear();
                    }
                    file.back().resize(*fields.rbegin() + 1);  // its trailing tabs dropped
                }
                args.push_back("mod" + std::to_string(m) + ".txt");
                writeText(dir / args.back(), textOf(file));
                readings += "\nReading " + args.back() + "...";
            }

            Lines merged = {master[0]};
            Lines after = master;
            std::string conflicts;
            int conflictCount = 0;
            for (const auto& [at, settings] : sets) {
                const auto [li, fi] = at;
                if (!(isItem(li) && isText(li, fi)))
                    after[li][fi] = settings.back().second;  // PATCH saves no item text
                if (merged.back()[0] != master[li][0]) {
                    merged.push_back(master[li]);
                    if (isItem(li)) std::fill(merged.back().begin() + 1, merged.back().end(), "");
                }
                merged.back()[fi] = cell(li, fi, settings.back().second);
                std::set<std::string> values;
                for (const auto& s : settings) values.insert(s.second);
                if (values.size() < 2) continue;
                const auto shown = [&](const std::string& v) { return isText(li, fi) ? "\"" + v + "\"" : v; };
                std::string label = isItem(li)       ? master[0][fi]
                                    : isText(li, fi) ? "name"
                                                     : "value " + std::to_string(fi);
                if (master[li][0].starts_with("AmmoName ")) label = fi == 1 ? "first text" : "second text";
                conflicts += master[li][0] + "\t" + label + "\t" + shown(master[li][fi]);
                for (const auto& [m, v] : settings) conflicts += "\tmod" + std::to_string(m) + ".txt: " + shown(v);
                conflicts += "\n";
                ++conflictCount;
            }
            const auto r = runVantedit(dir.path(), args);
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.output, head(e) + readings + "\n" + conflicts + "\n" + std::to_string(sets.size()) +
                                    " fields from " + std::to_string(c.mods.size()) + " files, " +
                                    std::to_string(conflictCount) + " conflicts (the later file wins).\n\nDone!\n");
            EXPECT_EQ(readText(dir / "merged.txt"), textOf(merged));
            EXPECT_TRUE(testing::readBytes(dir / "game.exe") == executable);

            ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "merged.txt", "patch"}).status, 0);
            ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "after.txt", "make"}).status, 0);
            EXPECT_TRUE(linesOf(readText(dir / "after.txt")) == after);
            if (!c.inTurnLosesAnEdit) continue;
            testing::writeBytes(dir / "game.exe", executable);
            for (std::size_t m = 3; m < args.size(); ++m) {
                EXPECT_EQ(runVantedit(dir.path(), {"game.exe", args[m], "patch"}).status, 0);
            }
            ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "after.txt", "make"}).status, 0);
            EXPECT_FALSE(linesOf(readText(dir / "after.txt")) == after);
        }
    }
}

TEST(MergeRun, FailuresWriteNothing) {
    const int e = 3;
    TempDir dir;
    const auto executable = writeGame(dir, e);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "master.txt", "make"}).status, 0);
    const std::string heading = readText(dir / "master.txt").substr(0, readText(dir / "master.txt").find('\n') + 1);
    writeText(dir / "good.txt", heading + "Item 8\t\t\t\t\t\t1");
    writeText(dir / "bad.txt", heading + "Bogus 1");
    const std::string itemDesc(kEditions[e].itemDescPath);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"merged.txt", "good.txt", "bad.txt"},
         "\nReading good.txt...\nReading bad.txt...Error while parsing! (Bogus)\n"},
        {{"merged.txt", "missing.txt"}, "\nReading missing.txt...Unable to read missing.txt!\n"},
        {{"game.exe", "good.txt"}, "Unable to create game.exe!\n"},
        {{itemDesc, "good.txt"}, "Unable to create " + itemDesc + "!\n"},
        {{"./good.txt", "bad.txt", "good.txt"}, "Unable to create ./good.txt!\n"},
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
        EXPECT_TRUE(testing::readBytes(dir / "game.exe") == executable);
        EXPECT_EQ(readText(dir / "good.txt"), heading + "Item 8\t\t\t\t\t\t1");
    }
    const auto r = runVantedit(dir.path(), {"game.exe", "merged.txt", "merge"});  // no mod
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.output.starts_with("\nVantrel Weapon Editor V2.4 RU\n\n\nUsage: ")) << r.output;
    EXPECT_TRUE(r.output.ends_with("use the MERGE option and name them after it.\n")) << r.output;
}

// The text between a document's merge-example markers, inside its code fence.
std::string documentedExample(const std::string& document) {
    const std::string text = readText(std::filesystem::path(VANTEDIT_SOURCE_DIR) / document);
    const std::string open = "<!-- merge-example -->\n```\n";
    const std::size_t from = text.find(open);
    const std::size_t to = text.find("```\n<!-- /merge-example -->");
    if (from == std::string::npos || to == std::string::npos || to < from) return "no example in " + document;
    return text.substr(from + open.size(), to - from - open.size());
}

TEST(MergeRun, TheDocumentedExampleIsWhatTheProgramPrints) {
    TempDir dir;
    writeGame(dir, 3);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "master.txt", "make"}).status, 0);
    const Lines master = linesOf(readText(dir / "master.txt"));
    for (const auto& [file, field, value] : {std::tuple{"damage.txt", 14, "60"}, std::tuple{"price.txt", 39, "500"}}) {
        Lines mod = master;
        mod[9][static_cast<std::size_t>(field)] = value;  // Item 8
        writeText(dir / file, textOf(mod));
    }
    ASSERT_EQ(master[0][14] + master[0][39] + master[9][0], "DamagePriceItem 8");
    const auto r = runVantedit(dir.path(), {"game.exe", "merged.txt", "merge", "damage.txt", "price.txt"});
    EXPECT_EQ(documentedExample("docs/manual.md"),
              "> vantedit game.exe merged.txt merge damage.txt price.txt\n" + r.output);
    EXPECT_TRUE(r.output.ends_with("\n" + documentedExample("README.md"))) << documentedExample("README.md");
}

// Only one copy of the game at a time: a hundred mods take the memory of one.
TEST(MergeRun, AHundredSmallModsInBoundedTimeAndMemory) {
    TempDir dir;
    writeGame(dir, 6);
    ASSERT_EQ(runVantedit(dir.path(), {"game.exe", "master.txt", "make"}).status, 0);
    const std::string master = readText(dir / "master.txt");
    std::vector<std::string> args = {"game.exe", "merged.txt", "merge"};
    for (int m = 0; m < 100; ++m) {
        args.push_back("mod" + std::to_string(m) + ".txt");
        // Price of item 100 + m, in a file of that row alone: no two mods set one field.
        writeText(dir / args.back(), "Item " + std::to_string(100 + m) + "\t\t\t\t\t\t" + std::string(33, '\t') +
                                         std::to_string(7000 + m));
    }
    ASSERT_EQ(linesOf(master)[0][39], "Price");
    const auto start = std::chrono::steady_clock::now();
    const auto r = runVantedit(dir.path(), args);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.output.ends_with("\n\n100 fields from 100 files, 0 conflicts (the later file wins).\n\nDone!\n"));
    EXPECT_EQ(linesOf(readText(dir / "merged.txt")).size(), 101u);
    EXPECT_LT(seconds, 60.0);
    rusage usage{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 64 * 1024);  // kilobytes: a copy of the game is 4 MB
}

}  // namespace
}  // namespace vantedit
