#include "fuzz_checks.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <sstream>
#include <string_view>

#include "app/messages.h"
#include "dump/stats_writer.h"
#include "model/attachments.h"
#include "model/list_tables.h"
#include "model/sections.h"
#include "model/table_span.h"
#include "patch/stats_reader.h"
#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit::fuzz {

namespace {

struct Range {
    std::size_t begin;
    std::size_t end;
};

std::size_t at(std::int64_t offset) { return static_cast<std::size_t>(offset); }

const Edition& editionRecord(int edition) { return kEditions[static_cast<std::size_t>(edition)]; }

// Where the stats file may put bytes: the stat sections, the numeric lists, the sound and
// burst names (all bytes), and the AmmoName records (their low bytes only). The weapon
// attachment table is not among them: only the rebuild after the reading writes it.
struct ImageAreas {
    std::vector<Range> whole;       // any byte may change
    std::vector<Range> lowBytes;    // AmmoName records: only bytes at an even distance from the start
    std::vector<Range> untouched;   // everything else
};

void addRange(std::vector<Range>& ranges, std::int64_t begin, std::int64_t end) {
    if (end > begin) ranges.push_back({at(begin), at(end)});
}

std::vector<Range> merged(std::vector<Range> ranges) {
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
    std::vector<Range> out;
    for (const Range& r : ranges) {
        if (!out.empty() && r.begin <= out.back().end) {
            out.back().end = std::max(out.back().end, r.end);
        } else {
            out.push_back(r);
        }
    }
    return out;
}

ImageAreas imageAreas(int edition) {
    const Edition& e = editionRecord(edition);
    ImageAreas areas;
    for (const TableExtent& t : tableExtents(e)) {
        addRange(t.kind == TableKind::AmmoNames ? areas.lowBytes : areas.whole, t.span.begin, t.span.end);
    }
    areas.whole = merged(areas.whole);
    // The checks below rely on the AmmoName records lying clear of every other table.
    for (const Range& low : areas.lowBytes) {
        for (const Range& w : areas.whole) {
            if (low.begin < w.end && w.begin < low.end) std::abort();
        }
    }
    std::vector<Range> touched = areas.whole;
    touched.insert(touched.end(), areas.lowBytes.begin(), areas.lowBytes.end());
    touched = merged(touched);
    std::size_t from = 0;
    for (const Range& r : touched) {
        if (r.begin > from) areas.untouched.push_back({from, r.begin});
        from = r.end;
    }
    areas.untouched.push_back({from, static_cast<std::size_t>(e.fileSize)});
    return areas;
}

// ---- stats reader ------------------------------------------------------------------------

struct ReaderEdition {
    explicit ReaderEdition(int edition)
        : pristine(synth::toGame(synth::makeSyntheticGame({edition, 1, false}))), work(pristine),
          areas(imageAreas(edition)) {}
    Game pristine;
    Game work;
    ImageAreas areas;
};

ReaderEdition& readerEdition(int edition) {
    static std::array<std::unique_ptr<ReaderEdition>, kEditionCount> editions;
    auto& slot = editions[static_cast<std::size_t>(edition)];
    if (!slot) {
        slot = std::make_unique<ReaderEdition>(edition);
    }
    return *slot;
}

std::size_t countOf(std::string_view text, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t p = text.find(what); p != std::string_view::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

// Only the first byte of every 16-bit character unit may change.
std::string checkDescriptionBuffer(const std::vector<std::uint8_t>& now, const std::vector<std::uint8_t>& before,
                                   const char* name) {
    if (now.size() != before.size()) return std::string(name) + " description buffer changed its size";
    // Eight bytes at a time: a unit's second byte is every odd byte (the buffer's size is even).
    constexpr std::uint64_t kSecondBytes = 0xFF00FF00FF00FF00ULL;
    for (std::size_t i = 0; i + 8 <= now.size(); i += 8) {
        std::uint64_t a = 0;
        std::uint64_t b = 0;
        std::memcpy(&a, now.data() + i, 8);
        std::memcpy(&b, before.data() + i, 8);
        if (((a ^ b) & kSecondBytes) != 0) {
            return std::string(name) + " description buffer: the second byte of a unit changed near " +
                   std::to_string(i);
        }
    }
    return {};
}

// The rebuilt table holds the pairs the columns can express, and the pairs it held before.
std::string checkWeaponAttachTable(const Game& game, const Game& pristine) {
    const Edition& e = game.edition();
    const std::int32_t lastWeapon = sectionRecord(e, Section::Weapons).lastItem;
    for (std::int32_t r = 0; r < weaponAttachCapacity(e); ++r) {
        const std::uint32_t pair = readWeaponAttachRecord(game.image(), e, r);
        const bool expressible =
            attachmentKindIndex(pairAttachment(pair)) != kAttachmentKindCount && pairWeapon(pair) <= lastWeapon;
        // A table with no pair at all is filled with zero records.
        if (pair == 0 || expressible ||
            attachmentPairExists(pristine.image(), e, pairWeapon(pair), pairAttachment(pair))) {
            continue;
        }
        return "the weapon attachment table's record " + std::to_string(r) + " holds a pair from nowhere";
    }
    return {};
}

std::string checkReadResult(const Reading& reading) {
    std::ostringstream printed;
    printReading(printed, reading);
    const std::string output = printed.str();
    // The failure's message on its own: it may quote the file's own words, any words.
    Reading failureOnly;
    failureOnly.failure = reading.failure;
    std::ostringstream failurePrinted;
    printReading(failurePrinted, failureOnly);
    const std::string failure = failurePrinted.str();
    if (!output.ends_with(failure)) return "the failure's message does not end the output: " + output;
    const std::string notices = output.substr(0, output.size() - failure.size());
    if (countOf(notices, "Error while parsing") != 0) return "a warning printed an error: " + output;
    if (!reading.ok()) {
        if (failure.empty() || failure.back() != '\n' ||
            countOf(failure, "Error while parsing") + countOf(failure, "Unable to allocate") == 0) {
            return "no error message ends the output: " + output;
        }
    } else if (!failure.empty()) {
        return "a reading that succeeded printed an error: " + output;
    }
    if (countOf(output, "Old 'AmmoType' format detected") > 1) return "the AmmoType warning came twice";
    if (countOf(output, "No byte order mark") > 1) return "the UTF-8 warning came twice";
    if (countOf(output, ": no such item, row skipped") > kMostTold) return "more than 20 rows naming no item told";
    return {};
}

// ---- stats writer ------------------------------------------------------------------------

struct WriterEdition {
    explicit WriterEdition(const Edition& e)
        : game(e, std::vector<std::uint8_t>(static_cast<std::size_t>(e.fileSize), 0)) {}
    Game game;
    std::vector<Range> read;  // every image byte the writer may read
};

WriterEdition& writerEdition(int edition) {
    static std::array<std::unique_ptr<WriterEdition>, kEditionCount> editions;
    auto& slot = editions[static_cast<std::size_t>(edition)];
    if (!slot) {
        const Edition& e = editionRecord(edition);
        slot = std::make_unique<WriterEdition>(e);
        slot->game.descriptions.item.assign(kDescFileSize, 0);
        slot->game.descriptions.hasShop = e.hasShopFile();
        if (e.hasShopFile()) slot->game.descriptions.shop.assign(kDescFileSize, 0);
        ImageAreas areas = imageAreas(edition);
        slot->read = areas.whole;
        slot->read.insert(slot->read.end(), areas.lowBytes.begin(), areas.lowBytes.end());
        addRange(slot->read, e.weaponAttachOffset, e.attachOffset);
        slot->read = merged(slot->read);
    }
    return *slot;
}

// The payload, cycled without restarting across every range it fills. It is laid out
// repeatedly once, so that even a one-byte payload fills in large blocks.
class Cycle {
public:
    Cycle(const std::uint8_t* data, std::size_t size) : size_(size) {
        if (size == 0) return;
        const std::size_t copies = (kBlock + size - 1) / size + 1;
        pattern_.reserve(copies * size);
        for (std::size_t c = 0; c < copies; ++c) pattern_.insert(pattern_.end(), data, data + size);
    }
    void fill(std::uint8_t* to, std::size_t count) {
        if (size_ == 0) {
            std::memset(to, 0, count);
            return;
        }
        while (count > 0) {
            const std::size_t n = std::min(count, pattern_.size() - next_);
            std::memcpy(to, pattern_.data() + next_, n);
            to += n;
            count -= n;
            next_ = (next_ + n) % size_;
        }
    }

private:
    static constexpr std::size_t kBlock = 65536;
    std::vector<std::uint8_t> pattern_;
    std::size_t size_;
    std::size_t next_ = 0;
};

// A model of the stats file written from the game's bytes directly, without the program's
// accessors; every index is checked against its buffer.
class ExpectedFile {
public:
    explicit ExpectedFile(const Game& game) : game_(game), e_(game.edition()) {}

    std::string build() {
        // Which pairs the weapon attachment table holds, from one walk over it.
        const std::int32_t lastWeapon = sectionRecord(e_, Section::Weapons).lastItem;
        for (std::int64_t p = e_.weaponAttachOffset; p < e_.attachOffset; p += 4) {
            const std::uint32_t attachment = word(p);
            const std::uint32_t weapon = word(p + 2);
            for (std::size_t k = 0; k < kAttachmentKinds.size(); ++k) {
                if (attachment == static_cast<std::uint32_t>(kAttachmentKinds[k].item) &&
                    weapon <= static_cast<std::uint32_t>(lastWeapon)) {
                    pairs_[k][weapon] = true;
                }
            }
        }
        out_ = kHeading;
        for (int item = 0; item < kItemCount; ++item) itemRow(item);
        lists();
        return out_;
    }

    std::string problem;

private:
    static constexpr std::string_view kHeading =
        "Offset\tShort Name\tLong Name\tDescription\tHalvek's Name\tHalvek's Description"
        "\tClass1\tClass2\tAmmo Type\tDraw Cost\tFire Rate\tBurst Size\tBurst Pen\tVelocity\tDamage\tPrestige"
        "\tUnknown\tClip Size\tRange\tUnknown\tUnknown\tLoudness\tUnknown\tFire Sound\tBurst Sound (Unused)"
        "\tReload Sound 1\tReload Sound 2"
        "\tAttack Type\tUsage\tUnknown\tUnknown\tSpecial Offset\tCursor Type\tUnknown\tGraphic1\tGraphic2\tWeight"
        "\tSize\tUnknown\tPrice\tProgress\tDurability\tRepair\tUnknown\tHands\tAvailability"
        "\tClip Type\tClip Size\tClip Kind"
        "\tArmour Type\tArmour Strength\tArmour Durabilty"
        "\tExp Type\tExp Damage\tExp Breath\tExp Radius\tUnknown (Sound?)\tStability\tAnimation"
        "\tHalvek's Stock\tHV's Used Stock"
        "\tHV's Fire Rate"
        "\tSilencer?\tLaser Scope?\tSniper Scope?\tBipod?\tTalon?\tDuckbill?\tRod & Spring?\tBarrel Extender?";

    std::uint8_t byte(std::span<const std::uint8_t> buffer, std::int64_t offset) {
        if (offset < 0 || static_cast<std::size_t>(offset) >= buffer.size()) {
            problem = "the model needed a byte outside its buffer at " + std::to_string(offset);
            return 0;
        }
        return buffer[static_cast<std::size_t>(offset)];
    }
    std::uint32_t word(std::int64_t offset) {
        return byte(game_.image().bytes(), offset) | (std::uint32_t{byte(game_.image().bytes(), offset + 1)} << 8);
    }
    void number(std::int64_t value) {
        out_ += '\t';
        out_ += std::to_string(value);
    }

    // A text with a double quote, a tab or a line break is a quoted field, the quotes inside doubled.
    void text(const std::string& t) {
        if (t.find_first_of("\"\t\n\r") == std::string::npos) {
            out_ += t;
            return;
        }
        out_ += '"';
        for (char c : t) out_ += c == '"' ? std::string("\"\"") : std::string(1, c);
        out_ += '"';
    }

    void descText(const std::vector<std::uint8_t>& buffer, int item, int start, int units) {
        std::string t;
        for (int k = 0; k < units; ++k) {
            const std::uint8_t b = byte(buffer, std::int64_t{item} * 800 + start + 2 * k);
            if (b == 0) break;
            t += static_cast<char>(b > 32 ? b - 1 : b);
        }
        text(t);
    }

    void itemRow(int item) {
        out_ += "\nItem " + std::to_string(item) + "\t";
        const auto& desc = game_.descriptions;
        descText(desc.item, item, 0, 80);
        out_ += '\t';
        descText(desc.item, item, 160, 80);
        out_ += '\t';
        descText(desc.item, item, 320, 240);
        out_ += '\t';
        if (e_.hasShopFile()) {
            descText(desc.shop, item, 0, 80);
            out_ += '\t';
            descText(desc.shop, item, 160, 320);
        } else {
            out_ += "n/a\tn/a";
        }
        for (Section s : kAllSections) {
            const SectionRecord r = sectionRecord(e_, s);
            for (const Column& c : sectionColumns(s)) {
                if (item < r.firstItem || item > r.lastItem) {
                    out_ += "\tn/a";
                    continue;
                }
                const std::int64_t offset =
                    std::int64_t{r.fileOffset} + std::int64_t{item - r.firstItem} * r.recordSize + c.recordOffset;
                switch (c.kind) {
                    case ColumnKind::U8: number(byte(game_.image().bytes(), offset)); break;
                    case ColumnKind::S8: number(static_cast<std::int8_t>(byte(game_.image().bytes(), offset))); break;
                    case ColumnKind::U16: number(word(offset)); break;
                    case ColumnKind::S16: number(static_cast<std::int16_t>(word(offset))); break;
                }
            }
        }
        const bool weapon = item <= sectionRecord(e_, Section::Weapons).lastItem;
        for (std::size_t k = 0; k < kAttachmentKinds.size(); ++k) {
            if (!weapon) {
                out_ += "\tn/a";
                continue;
            }
            out_ += pairs_[k][static_cast<std::size_t>(item)] ? "\t1" : "\t0";
        }
    }

    void listLines(const char* keyword, std::int32_t from, std::int32_t to, int recordSize) {
        int n = 0;
        for (std::int64_t p = from; p < to; p += recordSize, ++n) {
            out_ += "\n" + std::string(keyword) + " " + std::to_string(n);
            for (int v = 0; v < recordSize / 2; ++v) number(word(p + 2 * v));
        }
    }

    void ammoText(std::int64_t record) {
        std::string t;
        for (int j = 0; j < 20; ++j) {
            const std::uint8_t c = byte(game_.image().bytes(), record + 2 * j);
            if (c == 0) break;
            t += static_cast<char>(c);
        }
        text(t);
    }

    void byteName(std::int64_t record, int size) {
        std::string t;
        for (int j = 0; j < size; ++j) {
            const std::uint8_t c = byte(game_.image().bytes(), record + j);
            if (c == 0) break;
            t += static_cast<char>(c);
        }
        text(t);
    }

    void lists() {
        listLines("Attach", e_.attachOffset, e_.ammoAttachOffset, 4);
        listLines("AmmoAttach", e_.ammoAttachOffset, e_.excludeOffset, 4);
        listLines("Exclude", e_.excludeOffset, e_.combine2Offset, 4);
        listLines("Combine2", e_.combine2Offset, e_.combine3Offset, 8);
        listLines("Combine3", e_.combine3Offset, e_.convertWeaponOffset, 8);
        listLines("ConvertWeapon", e_.convertWeaponOffset, e_.convertAmmoOffset, 4);
        listLines("ConvertAmmo", e_.convertAmmoOffset, e_.listEnd, 4);
        for (int i = 0; i < e_.ammoNameCount; ++i) {
            out_ += "\nAmmoName " + std::to_string(i) + "\t";
            if (i < e_.ammoNameFirstCount) {
                ammoText(std::int64_t{e_.ammoNameFirstOffset} + 40 * (i - 1));
            } else {
                out_ += "n/a";
            }
            out_ += '\t';
            ammoText(std::int64_t{e_.ammoNameSecondOffset} + 40 * (i - 1));
        }
        for (int i = 0; i < 291; ++i) {
            out_ += "\nSound " + std::to_string(i) + "\t";
            byteName(std::int64_t{e_.soundNameOffset} + 255 * i, 255);
        }
        for (int i = 0; i < 34; ++i) {
            out_ += "\nBurst " + std::to_string(i) + "\t";
            byteName(std::int64_t{e_.burstNameOffset} + 15 * i, 15);
        }
    }

    const Game& game_;
    const Edition& e_;
    std::string out_;
    std::array<std::array<bool, 256>, kAttachmentKinds.size()> pairs_{};  // by kind, then weapon
};

// The structure the readers rely on, counted on the writer's own output.
std::string checkShape(const std::string& text) {
    const std::size_t firstBreak = text.find('\n');
    if (firstBreak == std::string::npos) return "no line after the heading line";
    if (std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(firstBreak), '\t') != 69) {
        return "the heading line does not hold 69 tabs";
    }
    // Its name may hold any byte but 0, line breaks included, so only its opening is sure.
    const std::size_t last = text.rfind("\nBurst 33\t");
    if (last == std::string::npos) return "no Burst line 33";
    if (text.find('\0', last) != std::string::npos) return "a byte 0 after the opening of Burst line 33";
    return {};
}

std::string firstDifference(const std::string& got, const std::string& want) {
    std::size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
    const std::size_t from = i < 40 ? 0 : i - 40;
    std::ostringstream s;
    s << "the stats file differs from the model at byte " << i << " of " << got.size() << " (model " << want.size()
      << "): got [" << got.substr(from, 80) << "] want [" << want.substr(from, 80) << "]";
    return s.str();
}

// ---- seeds -------------------------------------------------------------------------------

template <typename Edit>
std::string eachLine(const std::string& text, Edit edit) {
    std::string out;
    std::size_t from = 0;
    bool first = true;
    for (;;) {
        const std::size_t br = text.find('\n', from);
        std::string line = text.substr(from, br == std::string::npos ? std::string::npos : br - from);
        const std::string edited = edit(line, first);
        if (first || !edited.empty()) {  // an empty result drops the line
            if (!first) out += '\n';
            out += edited;
        }
        first = false;
        if (br == std::string::npos) return out;
        from = br + 1;
    }
}

int leadingNumber(const std::string& line, std::size_t from) {
    int n = 0;
    while (from < line.size() && line[from] >= '0' && line[from] <= '9') n = n * 10 + (line[from++] - '0');
    return n;
}

std::string withEditionByte(int edition, const std::string& text) {
    return std::string(1, static_cast<char>(edition)) + text;
}

// The heading line, the first rows, the rows around the end of the Weapons section and all
// the list lines but most sound names: every kind of line, small enough to mutate quickly.
std::string shortCut(const std::string& text, int edition) {
    const std::int32_t lastWeapon = sectionRecord(editionRecord(edition), Section::Weapons).lastItem;
    return eachLine(text, [&](const std::string& line, bool first) -> std::string {
        if (first) return line;
        if (line.starts_with("Item ")) {
            const int item = leadingNumber(line, 5);
            const bool keep = item < 3 || (item >= lastWeapon && item <= lastWeapon + 1) || item == 350 || item == 71 ||
                              item == 131 || item == 161;
            return keep ? line : std::string();
        }
        if (line.starts_with("Sound ")) {
            const int n = leadingNumber(line, 6);
            return n < 3 || n == 290 ? line : std::string();
        }
        return line;
    });
}

}  // namespace

std::string checkStatsReaderInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return {};
    const int edition = data[0] % kEditionCount;
    ReaderEdition& state = readerEdition(edition);
    Game& game = state.work;
    const Reading result =
        applyStatsFile(game, std::string(reinterpret_cast<const char*>(data) + 1, size - 1), noFaults());

    std::string problem = checkReadResult(result);
    if (problem.empty() &&
        (editionIndex(game.edition()) != edition || game.image().size() != state.pristine.image().size())) {
        problem = "the game's edition or image size changed";
    }
    if (problem.empty() && game.descriptions.hasShop != state.pristine.descriptions.hasShop) {
        problem = "the shop buffer flag changed";
    }
    if (problem.empty()) {
        for (const Range& r : state.areas.untouched) {
            if (std::memcmp(game.mutableImage().bytes().data() + r.begin,
                            state.pristine.image().bytes().data() + r.begin, r.end - r.begin) != 0) {
                std::size_t i = r.begin;
                while (game.image().bytes()[i] == state.pristine.image().bytes()[i]) ++i;
                problem = "image byte " + std::to_string(i) + " outside the stats file's tables changed";
                break;
            }
        }
    }
    if (problem.empty()) {
        for (const Range& r : state.areas.lowBytes) {
            for (std::size_t i = r.begin + 1; i < r.end; i += 2) {
                if (game.image().bytes()[i] != state.pristine.image().bytes()[i]) {
                    problem = "the high byte of an AmmoName character changed at " + std::to_string(i);
                    break;
                }
            }
        }
    }
    if (problem.empty())
        problem = checkDescriptionBuffer(game.descriptions.item, state.pristine.descriptions.item, "item");
    if (problem.empty())
        problem = checkDescriptionBuffer(game.descriptions.shop, state.pristine.descriptions.shop, "shop");
    if (problem.empty()) problem = checkWeaponAttachTable(game, state.pristine);

    // Back to the pristine game for the next input.
    for (const std::vector<Range>* ranges : {&state.areas.whole, &state.areas.lowBytes}) {
        for (const Range& r : *ranges) {
            std::memcpy(game.mutableImage().bytes().data() + r.begin, state.pristine.image().bytes().data() + r.begin,
                        r.end - r.begin);
        }
    }
    if (!problem.empty()) game = state.pristine;
    game.descriptions = state.pristine.descriptions;
    return problem;
}

std::string checkStatsWriterInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return {};
    const int edition = data[0] % kEditionCount;
    WriterEdition& state = writerEdition(edition);
    Game& game = state.game;
    Cycle cycle(data + 1, size - 1);
    for (const Range& r : state.read) cycle.fill(game.mutableImage().bytes().data() + r.begin, r.end - r.begin);
    cycle.fill(game.descriptions.item.data(), game.descriptions.item.size());
    if (!game.descriptions.shop.empty()) cycle.fill(game.descriptions.shop.data(), game.descriptions.shop.size());

    std::string text;
    writeStatsFile(text, game);
    ExpectedFile model(game);
    const std::string expected = model.build();
    if (!model.problem.empty()) return model.problem;
    std::string problem = checkShape(text);
    if (problem.empty() && text != expected) problem = firstDifference(text, expected);
    return problem;
}

std::vector<SeedInput> readerSeeds() {
    std::vector<SeedInput> seeds;
    for (int edition = 0; edition < kEditionCount; ++edition) {
        std::vector<SeedInput> more = readerSeeds(edition);
        seeds.insert(seeds.end(), more.begin(), more.end());
    }
    return seeds;
}

std::vector<SeedInput> readerSeeds(int edition) {
    std::vector<SeedInput> seeds;
    const std::string text = statsText(synth::toGame(synth::makeSyntheticGame({edition, 1, false})));
    const std::string tag = "edition" + std::to_string(edition);
    const std::string cut = shortCut(text, edition);
    seeds.push_back({tag + "-make", withEditionByte(edition, withCrLf(text))});
    seeds.push_back({tag + "-make-short", withEditionByte(edition, withCrLf(cut))});
    seeds.push_back({tag + "-72-headings", withEditionByte(edition, withCrLf(asOlderLayout(cut, 72)))});
    seeds.push_back({tag + "-73-headings", withEditionByte(edition, withCrLf(asOlderLayout(cut, 73)))});
    seeds.push_back({tag + "-spreadsheet", withEditionByte(edition, asSpreadsheetSaves(cut))});
    // The awkward texts in their places: tabs, line feeds and quotes inside texts.
    const std::string awkwardText = statsText(synth::toGame(synth::makeSyntheticGame({edition, 1, true})));
    seeds.push_back({tag + "-awkward-short", withEditionByte(edition, withCrLf(shortCut(awkwardText, edition)))});
    return seeds;
}

std::vector<SeedInput> writerSeeds() {
    std::vector<SeedInput> seeds;
    for (int edition = 0; edition < kEditionCount; ++edition) {
        const synth::SyntheticGame game = synth::makeSyntheticGame({edition, 1, false});
        const Edition& e = editionRecord(edition);
        const std::string tag = "edition" + std::to_string(edition);
        const auto slice = [&](const std::vector<std::uint8_t>& from, std::int64_t offset, std::size_t length) {
            return withEditionByte(edition, std::string(reinterpret_cast<const char*>(from.data()) + offset, length));
        };
        seeds.push_back({tag + "-weapon-attach", slice(game.executable, e.weaponAttachOffset, 256)});
        seeds.push_back({tag + "-sounds", slice(game.executable, e.soundNameOffset, 300)});
        seeds.push_back({tag + "-descriptions", slice(game.itemDesc, 800, 400)});
        seeds.push_back({tag + "-empty", withEditionByte(edition, "")});
    }
    return seeds;
}

}  // namespace vantedit::fuzz
