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

}  // namespace
}  // namespace vantedit
