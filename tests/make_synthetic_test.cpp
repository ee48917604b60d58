// MAKE on a synthetic game folder of every edition, through the real program.
#include <gtest/gtest.h>

#include <algorithm>

#include "dump/stats_writer.h"
#include "model/attachments.h"
#include "model/editions.h"
#include "model/sections.h"
#include "model/text.h"
#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit {
namespace {

using testing::TempDir;

struct Made {
    synth::SyntheticGame game;
    std::string stats;  // as on disk
};

Made makeFor(const TempDir& dir, int edition, bool awkward) {
    Made m{synth::makeSyntheticGame({edition, 7, awkward}), {}};
    EXPECT_TRUE(synth::writeGameFolder(m.game, dir.path()));
    const auto r = testing::runVantedit(dir.path(), {"game.exe", "stats.txt", "make"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, runOpening(edition) + "\nDumping weapon stats...\nDone!\n");
    m.stats = testing::readText(dir / "stats.txt");
    // MAKE loads only the tables' stretch of the executable: what it writes is still what the
    // whole image gives.
    EXPECT_TRUE(m.stats == withCrLf(statsText(synth::toGame(m.game))))
        << "MAKE's stats file differs from the whole image's";
    return m;
}

TEST(MakeSynthetic, EveryEditionRowsColumnsAndKinds) {
    for (int e = 0; e < kEditionCount; ++e) {
        SCOPED_TRACE(e);
        TempDir dir;
        const Made m = makeFor(dir, e, false);
        EXPECT_EQ(testing::readBytes(dir / "game.exe"), m.game.executable);  // MAKE only reads
        const auto lines = testing::split(m.stats, "\r\n");
        ASSERT_GT(lines.size(), 352u);
        for (int i = 0; i < kItemCount; ++i) {
            const auto fields = testing::split(lines[static_cast<std::size_t>(1 + i)], '\t');
            ASSERT_EQ(fields.size(), 70u) << "item " << i;
            EXPECT_EQ(fields[0], "Item " + std::to_string(i));
        }
        // The fixed first records of each section: all bits, top bits only, zeros.
        int field = 6;
        for (Section s : kAllSections) {
            const SectionRecord r = sectionRecord(e, s);
            for (const Column& c : sectionColumns(s)) {
                auto cell = [&](int item) {
                    return testing::split(lines[static_cast<std::size_t>(1 + item)],
                                          '\t')[static_cast<std::size_t>(field)];
                };
                const char* ones = c.kind == ColumnKind::U8 ? "255" : c.kind == ColumnKind::U16 ? "65535" : "-1";
                const char* top = c.kind == ColumnKind::U8    ? "128"
                                  : c.kind == ColumnKind::U16 ? "32768"
                                  : c.kind == ColumnKind::S8  ? "-128"
                                                              : "-32768";
                // Where sections share bytes (the last Ammo Clips and Armour records in some
                // editions), the first records are never the shared ones.
                EXPECT_EQ(cell(r.firstItem), ones) << c.heading;
                EXPECT_EQ(cell(r.firstItem + 1), top) << c.heading;
                EXPECT_EQ(cell(r.firstItem + 2), "0") << c.heading;
                if (r.lastItem < 350) {
                    EXPECT_EQ(cell(r.lastItem + 1), "n/a") << c.heading;
                }
                ++field;
            }
        }
        // Attachment columns: the swapped pair and foreign attachments never show.
        const Game g = synth::toGame(m.game);
        const int lastWeapon = sectionRecord(e, Section::Weapons).lastItem;
        int yes = 0;
        for (int w = 0; w <= lastWeapon; ++w) {
            const auto fields = testing::split(lines[static_cast<std::size_t>(1 + w)], '\t');
            for (std::size_t k = 0; k < 8; ++k) {
                const bool present = attachmentPairExists(g.image(), g.edition(), w, kAttachmentKinds[k].item);
                EXPECT_EQ(fields[62 + k], present ? "1" : "0");
                yes += present;
            }
        }
        EXPECT_GT(yes, 10);
        EXPECT_EQ(testing::split(lines[static_cast<std::size_t>(1 + synth::kSwappedPairWeapon)], '\t')[62], "0");
        EXPECT_TRUE(lines.back().starts_with("Burst 33\t"));
    }
}

TEST(MakeSynthetic, AwkwardTextsAreWrittenUnchangedAndStopAtTheirSlots) {
    for (int e : {3, 6}) {
        SCOPED_TRACE(e);
        TempDir dir;
        const Made m = makeFor(dir, e, true);
        for (const synth::AwkwardText& t : synth::awkwardTexts(e)) {
            // Texts with a double quote, a tab or a line break are quoted fields; every byte 10
            // inside a text is written as 13 10 as well.
            const bool quoted = t.text.find_first_of("\"\t\n\r") != std::string::npos;
            const std::string onDisk = withCrLf(quoted ? quotedText(t.text) : t.text);
            std::string line;
            switch (t.slot) {
                case synth::TextSlot::Sound:
                    line = "\r\nSound " + std::to_string(t.record) + "\t" + onDisk + "\r\n";
                    break;
                case synth::TextSlot::Burst:
                    line = "\r\nBurst " + std::to_string(t.record) + "\t" + onDisk;
                    if (t.record != 33) line += "\r\n";
                    break;
                case synth::TextSlot::AmmoNameSecond:
                    line = "\t" + onDisk + "\r\nAmmoName " + std::to_string(t.record + 1);
                    break;
                case synth::TextSlot::AmmoNameFirst:
                    line = "\r\nAmmoName " + std::to_string(t.record) + "\t" + onDisk + "\t";
                    break;
                case synth::TextSlot::Description: line = onDisk; break;
            }
            EXPECT_NE(m.stats.find(line), std::string::npos) << "record " << t.record << " field " << t.field;
        }
        // A tab inside a quoted text is written as it is.
        std::size_t item1 = m.stats.find("\r\nItem 1\t");
        std::size_t item2 = m.stats.find("\r\nItem 2\t");
        ASSERT_NE(item1, std::string::npos);
        const std::string row1 = m.stats.substr(item1 + 2, item2 - item1 - 2);
        EXPECT_EQ(std::count(row1.begin(), row1.end(), '\t'), 70);
    }
}

TEST(Vantgen, WritesTheFolderAndNamesTheExecutable) {
    TempDir dir;
    const auto run =
        testing::runCommand(dir.path(), testing::shellQuote(VANTGEN_BINARY) + " out 5 --awkward --seed 9 --exe G.EXE");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "out/G.EXE\n");
    const synth::SyntheticGame expected = synth::makeSyntheticGame({5, 9, true});
    EXPECT_EQ(testing::readBytes(dir / "out/G.EXE"), expected.executable);
    EXPECT_EQ(testing::readBytes(dir / "out/data/binarydata/itmdsc25.edt"), expected.itemDesc);

    for (const std::string args : {"", "out2", "out2 7", "out2 x", "out2 -1", "out2 1 --seed", "out2 1 --seed -1",
                                   "out2 1 --seed 5x", "out2 1 --exe", "out2 1 --bogus"}) {
        const auto bad = testing::runCommand(dir.path(), testing::shellQuote(VANTGEN_BINARY) + " " + args);
        EXPECT_EQ(bad.status, 1) << args;
        EXPECT_EQ(bad.output, "usage: vantgen <folder> <edition 0-6> [--seed N] [--awkward] [--exe NAME]\n") << args;
        EXPECT_FALSE(std::filesystem::exists(dir / "out2")) << args;
    }
    const auto help = testing::runCommand(dir.path(), testing::shellQuote(VANTGEN_BINARY) + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.output.starts_with("usage: vantgen <folder>")) << help.output;
    for (const char* option : {"\n  --seed N ", "\n  --awkward ", "\n  --exe NAME "}) {
        EXPECT_NE(help.output.find(option), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace vantedit
