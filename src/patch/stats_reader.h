// Reading a stats file onto a game: the heading check, the keyword loop, the list lines and,
// through readItemRow, the Item rows, then the rebuild of the weapon attachment table. What
// happened comes back as facts, for the run sequence to word.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/game.h"
#include "model/memory.h"
#include "model/stats_fields.h"
#include "patch/attachment_groups.h"
#include "patch/stats_stream.h"
#include "patch/text_builder.h"
#include "patch/value_writes.h"

namespace vantedit {

// What stops a reading.
enum class ReadError : std::uint8_t {
    None,
    Allocation,      // count: the bytes asked for
    Utf16,           // the heading line is UTF-16 text
    NoHeadingLine,   // the file ends before its first line break
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
};

// How much of the place a failure names.
enum class ReadPlace : std::uint8_t { Keyword, Record, Field };

// Why a heading line is none, as far as the line itself shows.
enum class HeadingCause : std::uint8_t { Unknown, Commas, Semicolons, Blanks, NoKeyword };

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
    HeadingCause cause = HeadingCause::Unknown;  // of a heading failure
};

// What a reading noticed and went on.
enum class ReadWarning : std::uint8_t {
    OlderLayout,     // count: the heading line's tabs
    AmmoTypeFormat,  // the first "AmmoType" line
    DoesNotFit,      // field, typed: a number beyond what MAKE shows for it; count: what it shows now
    Utf8WithoutMark,  // the file's texts are UTF-8 though it does not start with the byte order mark
    NoSuchItem,       // count: the number of an Item row that names no item
};

struct ReadNotice {
    ReadWarning warning;
    std::int64_t count = 0;
    FieldRef field{};
    std::int64_t typed = 0;
};

// The numbers beyond their field's range, and the rows that name no item, that are told one
// by one; the rest are counted.
inline constexpr std::size_t kMostNumbersTold = 20;
inline constexpr std::size_t kMostRowsTold = 20;

struct Reading {
    bool ok() const { return failure.error == ReadError::None; }

    std::vector<ReadNotice> notices;  // in the order met; the failure, if any, came after them
    std::size_t numbersNotFittingTold = 0;
    std::int64_t moreNumbersNotFitting = 0;  // beyond those told
    std::size_t rowsNamingNoItemTold = 0;
    std::int64_t moreRowsNamingNoItem = 0;
    ReadFailure failure;
    TextForm texts;  // how the file's texts are written, so that a failure can show its cell
    // More than half of the stat cells of the whole rows the file gave hold another value
    // than before: a file of another edition, most likely.
    bool mostValuesDiffer = false;
    RebuildCounts attachments;  // after a reading that reached the end of the file
    // Which field wrote each byte of the stat and list values, and the numbers as typed.
    ValueWrites writes;
    TypedNumbers typed;
    // The fields the file's cells stored a value in (an attachment column: stated), each once.
    FieldSet reached;
};

// Whether the run saves the Item rows' texts into the description files. Only then is a text
// the files cannot hold an error; PATCH and diff, which never save them, cut it.
enum class DescriptionTexts : std::uint8_t { NotSaved, Saved };

// Reads the whole stats file into the game and, when it reached the end, rebuilds the weapon
// attachment table. A file that starts with the UTF-8 byte order mark, or whose bytes are all
// UTF-8 with some beyond ASCII, has its texts converted to the edition's code page. A failed reading may have changed
// the game: it is not to be saved.
Reading applyStatsFile(Game& game, std::string bytes, Faults& faults,
                       DescriptionTexts texts = DescriptionTexts::NotSaved);

// The same reading into reading, for a run that reads many files in turn onto one game and
// puts the game back between them: the room of the records, had on the first call, is kept,
// and each call clears only the fields the one before reached.
void applyStatsFileAgain(Game& game, std::string bytes, Faults& faults, Reading& reading);

// The parts of applyStatsFile. Room for the reading's records and the groups, had before it;
// false with the failure set.
bool reserveReading(Faults& faults, const Edition& edition, Reading& reading, AttachmentGroups& groups);
// Reads a whole stats file, from its heading line on, into the game and the groups; stops at
// the first failure, set in the reading.
void readStatsText(StatsStream& in, Game& game, AttachmentGroups& groups, Reading& reading,
                   DescriptionTexts texts = DescriptionTexts::NotSaved);

}  // namespace vantedit
