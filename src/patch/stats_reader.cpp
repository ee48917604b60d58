#include "patch/stats_reader.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "model/attachment_groups.h"
#include "model/code_pages.h"
#include "model/list_tables.h"
#include "model/memory.h"
#include "patch/stats_lines.h"
#include "patch/text_damage.h"

namespace vantedit {

namespace {

// The most a number cell keeps: enough to show what stood there.
constexpr std::size_t kNumberCellKept = 64;
// The longest text the game shows for a field: a description that fills its slot.
constexpr auto kLongestDescText = static_cast<std::size_t>(std::ranges::max(kDescFields, {}, &DescField::units).units);

// What a reading reads into, and how it takes its texts.
struct LineReader {
    Game& game;
    AttachmentGroups& groups;
    Reading& reading;
    Layout layout;
    TextForm form;
    DescriptionTexts descriptions;
    char separator;  // between cells: a tab, or what the heading line used in its place
};

// The line being read: AmmoType n names the records of AmmoName n + 1.
struct LineAt {
    StatsLine text;
    std::uint8_t line = 0;  // into kLineTypes
    std::string_view keyword;
    std::int32_t number = 0;  // as written, as messages name it
    std::int32_t record = 0;  // the record it names
    std::string_view cells;   // after its keyword and number
    std::string_view rest;    // after a line break that ends its cells there
};

// The line, counted from 1, where the text from at on starts.
std::int64_t lineAt(const StatsLine& line, const char* at) {
    return line.number + std::count(line.text.data(), at, '\n');
}

CellType cellTypeOf(const FieldRef& f) {
    const bool item = kLineTypes[f.line].kind == LineKind::Item;
    switch (fieldKind(f)) {
        case FieldKind::Number: return item ? CellType::ItemNumber : CellType::ListValue;
        case FieldKind::Attachment: return CellType::ItemNumber;
        case FieldKind::Text: return item ? CellType::ItemText : CellType::AmmoNameText;
        case FieldKind::Name: break;
    }
    return CellType::Name;
}

// The most of a cell kept: two more characters than the field's text holds (one more than
// with its end), so that a text too long still reads as too long; one more than a number shows.
std::size_t cellKept(const FieldRef& f) {
    const CellType type = cellTypeOf(f);
    const bool number = type == CellType::ItemNumber || type == CellType::ListValue;
    return number ? kNumberCellKept + 1 : static_cast<std::size_t>(mostCharacters(f)) + 2;
}

// Only items 0 to 350 have description records; a text of any other row is consumed.
bool textUsed(const Game& game, const FieldRef& f) {
    return fieldShown(game, f) &&
           (kLineTypes[f.line].kind != LineKind::Item || (f.record >= 0 && f.record < kItemCount));
}

bool fail(Reading& reading, ReadError error, ReadPlace place, const LineAt& l, std::uint16_t field = 0,
          std::int64_t count = 0) {
    reading.failure = {error, place, l.keyword, {l.line, field, l.number}, {}, count, {}};
    return false;
}

// Tells the warning, up to twenty of its kind, with the texts it shows; the rest are counted.
void tell(Reading& reading, ReadNotice notice, std::string_view text = {}, std::string_view held = {}) {
    const auto kind = static_cast<std::size_t>(notice.warning);
    std::string& texts = reading.noticeTexts;
    // The room for the texts was had before the reading, for the most it tells.
    if (reading.told[kind] == kMostTold || text.size() + held.size() > texts.capacity() - texts.size()) {
        ++reading.moreOf[kind];
        return;
    }
    ++reading.told[kind];
    notice.textAt = static_cast<std::uint32_t>(texts.size());
    notice.textSize = static_cast<std::uint16_t>(text.size());
    notice.heldSize = static_cast<std::uint16_t>(held.size());
    texts.append(text).append(held);
    reading.notices.push_back(notice);
}

// A number cell: a stat value into the value writes, an attachment mark into the groups. An
// empty cell of an Item row keeps what the game holds; a cell that shows "n/a" for the field
// is passed over whatever it holds.
bool takeNumber(LineReader& r, const LineAt& l, const FieldRef& f, const Cell& cell, const std::string& typed,
                bool check, bool store) {
    Reading& reading = r.reading;
    if (!fieldShown(r.game, f)) return true;
    const bool cut = typed.size() > kNumberCellKept;
    std::int64_t value = 0;
    const CellNumber read = cut ? CellNumber::NotWhole : parseWholeNumber(typed, value);
    const bool list = kLineTypes[f.line].kind == LineKind::NumericList;
    // A list line short of values meets its end or the next line's keyword.
    if (list && (read == CellNumber::Empty || isAsciiLetter(static_cast<unsigned char>(typed.front())))) {
        return fail(reading, ReadError::NumberExpected, ReadPlace::Record, l);
    }
    if (read == CellNumber::Empty) return true;
    if (read != CellNumber::Number) {
        fail(reading, read == CellNumber::TooLarge ? ReadError::TooLarge : ReadError::NotWholeNumber, ReadPlace::Field,
             l, f.field, cut ? 1 : 0);
        reading.failure.word = typed.substr(0, kNumberCellKept);
        return false;
    }
    const bool attachment = fieldKind(f) == FieldKind::Attachment;
    const ColumnKind kind = numberKind(f);
    if (check && !attachment && !numberFits(kind, value)) {
        const FieldRef named{f.line, f.field, l.number};
        tell(reading, {ReadWarning::DoesNotFit, storedValue(kind, value), named, value, lineAt(l.text, cell.start)});
    }
    if (!store) return true;
    if (attachment) {
        markStated(r.groups, f.record, itemCell(f).index);
        if (value != 0) addAttachmentPair(r.groups, f.record, attachmentKind(itemCell(f)).item);
    } else {
        const auto at = static_cast<std::int64_t>(fieldBytes(r.game.edition(), f).begin);
        FieldRef other;
        if (!reading.writes.store(r.game.mutableImage(), at, numberKind(f), value, f, other)) {
            fail(reading, ReadError::SameByte, ReadPlace::Field, l, f.field);
            reading.failure.other = other;
            return false;
        }
        reading.typed.note(f, value);
    }
    reading.reached.add(f);
    return true;
}

// A text that a save damaged is told and not stored: the game keeps its text. A text typed
// in UTF-8 into a code-page file is told as such. True when the text is to be stored.
bool textToStore(LineReader& r, const LineAt& l, const FieldRef& f, const Cell& cell, const TextBuilder& text,
                 std::string_view held, bool check) {
    const ReadNotice at{ReadWarning::ReadAsUtf8, 0, {f.line, f.field, l.number}, 0, lineAt(l.text, cell.start)};
    if (check && text.readAsUtf8()) tell(r.reading, at);
    const TextDamage damage = textDamage(text.text(), held, r.form.codePage);
    if (damage == TextDamage::None) return true;
    const bool date = damage == TextDamage::Date;
    ReadNotice notice = at;
    notice.warning = date ? ReadWarning::LooksLikeDate : ReadWarning::QuestionMarks;
    if (check) tell(r.reading, notice, text.text(), date ? held : std::string_view{});
    return false;
}

// A text cell into its record. A list text over its limit passes only as MAKE shows a record
// it fills with no ending: the record holds that very text now, and is left as it is.
bool takeText(LineReader& r, const LineAt& l, const FieldRef& f, const Cell& cell, TextBuilder& text, bool check,
              bool store) {
    const bool item = kLineTypes[f.line].kind == LineKind::Item;
    if (!textUsed(r.game, f) || (item && !cell.given)) return true;
    const std::string held = readField(r.game, f).text;
    // A text the file's form could not give in the code page fails at its field.
    if (const TextProblem problem = text.finish(held); problem != TextProblem::None) {
        fail(r.reading, problem == TextProblem::NotUtf8 ? ReadError::NotUtf8 : ReadError::NotInCodePage,
             ReadPlace::Field, l, f.field, text.character());
        r.reading.failure.codePage = codePageNumber(r.form.codePage);
        return false;
    }
    if (!textToStore(r, l, f, cell, text, held, check)) return true;
    if (item && r.descriptions == DescriptionTexts::Saved) {
        // A texts run, which saves them, refuses a text the files cannot hold; PATCH and diff cut it.
        const DescField& desc = descField(itemCell(f));
        const DescTextFit fit = descriptionTextFits(r.game.descriptions.view(desc.file), f.record, desc, text.text());
        const ReadError error = fit == DescTextFit::TooLong ? ReadError::TextTooLong : ReadError::Character255;
        if (fit != DescTextFit::Fits) return fail(r.reading, error, ReadPlace::Field, l, f.field, mostCharacters(f));
    } else if (!item && static_cast<std::int64_t>(text.text().size()) > mostCharacters(f)) {
        return text.text() == held ||
               fail(r.reading, ReadError::TextTooLong, ReadPlace::Record, l, 0, mostCharacters(f));
    }
    if (store) storeText(r.game, f, text.text());
    if (store) r.reading.reached.add(f);
    return true;
}

// Walks the line's fields in the order MAKE writes them, each taking its cell; the fields
// after the line's end take an empty one. Checks, stores, or both. False with the failure
// set; rest is what follows the line's cells.
bool walkFields(LineReader& r, const LineAt& l, bool check, bool store, std::string_view& rest) {
    std::string_view cells = l.cells;
    rest = l.rest;
    for (std::size_t i = 0; i < lineFieldCount(l.line); ++i) {
        const FieldRef f{l.line, static_cast<std::uint16_t>(i), l.record};
        const bool item = kLineTypes[l.line].kind == LineKind::Item;
        if (item && !layoutHasCell(r.layout, itemCell(f))) continue;
        const CellType type = cellTypeOf(f);
        const bool number = type == CellType::ItemNumber || type == CellType::ListValue;
        const bool used = !number && textUsed(r.game, f);
        TextBuilder text(r.form, number || used ? cellKept(f) : 0, used);
        const Cell cell = takeCell(cells, type, text, r.separator);
        const bool taken =
            number ? takeNumber(r, l, f, cell, text.text(), check, store) : takeText(r, l, f, cell, text, check, store);
        if (!taken) {
            if (r.reading.failure.place == ReadPlace::Field) r.reading.failure.line = lineAt(l.text, cell.start);
            return false;
        }
        if (cell.end == CellEnd::Separator && item && layoutAddsFieldAfter(r.layout, itemCell(f))) {
            takeCell(cells, CellType::ItemNumber, text, r.separator);  // dropped
        }
        if (cell.end == CellEnd::LineBreak) {
            rest = cells;
            cells = cells.substr(cells.size());
        }
    }
    if (rest.empty()) rest = cells;
    return true;
}

// The keyword that opens the line, and the record its number names; false with the failure
// set. The one character after the number goes (the tab, as MAKE writes it), but a line break
// there ends the line's cells.
bool readKeyword(LineReader& r, const StatsLine& text, LineAt& l, bool& ammoTypeWarned) {
    Reading& reading = r.reading;
    const LineOpening o = readLineOpening(text.text);
    const std::size_t type = o.line;
    if (type == kLineTypes.size()) {
        reading.failure.error = ReadError::UnknownWord;
        reading.failure.word = o.word;
        return false;
    }
    if (o.alias != nullptr && !ammoTypeWarned) reading.notices.push_back({ReadWarning::AmmoTypeFormat});
    ammoTypeWarned = ammoTypeWarned || o.alias != nullptr;
    l.line = static_cast<std::uint8_t>(type);
    l.keyword = o.alias != nullptr ? o.alias->keyword : lineKeyword(type);
    if (!o.number) return fail(reading, ReadError::NumberExpected, ReadPlace::Keyword, l);
    l.number = o.value;
    const std::int64_t record = std::int64_t{o.value} + (o.alias != nullptr ? o.alias->recordShift : 0);
    if (record < 0 || record >= lineRecordCount(r.game.edition(), type)) {
        if (kLineTypes[type].kind != LineKind::Item)
            return fail(reading, ReadError::NoSuchRecord, ReadPlace::Record, l);
        tell(reading, {ReadWarning::NoSuchItem, o.value, {}, 0, text.number});
    }
    l.record = static_cast<std::int32_t>(record);
    l.cells = o.rest;
    if (kLineTypes[type].kind == LineKind::NumericList) return true;
    const std::size_t lineBreak = l.cells.find_first_not_of('\r');
    if (lineBreak != std::string_view::npos && l.cells[lineBreak] == '\n') {
        l.rest = l.cells.substr(lineBreak + 1);
        l.cells = l.rest.substr(0, 0);
    } else if (!l.cells.empty()) {
        l.cells.remove_prefix(1);
    }
    return true;
}

// One line: its keyword and number, then its fields; an Item row stores cell by cell, any other
// line is checked whole first, so that it writes nothing when it fails. What follows its cells,
// from its first letter on, is the next line to read (none when empty).
bool readLine(LineReader& r, StatsLine& text, bool& ammoTypeWarned) {
    LineAt l;
    l.text = text;
    std::string_view rest;
    const auto walk = [&] {
        const bool item = kLineTypes[l.line].kind == LineKind::Item;
        return (item || walkFields(r, l, true, false, rest)) && walkFields(r, l, item, true, rest);
    };
    if (!readKeyword(r, text, l, ammoTypeWarned) || !walk()) {
        if (r.reading.failure.line == 0) r.reading.failure.line = text.number;
        return false;
    }
    const auto letter = std::find_if(rest.begin(), rest.end(), [](char c) { return isAsciiLetter(c); });
    rest.remove_prefix(static_cast<std::size_t>(letter - rest.begin()));
    text = rest.empty() ? StatsLine{} : StatsLine{rest, lineAt(text, rest.data())};
    return true;
}

// Why a first line that is no heading is none, as far as it shows: separated by other than
// tabs, or tabs turned into blanks.
HeadingCause headingCause(std::string_view line) {
    const auto many = [&](char c) {
        return std::count(line.begin(), line.end(), c) >= std::ptrdiff_t{kItemCells.size()};  // a heading's separators
    };
    if (line.find('\t') != std::string_view::npos) return HeadingCause::Unknown;
    return many(',')                     ? HeadingCause::Commas
           : many(';')                   ? HeadingCause::Semicolons
           : line.starts_with("Offset ") ? HeadingCause::Blanks
                                         : HeadingCause::Unknown;
}

// The separator of a heading line: the tab, or in a line without one the comma or semicolon
// of which it holds as many as a layout's heading line holds tabs.
char headingSeparator(std::string_view first) {
    if (first.find('\t') != std::string_view::npos) return '\t';
    for (const char separator : {',', ';'}) {
        const auto count = std::count(first.begin(), first.end(), separator);
        if (std::any_of(kLayouts.begin(), kLayouts.end(), [&](Layout l) { return headingTabs(l) == count; }))
            return separator;
    }
    return '\t';
}

// The first cell of the first line ends in a whole number: a row's keyword and number, never
// a heading.
bool opensARow(std::string_view first, char separator) {
    std::string_view cell = first.substr(0, first.find(separator));
    while (!cell.empty() && (cell.back() == ' ' || cell.back() == '\r' || cell.back() == '"')) cell.remove_suffix(1);
    return !cell.empty() && cell.back() >= '0' && cell.back() <= '9';
}

// A first line whose keyword and number a comma or semicolon follows: a file separated so,
// without the heading line that would say so. True with the failure set.
bool rowSeparatedOtherwise(std::string_view first, ReadFailure& f) {
    const LineOpening o = readLineOpening(first);
    if (!o.number || o.line == kLineTypes.size() || !(o.rest.starts_with(',') || o.rest.starts_with(';'))) return false;
    f.error = ReadError::OtherSeparator;
    f.place = ReadPlace::Record;
    f.keyword = o.alias != nullptr ? o.alias->keyword : lineKeyword(o.line);
    f.field = {static_cast<std::uint8_t>(o.line), 0, o.value};
    f.line = 1;
    f.cause = o.rest.front() == ',' ? HeadingCause::Commas : HeadingCause::Semicolons;
    return true;
}

// The heading line, whose separators tell the layout, or the file's first row. from is where
// the lines start after it; false with the failure set.
bool readFirstLine(std::string_view bytes, char separator, Layout& layout, Reading& reading, std::size_t& from) {
    const std::string_view first = bytes.substr(0, bytes.find('\n'));
    // A byte 0 in the first 4 KiB, or an executable's first bytes: binary data, not text.
    const bool binary = bytes.starts_with("MZ") || bytes.substr(0, 4096).find('\0') != std::string_view::npos;
    if (!binary && rowSeparatedOtherwise(first, reading.failure)) return false;
    if (!binary && opensARow(first, separator)) return true;
    const auto tabs = std::count(first.begin(), first.end(), separator);
    const auto known = std::find_if(kLayouts.begin(), kLayouts.end(), [&](Layout l) { return headingTabs(l) == tabs; });
    ReadFailure& f = reading.failure;
    f.error = binary || first.size() == bytes.size() ? ReadError::NoHeadingLine
              : known == kLayouts.end()              ? ReadError::HeadingCount
                                                     : ReadError::None;
    if (f.error != ReadError::None) {
        f.line = 1;
        f.count = tabs;
        f.cause = binary ? HeadingCause::BinaryData : headingCause(first);
        return false;
    }
    layout = *known;
    if (separator != '\t')
        reading.notices.push_back({separator == ',' ? ReadWarning::CommaSeparated : ReadWarning::SemicolonSeparated});
    if (layout != Layout::Current) reading.notices.push_back({ReadWarning::OlderLayout, tabs});
    from = first.size() + 1;
    return true;
}

// A stat cell holds another value now than before the reading: a byte written differs.
bool statValueChanged(const Game& game, const Reading& reading, std::int32_t item, std::size_t ci) {
    const FieldBytes bytes = fieldBytes(game.edition(), itemField(item, statCellIndex(ci)));
    for (std::size_t b = bytes.begin; b < bytes.end; ++b) {
        const ByteWrite* w = reading.writes.find(b);
        if (w != nullptr && w->before != game.image().u8(b)) return true;
    }
    return false;
}

}  // namespace

void readStatsText(std::string file, Game& game, AttachmentGroups& groups, Reading& reading, DescriptionTexts texts) {
    const char separator = headingSeparator(std::string_view(file).substr(0, file.find_first_of("\r\n")));
    LineReader r{game, groups, reading, Layout::Current, {false, game.edition().codePage}, texts, separator};
    const std::string_view bytes = linesOf(file, separator, r.form);
    if (r.form.utf8 && bytes.size() == file.size()) reading.notices.push_back({ReadWarning::Utf8WithoutMark});
    reading.texts = r.form;
    std::size_t from = 0;
    if (!readFirstLine(bytes, separator, r.layout, reading, from)) return;
    bool ammoTypeWarned = false;
    forEachLine(bytes, from, from == 0 ? 1 : 2, separator, [&](StatsLine line) {
        // A first line whose word is no keyword is no heading either.
        for (bool opening = from == 0 && line.number == 1; !line.text.empty(); opening = false) {
            if (readLine(r, line, ammoTypeWarned)) continue;
            if (opening && reading.failure.error == ReadError::UnknownWord)
                reading.failure.cause = HeadingCause::NoKeyword;
            return false;
        }
        return true;
    });
}

bool reserveReading(Faults& faults, const Edition& edition, Reading& reading, AttachmentGroups& groups) {
    // The warnings a reading can give, and the texts they tell, had before it: a failure never
    // needs memory. Five kinds are told up to kMostTold each; five are told once.
    constexpr std::size_t kMostNotices = 5 + 5 * kMostTold;
    constexpr std::size_t kNoticeTexts = kMostTold * (kLongestDescText + 2 * kLongestDateTold);
    std::size_t asked = kMostNotices * sizeof(ReadNotice) + kNoticeTexts;
    if (tryReserve(faults, reading.notices, kMostNotices) && tryReserve(faults, reading.noticeTexts, kNoticeTexts) &&
        reading.writes.reserveFor(faults, edition, asked) && reading.typed.reserveFor(faults, edition, asked) &&
        reading.reached.reserveFor(faults, edition, asked) && reserveAttachmentGroups(faults, groups, asked)) {
        return true;
    }
    reading.failure.error = ReadError::Allocation;
    reading.failure.count = static_cast<std::int64_t>(asked);
    return false;
}

// The lines stay as they were; the reading takes the text as any UTF-8 file.
bool readUtf16AsUtf8(std::string& bytes, Faults& faults, Reading& reading) {
    const Utf16Form form = utf16Form(bytes);
    if (form == Utf16Form::None) return true;
    if (form == Utf16Form::LittleWithoutMark || form == Utf16Form::BigWithoutMark)
        reading.notices.push_back({ReadWarning::Utf16WithoutMark});
    constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    const std::size_t size = kUtf8Mark.size() + utf16AsUtf8Size(bytes, form);
    std::string utf8;
    if (!tryReserve(faults, utf8, size)) {
        reading.failure.error = ReadError::Allocation;
        reading.failure.count = static_cast<std::int64_t>(size);
        return false;
    }
    utf8 += kUtf8Mark;
    appendUtf16AsUtf8(utf8, bytes, form);
    bytes = std::move(utf8);
    return true;
}

Reading applyStatsFile(Game& game, std::string bytes, Faults& faults, DescriptionTexts texts) {
    Reading reading;
    AttachmentGroups groups;
    if (!reserveReading(faults, game.edition(), reading, groups) || !readUtf16AsUtf8(bytes, faults, reading))
        return reading;
    readStatsText(std::move(bytes), game, groups, reading, texts);
    if (!reading.ok()) return reading;
    reading.mostValuesDiffer = mostStatValuesDiffer(game, reading.typed, [&](std::int32_t item, std::size_t ci) {
        return statValueChanged(game, reading, item, ci);
    });
    reading.attachments = rebuildWeaponAttachTable(game, groups);
    return reading;
}

}  // namespace vantedit
