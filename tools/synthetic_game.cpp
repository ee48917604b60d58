#include "synthetic_game.h"

#include <fstream>
#include <set>
#include <string_view>
#include <system_error>

#include "model/attachments.h"
#include "model/list_tables.h"
#include "model/sections.h"

namespace vantedit::synth {

namespace {

// splitmix64: tiny, and its output is fixed by its arithmetic alone, so every platform and
// standard library produces the same game.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Slightly biased for large n; irrelevant here.
    std::uint32_t below(std::uint32_t n) { return n == 0 ? 0 : static_cast<std::uint32_t>((next() >> 32) % n); }
    bool chance(std::uint32_t percent) { return below(100) < percent; }
    std::uint8_t byte() { return static_cast<std::uint8_t>(next() >> 56); }
    std::uint8_t nonZeroByte() { return static_cast<std::uint8_t>(1 + below(255)); }
    template <typename T, std::size_t N>
    const T& pick(const std::array<T, N>& items) {
        return items[below(static_cast<std::uint32_t>(N))];
    }

private:
    std::uint64_t state_;
};

// One independent stream per part of the game, so that a change to one part leaves the
// bytes of the others as they were.
enum class Stream : std::uint64_t { Filler = 1, Stats, Lists, Attachments, Names, Descriptions, Awkward };

Rng streamFor(const Options& options, Stream stream) {
    Rng mix((std::uint64_t{options.seed} << 32) ^ (std::uint64_t(options.edition) << 8) ^
            static_cast<std::uint64_t>(stream));
    return Rng(mix.next());
}

std::size_t at(std::int64_t offset) { return static_cast<std::size_t>(offset); }

// ---- texts -------------------------------------------------------------------------------

using Words = std::array<std::string_view, 12>;

constexpr Words kAdjectives = {"Light", "Heavy", "Worn",   "Rugged", "Compact", "Silent",
                               "Long",  "Field", "Combat", "Custom", "Cheap",   "Fine"};
constexpr Words kWeaponNouns = {"Pistol",   "Revolver", "Rifle",   "Carbine", "Shotgun", "Launcher",
                                "Crossbow", "Repeater", "Blaster", "Sidearm", "Musket",  "Autogun"};
constexpr Words kAmmoNouns = {"Rounds", "Shells", "Clip", "Magazine", "Cartridges", "Darts",
                              "Bolts",  "Belt",   "Drum", "Box",      "Pack",       "Strip"};
constexpr Words kCalibres = {"9mm", "5.56mm", ".45",      "12 Gauge", "7.62mm", "10mm",
                             ".38", "4.7mm",  "20 Gauge", ".50",      "6mm",    "8mm"};
constexpr Words kExplosiveNouns = {"Grenade",   "Mine",  "Charge", "Satchel", "Flare",    "Smoke Bomb",
                                   "Pipe Bomb", "Shell", "Rocket", "Stick",   "Canister", "Mortar"};
constexpr Words kArmourNouns = {"Vest",  "Helmet", "Jacket", "Plate",  "Greaves", "Mask",
                                "Boots", "Gloves", "Coat",   "Shield", "Collar",  "Belt"};
constexpr Words kMiscNouns = {"Medkit", "Lockpick", "Canteen", "Toolkit", "Battery", "Keycard",
                              "Ration", "Map",      "Radio",   "Rope",    "Compass", "Binoculars"};
constexpr Words kAmmoKinds = {"Ball",   "FMJ",   "HP",   "AP",        "Slug",  "Buck",
                              "Tracer", "Match", "Soft", "Flechette", "Short", "Magnum"};

constexpr std::array<std::string_view, 16> kSentences = {"Standard issue for field units.",
                                                         "Reliable in wet weather.",
                                                         "Heavier than it looks.",
                                                         "Favoured by scouts.",
                                                         "Needs regular cleaning.",
                                                         "Cheap to repair (30% off).",
                                                         "Works best at close range.",
                                                         "Weight: 2 kg.",
                                                         "Sold in boxes of 20.",
                                                         "Keep away from open flame.",
                                                         "A common sight at the front.",
                                                         "Issued to recruits.",
                                                         "Spare parts are hard to find.",
                                                         "Better accuracy, lower rate of fire.",
                                                         "The grip is wrapped in tape.",
                                                         "Halvek buys these cheap and sells them dear."};

const Words& nounsFor(int item) {
    if (item <= 70) return kWeaponNouns;
    if (item <= 130) return kAmmoNouns;
    if (item <= 160) return kExplosiveNouns;
    if (item <= 198) return kArmourNouns;
    return kMiscNouns;
}

std::string modelCode(Rng& rng) {
    static constexpr std::array<std::string_view, 6> kPrefixes = {"Mk ", "K-", "VX-", "R", "Type ", "M"};
    std::string code(rng.pick(kPrefixes));
    code += std::to_string(1 + rng.below(99));
    return code;
}

std::string shortName(Rng& rng, int item) {
    std::string name;
    if (item <= 70 && rng.chance(60)) name = modelCode(rng) + " ";
    else if (item > 70 && item <= 130) name = std::string(rng.pick(kCalibres)) + " ";
    name += rng.pick(nounsFor(item));
    return name;
}

std::string longName(Rng& rng, const std::string& shortName) {
    std::string name(rng.pick(kAdjectives));
    name += ' ';
    name += shortName;
    if (rng.chance(30)) name += " (" + modelCode(rng) + ")";
    return name;
}

// Whole sentences up to a random length, never more than maxLength characters.
std::string sentences(Rng& rng, std::size_t maxLength) {
    const std::size_t target = 20 + rng.below(static_cast<std::uint32_t>(maxLength - 40));
    std::string text;
    for (;;) {
        const std::string_view s = rng.pick(kSentences);
        const std::size_t extra = s.size() + (text.empty() ? 0 : 1);
        if (text.size() + extra > maxLength) break;
        if (!text.empty()) text += ' ';
        text += s;
        if (text.size() >= target) break;
    }
    return text;
}

// The five fields of one item, in the order of kDescFields; now and then one is empty.
std::array<std::string, kDescFields.size()> descriptionTexts(Rng& rng, int item) {
    const std::string name = shortName(rng, item);
    std::array<std::string, kDescFields.size()> texts = {name, longName(rng, name), sentences(rng, 200),
                                                         rng.chance(50) ? "Halvek's " + name : name,
                                                         sentences(rng, 300)};
    for (std::string& text : texts) {
        if (rng.chance(5)) text.clear();
    }
    return texts;
}

std::string ammoNameText(Rng& rng, bool withKind) {
    std::string name(rng.pick(kCalibres));
    if (withKind) {
        const std::string_view kind = rng.pick(kAmmoKinds);
        if (name.size() + 1 + kind.size() <= kAmmoNameMaxLength) {
            name += ' ';
            name += kind;
        }
    }
    return name;
}

std::string soundNameText(Rng& rng) {
    static constexpr std::array<std::string_view, 5> kFolders = {"", "sfx/", "sound/", "snd/weapons/", "data/sfx/"};
    static constexpr Words kStems = {"shot", "reload", "click", "boom",     "step",  "door",
                                     "cock", "empty",  "hit",   "ricochet", "shell", "holster"};
    std::string name(rng.pick(kFolders));
    name += rng.pick(kStems);
    name += std::to_string(rng.below(100));
    name += rng.chance(80) ? ".wav" : ".raw";
    return name;  // at most 12 + 8 + 2 + 4 characters
}

std::string burstNameText(Rng& rng) {
    static constexpr std::array<std::string_view, 6> kStems = {"burst", "rapid", "triple", "auto", "spray", "volley"};
    return std::string(rng.pick(kStems)) + std::to_string(rng.below(100));  // at most 8 characters
}

std::string repeatedTo(std::string_view pattern, std::size_t length) {
    std::string text;
    while (text.size() < length) text += pattern;
    text.resize(length);
    return text;
}

// ---- writing texts into their slots ------------------------------------------------------

// The low bytes of an AmmoName record: the text, a 0 while there is room, then non-zero junk.
// The high bytes are all non-zero, since nothing in the program may touch them.
void putAmmoName(MutableByteView image, std::int64_t record, const std::string& text, Rng& rng, bool keepHighBytes) {
    const int units = kAmmoNameRecordSize / 2;
    for (int j = 0; j < units; ++j) {
        const std::size_t low = at(record + 2 * j);
        std::uint8_t c = rng.nonZeroByte();
        if (j < static_cast<int>(text.size())) c = static_cast<std::uint8_t>(text[static_cast<std::size_t>(j)]);
        else if (j == static_cast<int>(text.size())) c = 0;
        image.setU8(low, c);
        const std::uint8_t high = rng.nonZeroByte();
        if (!keepHighBytes) image.setU8(low + 1, high);
    }
}

// A sound or burst name: the text, a 0 while there is room, then non-zero junk.
void putByteName(MutableByteView image, std::int64_t record, int recordSize, const std::string& text, Rng& rng) {
    for (int j = 0; j < recordSize; ++j) {
        std::uint8_t c = rng.nonZeroByte();
        if (j < static_cast<int>(text.size())) c = static_cast<std::uint8_t>(text[static_cast<std::size_t>(j)]);
        else if (j == static_cast<int>(text.size())) c = 0;
        image.setU8(at(record + j), c);
    }
}

// A description field's first bytes: the stored form of the text, a 0 while there is room,
// then non-zero junk. The second bytes are left as they are (non-zero from the start).
void putDescription(std::vector<std::uint8_t>& buffer, int item, const DescField& field, const std::string& text,
                    Rng& rng) {
    MutableByteView view(buffer);
    for (int k = 0; k < field.units; ++k) {
        std::uint8_t b = rng.nonZeroByte();
        if (k < static_cast<int>(text.size())) {
            b = textToStored(static_cast<std::uint8_t>(text[static_cast<std::size_t>(k)]));
        } else if (k == static_cast<int>(text.size())) {
            b = 0;
        }
        view.setU8(descUnitOffset(item, field, k), b);
    }
}

// ---- the parts of the executable ---------------------------------------------------------

// Byte by byte through shifts, so the order is the same on every platform; through a plain
// pointer, because debug builds make a call of every vector index.
void fillRandom(std::vector<std::uint8_t>& bytes, Rng& rng) {
    std::uint8_t* p = bytes.data();
    std::uint8_t* const end = p + bytes.size();
    while (end - p >= 8) {
        const std::uint64_t v = rng.next();
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        p[2] = static_cast<std::uint8_t>(v >> 16);
        p[3] = static_cast<std::uint8_t>(v >> 24);
        p[4] = static_cast<std::uint8_t>(v >> 32);
        p[5] = static_cast<std::uint8_t>(v >> 40);
        p[6] = static_cast<std::uint8_t>(v >> 48);
        p[7] = static_cast<std::uint8_t>(v >> 56);
        p += 8;
    }
    for (std::uint64_t v = rng.next(); p != end; v >>= 8) *p++ = static_cast<std::uint8_t>(v);
}

void writeHeaderWords(MutableByteView image, const Edition& e) {
    for (std::size_t w = 0; w < e.headerWords.size(); ++w) {
        for (int b = 0; b < 4; ++b) {
            const auto byte = static_cast<std::uint8_t>(e.headerWords[w] >> (24 - 8 * b));
            image.setU8(static_cast<std::size_t>(kHeaderWordsOffset) + 4 * w + static_cast<std::size_t>(b), byte);
        }
    }
}

std::int32_t statValue(Rng& rng, ColumnKind kind, std::int32_t recordIndex) {
    const bool wide = columnWidth(kind) == 2;
    if (recordIndex == 0) return wide ? 0xFFFF : 0xFF;
    if (recordIndex == 1) return wide ? 0x8000 : 0x80;
    if (recordIndex == 2) return 0;
    const std::uint32_t roll = rng.below(100);
    if (roll < 15) return 0;
    if (roll < 25) return wide ? 0xFFFF : 0xFF;
    if (roll < 60) return static_cast<std::int32_t>(rng.below(wide ? 1000 : 21));
    if (wide && roll < 75) return static_cast<std::int32_t>(0x8000 | rng.below(0x8000));
    if (kind == ColumnKind::S8 && roll < 75) return -static_cast<std::int32_t>(1 + rng.below(5));
    return static_cast<std::int32_t>(rng.below(wide ? 0x10000 : 0x100));
}

void fillSections(MutableByteView image, int edition, Rng& rng) {
    for (Section s : kAllSections) {
        const SectionRecord section = sectionRecord(kEditions[static_cast<std::size_t>(edition)], s);
        for (std::int32_t item = section.firstItem; item <= section.lastItem; ++item) {
            for (const Column& c : sectionColumns(s)) {
                storeColumnValue(image, section, c, item, statValue(rng, c.kind, item - section.firstItem));
            }
        }
    }
}

void fillLists(MutableByteView image, const Edition& e, Rng& rng) {
    for (const NumericList& list : kNumericLists) {
        for (std::int32_t r = 0; r < listRecordCount(e, list); ++r) {
            for (int v = 0; v < listValueCount(list); ++v) {
                const std::uint32_t roll = rng.below(100);
                std::uint32_t value = rng.below(0x10000);
                if (roll < 20) value = 0;
                else if (roll < 30) value = 0xFFFF;
                else if (roll < 80) value = rng.below(kItemCount);
                image.setU16(at(listValueOffset(e, list, r, v)), static_cast<std::uint16_t>(value));
            }
        }
    }
}

// Fisher-Yates with our own generator; std::shuffle's order differs between libraries.
void shuffle(std::vector<std::uint32_t>& values, Rng& rng) {
    for (std::size_t i = values.size(); i > 1; --i) {
        const std::size_t j = rng.below(static_cast<std::uint32_t>(i));
        std::swap(values[i - 1], values[j]);
    }
}

void fillWeaponAttachTable(MutableByteView image, int edition, Rng& rng) {
    const Edition& e = kEditions[static_cast<std::size_t>(edition)];
    const std::int32_t capacity = weaponAttachCapacity(e);
    const std::int32_t lastWeapon = sectionRecord(e, Section::Weapons).lastItem;
    const auto kindItem = [&rng] { return rng.pick(kAttachmentKinds).item; };

    std::set<std::uint32_t> used = {attachmentPair(kSwappedPairWeapon, kSwappedPairAttachment)};
    std::vector<std::uint32_t> records;
    const auto addPair = [&](std::int32_t weapon, std::int32_t attachment) {
        const std::uint32_t pair = attachmentPair(weapon, attachment);
        if (used.insert(pair).second) records.push_back(pair);
    };
    addPair(0, kindItem());
    addPair(lastWeapon, kindItem());
    const std::size_t kindPairs =
        static_cast<std::size_t>(capacity / 2) + rng.below(static_cast<std::uint32_t>(capacity / 8));
    while (records.size() < kindPairs) {
        addPair(static_cast<std::int32_t>(rng.below(static_cast<std::uint32_t>(lastWeapon + 1))), kindItem());
    }
    shuffle(records, rng);

    // The odd records go anywhere but last, so that the filler repeats a pair of a kind.
    std::vector<std::uint32_t> odd = {attachmentPair(kSwappedPairAttachment, kSwappedPairWeapon),
                                      attachmentPair(lastWeapon + 1, kindItem()),
                                      attachmentPair(kFarWeapon, kindItem())};
    for (const std::int32_t foreign : kForeignAttachments) {
        odd.push_back(
            attachmentPair(static_cast<std::int32_t>(rng.below(static_cast<std::uint32_t>(lastWeapon + 1))), foreign));
    }
    for (const std::uint32_t record : odd) {
        const std::size_t position = rng.below(static_cast<std::uint32_t>(records.size()));
        records.insert(records.begin() + static_cast<std::ptrdiff_t>(position), record);
    }

    const std::uint32_t last = records.back();
    for (std::int32_t r = 0; r < capacity; ++r) {
        const std::size_t index = static_cast<std::size_t>(r);
        image.setU32(at(std::int64_t{e.weaponAttachOffset} + 4 * std::int64_t{r}),
                     index < records.size() ? records[index] : last);
    }
}

void fillTextTables(MutableByteView image, const Edition& e, Rng& rng) {
    for (std::int32_t r = 0; r < e.ammoNameCount; ++r) {
        putAmmoName(image, ammoNameRecordOffset(e.ammoNameSecondOffset, r), ammoNameText(rng, true), rng, false);
    }
    for (std::int32_t r = 0; r < e.ammoNameFirstCount; ++r) {
        putAmmoName(image, ammoNameRecordOffset(e.ammoNameFirstOffset, r), ammoNameText(rng, false), rng, false);
    }
    // A few empty names by chance, and always at least one.
    const std::uint32_t emptySound = rng.below(kSoundNames.count);
    for (std::int32_t r = 0; r < kSoundNames.count; ++r) {
        std::string name = soundNameText(rng);
        if (rng.chance(4) || static_cast<std::uint32_t>(r) == emptySound) name.clear();
        putByteName(image, nameRecordOffset(e, kSoundNames, r), kSoundNames.recordSize, name, rng);
    }
    const std::uint32_t emptyBurst = rng.below(kBurstNames.count);
    for (std::int32_t r = 0; r < kBurstNames.count; ++r) {
        std::string name = burstNameText(rng);
        if (rng.chance(6) || static_cast<std::uint32_t>(r) == emptyBurst) name.clear();
        putByteName(image, nameRecordOffset(e, kBurstNames, r), kBurstNames.recordSize, name, rng);
    }
}

void fillDescriptions(SyntheticGame& game, Rng& rng) {
    const bool hasShop = kEditions[static_cast<std::size_t>(game.edition)].hasShopFile();
    game.itemDesc.assign(kDescFileSize, 0);
    for (std::uint8_t& b : game.itemDesc) b = rng.nonZeroByte();
    if (hasShop) {
        game.shopDesc.assign(kDescFileSize, 0);
        for (std::uint8_t& b : game.shopDesc) b = rng.nonZeroByte();
    }
    for (int item = 0; item < kItemCount; ++item) {
        const auto texts = descriptionTexts(rng, item);
        for (std::size_t f = 0; f < kDescFields.size(); ++f) {
            const DescField& field = kDescFields[f];
            if (field.file == DescFile::Shop && !hasShop) continue;
            std::vector<std::uint8_t>& buffer = field.file == DescFile::Item ? game.itemDesc : game.shopDesc;
            putDescription(buffer, item, field, texts[f], rng);
        }
    }
}

void writeAwkwardTexts(SyntheticGame& game, Rng& rng) {
    const Edition& e = kEditions[static_cast<std::size_t>(game.edition)];
    MutableByteView image(game.executable);
    for (const AwkwardText& a : awkwardTexts(game.edition)) {
        switch (a.slot) {
            case TextSlot::Description: {
                const DescField& field = kDescFields[static_cast<std::size_t>(a.field)];
                putDescription(field.file == DescFile::Item ? game.itemDesc : game.shopDesc, a.record, field, a.text,
                               rng);
                break;
            }
            case TextSlot::AmmoNameFirst:
                putAmmoName(image, ammoNameRecordOffset(e.ammoNameFirstOffset, a.record), a.text, rng, true);
                break;
            case TextSlot::AmmoNameSecond:
                putAmmoName(image, ammoNameRecordOffset(e.ammoNameSecondOffset, a.record), a.text, rng, true);
                break;
            case TextSlot::Sound:
                putByteName(image, nameRecordOffset(e, kSoundNames, a.record), kSoundNames.recordSize, a.text, rng);
                break;
            case TextSlot::Burst:
                putByteName(image, nameRecordOffset(e, kBurstNames, a.record), kBurstNames.recordSize, a.text, rng);
                break;
        }
    }
}

bool writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

bool validEdition(int edition) { return edition >= 0 && edition < kEditionCount; }

}  // namespace

std::vector<AwkwardText> awkwardTexts(int edition) {
    using S = TextSlot;
    std::vector<AwkwardText> texts = {
        {S::Description, 1, 0, "\"Boss\" Pistol", true},
        {S::Description, 1, 1, "Pistol \"Mk\" 2", true},
        {S::Description, 1, 2, "Fires fast.\tReloads slow.", true},
        {S::Description, 2, 0, "\"", true},
        {S::Description, 2, 1, "Carriage\rReturn", true},
        {S::Description, 2, 2, "First line.\nSecond line.", true},
        {S::Description, 3, 0, "Quote at end\"", true},
        {S::Description, 3, 1, "Caf\xE9 \xC0\xFE\x80", true},
        {S::Description, 4, 0, "", true},
        {S::Description, 4, 1, "", true},
        {S::Description, 7, 2, "Two lines,\r\nthe DOS way.\r\n", true},
        {S::Description, 4, 2, "", true},
        {S::Description, 5, 2, repeatedTo("This description has no end. ", 240), false},
        {S::Description, 6, 0, repeatedTo("Endless name ", 80), false},
        {S::Description, 350, 2, repeatedTo("Last words without an end. ", 240), false},
    };
    if (validEdition(edition) && kEditions[static_cast<std::size_t>(edition)].hasShopFile()) {
        texts.push_back({S::Description, 1, 3, "\"Halvek's\" Pick", true});
        texts.push_back({S::Description, 2, 4, "Tab\there, line\nthere, quote \" and caf\xE9.", true});
        texts.push_back({S::Description, 7, 4, "Halvek says:\r\n\r\nbuy \"cheap\".", true});
        texts.push_back({S::Description, 4, 3, "", true});
        texts.push_back({S::Description, 4, 4, "", true});
        texts.push_back({S::Description, 5, 4, repeatedTo("Halvek never stops talking. ", 320), false});
    }
    const std::vector<AwkwardText> tables = {
        {S::AmmoNameSecond, 1, 0, "\"Hot\" Load", true},
        {S::AmmoNameSecond, 2, 0, "9mm\tFMJ", true},
        {S::AmmoNameSecond, 3, 0, "12ga\nSlug", true},
        {S::AmmoNameSecond, 4, 0, "", true},
        {S::AmmoNameSecond, 5, 0, "Armour Piercing Rds.", false},
        {S::AmmoNameSecond, 6, 0, "Incend\rRound", true},
        {S::AmmoNameFirst, 1, 0, "7.62\xB0mm", true},
        {S::AmmoNameFirst, 2, 0, "5.56 \"NATO\"", true},
        {S::Sound, 1, 0, "\"quoted\".wav", true},
        {S::Sound, 2, 0, "gun\tshot.wav", true},
        {S::Sound, 3, 0, "line\nfeed.wav", true},
        {S::Sound, 4, 0, "carriage\rreturn.wav", true},
        {S::Sound, 5, 0, "sch\xFCsse\xFF.wav", true},
        {S::Sound, 6, 0, "sfx/long/" + repeatedTo("very_long_name_", 255 - 9), false},
        {S::Sound, 7, 0, "", true},
        {S::Burst, 1, 0, "\"b\"urst", true},
        {S::Burst, 2, 0, "bur\tst", true},
        {S::Burst, 3, 0, "bu\nrst", true},
        {S::Burst, 4, 0, "bu\rrst", true},
        {S::Burst, 5, 0, "b\xE4rst\xFF", true},
        {S::Burst, 6, 0, "burstburstburst", false},
        {S::Burst, 7, 0, "", true},
    };
    texts.insert(texts.end(), tables.begin(), tables.end());
    return texts;
}

SyntheticGame makeSyntheticGame(const Options& options) {
    SyntheticGame game;
    game.edition = options.edition;
    if (!validEdition(options.edition)) return game;
    const Edition& e = kEditions[static_cast<std::size_t>(options.edition)];

    game.executable.assign(static_cast<std::size_t>(e.fileSize), 0);
    Rng filler = streamFor(options, Stream::Filler);
    fillRandom(game.executable, filler);
    MutableByteView image(game.executable);
    writeHeaderWords(image, e);

    Rng stats = streamFor(options, Stream::Stats);
    fillSections(image, options.edition, stats);
    Rng lists = streamFor(options, Stream::Lists);
    fillLists(image, e, lists);
    Rng attachments = streamFor(options, Stream::Attachments);
    fillWeaponAttachTable(image, options.edition, attachments);
    Rng names = streamFor(options, Stream::Names);
    fillTextTables(image, e, names);
    Rng descriptions = streamFor(options, Stream::Descriptions);
    fillDescriptions(game, descriptions);

    if (options.awkwardTexts) {
        Rng awkward = streamFor(options, Stream::Awkward);
        writeAwkwardTexts(game, awkward);
    }
    return game;
}

bool writeGameFolder(const SyntheticGame& game, const std::filesystem::path& folder, const std::string& exeName) {
    if (!validEdition(game.edition) || game.executable.empty()) return false;
    const Edition& e = kEditions[static_cast<std::size_t>(game.edition)];
    const std::filesystem::path dataFolder = folder / std::filesystem::path(e.itemDescPath).parent_path();
    std::error_code ec;
    std::filesystem::create_directories(dataFolder, ec);
    if (ec) return false;
    if (!writeFile(folder / exeName, game.executable)) return false;
    if (!writeFile(dataFolder / std::filesystem::path(e.itemDescPath).filename(), game.itemDesc)) return false;
    if (e.hasShopFile() && !writeFile(dataFolder / std::filesystem::path(e.shopDescPath).filename(), game.shopDesc)) {
        return false;
    }
    return true;
}

Game toGame(const SyntheticGame& game) {
    // A game of no edition has no bytes; it stands in as edition 0 with an empty image.
    const Edition& e = kEditions[validEdition(game.edition) ? static_cast<std::size_t>(game.edition) : 0];
    Game g(e, game.executable);
    g.descriptions.item = game.itemDesc;
    g.descriptions.shop = game.shopDesc;
    g.descriptions.hasShop =
        validEdition(game.edition) && kEditions[static_cast<std::size_t>(game.edition)].hasShopFile();
    return g;
}

}  // namespace vantedit::synth
