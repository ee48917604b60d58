#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>
#include <set>

#include "model/attachments.h"
#include "model/list_tables.h"
#include "model/sections.h"
#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit {
namespace {

using synth::AwkwardText;
using synth::SyntheticGame;
using synth::TextSlot;
using testing::TempDir;

const Edition& editionRecord(int e) { return kEditions[static_cast<std::size_t>(e)]; }

// One plain game per edition, made once for the whole test run.
const SyntheticGame& plainGame(int e) {
    static std::array<std::optional<SyntheticGame>, kEditionCount> games;
    auto& game = games[static_cast<std::size_t>(e)];
    if (!game) game = synth::makeSyntheticGame({e, 1, false});
    return *game;
}

bool printable(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 32 && c <= 126 && c != '"'; });
}

std::uint64_t fnv1a(std::uint64_t hash, const std::vector<std::uint8_t>& bytes) {
    for (std::uint8_t b : bytes) hash = (hash ^ b) * 0x100000001B3ULL;
    return hash;
}

class SyntheticGameByEdition : public ::testing::TestWithParam<int> {};

TEST_P(SyntheticGameByEdition, HasTheEditionsShapeAndHeader) {
    const int e = GetParam();
    const SyntheticGame& game = plainGame(e);
    ASSERT_EQ(game.executable.size(), static_cast<std::size_t>(editionRecord(e).fileSize));
    for (int w = 0; w < 4; ++w) {
        const std::size_t at = 128 + 4 * static_cast<std::size_t>(w);
        const std::uint32_t word = (std::uint32_t{game.executable[at]} << 24) |
                                   (std::uint32_t{game.executable[at + 1]} << 16) |
                                   (std::uint32_t{game.executable[at + 2]} << 8) | game.executable[at + 3];
        EXPECT_EQ(word, editionRecord(e).headerWords[static_cast<std::size_t>(w)]) << "word " << w;
    }
    EXPECT_EQ(game.itemDesc.size(), static_cast<std::size_t>(kDescFileSize));
    EXPECT_EQ(game.shopDesc.size(), editionRecord(e).hasShopFile() ? static_cast<std::size_t>(kDescFileSize) : 0u);

    const Game g = synth::toGame(game);
    EXPECT_EQ(editionIndex(g.edition()), e);
    EXPECT_EQ(imageOf(g), game.executable);
    EXPECT_EQ(g.descriptions.item, game.itemDesc);
    EXPECT_EQ(g.descriptions.shop, game.shopDesc);
    EXPECT_EQ(g.descriptions.hasShop, editionRecord(e).hasShopFile());
}

TEST_P(SyntheticGameByEdition, PlainTextsAreTerminatedPrintableAndWithinTheirRecords) {
    const int e = GetParam();
    const Edition& ed = editionRecord(e);
    const SyntheticGame& game = plainGame(e);
    const ByteView image = ByteView(game.executable);

    const auto checkAmmoNames = [&](std::int32_t table, std::int32_t count) {
        for (std::int32_t r = 0; r < count; ++r) {
            const std::size_t at = static_cast<std::size_t>(ammoNameRecordOffset(table, r));
            const std::string text = ammoTextAt(image, static_cast<std::int64_t>(at));
            EXPECT_GE(text.size(), 1u) << "AmmoName record " << r;
            EXPECT_LE(text.size(), static_cast<std::size_t>(kAmmoNameMaxLength)) << "AmmoName record " << r;
            EXPECT_TRUE(printable(text)) << text;
            for (int j = 0; j < kAmmoNameRecordSize / 2; ++j)
                EXPECT_NE(image.u8(at + 2 * j + 1), 0) << "high byte " << j;
        }
    };
    checkAmmoNames(ed.ammoNameSecondOffset, ed.ammoNameCount);
    checkAmmoNames(ed.ammoNameFirstOffset, ed.ammoNameFirstCount);

    // A byte name is followed by its 0 and then only non-zero junk up to the record's end.
    const auto checkByteNames = [&](std::int64_t start, int count, int size, std::size_t maxLength) {
        int empty = 0;
        for (int r = 0; r < count; ++r) {
            const std::int64_t at = start + std::int64_t{size} * r;
            const std::string text = byteNameAt(image, at, size);
            EXPECT_LE(text.size(), maxLength);
            EXPECT_TRUE(printable(text)) << text;
            EXPECT_EQ(image.u8(static_cast<std::size_t>(at) + text.size()), 0);
            for (int j = static_cast<int>(text.size()) + 1; j < size; ++j)
                EXPECT_NE(image.u8(static_cast<std::size_t>(at + j)), 0);
            empty += text.empty();
        }
        EXPECT_GE(empty, 1) << "no empty name";
    };
    checkByteNames(ed.soundNameOffset, kSoundNames.count, kSoundNames.recordSize, 40);
    checkByteNames(ed.burstNameOffset, kBurstNames.count, kBurstNames.recordSize, kBurstNames.recordSize - 1);

    int emptyFields = 0;
    for (const DescField& field : kDescFields) {
        const std::vector<std::uint8_t>& buffer = field.file == DescFile::Item ? game.itemDesc : game.shopDesc;
        if (buffer.empty()) continue;
        for (int item = 0; item < kItemCount; ++item) {
            int k = 0;
            while (k < field.units && buffer[descUnitOffset(item, field, k)] != 0) {
                const std::uint8_t stored = buffer[descUnitOffset(item, field, k)];
                EXPECT_NE(stored, 33) << "item " << item << " " << field.heading;  // would read back as a blank
                EXPECT_TRUE(printable(std::string(1, static_cast<char>(storedToText(stored)))));
                ++k;
            }
            EXPECT_LT(k, field.units) << "item " << item << " " << field.heading << " has no terminator";
            emptyFields += k == 0;
        }
    }
    EXPECT_GT(emptyFields, 0);
    for (const auto* buffer : {&game.itemDesc, &game.shopDesc}) {
        std::size_t zeros = 0;
        for (std::size_t i = 1; i < buffer->size(); i += 2) zeros += (*buffer)[i] == 0;
        EXPECT_EQ(zeros, 0u) << "second bytes of 0";
    }
}

TEST_P(SyntheticGameByEdition, WeaponAttachTableHoldsKindPairsOddRecordsAndFiller) {
    const int e = GetParam();
    const Edition& ed = editionRecord(e);
    const ByteView image = ByteView(plainGame(e).executable);
    const std::int32_t lastWeapon = sectionRecord(e, Section::Weapons).lastItem;
    const std::int32_t capacity = weaponAttachCapacity(ed);

    std::vector<std::uint32_t> records;
    for (std::int32_t r = 0; r < capacity; ++r)
        records.push_back(image.u32(static_cast<std::size_t>(ed.weaponAttachOffset + 4 * r)));
    const auto isKind = [](std::uint32_t attachment) {
        return std::any_of(kAttachmentKinds.begin(), kAttachmentKinds.end(),
                           [&](const AttachmentKind& k) { return static_cast<std::uint32_t>(k.item) == attachment; });
    };
    const auto has = [&](auto predicate) { return std::any_of(records.begin(), records.end(), predicate); };

    // Filler: the table ends with copies of its last pair, an eight-kind pair of a weapon.
    const std::uint32_t last = records.back();
    EXPECT_TRUE(isKind(last & 0xFFFF) && static_cast<std::int32_t>(last >> 16) <= lastWeapon);
    std::size_t used = records.size();
    while (used > 0 && records[used - 1] == last) --used;
    ++used;  // the last pair itself
    EXPECT_LT(used, records.size()) << "no filler";

    std::set<std::uint32_t> kindPairs;
    for (std::size_t i = 0; i < used; ++i) {
        if (isKind(records[i] & 0xFFFF) && static_cast<std::int32_t>(records[i] >> 16) <= lastWeapon)
            kindPairs.insert(records[i]);
    }
    EXPECT_EQ(kindPairs.size() + 6, used) << "eight-kind pairs, then the six odd records";
    EXPECT_TRUE(has([&](std::uint32_t r) { return r >> 16 == 0 && isKind(r & 0xFFFF); }));
    EXPECT_TRUE(
        has([&](std::uint32_t r) { return static_cast<std::int32_t>(r >> 16) == lastWeapon && isKind(r & 0xFFFF); }));

    EXPECT_TRUE(has(
        [](std::uint32_t r) { return r == attachmentPair(synth::kSwappedPairAttachment, synth::kSwappedPairWeapon); }));
    EXPECT_FALSE(attachmentPairExists(image, ed, synth::kSwappedPairWeapon, synth::kSwappedPairAttachment));
    for (const std::int32_t foreign : synth::kForeignAttachments) {
        EXPECT_FALSE(isKind(static_cast<std::uint32_t>(foreign)));
        EXPECT_TRUE(has([&](std::uint32_t r) { return (r & 0xFFFF) == static_cast<std::uint32_t>(foreign); }))
            << foreign;
    }
    for (const std::int32_t far : {lastWeapon + 1, synth::kFarWeapon}) {
        EXPECT_TRUE(has([&](std::uint32_t r) {
            return static_cast<std::int32_t>(r >> 16) == far && isKind(r & 0xFFFF);
        })) << far;
    }
}

TEST_P(SyntheticGameByEdition, StatsAndListsHoldTheEdgeValues) {
    const int e = GetParam();
    const ByteView image = ByteView(plainGame(e).executable);
    for (Section s : kAllSections) {
        const SectionRecord section = sectionRecord(e, s);
        for (const Column& c : sectionColumns(s)) {
            const bool wide = columnWidth(c.kind) == 2;
            const bool isSigned = c.kind == ColumnKind::S8 || c.kind == ColumnKind::S16;
            EXPECT_EQ(readColumnValue(image, section, c, section.firstItem), isSigned ? -1 : (wide ? 65535 : 255));
            EXPECT_EQ(readColumnValue(image, section, c, section.firstItem + 1),
                      (wide ? 32768 : 128) * (isSigned ? -1 : 1));
            EXPECT_EQ(readColumnValue(image, section, c, section.firstItem + 2), 0);
        }
    }
    std::set<std::uint16_t> values;
    for (const NumericList& list : kNumericLists) {
        for (std::int32_t r = 0; r < listRecordCount(editionRecord(e), list); ++r) {
            for (int v = 0; v < listValueCount(list); ++v) {
                values.insert(image.u16(static_cast<std::size_t>(listValueOffset(editionRecord(e), list, r, v))));
            }
        }
    }
    EXPECT_TRUE(values.count(0) && values.count(65535));
    EXPECT_GT(std::count_if(values.begin(), values.end(), [](std::uint16_t v) { return v > 0 && v < kItemCount; }), 20);
}

// The awkward texts lie where awkwardTexts() says, and nothing else in the game changes.
TEST_P(SyntheticGameByEdition, AwkwardTextsLieWhereListedAndChangeNothingElse) {
    const int e = GetParam();
    const Edition& ed = editionRecord(e);
    const SyntheticGame game = synth::makeSyntheticGame({e, 1, true});
    const SyntheticGame& plain = plainGame(e);
    const ByteView image = ByteView(game.executable);
    // Copies of the awkward game that get the plain game's bytes back in every listed slot.
    std::vector<std::uint8_t> exeCopy = game.executable, itemCopy = game.itemDesc, shopCopy = game.shopDesc;
    for (const AwkwardText& a : synth::awkwardTexts(e)) {
        SCOPED_TRACE(::testing::Message()
                     << "slot " << static_cast<int>(a.slot) << " record " << a.record << " field " << a.field);
        if (a.slot == TextSlot::Description) {
            const DescField& field = kDescFields[static_cast<std::size_t>(a.field)];
            const bool shop = field.file == DescFile::Shop;
            ASSERT_TRUE(!shop || ed.hasShopFile());
            const std::vector<std::uint8_t>& buffer = shop ? game.shopDesc : game.itemDesc;
            EXPECT_EQ(readDescriptionText(ByteView(buffer), a.record, field), a.text);
            if (a.terminated) {
                EXPECT_EQ(buffer[descUnitOffset(a.record, field, static_cast<int>(a.text.size()))], 0);
            } else {
                EXPECT_EQ(a.text.size(), static_cast<std::size_t>(field.units));
            }
            for (int k = 0; k < field.units; ++k) {
                const std::size_t first = descUnitOffset(a.record, field, k);
                (shop ? shopCopy : itemCopy)[first] = (shop ? plain.shopDesc : plain.itemDesc)[first];
                EXPECT_NE(buffer[first + 1], 0) << "second byte of unit " << k;
            }
            continue;
        }
        // AmmoName texts live in the low bytes of 20 units; sound and burst names are plain bytes.
        const bool wide = a.slot == TextSlot::AmmoNameFirst || a.slot == TextSlot::AmmoNameSecond;
        const int step = wide ? 2 : 1;
        const int size = wide ? kAmmoNameRecordSize / 2
                              : (a.slot == TextSlot::Sound ? kSoundNames.recordSize : kBurstNames.recordSize);
        std::int64_t at = a.slot == TextSlot::Sound ? nameRecordOffset(ed, kSoundNames, a.record)
                                                    : nameRecordOffset(ed, kBurstNames, a.record);
        if (a.slot == TextSlot::AmmoNameFirst) at = ammoNameRecordOffset(ed.ammoNameFirstOffset, a.record);
        if (a.slot == TextSlot::AmmoNameSecond) at = ammoNameRecordOffset(ed.ammoNameSecondOffset, a.record);
        EXPECT_EQ(wide ? ammoTextAt(image, at) : byteNameAt(image, at, size), a.text);
        if (a.terminated) {
            EXPECT_EQ(image.u8(static_cast<std::size_t>(at + step * std::int64_t(a.text.size()))), 0);
        } else {
            EXPECT_EQ(a.text.size(), static_cast<std::size_t>(size));
        }
        for (int j = 0; j < size; ++j) {
            const std::size_t byte = static_cast<std::size_t>(at + step * j);
            exeCopy[byte] = plain.executable[byte];
        }
    }

    EXPECT_TRUE(exeCopy == plain.executable);
    EXPECT_TRUE(itemCopy == plain.itemDesc);
    EXPECT_TRUE(shopCopy == plain.shopDesc);
}

INSTANTIATE_TEST_SUITE_P(Editions, SyntheticGameByEdition, ::testing::Range(0, kEditionCount));

// Every kind of text gets each kind of awkwardness.
TEST(SyntheticGame, AwkwardListCoversEveryKindOfTextAndTrouble) {
    const std::vector<AwkwardText> list = synth::awkwardTexts(1);
    const auto family = [](TextSlot s) { return s == TextSlot::AmmoNameFirst ? TextSlot::AmmoNameSecond : s; };
    for (const TextSlot slot : {TextSlot::Description, TextSlot::AmmoNameSecond, TextSlot::Sound, TextSlot::Burst}) {
        const auto some = [&](auto predicate) {
            return std::any_of(list.begin(), list.end(),
                               [&](const AwkwardText& a) { return family(a.slot) == slot && predicate(a); });
        };
        const auto holds = [](char c) {
            return [c](const AwkwardText& a) { return a.text.find(c) != std::string::npos; };
        };
        SCOPED_TRACE(static_cast<int>(slot));
        EXPECT_TRUE(some(holds('\t')) && some(holds('\n')) && some(holds('\r')) && some(holds('"')));
        EXPECT_TRUE(some([](const AwkwardText& a) { return !a.text.empty() && a.text[0] == '"'; }));
        EXPECT_TRUE(some([](const AwkwardText& a) {
            return std::any_of(a.text.begin(), a.text.end(),
                               [](char c) { return static_cast<unsigned char>(c) > 127; });
        }));
        EXPECT_TRUE(some([](const AwkwardText& a) { return a.text.empty(); }));
        EXPECT_TRUE(some([](const AwkwardText& a) { return !a.terminated; }));
    }
    // Line breaks as a Windows program leaves them in a description.
    EXPECT_TRUE(std::any_of(list.begin(), list.end(), [](const AwkwardText& a) {
        return a.slot == TextSlot::Description && a.text.find("\r\n") != std::string::npos;
    }));
    const std::size_t shopTexts = list.size() - synth::awkwardTexts(0).size();
    EXPECT_EQ(shopTexts, 6u);
}

TEST(SyntheticGame, IsDeterministicAndFollowsTheSeed) {
    const SyntheticGame again = synth::makeSyntheticGame({3, 1, false});
    EXPECT_TRUE(again.executable == plainGame(3).executable && again.itemDesc == plainGame(3).itemDesc &&
                again.shopDesc == plainGame(3).shopDesc);
    const SyntheticGame other = synth::makeSyntheticGame({3, 2, false});
    EXPECT_NE(other.executable, plainGame(3).executable);
    EXPECT_NE(other.itemDesc, plainGame(3).itemDesc);
    EXPECT_NE(other.shopDesc, plainGame(3).shopDesc);
    EXPECT_TRUE(synth::makeSyntheticGame({7, 1, false}).executable.empty());

    // The bytes are the same on every platform: a change here means every game changed.
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (const auto* bytes : {&plainGame(4).executable, &plainGame(4).itemDesc, &plainGame(4).shopDesc})
        hash = fnv1a(hash, *bytes);
    EXPECT_EQ(hash, 0x2CAE0C076D887832ULL);
}

TEST(SyntheticGame, WritesTheGameFolderWithTheEditionsFiles) {
    TempDir dir;
    for (const int e : {0, 2}) {
        const std::filesystem::path folder = dir / ("edition " + std::to_string(e)) / "nested";
        ASSERT_TRUE(synth::writeGameFolder(plainGame(e), folder, "G.EXE"));
        EXPECT_EQ(testing::readBytes(folder / "G.EXE"), plainGame(e).executable);
        EXPECT_EQ(testing::readBytes(folder / std::string(editionRecord(e).itemDescPath)), plainGame(e).itemDesc);
        const bool shopFile = std::filesystem::exists(folder / std::string(kShopDescFile));
        EXPECT_EQ(shopFile, editionRecord(e).hasShopFile());
        if (shopFile) {
            EXPECT_EQ(testing::readBytes(folder / std::string(kShopDescFile)), plainGame(e).shopDesc);
        }
    }
    testing::writeText(dir / "file", "x");
    EXPECT_FALSE(synth::writeGameFolder(plainGame(0), dir / "file" / "below"));
}

}  // namespace
}  // namespace vantedit
