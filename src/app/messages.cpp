#include "app/messages.h"

#include "io/file.h"
#include "model/attachments.h"
#include "model/text.h"

namespace vantedit {

namespace {

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

void printReadFailure(std::ostream& out, const ReadFailure& f) {
    switch (f.error) {
        case ReadError::None: return;
        case ReadError::Allocation: printUnableToAllocate(out, f.count); return;
        case ReadError::Utf16:
            out << "Error while parsing headings! (the file is UTF-16 text: save it as 8-bit text)\n";
            return;
        case ReadError::NoHeadingLine: out << "Error while parsing headings!\n"; return;
        case ReadError::HeadingCount:
            out << "Error while parsing!  (" << f.count << " Headings)\n"
                << "If you are using a textfile from an older version, you\n"
                << "use MAKE to create a new textfile.  See documentation.\n";
            return;
        case ReadError::UnknownWord: out << "Error while parsing! (" << escaped(f.word) << ")\n"; return;
        default: break;
    }
    out << "Error while parsing! (";
    printPlace(out, f);
    switch (f.error) {
        case ReadError::NumberExpected: out << ": number expected)\n"; break;
        case ReadError::NotWholeNumber:
        case ReadError::TooLarge:
            out << ": \"" << escaped(f.word) << (f.count != 0 ? "..." : "") << "\" is "
                << (f.error == ReadError::TooLarge ? "too large" : "not a whole number") << ")\n";
            break;
        case ReadError::NoSuchRecord: out << ": no such record)\n"; break;
        case ReadError::TextTooLong: out << ": text longer than " << f.count << " characters)\n"; break;
        case ReadError::Character255: out << ": the character 255 cannot be stored)\n"; break;
        case ReadError::NotUtf8: out << ": not UTF-8)\n"; break;
        case ReadError::NotInCodePage:
            out << ": " << codePointName(f.count) << " is not in code page " << f.codePage << ")\n";
            break;
        case ReadError::SameByte:
            out << ": the same byte as " << lineKeyword(f.other.line) << ' ' << f.other.record << ", "
                << fieldLabel(f.other) << ", with another value)\n";
            break;
        default: break;
    }
}

// A field's value as diff shows it: numbers as they are, texts in double quotes with their
// control bytes escaped, so that two different texts never look the same.
void printValue(std::ostream& out, const FieldRef& f, const FieldValue& v) {
    if (fieldKind(f) == FieldKind::Number || fieldKind(f) == FieldKind::Attachment) {
        out << v.number;
    } else {
        out << quotedText(escaped(v.text));
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

}  // namespace

void printUsage(std::ostream& out) {
    out << "\nUsage: vantedit <executable> <textfile> <[make]|[patch]>\n\n";
    out << "Use the MAKE option to dump stats to a tab delimited text file.\n";
    out << "To apply the changes from the textfile, use the PATCH option.\n";
    out << "To list what PATCH would change without writing anything, use the DIFF option.\n";
    out << "To save the names and descriptions into the description files, use the TEXTS option.\n";
    out << "To merge stats files into the textfile, use the MERGE option and name them after it.\n";
}

void printUnrecognized(std::ostream& out, std::string_view path, long size, bool folder) {
    out << "Unrecognized version of executable. (";
    const Edition* sized = nullptr;
    for (const Edition& e : kEditions) {
        if (e.fileSize == size) sized = &e;
    }
    if (folder) {
        out << path << " is a folder";
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

void printReason(std::ostream& out) {
    const std::string reason = io::lastFailureReason();
    if (!reason.empty()) out << " (" << reason << ")";
}

void printErrorWriting(std::ostream& out, std::string_view path) {
    out << "Error writing " << path << "!";
    printReason(out);
    out << "\n";
}

void printUnableToCreate(std::ostream& out, std::string_view path) {
    out << "Unable to create " << path << "!";
    printReason(out);
    out << "\n";
}

void printUnableToRead(std::ostream& out, std::string_view path) {
    out << "Unable to read " << path << "!";
    printReason(out);
    out << "\n";
}

void printTooLargeToRead(std::ostream& out, std::string_view path, std::size_t limit) {
    out << "Unable to read " << path << "! (larger than " << (limit >> 20) << " MiB: not a stats file)\n";
}

void printReading(std::ostream& out, const Reading& reading) {
    for (const ReadNotice& notice : reading.notices) {
        switch (notice.warning) {
            case ReadWarning::OlderLayout:
                out << "\nWARNING:  Older version datafile detected!  (" << notice.count
                    << " Headings) (Converting...)\n";
                break;
            case ReadWarning::AmmoTypeFormat:
                out << "\nWARNING:  Old 'AmmoType' format detected (Converting...)\n";
                break;
            case ReadWarning::DoesNotFit:
                out << "\nWARNING:  " << lineKeyword(notice.field.line) << ' ' << notice.field.record << ", "
                    << fieldLabel(notice.field) << ": " << notice.typed << " does not fit (stored as " << notice.count
                    << ")";
                break;
            case ReadWarning::Utf8WithoutMark:
                out << "\nWARNING:  No byte order mark, but the texts are UTF-8: read as UTF-8.";
                break;
            case ReadWarning::NoSuchItem:
                out << "\nWARNING:  Item " << notice.count << ": no such item, row skipped";
                break;
        }
    }
    if (reading.ok() && reading.moreNumbersNotFitting > 0) {
        out << "\nWARNING:  " << reading.moreNumbersNotFitting << " more values do not fit.";
    }
    if (reading.ok() && reading.moreRowsNamingNoItem > 0) {
        out << "\nWARNING:  " << reading.moreRowsNamingNoItem << " more rows name no item.";
    }
    printReadFailure(out, reading.failure);
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

void printDiffLines(std::ostream& out, const GameDiff& diff) {
    for (const FieldChange& c : diff.fields) {
        out << lineKeyword(c.field.line) << ' ' << c.field.record << '\t' << fieldLabel(c.field) << '\t';
        printValue(out, c.field, c.before);
        out << '\t';
        printValue(out, c.field, c.after);
        std::string_view separator = "\t";
        if (notSavedByPatch(c.field)) {
            out << separator << "not saved";
        }
        if (c.typed) {
            out << separator << "typed " << *c.typed;
            separator = "; ";
        }
        if (c.sharedWith) {
            out << separator << "shared with Item " << c.sharedWith->record << ' ' << fieldLabel(*c.sharedWith);
        }
        out << '\n';
    }
    for (const AttachmentChange& a : diff.attachments) {
        printPair(out, a.pair, a.change == PairChange::Added ? "added" : "removed");
    }
    if (diff.movedPairs > 0) out << "Attachments\torder\t" << diff.movedPairs << " pairs move\n";
}

void printReadingMod(std::ostream& out, std::string_view path) { out << "\nReading " << path << "..."; }

void printConflicts(std::ostream& out, const Game& master, const MergedMods& merged,
                    std::span<const std::string_view> mods) {
    merged.forEachField([&](std::span<const Setting> settings) {
        if (!isConflict(settings)) return;
        const FieldRef& f = settings[0].field;
        out << lineKeyword(f.line) << ' ' << f.record << '\t' << fieldLabel(f) << '\t';
        printValue(out, f, readField(master, f));
        for (const Setting& s : settings) {
            out << '\t' << escaped(mods[s.mod]) << ": ";
            printValue(out, f, s.value);
        }
        out << '\n';
    });
}

void printMergeCount(std::ostream& out, std::int64_t fields, std::size_t files, std::int64_t conflicts) {
    out << "\n"
        << fields << " fields from " << files << " files, " << conflicts << " conflicts (the later file wins).\n";
}

std::string escaped(std::string_view text) {
    std::string shown;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 32) {
            shown += ch;
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\r') {
            shown += "\\r";
        } else {
            constexpr char kHex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += kHex[c >> 4];
            shown += kHex[c & 15];
        }
    }
    return shown;
}

}  // namespace vantedit
