#include "model/code_pages.h"

#include <array>
#include <cstring>

namespace vantedit {

namespace {

// The characters of the bytes 128 to 255, as glibc's iconv converts them (CP1251 and CP1252
// to UTF-32, one byte at a time); 0 where it refuses the byte. A test holds them to iconv.
// clang-format off
constexpr std::array<char16_t, 128> kWindows1251Upper = {{
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 80
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 90
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A0
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B0
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C0
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D0
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E0
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F0
}};
// clang-format on

// clang-format off
constexpr std::array<char16_t, 128> kWindows1252Upper = {{
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0000, 0x017D, 0x0000,  // 80
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x017E, 0x0178,  // 90
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,  // A0
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,  // B0
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,  // C0
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,  // D0
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,  // E0
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,  // F0
}};
// clang-format on

constexpr const std::array<char16_t, 128>& upperHalf(CodePage page) {
    return page == CodePage::Windows1251 ? kWindows1251Upper : kWindows1252Upper;
}

// A byte the code page leaves undefined stands for the character of its own number.
char32_t characterOrOwnNumber(CodePage page, std::uint8_t byte) {
    const char32_t c = byte < 128 ? 0 : upperHalf(page)[byte - 128u];
    return c != 0 ? c : char32_t{byte};
}

std::size_t utf8Length(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

bool withMark(Utf16Form form) { return form == Utf16Form::LittleEndian || form == Utf16Form::BigEndian; }

// Walks the UTF-16 text's characters in order.
template <typename Take>
void forEachUtf16Character(std::string_view bytes, Utf16Form form, Take take) {
    const bool big = form == Utf16Form::BigEndian || form == Utf16Form::BigWithoutMark;
    const auto unitAt = [&](std::size_t i) {
        const auto a = static_cast<std::uint8_t>(bytes[i]);
        const auto b = static_cast<std::uint8_t>(bytes[i + 1]);
        return big ? char32_t((a << 8) | b) : char32_t((b << 8) | a);
    };
    constexpr char32_t kReplacement = 0xFFFD;
    std::size_t i = withMark(form) ? 2 : 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                take(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        take(unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
    }
    if (i < bytes.size()) take(kReplacement);
}

}  // namespace

char32_t codePageCharacter(CodePage page, std::uint8_t byte) {
    return byte < 128 ? char32_t{byte} : char32_t{upperHalf(page)[byte - 128u]};
}

std::optional<std::uint8_t> codePageByte(CodePage page, char32_t character) {
    if (character < 128) return static_cast<std::uint8_t>(character);
    for (int byte = 128; byte < 256; ++byte) {
        const auto b = static_cast<std::uint8_t>(byte);
        if (characterOrOwnNumber(page, b) == character) return b;
    }
    return std::nullopt;
}

void appendUtf8(std::string& out, char32_t character) {
    const std::size_t length = utf8Length(character);
    if (length == 1) {
        out += static_cast<char>(character);
        return;
    }
    // The lead byte marks the length and holds the highest bits; each byte after it six more.
    constexpr std::array<char32_t, 5> kLead = {0, 0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[length] | (character >> (6 * (length - 1))));
    for (std::size_t i = length - 1; i-- > 0;) out += static_cast<char>(0x80 | ((character >> (6 * i)) & 0x3F));
}

void appendAsUtf8(std::string& out, CodePage page, std::string_view text) {
    for (char ch : text) appendUtf8(out, characterOrOwnNumber(page, static_cast<std::uint8_t>(ch)));
}

std::size_t utf8Size(CodePage page, std::string_view text) {
    std::size_t size = 0;
    for (char ch : text) size += utf8Length(characterOrOwnNumber(page, static_cast<std::uint8_t>(ch)));
    return size;
}

void appendAsUtf16(std::string& out, CodePage page, std::string_view text) {
    for (char ch : text) {
        const char32_t c = characterOrOwnNumber(page, static_cast<std::uint8_t>(ch));
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
}

Utf16Form utf16Form(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) return Utf16Form::LittleEndian;
    if (bytes.starts_with("\xFE\xFF")) return Utf16Form::BigEndian;
    const std::size_t lineEnd = std::min(bytes.find('\n'), bytes.size());
    const std::string_view line = bytes.substr(0, lineEnd + (lineEnd % 2 == 0 ? 2 : 1));
    if (line.size() < 2 || line.size() % 2 != 0) return Utf16Form::None;
    const auto zeroAt = [&](std::size_t first) {
        for (std::size_t i = first; i < line.size(); i += 2) {
            if (line[i] != '\0') return false;
        }
        return true;
    };
    if (zeroAt(1)) return Utf16Form::LittleWithoutMark;
    if (zeroAt(0)) return Utf16Form::BigWithoutMark;
    return Utf16Form::None;
}

void appendUtf16AsUtf8(std::string& out, std::string_view bytes, Utf16Form form) {
    forEachUtf16Character(bytes, form, [&](char32_t c) { appendUtf8(out, c); });
}

std::size_t utf16AsUtf8Size(std::string_view bytes, Utf16Form form) {
    std::size_t size = 0;
    forEachUtf16Character(bytes, form, [&](char32_t c) { size += utf8Length(c); });
    return size;
}

Utf8Decoder::Step Utf8Decoder::feed(std::uint8_t byte) {
    if (needed_ == 0) {
        if (byte < 0x80) {
            value_ = byte;
            return Step::Character;
        }
        needed_ = byte >= 0xC2 && byte <= 0xDF   ? 1
                  : byte >= 0xE0 && byte <= 0xEF ? 2
                  : byte >= 0xF0 && byte <= 0xF4 ? 3
                                                 : 0;
        if (needed_ == 0) return Step::Invalid;  // a continuation byte, or a lead byte of no valid form
        // The lead byte holds the highest bits below its length marker.
        constexpr std::array<char32_t, 4> kLowest = {0, 0x80, 0x800, 0x10000};
        value_ = byte & (0x3Fu >> needed_);
        lowest_ = kLowest[static_cast<std::size_t>(needed_)];
        return Step::Partial;
    }
    if ((byte & 0xC0u) != 0x80) return Step::Invalid;
    value_ = (value_ << 6) | (byte & 0x3Fu);
    if (--needed_ > 0) return Step::Partial;
    const bool surrogate = value_ >= 0xD800 && value_ <= 0xDFFF;
    if (value_ < lowest_ || surrogate || value_ > 0x10FFFF) return Step::Invalid;
    return Step::Character;
}

bool isMultiByteUtf8(std::string_view bytes) {
    // An ASCII byte is a whole character: the decoder need only begin at the first other one,
    // found eight bytes at a time.
    std::size_t at = 0;
    for (std::uint64_t word = 0; at + sizeof word <= bytes.size(); at += sizeof word) {
        std::memcpy(&word, bytes.data() + at, sizeof word);
        if ((word & 0x8080808080808080u) != 0) break;
    }
    while (at < bytes.size() && (bytes[at] & 0x80) == 0) ++at;
    if (at == bytes.size()) return false;
    Utf8Decoder decoder;
    for (const char c : bytes.substr(at)) {
        if (decoder.feed(static_cast<std::uint8_t>(c)) == Utf8Decoder::Step::Invalid) return false;
    }
    return !decoder.midCharacter();
}

}  // namespace vantedit
