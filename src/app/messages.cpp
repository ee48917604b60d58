#include "app/messages.h"

#include <utility>

#include "app/run.h"
#include "app/terminal.h"
#include "io/file.h"
#include "model/attachments.h"
#include "model/change_fields.h"
#include "model/text.h"

namespace vantedit {

namespace {

// The text the table gives the key; empty where it gives none.
template <typename Key, std::size_t N>
std::string_view textOf(const std::pair<Key, std::string_view> (&table)[N], Key key) {
    for (const auto& [k, text] : table) {
        if (k == key) return text;
    }
    return {};
}

void printPlace(std::ostream& out, const ReadFailure& f) {
    out << f.keyword;
    if (f.place != ReadPlace::Keyword) out << ' ' << f.field.record;
    if (f.place == ReadPlace::Field) out << ", " << fieldLabel(f.field);
}

// A character as Unicode names it: U+ and at least four hexadecimal digits.
std::string codePointName(std::int64_t c) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string digits;
    for (; c > 0 || digits.size() < 4; c >>= 4) digits.insert(digits.begin(), kHex[c & 15]);
    return "U+" + digits;
}

// Where a failure of the file's body begins: counted by line feeds from 1.
void printLine(std::ostream& out, const ReadFailure& f) {
    if (f.line > 0) out << "line " << f.line << ": ";
}

// clang-format off
constexpr std::pair<HeadingCause, std::string_view> kHeadingCauses[] = {
    {HeadingCause::Commas,     "The file is separated by commas, not tabs: save it as tab-delimited text.\n"},
    {HeadingCause::Semicolons, "The file is separated by semicolons, not tabs: save it as tab-delimited text.\n"},
    {HeadingCause::Blanks,     "The first line holds blanks where tabs belong: save the file with tabs.\n"},
    {HeadingCause::NoKeyword,  "The first line is no heading and no line of the file: check its first word.\n"},
    {HeadingCause::BinaryData, "This is no stats file: it holds binary data.\n"},
};
// clang-format on

void printHeadingCause(std::ostream& out, HeadingCause cause) { out << textOf(kHeadingCauses, cause); }

// How many digits open the text, and the text after them.
std::size_t digitsAt(std::string_view& text) {
    std::size_t n = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9') ++n;
    text.remove_prefix(n);
    return n;
}

// Passes over one of the separators a spreadsheet groups digits with: a blank, a comma, a
// point, or a no-break space (in a code page or in UTF-8, narrow too).
bool skipGroupSeparator(std::string_view& text) {
    for (std::string_view separator : {" ", ",", ".", "\xA0", "\xC2\xA0", "\xE2\x80\xAF"}) {
        if (text.starts_with(separator)) {
            text.remove_prefix(separator.size());
            return true;
        }
    }
    return false;
}

bool isGroupedNumber(std::string_view text) {
    const std::size_t first = digitsAt(text);
    bool grouped = false;
    while (first >= 1 && first <= 3 && skipGroupSeparator(text)) {
        if (digitsAt(text) != 3) return false;
        grouped = true;
    }
    return grouped && text.empty();
}

// Digits around one decimal comma or point; with an exponent after it when scientific.
bool isDecimalNumber(std::string_view text, bool scientific) {
    std::size_t digits = digitsAt(text);
    const bool point = !text.empty() && (text[0] == ',' || text[0] == '.');
    if (point) text.remove_prefix(1);
    digits += digitsAt(text);
    if (digits == 0) return false;
    if (!scientific) return point && text.empty();
    if (text.empty() || (text[0] != 'e' && text[0] != 'E')) return false;
    text.remove_prefix(1);
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
    return digitsAt(text) > 0 && text.empty();
}

// The line that tells what a spreadsheet made of a number, when the cell shows it.
void printNumberCause(std::ostream& out, std::string_view cell) {
    while (!cell.empty() && cell.front() == ' ') cell.remove_prefix(1);
    while (!cell.empty() && cell.back() == ' ') cell.remove_suffix(1);
    if (!cell.empty() && (cell[0] == '-' || cell[0] == '+')) cell.remove_prefix(1);
    if (isGroupedNumber(cell)) {
        out << "The spreadsheet grouped the digits: save the cells unformatted.\n";
    } else if (isDecimalNumber(cell, false)) {
        out << "A decimal number: the game keeps whole numbers.\n";
    } else if (isDecimalNumber(cell, true)) {
        out << "Scientific notation: widen the column or save the cells unformatted.\n";
    }
}

// A failure at a keyword, record or field: its place, then what is wrong there.
void printCellFailure(std::ostream& out, const ReadFailure& f, const TextForm& form) {
    out << "Error while parsing! (";
    printLine(out, f);
    printPlace(out, f);
    switch (f.error) {
        case ReadError::NumberExpected: out << ": number expected)\n"; break;
        case ReadError::NotWholeNumber:
        case ReadError::TooLarge:
            out << ": \"" << shownText(out, f.word, form) << (f.count != 0 ? "..." : "") << "\" is "
                << (f.error == ReadError::TooLarge ? "too large" : "not a whole number") << ")\n";
            if (f.error == ReadError::NotWholeNumber && f.count == 0) printNumberCause(out, f.word);
            break;
        case ReadError::NoSuchRecord: out << ": no such record)\n"; break;
        case ReadError::TextTooLong: out << ": text longer than " << f.count << " characters)\n"; break;
        case ReadError::Character255:
            // The letter the user typed, not its byte: the code page's 255.
            out << ": the letter \"" << shownText(out, "\xFF", TextForm{false, form.codePage})
                << "\" cannot be stored: the game ends its texts at that byte)\n";
            break;
        case ReadError::NotUtf8: out << ": not UTF-8)\n"; break;
        case ReadError::NotInCodePage:
            out << ": " << codePointName(f.count) << " is not in code page " << f.codePage << ")\n";
            break;
        case ReadError::OtherSeparator:
            out << ": a " << (f.cause == HeadingCause::Commas ? "comma" : "semicolon") << " where a tab belongs)\n";
            return printHeadingCause(out, f.cause);
        case ReadError::SameByte:
            out << ": the same byte as " << lineKeyword(f.other.line) << ' ' << f.other.record << ", "
                << fieldLabel(f.other) << ", with another value)\n";
            break;
        default: break;
    }
}

void printReadFailure(std::ostream& out, const ReadFailure& f, const TextForm& form) {
    switch (f.error) {
        case ReadError::None: return;
        case ReadError::Allocation: printUnableToAllocate(out, f.count); return;
        case ReadError::NoHeadingLine: out << "Error while parsing headings!\n"; return printHeadingCause(out, f.cause);
        case ReadError::HeadingCount:
            out << "Error while parsing!  (" << f.count << " Headings)\n"
                << "If you are using a textfile from an older version, you\n"
                << "use MAKE to create a new textfile.  See documentation.\n";
            return printHeadingCause(out, f.cause);
        case ReadError::UnknownWord:
            out << "Error while parsing! (";
            printLine(out, f);
            out << shownText(out, f.word, form) << ")\n";
            return printHeadingCause(out, f.cause);  // of a first line
        case ReadError::GivenAgain:
            out << "Error while parsing! (line " << f.line << ": " << f.keyword << ' ' << f.field.record << ", "
                << f.word << ": given again, first on line " << f.count << ")\n";
            return;
        default: break;
    }
    printCellFailure(out, f, form);
}

// A field's value as diff shows it: numbers as they are, texts in double quotes with their
// control bytes escaped, so that two different texts never look the same.
void printValue(std::ostream& out, const FieldRef& f, const FieldValue& v, CodePage page) {
    if (fieldKind(f) == FieldKind::Number || fieldKind(f) == FieldKind::Attachment) {
        out << v.number;
    } else {
        out << quotedText(shownText(out, v.text, TextForm{false, page}));
    }
}

void printPair(std::ostream& out, std::uint32_t pair, std::string_view change) {
    const std::size_t kind = attachmentKindIndex(pairAttachment(pair));
    out << "Attachments\t";
    if (kind != kAttachmentKindCount) {
        out << kAttachmentKinds[kind].name;
    } else {
        out << "Item " << pairAttachment(pair);
    }
    out << '\t' << pairWeapon(pair) << '\t' << change << '\n';
}

// A note's text: before the name it takes, if any, and after it.
struct NoteText {
    Note note;
    std::string_view before;
    std::string_view after;
};

// clang-format off
constexpr NoteText kNotes[] = {
    {Note::ReadingBinaryData,       "\nReading binary data...", ""},
    {Note::ReadingItemDescriptions, "\nReading item descriptions...", ""},
    {Note::ConvertingTextFile,      "\nConverting text file...", ""},
    {Note::DumpingWeaponStats,      "\nDumping weapon stats...", ""},
    {Note::DescriptionsNotSaved,    "\nDescriptions not saved...", ""},
    {Note::SavingBinaryData,        "\nSaving binary data...", ""},
    {Note::Done,                    "\nDone!\n", ""},
    {Note::OutOfMemory,             "Unable to allocate memory.\n", ""},
    {Note::InvalidOption,           "\nInvalid option.  Use either MAKE or PATCH\n", ""},
    {Note::EncodingsExclude,        "\nOptions --utf8 and --utf16 exclude each other\n", ""},
    {Note::UnknownOption,           "\nUnknown option ", "\n"},
    {Note::UnexpectedArgument,      "\nUnexpected argument ", "\n"},
    {Note::ComparingWithOriginal,   "\nComparing with the original kept as ", ""},
    {Note::NoOriginalKept,          "\nNo original kept beside ", ": the list is empty."},
    {Note::NotAChangeList,          "\n", " is not a change list: its first line is not Changes, Field, Was and Now, "
                                          "separated by tabs.\n"},
};
// clang-format on

std::string_view descriptionTitle(bool shop) { return shop ? "Halvek's " : ""; }

// " (<reason>)", where the system gave one.
std::string reasonText(const std::string& reason) { return reason.empty() ? "" : " (" + reason + ")"; }

// The count and its noun, which takes an s but for one.
std::string counted(std::int64_t count, std::string_view noun) {
    return std::to_string(count) + ' ' + std::string(noun) + (count == 1 ? "" : "s");
}

}  // namespace

void printNote(std::ostream& out, Note note, std::string_view name) {
    for (const NoteText& n : kNotes) {
        if (n.note == note) out << n.before << shownName(out, name) << n.after;
    }
}

void printBanner(std::ostream& out) { out << "\nVantrel Weapon Editor " << kVersion << "\n\n"; }

void printCantOpen(std::ostream& out, std::string_view path) {
    out << "Can't open " << shownName(out, path) << "!" << reasonText(io::lastFailureReason()) << "\n";
}

void printEditionDetected(std::ostream& out, const Edition& edition) {
    out << edition.label << " version of executable detected\n";
}

void printExecutableShortRead(std::ostream& out, std::size_t got, long size) {
    out << "Error while reading executable (Read " << got << " of " << size << " bytes).\n";
}

void printDescriptionFileMissing(std::ostream& out, bool shop, std::string_view path, std::string_view beside) {
    out << "Error reading " << descriptionTitle(shop) << "item descriptions.\nYou must have the "
        << shownName(out, path) << " file installed.\n";
    if (beside != path) out << "(Looked for " << shownName(out, path) << " and " << shownName(out, beside) << ".)\n";
}

void printDescriptionFileShortRead(std::ostream& out, bool shop, std::size_t got) {
    out << "Error while reading " << descriptionTitle(shop) << "item descriptions (Read " << got << " of "
        << kDescFileSize << " bytes).\n";
}

void printSaveFailure(std::ostream& out, const io::SaveFact& f) {
    out << (f.error == io::SaveError::CannotCreate ? "Unable to create " : "Error writing ") << shownName(out, f.path)
        << "!";
    switch (f.error) {
        case io::SaveError::InUse: out << " (another vantedit run is saving it)"; break;
        case io::SaveError::Changed: out << " (it changed while vantedit ran)"; break;
        case io::SaveError::NotRegular: out << " (not a regular file)"; break;
        case io::SaveError::NotAnOriginal:
            out << " (" << shownName(out, f.other) << " is not an original of it: move it away)";
            break;
        case io::SaveError::ReadOnly: out << " (read-only)"; break;
        default: out << reasonText(f.reason); break;
    }
    out << "\n";
}

bool printSaveFacts(std::ostream& out, const io::SaveFacts& facts) {
    bool afterKept = false;
    for (const io::SaveFact& f : facts) {
        switch (f.event) {
            case io::SaveEvent::KeptOriginal: out << "\nOriginal kept as " << shownName(out, f.path); break;
            case io::SaveEvent::KeptPrevious: out << "\nPrevious stats file kept as " << shownName(out, f.path); break;
            case io::SaveEvent::Saved: continue;
            case io::SaveEvent::Failed:
                if (afterKept) out << "\n";  // a message of its own
                printSaveFailure(out, f);
                return false;
        }
        afterKept = true;
    }
    return true;
}

bool refusedBeforeWriting(const io::SaveFacts& facts) {
    if (facts.empty() || facts.back().event != io::SaveEvent::Failed) return false;
    switch (facts.back().error) {
        case io::SaveError::InUse:
        case io::SaveError::NotRegular:
        case io::SaveError::NotAnOriginal:
        case io::SaveError::ReadOnly: return true;
        default: return false;
    }
}

bool printRestores(std::ostream& out, const io::SaveFacts& facts, std::span<const std::string> originals) {
    for (const io::SaveFact& f : facts) {
        if (f.event == io::SaveEvent::Saved)
            out << "\nRestored " << shownName(out, f.path) << " from " << shownName(out, originals[f.job]);
        if (f.event != io::SaveEvent::Failed) continue;
        if (&f != &facts.front()) out << "\n";  // a message of its own
        printSaveFailure(out, f);
        return false;
    }
    return true;
}

void printNothingToRestore(std::ostream& out, std::string_view missing) {
    out << "\nNothing to restore";
    if (!missing.empty()) out << ": no " << shownName(out, missing) << ".orig beside it";
    out << ".\n";
}

void printTextsDiffer(std::ostream& out, std::int64_t texts) {
    if (texts == 1) out << "\n1 name or description differs from the game's: use the TEXTS option to save it.";
    if (texts > 1)
        out << "\n" << texts << " names or descriptions differ from the game's: use the TEXTS option to save them.";
}

void printTextsChanged(std::ostream& out, std::int64_t fields) { out << "\nTexts changed: " << fields; }

bool printGameFileSaves(std::ostream& out, const io::SaveFacts& facts, std::span<const GameFile> files,
                        std::string_view operation) {
    const bool failed = !facts.empty() && facts.back().event == io::SaveEvent::Failed;
    if (failed && refusedBeforeWriting(facts)) {
        out << "\n";  // after the count
        printSaveFailure(out, facts.back());
        return false;
    }
    const std::size_t last = failed ? facts.back().job : files.size() - 1;
    bool afterKept = false;
    for (std::size_t i = 0; i < files.size() && i <= last; ++i) {
        if (files[i] == GameFile::Executable) {
            printNote(out, Note::SavingBinaryData);
        } else {
            out << "\nSaving " << descriptionTitle(files[i] == GameFile::ShopDescriptions) << "item descriptions...";
        }
        afterKept = false;
        for (const io::SaveFact& f : facts) {
            if (f.job == i && f.event == io::SaveEvent::KeptOriginal) {
                out << "\nOriginal kept as " << shownName(out, f.path);
                afterKept = true;
            }
        }
    }
    if (!failed) return true;
    if (afterKept) out << "\n";
    printSaveFailure(out, facts.back());
    for (const io::SaveFact& f : facts) {
        if (f.event == io::SaveEvent::Saved) {
            out << shownName(out, f.path) << " was saved, " << shownName(out, facts.back().path) << " was not: run "
                << operation << " again.\n";
        }
    }
    return false;
}

void printUsage(std::ostream& out) {
    out << "\nUsage: vantedit [--utf8|--utf16] <executable> <textfile> <[make]|[patch]>\n\n";
    out << "Use the MAKE option to dump stats to a tab delimited text file.\n";
    out << "To apply the changes from the textfile, use the PATCH option.\n";
    out << "To list what PATCH would change without writing anything, use the DIFF option.\n";
    out << "To save the names and descriptions into the description files, use the TEXTS option.\n";
    out << "To merge stats files into the textfile, use the MERGE option and name them after it.\n";
    out << "To put back the originals that PATCH and TEXTS kept: vantedit <executable> restore\n";
    out << "To write a change list: vantedit <executable> <list> changes [<textfile>]\n";
    out << "To take a change list back out of the game: vantedit <executable> <list> revert\n";
    out << "PATCH, TEXTS and DIFF take a change list wherever they take a textfile.\n";
    out << "With --utf8, MAKE and MERGE write the textfile as UTF-8 text.\n";
    out << "With --utf16, MAKE and MERGE write it as UTF-16 text (Excel's Unicode Text).\n";
}

void printUnrecognized(std::ostream& out, const std::string& path, long size, bool notRegular) {
    out << "Unrecognized version of executable. (";
    const Edition* sized = nullptr;
    for (const Edition& e : kEditions) {
        if (e.fileSize == size) sized = &e;
    }
    if (notRegular) {
        out << shownName(out, path) << (io::isFolder(path) ? " is a folder" : " is not a regular file");
    } else if (size < 0) {
        out << "its size cannot be read";
    } else if (sized == nullptr) {
        out << size << " bytes: no edition has that size";
    } else {
        out << size << " bytes, the size of edition " << sized->number << ", but its header differs";
    }
    out << ")\n";
}

void printUnableToAllocate(std::ostream& out, std::int64_t bytes) {
    out << "Unable to allocate " << bytes << " bytes.\n";
}

void printUnableToCreate(std::ostream& out, std::string_view path, Refusal refusal) {
    out << "Unable to create " << shownName(out, path) << "!";
    switch (refusal) {
        case Refusal::None: out << reasonText(io::lastFailureReason()); break;
        case Refusal::Executable: out << " (it is the executable)"; break;
        case Refusal::DescriptionFile: out << " (it is a description file)"; break;
        case Refusal::Mod: out << " (it is one of the mods)"; break;
        case Refusal::KeptOriginal: out << " (it is the kept original)"; break;
        case Refusal::ReadOnly: out << " (read-only)"; break;
    }
    out << "\n";
}

void printUnableToRead(std::ostream& out, std::string_view path, bool notRegular) {
    out << "Unable to read " << shownName(out, path) << "!"
        << (notRegular ? " (not a regular file)" : reasonText(io::lastFailureReason())) << "\n";
}

void printTooLargeToRead(std::ostream& out, std::string_view path, std::size_t limit) {
    out << "Unable to read " << shownName(out, path) << "! (larger than " << (limit >> 20)
        << " MiB: not a stats file)\n";
}

namespace {

// A warning about a cell: its place ("line 3: Item 12, Short Name: "), then what it holds.
void printCellNotice(std::ostream& out, const Reading& reading, const ReadNotice& notice) {
    const TextForm shown{false, reading.texts.codePage};
    out << "\nWARNING:  line " << notice.line << ": " << lineKeyword(notice.field.line) << ' ' << notice.field.record
        << ", " << fieldLabel(notice.field) << ": ";
    switch (notice.warning) {
        case ReadWarning::DoesNotFit: out << notice.typed << " does not fit (stored as " << notice.count << ")"; break;
        case ReadWarning::ReadAsUtf8: out << "UTF-8 in a code-page file, read as UTF-8"; break;
        case ReadWarning::QuestionMarks:
            out << '"' << shownText(out, reading.text(notice), shown)
                << "\" has question marks where the game has letters: not stored (a save in a code page without them)";
            break;
        case ReadWarning::LooksLikeDate:
            out << '"' << shownText(out, reading.text(notice), shown) << "\" looks like a date a spreadsheet made of \""
                << shownText(out, reading.held(notice), shown) << "\": not stored";
            break;
        default: break;
    }
}

// The line that counts the warnings of a kind beyond those told, in the singular and plural.
struct MoreLine {
    ReadWarning warning;
    std::string_view one;
    std::string_view many;
};

// clang-format off
constexpr MoreLine kMoreLines[] = {
    {ReadWarning::DoesNotFit,    " more value does not fit.",  " more values do not fit."},
    {ReadWarning::NoSuchItem,    " more row names no item.",   " more rows name no item."},
    {ReadWarning::ReadAsUtf8,    " more text was read as UTF-8.", " more texts were read as UTF-8."},
    {ReadWarning::QuestionMarks, " more text has question marks where the game has letters: not stored.",
                                 " more texts have question marks where the game has letters: not stored."},
    {ReadWarning::LooksLikeDate, " more text looks like a date a spreadsheet made: not stored.",
                                 " more texts look like dates a spreadsheet made: not stored."},
};

// The warnings that are the same words wherever they are given.
constexpr std::pair<ReadWarning, std::string_view> kFixedWarnings[] = {
    {ReadWarning::AmmoTypeFormat,     "\nWARNING:  Old 'AmmoType' format detected (Converting...)\n"},
    {ReadWarning::Utf8WithoutMark,    "\nWARNING:  No byte order mark, but the texts are UTF-8: read as UTF-8."},
    {ReadWarning::Utf16WithoutMark,   "\nWARNING:  No byte order mark, but the file is UTF-16: read as UTF-16."},
    {ReadWarning::CommaSeparated,     "\nWARNING:  The file is separated by commas: read as such."},
    {ReadWarning::SemicolonSeparated, "\nWARNING:  The file is separated by semicolons: read as such."},
};
// clang-format on

}  // namespace

void printReading(std::ostream& out, const Reading& reading) {
    bool midLine = false;  // the last warning did not end its line
    for (const ReadNotice& notice : reading.notices) {
        const std::string_view fixed = textOf(kFixedWarnings, notice.warning);
        midLine = notice.warning != ReadWarning::OlderLayout && !fixed.ends_with('\n');
        if (notice.warning == ReadWarning::OlderLayout) {
            out << "\nWARNING:  Older version datafile detected!  (" << notice.count << " Headings) (Converting...)\n";
        } else if (notice.warning == ReadWarning::NoSuchItem) {
            out << "\nWARNING:  line " << notice.line << ": Item " << notice.count << ": no such item, row skipped";
        } else if (!fixed.empty()) {
            out << fixed;
        } else {
            printCellNotice(out, reading, notice);
        }
    }
    for (const MoreLine& line : kMoreLines) {
        const std::int64_t more = reading.more(line.warning);
        if (reading.ok() && more > 0) out << "\nWARNING:  " << more << (more == 1 ? line.one : line.many);
    }
    if (!reading.ok() && midLine) out << "\n";  // the error on a line of its own
    printReadFailure(out, reading.failure, reading.texts);
}

void printMostValuesDiffer(std::ostream& out) {
    out << "\nWARNING:  Most values differ. Is this stats file from another edition?\n";
}

void printRebuild(std::ostream& out, const RebuildCounts& counts) {
    out << "\nSorting weapon attachments...";
    if (counts.collected > counts.capacity) {
        printTooManyAttachments(out, counts);
    } else {
        out << "\n" << counts.collected << " of " << counts.capacity << " attachments added...";
    }
}

void printTooManyAttachments(std::ostream& out, const RebuildCounts& counts) {
    out << "\n\nWARNING:  You have " << counts.collected - counts.capacity
        << " too many weapon attachments.\nThe maximum limit is " << counts.capacity
        << ".  The extra attachments have been ignored.\n";
}

void printDiffLines(std::ostream& out, const GameDiff& diff, CodePage page) {
    for (const FieldChange& c : diff.fields) {
        out << lineKeyword(c.field.line) << ' ' << c.field.record << '\t' << changeFieldName(c.field) << '\t';
        printValue(out, c.field, c.before, page);
        out << '\t';
        printValue(out, c.field, c.after, page);
        std::string_view separator = "\t";
        if (notSavedByPatch(c.field)) out << separator << "not saved";
        if (c.typed) {
            out << separator << "typed " << *c.typed;
            separator = "; ";
        }
        if (c.sharedWith) {
            out << separator << "shared with Item " << c.sharedWith->record << ' ' << changeFieldName(*c.sharedWith);
        }
        out << '\n';
    }
    for (const AttachmentChange& a : diff.attachments) {
        printPair(out, a.pair, a.change == PairChange::Added ? "added" : "removed");
    }
    if (diff.movedPairs > 0) out << "Attachments\torder\t" << diff.movedPairs << " pairs move\n";
}

void printDiffCount(std::ostream& out, const GameDiff& diff) {
    out << "\n"
        << counted(diff.changedValues, "value") << " would change, " << diff.notSaved
        << " not saved; nothing written.\n";
}

void printReadingMod(std::ostream& out, std::string_view path) { out << "\nReading " << shownName(out, path) << "..."; }

void printConflicts(std::ostream& out, const Game& master, const MergedMods& merged,
                    std::span<const std::string_view> mods) {
    merged.forEachField([&](std::span<const Setting> settings) {
        if (!isConflict(settings)) return;
        const FieldRef& f = settings[0].field;
        out << lineKeyword(f.line) << ' ' << f.record << '\t' << changeFieldName(f) << '\t';
        const CodePage page = master.edition().codePage;
        printValue(out, f, readField(master, f), page);
        for (const Setting& s : settings) {
            out << '\t' << escaped(shownName(out, mods[s.mod])) << ": ";
            printValue(out, f, s.value, page);
        }
        out << '\n';
    });
}

void printStaleChange(std::ostream& out, const ChangeLine& change, const FieldValue* held, CodePage page) {
    out << lineKeyword(change.field.line) << ' ' << change.field.record << '\t'
        << (change.known ? changeFieldName(change.field) : change.name) << '\t';
    if (held == nullptr) {
        out << "no such field in this edition\n";
        return;
    }
    printValue(out, change.field, *held, page);
    out << "\texpects ";
    printValue(out, change.field, change.was, page);
    out << '\n';
}

void printMergeCount(std::ostream& out, std::int64_t fields, std::size_t files, std::int64_t conflicts) {
    out << "\n"
        << counted(fields, "field") << " from " << counted(static_cast<std::int64_t>(files), "file") << ", "
        << counted(conflicts, "conflict") << " (the later file wins).\n";
}

void printChangeConflict(std::ostream& out, const ChangeLine& change, std::string_view held, bool backwards) {
    out << "\nline " << change.line << ": " << lineKeyword(change.field.line) << ' ' << change.field.record << ", "
        << change.name;
    if (held.empty()) {
        out << ": no such field in this edition";
    } else {
        out << ": the game holds " << held << ", the change expects "
            << changeValueText(change.field, backwards ? change.now : change.was);
    }
}

void printMoreConflicts(std::ostream& out, std::int64_t more) { out << "\n" << counted(more, "more conflict") << "."; }

void printChangesDoNotApply(std::ostream& out, std::int64_t conflicts, std::int64_t judged) {
    out << "\n" << conflicts << " of " << judged << " changes do not apply: nothing written.\n";
}

void printChangesApplied(std::ostream& out, std::int64_t applied, std::int64_t before) {
    out << "\n" << counted(applied, "change") << " applied, " << before << " applied before.";
}

void printChangesReverted(std::ostream& out, std::int64_t reverted, std::int64_t before) {
    out << "\n" << counted(reverted, "change") << " reverted, " << before << " reverted before.\nDone!\n";
}

void printChangesListed(std::ostream& out, std::int64_t changes) {
    out << "\n" << counted(changes, "change") << " listed.\nDone!\n";
}

}  // namespace vantedit
