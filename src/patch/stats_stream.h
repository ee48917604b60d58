// The stats file as the reader sees it: the whole file in memory, read one character at a
// time, with a single character of push-back and the two formatted reads the reader needs.
// Line ends read as in text mode on every platform: 13 directly followed by 10 is one 10.
#pragma once

#include <cstdint>
#include <string>

namespace vantedit {

enum class NumberRead {
    Number,      // a value was read
    NotANumber,  // something other than white space stood where the number should be
    EndOfFile,   // only white space, if anything, before the end of the file
};

class StatsStream {
public:
    static constexpr int kEnd = -1;

    StatsStream() = default;
    explicit StatsStream(std::string bytes) : bytes_(std::move(bytes)) {}

    // The next character (0 to 255), or kEnd at the end of the file, again and again.
    int get();
    // The character goes back, to be read next; kEnd is not pushed back.
    void unget(int c);

    // "%d": white space skipped, an optional sign, decimal digits. The value is kept modulo
    // 2^32, as only its low bits are ever stored. The first character after the digits stays unread.
    NumberRead readNumber(std::int32_t& value);
    // "%*s": white space skipped, then one run of other characters consumed.
    void skipField();

private:
    std::string bytes_;
    std::size_t position_ = 0;
    int pushedBack_ = kEnd;
};

// White space as the C library's isspace sees it in the "C" locale.
constexpr bool isWhiteSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace vantedit
