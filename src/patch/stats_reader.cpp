#include "patch/stats_reader.h"

#include <array>
#include <string_view>

#include "model/list_tables.h"
#include "model/text.h"
#include "patch/item_row.h"

namespace vantedit {

namespace {

constexpr int kEnd = StatsStream::kEnd;
constexpr std::size_t kMaxTokenLength = 255;

constexpr bool isAsciiLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The heading line: only its tabs count. False after the failure message.
bool readHeadingLine(StatsStream& in, Layout& layout, Messages& out) {
    int tabs = 0;
    int first = kEnd;
    for (int position = 0;; ++position) {
        const int c = in.get();
        // A UTF-16 file starts with its byte order mark or has a 0 in every other byte: read
        // as 8-bit text it would fail far from the cause.
        const bool byteOrderMark = position == 1 && ((first == 0xFF && c == 0xFE) || (first == 0xFE && c == 0xFF));
        if (c == 0 || byteOrderMark) {
            out << "Error while parsing headings! (the file is UTF-16 text: save it as 8-bit text)\n";
            return false;
        }
        if (position == 0) first = c;
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
bool readLineNumber(StatsStream& in, std::string_view keyword, std::int32_t& n, Messages& out) {
    if (in.readNumber(n) == NumberRead::Number) return true;
    out << "Error while parsing! (" << keyword << ": number expected)\n";
    return false;
}

bool recordExists(std::int64_t record, std::int64_t count, std::string_view keyword, std::int32_t n,
                  Messages& out) {
    if (record >= 0 && record < count) return true;
    out << "Error while parsing! (" << keyword << " " << n << ": no such record)\n";
    return false;
}

// A text over the limit passes only as MAKE shows a record it fills with no ending: the
// record holds that very text now, and is left as it is (store false).
bool textFits(const std::string& text, std::size_t maxLength, const std::string& heldNow, bool& store,
              std::string_view keyword, std::int32_t n, Messages& out) {
    store = text.size() <= maxLength;
    if (store || text == heldNow) return true;
    out << "Error while parsing! (" << keyword << " " << n << ": text longer than " << maxLength
        << " characters)\n";
    return false;
}

// Attach, AmmoAttach, Exclude, Combine2, Combine3, ConvertWeapon, ConvertAmmo: the record
// number, then its 16-bit values, separated by any white space.
LineResult readListLine(StatsStream& in, Game& game, const NumericList& list, ValueWrites& writes, Messages& out,
                        ReadNumbers* numbers) {
    std::int32_t n = 0;
    if (!readLineNumber(in, list.keyword, n, out)) return LineResult::Failed;
    const Edition& e = game.edition();
    if (!recordExists(n, listRecordCount(e, list), list.keyword, n, out)) return LineResult::Failed;
    std::array<std::int32_t, 4> values{};
    for (int i = 0; i < listValueCount(list); ++i) {
        if (in.readNumber(values[static_cast<std::size_t>(i)]) != NumberRead::Number) {
            out << "Error while parsing! (" << list.keyword << " " << n << ": number expected)\n";
            return LineResult::Failed;
        }
    }
    const auto listIndex = static_cast<std::size_t>(&list - kNumericLists.data());
    for (int i = 0; i < listValueCount(list); ++i) {
        const ValueField field{list.keyword, n, i, {}};
        if (!writes.store(game.mutableImage(), listValueOffset(e, list, n, i), 2, values[static_cast<std::size_t>(i)], field,
                          out)) {
            return LineResult::Failed;
        }
        if (numbers != nullptr) numbers->lists[{listIndex, n, i}] = values[static_cast<std::size_t>(i)];
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
std::string readAmmoNameField(StatsStream& in, int& ending) {
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

// AmmoName n, or the older AmmoType n, which names the records of AmmoName n + 1.
LineResult readAmmoNameLine(StatsStream& in, Game& game, std::string_view keyword, int recordShift,
                            Messages& out) {
    std::int32_t n = 0;
    if (!readLineNumber(in, keyword, n, out)) return LineResult::Failed;
    const Edition& e = game.edition();
    const std::int64_t record = std::int64_t{n} + recordShift;
    if (!recordExists(record, e.ammoNameCount, keyword, n, out)) return LineResult::Failed;
    int ending = in.get();  // the tab after the number

    // The first table is shorter in some editions: a first text beyond it is read and dropped.
    const auto r = static_cast<std::int32_t>(record);
    bool storeFirst = record < ammoNameRecordCount(e, AmmoNameText::First);
    std::string first;
    if (!endsTheLine(ending)) first = readAmmoNameField(in, ending);
    if (storeFirst && !textFits(first, kAmmoNameMaxLength, readAmmoNameText(game.image(), e, AmmoNameText::First, r),
                                storeFirst, keyword, n, out)) {
        return LineResult::Failed;
    }
    std::string second;
    if (!endsTheLine(ending)) second = readAmmoNameField(in, ending);
    bool storeSecond = true;
    if (!textFits(second, kAmmoNameMaxLength, readAmmoNameText(game.image(), e, AmmoNameText::Second, r), storeSecond,
                  keyword, n, out)) {
        return LineResult::Failed;
    }

    if (storeFirst) storeAmmoNameText(game.mutableImage(), e, AmmoNameText::First, r, first);
    if (storeSecond) storeAmmoNameText(game.mutableImage(), e, AmmoNameText::Second, r, second);
    return LineResult::Done;
}

// Sound n or Burst n: a plain byte string up to the line end. Tabs and double quotes are
// dropped wherever they stand; the end of the file ends the text and the reading.
LineResult readNameLine(StatsStream& in, Game& game, const NameTable& table, Messages& out) {
    const std::string_view keyword = table.keyword;
    std::int32_t n = 0;
    if (!readLineNumber(in, keyword, n, out)) return LineResult::Failed;
    if (!recordExists(n, table.count, keyword, n, out)) return LineResult::Failed;
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
    bool store = true;
    if (!textFits(text, static_cast<std::size_t>(table.recordSize - 1), readName(game.image(), game.edition(), table, n),
                  store, keyword, n, out)) {
        return LineResult::Failed;
    }
    if (store) storeName(game.mutableImage(), game.edition(), table, n, text);
    return atEnd ? LineResult::EndOfFile : LineResult::Done;
}

// The token as a zero-terminated word: up to a byte 0, if it holds one.
std::string_view upToZero(const std::string& token) { return std::string_view(token).substr(0, token.find('\0')); }

// The word with its control bytes escaped, so that the message stays on one line.
std::string escaped(std::string_view word) {
    std::string text;
    for (char ch : word) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 32) {
            text += ch;
        } else if (c == '\n') {
            text += "\\n";
        } else if (c == '\t') {
            text += "\\t";
        } else if (c == '\r') {
            text += "\\r";
        } else {
            constexpr char kHex[] = "0123456789ABCDEF";
            text += "\\x";
            text += kHex[c >> 4];
            text += kHex[c & 15];
        }
    }
    return text;
}

}  // namespace

StatsReading readStatsText(StatsStream& in, Game& game, AttachmentGroups& groups, Faults& faults) {
    return readStatsText(in, game, groups, nullptr, faults);
}

StatsReading readStatsText(StatsStream& in, Game& game, AttachmentGroups& groups, ReadNumbers* numbers,
                           Faults& faults) {
    StatsReading reading;
    Messages& out = reading.messages;
    std::size_t asked = 0;
    if (!reading.writes.reserveFor(faults, game.edition(), asked) || !reserveAttachmentGroups(faults, groups, asked)) {
        out << "Unable to allocate " << asked << " bytes.\n";
        return reading;
    }
    Layout layout = Layout::Current;
    if (!readHeadingLine(in, layout, out)) return reading;

    bool ammoTypeWarned = false;
    std::string wordRead;
    while (readKeywordToken(in, wordRead)) {
        const std::string_view token = upToZero(wordRead);
        LineResult line = LineResult::Failed;
        const NumericList* list = nullptr;
        for (const NumericList& candidate : kNumericLists) {
            if (equalsIgnoringCase(token, candidate.keyword)) list = &candidate;
        }
        if (list != nullptr) {
            line = readListLine(in, game, *list, reading.writes, out, numbers);
        } else if (equalsIgnoringCase(token, "Item")) {
            line = readItemRow(in, game, layout, groups, reading.writes, out, numbers);
        } else if (equalsIgnoringCase(token, "AmmoName")) {
            line = readAmmoNameLine(in, game, "AmmoName", 0, out);
        } else if (equalsIgnoringCase(token, "AmmoType")) {
            if (!ammoTypeWarned) {
                out << "\nWARNING:  Old 'AmmoType' format detected (Converting...)\n";
                ammoTypeWarned = true;
            }
            line = readAmmoNameLine(in, game, "AmmoType", 1, out);
        } else if (equalsIgnoringCase(token, kSoundNames.keyword)) {
            line = readNameLine(in, game, kSoundNames, out);
        } else if (equalsIgnoringCase(token, kBurstNames.keyword)) {
            line = readNameLine(in, game, kBurstNames, out);
        } else {
            out << "Error while parsing! (" << escaped(token) << ")\n";
        }
        if (line == LineResult::Failed) return reading;
        if (line == LineResult::EndOfFile) break;
    }
    reading.result = ReadResult::EndOfFile;
    return reading;
}

}  // namespace vantedit
