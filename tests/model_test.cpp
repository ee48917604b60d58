// The constant game tables, checked against figures typed in independently of them, and the
// accessors that read and store values by column kind.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "model/attachments.h"
#include "model/byte_view.h"
#include "model/descriptions.h"
#include "model/list_tables.h"
#include "model/sections.h"
#include "test_support.h"

namespace vantedit {
namespace {

// The weapon attachment capacities (227 and 182) and the place of the first AmmoName table are
// checked when the tables are compiled.
struct RecordCounts {
    int attach, ammoAttach, exclude, combine2, combine3, convertWeapon, convertAmmo, ammoName, ammoNameFirst;
};

// The records per table and edition, as the game's tables are documented.
constexpr std::array<RecordCounts, 7> kExpectedCounts = {{
    {29, 13, 24, 53, 6, 19, 7, 20, 17},
    {28, 11, 24, 53, 5, 19, 7, 17, 17},
    {28, 11, 24, 53, 5, 19, 7, 17, 17},
    {28, 11, 24, 53, 5, 19, 7, 17, 17},
    {28, 12, 24, 52, 5, 20, 8, 17, 17},
    {29, 13, 28, 53, 6, 19, 7, 20, 17},
    {29, 13, 28, 53, 6, 19, 7, 20, 17},
}};

TEST(EditionTable, RecordCountsPerTableAndEdition) {
    for (int e = 0; e < kEditionCount; ++e) {
        SCOPED_TRACE(e);
        const Edition& ed = kEditions[e];
        const RecordCounts& want = kExpectedCounts[e];
        const std::array<int, 7> lists = {want.attach,   want.ammoAttach,    want.exclude,    want.combine2,
                                          want.combine3, want.convertWeapon, want.convertAmmo};
        for (std::size_t l = 0; l < kNumericLists.size(); ++l) {
            EXPECT_EQ(listRecordCount(ed, kNumericLists[l]), lists[l]) << kNumericLists[l].keyword;
        }
        EXPECT_EQ(ed.ammoNameCount, want.ammoName);
        EXPECT_EQ(ed.ammoNameFirstCount, want.ammoNameFirst);
    }
}

TEST(EditionTable, SizesDifferAndShopFilesAsKnown) {
    const std::array<int, 7> sizes = {3052544, 2830848, 2748447, 4213811, 2439168, 2940962, 2936866};
    for (int e = 0; e < kEditionCount; ++e) {
        EXPECT_EQ(kEditions[e].fileSize, sizes[e]);
        EXPECT_EQ(kEditions[e].hasShopFile(), e >= 1 && e <= 4) << e;
        for (int f = e + 1; f < kEditionCount; ++f) EXPECT_NE(kEditions[e].fileSize, kEditions[f].fileSize);
    }
    // Editions 5 and 6 share every offset but the sound names.
    EXPECT_EQ(kEditions[5].burstNameOffset, kEditions[6].burstNameOffset);
    EXPECT_NE(kEditions[5].soundNameOffset, kEditions[6].soundNameOffset);
}

TEST(SectionTable, ItemRangesAndRecordSizes) {
    const std::array<int, 7> sizes = {26, 20, 3, 3, 7, 2, 2};
    for (int e = 0; e < kEditionCount; ++e) {
        SCOPED_TRACE(e);
        const int lastWeapon = (e == 0 || e >= 5) ? 70 : 69;
        for (Section s : kAllSections) EXPECT_EQ(sectionRecord(e, s).recordSize, sizes[sectionIndex(s)]);
        for (Section s : {Section::Weapons, Section::Halveks2}) {
            EXPECT_EQ(sectionRecord(e, s).firstItem, 0);
            EXPECT_EQ(sectionRecord(e, s).lastItem, lastWeapon);
        }
        for (Section s : {Section::AllItems, Section::Halveks}) {
            EXPECT_EQ(sectionRecord(e, s).firstItem, 0);
            EXPECT_EQ(sectionRecord(e, s).lastItem, 350);
        }
        EXPECT_EQ(sectionRecord(e, Section::AmmoClips).firstItem, 71);
        EXPECT_EQ(sectionRecord(e, Section::AmmoClips).lastItem, e == 4 ? 129 : (lastWeapon == 70 ? 120 : 118));
        EXPECT_EQ(sectionRecord(e, Section::Armour).firstItem, 161);
        EXPECT_EQ(sectionRecord(e, Section::Armour).lastItem, 198);
        EXPECT_EQ(sectionRecord(e, Section::Explosives).firstItem, 131);
        EXPECT_EQ(sectionRecord(e, Section::Explosives).lastItem, 160);
        // Back from a byte to its item: every byte of a record, and none just outside.
        for (Section s : kAllSections) {
            const SectionRecord r = sectionRecord(e, s);
            const std::int64_t end = r.fileOffset + std::int64_t{r.lastItem - r.firstItem + 1} * r.recordSize;
            EXPECT_EQ(itemAtOffset(r, r.fileOffset - 1), -1);
            EXPECT_EQ(itemAtOffset(r, r.fileOffset), r.firstItem);
            EXPECT_EQ(itemAtOffset(r, r.fileOffset + r.recordSize - 1), r.firstItem);
            EXPECT_EQ(itemAtOffset(r, r.fileOffset + r.recordSize), r.firstItem + 1);
            EXPECT_EQ(itemAtOffset(r, end - 1), r.lastItem);
            EXPECT_EQ(itemAtOffset(r, end), -1);
        }
    }
}

TEST(ColumnTable, CountsPerSection) {
    const std::array<int, 7> counts = {21, 19, 3, 3, 7, 2, 1};
    for (Section s : kAllSections) {
        const int n = static_cast<int>(sectionColumns(s).size());
        EXPECT_EQ(n, counts[sectionIndex(s)]) << sectionIndex(s);
    }
    EXPECT_EQ(sectionColumn(Section::AllItems, 14).kind, ColumnKind::S8);
    EXPECT_EQ(sectionColumn(Section::AllItems, 15).kind, ColumnKind::S8);
    EXPECT_EQ(sectionColumn(Section::Halveks2, 0).kind, ColumnKind::S16);
    EXPECT_EQ(sectionColumn(Section::Armour, 2).heading, "Armour Durabilty");
}

// Printing and storing by column kind, through a one-record section at offset 0.
struct KindCase {
    ColumnKind kind;
    std::vector<std::uint8_t> stored;
    std::int32_t printed;
};

TEST(ColumnKinds, ReadExtendsByKind) {
    const std::array<KindCase, 8> cases = {{
        {ColumnKind::U8, {0xFF}, 255},
        {ColumnKind::S8, {0xFF}, -1},
        {ColumnKind::S8, {0x80}, -128},
        {ColumnKind::U16, {0xFF, 0xFF}, 65535},
        {ColumnKind::S16, {0xFF, 0xFF}, -1},
        {ColumnKind::S16, {0x00, 0x80}, -32768},
        {ColumnKind::U16, {0x34, 0x12}, 0x1234},
        {ColumnKind::S16, {0xFF, 0x7F}, 32767},
    }};
    const SectionRecord section = {4, 10, 10, 2, "test"};
    for (const KindCase& c : cases) {
        std::vector<std::uint8_t> bytes(8, 0xAA);
        for (std::size_t i = 0; i < c.stored.size(); ++i) bytes[4 + i] = c.stored[i];
        MutableByteView view(bytes);
        const Column col = {Section::Weapons, 0, c.kind, "x", false};
        EXPECT_EQ(readColumnValue(view, section, col, 10), c.printed);
        // Storing what was printed gives back exactly the bytes that were read.
        std::vector<std::uint8_t> copy(8, 0xAA);
        MutableByteView out(copy);
        storeColumnValue(out, section, col, 10, c.printed);
        EXPECT_EQ(copy, bytes);
    }
}

TEST(ColumnKinds, StoreKeepsLowBitsOnly) {
    const SectionRecord section = {0, 0, 0, 2, "test"};
    struct StoreCase {
        ColumnKind kind;
        std::int32_t value;
        std::uint8_t b0, b1;
    };
    const std::array<StoreCase, 6> cases = {{
        {ColumnKind::U8, 256, 0x00, 0xAA},
        {ColumnKind::U8, -1, 0xFF, 0xAA},
        {ColumnKind::U8, 300, 44, 0xAA},
        {ColumnKind::U16, 65541, 0x05, 0x00},
        {ColumnKind::S16, -1, 0xFF, 0xFF},
        {ColumnKind::S8, 128, 0x80, 0xAA},
    }};
    for (const StoreCase& c : cases) {
        std::vector<std::uint8_t> bytes(2, 0xAA);
        MutableByteView view(bytes);
        storeColumnValue(view, section, {Section::Weapons, 0, c.kind, "x", false}, 0, c.value);
        EXPECT_EQ(bytes[0], c.b0) << c.value;
        EXPECT_EQ(bytes[1], c.b1) << c.value;
    }
}

TEST(ByteView, RefusesEveryAccessOutsideTheBlock) {
    std::vector<std::uint8_t> bytes = {1, 2, 3, 4};
    MutableByteView view(bytes);
    EXPECT_EQ(view.u32(0), 0x04030201u);
    EXPECT_EQ(view.u16(3), 0);
    EXPECT_EQ(view.u8(4), 0);
    EXPECT_EQ(view.u8(static_cast<std::size_t>(-1)), 0);
    view.setU16(3, 0xFFFF);
    view.setU32(static_cast<std::size_t>(-2), 1);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3, 4})) << "a write outside changed something";
    view.setU16(2, 0xBEEF);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 0xEF, 0xBE}));
}

TEST(CharacterTransform, BothDirections) {
    EXPECT_EQ(storedToText(32), 32);
    EXPECT_EQ(storedToText(33), 32);  // reads as a space
    EXPECT_EQ(storedToText(65), 64);
    EXPECT_EQ(storedToText(9), 9);
    EXPECT_EQ(storedToText(255), 254);
    EXPECT_EQ(textToStored(65), 66);
    EXPECT_EQ(textToStored(32), 32);
    EXPECT_EQ(textToStored(10), 10);
    EXPECT_EQ(textToStored(255), 0);  // a hand-typed 255 stores a terminator
    for (int t = 1; t < 255; ++t) {
        if (t == 32) continue;
        EXPECT_EQ(storedToText(textToStored(static_cast<std::uint8_t>(t))), t);
    }
}

TEST(DescriptionText, StopsAtTerminatorOrCapacityAndIgnoresSecondBytes) {
    std::vector<std::uint8_t> buffer(kDescFileSize, 0x77);  // no terminator anywhere
    MutableByteView view(buffer);
    // Unterminated: the short name stops at its 80 units.
    EXPECT_EQ(readDescriptionText(view, 3, kDescFields[0]), std::string(80, static_cast<char>(0x76)));
    EXPECT_EQ(readDescriptionText(view, 350, kDescFields[2]).size(), 240u);
    buffer[descUnitOffset(5, kDescFields[1], 0)] = 'I';
    buffer[descUnitOffset(5, kDescFields[1], 1)] = '!';  // 33: a space
    buffer[descUnitOffset(5, kDescFields[1], 2)] = 0;
    buffer[descUnitOffset(5, kDescFields[1], 2) + 1] = 'X';  // second byte never matters
    EXPECT_EQ(readDescriptionText(view, 5, kDescFields[1]), "H ");
    // Units beyond the block read as terminators.
    const std::vector<std::uint8_t> cut(descUnitOffset(0, kDescFields[0], 3) + 1, 0x77);
    EXPECT_EQ(readDescriptionText(ByteView(cut), 0, kDescFields[0]), "vvvv");
    EXPECT_EQ(readDescriptionText(ByteView(cut), 1, kDescFields[0]), "");
    EXPECT_EQ(readDescriptionText(view, 351, kDescFields[0]), "");
}

TEST(AttachmentLookup, MatchesOnlyAttachmentThenWeapon) {
    const Edition& ed = kEditions[1];
    std::vector<std::uint8_t> image(static_cast<std::size_t>(ed.fileSize), 0);
    MutableByteView view(image);
    view.setU32(static_cast<std::size_t>(ed.weaponAttachOffset), attachmentPair(12, 207));
    view.setU16(static_cast<std::size_t>(ed.weaponAttachOffset) + 4, 5);    // swapped: weapon first
    view.setU16(static_cast<std::size_t>(ed.weaponAttachOffset) + 6, 241);
    view.setU32(static_cast<std::size_t>(ed.attachOffset) - 4, attachmentPair(69, 310));  // last record
    view.setU32(static_cast<std::size_t>(ed.attachOffset), attachmentPair(3, 208));       // first Attach record
    EXPECT_TRUE(attachmentPairExists(view, ed, 12, 207));
    EXPECT_TRUE(attachmentPairExists(view, ed, 12 + 65536, 207 + 65536));  // 16-bit comparison
    EXPECT_FALSE(attachmentPairExists(view, ed, 5, 241));
    EXPECT_TRUE(attachmentPairExists(view, ed, 69, 310));
    EXPECT_FALSE(attachmentPairExists(view, ed, 3, 208));
    EXPECT_EQ(attachmentPair(70, 207), 0x004600CFu);
    const ByteView cut(view.bytes().first(static_cast<std::size_t>(ed.attachOffset) - 1));
    EXPECT_FALSE(attachmentPairExists(cut, ed, 12, 207));
}

}  // namespace
}  // namespace vantedit
