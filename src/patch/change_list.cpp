#include "patch/change_list.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "model/attachments.h"
#include "model/change_fields.h"
#include "model/code_pages.h"
#include "model/text.h"
#include "patch/stats_lines.h"

namespace vantedit {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// The most a text cell keeps: more than any field holds, so that a text too long reads as such.
constexpr std::size_t kMostTextKept = 1024;
constexpr std::size_t kMostNumberKept = 64;

// The most characters a text field holds, its terminator aside.
std::int64_t mostCharacters(const FieldRef& f) {
    const LineType& t = kLineTypes[f.line];
    if (t.kind == LineKind::Item) return descField(itemCell(f)).units - 1;
    return t.kind == LineKind::Name ? nameTable(t).recordSize - 1 : kAmmoNameMaxLength;
}

// The field of a line, named as a failure names it.
ReadFailure failureAt(ReadError error, const ChangeLine& c, std::string_view word = {}) {
    ReadFailure f;
    f.error = error;
    f.place = c.known ? ReadPlace::Field : ReadPlace::Record;
    f.keyword = lineKeyword(c.field.line);
    f.field = c.field;
    f.word = word;
    f.line = c.line;
    return f;
}

// The Was or Now cell of the line; false with the failure set.
bool readValue(std::string_view& rest, const ChangeLine& c, const TextForm& form, FieldValue& v, ReadFailure& failure) {
    const FieldKind kind = c.known ? fieldKind(c.field) : FieldKind::Text;
    const bool number = kind == FieldKind::Number || kind == FieldKind::Attachment;
    TextBuilder text(form, number ? kMostNumberKept : kMostTextKept, !number);
    takeCell(rest, number ? CellType::ItemNumber : CellType::ItemText, text);
    if (!number) {
        if (const TextProblem problem = text.finish(); problem != TextProblem::None) {
            failure = failureAt(problem == TextProblem::NotUtf8 ? ReadError::NotUtf8 : ReadError::NotInCodePage, c);
            failure.count = text.character();
            failure.codePage = codePageNumber(form.codePage);
            return false;
        }
        v.text = text.text();
        if (!c.known || static_cast<std::int64_t>(v.text.size()) <= mostCharacters(c.field)) return true;
        failure = failureAt(ReadError::TextTooLong, c);
        failure.count = mostCharacters(c.field);
        return false;
    }
    const CellNumber read = parseWholeNumber(text.text(), v.number);
    const ColumnKind range = kind == FieldKind::Attachment ? ColumnKind::U8 : numberKind(c.field);
    const bool fits = kind == FieldKind::Attachment ? v.number == 0 || v.number == 1 : numberFits(range, v.number);
    if (read == CellNumber::Number && fits) return true;
    const ReadError error = read == CellNumber::Empty      ? ReadError::NumberExpected
                            : read == CellNumber::NotWhole ? ReadError::NotWholeNumber
                                                           : ReadError::TooLarge;
    failure = failureAt(error, c, text.text());
    return false;
}

// The line after its first: its keyword and record, its field, Was and Now; false with the
// failure set.
bool readChangeLine(const StatsLine& l, const TextForm& form, ChangeLine& c, ReadFailure& failure) {
    // The last line keeps the line breaks that end the file.
    std::string_view text = l.text;
    while (text.ends_with('\n') || text.ends_with('\r')) text.remove_suffix(1);
    const LineOpening o = readLineOpening(text);
    const std::size_t type = lineTypeOf(o.word);
    failure.line = l.number;
    if (type == kLineTypes.size()) {
        failure.error = ReadError::UnknownWord;
        failure.word = o.word;
        return false;
    }
    c.line = l.number;
    c.field = {static_cast<std::uint8_t>(type), 0, o.value};
    if (!o.number) {
        failure = failureAt(ReadError::NumberExpected, c);
        failure.place = ReadPlace::Keyword;
        return false;
    }
    std::string_view rest = o.rest;
    if (rest.starts_with('\t')) rest.remove_prefix(1);
    TextBuilder name(form, kMostTextKept, false);
    takeCell(rest, CellType::ItemNumber, name);
    c.name = name.text();
    const std::size_t field = fieldNamed(type, c.name);
    c.known = field < lineFieldCount(type);
    if (c.known) c.field.field = static_cast<std::uint16_t>(field);
    return readValue(rest, c, form, c.was, failure) && readValue(rest, c, form, c.now, failure);
}

}  // namespace

bool isChangeList(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Mark)) bytes.remove_prefix(kUtf8Mark.size());
    std::string_view first = bytes.substr(0, bytes.find('\n'));
    while (first.ends_with('\r')) first.remove_suffix(1);
    return first == kChangeListHeading;
}

bool readChangeList(std::string_view bytes, CodePage codePage, std::vector<ChangeLine>& lines, ReadFailure& failure) {
    const bool mark = bytes.starts_with(kUtf8Mark);
    if (mark) bytes.remove_prefix(kUtf8Mark.size());
    const TextForm form{mark || isMultiByteUtf8(bytes), codePage};
    const std::size_t lineFeed = bytes.find('\n');
    if (lineFeed == std::string_view::npos) return true;
    // Each cell's first line, by its keyword, record and field as the list names it.
    std::unordered_map<std::string, std::int64_t> given;
    StatsLines cutter(bytes, lineFeed + 1, 2);
    for (StatsLine l; cutter.next(l);) {
        ChangeLine c;
        if (!readChangeLine(l, form, c, failure)) return false;
        std::string key = std::to_string(c.field.line) + ' ' + std::to_string(c.field.record) + '\t';
        for (const char ch : c.known ? changeFieldName(c.field) : c.name) key += lowerAscii(ch);
        const auto [first, added] = given.emplace(std::move(key), c.line);
        if (!added) {
            failure = failureAt(ReadError::GivenAgain, c, c.name);
            failure.count = first->second;
            return false;
        }
        lines.push_back(std::move(c));
    }
    return true;
}

ChangeState judgeChange(const Game& game, const ChangeLine& c, bool backwards) {
    const FieldRef& f = c.field;
    if (!c.known || f.record < 0 || f.record >= lineRecordCount(game.edition(), f.line) || !fieldShown(game, f)) {
        return ChangeState::NoSuchField;
    }
    const FieldValue held = readField(game, f);
    const FieldValue& from = backwards ? c.now : c.was;
    const FieldValue& to = backwards ? c.was : c.now;
    if (held == to) return ChangeState::AppliedBefore;
    return held == from ? ChangeState::Applies : ChangeState::Conflict;
}

namespace {

// Adds the pair in the table's first free record (one that holds 0 or a copy of an earlier
// one, as the rebuild fills the table's end), or frees every record that holds it: such a
// record takes a copy of the record before it that holds another pair, so the table still
// reads as pairs and then copies. False when no record is free.
bool setAttachmentPair(Game& game, std::uint32_t pair, bool present) {
    const Edition& e = game.edition();
    const auto capacity = static_cast<std::size_t>(weaponAttachCapacity(e));
    std::array<std::uint32_t, kMaxWeaponAttachCapacity> records{};
    const auto store = [&](std::size_t r, std::uint32_t value) {
        storeWeaponAttachRecord(game.mutableImage(), e, static_cast<std::int32_t>(r), value);
    };
    for (std::size_t r = 0; r < capacity; ++r)
        records[r] = readWeaponAttachRecord(game.image(), e, static_cast<std::int32_t>(r));
    const auto first = records.begin();
    for (std::size_t r = 0; r < capacity; ++r) {
        const bool free = records[r] == 0 || std::find(first, first + static_cast<std::ptrdiff_t>(r), records[r]) !=
                                                 first + static_cast<std::ptrdiff_t>(r);
        if (present && free) {
            store(r, pair);
            return true;
        }
        if (present || records[r] != pair) continue;
        std::uint32_t filler = 0;
        for (std::size_t k = r; k > 0 && filler == 0; --k) filler = records[k - 1] != pair ? records[k - 1] : 0;
        for (std::size_t k = r + 1; k < capacity && filler == 0; ++k) filler = records[k] != pair ? records[k] : 0;
        store(r, filler);
    }
    return !present;
}

}  // namespace

bool applyChange(Game& game, const ChangeLine& c, bool backwards) {
    const FieldValue& v = backwards ? c.was : c.now;
    const FieldRef& f = c.field;
    const Edition& e = game.edition();
    const LineType& t = kLineTypes[f.line];
    switch (t.kind) {
        case LineKind::Item: {
            const ItemCell cell = itemCell(f);
            if (cell.kind == CellKind::Text) {
                const DescField& d = descField(cell);
                storeDescriptionText(game.descriptions.mutableView(d.file), f.record, d, v.text);
            } else if (cell.kind == CellKind::Stat) {
                storeColumnValue(game.mutableImage(), sectionRecord(e, column(cell).section), column(cell), f.record,
                                 static_cast<std::int32_t>(v.number));
            } else {
                return setAttachmentPair(game, attachmentPair(f.record, attachmentKind(cell).item), v.number != 0);
            }
            return true;
        }
        case LineKind::NumericList:
            storeListValue(game.mutableImage(), e, numericList(t), f.record, f.field,
                           static_cast<std::int32_t>(v.number));
            return true;
        case LineKind::AmmoName: storeAmmoNameText(game.mutableImage(), e, ammoNameText(f), f.record, v.text); break;
        case LineKind::Name: storeName(game.mutableImage(), e, nameTable(t), f.record, v.text); break;
    }
    return true;
}

}  // namespace vantedit
