#include "patch/stats_reader.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "model/code_pages.h"
#include "model/list_tables.h"
#include "model/memory.h"
#include "patch/attachment_groups.h"
#include "patch/item_row.h"
#include "patch/reading.h"

namespace vantedit {

namespace {

constexpr int kEnd = StatsStream::kEnd;
constexpr std::size_t kMaxTokenLength = 255;
constexpr std::size_t kNumberWordKept = 64;

constexpr bool isAsciiLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// What the first line shows of why it is no heading: separated by other than tabs, tabs turned
// into blanks, or a line of the file with a misspelt keyword.
HeadingCause headingCause(std::string_view line) {
    const bool tabs = line.find('\t') != std::string_view::npos;
    const auto count = [&](char c) { return std::count(line.begin(), line.end(), c); };
    constexpr std::ptrdiff_t kSeparators = kItemCells.size();  // one fewer than the headings
    if (!tabs && count(',') >= kSeparators) return HeadingCause::Commas;
    if (!tabs && count(';') >= kSeparators) return HeadingCause::Semicolons;
    if (!tabs && line.starts_with("Offset ")) return HeadingCause::Blanks;
    if (opensLikeALine(line)) return HeadingCause::NoKeyword;
    return HeadingCause::Unknown;
}

// The heading line: only its tabs count. False after the failure is set.
bool readHeadingLine(StatsStream& in, Layout& layout, Reading& reading) {
    int tabs = 0;
    int first = kEnd;
    for (int position = 0;; ++position) {
        const int c = in.get();
        // A UTF-16 file starts with its byte order mark or has a 0 in every other byte: read
        // as 8-bit text it would fail far from the cause.
        const bool byteOrderMark = position == 1 && ((first == 0xFF && c == 0xFE) || (first == 0xFE && c == 0xFF));
        if (c == 0 || byteOrderMark) {
            reading.failure.error = ReadError::Utf16;
            return false;
        }
        if (position == 0) first = c;
        if (c == '\n') break;
        if (c == kEnd) {
            reading.failure.error = ReadError::NoHeadingLine;
            return false;
        }
        if (c == '\t') ++tabs;
    }
    const auto known = std::find_if(kLayouts.begin(), kLayouts.end(), [&](Layout l) { return headingTabs(l) == tabs; });
    if (known == kLayouts.end()) {
        reading.failure.error = ReadError::HeadingCount;
        reading.failure.count = tabs;
        return false;
    }
    layout = *known;
    if (layout == Layout::Current) return true;
    reading.notices.push_back({ReadWarning::OlderLayout, tabs});
    return true;
}

// The word that opens a line: it starts at a letter (anything else before it is passed
// over) and ends at a blank, which is consumed, or at 255 characters. False at the end of
// the file before any letter; start is where its first letter stands. A word cut short by the end of the file is still
// a word, so that a last line with a tab after its keyword fails loudly instead of being dropped.
bool readKeywordToken(StatsStream& in, std::string& token, StatsStream::Mark& start) {
    token.clear();
    for (;;) {
        if (token.empty()) start = in.mark();
        const int c = in.get();
        if (c == kEnd) return !token.empty();
        if (token.empty() && !isAsciiLetter(c)) continue;
        if (c == ' ') return true;
        token.push_back(static_cast<char>(c));
        if (token.size() == kMaxTokenLength) return true;
    }
}

// The line number after a keyword. False after the failure is set.
bool readLineNumber(StatsStream& in, std::string_view keyword, std::int32_t& n, Reading& reading) {
    if (in.readNumber(n) == NumberRead::Number) return true;
    reading.failure = {ReadError::NumberExpected, ReadPlace::Keyword, keyword, {}, {}, 0, {}};
    return false;
}

bool fail(Reading& reading, ReadError error, std::string_view keyword, std::int32_t n, std::int64_t count = 0) {
    reading.failure = {error, ReadPlace::Record, keyword, {0, 0, n}, {}, count, {}};
    return false;
}

bool recordExists(std::int64_t record, std::int64_t count, std::string_view keyword, std::int32_t n, Reading& reading) {
    return (record >= 0 && record < count) || fail(reading, ReadError::NoSuchRecord, keyword, n);
}

// A text over the limit passes only as MAKE shows a record it fills with no ending: the
// record holds that very text now, and is left as it is (store false).
bool textFits(const std::string& text, std::size_t maxLength, const std::string& heldNow, bool& store,
              std::string_view keyword, std::int32_t n, Reading& reading) {
    store = text.size() <= maxLength;
    if (store || text == heldNow) return true;
    return fail(reading, ReadError::TextTooLong, keyword, n, static_cast<std::int64_t>(maxLength));
}

// Attach, AmmoAttach, Exclude, Combine2, Combine3, ConvertWeapon, ConvertAmmo: the record
// number, then its 16-bit values, separated by any white space.
LineResult readListLine(StatsStream& in, Game& game, std::uint8_t line, Reading& reading) {
    const NumericList& list = numericList(kLineTypes[line]);
    std::int32_t n = 0;
    if (!readLineNumber(in, list.keyword, n, reading)) return LineResult::Failed;
    const Edition& e = game.edition();
    if (!recordExists(n, listRecordCount(e, list), list.keyword, n, reading)) return LineResult::Failed;
    skipClosingQuote(in);
    std::array<std::int64_t, 4> values{};
    for (int i = 0; i < listValueCount(list); ++i) {
        const CellText word = in.readWord(kNumberWordKept);
        // A line short of values meets the end of the file or the next line's keyword.
        if (word.text.empty() || isAsciiLetter(word.text.front())) {
            fail(reading, ReadError::NumberExpected, list.keyword, n);
            return LineResult::Failed;
        }
        const FieldRef field{line, static_cast<std::uint16_t>(i), n};
        if (!readCellNumber(word, list.keyword, field, values[static_cast<std::size_t>(i)], reading)) {
            return LineResult::Failed;
        }
    }
    for (int i = 0; i < listValueCount(list); ++i) {
        const FieldRef field{line, static_cast<std::uint16_t>(i), n};
        if (!reading.writes.store(game.mutableImage(), listValueOffset(e, list, n, i), ColumnKind::U16,
                                  values[static_cast<std::size_t>(i)], field, reading.failure.other)) {
            reading.failure = {
                ReadError::SameByte, ReadPlace::Field, list.keyword, field, reading.failure.other, 0, {}};
            return LineResult::Failed;
        }
        noteTypedNumber(reading, field, values[static_cast<std::size_t>(i)]);
        reading.reached.add(field);
    }
    in.get();  // the line end
    return LineResult::Done;
}

// An AmmoName text up to its tab or line end (or the end of the file, which only ends the
// text). A double quote is dropped and the character after it taken whatever it is, so a
// doubled quote stands for one. A text that opens with a quote that closes before the line
// ends is a quoted text, as when a spreadsheet quotes every text: inside it tabs and line
// ends are text; "" is then an empty text and """" a single quote. ending receives the
// character that ended the text.
void readAmmoNameField(StatsStream& in, int& ending, TextBuilder& text) {
    const StatsStream::Mark start = in.mark();
    if (in.get() == '"') {
        if (readQuotedText(in, text, ending)) return;
        text.restart();
    }
    in.restore(start);
    for (;;) {
        int c = in.get();
        if (c == '"') c = in.get();
        if (c == kEnd || c == 0 || c == '\t' || c == '\n') {
            ending = c;
            return;
        }
        text.add(c);
    }
}

// A Sound or Burst name up to its line end. One that opens with a quote that closes before
// the line ends is a quoted text, and the rest of its line is not read. In any other, tabs
// and double quotes are dropped wherever they stand. The end of the file ends the name.
void readNameField(StatsStream& in, TextBuilder& text) {
    const StatsStream::Mark start = in.mark();
    if (in.get() == '"') {
        int ending = kEnd;
        if (readQuotedText(in, text, ending)) {
            if (ending != '\t') return;
            for (int c = ending; c != '\n' && c != kEnd;) c = in.get();
            return;
        }
        text.restart();
    }
    in.restore(start);
    for (;;) {
        const int c = in.get();
        if (c == kEnd || c == '\n' || c == 0) return;
        if (c == '\t' || c == '"') continue;
        text.add(c);
    }
}

// A text that ends its line leaves the line's later texts empty: an editor that drops
// trailing tabs must not make the next line's words into this line's text.
constexpr bool endsTheLine(int c) { return c == '\n' || c == kEnd; }

// AmmoName n, or the older AmmoType n, which names the records of AmmoName n + 1.
LineResult readAmmoNameLine(StatsStream& in, Game& game, std::string_view keyword, int recordShift,
                            const TextRules& rules, Reading& reading) {
    std::int32_t n = 0;
    if (!readLineNumber(in, keyword, n, reading)) return LineResult::Failed;
    const Edition& e = game.edition();
    const std::int64_t record = std::int64_t{n} + recordShift;
    if (!recordExists(record, e.ammoNameCount, keyword, n, reading)) return LineResult::Failed;
    skipClosingQuote(in);
    int ending = in.get();  // the tab after the number

    // The first table is shorter in some editions: a first text beyond it is read and dropped.
    const auto r = static_cast<std::int32_t>(record);
    bool storeFirst = record < ammoNameRecordCount(e, AmmoNameText::First);
    constexpr std::size_t kKept = kAmmoNameMaxLength + 2;
    TextBuilder first(rules.form, kKept, storeFirst);
    if (!endsTheLine(ending)) readAmmoNameField(in, ending, first);
    if (storeFirst &&
        (!textConverted(first, keyword, {kAmmoNameLine, 0, n}, reading) ||
         !textFits(first.text(), kAmmoNameMaxLength, readAmmoNameText(game.image(), e, AmmoNameText::First, r),
                   storeFirst, keyword, n, reading))) {
        return LineResult::Failed;
    }
    TextBuilder second(rules.form, kKept);
    if (!endsTheLine(ending)) readAmmoNameField(in, ending, second);
    bool storeSecond = true;
    if (!textConverted(second, keyword, {kAmmoNameLine, 1, n}, reading) ||
        !textFits(second.text(), kAmmoNameMaxLength, readAmmoNameText(game.image(), e, AmmoNameText::Second, r),
                  storeSecond, keyword, n, reading)) {
        return LineResult::Failed;
    }

    if (storeFirst) {
        storeAmmoNameText(game.mutableImage(), e, AmmoNameText::First, r, first.text());
        reading.reached.add({kAmmoNameLine, 0, r});
    }
    if (storeSecond) {
        storeAmmoNameText(game.mutableImage(), e, AmmoNameText::Second, r, second.text());
        reading.reached.add({kAmmoNameLine, 1, r});
    }
    return LineResult::Done;
}

// Sound n or Burst n: a plain byte string up to the line end.
LineResult readNameLine(StatsStream& in, Game& game, std::uint8_t line, const TextRules& rules, Reading& reading) {
    const NameTable& table = nameTable(kLineTypes[line]);
    const std::string_view keyword = table.keyword;
    std::int32_t n = 0;
    if (!readLineNumber(in, keyword, n, reading)) return LineResult::Failed;
    if (!recordExists(n, table.count, keyword, n, reading)) return LineResult::Failed;
    skipClosingQuote(in);
    const int afterNumber = in.get();  // the tab after the number

    TextBuilder text(rules.form, static_cast<std::size_t>(table.recordSize) + 1);
    // A line that ends right after its number has an empty name.
    if (!endsTheLine(afterNumber)) readNameField(in, text);
    bool store = true;
    if (!textConverted(text, keyword, {line, 0, n}, reading) ||
        !textFits(text.text(), static_cast<std::size_t>(table.recordSize - 1),
                  readName(game.image(), game.edition(), table, n), store, keyword, n, reading)) {
        return LineResult::Failed;
    }
    if (store) {
        storeName(game.mutableImage(), game.edition(), table, n, text.text());
        reading.reached.add({line, 0, n});
    }
    return LineResult::Done;
}

// The token as a zero-terminated word: up to a byte 0, if it holds one.
std::string_view upToZero(const std::string& token) { return std::string_view(token).substr(0, token.find('\0')); }

}  // namespace

void readStatsText(StatsStream& in, Game& game, AttachmentGroups& groups, Reading& reading, DescriptionTexts texts) {
    bool utf8 = in.skipUtf8Mark();
    if (!utf8 && isMultiByteUtf8(in.rest())) {
        utf8 = true;
        reading.notices.push_back({ReadWarning::Utf8WithoutMark});
    }
    const TextRules rules{{utf8, game.edition().codePage}, texts};
    reading.texts = rules.form;
    Layout layout = Layout::Current;
    const std::string_view first = in.peekLine();
    if (!opensWithALine(first) && !readHeadingLine(in, layout, reading)) {
        reading.failure.cause = headingCause(first);
        reading.failure.line = 1;
        return;
    }

    bool ammoTypeWarned = false;
    std::string wordRead;
    StatsStream::Mark start;
    while (readKeywordToken(in, wordRead, start)) {
        const std::string_view token = upToZero(wordRead);
        const std::size_t line = lineTypeOf(token);
        LineResult result = LineResult::Failed;
        if (line < kLineTypes.size()) {
            const LineType& t = kLineTypes[line];
            switch (t.kind) {
                case LineKind::Item: result = readItemRow(in, game, layout, rules, groups, reading); break;
                case LineKind::NumericList:
                    result = readListLine(in, game, static_cast<std::uint8_t>(line), reading);
                    break;
                case LineKind::AmmoName:
                    result = readAmmoNameLine(in, game, lineKeyword(line), 0, rules, reading);
                    break;
                case LineKind::Name:
                    result = readNameLine(in, game, static_cast<std::uint8_t>(line), rules, reading);
                    break;
            }
        } else if (const LineAlias* alias = lineAliasOf(token)) {
            if (!ammoTypeWarned) {
                reading.notices.push_back({ReadWarning::AmmoTypeFormat, 0});
                ammoTypeWarned = true;
            }
            result = readAmmoNameLine(in, game, alias->keyword, alias->recordShift, rules, reading);
        } else {
            reading.failure.error = ReadError::UnknownWord;
            reading.failure.word = token;
        }
        if (result == LineResult::Failed) {
            if (reading.failure.line == 0) reading.failure.line = in.lineOf(start);
            return;
        }
    }
}

namespace {

// A stat cell holds another value now than before the reading: a byte written differs.
bool statValueChanged(const Game& game, const Reading& reading, std::int32_t item, std::size_t ci) {
    const Column& c = kColumns[ci];
    const auto at = static_cast<std::size_t>(valueOffset(sectionRecord(game.edition(), c.section), c, item));
    for (std::size_t b = at; b < at + static_cast<std::size_t>(columnWidth(c.kind)); ++b) {
        const ByteWrite* w = reading.writes.find(b);
        if (w != nullptr && w->before != game.image().u8(b)) return true;
    }
    return false;
}

}  // namespace

bool reserveReading(Faults& faults, const Edition& edition, Reading& reading, AttachmentGroups& groups) {
    // The warnings a reading can give, had before it: a failure never needs memory.
    constexpr std::size_t kMostNotices = 3 + kMostNumbersTold + kMostRowsTold;
    std::size_t asked = kMostNotices * sizeof(ReadNotice);
    if (tryReserve(faults, reading.notices, kMostNotices) && reading.writes.reserveFor(faults, edition, asked) &&
        reading.typed.reserveFor(faults, edition, asked) && reading.reached.reserveFor(faults, edition, asked) &&
        reserveAttachmentGroups(faults, groups, asked)) {
        return true;
    }
    reading.failure.error = ReadError::Allocation;
    reading.failure.count = static_cast<std::int64_t>(asked);
    return false;
}

namespace {

void readAndRebuild(Game& game, std::string bytes, AttachmentGroups& groups, Reading& reading, DescriptionTexts texts) {
    StatsStream in(std::move(bytes));
    readStatsText(in, game, groups, reading, texts);
    if (!reading.ok()) return;
    reading.mostValuesDiffer = mostStatValuesDiffer(game, reading.typed, [&](std::int32_t item, std::size_t ci) {
        return statValueChanged(game, reading, item, ci);
    });
    reading.attachments = rebuildWeaponAttachTable(game, groups);
}

// The records as before any reading, their room kept: only the bytes and numbers of the
// fields the last reading reached were written.
void clearReading(const Edition& e, Reading& reading) {
    for (const FieldRef& f : reading.reached.fields()) {
        const FieldBytes bytes = fieldBytes(e, f);
        if (bytes.store == FieldStore::Image) reading.writes.forget(bytes.begin, bytes.end - bytes.begin);
        reading.typed.forget(f);
    }
    reading.reached.clear();
    reading.notices.clear();
    reading.numbersNotFittingTold = 0;
    reading.moreNumbersNotFitting = 0;
    reading.failure = {};
    reading.mostValuesDiffer = false;
    reading.attachments = {};
}

}  // namespace

Reading applyStatsFile(Game& game, std::string bytes, Faults& faults, DescriptionTexts texts) {
    Reading reading;
    AttachmentGroups groups;
    if (reserveReading(faults, game.edition(), reading, groups))
        readAndRebuild(game, std::move(bytes), groups, reading, texts);
    return reading;
}

void applyStatsFileAgain(Game& game, std::string bytes, Faults& faults, Reading& reading) {
    AttachmentGroups groups;
    if (reading.reached.reserved()) {
        clearReading(game.edition(), reading);
        std::size_t asked = 0;
        if (!reserveAttachmentGroups(faults, groups, asked)) {
            reading.failure.error = ReadError::Allocation;
            reading.failure.count = static_cast<std::int64_t>(asked);
            return;
        }
    } else if (!reserveReading(faults, game.edition(), reading, groups)) {
        return;
    }
    readAndRebuild(game, std::move(bytes), groups, reading, DescriptionTexts::NotSaved);
}

}  // namespace vantedit
