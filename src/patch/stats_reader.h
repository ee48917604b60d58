// Reading a stats file onto a game: the first line, then every line walked through its fields
// as MAKE writes them, then the rebuild of the weapon attachment table. A change list is read
// by the same lines and cells, one change a line. What happened comes back as facts, for the
// run sequence to word.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/attachment_groups.h"
#include "model/change_fields.h"
#include "model/game.h"
#include "model/memory.h"
#include "model/stats_fields.h"
#include "model/text_builder.h"
#include "patch/read_facts.h"
#include "patch/value_writes.h"

namespace vantedit {

struct Reading {
    bool ok() const { return failure.error == ReadError::None; }

    std::int64_t more(ReadWarning w) const { return moreOf[static_cast<std::size_t>(w)]; }
    // The cell's text of a notice of a text not stored, and the game's text it kept.
    std::string_view text(const ReadNotice& n) const {
        return std::string_view(noticeTexts).substr(n.textAt, n.textSize);
    }
    std::string_view held(const ReadNotice& n) const {
        return std::string_view(noticeTexts).substr(n.textAt + n.textSize, n.heldSize);
    }

    std::vector<ReadNotice> notices;  // in the order met; the failure, if any, came after them
    std::string noticeTexts;          // the texts they tell, in the room had before the reading
    std::array<std::size_t, kReadWarningCount> told{};    // of each kind of warning
    std::array<std::int64_t, kReadWarningCount> moreOf{};  // beyond those told
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
// UTF-8 with some beyond ASCII, has its texts converted to the edition's code page. A failed
// reading may have changed the game: it is not to be saved.
Reading applyStatsFile(Game& game, std::string bytes, Faults& faults,
                       DescriptionTexts texts = DescriptionTexts::NotSaved);

// A UTF-16 file's bytes made those of the same text in UTF-8 after its byte order mark; false
// with the failure set when the memory for it cannot be had.
bool readUtf16AsUtf8(std::string& bytes, Faults& faults, Reading& reading);

// The parts of applyStatsFile. Room for the reading's records and the groups, had before it;
// false with the failure set.
bool reserveReading(Faults& faults, const Edition& edition, Reading& reading, AttachmentGroups& groups);
// Reads a whole stats file, from its heading line on, into the game and the groups; stops at
// the first failure, set in the reading. A heading line separated by commas or semicolons sets
// the separator for the file, and a first line that ends in a carriage return alone makes each
// such carriage return a line end.
void readStatsText(std::string file, Game& game, AttachmentGroups& groups, Reading& reading,
                   DescriptionTexts texts = DescriptionTexts::NotSaved);

// Whether the text is a change list: its first line, in UTF-8 (with or without the byte order
// mark) or UTF-16, is the list's heading, its cells separated by tabs, commas or semicolons
// and perhaps quoted.
bool isChangeList(std::string_view bytes);

// Reads a whole change list (UTF-16, UTF-8 or the code page's text) into lines; false with
// the reading's failure set.
bool readChangeList(std::string_view bytes, Faults& faults, CodePage codePage, std::vector<ChangeLine>& lines,
                    Reading& reading);

}  // namespace vantedit
