// The 8-bit character sets the game's texts are written in, and UTF-8 read into them: a
// stats file saved as UTF-8 has its texts converted to the edition's code page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantedit {

// Named by their Windows numbers, which the messages show.
enum class CodePage : std::uint16_t { Windows1251 = 1251, Windows1252 = 1252 };

constexpr int codePageNumber(CodePage page) { return static_cast<int>(page); }

// The character a byte stands for: the byte itself below 128; 0 for a byte the code page
// leaves undefined.
char32_t codePageCharacter(CodePage page, std::uint8_t byte);

// The byte that stands for the character; empty when the code page has none. A byte the code
// page leaves undefined is written to UTF-8 as the character of its own number (U+0081 for 0x81),
// and that character stands for it here, so that such a byte survives the round trip.
std::optional<std::uint8_t> codePageByte(CodePage page, char32_t character);

// The character appended in UTF-8.
void appendUtf8(std::string& out, char32_t character);
// The code page's text appended in UTF-8, an undefined byte as the character of its number.
void appendAsUtf8(std::string& out, CodePage page, std::string_view text);
// How many bytes appendAsUtf8 appends.
std::size_t utf8Size(CodePage page, std::string_view text);

// UTF-8 decoded one byte at a time. Overlong forms, surrogates and anything beyond U+10FFFF
// are not UTF-8.
class Utf8Decoder {
public:
    enum class Step : std::uint8_t {
        Partial,    // the byte began or continued a character
        Character,  // the byte completed one: character() holds it
        Invalid,    // the byte cannot stand here
    };

    Step feed(std::uint8_t byte);
    char32_t character() const { return value_; }
    // A character was begun and not completed.
    bool midCharacter() const { return needed_ != 0; }

private:
    char32_t value_ = 0;
    char32_t lowest_ = 0;  // the least value the begun form may encode
    int needed_ = 0;       // continuation bytes still to come
};

// The code page's text appended as UTF-16 little-endian (every character of the code pages is
// one 16-bit unit), an undefined byte as the character of its number.
void appendAsUtf16(std::string& out, CodePage page, std::string_view text);

// How a file's bytes are UTF-16 text: after its byte order mark, or without one but with a 0 in
// every other byte of its first line, as a file of ASCII lines saved as UTF-16 has.
enum class Utf16Form : std::uint8_t { None, LittleEndian, BigEndian, LittleWithoutMark, BigWithoutMark };
Utf16Form utf16Form(std::string_view bytes);

// The UTF-16 text (after its mark, if any) appended as UTF-8, and its length, so that a caller
// can have the memory first. A unit that stands for no character (half a surrogate pair, the
// odd last byte) becomes U+FFFD, which no code page holds, so a text holding it is refused.
void appendUtf16AsUtf8(std::string& out, std::string_view bytes, Utf16Form form);
std::size_t utf16AsUtf8Size(std::string_view bytes, Utf16Form form);

// Every byte belongs to a whole UTF-8 character and at least one character is beyond ASCII:
// text of an 8-bit code page almost never reads so.
bool isMultiByteUtf8(std::string_view bytes);

}  // namespace vantedit
