#include "patch/stats_reader.h"

#include <array>
#include <string_view>

#include "app/run.h"
#include "model/list_tables.h"
#include "patch/item_row.h"

namespace vantedit {

namespace {

constexpr int kEnd = StatsStream::kEnd;
constexpr std::size_t kMaxTokenLength = 255;

constexpr bool isAsciiLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The heading line: only its tabs count. False after the failure message.
bool readHeadingLine(StatsStream& in, Layout& layout, std::ostream& out) {
    int tabs = 0;
    for (;;) {
        const int c = in.get();
        if (c == '\n') break;
        if (c == kEnd) {
            out << "Error while parsing headings!\n";
            return false;
        }
        if (c == '\t') ++tabs;
    }
    switch (tabs) {
        case 69: layout = Layout::Current; return true;
        case 72: layout = Layout::Headings72; break;
        case 73: layout = Layout::Headings73; break;
        default:
            out << "Error while parsing!  (" << tabs << " Headings)\n"
                << "If you are using a textfile from an older version, you\n"
                << "use MAKE to create a new textfile.  See documentation.\n";
            return false;
    }
    out << "\nWARNING:  Older version datafile detected!  (" << tabs << " Headings) (Converting...)\n";
    return true;
}

// The word that opens a line: it starts at a letter (anything else before it is passed
// over) and ends at a blank, which is consumed, or at 255 characters. False at the end of
// the file before any letter. A word cut short by the end of the file is still a word, so
// that a last line with a tab after its keyword fails loudly instead of being dropped.
bool readKeywordToken(StatsStream& in, std::string& token) {
    token.clear();
    for (;;) {
        const int c = in.get();
        if (c == kEnd) return !token.empty();
        if (token.empty() && !isAsciiLetter(c)) continue;
        if (c == ' ') return true;
        token.push_back(static_cast<char>(c));
        if (token.size() == kMaxTokenLength) return true;
    }
}

// The line number after a keyword. False after the failure message.
bool readLineNumber(StatsStream& in, std::string_view keyword, std::int32_t& n, std::ostream& out) {
    if (in.readNumber(n) == NumberRead::Number) return true;
    out << "Error while parsing! (" << keyword << ": number expected)\n";
    return false;
}

bool recordExists(std::int64_t record, std::int64_t count, std::string_view keyword, std::int32_t n,
                  std::ostream& out) {
    if (record >= 0 && record < count) return true;
    out << "Error while parsing! (" << keyword << " " << n << ": no such record)\n";
    return false;
}

bool textFits(const std::string& text, std::size_t maxLength, std::string_view keyword, std::int32_t n,
              std::ostream& out) {
    if (text.size() <= maxLength) return true;
    out << "Error while parsing! (" << keyword << " " << n << ": text longer than " << maxLength
        << " characters)\n";
    return false;
}

// Attach, AmmoAttach, Exclude, Combine2, Combine3, ConvertWeapon, ConvertAmmo: the record
// number, then its 16-bit values, separated by any white space.
LineResult readListLine(StatsStream& in, Game& game, const NumericList& list, std::ostream& out) {
    std::int32_t n = 0;
    if (!readLineNumber(in, list.keyword, n, out)) return LineResult::Failed;
    const Edition& e = game.record();
    if (!recordExists(n, listRecordCount(e, list), list.keyword, n, out)) return LineResult::Failed;
    std::array<std::int32_t, 4> values{};
    for (int i = 0; i < listValueCount(list); ++i) {
        if (in.readNumber(values[static_cast<std::size_t>(i)]) != NumberRead::Number) {
            out << "Error while parsing! (" << list.keyword << " " << n << ": number expected)\n";
            return LineResult::Failed;
        }
    }
    ByteView image = game.imageView();
    for (int i = 0; i < listValueCount(list); ++i) {
        image.setU16(static_cast<std::size_t>(listValueOffset(e, list, n, i)),
                     static_cast<std::uint16_t>(values[static_cast<std::size_t>(i)]));
    }
    in.get();  // the line end
    return LineResult::Done;
}

// An AmmoName text up to its tab or line end (or the end of the file, which only ends the
// text). A double quote is dropped and the character after it taken whatever it is, so
// quoted texts lose their quotes and a doubled quote stands for one. A quote that opens the
// text only opens it, as when a spreadsheet quotes every text: "" is then an empty text and
// """" a single quote, not one and two.
// ending receives the character that ended the text.
std::string readAmmoNameText(StatsStream& in, int& ending) {
    std::string text;
    for (bool opening = true;; opening = false) {
        int c = in.get();
        if (c == '"' && opening) c = in.get();
        if (c == '"') c = in.get();
        if (c == '\t' || c == '\n' || c == kEnd || c == 0) {
            ending = c;
            return text;
        }
        text.push_back(static_cast<char>(c));
    }
}

// A text that ends its line leaves the line's later texts empty: an editor that drops
// trailing tabs must not make the next line's words into this line's text.
constexpr bool endsTheLine(int c) { return c == '\n' || c == kEnd; }

// Into the low byte of each 16-bit character; the high bytes keep what the game had.
void storeAmmoNameText(ByteView& image, std::int64_t recordOffset, const std::string& text) {
    for (std::size_t j = 0; j < text.size(); ++j) {
        image.setU8(static_cast<std::size_t>(recordOffset) + 2 * j, static_cast<std::uint8_t>(text[j]));
    }
    image.setU8(static_cast<std::size_t>(recordOffset) + 2 * text.size(), 0);
}

// AmmoName n, or the older AmmoType n, which names the records of AmmoName n + 1.
LineResult readAmmoNameLine(StatsStream& in, Game& game, std::string_view keyword, int recordShift,
                            std::ostream& out) {
    std::int32_t n = 0;
    if (!readLineNumber(in, keyword, n, out)) return LineResult::Failed;
    const Edition& e = game.record();
    const std::int64_t record = std::int64_t{n} + recordShift;
    if (!recordExists(record, e.ammoNameCount, keyword, n, out)) return LineResult::Failed;
    int ending = in.get();  // the tab after the number

    // The first table is shorter in some editions: a first text beyond it is read and dropped.
    const bool storeFirst = record < e.ammoNameFirstCount;
    std::string first;
    if (!endsTheLine(ending)) first = readAmmoNameText(in, ending);
    if (storeFirst && !textFits(first, kAmmoNameMaxLength, keyword, n, out)) return LineResult::Failed;
    std::string second;
    if (!endsTheLine(ending)) second = readAmmoNameText(in, ending);
    if (!textFits(second, kAmmoNameMaxLength, keyword, n, out)) return LineResult::Failed;

    ByteView image = game.imageView();
    const auto r = static_cast<std::int32_t>(record);
    if (storeFirst) storeAmmoNameText(image, ammoNameRecordOffset(e.ammoNameFirstOffset, r), first);
    storeAmmoNameText(image, ammoNameRecordOffset(e.ammoNameSecondOffset, r), second);
    return LineResult::Done;
}

// Sound n or Burst n: a plain byte string up to the line end. Tabs and double quotes are
// dropped wherever they stand; the end of the file ends the text and the reading.
LineResult readByteNameLine(StatsStream& in, Game& game, std::string_view keyword, std::int64_t tableOffset,
                            int recordCount, int recordSize, std::ostream& out) {
    std::int32_t n = 0;
    if (!readLineNumber(in, keyword, n, out)) return LineResult::Failed;
    if (!recordExists(n, recordCount, keyword, n, out)) return LineResult::Failed;
    const int afterNumber = in.get();  // the tab after the number

    std::string text;
    bool atEnd = afterNumber == kEnd;
    // A line that ends right after its number has an empty name.
    while (!endsTheLine(afterNumber)) {
        const int c = in.get();
        if (c == kEnd) {
            atEnd = true;
            break;
        }
        if (c == '\t' || c == '"') continue;
        if (c == '\n' || c == 0) break;
        text.push_back(static_cast<char>(c));
    }
    if (!textFits(text, static_cast<std::size_t>(recordSize - 1), keyword, n, out)) return LineResult::Failed;

    ByteView image = game.imageView();
    const auto at = static_cast<std::size_t>(tableOffset + std::int64_t{recordSize} * n);
    for (std::size_t j = 0; j < text.size(); ++j) image.setU8(at + j, static_cast<std::uint8_t>(text[j]));
    image.setU8(at + text.size(), 0);
    return atEnd ? LineResult::EndOfFile : LineResult::Done;
}

// What "%s" prints of the token: up to a byte 0, if it holds one.
std::string_view printable(const std::string& token) {
    return std::string_view(token).substr(0, token.find('\0'));
}

}  // namespace

ReadResult readStatsText(StatsStream& in, Game& game, AttachmentGroups& groups, std::ostream& out) {
    Layout layout = Layout::Current;
    if (!readHeadingLine(in, layout, out)) return ReadResult::Failed;

    const Edition& e = game.record();
    bool ammoTypeWarned = false;
    std::string token;
    while (readKeywordToken(in, token)) {
        LineResult result = LineResult::Failed;
        const NumericList* list = nullptr;
        for (const NumericList& candidate : kNumericLists) {
            if (equalsIgnoringCase(token, candidate.keyword)) list = &candidate;
        }
        if (list != nullptr) {
            result = readListLine(in, game, *list, out);
        } else if (equalsIgnoringCase(token, "Item")) {
            result = readItemRow(in, game, layout, groups, out);
        } else if (equalsIgnoringCase(token, "AmmoName")) {
            result = readAmmoNameLine(in, game, "AmmoName", 0, out);
        } else if (equalsIgnoringCase(token, "AmmoType")) {
            if (!ammoTypeWarned) {
                out << "\nWARNING:  Old 'AmmoType' format detected (Converting...)\n";
                ammoTypeWarned = true;
            }
            result = readAmmoNameLine(in, game, "AmmoType", 1, out);
        } else if (equalsIgnoringCase(token, "Sound")) {
            result = readByteNameLine(in, game, "Sound", e.soundNameOffset, kSoundNameCount, kSoundNameRecordSize, out);
        } else if (equalsIgnoringCase(token, "Burst")) {
            result = readByteNameLine(in, game, "Burst", e.burstNameOffset, kBurstNameCount, kBurstNameRecordSize, out);
        } else {
            out << "Error while parsing! (" << printable(token) << ")\n";
        }
        if (result == LineResult::Failed) return ReadResult::Failed;
        if (result == LineResult::EndOfFile) break;
    }
    return ReadResult::EndOfFile;
}

ReadResult readStatsFile(Game& game, const std::string& statsPath, AttachmentGroups& groups, std::ostream& out) {
    StatsStream in;
    if (!in.load(statsPath)) {
        out << "Unable to read " << statsPath << "!\n";
        return ReadResult::Failed;
    }
    out << "\nConverting text file...";
    return readStatsText(in, game, groups, out);
}

}  // namespace vantedit
