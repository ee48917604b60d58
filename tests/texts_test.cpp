// The game's code pages held to the platform's converter, and the texts of a stats file as a
// reading takes them: converted from UTF-8 in a file with the byte order mark, measured after
// the conversion, and, for a texts run, refused where the description files cannot hold them.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>

#if !defined(_WIN32) && __has_include(<iconv.h>)
#include <iconv.h>
#define VANTEDIT_HAVE_ICONV 1
#endif

#include "app/messages.h"
#include "dump/stats_writer.h"
#include "model/code_pages.h"
#include "model/descriptions.h"
#include "model/list_tables.h"
#include "model/stats_fields.h"
#include "patch/stats_reader.h"
#include "synthetic_game.h"
#include "test_support.h"

namespace vantedit {
namespace {

using testing::join;
using testing::split;

TEST(CodePages, EveryByteAsIconvConvertsIt) {
#ifndef VANTEDIT_HAVE_ICONV
    GTEST_SKIP() << "no iconv on this platform";
#else
    for (const auto& [page, name] : {std::pair{CodePage::Windows1251, "CP1251"}, {CodePage::Windows1252, "CP1252"}}) {
        iconv_t converter = iconv_open("UTF-32LE", name);
        ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1)) << name;
        for (int b = 0; b < 256; ++b) {
            char in = static_cast<char>(b);
            unsigned char out[4] = {};
            char* from = &in;
            char* to = reinterpret_cast<char*>(out);
            std::size_t inLeft = 1, outLeft = 4;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
            const bool defined = iconv(converter, &from, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
            const char32_t c = defined ? char32_t{out[0]} | char32_t{out[1]} << 8 | char32_t{out[2]} << 16 : 0;
            EXPECT_EQ(codePageCharacter(page, static_cast<std::uint8_t>(b)), c) << name << " byte " << b;
            if (defined) {
                EXPECT_EQ(codePageByte(page, c), b) << name << " byte " << b;
            }
        }
        iconv_close(converter);
    }
#endif
}

const Game& syntheticGame(int edition) {
    static std::map<int, std::unique_ptr<Game>> cache;
    auto& slot = cache[edition];
    if (!slot) slot = std::make_unique<Game>(synth::toGame(synth::makeSyntheticGame({edition, 1, false})));
    return *slot;
}

// A headless file of MAKE's line of the field, with the field's text replaced.
std::string lineWith(const Game& game, const FieldRef& f, const std::string& text) {
    std::string made;
    writeStatsFile(made, game);
    const std::string start = std::string(lineKeyword(f.line)) + " " + std::to_string(f.record) + "\t";
    for (const std::string& line : split(made, '\n')) {
        if (!line.starts_with(start)) continue;
        auto fields = split(line, '\t');
        fields.at(1u + f.field) = text;
        return join(fields, '\t') + "\n";
    }
    return {};
}

struct TextCase {
    int edition;
    bool mark;  // the file starts with the UTF-8 byte order mark
    DescriptionTexts texts;
    FieldRef field;
    std::string typed;
    std::string result;  // the failure's message, or, after a reading that succeeds, what MAKE shows
};

constexpr FieldRef itemText(int cell) { return itemField(8, static_cast<std::size_t>(cell)); }
constexpr FieldRef kAmmo4First{kAmmoNameLine, 0, 4};
constexpr FieldRef kAmmo4Second{kAmmoNameLine, 1, 4};
constexpr auto kSaved = DescriptionTexts::Saved;
constexpr auto kNotSaved = DescriptionTexts::NotSaved;
const std::string kMark = "\xEF\xBB\xBF";

std::string times(int n, const std::string& s) {
    std::string text;
    for (int i = 0; i < n; ++i) text += s;
    return text;
}
std::string failure(const std::string& place, const std::string& what) {
    return "Error while parsing! (line 1: " + place + ": " + what + ")\n";
}

// The first byte beyond ASCII anywhere in or after a run of whole words of ASCII.
TEST(CodePages, MultiByteUtf8FoundAfterAnyRunOfAscii) {
    for (const std::size_t length : {0, 1, 7, 8, 9, 15, 16, 17}) {
        SCOPED_TRACE(length);
        const std::string a(length, 'a');
        EXPECT_FALSE(isMultiByteUtf8(a));
        EXPECT_TRUE(isMultiByteUtf8(a + "\xC3\xA9"));
        EXPECT_TRUE(isMultiByteUtf8(a + "\xC3\xA9" + a));
        EXPECT_FALSE(isMultiByteUtf8(a + "\xE9" + a));  // a code-page byte
        EXPECT_FALSE(isMultiByteUtf8(a + "\xC3"));      // a character cut short
        EXPECT_FALSE(isMultiByteUtf8("\xC3\xA9" + a + "\xA9"));
    }
}

TEST(StatsFileTexts, ConvertedFromUtf8MeasuredAndRefusedWhereTheyCannotBeStored) {
    // clang-format off
    std::vector<TextCase> cases = {
        // UTF-8 with the mark, into each code page, measured in the code page's characters
        {1, true, kNotSaved, kAmmo4First, "Патрон", "\xCF\xE0\xF2\xF0\xEE\xED"},
        {2, true, kNotSaved, kAmmo4Second, "Café crème", "Caf\xE9 cr\xE8me"},
        {3, true, kSaved, itemText(2), "Über alles", "\xDC" "ber alles"},
        {4, true, kNotSaved, kAmmo4Second, times(19, "ж"), times(19, "\xE6")},
        {4, true, kNotSaved, kAmmo4Second, times(20, "ж"), "Error while parsing! (line 1: AmmoName 4: text longer than 19 characters)\n"},
        {1, true, kSaved, itemText(1), times(79, "ж"), times(79, "\xE6")},
        {2, true, kNotSaved, itemText(1), "中文", failure("Item 8, Long Name", "U+4E2D is not in code page 1252")},
        {1, true, kNotSaved, {9, 0, 3}, "café.wav", failure("Sound 3, name", "U+00E9 is not in code page 1251")},
        {0, true, kNotSaved, kAmmo4Second, "\xF0\x9F\x98\x80", failure("AmmoName 4, second text", "U+1F600 is not in code page 1251")},
        {2, true, kNotSaved, kAmmo4First, "ab\xC3", failure("AmmoName 4, first text", "not UTF-8")},
        {5, true, kNotSaved, {10, 0, 2}, "\xC0\x80", failure("Burst 2, name", "not UTF-8")},
        {5, true, kNotSaved, itemText(0), "\xED\xA0\x80", failure("Item 8, Short Name", "not UTF-8")},
        // without the mark: UTF-8 all through with a character beyond ASCII is UTF-8, any other
        // file the bytes as they stand
        {1, false, kNotSaved, kAmmo4First, "Патрон", "\xCF\xE0\xF2\xF0\xEE\xED"},
        {3, false, kNotSaved, kAmmo4Second, "Café crème", "Caf\xE9 cr\xE8me"},
        {1, false, kNotSaved, kAmmo4First, "Пат\xC3рон", "Пат\xC3рон"},
        // the byte 255: stored as an end by PATCH, refused by a texts run ("я" in code page 1251)
        {3, false, kSaved, itemText(1), "a\xFE", "a\xFE"},
        {3, false, kSaved, itemText(1), "a\xFF", failure("Item 8, Long Name", "the letter \"\xFF\" cannot be stored: the game ends its texts at that byte")},
        {6, true, kSaved, itemText(0), "Ваня", failure("Item 8, Short Name", "the letter \"\xFF\" cannot be stored: the game ends its texts at that byte")},
        {3, false, kNotSaved, itemText(1), "a\xFF" "b", "a"},
        {3, false, kNotSaved, itemText(0), times(80, "x"), times(79, "x")},
    };
    // Each field at its limit and one beyond it, in a texts run.
    const std::array<std::pair<const char*, int>, 5> limits = {
        {{"Short Name", 79}, {"Long Name", 79}, {"Description", 239}, {"Halvek's Name", 79}, {"Halvek's Description", 319}}};
    // clang-format on
    for (int cell = 0; cell < 5; ++cell) {
        const auto [heading, most] = limits[static_cast<std::size_t>(cell)];
        cases.push_back({3, false, kSaved, itemText(cell), times(most, "y"), times(most, "y")});
        const std::string place = std::string("Item 8, ") + heading;
        cases.push_back({3, false, kSaved, itemText(cell), times(most + 1, "y"),
                         failure(place, "text longer than " + std::to_string(most) + " characters")});
    }
    for (const TextCase& c : cases) {
        SCOPED_TRACE("edition " + std::to_string(c.edition) + " " + fieldLabel(c.field) + " " + c.typed.substr(0, 20));
        Game game = syntheticGame(c.edition);
        const std::string line = lineWith(game, c.field, c.typed);
        ASSERT_FALSE(line.empty());
        const Reading reading = applyStatsFile(game, (c.mark ? kMark : "") + line, noFaults(), c.texts);
        std::ostringstream out;
        printReading(out, reading);
        EXPECT_EQ(reading.ok() ? readField(game, c.field).text : out.str(), c.result);
    }
}

// The text of UTF-8 source in the code page, as a code-page file holds it.
std::string inCodePage(CodePage page, std::string_view utf8) {
    std::string text;
    Utf8Decoder decoder;
    for (const char c : utf8) {
        if (decoder.feed(static_cast<std::uint8_t>(c)) == Utf8Decoder::Step::Character)
            text += static_cast<char>(codePageByte(page, decoder.character()).value());
    }
    return text;
}

// The game with the text held in the field, and a headless file of MAKE's line of it with the
// text typed there; every other text as MAKE writes it.
std::string gameHolding(Game& game, const FieldRef& f, const std::string& held, const std::string& typed) {
    if (kLineTypes[f.line].kind == LineKind::Item) {
        const DescField& desc = kDescFields[f.field];
        storeDescriptionText(game.descriptions.mutableView(desc.file), f.record, desc, held);
    } else if (kLineTypes[f.line].kind == LineKind::Name) {
        storeName(game.mutableImage(), game.edition(), nameTable(kLineTypes[f.line]), f.record, held);
    } else {
        storeAmmoNameText(game.mutableImage(), game.edition(), ammoNameText(f), f.record, held);
    }
    return lineWith(game, f, typed);
}

enum class Told : std::uint8_t { Nothing, ReadAsUtf8, QuestionMarks, Date };

struct CodePageCase {
    int edition;
    FieldRef field;
    std::string held;   // what MAKE writes for the field, in UTF-8 here, in the code page in the game
    std::string typed;  // likewise, in the file
    bool typedInUtf8;   // else in the code page, as the file's other texts
    Told told;
};

// In a file of the code page (one description of each row holds code-page bytes that are no
// UTF-8): real names stay code-page text, those whose bytes form UTF-8 too while they are what
// MAKE wrote; a text typed in UTF-8 is read so; a text a save damaged is told and not stored.
TEST(StatsFileTexts, CodePageNamesStayTextsTypedInUtf8AreReadSoDamagedTextsAreKeptOut) {
    constexpr FieldRef kSound3{9, 0, 3};
    // clang-format off
    const CodePageCase cases[] = {
        {2, itemText(0), "x", "Fusil à pompe", false, Told::Nothing},
        {3, itemText(0), "x", "Mörser Straße", false, Told::Nothing},
        {5, itemText(0), "x", "Œil ±5° «Señor»", false, Told::Nothing},
        {3, itemText(0), "Â°", "Â°", false, Told::Nothing},
        {2, itemText(0), "Ã©clair", "Ã©clair", false, Told::Nothing},
        {1, itemText(0), "x", "Наган", false, Told::Nothing},
        {4, itemText(0), "x", "«Вал» № 5, Ёж", false, Told::Nothing},
        {6, itemText(0), "ВЁ", "ВЁ", false, Told::Nothing},
        {1, itemText(0), "Р°", "Р°", false, Told::Nothing},
        {2, itemText(0), "x", "Fusil à pompe", true, Told::ReadAsUtf8},
        {1, itemText(0), "Наган", "Наган", true, Told::ReadAsUtf8},
        {4, itemText(0), "x", "Р°кета", true, Told::ReadAsUtf8},
        {2, itemText(0), "x", "Ã©", false, Told::ReadAsUtf8},  // the price of the rule: stored as "é"
        {1, itemText(0), "Наган", "?????", false, Told::QuestionMarks},
        {4, itemText(0), "Наган", "_____", false, Told::QuestionMarks},
        {6, itemText(1), "Вал «Ёж»", "??? «??»", false, Told::QuestionMarks},
        {2, itemText(3), "Fusil à pompe", "Fusil _ pompe", false, Told::QuestionMarks},
        {3, kAmmo4First, "Größe", "Gr??e", false, Told::QuestionMarks},
        {5, kSound3, "Grüße.wav", "Gr__e.wav", false, Told::QuestionMarks},
        {2, kAmmo4Second, "7.62", "07.Jun", false, Told::Date},
        {5, kAmmo4First, "1/2", "02-Jan", false, Told::Date},
        {3, itemText(0), "5,56", "2024-01-02", false, Told::Date},
        {3, itemText(4), "7.62", "2. Jan. 2024", false, Told::Date},
        {2, kAmmo4Second, "12.7", "Jul-12", false, Told::Date},
        {1, kAmmo4Second, "7.62", "07.июн", false, Told::Date},
        // like damage, but not
        {1, itemText(0), "Наган", "Наган?", false, Told::Nothing},
        {2, itemText(0), "Mörser", "M?rser!", false, Told::Nothing},
        {2, kAmmo4Second, "7.62", "7.62 NATO", false, Told::Nothing},
        {2, kAmmo4Second, "7.62", "7.62-API", false, Told::Nothing},
        {2, kAmmo4Second, "1/2", "01.02", false, Told::Nothing},
        {2, kAmmo4Second, "Colt", "07.Jun", false, Told::Nothing},
        {2, kAmmo4Second, "7.62", "07.Ju", false, Told::Nothing},
    };
    // clang-format on
    for (const CodePageCase& c : cases) {
        SCOPED_TRACE(c.typed + " edition " + std::to_string(c.edition));
        Game game = syntheticGame(c.edition);
        const CodePage page = game.edition().codePage;
        const std::string held = inCodePage(page, c.held);
        const std::string typed = c.typedInUtf8 ? c.typed : inCodePage(page, c.typed);
        storeDescriptionText(game.descriptions.mutableView(kDescFields[2].file), 8, kDescFields[2], "\xE9\xE9");
        const Reading reading = applyStatsFile(game, gameHolding(game, c.field, held, typed), noFaults());
        std::ostringstream out;
        printReading(out, reading);
        const bool kept = c.told == Told::QuestionMarks || c.told == Told::Date;
        const std::string stored = c.typed == "Ã©" ? "\xE9" : inCodePage(page, c.typed);
        EXPECT_EQ(readField(game, c.field).text, kept ? held : stored);
        const std::string place = "\nWARNING:  line 1: " + std::string(lineKeyword(c.field.line)) + " " +
                                  std::to_string(c.field.record) + ", " + fieldLabel(c.field) + ": ";
        const std::string quoted = place + "\"" + typed + "\" ";
        const std::string told[] = {
            "", place + "UTF-8 in a code-page file, read as UTF-8",
            quoted + "has question marks where the game has letters: not stored (a save in a code page without them)",
            quoted + "looks like a date a spreadsheet made of \"" + held + "\": not stored"};
        EXPECT_EQ(out.str(), told[static_cast<std::size_t>(c.told)]);
    }
}

}  // namespace
}  // namespace vantedit
