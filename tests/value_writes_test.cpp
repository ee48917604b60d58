// The record of value writes: fields that share a byte of the image keep each other's edits.
#include <gtest/gtest.h>

#include <sstream>

#include "app/messages.h"
#include "patch/stats_reader.h"
#include "test_support.h"

namespace vantedit {
namespace {

// In editions 1 to 4 some fields of two items are one byte of the image. A field that writes
// back the byte's old value keeps another field's edit; two new values stop the reading.
TEST(ValueWrites, FieldsThatShareAByteKeepEachOthersEdits) {
    struct Field {
        int item;
        const char* heading;
    };
    struct Case {
        int edition;
        Field earlier, later;  // in the order of the file
        const char* earlierValue;
        const char* laterValue;
        int stored;  // -1: the reading fails
    };
    const Field clipType{118, "Clip Type"}, armourStrength{161, "Armour Strength"};
    const Field expType{131, "Exp Type"}, armourDurability{198, "Armour Durabilty"},
        strength198{198, "Armour Strength"};
    const Case cases[] = {
        {1, clipType, armourStrength, "40", nullptr, 40},   {2, clipType, armourStrength, nullptr, "40", 40},
        {3, clipType, armourStrength, "40", "40", 40},      {1, clipType, armourStrength, "40", "41", -1},
        {1, clipType, armourStrength, "-1", "255", 255},  // the same byte written two ways
        {2, expType, armourDurability, "300", nullptr, 44}, {3, expType, armourDurability, nullptr, "9", 9},
        {2, expType, armourDurability, "9", "10", -1},      {4, expType, strength198, "9", nullptr, 9},
        {4, expType, strength198, "9", "10", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.edition) + " " + c.later.heading + " " + (c.laterValue ? c.laterValue : "-"));
        Game g = zeroGame(c.edition);
        const auto at = [&](const Field& f) {
            const int slot = fieldOf(f.heading) - fieldOf("Class1");
            const Column& column = kColumns[static_cast<std::size_t>(slot)];
            return static_cast<std::size_t>(valueOffset(sectionRecord(c.edition, column.section), column, f.item));
        };
        ASSERT_EQ(at(c.earlier), at(c.later));
        imageBytes(g)[at(c.earlier)] = 5;
        std::string text = statsText(g);
        const auto edit = [&](const Field& f, const char* value) {
            if (value) text = withField(text, "Item " + std::to_string(f.item), fieldOf(f.heading), value);
        };
        edit(c.earlier, c.earlierValue);
        edit(c.later, c.laterValue);
        const Read r = readStats(g, text);
        if (c.stored < 0) {
            EXPECT_EQ(r.result, ReadResult::Failed);
            // The row of Item n stands on line n + 2, after the heading line.
            EXPECT_EQ(r.output, "Error while parsing! (line " + std::to_string(c.later.item + 2) + ": Item " +
                                    std::to_string(c.later.item) + ", " + c.later.heading + ": the same byte as Item " +
                                    std::to_string(c.earlier.item) + ", " + c.earlier.heading +
                                    ", with another value)\n");
        } else {
            EXPECT_EQ(r.result, ReadResult::EndOfFile);
            EXPECT_EQ(r.output.find("Error"), std::string::npos);  // -1 and 300 are told as not fitting
            EXPECT_EQ(imageBytes(g)[at(c.earlier)], c.stored);
        }
    }
}

TEST(ValueWrites, AFieldMayChangeItsOwnValueAndListValuesAreNamedByPosition) {
    Game g = zeroGame(0);
    ValueWrites writes;
    std::size_t asked = 0;
    ASSERT_TRUE(writes.reserveFor(noFaults(), g.edition(), asked));
    Reading reading;
    FieldRef conflict;
    const FieldRef combine{4, 1, 3};  // Combine2 3, value 2
    const FieldRef other{4, 0, 4};
    const auto at = static_cast<std::size_t>(kEditions[0].combine2Offset);
    EXPECT_TRUE(writes.store(g.mutableImage(), at, ColumnKind::U16, 0x0102, combine, conflict));
    EXPECT_TRUE(
        writes.store(g.mutableImage(), at, ColumnKind::U16, 0x0304, combine, conflict));  // the same field again
    EXPECT_EQ(g.image().u16(at), 0x0304);
    EXPECT_FALSE(writes.store(g.mutableImage(), at + 1, ColumnKind::U8, 7, other, conflict));
    reading.failure = {ReadError::SameByte, ReadPlace::Field, "Combine2", other, conflict, 0, {}};
    std::ostringstream out;
    printReading(out, reading);
    EXPECT_EQ(out.str(),
              "Error while parsing! (Combine2 4, value 1: the same byte as Combine2 3, value 2, with another value)\n");
    EXPECT_EQ(g.image().u16(at), 0x0304);
    EXPECT_TRUE(
        writes.store(g.mutableImage(), at, ColumnKind::U16, 0, other, conflict));  // the old value keeps the edit
    EXPECT_EQ(g.image().u16(at), 0x0304);
    const ByteWrite* b = writes.find(at + 1);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->before, 0);
    EXPECT_TRUE(b->editor == combine);
    EXPECT_EQ(fieldLabel(itemField(118, statCellIndex(40))), "Clip Type");
    EXPECT_EQ(writes.find(at + 2), nullptr);
}

}  // namespace
}  // namespace vantedit
