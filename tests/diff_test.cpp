// The comparison behind DIFF, on games of zeros: the fields a change of bytes shows as, the
// notes, the counts and the attachment table's lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/messages.h"
#include "compare/diff.h"
#include "model/attachments.h"
#include "model/list_tables.h"
#include "model/memory.h"
#include "model/sections.h"
#include "test_support.h"

namespace vantedit {
namespace {

std::size_t columnIndex(Section s, int n) { return static_cast<std::size_t>(&sectionColumn(s, n) - kColumns.data()); }

// The numbers a reading would have noted.
TypedNumbers typedNumbers(const Game& game, std::initializer_list<std::pair<FieldRef, std::int64_t>> given) {
    TypedNumbers numbers;
    std::size_t asked = 0;
    EXPECT_TRUE(numbers.reserveFor(noFaults(), game.edition(), asked));
    for (const auto& [field, number] : given) numbers.note(field, number);
    return numbers;
}

FieldRef statField(std::int32_t item, Section s, int n) { return itemField(item, statCellIndex(columnIndex(s, n))); }

std::string linesOf(const GameDiff& d) {
    std::ostringstream out;
    printDiffLines(out, d, CodePage::Windows1252);
    return out.str();
}

void setCell(Game& game, Section s, int n, std::int32_t item, std::int32_t value) {
    storeColumnValue(game.mutableImage(), sectionRecord(game.edition(), s), sectionColumn(s, n), item, value);
}

// Armour Strength of item 161 and Armour Durabilty of item 198, the first and the last armour,
// set to 1: where sections share bytes, the change shows once, at the field that comes first.
struct SharedCase {
    int edition;
    std::string lines;
};

TEST(Diff, SharedBytesShowOnceWithTheOtherField) {
    const std::string plain = "Item 161\tArmour Strength\t0\t1\nItem 198\tArmour Durabilty\t0\t1\n";
    const std::string deluxe =
        "Item 118\tClip Type\t0\t1\tshared with Item 161 Armour Strength\n"
        "Item 131\tExp Type\t0\t1\tshared with Item 198 Armour Durabilty\n";
    const SharedCase cases[] = {
        {0, plain},
        {1, deluxe},
        {2, deluxe},
        {3, deluxe},
        {4, "Item 131\tExp Damage\t0\t1\tshared with Item 198 Armour Durabilty\nItem 161\tArmour Strength\t0\t1\n"},
        {5, plain},
        {6, plain},
    };
    for (const SharedCase& c : cases) {
        SCOPED_TRACE(c.edition);
        const Game before = zeroGame(c.edition);
        Game after = before;
        setCell(after, Section::Armour, 1, 161, 1);
        setCell(after, Section::Armour, 2, 198, 1);
        const GameDiff d = diffGames(before, after, TypedNumbers{});
        EXPECT_EQ(linesOf(d), c.lines);
        EXPECT_EQ(d.changedValues, 2);
        EXPECT_EQ(d.notSaved, 0);
    }
}

TEST(Diff, TypedNotesAndTheirBoundaries) {
    Game before = zeroGame(5);
    Game after = before;
    struct Typed {
        Section section;
        int column;
        std::int32_t typed;
        const char* line;  // "" when the number fits and the value shows as typed
    };
    const Typed cases[] = {
        {Section::AllItems, 9, 255, "Item 1\tWeight\t0\t255\n"},
        {Section::AllItems, 9, 2550, "Item 1\tWeight\t0\t246\ttyped 2550\n"},
        {Section::AllItems, 14, -128, "Item 1\tDurability\t0\t-128\n"},
        {Section::AllItems, 14, 128, "Item 1\tDurability\t0\t-128\ttyped 128\n"},
        {Section::AllItems, 12, 65535, "Item 1\tPrice\t0\t65535\n"},
        {Section::AllItems, 12, -1, "Item 1\tPrice\t0\t65535\ttyped -1\n"},
        {Section::Halveks2, 0, 32767, "Item 1\tHV's Fire Rate\t0\t32767\n"},
        {Section::Halveks2, 0, -32769, "Item 1\tHV's Fire Rate\t0\t32767\ttyped -32769\n"},
    };
    for (const Typed& c : cases) {
        SCOPED_TRACE(c.line);
        Game changed = before;
        setCell(changed, c.section, c.column, 1, c.typed);
        const TypedNumbers numbers = typedNumbers(before, {{statField(1, c.section, c.column), c.typed}});
        EXPECT_EQ(linesOf(diffGames(before, changed, numbers)), c.line);
    }
    // List values are 16 bits without sign.
    const NumericList& combine2 = kNumericLists[3];
    storeListValue(after.mutableImage(), after.edition(), combine2, 4, 1, 70000);
    storeListValue(after.mutableImage(), after.edition(), combine2, 4, 3, 65535);
    const TypedNumbers numbers = typedNumbers(before, {{{4, 1, 4}, 70000}, {{4, 3, 4}, 65535}});  // Combine2 4
    const GameDiff d = diffGames(before, after, numbers);
    EXPECT_EQ(linesOf(d), "Combine2 4\tvalue 2\t0\t4464\ttyped 70000\nCombine2 4\tvalue 4\t0\t65535\n");
    EXPECT_EQ(d.changedValues, 2);
}

TEST(Diff, MostValuesDifferMeansMoreThanHalfOfTheCellsOfWholeRows) {
    const Game before = zeroGame(2);
    Game after = before;
    std::vector<std::size_t> shown;  // the stat columns item 20 has
    for (std::size_t ci = 0; ci < kColumns.size(); ++ci) {
        if (fieldShown(before, itemField(20, statCellIndex(ci)))) shown.push_back(ci);
    }
    TypedNumbers numbers = typedNumbers(before, {});
    for (std::size_t ci : shown) numbers.note(itemField(20, statCellIndex(ci)), 0);
    for (std::size_t i = 0; i <= shown.size() / 2; ++i) {
        EXPECT_FALSE(diffGames(before, after, numbers).mostValuesDiffer) << i;  // at most half
        const Column& c = kColumns[shown[i]];
        storeColumnValue(after.mutableImage(), sectionRecord(2, c.section), c, 20, 7);
    }
    EXPECT_TRUE(diffGames(before, after, numbers).mostValuesDiffer);
    // Changes the file did not give count for nothing, nor a row of just its changed cells.
    numbers = typedNumbers(before, {});
    for (int n = 0; n < 3; ++n) numbers.note(statField(20, Section::Weapons, n), 7);
    EXPECT_FALSE(diffGames(before, after, numbers).mostValuesDiffer);
}

TEST(Diff, TextsInQuotesDescriptionsNotSaved) {
    Game before = zeroGame(1);
    Game after = before;
    storeDescriptionText(after.descriptions.mutableView(DescFile::Item), 7, kDescFields[1], "Long \"Gun\"");
    storeDescriptionText(after.descriptions.mutableView(DescFile::Shop), 7, kDescFields[4], "Cheap");
    storeAmmoNameText(after.mutableImage(), after.edition(), AmmoNameText::Second, 16, "9mm");
    storeName(after.mutableImage(), after.edition(), kBurstNames, 33, "b");
    const GameDiff d = diffGames(before, after, TypedNumbers{});
    EXPECT_EQ(linesOf(d),
              "Item 7\tLong Name\t\"\"\t\"Long \"\"Gun\"\"\"\tnot saved\n"
              "Item 7\tHalvek's Description\t\"\"\t\"Cheap\"\tnot saved\n"
              "AmmoName 16\tsecond text\t\"\"\t\"9mm\"\n"
              "Burst 33\tname\t\"\"\t\"b\"\n");
    EXPECT_EQ(d.changedValues, 2);
    EXPECT_EQ(d.notSaved, 2);
}

void setTable(Game& game, const std::vector<std::uint32_t>& pairs) {
    for (std::int32_t r = 0; r < weaponAttachCapacity(game.edition()); ++r) {
        const std::uint32_t pair = pairs.empty() ? 0 : pairs[std::min<std::size_t>(r, pairs.size() - 1)];
        storeWeaponAttachRecord(game.mutableImage(), game.edition(), r, pair);
    }
}

struct TableCase {
    const char* name;
    std::vector<std::uint32_t> before, after;  // the rest of the table: copies of the last pair
    std::string lines;
};

TEST(Diff, AttachmentTableAsDistinctPairs) {
    const std::uint32_t a = attachmentPair(3, 207), b = attachmentPair(4, 241), c = attachmentPair(5, 310);
    const std::uint32_t foreign = attachmentPair(30, 300);
    const TableCase cases[] = {
        {"same pairs, more copies", {a, b}, {a, b, b, b}, ""},
        {"a filler of zeros is no pair", {}, {a}, "Attachments\tSilencer\t3\tadded\n"},
        {"swap", {a, b, c}, {b, a, c}, "Attachments\torder\t2 pairs move\n"},
        {"moves among the pairs that stay",
         {foreign, a, b},
         {c, a, b},
         "Attachments\tBarrel Extender\t5\tadded\nAttachments\tItem 300\t30\tremoved\n"},
        {"added, removed and moved",
         {a, foreign, b, c},
         {c, b},
         "Attachments\tSilencer\t3\tremoved\nAttachments\tItem 300\t30\tremoved\nAttachments\torder\t2 pairs move\n"},
        {"emptied", {a, b}, {}, "Attachments\tSilencer\t3\tremoved\nAttachments\tLaser Scope\t4\tremoved\n"},
    };
    for (const TableCase& t : cases) {
        SCOPED_TRACE(t.name);
        Game before = zeroGame(0);
        setTable(before, t.before);
        Game after = before;
        setTable(after, t.after);
        const GameDiff d = diffGames(before, after, TypedNumbers{});
        EXPECT_EQ(linesOf(d), t.lines);
        EXPECT_EQ(d.changedValues, 0);  // the table's lines are not values
    }
}

}  // namespace
}  // namespace vantedit
