// What a reading of a stats file tells: the failure that stopped it and the warnings it gave
// on the way, as facts for the run sequence to word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/stats_fields.h"

namespace vantedit {

// What stops a reading.
enum class ReadError : std::uint8_t {
    None,
    Allocation,      // count: the bytes asked for
    NoHeadingLine,   // the file ends before its first line break, or holds binary data
    HeadingCount,    // count: the heading line's tabs, of no known layout
    UnknownWord,     // word: the word that opens the line
    NumberExpected,  // at the line's keyword, record or field
    NotWholeNumber,  // at the field; word: what the cell holds, count 1 when it was cut
    TooLarge,        // likewise
    NoSuchRecord,    // keyword, record
    TextTooLong,     // keyword, record (an Item text: its field); count: the most characters it holds
    Character255,    // field: an Item text holding the byte 255, which would end it in the files
    NotUtf8,         // field: a text of a UTF-8 file
    NotInCodePage,   // field; count: the character; codePage: the edition's
    SameByte,        // field, and other: the field whose different edit the byte holds
    GivenAgain,      // a change list's field; count: the line that gave it first
    OtherSeparator,  // record: a first row separated by commas or semicolons (cause), with no heading line
};

// How much of the place a failure names.
enum class ReadPlace : std::uint8_t { Keyword, Record, Field };

// Why the first line is no heading, as far as the file shows.
enum class HeadingCause : std::uint8_t { Unknown, Commas, Semicolons, Blanks, NoKeyword, BinaryData };

struct ReadFailure {
    ReadError error = ReadError::None;
    ReadPlace place = ReadPlace::Keyword;
    std::string_view keyword;  // as the program spells it ("AmmoType" too)
    FieldRef field;            // its record, and for ReadPlace::Field its field
    FieldRef other;
    std::int64_t count = 0;
    std::string word;
    int codePage = 0;
    std::int64_t line = 0;  // where the failing line or cell starts, counted from 1 at line feeds
    HeadingCause cause = HeadingCause::Unknown;  // of a failure of the first line
};

// What a reading noticed and went on.
enum class ReadWarning : std::uint8_t {
    OlderLayout,     // count: the heading line's tabs
    AmmoTypeFormat,  // the first "AmmoType" line
    DoesNotFit,      // field, typed: a number beyond what MAKE shows for it; count: what it shows now
    Utf8WithoutMark,  // the file's texts are UTF-8 though it does not start with the byte order mark
    Utf16WithoutMark,  // the file is UTF-16 text though it does not start with the byte order mark
    NoSuchItem,       // count: the number of an Item row that names no item
    CommaSeparated,   // the heading line and the file are separated by commas
    SemicolonSeparated,  // likewise by semicolons
    // Of a text cell, by field and line. Read in UTF-8 though the file is in the code page:
    ReadAsUtf8,
    // Not stored, the game's text kept; the cell's text (and the game's) told:
    QuestionMarks,  // ? or _ where the game's text holds letters, as a save in a code page without them leaves
    LooksLikeDate,  // the game's text a number or fraction, the cell a date a spreadsheet made of it
};
inline constexpr std::size_t kReadWarningCount = static_cast<std::size_t>(ReadWarning::LooksLikeDate) + 1;

struct ReadNotice {
    ReadWarning warning;
    std::int64_t count = 0;
    FieldRef field{};
    std::int64_t typed = 0;
    std::int64_t line = 0;  // of the cell or row, for DoesNotFit, NoSuchItem and the text warnings
    // Of a text not stored: where its text, then the game's, stand among the reading's notice texts.
    std::uint32_t textAt = 0;
    std::uint16_t textSize = 0;
    std::uint16_t heldSize = 0;
};

// The warnings of a cell or a row are told one by one up to this many of each kind; the rest
// are counted.
inline constexpr std::size_t kMostTold = 20;
// The longest text a notice tells: a date a spreadsheet made, or the number it made it of.
inline constexpr std::size_t kLongestDateTold = 24;

}  // namespace vantedit
