#include "patch/text_damage.h"

#include "patch/read_facts.h"

namespace vantedit {

namespace {

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

// An ASCII letter, or a Latin, Greek or Cyrillic letter above ASCII.
bool isLetter(CodePage page, char c) {
    const char32_t u = codePageCharacter(page, static_cast<std::uint8_t>(c));
    if ((u >= U'A' && u <= U'Z') || (u >= U'a' && u <= U'z')) return true;
    return (u >= 0xC0 && u < 0x2B0 && u != 0xD7 && u != 0xF7) || (u >= 0x370 && u < 0x530);
}

bool lettersLost(std::string_view cell, std::string_view held, CodePage page) {
    if (cell.size() != held.size()) return false;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (cell[i] != held[i] && ((cell[i] != '?' && cell[i] != '_') || !isLetter(page, held[i]))) return false;
    }
    return true;
}

std::size_t digitsAt(std::string_view text, std::size_t at) {
    std::size_t n = 0;
    while (at + n < text.size() && isDigit(text[at + n])) ++n;
    return n;
}

// Digits, a point, comma or slash, digits.
bool isNumberOrFraction(std::string_view text) {
    const std::size_t whole = digitsAt(text, 0);
    return whole > 0 && whole < text.size() && (text[whole] == '.' || text[whole] == ',' || text[whole] == '/') &&
           digitsAt(text, whole + 1) == text.size() - whole - 1 && whole + 1 < text.size();
}

// A date as spreadsheets show one: two or three parts, each up to four digits or a month's
// name of three to five letters, between one kind of separator (a point, a dash or a slash,
// a blank after it allowed); a name in two parts, at most one in three: 07.Jun, Jun-62,
// 2. Jan. 2024, 2024-01-02.
bool looksLikeDate(std::string_view cell, CodePage page) {
    if (cell.size() > kLongestDateTold) return false;
    int parts = 0;
    int names = 0;
    char separator = 0;
    for (std::size_t at = 0; at < cell.size();) {
        const std::size_t digits = digitsAt(cell, at);
        std::size_t letters = 0;
        while (digits == 0 && at + letters < cell.size() && isLetter(page, cell[at + letters])) ++letters;
        if (digits > 4 || (digits == 0 && (letters < 3 || letters > 5))) return false;
        at += digits + letters;
        ++parts;
        names += letters > 0 ? 1 : 0;
        if (at == cell.size()) break;
        if ((cell[at] != '.' && cell[at] != '-' && cell[at] != '/') || (separator != 0 && cell[at] != separator))
            return false;
        separator = cell[at++];
        if (at < cell.size() && cell[at] == ' ') ++at;
    }
    return (parts == 2 && names == 1) || (parts == 3 && names <= 1);
}

}  // namespace

TextDamage textDamage(std::string_view cell, std::string_view held, CodePage page) {
    if (cell == held) return TextDamage::None;
    if (lettersLost(cell, held, page)) return TextDamage::QuestionMarks;
    if (held.size() <= kLongestDateTold && isNumberOrFraction(held) && looksLikeDate(cell, page))
        return TextDamage::Date;
    return TextDamage::None;
}

}  // namespace vantedit
