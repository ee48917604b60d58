// The stats file as MAKE writes it, on hand-built images whose every byte the test controls.
#include <gtest/gtest.h>

#include <algorithm>

#include "dump/stats_writer.h"
#include "model/attachments.h"
#include "model/list_tables.h"
#include "model/sections.h"
#include "model/table_span.h"
#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit {
namespace {

using testing::split;

const std::string kHeadingLine =
    "Offset\tShort Name\tLong Name\tDescription\tHalvek's Name\tHalvek's Description"
    "\tClass1\tClass2\tAmmo Type\tDraw Cost\tFire Rate\tBurst Size\tBurst Pen\tVelocity\tDamage\tPrestige"
    "\tUnknown\tClip Size\tRange\tUnknown\tUnknown\tLoudness\tUnknown\tFire Sound\tBurst Sound (Unused)"
    "\tReload Sound 1\tReload Sound 2"
    "\tAttack Type\tUsage\tUnknown\tUnknown\tSpecial Offset\tCursor Type\tUnknown\tGraphic1\tGraphic2\tWeight"
    "\tSize\tUnknown\tPrice\tProgress\tDurability\tRepair\tUnknown\tHands\tAvailability"
    "\tClip Type\tClip Size\tClip Kind\tArmour Type\tArmour Strength\tArmour Durabilty"
    "\tExp Type\tExp Damage\tExp Breath\tExp Radius\tUnknown (Sound?)\tStability\tAnimation"
    "\tHalvek's Stock\tHV's Used Stock\tHV's Fire Rate"
    "\tSilencer?\tLaser Scope?\tSniper Scope?\tBipod?\tTalon?\tDuckbill?\tRod & Spring?\tBarrel Extender?";

TEST(StatsWriter, HeadingLineIsTheSameForEveryEdition) {
    for (int e = 0; e < kEditionCount; ++e) {
        const auto lines = split(statsText(zeroGame(e)), '\n');
        EXPECT_EQ(lines[0], kHeadingLine) << e;
        EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), '\t'), 69);
    }
}

// Which of the 70 fields of a row hold n/a, per edition and item.
std::string naPattern(const std::string& row) {
    std::string pattern;
    for (const std::string& f : split(row, '\t')) pattern += f == "n/a" ? 'x' : '.';
    return pattern;
}

TEST(StatsWriter, NotApplicablePatternAcrossEditions) {
    // Fields: 0 keyword, 1-5 texts, 6-26 Weapons, 27-45 All Items, 46-48 Ammo Clips, 49-51 Armour,
    // 52-58 Explosives, 59-60 Halvek's, 61 Halvek's 2, 62-69 attachments.
    const std::string weapon = std::string(6, '.') + std::string(21, '.') + std::string(19, '.') + "xxx" + "xxx" +
                               std::string(7, 'x') + ".." + "." + std::string(8, '.');
    const std::string beyond = std::string(6, '.') + std::string(21, 'x') + std::string(19, '.') + "xxx" + "xxx" +
                               std::string(7, 'x') + ".." + "x" + std::string(8, 'x');
    std::string clip = beyond;
    std::fill(clip.begin() + 46, clip.begin() + 49, '.');
    std::string armour = beyond;
    std::fill(armour.begin() + 49, armour.begin() + 52, '.');
    struct Case {
        int edition;
        int item;
        std::string pattern;
    };
    const std::vector<Case> cases = {
        {0, 0, weapon},  {0, 69, weapon}, {0, 70, weapon},  {1, 69, weapon},  {1, 70, beyond},
        {4, 70, beyond}, {5, 70, weapon}, {6, 71, clip},    {2, 118, clip},   {2, 119, beyond},
        {0, 120, clip},  {4, 129, clip},  {3, 198, armour}, {0, 199, beyond}, {6, 350, beyond},
    };
    for (const Case& c : cases) {
        Game g = zeroGame(c.edition);
        std::string p = c.pattern;
        if (!g.descriptions.hasShop) p[4] = p[5] = 'x';
        EXPECT_EQ(naPattern(itemLine(statsText(g), c.item)), p) << "edition " << c.edition << " item " << c.item;
    }
}

TEST(StatsWriter, ValuesPrintByColumnKind) {
    Game g = zeroGame(1);
    MutableByteView image = g.mutableImage();
    auto at = [](Section section, int item, int n) {
        return static_cast<std::size_t>(valueOffset(sectionRecord(1, section), sectionColumn(section, n), item));
    };
    image.setU8(at(Section::AllItems, 7, 0), 0xFF);       // Attack Type, kind 1
    image.setU8(at(Section::AllItems, 7, 14), 0xFF);      // Durability, kind 255
    image.setU16(at(Section::AllItems, 7, 12), 0xFFFF);   // Price, kind 2
    image.setU16(at(Section::Halveks2, 7, 0), 0x8000);    // HV's Fire Rate, kind 254
    image.setU16(at(Section::Weapons, 7, 12), 300);       // Range
    const auto fields = split(itemLine(statsText(g), 7), '\t');
    EXPECT_EQ(fields[27], "255");
    EXPECT_EQ(fields[27 + 14], "-1");
    EXPECT_EQ(fields[27 + 12], "65535");
    EXPECT_EQ(fields[61], "-32768");
    EXPECT_EQ(fields[6 + 12], "300");
}

TEST(StatsWriter, TextsAndShopFields) {
    for (int e : {2, 6}) {
        Game g = zeroGame(e);
        auto put = [](std::vector<std::uint8_t>& buf, int item, const DescField& f, const std::string& t) {
            for (std::size_t k = 0; k < t.size(); ++k) {
                buf[descUnitOffset(item, f, static_cast<int>(k))] = textToStored(static_cast<std::uint8_t>(t[k]));
                buf[descUnitOffset(item, f, static_cast<int>(k)) + 1] = 0x5A;
            }
        };
        put(g.descriptions.item, 170, kDescFields[0], "Vest");
        put(g.descriptions.item, 170, kDescFields[1], "\"Hot\" Vest");
        put(g.descriptions.item, 170, kDescFields[2], "Light body armour.");
        if (g.descriptions.hasShop) put(g.descriptions.shop, 170, kDescFields[3], "\"");
        if (g.descriptions.hasShop) put(g.descriptions.shop, 170, kDescFields[4], "Stops fire.");
        const std::string row = itemLine(statsText(g), 170);
        // A text with a double quote is a quoted field, as a spreadsheet writes it.
        const std::string expectStart =
            g.descriptions.hasShop ? "Item 170\tVest\t\"\"\"Hot\"\" Vest\"\tLight body armour.\t\"\"\"\"\tStops fire.\t"
                                   : "Item 170\tVest\t\"\"\"Hot\"\" Vest\"\tLight body armour.\tn/a\tn/a\t";
        EXPECT_EQ(row.substr(0, expectStart.size()), expectStart) << e;
    }
}

TEST(StatsWriter, TextWithoutTerminatorStopsAtItsSlot) {
    Game g = zeroGame(0);
    std::fill(g.descriptions.item.begin() + 800 * 4, g.descriptions.item.begin() + 800 * 5, 'b');  // reads 'a'
    const auto fields = split(itemLine(statsText(g), 4), '\t');
    EXPECT_EQ(fields[1], std::string(80, 'a'));
    EXPECT_EQ(fields[2], std::string(80, 'a'));
    EXPECT_EQ(fields[3], std::string(240, 'a'));
    // The last record of the buffer, unterminated, stops at the buffer's end as well.
    std::fill(g.descriptions.item.end() - 800, g.descriptions.item.end(), 'b');
    EXPECT_EQ(split(itemLine(statsText(g), 350), '\t')[3], std::string(240, 'a'));

    const Edition& ed = kEditions[0];
    MutableByteView image = g.mutableImage();
    for (int j = 0; j < 20; ++j)
        image.setU8(static_cast<std::size_t>(ammoNameRecordOffset(ed.ammoNameSecondOffset, 2) + 2 * j), 'Q');
    image.setU8(static_cast<std::size_t>(ammoNameRecordOffset(ed.ammoNameSecondOffset, 3)), 'R');  // next record
    for (int j = 0; j < 255; ++j) image.setU8(static_cast<std::size_t>(nameRecordOffset(ed, kSoundNames, 5) + j), 's');
    for (int j = 0; j < 15; ++j) image.setU8(static_cast<std::size_t>(nameRecordOffset(ed, kBurstNames, 33) + j), 'z');
    const std::string text = statsText(g);
    EXPECT_NE(text.find("\nAmmoName 2\t\t" + std::string(20, 'Q') + "\n"), std::string::npos);
    EXPECT_NE(text.find("\nSound 5\t" + std::string(255, 's') + "\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\nBurst 33\t" + std::string(15, 'z')));
}

TEST(StatsWriter, ListLineCountsFollowTheEdition) {
    for (int e = 0; e < kEditionCount; ++e) {
        const std::string text = statsText(zeroGame(e));
        const auto lines = split(text, '\n');
        auto count = [&](const std::string& keyword) {
            return std::count_if(lines.begin(), lines.end(),
                                 [&](const std::string& l) { return l.starts_with(keyword + " "); });
        };
        const Edition& ed = kEditions[e];
        EXPECT_EQ(count("Item"), 351);
        EXPECT_EQ(count("Attach"), e == 0 || e >= 5 ? 29 : 28) << e;
        for (const NumericList& list : kNumericLists)
            EXPECT_EQ(count(std::string(list.keyword)), listRecordCount(ed, list));
        EXPECT_EQ(count("AmmoName"), ed.ammoNameCount);
        EXPECT_EQ(count("Sound"), 291);
        EXPECT_EQ(count("Burst"), 34);
        std::size_t listLines = 0;
        for (const NumericList& list : kNumericLists) listLines += static_cast<std::size_t>(listRecordCount(ed, list));
        EXPECT_EQ(lines.size(), 1 + 351 + listLines + static_cast<std::size_t>(ed.ammoNameCount) + 291 + 34);
        EXPECT_TRUE(lines.back().starts_with("Burst 33\t"));
        EXPECT_NE(text.back(), '\n');
    }
}

TEST(StatsWriter, ListValuesAreUnsignedInStorageOrder) {
    Game g = zeroGame(4);
    const Edition& ed = kEditions[4];
    MutableByteView image = g.mutableImage();
    image.setU16(static_cast<std::size_t>(ed.attachOffset + 12), 0xFFFF);
    image.setU16(static_cast<std::size_t>(ed.attachOffset + 14), 12);
    image.setU16(static_cast<std::size_t>(ed.combine2Offset), 131);
    image.setU16(static_cast<std::size_t>(ed.combine2Offset + 6), 140);
    image.setU16(static_cast<std::size_t>(ed.listEnd - 2), 7);
    const std::string text = statsText(g);
    EXPECT_NE(text.find("\nAttach 3\t65535\t12\n"), std::string::npos);
    EXPECT_NE(text.find("\nCombine2 0\t131\t0\t0\t140\n"), std::string::npos);
    EXPECT_NE(text.find("\nConvertAmmo 7\t0\t7\nAmmoName 0\t"), std::string::npos);
}

TEST(StatsWriter, AmmoNamesUseTheRecordBeforeTheStoredOffset) {
    for (int e : {0, 1, 5}) {
        Game g = zeroGame(e);
        const Edition& ed = kEditions[e];
        MutableByteView image = g.mutableImage();
        auto put = [&](std::int64_t at, const std::string& t) {
            for (std::size_t j = 0; j < t.size(); ++j) {
                image.setU8(static_cast<std::size_t>(at) + 2 * j, static_cast<std::uint8_t>(t[j]));
                image.setU8(static_cast<std::size_t>(at) + 2 * j + 1, 0xC3);  // high bytes are not text
            }
        };
        put(ed.ammoNameSecondOffset - 40, "9mm Ball");
        put(ed.ammoNameFirstOffset - 40, "9mm");
        put(ed.ammoNameFirstOffset, "Second first");
        put(ed.ammoNameSecondOffset + 40 * (ed.ammoNameCount - 2), "Flechette");
        put(ed.ammoNameSecondOffset + 40, "5.56 \"NATO\"");
        const std::string text = statsText(g);
        EXPECT_NE(text.find("\nAmmoName 2\t\t\"5.56 \"\"NATO\"\"\"\n"), std::string::npos) << e;
        EXPECT_NE(text.find("\nAmmoName 0\t9mm\t9mm Ball\n"), std::string::npos) << e;
        EXPECT_NE(text.find("\nAmmoName 1\tSecond first\t\n"), std::string::npos) << e;
        const std::string last = "\nAmmoName " + std::to_string(ed.ammoNameCount - 1) +
                                 (ed.ammoNameCount > ed.ammoNameFirstCount ? "\tn/a\tFlechette\n" : "\t\tFlechette\n");
        EXPECT_NE(text.find(last), std::string::npos) << e;
        if (ed.ammoNameCount == 20) {
            for (int i : {17, 18})
                EXPECT_NE(text.find("\nAmmoName " + std::to_string(i) + "\tn/a\t"), std::string::npos);
        }
    }
}

TEST(StatsWriter, AttachmentColumnsLookUpEachKind) {
    Game g = zeroGame(0);
    const Edition& ed = kEditions[0];
    MutableByteView image = g.mutableImage();
    const std::size_t table = static_cast<std::size_t>(ed.weaponAttachOffset);
    image.setU32(table, attachmentPair(70, 310));
    image.setU32(table + 4, attachmentPair(70, 207));
    image.setU32(table + 8, attachmentPair(70, 207));  // a duplicate answers yes once
    image.setU32(table + 12, attachmentPair(71, 207));  // beyond the Weapons section: never shown
    image.setU32(table + 16, attachmentPair(5, 999));   // not one of the eight kinds
    const std::string text = statsText(g);
    EXPECT_TRUE(itemLine(text, 70).ends_with("\t1\t0\t0\t0\t0\t0\t0\t1"));
    EXPECT_TRUE(itemLine(text, 71).ends_with("\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a"));
    EXPECT_TRUE(itemLine(text, 5).ends_with("\t0\t0\t0\t0\t0\t0\t0\t0"));
}

// MAKE loads only the edition's table span: the stats file must not depend on any byte outside
// it. The synthetic games fill every byte, so one read outside it shows.
TEST(StatsWriter, NothingOutsideTheTableSpanIsRead) {
    for (int e = 0; e < kEditionCount; ++e) {
        for (bool awkward : {false, true}) {
            SCOPED_TRACE(std::to_string(e) + (awkward ? " awkward" : ""));
            synth::SyntheticGame game = synth::makeSyntheticGame({e, 3, awkward});
            const std::string whole = statsText(synth::toGame(game));
            const ByteSpan span = tableSpan(kEditions[e]);
            std::fill(game.executable.begin(), game.executable.begin() + span.begin, std::uint8_t{0});
            std::fill(game.executable.begin() + span.end, game.executable.end(), std::uint8_t{0});
            EXPECT_TRUE(statsText(synth::toGame(game)) == whole);
        }
    }
}

TEST(StatsWriter, LineBreaksBecomeCrLfOnDisk) {
    EXPECT_EQ(withCrLf("a\nb\n\nc"), "a\r\nb\r\n\r\nc");
    EXPECT_EQ(withCrLf("\r"), "\r");
    EXPECT_EQ(withCrLf(""), "");
}

}  // namespace
}  // namespace vantedit
