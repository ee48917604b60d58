#include "patch/reading.h"

#include "model/text.h"

namespace vantedit {

void noteTypedNumber(Reading& reading, const FieldRef& field, std::int64_t number) {
    reading.typed.note(field, number);
    const ColumnKind kind = numberKind(field);
    if (numberFits(kind, number)) return;
    if (reading.numbersNotFittingTold == kMostNumbersTold) {
        ++reading.moreNumbersNotFitting;
        return;
    }
    ++reading.numbersNotFittingTold;
    reading.notices.push_back({ReadWarning::DoesNotFit, storedValue(kind, number), field, number});
}

void noteNoSuchItem(Reading& reading, std::int32_t item) {
    if (reading.rowsNamingNoItemTold == kMostRowsTold) {
        ++reading.moreRowsNamingNoItem;
        return;
    }
    ++reading.rowsNamingNoItemTold;
    reading.notices.push_back({ReadWarning::NoSuchItem, item});
}

bool readCellNumber(const CellText& cell, std::string_view keyword, const FieldRef& field, std::int64_t& value,
                    Reading& reading) {
    const CellNumber read = cell.cut ? CellNumber::NotWhole : parseWholeNumber(cell.text, value);
    if (read == CellNumber::Number) return true;
    const ReadError error = read == CellNumber::Empty      ? ReadError::NumberExpected
                            : read == CellNumber::TooLarge ? ReadError::TooLarge
                                                           : ReadError::NotWholeNumber;
    reading.failure = {error, ReadPlace::Field, keyword, field, {}, cell.cut ? 1 : 0, cell.text};
    return false;
}

bool textConverted(TextBuilder& text, std::string_view keyword, const FieldRef& field, Reading& reading) {
    const TextProblem problem = text.finish();
    if (problem == TextProblem::None) return true;
    const ReadError error = problem == TextProblem::NotUtf8 ? ReadError::NotUtf8 : ReadError::NotInCodePage;
    reading.failure = {error, ReadPlace::Field, keyword, field, {}, 0, {}};
    reading.failure.count = text.character();
    reading.failure.codePage = codePageNumber(text.codePage());
    return false;
}

bool lineEndEndsRow(const StatsStream& in, std::size_t& textFrom) {
    std::string_view next = in.rest();
    if (next.size() > textFrom) return false;
    while (!next.empty() && isWhiteSpace(next.front())) next.remove_prefix(1);
    if (next.empty() || opensWithALine(next.substr(0, next.find('\n')))) return true;
    textFrom = next.size();
    return false;
}

bool readQuotedText(StatsStream& in, TextBuilder& text, int& ending) {
    constexpr int kEnd = StatsStream::kEnd;
    std::size_t textFrom = std::string_view::npos;
    for (;;) {
        const int c = in.getInQuotes();
        if (c == kEnd || (c == '\n' && lineEndEndsRow(in, textFrom))) return false;
        if (c == 0) {
            ending = 0;
            return true;
        }
        if (c != '"') {
            text.add(c);
            continue;
        }
        const int next = in.get();
        if (next == '"') {
            text.add('"');
            continue;
        }
        ending = next;
        return next == '\t' || next == kEnd || (next == '\n' && lineEndEndsRow(in, textFrom));
    }
}

void skipClosingQuote(StatsStream& in) {
    const int c = in.get();
    if (c != '"') in.unget(c);
}

std::size_t lineTypeOf(std::string_view word) {
    for (std::size_t line = 0; line < kLineTypes.size(); ++line) {
        if (equalsIgnoringCase(word, lineKeyword(line))) return line;
    }
    return kLineTypes.size();
}

const LineAlias* lineAliasOf(std::string_view word) {
    for (const LineAlias& alias : kLineAliases) {
        if (equalsIgnoringCase(word, alias.keyword)) return &alias;
    }
    return nullptr;
}

bool opensLikeALine(std::string_view text) {
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos || blank == 0 || blank + 1 >= text.size()) return false;
    std::size_t digit = blank + 1;
    if (text[digit] == '-' || text[digit] == '+') ++digit;
    return digit < text.size() && text[digit] >= '0' && text[digit] <= '9';
}

bool opensWithALine(std::string_view text) {
    const std::string_view word = text.substr(0, text.find(' '));
    return opensLikeALine(text) && (lineTypeOf(word) < kLineTypes.size() || lineAliasOf(word) != nullptr);
}

}  // namespace vantedit
