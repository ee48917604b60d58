// The rebuild of the weapon attachment table from the groups of pairs: capacity boundaries,
// the table's pairs kept for the columns a file does not state, full groups.
#include <gtest/gtest.h>

#include <sstream>

#include "app/messages.h"
#include "model/attachments.h"
#include "test_support.h"

namespace vantedit {
namespace {

struct Rebuilt {
    std::string output;
    std::vector<std::uint32_t> table;
};

// Fills the kinds round-robin with n pairs; weapon numbers tell the pairs apart.
Rebuilt rebuildWith(Game& g, int n) {
    AttachmentGroups groups;
    for (int i = 0; i < n; ++i)
        addAttachmentPair(groups, i / 8, kAttachmentKinds[static_cast<std::size_t>(i % 8)].item);
    std::ostringstream out;
    printRebuild(out, rebuildWeaponAttachTable(g, groups));
    Rebuilt r{out.str(), {}};
    const Edition& e = g.edition();
    for (std::int32_t at = e.weaponAttachOffset; at < e.attachOffset; at += 4)
        r.table.push_back(g.image().u32(static_cast<std::size_t>(at)));
    return r;
}

// The pairs in the order the rebuild writes them: by kind, then by arrival.
std::vector<std::uint32_t> walkOrder(int n) {
    std::vector<std::uint32_t> pairs;
    for (int k = 0; k < 8; ++k) {
        for (int i = k; i < n; i += 8)
            pairs.push_back(attachmentPair(i / 8, kAttachmentKinds[static_cast<std::size_t>(k)].item));
    }
    return pairs;
}

TEST(AttachmentRegrouping, CapacityBoundaries) {
    for (int e : {0, 1}) {
        const int cap = weaponAttachCapacity(kEditions[e]);
        for (int n : {cap - 1, cap, cap + 3}) {
            SCOPED_TRACE("edition " + std::to_string(e) + " pairs " + std::to_string(n));
            Game g = zeroGame(e);
            std::fill(imageBytes(g).begin() + kEditions[e].attachOffset, imageBytes(g).begin() + kEditions[e].listEnd,
                      0xEE);
            const std::vector<std::uint8_t> before = imageOf(g);
            const Rebuilt r = rebuildWith(g, n);
            const std::string sorting = "\nSorting weapon attachments...";
            if (n > cap) {
                EXPECT_EQ(r.output, sorting +
                                        "\n\nWARNING:  You have 3 too many weapon attachments.\nThe maximum limit is " +
                                        std::to_string(cap) + ".  The extra attachments have been ignored.\n");
            } else {
                EXPECT_EQ(r.output,
                          sorting + "\n" + std::to_string(n) + " of " + std::to_string(cap) + " attachments added...");
            }
            std::vector<std::uint32_t> expected = walkOrder(n);
            expected.resize(static_cast<std::size_t>(cap), expected[static_cast<std::size_t>(std::min(n, cap) - 1)]);
            EXPECT_EQ(r.table, expected);
            // Nothing outside the table changed.
            for (std::int32_t at = kEditions[e].attachOffset; at < kEditions[e].listEnd; ++at) {
                ASSERT_EQ(imageBytes(g)[static_cast<std::size_t>(at)], 0xEE);
            }
            EXPECT_EQ(std::vector<std::uint8_t>(imageBytes(g).begin(),
                                                imageBytes(g).begin() + kEditions[e].weaponAttachOffset),
                      std::vector<std::uint8_t>(before.begin(), before.begin() + kEditions[e].weaponAttachOffset));
        }
    }
}

TEST(AttachmentRegrouping, NoPairAtAllEmptiesTheTable) {
    Game g = zeroGame(5);
    for (std::int32_t r = 0; r < 227; ++r)
        storeWeaponAttachRecord(g.mutableImage(), kEditions[5], r, attachmentPair(3, 207));
    AttachmentGroups groups;
    markStated(groups, 3, 0);  // its only pair's column: 0
    std::ostringstream out;
    printRebuild(out, rebuildWeaponAttachTable(g, groups));
    EXPECT_EQ(out.str(), "\nSorting weapon attachments...\n0 of 227 attachments added...");
    for (std::int32_t r = 0; r < 227; ++r) EXPECT_EQ(readWeaponAttachRecord(g.image(), kEditions[5], r), 0u);
}

// The table's pairs of the columns the file does not state are kept once each, after the
// file's pairs of their kind; pairs of stated columns go; pairs no column expresses come last.
TEST(AttachmentRegrouping, UnstatedColumnsKeepTheTablesPairs) {
    Game g = zeroGame(0);
    const Edition& e = kEditions[0];
    const std::uint32_t table[] = {
        attachmentPair(5, 209),
        attachmentPair(2, 207),
        attachmentPair(5, 209),  // a pair twice
        attachmentPair(3, 207),                                                  // stated below: goes
        attachmentPair(9, 206),
        attachmentPair(71, 207),                          // no column for these
        0,
        attachmentPair(5, 241),
        attachmentPair(2, 207),  // a zero record, a filler copy
    };
    for (std::size_t r = 0; r < std::size(table); ++r) {
        storeWeaponAttachRecord(g.mutableImage(), e, static_cast<std::int32_t>(r), table[r]);
    }
    AttachmentGroups groups;
    markStated(groups, 3, 0);  // weapon 3's Silencer column: 0
    markStated(groups, 4, 0);  // weapon 4's: 1
    addAttachmentPair(groups, 4, 207);
    markStated(groups, 5, 1);  // weapon 5's Laser Scope column: 0
    std::ostringstream out;
    printRebuild(out, rebuildWeaponAttachTable(g, groups));
    EXPECT_EQ(out.str(), "\nSorting weapon attachments...\n5 of 227 attachments added...");
    std::vector<std::uint32_t> expected = {attachmentPair(4, 207), attachmentPair(2, 207), attachmentPair(5, 209),
                                           attachmentPair(9, 206), attachmentPair(71, 207)};
    expected.resize(227, attachmentPair(71, 207));
    std::vector<std::uint32_t> got;
    for (std::int32_t r = 0; r < 227; ++r) got.push_back(readWeaponAttachRecord(g.image(), e, r));
    EXPECT_EQ(got, expected);
}

// The same pairs in another order, with other copies: the table is left byte for byte.
TEST(AttachmentRegrouping, TheSamePairsLeaveTheTableAsItIs) {
    Game g = zeroGame(1);
    const Edition& e = kEditions[1];
    const std::uint32_t a = attachmentPair(3, 241), b = attachmentPair(4, 207), foreign = attachmentPair(80, 207);
    for (std::int32_t r = 0; r < 182; ++r)
        storeWeaponAttachRecord(g.mutableImage(), e, r, r == 0 ? a : r == 1 ? foreign : b);
    const std::vector<std::uint8_t> before = imageOf(g);
    AttachmentGroups groups;
    for (std::int32_t w : {3, 4}) {
        for (std::size_t k = 0; k < kAttachmentKindCount; ++k) markStated(groups, w, k);
    }
    addAttachmentPair(groups, 4, 207);
    addAttachmentPair(groups, 3, 241);
    std::ostringstream out;
    printRebuild(out, rebuildWeaponAttachTable(g, groups));
    EXPECT_EQ(out.str(), "\nSorting weapon attachments...\n3 of 182 attachments added...");
    EXPECT_TRUE(imageOf(g) == before);
    addAttachmentPair(groups, 4, 209);  // one pair more: rebuilt, the foreign pair last
    printRebuild(out, rebuildWeaponAttachTable(g, groups));
    EXPECT_EQ(readWeaponAttachRecord(g.image(), e, 0), b);
    EXPECT_EQ(readWeaponAttachRecord(g.image(), e, 3), foreign);
    EXPECT_EQ(readWeaponAttachRecord(g.image(), e, 181), foreign);
}

TEST(AttachmentRegrouping, FullGroupCountsFurtherPairsWithoutStoringThem) {
    Game g = zeroGame(2);
    AttachmentGroups groups;
    for (std::size_t i = 0; i < kGroupSize + 2; ++i) addAttachmentPair(groups, static_cast<std::int32_t>(i % 70), 241);
    addAttachmentPair(groups, 5, 207 + 65536);  // compared as a 16-bit item: the Silencer
    addAttachmentPair(groups, 5, 206);          // no kind of ours: nothing
    EXPECT_EQ(groups.pairs[1][kGroupSize - 1], attachmentPair((kGroupSize - 1) % 70, 241));
    EXPECT_EQ(groups.overflow[1], 2);
    EXPECT_EQ(groups.pairs[0][0], attachmentPair(5, 207));
    EXPECT_EQ(groups.pairs[0].size(), 1u);
    std::ostringstream out;
    printRebuild(out, rebuildWeaponAttachTable(g, groups));
    EXPECT_EQ(
        out.str(),
        "\nSorting weapon attachments...\n\nWARNING:  You have " + std::to_string(kGroupSize + 3 - 182) +
            " too many weapon attachments.\nThe maximum limit is 182.  The extra attachments have been ignored.\n");
    // The Silencer comes first, then the Laser Scopes up to the capacity.
    EXPECT_EQ(g.image().u32(static_cast<std::size_t>(kEditions[2].weaponAttachOffset)), attachmentPair(5, 207));
    EXPECT_EQ(g.image().u32(static_cast<std::size_t>(kEditions[2].weaponAttachOffset + 4)), attachmentPair(0, 241));
    EXPECT_EQ(g.image().u32(static_cast<std::size_t>(kEditions[2].attachOffset)), 0u);
}

// A change list's attachment line sets its pair in place: an added pair takes the first free
// record (0, or a copy of an earlier record), a removed pair's records take the nearest other
// pair, before them first; every other record keeps its bytes.
TEST(AttachmentRegrouping, APairSetInPlaceLeavesTheOtherRecords) {
    constexpr std::uint32_t A = 0x10001, B = 0x20002, C = 0x30003, D = 0x40004;
    struct Case {
        std::vector<std::uint32_t> table;  // the first records; the rest hold 0
        std::uint32_t pair;
        bool present;
        bool set;
        std::vector<std::uint32_t> after;
    };
    const Case cases[] = {
        {{A, B, C, C, C}, D, true, true, {A, B, C, D, C}},
        {{A, B}, D, true, true, {A, B, D}},
        {{A, B, C, C}, B, false, true, {A, A, C, C}},
        {{A, B, C}, A, false, true, {B, B, C}},
        {{A, 0, A}, A, false, true, {0, 0, 0}},
        {{A, B}, D, false, true, {A, B}},
    };
    for (const Case& c : cases) {
        Game g = zeroGame(0);
        const Edition& e = g.edition();
        const auto records = [&] {
            std::vector<std::uint32_t> table;
            for (std::int32_t r = 0; r < weaponAttachCapacity(e); ++r)
                table.push_back(readWeaponAttachRecord(g.image(), e, r));
            return table;
        };
        for (std::size_t r = 0; r < c.table.size(); ++r)
            storeWeaponAttachRecord(g.mutableImage(), e, static_cast<std::int32_t>(r), c.table[r]);
        std::vector<std::uint32_t> expected = c.after;
        expected.resize(static_cast<std::size_t>(weaponAttachCapacity(e)));
        EXPECT_EQ(setAttachmentPair(g.mutableImage(), e, c.pair, c.present), c.set);
        EXPECT_EQ(records(), expected);
    }
    // A full table has no room for another pair, and stays as it is.
    Game g = zeroGame(0);
    const Edition& e = g.edition();
    for (std::int32_t r = 0; r < weaponAttachCapacity(e); ++r)
        storeWeaponAttachRecord(g.mutableImage(), e, r, attachmentPair(r, 207));
    const std::vector<std::uint8_t> full = imageOf(g);
    EXPECT_FALSE(setAttachmentPair(g.mutableImage(), e, D, true));
    EXPECT_TRUE(imageOf(g) == full);
}

}  // namespace
}  // namespace vantedit
