// Reading a stats file back on a hand-made game: the stream, the heading check, the keyword
// loop, list and text lines, Item rows and the attachment regrouping, each byte where it lands.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "model/editions.h"
#include "dump/stats_writer.h"
#include "model/attachments.h"
#include "model/descriptions.h"
#include "model/list_tables.h"
#include "model/sections.h"
#include "app/messages.h"
#include "patch/attachment_groups.h"
#include "patch/item_row.h"
#include "patch/stats_reader.h"
#include "patch/stats_stream.h"
#include "patch/value_writes.h"
#include "test_support.h"

namespace vantedit {
namespace {

constexpr int kEnd = StatsStream::kEnd;
const std::string kAmmoTypeWarning = "\nWARNING:  Old 'AmmoType' format detected (Converting...)\n";

Game makeGame(int edition) { return zeroGame(edition); }

std::string heading(int tabs) {
    std::string line = "Offset";
    for (int i = 0; i < tabs; ++i) line += "\tH";
    return line + "\n";
}

struct Read {
    ReadResult result;
    std::string output;
};

Read readText(Game& game, AttachmentGroups& groups, const std::string& text) {
    Reading reading;
    if (reserveReading(game.edition(), reading, groups)) {
        StatsStream in(text);
        readStatsText(in, game, groups, reading);
    }
    std::ostringstream out;
    printReading(out, reading);
    return {reading.ok() ? ReadResult::EndOfFile : ReadResult::Failed, out.str()};
}

Read readText(Game& game, const std::string& text) {
    AttachmentGroups groups;
    return readText(game, groups, text);
}

std::string makeText(const Game& game) {
    std::string text;
    writeStatsFile(text, game);
    return text;
}

std::vector<std::string> split(std::string_view line) {
    std::vector<std::string> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.emplace_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

// Position of a heading on the heading line; the nth of equal headings.
int fieldOf(std::string_view name, int nth = 0) {
    static const std::vector<std::string> fields = [] {
        std::string text;
        writeStatsFile(text, makeGame(0));
        return split(std::string_view(text).substr(0, text.find('\n')));
    }();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i] == name && nth-- == 0) return static_cast<int>(i);
    }
    ADD_FAILURE() << "no heading " << name;
    return -1;
}

// The text with one field of the line that starts with lineStart replaced.
std::string withField(const std::string& text, const std::string& lineStart, int field, const std::string& value) {
    const std::size_t begin = text.find("\n" + lineStart) + 1;
    const std::size_t end = std::min(text.find('\n', begin), text.size());
    auto fields = split(std::string_view(text).substr(begin, end - begin));
    fields.at(static_cast<std::size_t>(field)) = value;
    std::string line = fields[0];
    for (std::size_t i = 1; i < fields.size(); ++i) line += "\t" + fields[i];
    return text.substr(0, begin) + line + text.substr(end);
}

std::string itemLine(const std::string& text, int item) {
    const std::string start = "\nItem " + std::to_string(item) + "\t";
    const std::size_t begin = text.find(start) + 1;
    return text.substr(begin, text.find('\n', begin) - begin);
}

// ---------------------------------------------------------------------------------------------
// The stream

TEST(StatsStream, CarriageReturnBeforeLineFeedReadsAsOneLineFeed) {
    StatsStream in(std::string("a\r\nb\rc\r\r\n\r", 10));
    std::string got;
    for (int c = in.get(); c != kEnd; c = in.get()) got += static_cast<char>(c);
    EXPECT_EQ(got, "a\nb\rc\r\n\r");
    EXPECT_EQ(in.get(), kEnd);  // the end stays the end
}

TEST(StatsStream, PushBackGivesTheCharacterOnceAndNeverTheEnd) {
    StatsStream in("xy");
    EXPECT_EQ(in.get(), 'x');
    in.unget('x');
    EXPECT_EQ(in.get(), 'x');
    EXPECT_EQ(in.get(), 'y');
    in.unget(kEnd);
    EXPECT_EQ(in.get(), kEnd);
    StatsStream high("\xFF");
    EXPECT_EQ(high.get(), 255);  // a byte, never mistaken for the end
}

TEST(StatsStream, NumbersAsPercentD) {
    struct Case {
        const char* text;
        NumberRead result;
        std::int32_t value;
        int next;  // the character read after the number
    };
    const Case cases[] = {
        {" \t\r\n\v\f 42x", NumberRead::Number, 42, 'x'},
        {"-7\t", NumberRead::Number, -7, '\t'},
        {"+5", NumberRead::Number, 5, kEnd},
        {"007", NumberRead::Number, 7, kEnd},
        {"65541", NumberRead::Number, 65541, kEnd},
        {"4294967297", NumberRead::Number, 1, kEnd},               // beyond 32 bits: modulo 2^32
        {"-2147483649", NumberRead::Number, 2147483647, kEnd},
        {"12abc", NumberRead::Number, 12, 'a'},
        {"n/a", NumberRead::NotANumber, 0, 'n'},
        {"- 5", NumberRead::NotANumber, 0, ' '},
        {"-", NumberRead::NotANumber, 0, kEnd},
        {"", NumberRead::EndOfFile, 0, kEnd},
        {" \r\n\t ", NumberRead::EndOfFile, 0, kEnd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        StatsStream in(c.text);
        std::int32_t value = 0;
        EXPECT_EQ(in.readNumber(value), c.result);
        if (c.result == NumberRead::Number) {
            EXPECT_EQ(value, c.value);
        }
        EXPECT_EQ(in.get(), c.next);
    }
}

TEST(StatsStream, ACellHoldsOneWholeNumber) {
    struct Case {
        std::string cell;
        CellNumber read;
        std::int64_t value;
    };
    const Case cases[] = {
        {"60", CellNumber::Number, 60},          {" 60 ", CellNumber::Number, 60},
        {"\"60\"", CellNumber::Number, 60},      {"+5", CellNumber::Number, 5},
        {"-2147483648", CellNumber::Number, -2147483648LL}, {"4294967295", CellNumber::Number, 4294967295LL},
        {"-2147483649", CellNumber::TooLarge, 0}, {"4294967296", CellNumber::TooLarge, 0},
        {"123456789012345678901234567890", CellNumber::TooLarge, 0},
        {"60.0", CellNumber::NotWhole, 0},       {"1,234", CellNumber::NotWhole, 0},
        {"60 mm", CellNumber::NotWhole, 0},      {"n/a", CellNumber::NotWhole, 0},
        {"-", CellNumber::NotWhole, 0},          {"1e5", CellNumber::NotWhole, 0},
        {"", CellNumber::Empty, 0},              {"   ", CellNumber::Empty, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell);
        std::int64_t value = 0;
        EXPECT_EQ(parseWholeNumber(c.cell, value), c.read);
        if (c.read == CellNumber::Number) {
            EXPECT_EQ(value, c.value);
        }
    }
    StatsStream in("  7\t 8 \n");
    EXPECT_EQ(in.readCell(64).text, "  7");
    EXPECT_EQ(in.readCell(1).text, " ");  // cut to what is kept
    EXPECT_EQ(in.get(), '\n');
}

// ---------------------------------------------------------------------------------------------
// Heading line

TEST(StatsReader, HeadingTabCountPicksTheLayout) {
    const std::string error =
        "If you are using a textfile from an older version, you\n"
        "use MAKE to create a new textfile.  See documentation.\n";
    struct Case {
        int tabs;
        ReadResult result;
        std::string output;
    };
    const Case cases[] = {
        {69, ReadResult::EndOfFile, ""},
        {72, ReadResult::EndOfFile,
         "\nWARNING:  Older version datafile detected!  (72 Headings) (Converting...)\n"},
        {73, ReadResult::EndOfFile,
         "\nWARNING:  Older version datafile detected!  (73 Headings) (Converting...)\n"},
        {70, ReadResult::Failed, "Error while parsing!  (70 Headings)\n" + error},
        {68, ReadResult::Failed, "Error while parsing!  (68 Headings)\n" + error},
        {0, ReadResult::Failed, "Error while parsing!  (0 Headings)\n" + error},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tabs);
        Game g = makeGame(0);
        const Read r = readText(g, heading(c.tabs));
        EXPECT_EQ(r.result, c.result);
        EXPECT_EQ(r.output, c.output);
    }
}

TEST(StatsReader, HeadingLineMustEndWithALineFeed) {
    for (const std::string text : {"", "Offset", "Offset\tShort Name\r"}) {
        Game g = makeGame(1);
        const Read r = readText(g, text);
        EXPECT_EQ(r.result, ReadResult::Failed);
        EXPECT_EQ(r.output, "Error while parsing headings!\n");
    }
    Game g = makeGame(1);
    std::string crlf = heading(69);
    crlf.insert(crlf.size() - 1, "\r");
    EXPECT_EQ(readText(g, crlf).result, ReadResult::EndOfFile);
}

TEST(StatsReader, UTF16FilesStopAtTheHeadingLine) {
    const std::string utf16 = "Error while parsing headings! (the file is UTF-16 text: save it as 8-bit text)\n";
    std::string wide;
    for (char c : heading(69)) wide += std::string(1, c) + '\0';
    for (const std::string& text : {"\xFF\xFE" + wide, "\xFE\xFF" + wide.substr(0, 20), wide, std::string("O\0", 2),
                                    heading(69).insert(40, 1, '\0')}) {
        Game g = makeGame(2);
        const Read r = readText(g, text);
        EXPECT_EQ(r.result, ReadResult::Failed);
        EXPECT_EQ(r.output, utf16);
    }
    Game g = makeGame(2);  // the pair only counts at the start
    EXPECT_EQ(readText(g, "\xFE" + heading(69)).result, ReadResult::EndOfFile);
    EXPECT_EQ(readText(g, "O\xFF\xFE" + heading(69).substr(1)).result, ReadResult::EndOfFile);
}

TEST(StatsReader, KeywordIsComparedUpToItsFirstZero) {
    Game g = makeGame(0);
    const Read r = readText(g, heading(69) + std::string("aTTach") + '\0' + "xy 3\t10\t20");
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(g.image().u16(static_cast<std::size_t>(kEditions[0].attachOffset + 12)), 10);
}

TEST(StatsReader, FirstLineIsOnlyCountedNeverRead) {
    Game g = makeGame(0);
    const std::vector<std::uint8_t> before = imageOf(g);
    // An Item row has 69 tabs too: as the first line it passes as the heading and stores nothing.
    const std::string row = itemLine(withField(makeText(g), "Item 0\t", fieldOf("Damage"), "99"), 0);
    const Read r = readText(g, row + "\n");
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(imageOf(g), before);
}

// ---------------------------------------------------------------------------------------------
// Keyword loop and list lines

TEST(StatsReader, ListLineValuesLandAtTheirWords) {
    for (int e : {0, 4}) {
        const Edition& ed = kEditions[e];
        for (const NumericList& list : kNumericLists) {
            SCOPED_TRACE(std::string(list.keyword) + " edition " + std::to_string(e));
            Game g = makeGame(e);
            std::vector<std::uint8_t> expected = imageOf(g);
            const std::int32_t last = listRecordCount(ed, list) - 1;
            // Keyword in another case, values spread over blanks and line ends, out of width.
            std::string line = "\n";
            for (char c : list.keyword) line += std::isalpha(static_cast<unsigned char>(c)) ? static_cast<char>(c ^ 0x20) : c;
            line += " " + std::to_string(last);
            const std::int32_t values[] = {65536 + 7, -1, 300, 65541};
            for (int v = 0; v < listValueCount(list); ++v) {
                line += (v == 1 ? " \r\n " : "\t") + std::to_string(values[v]);
                const auto at = static_cast<std::size_t>(listValueOffset(ed, list, last, v));
                expected[at] = static_cast<std::uint8_t>(values[v]);
                expected[at + 1] = static_cast<std::uint8_t>(values[v] >> 8);
            }
            const Read r = readText(g, heading(69) + line);
            EXPECT_EQ(r.result, ReadResult::EndOfFile);
            EXPECT_EQ(r.output, "");
            EXPECT_EQ(imageOf(g), expected);
        }
    }
}

TEST(StatsReader, AttachLineThreeWritesTwelveBytesIn) {
    Game g = makeGame(0);
    ASSERT_EQ(readText(g, heading(69) + "aTTach 3\t10\t20").result, ReadResult::EndOfFile);
    const ByteView image = g.image();
    EXPECT_EQ(image.u16(static_cast<std::size_t>(kEditions[0].attachOffset + 12)), 10);
    EXPECT_EQ(image.u16(static_cast<std::size_t>(kEditions[0].attachOffset + 14)), 20);
}

TEST(StatsReader, StrayTextWithoutLettersIsPassedOver) {
    Game g = makeGame(1);
    const Read r = readText(g, heading(69) + "\n\n\t123 \"--\"\r\n  Exclude 0\t1\t2\n999\n");
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(g.image().u16(static_cast<std::size_t>(kEditions[1].excludeOffset)), 1);
}

TEST(StatsReader, LaterLinesOverwriteEarlierOnes) {
    Game g = makeGame(2);
    ASSERT_EQ(readText(g, heading(69) + "Attach 1\t5\t6\nAttach 1\t7\t8").result, ReadResult::EndOfFile);
    EXPECT_EQ(g.image().u32(static_cast<std::size_t>(kEditions[2].attachOffset + 4)), 7u | (8u << 16));
}

// Every failure of a line: exactly one message, and no byte of the image written by it.
TEST(StatsReader, LineFailuresNameTheLine) {
    struct Case {
        int edition;
        std::string lines;
        std::string message;
    };
    const std::string tooLongName(20, 'n');
    const Case cases[] = {
        {0, "Items 3\t1", "Error while parsing! (Items)\n"},
        {0, "Item\t5\tShort\tLong more", "Error while parsing! (Item\\t5\\tShort\\tLong)\n"},  // escaped, on one line
        {0, "Bo\x01gus\r\x1B\x7F\xFF 1", "Error while parsing! (Bo\\x01gus\\r\\x1B\x7F\xFF)\n"},
        {0, std::string("Bogus\0\n\t 1", 10), "Error while parsing! (Bogus)\n"},  // up to its 0
        {0, "Attach 0\t1\t2\nx9 0", "Error while parsing! (x9)\n"},
        {0, "Attach 29\t1\t2", "Error while parsing! (Attach 29: no such record)\n"},
        {1, "Attach 28\t1\t2", "Error while parsing! (Attach 28: no such record)\n"},
        {0, "AmmoAttach -1\t1\t2", "Error while parsing! (AmmoAttach -1: no such record)\n"},
        {4, "Combine2 52\t1\t2\t3\t4", "Error while parsing! (Combine2 52: no such record)\n"},
        {0, "Combine3 6\t1\t2\t3\t4", "Error while parsing! (Combine3 6: no such record)\n"},
        {5, "Exclude 28\t1\t2", "Error while parsing! (Exclude 28: no such record)\n"},
        {4, "ConvertWeapon 20\t1\t2", "Error while parsing! (ConvertWeapon 20: no such record)\n"},
        {0, "ConvertAmmo 4294967303\t1\t2", "Error while parsing! (ConvertAmmo 7: no such record)\n"},
        {0, "ConvertAmmo 7\t1\t2", "Error while parsing! (ConvertAmmo 7: no such record)\n"},
        {0, "AmmoName 20\tx\ty", "Error while parsing! (AmmoName 20: no such record)\n"},
        {1, "AmmoName 17\tx\ty", "Error while parsing! (AmmoName 17: no such record)\n"},
        {0, "AmmoType 19\tx\ty", kAmmoTypeWarning + "Error while parsing! (AmmoType 19: no such record)\n"},
        {0, "AmmoType -2\tx\ty", kAmmoTypeWarning + "Error while parsing! (AmmoType -2: no such record)\n"},
        {0, "Sound 291\tx", "Error while parsing! (Sound 291: no such record)\n"},
        {0, "Sound -1\tx", "Error while parsing! (Sound -1: no such record)\n"},
        {0, "Burst 34\tx", "Error while parsing! (Burst 34: no such record)\n"},
        {0, "Attach n/a\t1\t2", "Error while parsing! (Attach: number expected)\n"},
        {0, "Combine2 3\t1\t2\tn/a\t4", "Error while parsing! (Combine2 3: number expected)\n"},
        {0, "Exclude 3\t1", "Error while parsing! (Exclude 3: number expected)\n"},
        {0, "Attach ", "Error while parsing! (Attach: number expected)\n"},
        {0, "AmmoName x\ty", "Error while parsing! (AmmoName: number expected)\n"},
        {0, "Sound \r\n", "Error while parsing! (Sound: number expected)\n"},
        {0, "Burst b", "Error while parsing! (Burst: number expected)\n"},
        {0, "Item n/a", "Error while parsing! (Item: number expected)\n"},
        {0, "AmmoName 3\t" + tooLongName + "\tok", "Error while parsing! (AmmoName 3: text longer than 19 characters)\n"},
        {0, "AmmoName 3\tok\t\"" + tooLongName + "\"", "Error while parsing! (AmmoName 3: text longer than 19 characters)\n"},
        {0, "AmmoType 2\tok\t" + tooLongName, kAmmoTypeWarning + "Error while parsing! (AmmoType 2: text longer than 19 characters)\n"},
        {0, "Sound 290\t" + std::string(255, 's'), "Error while parsing! (Sound 290: text longer than 254 characters)\n"},
        {0, "Burst 33\t" + std::string(15, 'b') + "\n", "Error while parsing! (Burst 33: text longer than 14 characters)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        Game g = makeGame(c.edition);
        const std::vector<std::uint8_t> before = imageOf(g);
        const Read r = readText(g, heading(69) + c.lines);
        EXPECT_EQ(r.result, ReadResult::Failed);
        EXPECT_EQ(r.output, c.message);
        if (c.lines.starts_with("Attach 0")) continue;  // its first line was good
        EXPECT_EQ(imageOf(g), before);
    }
}

TEST(StatsReader, TokenEndsAfter255Characters) {
    Game g = makeGame(0);
    const std::string letters(300, 'q');
    const Read r = readText(g, heading(69) + letters + " 1");
    EXPECT_EQ(r.result, ReadResult::Failed);
    EXPECT_EQ(r.output, "Error while parsing! (" + std::string(255, 'q') + ")\n");
}

std::string ammoNameAt(const Game& g, std::int64_t recordOffset) { return ammoTextAt(g.image(), recordOffset); }

// A last line whose keyword is cut by the end of the file (or followed by a tab, so that it
// runs on to the end) is refused rather than dropped without a word.
TEST(StatsReader, EndOfFileInsideATokenIsAnError) {
    struct Case { std::string tail; std::string message; };
    const std::vector<Case> cases = {
        {"Soun", "Error while parsing! (Soun)\n"},
        {"Item\t5\tName", "Error while parsing! (Item\\t5\\tName)\n"},
        {"Burst", "Error while parsing! (Burst: number expected)\n"},
    };
    for (const Case& c : cases) {
        Game g = makeGame(0);
        const Read r = readText(g, heading(69) + "Attach 0\t1\t2\n" + c.tail);
        EXPECT_EQ(r.result, ReadResult::Failed) << c.tail;
        EXPECT_EQ(r.output, c.message);
    }
    Game g = makeGame(0);
    EXPECT_EQ(readText(g, heading(69) + "Attach 0\t1\t2\r\n\t\r\n").result, ReadResult::EndOfFile);
}

// An editor that drops trailing tabs must not turn the next line into this line's text.
TEST(StatsReader, ATextLineEndingEarlyLeavesItsLaterTextsEmpty) {
    Game g = makeGame(0);
    const Edition& e = kEditions[0];
    const std::string text = heading(69) + "Sound 5\nSound 6\tshot.wav\nBurst 0\r\nBurst 1\trapid\n" +
                             "AmmoName 3\tabc\nAmmoName 4\nAmmoName 5\tx\ty\nBurst 2";
    ASSERT_EQ(readText(g, text).result, ReadResult::EndOfFile);
    const ByteView image = g.image();
    EXPECT_EQ(readName(image, e, kSoundNames, 5), "");
    EXPECT_EQ(readName(image, e, kSoundNames, 6), "shot.wav");
    EXPECT_EQ(readName(image, e, kBurstNames, 0), "");
    EXPECT_EQ(readName(image, e, kBurstNames, 1), "rapid");
    EXPECT_EQ(readName(image, e, kBurstNames, 2), "");
    EXPECT_EQ(ammoNameAt(g, ammoNameRecordOffset(e.ammoNameFirstOffset, 3)), "abc");
    EXPECT_EQ(ammoNameAt(g, ammoNameRecordOffset(e.ammoNameSecondOffset, 3)), "");
    EXPECT_EQ(ammoNameAt(g, ammoNameRecordOffset(e.ammoNameFirstOffset, 4)), "");
    EXPECT_EQ(ammoNameAt(g, ammoNameRecordOffset(e.ammoNameSecondOffset, 4)), "");
    EXPECT_EQ(ammoNameAt(g, ammoNameRecordOffset(e.ammoNameSecondOffset, 5)), "y");
}

// ---------------------------------------------------------------------------------------------
// AmmoName, AmmoType, Sound and Burst lines

TEST(StatsReader, AmmoNameTextsGoToTheLowBytesOfTheirRecords) {
    Game g = makeGame(0);
    const Edition& e = kEditions[0];
    const auto second0 = static_cast<std::size_t>(ammoNameRecordOffset(e.ammoNameSecondOffset, 0));
    const auto first0 = static_cast<std::size_t>(ammoNameRecordOffset(e.ammoNameFirstOffset, 0));
    std::fill(imageBytes(g).begin() + static_cast<long>(second0), imageBytes(g).begin() + static_cast<long>(second0) + 40, 0xAA);
    std::fill(imageBytes(g).begin() + static_cast<long>(first0), imageBytes(g).begin() + static_cast<long>(first0) + 40, 0xBB);
    // Quoted as a spreadsheet saves it: the quotes go, a doubled one stands for one.
    ASSERT_EQ(readText(g, heading(69) + "AmmoName 0\t\"9mm \"\"X\"\"\"\tBall\r\n").result, ReadResult::EndOfFile);
    EXPECT_EQ(ammoNameAt(g, static_cast<std::int64_t>(first0)), "9mm \"X\"");
    EXPECT_EQ(ammoNameAt(g, static_cast<std::int64_t>(second0)), "Ball");
    std::vector<std::uint8_t> expected(40, 0xAA);
    for (int j = 0; j < 4; ++j) expected[2 * j] = static_cast<std::uint8_t>("Ball"[j]);
    expected[8] = 0;
    EXPECT_EQ(std::vector<std::uint8_t>(imageBytes(g).begin() + static_cast<long>(second0),
                                        imageBytes(g).begin() + static_cast<long>(second0) + 40),
              expected);  // high bytes and the bytes after the terminator kept
    EXPECT_EQ(imageBytes(g)[first0 + 1], 0xBB);
    EXPECT_EQ(imageBytes(g)[first0 + 14], 0);
}

TEST(StatsReader, AmmoNameRecordsBeyondTheFirstTableKeepItUntouched) {
    Game g = makeGame(5);
    const Edition& e = kEditions[5];
    const std::vector<std::uint8_t> before = imageOf(g);
    // The dropped first text may be of any length; only stored texts must fit.
    ASSERT_EQ(readText(g, heading(69) + "AmmoName 17\t" + std::string(40, 'z') + "\tFlechette\nAmmoName 19\tn/a\tLast")
                  .result,
              ReadResult::EndOfFile);
    EXPECT_EQ(ammoNameAt(g, ammoNameRecordOffset(e.ammoNameSecondOffset, 17)), "Flechette");
    EXPECT_EQ(ammoNameAt(g, ammoNameRecordOffset(e.ammoNameSecondOffset, 19)), "Last");
    std::size_t changed = 0;
    for (std::size_t i = 0; i < imageBytes(g).size(); ++i) changed += imageBytes(g)[i] != before[i];
    EXPECT_EQ(changed, 9u + 4u);  // the two second texts, terminators already 0
}

TEST(StatsReader, AmmoTypeNamesTheRecordsOfTheNextAmmoName) {
    Game a = makeGame(0);
    Game b = makeGame(0);
    const Read old = readText(a, heading(69) + "AmmoType 0\tOld\tStyle\nAmmoType 15\tFirst\tSecond\nAmmoType 16\tx\ty");
    EXPECT_EQ(old.result, ReadResult::EndOfFile);
    EXPECT_EQ(old.output, "\nWARNING:  Old 'AmmoType' format detected (Converting...)\n");  // once
    ASSERT_EQ(readText(b, heading(69) + "AmmoName 1\tOld\tStyle\nAmmoName 16\tFirst\tSecond\nAmmoName 17\tx\ty").output,
              "");
    EXPECT_EQ(imageOf(a), imageOf(b));
    EXPECT_EQ(ammoNameAt(a, ammoNameRecordOffset(kEditions[0].ammoNameFirstOffset, 1)), "Old");
    EXPECT_EQ(ammoNameAt(a, ammoNameRecordOffset(kEditions[0].ammoNameSecondOffset, 16)), "Second");
    // AmmoType -1 is record 0.
    Game c = makeGame(0);
    ASSERT_EQ(readText(c, heading(69) + "AmmoType -1\tZero\tNull").result, ReadResult::EndOfFile);
    EXPECT_EQ(ammoNameAt(c, ammoNameRecordOffset(kEditions[0].ammoNameSecondOffset, 0)), "Null");
}

TEST(StatsReader, AmmoNameTextsAtTheirLimit) {
    Game g = makeGame(1);
    const std::string longest(19, 'L');
    ASSERT_EQ(readText(g, heading(69) + "AmmoName 16\t" + longest + "\t" + longest).output, "");
    EXPECT_EQ(ammoNameAt(g, ammoNameRecordOffset(kEditions[1].ammoNameSecondOffset, 16)), longest);
    // The first record of the first table follows the second table's last one directly.
    EXPECT_EQ(ammoNameAt(g, ammoNameRecordOffset(kEditions[1].ammoNameFirstOffset, 16)), longest);
    EXPECT_EQ(ammoNameRecordOffset(kEditions[1].ammoNameSecondOffset, 17),
              ammoNameRecordOffset(kEditions[1].ammoNameFirstOffset, 0));
    EXPECT_EQ(imageBytes(g)[static_cast<std::size_t>(ammoNameRecordOffset(kEditions[1].ammoNameFirstOffset, 0))], 0);
}

TEST(StatsReader, EndOfFileInAnAmmoNameEndsOnlyThatText) {
    Game g = makeGame(0);
    const auto second = static_cast<std::size_t>(ammoNameRecordOffset(kEditions[0].ammoNameSecondOffset, 2));
    imageBytes(g)[second] = 'k';
    ASSERT_EQ(readText(g, heading(69) + "AmmoName 2\tOnly").result, ReadResult::EndOfFile);
    EXPECT_EQ(ammoNameAt(g, ammoNameRecordOffset(kEditions[0].ammoNameFirstOffset, 2)), "Only");
    EXPECT_EQ(imageBytes(g)[second], 0);  // the second text met the end as well
}

TEST(StatsReader, SoundAndBurstNamesDropTabsAndQuotes) {
    Game g = makeGame(3);
    const Edition& e = kEditions[3];
    const auto sound = static_cast<std::size_t>(nameRecordOffset(e, kSoundNames, 290));
    for (int j = 0; j < 10; ++j) imageBytes(g)[sound + static_cast<std::size_t>(j)] = static_cast<std::uint8_t>('0' + j);
    const Read r = readText(g, heading(69) + "Sound 290\t\"sh\"\tot\nSound 0\t" + std::string(254, 'w') +
                                   "\r\nBurst 33\t\"" + std::string(14, 'b') + "\"");
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(std::string(imageBytes(g).begin() + static_cast<long>(sound), imageBytes(g).begin() + static_cast<long>(sound) + 10),
              std::string("shot\0" "56789", 10));  // the old tail stays behind the terminator
    EXPECT_EQ(readName(g.image(), e, kSoundNames, 0), std::string(254, 'w'));
    EXPECT_EQ(imageBytes(g)[static_cast<std::size_t>(nameRecordOffset(e, kSoundNames, 0)) + 254], 0);
    // The last line has no line end: the end of the file ends its text and the reading.
    EXPECT_EQ(readName(g.image(), e, kBurstNames, 33), std::string(14, 'b'));
    EXPECT_EQ(imageBytes(g)[static_cast<std::size_t>(nameRecordOffset(e, kBurstNames, 33)) + 14], 0);
}

// MAKE shows a text that fills its record with no ending whole; PATCH takes it back only
// while the record holds exactly that text, and then leaves the record as it is.
TEST(StatsReader, TextsThatFillTheirRecordAreAcceptedUnchanged) {
    Game full = makeGame(0);
    const Edition& e = kEditions[0];
    for (int j = 0; j < 20; ++j) {
        full.mutableImage().setU8(static_cast<std::size_t>(ammoNameRecordOffset(e.ammoNameSecondOffset, 2) + 2 * j), 'Q');
        full.mutableImage().setU8(static_cast<std::size_t>(ammoNameRecordOffset(e.ammoNameSecondOffset, 2) + 2 * j + 1), 0xC3);
    }
    for (int j = 0; j < 255; ++j) full.mutableImage().setU8(static_cast<std::size_t>(nameRecordOffset(e, kSoundNames, 5) + j), 's');
    for (int j = 0; j < 15; ++j) full.mutableImage().setU8(static_cast<std::size_t>(nameRecordOffset(e, kBurstNames, 33) + j), 'z');
    struct Case {
        std::string line;
        std::string message;  // empty: accepted, the image unchanged
    };
    const std::string q(20, 'Q');
    const Case cases[] = {
        {"AmmoName 2\tn\t" + q, ""},
        {"AmmoName 2\tn\t\"" + q + "\"", ""},
        {"AmmoName 2\tn\t" + q.substr(1) + "R", "Error while parsing! (AmmoName 2: text longer than 19 characters)\n"},
        {"AmmoName 2\t" + q + "\tn", "Error while parsing! (AmmoName 2: text longer than 19 characters)\n"},
        {"AmmoName 2\tn\t" + q + "Q", "Error while parsing! (AmmoName 2: text longer than 19 characters)\n"},
        {"AmmoType 1\tn\t" + q, kAmmoTypeWarning},
        {"Sound 5\t" + std::string(255, 's'), ""},
        {"Sound 5\t" + std::string(256, 's'), "Error while parsing! (Sound 5: text longer than 254 characters)\n"},
        {"Sound 6\t" + std::string(255, 's'), "Error while parsing! (Sound 6: text longer than 254 characters)\n"},
        {"Burst 33\t" + std::string(15, 'z'), ""},
        {"Burst 32\t" + std::string(15, 'z'), "Error while parsing! (Burst 32: text longer than 14 characters)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Game g = full;
        std::vector<std::uint8_t> expected = imageOf(g);
        const Read r = readText(g, heading(69) + c.line);
        EXPECT_EQ(r.output, c.message);
        EXPECT_EQ(r.result, c.message.find("Error") == std::string::npos ? ReadResult::EndOfFile : ReadResult::Failed);
        if (r.result == ReadResult::EndOfFile) {
            // The first text "n" of the AmmoName lines is the one change.
            if (c.line.starts_with("Ammo")) {
                const auto first = static_cast<std::size_t>(ammoNameRecordOffset(e.ammoNameFirstOffset, 2));
                expected[first] = 'n';
            }
            EXPECT_EQ(imageOf(g), expected);
        }
    }
}

TEST(StatsReader, ASoundNameCutByTheEndOfTheFileIsStored) {
    Game g = makeGame(0);
    const Read r = readText(g, heading(69) + "Sound 4\tlast");
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(readName(g.image(), kEditions[0], kSoundNames, 4), "last");
}

// ---------------------------------------------------------------------------------------------
// Item rows

struct ItemCase {
    const char* heading;
    int nth;
    std::string value;
    Section section;
    int slot;
    std::vector<std::uint8_t> bytes;
};

TEST(ItemRow, ValuesLandAtTheirBytesWrappedToTheirWidth) {
    const ItemCase cases[] = {
        {"Damage", 0, "300", Section::Weapons, 8, {44}},
        {"Velocity", 0, "  7", Section::Weapons, 7, {7}},  // blanks before the number
        {"Class1", 0, "-1", Section::Weapons, 0, {0xFF}},
        {"Range", 0, "65541", Section::Weapons, 12, {5, 0}},
        {"Fire Sound", 0, "-2", Section::Weapons, 17, {0xFE, 0xFF}},
        {"Reload Sound 2", 0, "4660", Section::Weapons, 20, {0x34, 0x12}},
        {"Price", 0, "65535", Section::AllItems, 12, {0xFF, 0xFF}},
        {"Durability", 0, "-128", Section::AllItems, 14, {0x80}},
        {"Repair", 0, "128", Section::AllItems, 15, {0x80}},
        {"Availability", 0, "256", Section::AllItems, 18, {0}},
        {"Halvek's Stock", 0, "255", Section::Halveks, 0, {0xFF}},
        {"HV's Used Stock", 0, "7", Section::Halveks, 1, {7}},
        {"HV's Fire Rate", 0, "-1", Section::Halveks2, 0, {0xFF, 0xFF}},
        {"Unknown", 0, "513", Section::Weapons, 10, {1}},
    };
    for (int e : {0, 3}) {
        for (const ItemCase& c : cases) {
            SCOPED_TRACE(std::string(c.heading) + " edition " + std::to_string(e));
            Game g = makeGame(e);
            const std::string text = withField(makeText(g), "Item 5\t", fieldOf(c.heading, c.nth), c.value);
            std::vector<std::uint8_t> expected = imageOf(g);
            const SectionRecord& s = sectionRecord(e, c.section);
            const auto at = static_cast<std::size_t>(valueOffset(s, sectionColumn(c.section, c.slot), 5));
            for (std::size_t i = 0; i < c.bytes.size(); ++i) expected[at + i] = c.bytes[i];
            const Read r = readText(g, text);
            EXPECT_EQ(r.result, ReadResult::EndOfFile);
            EXPECT_EQ(r.output, "");
            EXPECT_EQ(imageOf(g), expected);
        }
    }
}

TEST(ItemRow, ValuesOutsideTheItemsSectionsAreIgnored) {
    Game g = makeGame(4);
    std::string text = makeText(g);
    // Item 5 holds no Ammo Clips, Armour or Explosives; item 70 of this edition no Weapons.
    for (const char* h : {"Clip Type", "Armour Durabilty", "Animation"}) text = withField(text, "Item 5\t", fieldOf(h), "9");
    for (const char* h : {"Damage", "HV's Fire Rate", "Silencer?", "Bipod?"}) text = withField(text, "Item 70\t", fieldOf(h), "1");
    const std::vector<std::uint8_t> before = imageOf(g);
    AttachmentGroups groups;
    const Read r = readText(g, groups, text);
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(imageOf(g), before);
    for (const auto& group : groups.pairs) EXPECT_TRUE(group.empty());
}

TEST(ItemRow, TextsGoThroughTheTransformIntoTheFirstByteOfEachUnit) {
    Game g = makeGame(1);
    std::fill(g.descriptions.item.begin(), g.descriptions.item.end(), 0xCC);
    std::fill(g.descriptions.shop.begin(), g.descriptions.shop.end(), 0xCC);
    std::string text = makeText(makeGame(1));
    text = withField(text, "Item 7\t", 1, "Az ~");
    text = withField(text, "Item 7\t", 2, "\"Say \"\"hi\"\"\"");           // quoted, doubled quotes
    text = withField(text, "Item 7\t", 4, "");                             // empty: kept as it is
    text = withField(text, "Item 7\t", 5, "\"\"");                         // empty, quoted
    text = withField(text, "Item 7\t", 3, "line\nfeed \"odd\" \xFF!");    // line feed, lone quotes, 255
    ASSERT_EQ(readText(g, text).output, "");
    const auto unitBytes = [&](const std::vector<std::uint8_t>& buffer, int field, int units) {
        std::string got;
        for (int k = 0; k < units; ++k) got += static_cast<char>(buffer[descUnitOffset(7, kDescFields[field], k)]);
        return got;
    };
    EXPECT_EQ(unitBytes(g.descriptions.item, 0, 5), std::string("B{ \x7F\0", 5));
    EXPECT_EQ(unitBytes(g.descriptions.item, 1, 9), std::string("Tbz #ij#\0", 9));
    EXPECT_EQ(unitBytes(g.descriptions.item, 2, 19), std::string("mjof\ngffe #pee# \0\"\0", 19));
    EXPECT_EQ(unitBytes(g.descriptions.shop, 3, 1), "\xCC");
    EXPECT_EQ(unitBytes(g.descriptions.shop, 4, 1), std::string("\0", 1));
    // The second byte of every unit and every unit after a terminator are kept.
    EXPECT_EQ(g.descriptions.item[descUnitOffset(7, kDescFields[0], 0) + 1], 0xCC);
    EXPECT_EQ(g.descriptions.item[descUnitOffset(7, kDescFields[0], 5)], 0xCC);
    EXPECT_EQ(g.descriptions.shop[descUnitOffset(7, kDescFields[3], 1)], 0xCC);
    // Other items untouched: MAKE wrote their texts empty, which stores a terminator only.
    EXPECT_EQ(g.descriptions.item[descUnitOffset(8, kDescFields[0], 1)], 0xCC);
}

TEST(ItemRow, TextsLongerThanTheirFieldAreCutWithTheTerminatorInside) {
    Game g = makeGame(2);
    std::fill(g.descriptions.item.begin(), g.descriptions.item.end(), 0xCC);
    std::fill(g.descriptions.shop.begin(), g.descriptions.shop.end(), 0xCC);
    std::string text = makeText(makeGame(2));
    for (int f = 0; f < 5; ++f) {
        text = withField(text, "Item 350\t", f + 1, std::string(static_cast<std::size_t>(kDescFields[f].units + 30), 'a' + static_cast<char>(f)));
    }
    text = withField(text, "Item 350\t", fieldOf("Price"), "1234");
    ASSERT_EQ(readText(g, text).output, "");
    for (int f = 0; f < 5; ++f) {
        SCOPED_TRACE(f);
        const DescField& field = kDescFields[f];
        const auto& buffer = field.file == DescFile::Item ? g.descriptions.item : g.descriptions.shop;
        for (int k = 0; k < field.units - 1; ++k) {
            ASSERT_EQ(buffer[descUnitOffset(350, field, k)], 'b' + f) << k;
        }
        EXPECT_EQ(buffer[descUnitOffset(350, field, field.units - 1)], 0);
    }
    // The rest of each text was consumed: the row stayed in step.
    EXPECT_EQ(g.image().u16(static_cast<std::size_t>(
                  valueOffset(sectionRecord(2, Section::AllItems), sectionColumn(Section::AllItems, 12), 350))),
              1234);
}

TEST(ItemRow, ATextFillingItsWholeFieldComesBackUnchanged) {
    Game g = makeGame(2);
    const DescField& field = kDescFields[2];
    std::fill(g.descriptions.item.begin(), g.descriptions.item.end(), 'd');  // no terminator anywhere
    g.descriptions.item[descUnitOffset(10, field, 7)] = 'e';                     // item 10 holds another text
    const std::vector<std::uint8_t> before = g.descriptions.item;
    const std::string full = readDescriptionText(g.descriptions.view(DescFile::Item), 9, field);
    ASSERT_EQ(full.size(), static_cast<std::size_t>(field.units));
    std::string text = makeText(makeGame(2));
    text = withField(text, "Item 9\t", 3, full);
    text = withField(text, "Item 10\t", 3, full);  // the same text where it is not what the field holds
    ASSERT_EQ(readText(g, text).output, "");
    EXPECT_EQ(g.descriptions.item[descUnitOffset(9, field, field.units - 1)], before[descUnitOffset(9, field, 0)]);
    EXPECT_EQ(g.descriptions.item[descUnitOffset(10, field, field.units - 1)], 0);
}

TEST(ItemRow, ShopFieldsWithoutAShopFileAreReadAndDropped) {
    Game g = makeGame(6);
    std::string text = makeText(g);
    text = withField(text, "Item 3\t", 1, "Knife");
    text = withField(text, "Item 3\t", 4, "\"Shop name\"");
    text = withField(text, "Item 3\t", 5, "Shop text");
    text = withField(text, "Item 3\t", fieldOf("Weight"), "77");
    ASSERT_EQ(readText(g, text).output, "");
    EXPECT_EQ(readDescriptionText(g.descriptions.view(DescFile::Item), 3, kDescFields[0]), "Knife");
    EXPECT_TRUE(g.descriptions.shop.empty());
    EXPECT_EQ(g.image().u8(static_cast<std::size_t>(valueOffset(sectionRecord(6, Section::AllItems), sectionColumn(Section::AllItems, 9), 3))), 77);
}

TEST(ItemRow, ItemsWithoutARecordStoreNothingAndStayInStep) {
    for (int item : {351, 100000, -3}) {
        SCOPED_TRACE(item);
        Game g = makeGame(1);
        const Game before = g;
        std::string row = "Item " + std::to_string(item) + "\tfar\taway\tnone\tof\tthese";
        for (int i = 0; i < 64; ++i) row += "\t1";  // no section holds the item; -3 is no weapon either
        AttachmentGroups groups;
        const Read r = readText(g, groups, heading(69) + row + "\nAttach 0\t4\t5");
        EXPECT_EQ(r.result, ReadResult::EndOfFile);
        EXPECT_EQ(r.output, "");
        EXPECT_EQ(g.descriptions.item, before.descriptions.item);
        EXPECT_EQ(g.descriptions.shop, before.descriptions.shop);
        EXPECT_EQ(g.image().u32(static_cast<std::size_t>(kEditions[1].attachOffset)), 4u | (5u << 16));
        for (const auto& group : groups.pairs) EXPECT_TRUE(group.empty());
    }
}

std::string olderRow(int item, const std::vector<std::string>& weapons, const std::vector<std::string>& rest) {
    std::string row = "\nItem " + std::to_string(item) + "\ts\tl\td\tn/a\tn/a";
    for (const auto& v : weapons) row += "\t" + v;
    for (const auto& v : rest) row += "\t" + v;
    return row;
}

TEST(ItemRow, OlderLayoutsCarryFourExtraWeaponsFields) {
    // 25 Weapons fields: the 18th, 20th, 22nd and 24th are the extra ones.
    std::vector<std::string> weapons;
    for (int i = 1; i <= 25; ++i) weapons.push_back(std::to_string(i));
    std::vector<std::string> middle;  // All Items to Halvek's: 34 fields
    for (int i = 0; i < 34; ++i) middle.push_back(i < 19 ? std::to_string(100 + i) : (i < 32 ? "n/a" : "50"));
    for (int tabs : {73, 72}) {
        SCOPED_TRACE(tabs);
        Game g = makeGame(0);
        const SectionRecord& w = sectionRecord(0, Section::Weapons);
        const auto fireRate = static_cast<std::size_t>(valueOffset(sectionRecord(0, Section::Halveks2), sectionColumn(Section::Halveks2, 0), 2));
        g.mutableImage().setU16(fireRate, 0x1234);
        std::vector<std::string> rest = middle;
        if (tabs == 73) rest.push_back("-1");  // HV's Fire Rate
        for (const char* a : {"1", "0", "0", "1", "0", "0", "0", "2"}) rest.push_back(a);
        AttachmentGroups groups;
        const Read r = readText(g, groups, heading(tabs) + olderRow(2, weapons, rest));
        EXPECT_EQ(r.result, ReadResult::EndOfFile);
        const ByteView image = g.image();
        for (int k = 0; k < 17; ++k) {
            const Column& c = sectionColumn(Section::Weapons, k);
            EXPECT_EQ(readColumnValue(image, w, c, 2), k + 1) << c.heading;
        }
        EXPECT_EQ(readColumnValue(image, w, sectionColumn(Section::Weapons, 17), 2), 18);  // Fire Sound
        EXPECT_EQ(readColumnValue(image, w, sectionColumn(Section::Weapons, 18), 2), 20);
        EXPECT_EQ(readColumnValue(image, w, sectionColumn(Section::Weapons, 19), 2), 22);
        EXPECT_EQ(readColumnValue(image, w, sectionColumn(Section::Weapons, 20), 2), 24);
        EXPECT_EQ(readColumnValue(image, sectionRecord(0, Section::AllItems), sectionColumn(Section::AllItems, 18), 2), 118);
        EXPECT_EQ(readColumnValue(image, sectionRecord(0, Section::Halveks), sectionColumn(Section::Halveks, 1), 2), 50);
        EXPECT_EQ(image.u16(fireRate), tabs == 73 ? 0xFFFF : 0x1234);  // the 72-heading file has no such field
        EXPECT_EQ(groups.pairs[0][0], attachmentPair(2, 207));
        EXPECT_EQ(groups.pairs[3][0], attachmentPair(2, 209));
        EXPECT_EQ(groups.pairs[7][0], attachmentPair(2, 310));
        EXPECT_EQ(groups.pairs[1].size(), 0u);
    }
}

TEST(ItemRow, MissingNumbersNameTheColumn) {
    struct Case {
        int item;
        const char* heading;
        std::string value;
        std::string message;
    };
    const Case cases[] = {
        {5, "Damage", "n/a", "Error while parsing! (Item 5, Damage: \"n/a\" is not a whole number)\n"},
        {0, "Class1", "x", "Error while parsing! (Item 0, Class1: \"x\" is not a whole number)\n"},
        {200, "Price", "-", "Error while parsing! (Item 200, Price: \"-\" is not a whole number)\n"},
        {70, "HV's Fire Rate", "n/a",
         "Error while parsing! (Item 70, HV's Fire Rate: \"n/a\" is not a whole number)\n"},
        {70, "Silencer?", "yes", "Error while parsing! (Item 70, Silencer?: \"yes\" is not a whole number)\n"},
        {1, "Barrel Extender?", "n/a",
         "Error while parsing! (Item 1, Barrel Extender?: \"n/a\" is not a whole number)\n"},
        // An empty cell keeps what the game holds (""): the image stays as it is.
        {5, "Damage", "", ""},
        {5, "Class1", "", ""},
        {5, "Unknown", "  ", ""},
        {5, "Clip Type", "", ""},  // an n/a cell
        {70, "Talon?", "", ""},
        {350, "Barrel Extender?", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Game g = makeGame(0);
        const std::string text = withField(makeText(g), "Item " + std::to_string(c.item) + "\t", fieldOf(c.heading), c.value);
        const auto before = imageOf(g);
        const Read r = readText(g, text);
        EXPECT_EQ(r.result, c.message.empty() ? ReadResult::EndOfFile : ReadResult::Failed);
        if (c.message.empty()) {
            EXPECT_TRUE(imageOf(g) == before);
        }
        EXPECT_EQ(r.output, c.message);
    }
}

// In editions 1 to 4 some fields of two items are one byte of the image. A field that writes
// back the byte's old value keeps another field's edit; two new values stop the reading.
TEST(ItemRow, FieldsThatShareAByteKeepEachOthersEdits) {
    struct Field {
        int item;
        const char* heading;
    };
    struct Case {
        int edition;
        Field earlier, later;  // in the order of the file
        const char* earlierValue;
        const char* laterValue;
        int stored;  // -1: the reading fails
    };
    const Field clipType{118, "Clip Type"}, armourStrength{161, "Armour Strength"};
    const Field expType{131, "Exp Type"}, armourDurability{198, "Armour Durabilty"}, strength198{198, "Armour Strength"};
    const Case cases[] = {
        {1, clipType, armourStrength, "40", nullptr, 40},
        {2, clipType, armourStrength, nullptr, "40", 40},
        {3, clipType, armourStrength, "40", "40", 40},
        {1, clipType, armourStrength, "40", "41", -1},
        {1, clipType, armourStrength, "-1", "255", 255},  // the same byte written two ways
        {2, expType, armourDurability, "300", nullptr, 44},
        {3, expType, armourDurability, nullptr, "9", 9},
        {2, expType, armourDurability, "9", "10", -1},
        {4, expType, strength198, "9", nullptr, 9},
        {4, expType, strength198, "9", "10", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.edition) + " " + c.later.heading + " " + (c.laterValue ? c.laterValue : "-"));
        Game g = makeGame(c.edition);
        const auto at = [&](const Field& f) {
            const int slot = fieldOf(f.heading) - fieldOf("Class1");
            const Column& column = kColumns[static_cast<std::size_t>(slot)];
            return static_cast<std::size_t>(valueOffset(sectionRecord(c.edition, column.section), column, f.item));
        };
        ASSERT_EQ(at(c.earlier), at(c.later));
        imageBytes(g)[at(c.earlier)] = 5;
        std::string text = makeText(g);
        const auto edit = [&](const Field& f, const char* value) {
            if (value) text = withField(text, "Item " + std::to_string(f.item) + "\t", fieldOf(f.heading), value);
        };
        edit(c.earlier, c.earlierValue);
        edit(c.later, c.laterValue);
        const Read r = readText(g, text);
        if (c.stored < 0) {
            EXPECT_EQ(r.result, ReadResult::Failed);
            EXPECT_EQ(r.output, "Error while parsing! (Item " + std::to_string(c.later.item) + ", " + c.later.heading +
                                    ": the same byte as Item " + std::to_string(c.earlier.item) + ", " + c.earlier.heading +
                                    ", with another value)\n");
        } else {
            EXPECT_EQ(r.output, "");
            EXPECT_EQ(imageBytes(g)[at(c.earlier)], c.stored);
        }
    }
}

TEST(ValueWrites, AFieldMayChangeItsOwnValueAndListValuesAreNamedByPosition) {
    Game g = makeGame(0);
    ValueWrites writes;
    std::size_t asked = 0;
    ASSERT_TRUE(writes.reserveFor(g.edition(), asked));
    Reading reading;
    FieldRef conflict;
    const FieldRef combine{4, 1, 3};  // Combine2 3, value 2
    const FieldRef other{4, 0, 4};
    const auto at = static_cast<std::size_t>(kEditions[0].combine2Offset);
    EXPECT_TRUE(writes.store(g.mutableImage(), at, ColumnKind::U16, 0x0102, combine, conflict));
    EXPECT_TRUE(writes.store(g.mutableImage(), at, ColumnKind::U16, 0x0304, combine, conflict));  // the same field again
    EXPECT_EQ(g.image().u16(at), 0x0304);
    EXPECT_FALSE(writes.store(g.mutableImage(), at + 1, ColumnKind::U8, 7, other, conflict));
    reading.failure = {ReadError::SameByte, ReadPlace::Field, "Combine2", other, conflict, 0, {}};
    std::ostringstream out;
    printReading(out, reading);
    EXPECT_EQ(out.str(), "Error while parsing! (Combine2 4, value 1: the same byte as Combine2 3, value 2, with another value)\n");
    EXPECT_EQ(g.image().u16(at), 0x0304);
    EXPECT_TRUE(writes.store(g.mutableImage(), at, ColumnKind::U16, 0, other, conflict));  // the old value keeps the edit
    EXPECT_EQ(g.image().u16(at), 0x0304);
    const ByteWrite* b = writes.find(at + 1);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->before, 0);
    EXPECT_TRUE(b->editor == combine);
    EXPECT_TRUE(b->writer == other);
    EXPECT_EQ(fieldLabel(itemField(118, statCellIndex(40))), "Clip Type");
    EXPECT_EQ(writes.find(at + 2), nullptr);
}

TEST(ItemRow, EndOfFileAmongStatValuesIsAnErrorButAmongAttachmentsTheEnd) {
    Game g = makeGame(0);
    const auto before = imageOf(g);
    Read r = readText(g, heading(69) + "Item 9\ts\tl\td\tn/a\tn/a\t5\r\n");  // a row that ends early
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(readColumnValue(g.image(), sectionRecord(0, Section::Weapons), sectionColumn(Section::Weapons, 0), 9), 5);
    std::vector<std::uint8_t> class1Only = before;
    class1Only[static_cast<std::size_t>(
        valueOffset(sectionRecord(0, Section::Weapons), sectionColumn(Section::Weapons, 0), 9))] = 5;
    EXPECT_TRUE(imageOf(g) == class1Only);

    // Cut after the Sniper Scope column: the Silencer and the Sniper Scope still count.
    const std::string row = itemLine(makeText(g), 9);
    ASSERT_TRUE(row.ends_with("\t0\t0\t0\t0\t0\t0\t0\t0"));
    AttachmentGroups groups;
    r = readText(g, groups, heading(69) + row.substr(0, row.size() - 16) + "\t1\t0\t1 \r\n");
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(groups.pairs[0][0], attachmentPair(9, 207));
    EXPECT_EQ(groups.pairs[1].size(), 0u);
    EXPECT_EQ(groups.pairs[2][0], attachmentPair(9, 208));
}

TEST(ItemRow, AnyNonZeroAttachmentValueCountsInRowOrder) {
    Game g = makeGame(1);
    std::string text = makeText(g);
    text = withField(text, "Item 3\t", fieldOf("Silencer?"), "2");
    text = withField(text, "Item 3\t", fieldOf("Bipod?"), "-1");
    text = withField(text, "Item 1\t", fieldOf("Bipod?"), "1");
    text = withField(text, "Item 69\t", fieldOf("Rod & Spring?"), "1");
    text += "\n" + withField(itemLine(makeText(g), 3), "Item 3\t", fieldOf("Silencer?"), "1");  // item 3 twice
    AttachmentGroups groups;
    ASSERT_EQ(readText(g, groups, text).result, ReadResult::EndOfFile);
    EXPECT_EQ(groups.pairs[0][0], attachmentPair(3, 207));
    EXPECT_EQ(groups.pairs[0][1], attachmentPair(3, 207));
    EXPECT_EQ(groups.pairs[0].size(), 2u);
    EXPECT_EQ(groups.pairs[3][0], attachmentPair(1, 209));
    EXPECT_EQ(groups.pairs[3][1], attachmentPair(3, 209));
    EXPECT_EQ(groups.pairs[3].size(), 2u);
    EXPECT_EQ(groups.pairs[6][0], attachmentPair(69, 307));
}

// ---------------------------------------------------------------------------------------------
// Attachment regrouping

struct Rebuilt {
    std::string output;
    std::vector<std::uint32_t> table;
};

// Fills the kinds round-robin with n pairs; weapon numbers tell the pairs apart.
Rebuilt rebuildWith(Game& g, int n) {
    AttachmentGroups groups;
    for (int i = 0; i < n; ++i) addAttachmentPair(groups, i / 8, kAttachmentKinds[static_cast<std::size_t>(i % 8)].item);
    std::ostringstream out;
    printRebuild(out, rebuildWeaponAttachTable(g, groups));
    Rebuilt r{out.str(), {}};
    const Edition& e = g.edition();
    for (std::int32_t at = e.weaponAttachOffset; at < e.attachOffset; at += 4) r.table.push_back(g.image().u32(static_cast<std::size_t>(at)));
    return r;
}

// The pairs in the order the rebuild writes them: by kind, then by arrival.
std::vector<std::uint32_t> walkOrder(int n) {
    std::vector<std::uint32_t> pairs;
    for (int k = 0; k < 8; ++k) {
        for (int i = k; i < n; i += 8) pairs.push_back(attachmentPair(i / 8, kAttachmentKinds[static_cast<std::size_t>(k)].item));
    }
    return pairs;
}

TEST(AttachmentRegrouping, CapacityBoundaries) {
    for (int e : {0, 1}) {
        const int cap = weaponAttachCapacity(kEditions[e]);
        for (int n : {cap - 1, cap, cap + 3}) {
            SCOPED_TRACE("edition " + std::to_string(e) + " pairs " + std::to_string(n));
            Game g = makeGame(e);
            std::fill(imageBytes(g).begin() + kEditions[e].weaponAttachOffset, imageBytes(g).begin() + kEditions[e].listEnd, 0xEE);
            const std::vector<std::uint8_t> before = imageOf(g);
            const Rebuilt r = rebuildWith(g, n);
            const std::string sorting = "\nSorting weapon attachments...";
            if (n > cap) {
                EXPECT_EQ(r.output, sorting + "\n\nWARNING:  You have 3 too many weapon attachments.\nThe maximum limit is " +
                                        std::to_string(cap) + ".  The extra attachments have been ignored.\n");
            } else {
                EXPECT_EQ(r.output, sorting + "\n" + std::to_string(n) + " of " + std::to_string(cap) + " attachments added...");
            }
            std::vector<std::uint32_t> expected = walkOrder(n);
            expected.resize(static_cast<std::size_t>(cap), expected[static_cast<std::size_t>(std::min(n, cap) - 1)]);
            EXPECT_EQ(r.table, expected);
            // Nothing outside the table changed.
            for (std::int32_t at = kEditions[e].attachOffset; at < kEditions[e].listEnd; ++at) {
                ASSERT_EQ(imageBytes(g)[static_cast<std::size_t>(at)], 0xEE);
            }
            EXPECT_EQ(std::vector<std::uint8_t>(imageBytes(g).begin(), imageBytes(g).begin() + kEditions[e].weaponAttachOffset),
                      std::vector<std::uint8_t>(before.begin(), before.begin() + kEditions[e].weaponAttachOffset));
        }
    }
}

TEST(AttachmentRegrouping, NoPairAtAllEmptiesTheTable) {
    Game g = makeGame(5);
    std::fill(imageBytes(g).begin() + kEditions[5].weaponAttachOffset, imageBytes(g).begin() + kEditions[5].attachOffset, 0x11);
    const Rebuilt r = rebuildWith(g, 0);
    EXPECT_EQ(r.output, "\nSorting weapon attachments...\n0 of 227 attachments added...");
    EXPECT_EQ(r.table, std::vector<std::uint32_t>(227, 0));
}

// The table's pairs of the columns the file does not state are kept once each, after the
// file's pairs of their kind; pairs of stated columns and pairs no column expresses go.
TEST(AttachmentRegrouping, UnstatedColumnsKeepTheTablesPairs) {
    Game g = makeGame(0);
    const Edition& e = kEditions[0];
    const std::uint32_t table[] = {
        attachmentPair(5, 209), attachmentPair(2, 207), attachmentPair(5, 209),  // a pair twice
        attachmentPair(3, 207),                                                  // stated below: goes
        attachmentPair(9, 206), attachmentPair(71, 207),                          // no column for these
        0,                      attachmentPair(5, 241), attachmentPair(2, 207),  // a zero record, a filler copy
    };
    for (std::size_t r = 0; r < std::size(table); ++r) {
        storeWeaponAttachRecord(g.mutableImage(), e, static_cast<std::int32_t>(r), table[r]);
    }
    AttachmentGroups groups;
    markStated(groups, 3, 0);  // weapon 3's Silencer column: 0
    markStated(groups, 4, 0);  // weapon 4's: 1
    addAttachmentPair(groups, 4, 207);
    markStated(groups, 5, 1);  // weapon 5's Laser Scope column: 0
    std::ostringstream out;
    printRebuild(out, rebuildWeaponAttachTable(g, groups));
    EXPECT_EQ(out.str(), "\nSorting weapon attachments...\n3 of 227 attachments added...");
    std::vector<std::uint32_t> expected = {attachmentPair(4, 207), attachmentPair(2, 207), attachmentPair(5, 209)};
    expected.resize(227, attachmentPair(5, 209));
    std::vector<std::uint32_t> got;
    for (std::int32_t r = 0; r < 227; ++r) got.push_back(readWeaponAttachRecord(g.image(), e, r));
    EXPECT_EQ(got, expected);
}

TEST(AttachmentRegrouping, FullGroupCountsFurtherPairsWithoutStoringThem) {
    Game g = makeGame(2);
    AttachmentGroups groups;
    for (std::size_t i = 0; i < kGroupSize + 2; ++i) addAttachmentPair(groups, static_cast<std::int32_t>(i % 70), 241);
    addAttachmentPair(groups, 5, 207 + 65536);  // compared as a 16-bit item: the Silencer
    addAttachmentPair(groups, 5, 206);          // no kind of ours: nothing
    EXPECT_EQ(groups.pairs[1][kGroupSize - 1], attachmentPair((kGroupSize - 1) % 70, 241));
    EXPECT_EQ(groups.overflow[1], 2);
    EXPECT_EQ(groups.pairs[0][0], attachmentPair(5, 207));
    EXPECT_EQ(groups.pairs[0].size(), 1u);
    std::ostringstream out;
    printRebuild(out, rebuildWeaponAttachTable(g, groups));
    EXPECT_EQ(out.str(), "\nSorting weapon attachments...\n\nWARNING:  You have " + std::to_string(kGroupSize + 3 - 182) +
                             " too many weapon attachments.\nThe maximum limit is 182.  The extra attachments have been ignored.\n");
    // The Silencer comes first, then the Laser Scopes up to the capacity.
    EXPECT_EQ(g.image().u32(static_cast<std::size_t>(kEditions[2].weaponAttachOffset)), attachmentPair(5, 207));
    EXPECT_EQ(g.image().u32(static_cast<std::size_t>(kEditions[2].weaponAttachOffset + 4)), attachmentPair(0, 241));
    EXPECT_EQ(g.image().u32(static_cast<std::size_t>(kEditions[2].attachOffset)), 0u);
}

}  // namespace
}  // namespace vantedit
