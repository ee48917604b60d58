// Whole-game properties of MAKE and PATCH on every edition and several synthetic games, run
// in memory (the file layer has its own tests):
// - round trip: PATCH of an unedited MAKE file changes only the weapon attachment table, the
//   next MAKE writes the same file, and a second PATCH changes nothing at all;
// - awkward texts (tabs, line feeds, quotes, unterminated slots): PATCH succeeds and changes
//   nothing but the text's own slot and the attachment table, and is then a fixed point;
// - random edits land at exactly their bytes, nothing else outside the attachment table
//   moves, and MAKE shows them; saved as a spreadsheet saves it, the same file gives the same
//   executable.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <sstream>

#include "app/messages.h"
#include "compare/merge.h"
#include "dump/stats_writer.h"
#include "model/attachments.h"
#include "model/list_tables.h"
#include "model/memory.h"
#include "model/sections.h"
#include "model/stats_fields.h"
#include "model/table_span.h"
#include "patch/stats_reader.h"
#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit {
namespace {

using testing::join;
using testing::split;

const synth::SyntheticGame& syntheticGame(int edition, std::uint32_t seed, bool awkward) {
    static std::map<std::tuple<int, std::uint32_t, bool>, std::unique_ptr<synth::SyntheticGame>> cache;
    auto& slot = cache[{edition, seed, awkward}];
    if (!slot) slot = std::make_unique<synth::SyntheticGame>(synth::makeSyntheticGame({edition, seed, awkward}));
    return *slot;
}

struct PatchResult {
    ReadResult result = ReadResult::Failed;
    std::string output;
    Game game;  // the image as it would be saved, and the description buffers as read
};

// PATCH without its files: the reading, then on success the rebuild. The game passed is the
// run's state after loading, so the description buffers are the files' contents.
PatchResult patch(const Game& loaded, const std::string& fileBytes) {
    PatchResult r{ReadResult::Failed, "", loaded};
    std::ostringstream out;
    const Reading reading = applyStatsFile(r.game, fileBytes, noFaults());
    printReading(out, reading);
    r.result = reading.ok() ? ReadResult::EndOfFile : ReadResult::Failed;
    if (reading.ok()) printRebuild(out, reading.attachments);
    r.output = out.str();
    return r;
}

// MAKE after a PATCH: the saved image, with the description files as they were on disk.
Game reloaded(const std::vector<std::uint8_t>& image, const Game& loaded) {
    Game g(loaded.edition(), image);
    g.descriptions = loaded.descriptions;
    return g;
}

// The first line where two stats files differ, for a readable failure.
std::string firstDifferentLine(const std::string& a, const std::string& b) {
    const auto la = split(a, '\n');
    const auto lb = split(b, '\n');
    for (std::size_t i = 0; i < std::max(la.size(), lb.size()); ++i) {
        const std::string x = i < la.size() ? la[i] : "<none>";
        const std::string y = i < lb.size() ? lb[i] : "<none>";
        if (x != y) return "line " + std::to_string(i) + ":\n  " + x.substr(0, 300) + "\n  " + y.substr(0, 300);
    }
    return "no difference";
}

std::size_t errorCount(const std::string& output) {
    std::size_t n = 0;
    for (std::size_t p = output.find("Error while parsing"); p != std::string::npos;
         p = output.find("Error while parsing", p + 1)) {
        ++n;
    }
    return n;
}

// ---- round trip --------------------------------------------------------------------------

TEST(Properties, RoundTripIsAFixedPointAfterOneRebuild) {
    for (int edition = 0; edition < kEditionCount; ++edition) {
        for (std::uint32_t seed :
             {2u + static_cast<std::uint32_t>(edition % 2), 5u + static_cast<std::uint32_t>(edition)}) {
            if (seed > 5 && edition % 3 != 0) continue;  // a third game on editions 0, 3 and 6
            SCOPED_TRACE("edition " + std::to_string(edition) + " seed " + std::to_string(seed));
            const Game loaded = synth::toGame(syntheticGame(edition, seed, false));
            const std::string first = statsText(loaded);
            const PatchResult p1 = patch(loaded, withCrLf(first));
            ASSERT_EQ(p1.result, ReadResult::EndOfFile) << p1.output;
            EXPECT_EQ(errorCount(p1.output), 0u);
            EXPECT_TRUE(outsideTable(imageOf(p1.game), edition) == outsideTable(imageOf(loaded), edition));
            // The texts were read back as they were written.
            EXPECT_TRUE(p1.game.descriptions.item == loaded.descriptions.item);
            EXPECT_TRUE(statsText(p1.game) == first);

            const std::string second = statsText(reloaded(imageOf(p1.game), loaded));
            EXPECT_TRUE(second == first) << firstDifferentLine(second, first);
            const PatchResult p2 = patch(reloaded(imageOf(p1.game), loaded), withCrLf(second));
            ASSERT_EQ(p2.result, ReadResult::EndOfFile) << p2.output;
            EXPECT_TRUE(imageOf(p2.game) == imageOf(p1.game)) << "the second PATCH changed the image";
        }
    }
}

// ---- awkward texts -----------------------------------------------------------------------

struct Slot {
    std::span<std::uint8_t> buffer;
    std::size_t begin;
    std::size_t size;
    bool inImage;
};

// Where an awkward text lies, in the executable or a description buffer.
Slot slotOf(Game& game, const synth::AwkwardText& a) {
    const Edition& e = game.edition();
    switch (a.slot) {
        case synth::TextSlot::Description: {
            const DescField& f = kDescFields[static_cast<std::size_t>(a.field)];
            auto& buffer = f.file == DescFile::Item ? game.descriptions.item : game.descriptions.shop;
            return {buffer, descUnitOffset(a.record, f, 0), static_cast<std::size_t>(2 * f.units), false};
        }
        case synth::TextSlot::AmmoNameFirst:
            return {imageBytes(game), static_cast<std::size_t>(ammoNameRecordOffset(e, AmmoNameText::First, a.record)),
                    kAmmoNameRecordSize, true};
        case synth::TextSlot::AmmoNameSecond:
            return {imageBytes(game), static_cast<std::size_t>(ammoNameRecordOffset(e, AmmoNameText::Second, a.record)),
                    kAmmoNameRecordSize, true};
        case synth::TextSlot::Sound:
            return {imageBytes(game), static_cast<std::size_t>(nameRecordOffset(e, kSoundNames, a.record)),
                    kSoundNames.recordSize, true};
        case synth::TextSlot::Burst:
            return {imageBytes(game), static_cast<std::size_t>(nameRecordOffset(e, kBurstNames, a.record)),
                    kBurstNames.recordSize, true};
    }
    return {{}, 0, 0, false};
}

std::string describe(const synth::AwkwardText& a) {
    static const char* const kSlots[] = {"description", "first AmmoName", "second AmmoName", "sound", "burst"};
    return std::string(kSlots[static_cast<int>(a.slot)]) + " record " + std::to_string(a.record) + " field " +
           std::to_string(a.field);
}

// The whole awkward game comes back as MAKE wrote it, and its texts as they were.
TEST(Properties, AwkwardGameComesBackWhole) {
    for (int edition = 0; edition < kEditionCount; ++edition) {
        SCOPED_TRACE(edition);
        const Game loaded = synth::toGame(syntheticGame(edition, 4, true));
        const std::string first = statsText(loaded);
        const PatchResult p = patch(loaded, withCrLf(first));
        ASSERT_EQ(p.result, ReadResult::EndOfFile) << p.output;
        EXPECT_EQ(errorCount(p.output), 0u) << p.output;
        const std::string second = statsText(p.game);
        EXPECT_TRUE(second == first) << firstDifferentLine(second, first);
    }
}

// One awkward text at a time in an otherwise plain game. What a text can do is limited to its
// own slot: PATCH succeeds, the text's slot (for a description, not even that: descriptions
// are never saved) and the attachment table are all that changed, and MAKE shows it again.
TEST(Properties, EachAwkwardTextFailsCleanlyOrStaysInItsSlot) {
    // Each text once, the editions taking turns (the shop texts among those with a shop file).
    const std::vector<synth::AwkwardText> all = synth::awkwardTexts(1);
    const auto turn = [&](const synth::AwkwardText& a) {
        std::size_t i = 0;
        while (i < all.size() && !(all[i].slot == a.slot && all[i].record == a.record && all[i].field == a.field)) ++i;
        const bool shop = a.slot == synth::TextSlot::Description &&
                          kDescFields[static_cast<std::size_t>(a.field)].file == DescFile::Shop;
        return shop ? 1 + static_cast<int>(i % 4) : static_cast<int>(i % kEditionCount);
    };
    std::size_t checked = 0;
    for (int edition = 0; edition < kEditionCount; ++edition) {
        const Game plain = synth::toGame(syntheticGame(edition, 4, false));
        Game awkwardGame = synth::toGame(syntheticGame(edition, 4, true));
        for (const synth::AwkwardText& a : synth::awkwardTexts(edition)) {
            if (turn(a) != edition) continue;
            SCOPED_TRACE("edition " + std::to_string(edition) + ", " + describe(a));
            Game loaded = plain;
            const Slot from = slotOf(awkwardGame, a);
            const Slot to = slotOf(loaded, a);
            std::copy_n(from.buffer.begin() + static_cast<std::ptrdiff_t>(from.begin), from.size,
                        to.buffer.begin() + static_cast<std::ptrdiff_t>(to.begin));
            const std::string first = statsText(loaded);
            const PatchResult p = patch(loaded, withCrLf(first));
            ++checked;

            // Every text is quoted when it holds a tab, a line break or a quote, and comes back;
            // one that fills its record with no ending is left as it is.
            ASSERT_EQ(p.result, ReadResult::EndOfFile) << p.output;
            EXPECT_EQ(errorCount(p.output), 0u) << p.output;
            // Nothing changed outside the text's slot and the attachment table.
            std::vector<std::uint8_t> image = outsideTable(imageOf(p.game), edition);
            std::vector<std::uint8_t> before = outsideTable(imageOf(loaded), edition);
            if (to.inImage) {
                std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(to.begin), to.size, 0);
                std::fill_n(before.begin() + static_cast<std::ptrdiff_t>(to.begin), to.size, 0);
            }
            EXPECT_TRUE(image == before) << "a byte outside the text's slot changed";
            // MAKE again shows the same file: the text came back as it was.
            const std::string second = statsText(reloaded(imageOf(p.game), loaded));
            EXPECT_TRUE(second == first) << firstDifferentLine(second, first);
        }
    }
    EXPECT_EQ(checked, all.size());
}

// ---- random edits ------------------------------------------------------------------------

// One cell of the stats file that puts bytes into the image.
struct Cell {
    int line;   // index of the line in the file
    int field;  // index of the field in the line
    std::vector<std::size_t> bytes;  // the image bytes it writes
};

// Fields of a line are counted from its keyword and number.
constexpr int fieldInLine(std::size_t field) { return 1 + static_cast<int>(field); }
constexpr int kFirstAttachmentField = fieldInLine(kDescFields.size() + kColumnCount);

class EditedGame {
public:
    EditedGame(int edition, std::uint32_t seed)
        : loaded(synth::toGame(syntheticGame(edition, seed, false))), edition_(edition),
          e_(kEditions[static_cast<std::size_t>(edition)]) {
        lines_ = split(statsText(loaded), '\n');
        for (auto& line : lines_) fields_.push_back(split(line, '\t'));
        owners_.assign(imageBytes(loaded).size(), 0);
        collectCells();
        expectedImage = imageOf(loaded);
        expectedLines_ = fields_;
        rng_.seed(seed * 7919u + static_cast<std::uint32_t>(edition));
    }

    // Random edits of every kind; a cell sharing a byte with another cell is left alone (in
    // editions 1 to 4 the stat sections overlap, and the later row's value would win).
    void editAtRandom(int count) {
        for (int n = 0; n < count; ++n) {
            switch (n % 8) {
                case 0:
                case 1:
                case 2: editStat(); break;
                case 3: editList(); break;
                case 4: editAmmoName(); break;
                case 5: editByteName(); break;
                case 6: editAttachment(); break;
                case 7: editDescription(); break;
            }
        }
        limitAttachments();
    }

    std::string editedFile() const { return joinLines(fields_); }
    std::string expectedMake() const { return joinLines(expectedLines_); }
    const std::map<int, std::string>& descriptionEdits() const { return descriptionEdits_; }
    int edits() const { return edits_; }

    Game loaded;
    std::vector<std::uint8_t> expectedImage;

private:
    static std::string joinLines(const std::vector<std::vector<std::string>>& fields) {
        std::vector<std::string> lines;
        for (const auto& f : fields) lines.push_back(join(f, '\t'));
        return join(lines, '\n');
    }

    void addCell(std::vector<Cell>& to, int line, int field, std::size_t from, std::size_t count, std::size_t step) {
        Cell c{line, field, {}};
        for (std::size_t b = 0; b < count; ++b) {
            c.bytes.push_back(from + b * step);
            ++owners_[from + b * step];
        }
        to.push_back(std::move(c));
    }

    // The cells that put bytes into the image, in file order, where MAKE shows a value.
    void collectCells() {
        int line = 0;  // the heading line's is 0
        forEachField(e_, [&](const FieldRef& f) {
            if (f.field == 0) ++line;
            if (!fieldShown(loaded, f)) return;
            const int field = fieldInLine(f.field);
            const LineType& t = kLineTypes[f.line];
            const auto at = [](std::int64_t offset) { return static_cast<std::size_t>(offset); };
            switch (t.kind) {
                case LineKind::Item:
                    if (itemCell(f).kind == CellKind::Stat) {
                        const Column& c = column(itemCell(f));
                        addCell(stats_, line, field, at(valueOffset(sectionRecord(e_, c.section), c, f.record)),
                                static_cast<std::size_t>(columnWidth(c.kind)), 1);
                        statKinds_.push_back(c.kind);
                    }
                    break;
                case LineKind::NumericList:
                    addCell(lists_, line, field, at(listValueOffset(e_, numericList(t), f.record, f.field)), 2, 1);
                    break;
                case LineKind::AmmoName:
                    addCell(ammoNames_, line, field, at(ammoNameRecordOffset(e_, ammoNameText(f), f.record)), 20, 2);
                    break;
                case LineKind::Name:
                    addCell(byteNames_, line, field, at(nameRecordOffset(e_, nameTable(t), f.record)),
                            static_cast<std::size_t>(nameTable(t).recordSize), 1);
                    break;
            }
        });
    }

    bool alone(const Cell& c) const {
        for (std::size_t b : c.bytes) {
            if (owners_[b] != 1) return false;
        }
        return true;
    }

    template <typename T>
    const T& pick(const std::vector<T>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng_)];
    }
    std::int64_t number(std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(rng_);
    }
    // Printable, without the tab and double quote that list texts drop.
    std::string text(std::size_t maxLength, std::size_t minLength = 0) {
        std::string t(static_cast<std::size_t>(
                          number(static_cast<std::int64_t>(minLength), static_cast<std::int64_t>(maxLength))),
                      ' ');
        for (char& ch : t) {
            do ch = static_cast<char>(number(32, 126));
            while (ch == '"');
        }
        return t;
    }

    void set(const Cell& c, const std::string& written, const std::string& shown) {
        fields_[static_cast<std::size_t>(c.line)][static_cast<std::size_t>(c.field)] = written;
        expectedLines_[static_cast<std::size_t>(c.line)][static_cast<std::size_t>(c.field)] = shown;
        ++edits_;
    }

    void editStat() {
        for (;;) {
            const std::size_t i = std::uniform_int_distribution<std::size_t>(0, stats_.size() - 1)(rng_);
            const Cell& c = stats_[i];
            if (!alone(c)) continue;
            const ColumnKind kind = statKinds_[i];
            const bool wide = columnWidth(kind) == 2;
            // Out-of-width numbers as often as in-width ones: only the low bits are stored.
            const std::int64_t value =
                number(0, 1) ? number(wide ? -70000 : -300, wide ? 140000 : 600) : number(0, wide ? 65535 : 255);
            const auto bits = static_cast<std::uint32_t>(value) & (wide ? 0xFFFFu : 0xFFu);
            expectedImage[c.bytes[0]] = static_cast<std::uint8_t>(bits);
            if (wide) expectedImage[c.bytes[1]] = static_cast<std::uint8_t>(bits >> 8);
            std::int64_t shown = bits;
            if (kind == ColumnKind::S8) shown = static_cast<std::int8_t>(bits);
            if (kind == ColumnKind::S16) shown = static_cast<std::int16_t>(bits);
            set(c, std::to_string(value), std::to_string(shown));
            return;
        }
    }

    void editList() {
        const Cell& c = pick(lists_);
        ASSERT_TRUE(alone(c));
        const std::int64_t value = number(-70000, 140000);
        const auto bits = static_cast<std::uint32_t>(value) & 0xFFFFu;
        expectedImage[c.bytes[0]] = static_cast<std::uint8_t>(bits);
        expectedImage[c.bytes[1]] = static_cast<std::uint8_t>(bits >> 8);
        set(c, std::to_string(value), std::to_string(bits));
    }

    void storeText(const Cell& c, const std::string& t) {
        for (std::size_t b : c.bytes) expectedImage[b] = imageBytes(loaded)[b];  // an earlier edit of the cell is gone
        for (std::size_t j = 0; j < t.size(); ++j) expectedImage[c.bytes[j]] = static_cast<std::uint8_t>(t[j]);
        expectedImage[c.bytes[t.size()]] = 0;
        set(c, t, t);
    }

    void editAmmoName() {
        const Cell& c = pick(ammoNames_);
        ASSERT_TRUE(alone(c));
        storeText(c, text(kAmmoNameMaxLength));
    }

    void editByteName() {
        const Cell& c = pick(byteNames_);
        ASSERT_TRUE(alone(c));
        storeText(c, text(c.bytes.size() - 1));
    }

    void editAttachment() {
        const int lastWeapon = sectionRecord(edition_, Section::Weapons).lastItem;
        const int line = 1 + static_cast<int>(number(0, lastWeapon));
        const int field = kFirstAttachmentField + static_cast<int>(number(0, 7));
        static const char* const kMarks[] = {"0", "1", "2", "-1"};
        const std::string mark = kMarks[number(0, 3)];
        fields_[static_cast<std::size_t>(line)][static_cast<std::size_t>(field)] = mark;
        expectedLines_[static_cast<std::size_t>(line)][static_cast<std::size_t>(field)] = mark == "0" ? "0" : "1";
        ++edits_;
    }

    // A description with double quotes inside it (never at its start): stored as typed, in the
    // buffers only, so MAKE from the files still shows the old text.
    void editDescription() {
        const int item = static_cast<int>(number(0, kItemCount - 1));
        const std::string t = "Say \"" + text(20, 1) + "\" twice\"";  // a doubled quote would stand for one
        fields_[static_cast<std::size_t>(1 + item)][2] = t;
        descriptionEdits_[item] = t;
        ++edits_;
    }

    // The rebuild writes no more pairs than the table holds: turn surplus marks back to 0.
    void limitAttachments() {
        const int lastWeapon = sectionRecord(edition_, Section::Weapons).lastItem;
        int marked = 0;
        for (int item = 0; item <= lastWeapon; ++item) {
            for (int k = 0; k < 8; ++k) {
                auto& f =
                    fields_[static_cast<std::size_t>(1 + item)][static_cast<std::size_t>(kFirstAttachmentField + k)];
                if (f != "0" && ++marked > weaponAttachCapacity(e_)) {
                    f = "0";
                    expectedLines_[static_cast<std::size_t>(1 + item)]
                                  [static_cast<std::size_t>(kFirstAttachmentField + k)] = "0";
                }
            }
        }
    }

    int edition_;
    const Edition& e_;
    std::vector<std::string> lines_;
    std::vector<std::vector<std::string>> fields_;
    std::vector<std::vector<std::string>> expectedLines_;
    std::vector<std::uint8_t> owners_;
    std::vector<Cell> stats_;
    std::vector<ColumnKind> statKinds_;
    std::vector<Cell> lists_;
    std::vector<Cell> ammoNames_;
    std::vector<Cell> byteNames_;
    std::map<int, std::string> descriptionEdits_;
    std::mt19937 rng_;
    int edits_ = 0;
};

TEST(Properties, RandomEditsLandAtTheirBytesAndSpreadsheetSavesAgree) {
    for (int edition = 0; edition < kEditionCount; ++edition) {
        SCOPED_TRACE(edition);
        EditedGame g(edition, 2);
        g.editAtRandom(400);
        const std::string plain = g.editedFile();
        const PatchResult p = patch(g.loaded, plain);
        ASSERT_EQ(p.result, ReadResult::EndOfFile) << p.output;
        EXPECT_EQ(errorCount(p.output), 0u);
        // Every edit at its bytes, and nothing else outside the attachment table.
        const auto got = outsideTable(imageOf(p.game), edition);
        const auto want = outsideTable(g.expectedImage, edition);
        for (std::size_t i = 0; i < got.size(); ++i) {
            if (got[i] != want[i]) {
                ADD_FAILURE() << "image byte " << i << " is " << int(got[i]) << ", expected " << int(want[i]);
                break;
            }
        }
        // MAKE shows the edited values, attachment marks included.
        const std::string after = statsText(reloaded(imageOf(p.game), g.loaded));
        EXPECT_TRUE(after == g.expectedMake()) << firstDifferentLine(after, g.expectedMake());
        for (const auto& [item, text] : g.descriptionEdits()) {
            EXPECT_EQ(readDescriptionText(p.game.descriptions.view(DescFile::Item), item, kDescFields[1]), text);
        }

        // Saved as a spreadsheet saves it: the same executable and the same texts read.
        const std::string sheet = asSpreadsheetSaves(plain);
        ASSERT_NE(sheet.find("\r\nItem 0\t\""), std::string::npos);
        const PatchResult s = patch(g.loaded, sheet);
        ASSERT_EQ(s.result, ReadResult::EndOfFile) << s.output;
        for (std::size_t i = 0; i < s.game.image().bytes().size(); ++i) {
            if (s.game.image().bytes()[i] != p.game.image().bytes()[i]) {
                ADD_FAILURE() << "the spreadsheet's file gave another executable at byte " << i << ": "
                              << int(s.game.image().bytes()[i]) << " instead of " << int(p.game.image().bytes()[i]);
                break;
            }
        }
        EXPECT_TRUE(s.game.descriptions.item == p.game.descriptions.item);
        EXPECT_TRUE(s.game.descriptions.shop == p.game.descriptions.shop);
        EXPECT_EQ(s.output, p.output);
    }
}

// merge reads every mod onto one working copy of the master and compares only what the mod
// reached: it finds what comparing every field of a fresh copy finds, and the copy is the
// master again after each mod, also after a rebuild that leaves out pairs.
TEST(Properties, MergeFindsWhatComparingEveryFieldFindsAndPutsItsCopyBack) {
    for (int edition = 0; edition < kEditionCount; ++edition) {
        SCOPED_TRACE(edition);
        EditedGame g(edition, 3);
        g.editAtRandom(300);
        const Game& master = g.loaded;
        std::vector<std::string> lines = split(statsText(master), '\n');
        const std::vector<std::string> heading = split(lines[0], '\t');
        for (std::size_t item = 0; item < kItemCount; ++item) {  // every weapon with every attachment
            std::vector<std::string> cells = split(lines[1 + item], '\t');
            for (std::size_t c = 0; c < heading.size(); ++c) {
                if (heading[c].ends_with('?') && cells[c] != "n/a") cells[c] = "1";
            }
            lines[1 + item] = join(cells, '\t');
        }
        std::size_t asked = 0;
        std::optional<Game> work = master.tryCopyOfTables(asked, noFaults());
        ASSERT_TRUE(work);
        const ByteSpan span = tableSpan(master.edition());
        const auto tables = [&](const Game& game) {
            const auto bytes = game.image().bytes().subspan(static_cast<std::size_t>(span.begin));
            return std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + span.size());
        };
        for (const std::string& mod : {g.editedFile(), join(lines, '\n'), g.editedFile()}) {
            Game fresh = master;
            ASSERT_TRUE(applyStatsFile(fresh, mod, noFaults()).ok());
            std::vector<std::pair<std::string, std::string>> everyField;
            forEachField(master.edition(), [&](const FieldRef& f) {
                const FieldValue v = readField(fresh, f);
                if (fieldShown(master, f) && !(v == readField(master, f))) {
                    everyField.emplace_back(fieldLabel(f) + " " + std::to_string(f.record),
                                            v.text + std::to_string(v.number));
                }
            });
            const Reading reading = applyStatsFile(*work, mod, noFaults());
            ASSERT_TRUE(reading.ok());
            MergedMods merged;
            ASSERT_TRUE(merged.add(master, *work, reading.reached.fields(), 0, asked));
            std::vector<GivenField> winners;
            ASSERT_TRUE(merged.takeWinners(winners, asked));
            std::vector<std::pair<std::string, std::string>> found;
            for (const GivenField& w : winners) {
                found.emplace_back(fieldLabel(w.field) + " " + std::to_string(w.field.record),
                                   w.value.text + std::to_string(w.value.number));
            }
            EXPECT_EQ(found, everyField);
            EXPECT_TRUE(tables(*work) == tables(master));
            EXPECT_TRUE(work->descriptions.item == master.descriptions.item);
            EXPECT_TRUE(work->descriptions.shop == master.descriptions.shop);
        }
    }
}

// A spreadsheet that quotes every text saves an empty AmmoName text as two quotes: it must
// stay empty, not become a quote, while a doubled quote inside a text still stands for one.
TEST(Properties, SpreadsheetQuotedEmptyAmmoNameStaysEmpty) {
    const int edition = 4;
    const Game loaded = synth::toGame(syntheticGame(edition, 2, false));
    const Edition& e = kEditions[edition];
    std::string heading = statsText(loaded).substr(0, statsText(loaded).find('\n'));
    const std::string file = heading +
                             "\r\nAmmoName 1\t\"\"\t\"\"\r\nAmmoName 2\t\"\"\"\"\t\"\"\"x\"\"\"\r\n"
                             "AmmoName 3\t\"\"\t\"\"";  // the last at the end of the file
    const PatchResult p = patch(loaded, file);
    ASSERT_EQ(p.result, ReadResult::EndOfFile) << p.output;
    const ByteView image = p.game.image();
    for (int r : {1, 3}) {
        EXPECT_EQ(readAmmoNameText(image, e, AmmoNameText::First, r), "") << r;
        EXPECT_EQ(readAmmoNameText(image, e, AmmoNameText::Second, r), "") << r;
    }
    EXPECT_EQ(readAmmoNameText(image, e, AmmoNameText::First, 2), "\"");
    EXPECT_EQ(readAmmoNameText(image, e, AmmoNameText::Second, 2), "\"x\"");
}

}  // namespace
}  // namespace vantedit
