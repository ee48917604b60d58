// Item rows read on a hand-made game: values to their bytes, texts through the transform into
// the description buffers, the older layouts' extra fields, the attachment columns.
#include <gtest/gtest.h>

#include <sstream>

#include "app/messages.h"
#include "model/attachments.h"
#include "model/descriptions.h"
#include "patch/stats_reader.h"
#include "test_support.h"

namespace vantedit {
namespace {

struct ItemCase {
    const char* heading;
    int nth;
    std::string value;
    Section section;
    int slot;
    std::vector<std::uint8_t> bytes;
    std::string shown;  // what MAKE shows for a number that does not fit; empty when it fits
};

// Each column kind at both edges of what MAKE shows and one beyond: the low bits are stored,
// and a number beyond is told with what MAKE will show for it.
TEST(ItemRow, ValuesLandAtTheirBytesWrappedToTheirWidth) {
    const ItemCase cases[] = {
        {"Damage", 0, "300", Section::Weapons, 8, {44}, "44"},
        {"Velocity", 0, "  7", Section::Weapons, 7, {7}, ""},  // blanks before the number
        {"Velocity", 0, "\" 7\" ", Section::Weapons, 7, {7}, ""},  // in double quotes
        {"Class1", 0, "-1", Section::Weapons, 0, {0xFF}, "255"},
        {"Class1", 0, "0", Section::Weapons, 0, {0}, ""},
        {"Class1", 0, "255", Section::Weapons, 0, {0xFF}, ""},
        {"Class1", 0, "256", Section::Weapons, 0, {0}, "0"},
        {"Range", 0, "65541", Section::Weapons, 12, {5, 0}, "5"},
        {"Range", 0, "65536", Section::Weapons, 12, {0, 0}, "0"},
        {"Fire Sound", 0, "-2", Section::Weapons, 17, {0xFE, 0xFF}, "65534"},
        {"Reload Sound 2", 0, "4660", Section::Weapons, 20, {0x34, 0x12}, ""},
        {"Price", 0, "65535", Section::AllItems, 12, {0xFF, 0xFF}, ""},
        {"Price", 0, "0", Section::AllItems, 12, {0, 0}, ""},
        {"Durability", 0, "-128", Section::AllItems, 14, {0x80}, ""},
        {"Durability", 0, "127", Section::AllItems, 14, {0x7F}, ""},
        {"Durability", 0, "-129", Section::AllItems, 14, {0x7F}, "127"},
        {"Repair", 0, "128", Section::AllItems, 15, {0x80}, "-128"},
        {"Availability", 0, "256", Section::AllItems, 18, {0}, "0"},
        {"Halvek's Stock", 0, "255", Section::Halveks, 0, {0xFF}, ""},
        {"HV's Used Stock", 0, "7", Section::Halveks, 1, {7}, ""},
        {"HV's Fire Rate", 0, "-1", Section::Halveks2, 0, {0xFF, 0xFF}, ""},
        {"HV's Fire Rate", 0, "-32768", Section::Halveks2, 0, {0x00, 0x80}, ""},
        {"HV's Fire Rate", 0, "32767", Section::Halveks2, 0, {0xFF, 0x7F}, ""},
        {"HV's Fire Rate", 0, "32768", Section::Halveks2, 0, {0x00, 0x80}, "-32768"},
        {"HV's Fire Rate", 0, "-32769", Section::Halveks2, 0, {0xFF, 0x7F}, "32767"},
        {"Unknown", 0, "513", Section::Weapons, 10, {1}, "1"},
        {"Unknown", 0, "4294967295", Section::Weapons, 10, {0xFF}, "255"},
        {"Unknown", 0, "-2147483648", Section::Weapons, 10, {0}, "0"},
    };
    for (int e : {0, 3}) {
        for (const ItemCase& c : cases) {
            SCOPED_TRACE(std::string(c.heading) + " " + c.value + " edition " + std::to_string(e));
            Game g = zeroGame(e);
            const std::string text = withField(statsText(g), "Item 5", fieldOf(c.heading, c.nth), c.value);
            std::vector<std::uint8_t> expected = imageOf(g);
            const SectionRecord& s = sectionRecord(e, c.section);
            const auto at = static_cast<std::size_t>(valueOffset(s, sectionColumn(c.section, c.slot), 5));
            for (std::size_t i = 0; i < c.bytes.size(); ++i) expected[at + i] = c.bytes[i];
            const Read r = readStats(g, text);
            EXPECT_EQ(r.result, ReadResult::EndOfFile);
            const std::string typed = c.value.find('"') == std::string::npos ? c.value : "7";
            EXPECT_EQ(r.output, c.shown.empty() ? ""
                                                : "\nWARNING:  line 7: Item 5, " + std::string(c.heading) + ": " +
                                                      typed + " does not fit (stored as " + c.shown + ")");
            EXPECT_EQ(imageOf(g), expected);
        }
    }
}

// Each told where it is read, up to twenty of a kind; the rest counted after the reading, in
// the memory had before it.
TEST(ItemRow, TwentyWarningsOfEachKindAreToldThenCounted) {
    Game g = zeroGame(2);
    const auto hold = [&](int item, int field, std::string_view text) {
        storeDescriptionText(g.descriptions.mutableView(kDescFields[field].file), item, kDescFields[field], text);
    };
    hold(30, 2, "\xE9\xE9");  // code-page text: the file is not UTF-8 as a whole
    for (int item = 0; item < 22; ++item) {
        hold(item, 0, "Ab");
        hold(item, 1, "7.62");
    }
    std::string text = statsText(g);
    for (int item = 0; item < 22; ++item) {
        const std::string row = "Item " + std::to_string(item);
        text = withField(text, row, fieldOf("Price"), item < 21 ? "70000" : "7");
        text = withField(text, row, 1, item < 21 ? "A?" : "Ab");
        text = withField(text, row, 2, "07.Jun");
        text = withField(text, row, 3, item < 21 ? "\xC3\xA9" : "");
    }
    for (int item = 351; item < 373; ++item) text += "\nItem " + std::to_string(item) + "\tx";
    Reading reading;
    AttachmentGroups groups;
    ASSERT_TRUE(reserveReading(noFaults(), g.edition(), reading, groups));
    const std::size_t notices = reading.notices.capacity();
    const std::size_t texts = reading.noticeTexts.capacity();
    readStatsText(text, g, groups, reading);
    EXPECT_EQ(reading.notices.capacity(), notices);
    EXPECT_EQ(reading.noticeTexts.capacity(), texts);
    std::ostringstream out;
    printReading(out, reading);
    std::string expected;
    for (int item = 0; item < 20; ++item) {
        const std::string place =
            "\nWARNING:  line " + std::to_string(item + 2) + ": Item " + std::to_string(item) + ", ";
        expected += place +
                    "Short Name: \"A?\" has question marks where the game has letters: not stored (a save in "
                    "a code page without them)" +
                    place + "Long Name: \"07.Jun\" looks like a date a spreadsheet made of \"7.62\": not stored" +
                    place + "Description: UTF-8 in a code-page file, read as UTF-8" + place +
                    "Price: 70000 does not fit (stored as 4464)";
    }
    const auto rows = std::count(text.begin(), text.end(), '\n') - 22 + 2;  // the line of Item 351
    for (int item = 351; item < 371; ++item) {
        expected += "\nWARNING:  line " + std::to_string(rows + item - 351) + ": Item " + std::to_string(item) +
                    ": no such item, row skipped";
    }
    EXPECT_EQ(out.str(), expected +
                             "\nWARNING:  1 more value does not fit.\nWARNING:  2 more rows name no item."
                             "\nWARNING:  1 more text was read as UTF-8."
                             "\nWARNING:  1 more text has question marks where the game has letters: not stored."
                             "\nWARNING:  2 more texts look like dates a spreadsheet made: not stored.");
    EXPECT_EQ(readField(g, itemField(20, 0)).text, "Ab");
    EXPECT_EQ(readField(g, itemField(21, 1)).text, "7.62");
    EXPECT_EQ(readField(g, itemField(20, 2)).text, "\xE9");
}

TEST(ItemRow, ValuesOutsideTheItemsSectionsAreIgnored) {
    Game g = zeroGame(4);
    std::string text = statsText(g);
    // Item 5 holds no Ammo Clips, Armour or Explosives; item 70 of this edition no Weapons.
    for (const char* h : {"Clip Type", "Armour Durabilty", "Animation"})
        text = withField(text, "Item 5", fieldOf(h), "9");
    for (const char* h : {"Damage", "HV's Fire Rate", "Silencer?", "Bipod?"})
        text = withField(text, "Item 70", fieldOf(h), "1");
    const std::vector<std::uint8_t> before = imageOf(g);
    AttachmentGroups groups;
    const Read r = readStats(g, groups, text);
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(imageOf(g), before);
    for (const auto& group : groups.pairs) EXPECT_TRUE(group.empty());
}

TEST(ItemRow, TextsGoThroughTheTransformIntoTheFirstByteOfEachUnit) {
    Game g = zeroGame(1);
    std::fill(g.descriptions.item.begin(), g.descriptions.item.end(), 0xCC);
    std::fill(g.descriptions.shop.begin(), g.descriptions.shop.end(), 0xCC);
    std::string text = statsText(zeroGame(1));
    text = withField(text, "Item 7", 1, "Az ~");
    text = withField(text, "Item 7", 2, "\"Say \"\"hi\"\"\"");           // quoted, doubled quotes
    text = withField(text, "Item 7", 4, "");                             // empty: kept as it is
    text = withField(text, "Item 7", 5, "\"\"");                         // empty, quoted
    text = withField(text, "Item 7", 3, "line\nfeed \"odd\" \xFF!");    // line feed, lone quotes, 255
    ASSERT_EQ(readStats(g, text).output, "");
    const auto unitBytes = [&](const std::vector<std::uint8_t>& buffer, int field, int units) {
        std::string got;
        for (int k = 0; k < units; ++k) got += static_cast<char>(buffer[descUnitOffset(7, kDescFields[field], k)]);
        return got;
    };
    EXPECT_EQ(unitBytes(g.descriptions.item, 0, 5), std::string("B{ \x7F\0", 5));
    EXPECT_EQ(unitBytes(g.descriptions.item, 1, 9), std::string("Tbz #ij#\0", 9));
    EXPECT_EQ(unitBytes(g.descriptions.item, 2, 19), std::string("mjof\ngffe #pee# \0\"\0", 19));
    EXPECT_EQ(unitBytes(g.descriptions.shop, 3, 1), "\xCC");
    EXPECT_EQ(unitBytes(g.descriptions.shop, 4, 1), std::string("\0", 1));
    // The second byte of every unit and every unit after a terminator are kept.
    EXPECT_EQ(g.descriptions.item[descUnitOffset(7, kDescFields[0], 0) + 1], 0xCC);
    EXPECT_EQ(g.descriptions.item[descUnitOffset(7, kDescFields[0], 5)], 0xCC);
    EXPECT_EQ(g.descriptions.shop[descUnitOffset(7, kDescFields[3], 1)], 0xCC);
    // Other items untouched: MAKE wrote their texts empty, which stores a terminator only.
    EXPECT_EQ(g.descriptions.item[descUnitOffset(8, kDescFields[0], 1)], 0xCC);
}

TEST(ItemRow, TextsLongerThanTheirFieldAreCutWithTheTerminatorInside) {
    Game g = zeroGame(2);
    std::fill(g.descriptions.item.begin(), g.descriptions.item.end(), 0xCC);
    std::fill(g.descriptions.shop.begin(), g.descriptions.shop.end(), 0xCC);
    std::string text = statsText(zeroGame(2));
    for (int f = 0; f < 5; ++f) {
        text = withField(text, "Item 350", f + 1,
                         std::string(static_cast<std::size_t>(kDescFields[f].units + 30), 'a' + static_cast<char>(f)));
    }
    text = withField(text, "Item 350", fieldOf("Price"), "1234");
    ASSERT_EQ(readStats(g, text).output, "");
    for (int f = 0; f < 5; ++f) {
        SCOPED_TRACE(f);
        const DescField& field = kDescFields[f];
        const auto& buffer = field.file == DescFile::Item ? g.descriptions.item : g.descriptions.shop;
        for (int k = 0; k < field.units - 1; ++k) {
            ASSERT_EQ(buffer[descUnitOffset(350, field, k)], 'b' + f) << k;
        }
        EXPECT_EQ(buffer[descUnitOffset(350, field, field.units - 1)], 0);
    }
    // The rest of each text was consumed: the row stayed in step.
    EXPECT_EQ(g.image().u16(static_cast<std::size_t>(
                  valueOffset(sectionRecord(2, Section::AllItems), sectionColumn(Section::AllItems, 12), 350))),
              1234);
}

TEST(ItemRow, ATextFillingItsWholeFieldComesBackUnchanged) {
    Game g = zeroGame(2);
    const DescField& field = kDescFields[2];
    std::fill(g.descriptions.item.begin(), g.descriptions.item.end(), 'd');  // no terminator anywhere
    g.descriptions.item[descUnitOffset(10, field, 7)] = 'e';                     // item 10 holds another text
    const std::vector<std::uint8_t> before = g.descriptions.item;
    const std::string full = readDescriptionText(g.descriptions.view(DescFile::Item), 9, field);
    ASSERT_EQ(full.size(), static_cast<std::size_t>(field.units));
    std::string text = statsText(zeroGame(2));
    text = withField(text, "Item 9", 3, full);
    text = withField(text, "Item 10", 3, full);  // the same text where it is not what the field holds
    ASSERT_EQ(readStats(g, text).output, "");
    EXPECT_EQ(g.descriptions.item[descUnitOffset(9, field, field.units - 1)], before[descUnitOffset(9, field, 0)]);
    EXPECT_EQ(g.descriptions.item[descUnitOffset(10, field, field.units - 1)], 0);
}

TEST(ItemRow, ShopFieldsWithoutAShopFileAreReadAndDropped) {
    Game g = zeroGame(6);
    std::string text = statsText(g);
    text = withField(text, "Item 3", 1, "Knife");
    text = withField(text, "Item 3", 4, "\"Shop name\"");
    text = withField(text, "Item 3", 5, "Shop text");
    text = withField(text, "Item 3", fieldOf("Weight"), "77");
    ASSERT_EQ(readStats(g, text).output, "");
    EXPECT_EQ(readDescriptionText(g.descriptions.view(DescFile::Item), 3, kDescFields[0]), "Knife");
    EXPECT_TRUE(g.descriptions.shop.empty());
    EXPECT_EQ(g.image().u8(static_cast<std::size_t>(
                  valueOffset(sectionRecord(6, Section::AllItems), sectionColumn(Section::AllItems, 9), 3))),
              77);
}

TEST(ItemRow, ItemsWithoutARecordStoreNothingAndStayInStep) {
    for (int item : {351, 999, -3}) {
        SCOPED_TRACE(item);
        Game g = zeroGame(1);
        const Game before = g;
        std::string row = "Item " + std::to_string(item) + "\tfar\taway\tnone\tof\tthese";
        for (int i = 0; i < 64; ++i) row += "\t1";  // no section holds the item; -3 is no weapon either
        AttachmentGroups groups;
        const Read r = readStats(g, groups, headingLine(69) + row + "\nAttach 0\t4\t5");
        EXPECT_EQ(r.result, ReadResult::EndOfFile);
        EXPECT_EQ(r.output, "\nWARNING:  line 2: Item " + std::to_string(item) + ": no such item, row skipped");
        EXPECT_EQ(g.descriptions.item, before.descriptions.item);
        EXPECT_EQ(g.descriptions.shop, before.descriptions.shop);
        EXPECT_EQ(g.image().u32(static_cast<std::size_t>(kEditions[1].attachOffset)), 4u | (5u << 16));
        for (const auto& group : groups.pairs) EXPECT_TRUE(group.empty());
    }
}

TEST(ItemRow, OlderLayoutsCarryFourExtraWeaponsFields) {
    // Weapons values 1 to 17, then 18, 20, 22 and 24 in the sound columns, each of which the
    // older layouts follow with an extra field; All Items to Halvek's: 34 fields.
    std::string row = "Item 2\ts\tl\td\tn/a\tn/a";
    for (int i = 1; i <= 24; ++i) row += i <= 18 || i % 2 == 0 ? "\t" + std::to_string(i) : "";
    for (int i = 0; i < 34; ++i) row += "\t" + (i < 19 ? std::to_string(100 + i) : std::string(i < 32 ? "n/a" : "50"));
    row += "\t-1\t1\t0\t0\t1\t0\t0\t0\t2";  // HV's Fire Rate, the attachment columns
    for (int tabs : {73, 72}) {
        SCOPED_TRACE(tabs);
        Game g = zeroGame(0);
        const SectionRecord& w = sectionRecord(0, Section::Weapons);
        const auto fireRate = static_cast<std::size_t>(
            valueOffset(sectionRecord(0, Section::Halveks2), sectionColumn(Section::Halveks2, 0), 2));
        g.mutableImage().setU16(fireRate, 0x1234);
        AttachmentGroups groups;
        const Read r = readStats(g, groups, asOlderLayout(headingLine(69) + row, tabs));
        EXPECT_EQ(r.result, ReadResult::EndOfFile);
        const ByteView image = g.image();
        for (int k = 0; k < 17; ++k) {
            const Column& c = sectionColumn(Section::Weapons, k);
            EXPECT_EQ(readColumnValue(image, w, c, 2), k + 1) << c.heading;
        }
        EXPECT_EQ(readColumnValue(image, w, sectionColumn(Section::Weapons, 17), 2), 18);  // Fire Sound
        EXPECT_EQ(readColumnValue(image, w, sectionColumn(Section::Weapons, 18), 2), 20);
        EXPECT_EQ(readColumnValue(image, w, sectionColumn(Section::Weapons, 19), 2), 22);
        EXPECT_EQ(readColumnValue(image, w, sectionColumn(Section::Weapons, 20), 2), 24);
        EXPECT_EQ(readColumnValue(image, sectionRecord(0, Section::AllItems), sectionColumn(Section::AllItems, 18), 2),
                  118);
        EXPECT_EQ(readColumnValue(image, sectionRecord(0, Section::Halveks), sectionColumn(Section::Halveks, 1), 2),
                  50);
        EXPECT_EQ(image.u16(fireRate), tabs == 73 ? 0xFFFF : 0x1234);  // the 72-heading file has no such field
        EXPECT_EQ(groups.pairs[0][0], attachmentPair(2, 207));
        EXPECT_EQ(groups.pairs[3][0], attachmentPair(2, 209));
        EXPECT_EQ(groups.pairs[7][0], attachmentPair(2, 310));
        EXPECT_EQ(groups.pairs[1].size(), 0u);
    }
}

TEST(ItemRow, MissingNumbersNameTheColumn) {
    struct Case {
        int item;
        const char* heading;
        std::string value;
        std::string message;
    };
    const Case cases[] = {
        {5, "Damage", "n/a", "Error while parsing! (line 7: Item 5, Damage: \"n/a\" is not a whole number)\n"},
        {0, "Class1", "x", "Error while parsing! (line 2: Item 0, Class1: \"x\" is not a whole number)\n"},
        {200, "Price", "-", "Error while parsing! (line 202: Item 200, Price: \"-\" is not a whole number)\n"},
        {200, "Price", "\"70\" 000",
         "Error while parsing! (line 202: Item 200, Price: \"\"70\" 000\" is not a whole number)\n"},
        {200, "Price", "\x01\x7f",
         "Error while parsing! (line 202: Item 200, Price: \"\\x01\x7f\" is not a whole number)\n"},
        {70, "HV's Fire Rate", "n/a",
         "Error while parsing! (line 72: Item 70, HV's Fire Rate: \"n/a\" is not a whole number)\n"},
        {70, "Silencer?", "yes", "Error while parsing! (line 72: Item 70, Silencer?: \"yes\" is not a whole number)\n"},
        {1, "Barrel Extender?", "n/a",
         "Error while parsing! (line 3: Item 1, Barrel Extender?: \"n/a\" is not a whole number)\n"},
        {1, "Bipod?", std::string(100, '9'),
         "Error while parsing! (line 3: Item 1, Bipod?: \"" + std::string(64, '9') + "...\" is not a whole number)\n"},
        // An empty cell keeps what the game holds (""): the image stays as it is.
        {5, "Damage", "", ""},
        {5, "Class1", "", ""},
        {5, "Unknown", "  ", ""},
        {70, "Talon?", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Game g = zeroGame(0);
        const std::string text = withField(statsText(g), "Item " + std::to_string(c.item), fieldOf(c.heading), c.value);
        const auto before = imageOf(g);
        const Read r = readStats(g, text);
        EXPECT_EQ(r.result, c.message.empty() ? ReadResult::EndOfFile : ReadResult::Failed);
        if (c.message.empty()) {
            EXPECT_TRUE(imageOf(g) == before);
        }
        EXPECT_EQ(r.output, c.message);
    }
}

TEST(ItemRow, RowsEndingEarlyKeepTheCellsTheyDoNotReach) {
    Game g = zeroGame(0);
    const auto before = imageOf(g);
    Read r = readStats(g, headingLine(69) + "Item 9\ts\tl\td\tn/a\tn/a\t5\r\n");  // a row that ends early
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(r.output, "");
    std::vector<std::uint8_t> class1Only = before;
    class1Only[static_cast<std::size_t>(
        valueOffset(sectionRecord(0, Section::Weapons), sectionColumn(Section::Weapons, 0), 9))] = 5;
    EXPECT_TRUE(imageOf(g) == class1Only);

    // Cut after the Sniper Scope column: the Silencer and the Sniper Scope still count.
    const std::string row = itemLine(statsText(g), 9);
    ASSERT_TRUE(row.ends_with("\t0\t0\t0\t0\t0\t0\t0\t0"));
    AttachmentGroups groups;
    r = readStats(g, groups, headingLine(69) + row.substr(0, row.size() - 16) + "\t1\t0\t1 \r\n");
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(groups.pairs[0][0], attachmentPair(9, 207));
    EXPECT_EQ(groups.pairs[1].size(), 0u);
    EXPECT_EQ(groups.pairs[2][0], attachmentPair(9, 208));
}

TEST(ItemRow, AnyNonZeroAttachmentValueCountsInRowOrder) {
    Game g = zeroGame(1);
    std::string text = statsText(g);
    text = withField(text, "Item 3", fieldOf("Silencer?"), "2");
    text = withField(text, "Item 3", fieldOf("Bipod?"), "-1");
    text = withField(text, "Item 1", fieldOf("Bipod?"), "1");
    text = withField(text, "Item 69", fieldOf("Rod & Spring?"), "1");
    text += "\n" + withField(itemLine(statsText(g), 3), "Item 3", fieldOf("Silencer?"), "1");  // item 3 twice
    AttachmentGroups groups;
    ASSERT_EQ(readStats(g, groups, text).result, ReadResult::EndOfFile);
    EXPECT_EQ(groups.pairs[0][0], attachmentPair(3, 207));
    EXPECT_EQ(groups.pairs[0][1], attachmentPair(3, 207));
    EXPECT_EQ(groups.pairs[0].size(), 2u);
    EXPECT_EQ(groups.pairs[3][0], attachmentPair(1, 209));
    EXPECT_EQ(groups.pairs[3][1], attachmentPair(3, 209));
    EXPECT_EQ(groups.pairs[3].size(), 2u);
    EXPECT_EQ(groups.pairs[6][0], attachmentPair(69, 307));
}

}  // namespace
}  // namespace vantedit
