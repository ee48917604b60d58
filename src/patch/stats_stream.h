// The stats file as the reader sees it: the whole file in memory, read one character at a
// time, with a single character of push-back, and the reads of a cell or a word.
// Line ends read alike on every platform: a run of 13s directly followed by 10 is one 10, so
// CR LF, LF and the CR CR LF of a file converted twice all end a line. Inside a quoted text
// only the one 13 before a 10 is the line end's: a text's own CR LF, which MAKE writes as
// CR CR LF, comes back as CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantedit {

enum class NumberRead {
    Number,      // a value was read
    NotANumber,  // something other than white space stood where the number should be
    EndOfFile,   // only white space, if anything, before the end of the file
};

// What a cell held where one whole number belongs.
enum class CellNumber {
    Number,    // one whole number, blanks around it or in double quotes allowed
    Empty,     // nothing but blanks
    NotWhole,  // anything else: 60.0, 1,234, 60 mm, n/a
    TooLarge,  // a whole number outside -2147483648 to 4294967295
};

CellNumber parseWholeNumber(std::string_view cell, std::int64_t& value);

// The text of a cell as kept: at most this many bytes, and whether more stood there.
struct CellText {
    std::string text;
    bool cut = false;
};

class StatsStream {
public:
    static constexpr int kEnd = -1;

    StatsStream() = default;
    explicit StatsStream(std::string bytes) : bytes_(std::move(bytes)) {}

    // Where the next read starts, to come back to.
    struct Mark {
        std::size_t position = 0;
        int pushedBack = kEnd;
    };

    // The next character (0 to 255), or kEnd at the end of the file, again and again.
    int get();
    // The same inside a quoted text.
    int getInQuotes();
    Mark mark() const { return {position_, pushedBack_}; }
    void restore(const Mark& m) {
        position_ = m.position;
        pushedBack_ = m.pushedBack;
    }
    // The line, counted from 1, that the read from the mark starts.
    std::int64_t lineOf(const Mark& m) const;
    // The character goes back, to be read next; kEnd is not pushed back.
    void unget(int c);
    // Whether nothing but white space stands before the end of the file.
    bool onlyWhiteSpaceLeft();

    // "%d": white space skipped, an optional sign, decimal digits. The value is kept modulo
    // 2^32, as only its low bits are ever stored. The first character after the digits stays unread.
    NumberRead readNumber(std::int32_t& value);
    // One cell of a row: up to the tab that ends it, which is consumed, or the line end or the
    // end of the file, which stay unread.
    CellText readCell(std::size_t keep);
    // One word: white space skipped, then the run of other characters.
    CellText readWord(std::size_t keep);
    // At the start of the file: passes over the UTF-8 byte order mark; true when there was one.
    bool skipUtf8Mark();
    // The rest of the line the next read starts, without its line end.
    std::string_view peekLine() const;
    // Every byte not read yet, as it stands in the file (a pushed back character aside).
    std::string_view rest() const;

private:
    std::string bytes_;
    std::size_t position_ = 0;
    int pushedBack_ = kEnd;
};

// White space as the C library's isspace sees it in the "C" locale.
constexpr bool isWhiteSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace vantedit
