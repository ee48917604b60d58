// Reading a stats file's lines on a hand-made game: the heading check, the keyword loop, the
// list lines and the AmmoName, AmmoType, Sound and Burst lines, each byte where it lands.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "app/messages.h"
#include "model/descriptions.h"
#include "model/list_tables.h"
#include "patch/stats_reader.h"
#include "test_support.h"

namespace vantedit {
namespace {

const std::string kAmmoTypeWarning = "\nWARNING:  Old 'AmmoType' format detected (Converting...)\n";

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
        {72, ReadResult::EndOfFile, "\nWARNING:  Older version datafile detected!  (72 Headings) (Converting...)\n"},
        {73, ReadResult::EndOfFile, "\nWARNING:  Older version datafile detected!  (73 Headings) (Converting...)\n"},
        {70, ReadResult::Failed, "Error while parsing!  (70 Headings)\n" + error},
        {68, ReadResult::Failed, "Error while parsing!  (68 Headings)\n" + error},
        {0, ReadResult::Failed, "Error while parsing!  (0 Headings)\n" + error},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tabs);
        Game g = zeroGame(0);
        const Read r = readStats(g, headingLine(c.tabs));
        EXPECT_EQ(r.result, c.result);
        EXPECT_EQ(r.output, c.output);
    }
}

// What the first line shows of why it is no heading is said after the message.
TEST(StatsReader, HeadingFailuresSayWhatTheFirstLineShows) {
    const std::string error =
        "Error while parsing!  (0 Headings)\nIf you are using a textfile from an older version, you\n"
        "use MAKE to create a new textfile.  See documentation.\n";
    const std::pair<std::string, std::string> cases[] = {
        {"Offset" + std::string(70, ',') + "\n",
         error + "The file is separated by commas, not tabs: save it as tab-delimited text.\n"},
        {"Offset" + std::string(74, ';') + "\n",
         error + "The file is separated by semicolons, not tabs: save it as tab-delimited text.\n"},
        {"Offset" + std::string(68, ',') + "\n", error},
        {"Offset Short Name Long Name\n",
         error + "The first line holds blanks where tabs belong: save the file with tabs.\n"},
        {"Itme 8\t1\n",
         "Error while parsing! (line 1: Itme)\n"
         "The first line is no heading and no line of the file: check its first word.\n"},
    };
    for (const auto& [text, message] : cases) {
        Game g = zeroGame(0);
        EXPECT_EQ(readStats(g, text).output, message) << text;
    }
}

TEST(StatsReader, HeadingLineMustEndWithALineFeed) {
    for (const std::string text : {"", "Offset", "Offset\tShort Name"}) {
        Game g = zeroGame(1);
        const Read r = readStats(g, text);
        EXPECT_EQ(r.result, ReadResult::Failed);
        EXPECT_EQ(r.output, "Error while parsing headings!\n");
    }
    Game g = zeroGame(1);
    std::string crlf = headingLine(69);
    crlf.insert(crlf.size() - 1, "\r");
    EXPECT_EQ(readStats(g, crlf).result, ReadResult::EndOfFile);
    crlf.pop_back();  // a carriage return alone ends it too
    EXPECT_EQ(readStats(g, crlf).result, ReadResult::EndOfFile);
}

// A UTF-16 file is read as its UTF-8 form would be, with or without its byte order mark.
TEST(StatsReader, Utf16FilesAreReadAsTheirText) {
    std::string wide;
    for (char c : headingLine(69)) wide += std::string(1, c) + '\0';
    const std::string noMark = "\nWARNING:  No byte order mark, but the file is UTF-16: read as UTF-16.";
    for (const auto& [text, output] : {std::pair{"\xFF\xFE" + wide, std::string()},
                                       {std::string("\xFE\xFF\0", 3) + wide.substr(0, wide.size() - 1), std::string()},
                                       {wide, noMark},
                                       {std::string("O\0", 2), noMark + "\nError while parsing headings!\n"}}) {
        Game g = zeroGame(2);
        std::ostringstream out;
        printReading(out, applyStatsFile(g, text, noFaults()));
        EXPECT_EQ(out.str(), output);
    }
    Game g = zeroGame(2);  // the pair only counts at the start
    EXPECT_EQ(readStats(g, "\xFE" + headingLine(69)).result, ReadResult::EndOfFile);
    EXPECT_EQ(readStats(g, "O\xFF\xFE" + headingLine(69).substr(1)).result, ReadResult::EndOfFile);
    EXPECT_EQ(readStats(g, headingLine(69).insert(40, 1, '\0')).result, ReadResult::Failed);
}

TEST(StatsReader, KeywordIsComparedUpToItsFirstZero) {
    Game g = zeroGame(0);
    // Beyond the first 4 KiB, where a byte 0 does not make the file binary.
    const Read r = readStats(g, headingLine(69) + std::string(4096, '\n') + "aTTach" + '\0' + "xy 3\t10\t20");
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(g.image().u16(static_cast<std::size_t>(kEditions[0].attachOffset + 12)), 10);
}

// A file shared as just its rows has no heading line: a first line that opens with a keyword,
// a blank and a number is a row, though it has 69 tabs as a heading line has.
TEST(StatsReader, AFirstLineThatIsARowIsNoHeading) {
    for (const std::string lineEnd : {"", "\r\n"}) {
        Game g = zeroGame(0);
        const std::string text =
            withField(withField(statsText(g), "Item 0", fieldOf("Damage"), "99"), "Item 1", fieldOf("Damage"), "98");
        const Read r = readStats(g, itemLine(text, 0) + lineEnd + (lineEnd.empty() ? "" : itemLine(text, 1)));
        EXPECT_EQ(r.result, ReadResult::EndOfFile);
        EXPECT_EQ(r.output, "");
        const Column& damage = sectionColumn(Section::Weapons, 8);
        EXPECT_EQ(readColumnValue(g.image(), sectionRecord(0, Section::Weapons), damage, 0), 99);
        EXPECT_EQ(readColumnValue(g.image(), sectionRecord(0, Section::Weapons), damage, 1), lineEnd.empty() ? 0 : 98);
    }
    Game g = zeroGame(0);
    EXPECT_EQ(readStats(g, "Items 0\t" + std::string(68, '\t') + "\n").output,
              "Error while parsing! (line 1: Items)\n"
              "The first line is no heading and no line of the file: check its first word.\n");
    EXPECT_EQ(readStats(g, "Attach x\n").output,
              "Error while parsing!  (0 Headings)\nIf you are using a textfile "
              "from an older version, you\nuse MAKE to create a new textfile.  "
              "See documentation.\n");
}

// ---------------------------------------------------------------------------------------------
// Lines and cells: each kind of cell as typed, and the line after it read as a line of its own

enum class Target { ShortName, Damage, ListValue, AmmoName, Sound, None };

// What the field holds after the reading; every field starts as "old" or 9.
std::string readBack(const Game& g, Target t) {
    const int damage = fieldOf("Damage") - 1;
    switch (t) {
        case Target::ShortName: return readDescriptionText(g.descriptions.view(DescFile::Item), 7, kDescFields[0]);
        case Target::Damage: return std::to_string(readField(g, itemField(7, static_cast<std::size_t>(damage))).number);
        case Target::ListValue: return std::to_string(readField(g, {4, 1, 0}).number);  // Combine2 0, value 2
        case Target::AmmoName: return readField(g, {kAmmoNameLine, 1, 3}).text;       // second text
        case Target::Sound: return readField(g, {9, 0, 5}).text;
        case Target::None: break;
    }
    return {};
}

TEST(StatsReader, CellsOfEveryKindReadAsTheWriterWritesThem) {
    const std::string h = headingLine(69);
    const std::string damage = "Item 7" + std::string(static_cast<std::size_t>(fieldOf("Damage")), '\t');
    const std::string next = "\nAttach 0\t4\t5";  // read as a line of its own, whatever came before
    const std::string firstLine = "The first line is no heading and no line of the file: check its first word.\n";
    // The same lines with other separators and line ends, as other saves write them.
    const auto with = [&](char separator, const std::string& lineEnd) {
        std::string heading = h;
        std::replace(heading.begin(), heading.end(), '\t', separator);
        return heading.substr(0, heading.size() - 1) + lineEnd;
    };
    const std::string commas = "\nWARNING:  The file is separated by commas: read as such.";
    const std::string commaCause = "The file is separated by commas, not tabs: save it as tab-delimited text.\n";
    struct Case {
        std::string text;
        Target target;
        std::string read;
        std::string output = {};
    };
    const Case cases[] = {
        // Item texts: a line break is text unless a line opens after it.
        {h + "Item 7\tKnife" + next, Target::ShortName, "Knife"},
        {h + "Item 7\t\"Knife\"" + next, Target::ShortName, "Knife"},
        {h + "Item 7\t\"Say \"\"hi\"\"\"\tLong" + next, Target::ShortName, "Say \"hi\""},
        {h + "Item 7\t\"a\tb\"\tLong" + next, Target::ShortName, "a\tb"},
        {h + "Item 7\t\"a\r\r\nfoo 5\"\tLong" + next, Target::ShortName, "a\r\nfoo 5"},  // a quoted line break
        {h + "Item 7\t\"Knife\tLong" + next, Target::ShortName, "\"Knife"},                // never closed
        {h + "Item 7\ttwo" + next, Target::ShortName, "two"},
        {h + "Item 7\ttwo\r\nlines\tLong" + next, Target::ShortName, "two\nlines"},
        {h + "Item 7\ttwo\nfoo 5" + next, Target::ShortName, "two", "Error while parsing! (line 3: foo)\n"},
        {h + "Item 7" + next, Target::ShortName, "old"},  // a keyword and number alone set nothing
        {h + "Item 7 \r\n" + next, Target::ShortName, "old"},
        {h + "\"Item 7\"\t\"Knife\"\n\"Attach 0\"\t\"4\"\t\"5\"", Target::ShortName, "Knife"},  // every cell quoted
        // Item numbers: a line break ends the row.
        {h + damage + "60" + next, Target::Damage, "60"},
        {h + damage + "\" 60\" \t1" + next, Target::Damage, "60"},
        {h + damage + "+60\r\n7\t8" + next, Target::Damage, "60"},
        {h + damage + next, Target::Damage, "9"},
        {h + damage + "60.0", Target::Damage, "9",
         "Error while parsing! (line 2: Item 7, Damage: \"60.0\" is not a whole number)\n"
         "A decimal number: the game keeps whole numbers.\n"},
        {h + damage + "\"6\t0\"", Target::Damage, "9",
         "Error while parsing! (line 2: Item 7, Damage: \"\"6\" is not a whole number)\n"},
        {h + damage + "4294967296", Target::Damage, "9",
         "Error while parsing! (line 2: Item 7, Damage: \"4294967296\" is too large)\n"},
        // List values: any white space separates them, line breaks included.
        {h + "Combine2 0\t1\t7\t3\t4" + next, Target::ListValue, "7"},
        {h + "\"Combine2 0\"\t\"1\"\t\"7\"\t3\t4" + next, Target::ListValue, "7"},
        {h + "Combine2 0 1\r\n 7\n3 4" + next, Target::ListValue, "7"},
        {h + "Combine2 0\t1\t7" + next, Target::ListValue, "9",
         "Error while parsing! (line 2: Combine2 0: number expected)\n"},
        {h + "Combine2 0" + next, Target::ListValue, "9",
         "Error while parsing! (line 2: Combine2 0: number expected)\n"},
        // AmmoName texts: a quote that opens nothing goes, and the character after it is taken.
        {h + "AmmoName 3\tx\tBall" + next, Target::AmmoName, "Ball"},
        {h + "AmmoName 3\tx\t\"9mm \"\"X\"\"\"" + next, Target::AmmoName, "9mm \"X\""},
        {h + "AmmoName 3\tx\t\"a\tb\"" + next, Target::AmmoName, "a\tb"},
        {h + "AmmoName 3\tx\t\"Ba\"ll" + next, Target::AmmoName, "Ball"},
        {h + "AmmoName 3\tx\ta\"\"b\nc" + next, Target::AmmoName, "a\"b", "Error while parsing! (line 3: c)\n"},
        {h + "AmmoName 3\tx" + next, Target::AmmoName, ""},  // a line that ends early empties its texts
        {h + "AmmoName 3" + next, Target::AmmoName, ""},
        // Sound and burst names: tabs and quotes go; a quoted name drops the rest of its line.
        {h + "Sound 5\tshot.wav" + next, Target::Sound, "shot.wav"},
        {h + "Sound 5\t\"a\tb\"\tdropped" + next, Target::Sound, "a\tb"},
        {h + "Sound 5\tsh\"ot\t.wav\n123" + next, Target::Sound, "shot.wav"},
        {h + "Sound 5\t\"two\r\nlines\"" + next, Target::Sound, "two\nlines"},
        {h + "Sound 5" + next, Target::Sound, ""},
        // The first line: a heading, or a row when its first cell ends in a number.
        {" Item 7\tKnife" + next, Target::ShortName, "Knife"},
        {"Item  7\tKnife" + next, Target::ShortName, "Knife"},
        {"Itme 7\tKnife" + next, Target::None, "", "Error while parsing! (line 1: Itme)\n" + firstLine},
        {"Item7\tKnife x" + next, Target::None, "", "Error while parsing! (line 1: Item7\\tKnife)\n" + firstLine},
        {"\"Itme 7\"" + next, Target::None, "", "Error while parsing! (line 1: Itme)\n" + firstLine},
        // A heading line of commas or semicolons: the file is separated so, quoted as spreadsheets quote.
        {with(',', "\n") + "Item 7,\"a,\"\"b\"\";\",Long\nAttach 0,4,5", Target::ShortName, "a,\"b\";", commas},
        {with(';', "\r\n") + "Sound 5;\"a;b\";dropped\r\nAttach 0;4;5", Target::Sound, "a;b",
         "\nWARNING:  The file is separated by semicolons: read as such."},
        {with(',', "\n") + "Combine2 0,1,7,3,4,,,\nAttach 0,4,5", Target::ListValue, "7", commas},
        {"Item 7,Knife,Long\n" + next, Target::ShortName, "old",
         "Error while parsing! (line 1: Item 7: a comma where a tab belongs)\n" + commaCause},
        {"AmmoType 2;x;y\n" + next, Target::AmmoName, "old",
         "Error while parsing! (line 1: AmmoType 2: a semicolon where a tab belongs)\n"
         "The file is separated by semicolons, not tabs: save it as tab-delimited text.\n"},
        // Lines that end in a carriage return alone, as a Mac saves them: read as CR LF, lines counted so.
        {with('\t', "\r") + "Item 7\t\"a\rb\"\tLong\rAttach 0\t4\t5", Target::ShortName, "a\rb"},
        {with('\t', "\r") + "Item 7\t\"a\r\r\nb\"\tLong\rAttach 0\t4\t5", Target::ShortName, "a\r\nb"},
        {with('\t', "\r") + "Item 7\ttwo\rfoo 5\rAttach 0\t4\t5", Target::ShortName, "two",
         "Error while parsing! (line 3: foo)\n"},
        {with(',', "\r") + "Item 7,\"a\rfoo 5,\"\rAttach 0,4,5", Target::ShortName, "a\rfoo 5,", commas},
        // Files that are no stats file, and messages in their place.
        {"MZ\x90" + h, Target::None, "",
         "Error while parsing headings!\nThis is no stats file: it holds binary data.\n"},
        {h.substr(0, 40) + '\0' + h.substr(40), Target::None, "",
         "Error while parsing headings!\nThis is no stats file: it holds binary data.\n"},
        {h + damage + "300\nBogus 1", Target::Damage, "44",
         "\nWARNING:  line 2: Item 7, Damage: 300 does not fit (stored as 44)\nError while parsing! (line 3: Bogus)\n"},
        {h + "\nItem 351\nBogus 1", Target::None, "",
         "\nWARNING:  line 3: Item 351: no such item, row skipped\nError while parsing! (line 4: Bogus)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.starts_with(h) ? c.text.substr(h.size()) : c.text);
        Game g = zeroGame(0);
        const Edition& e = g.edition();
        storeDescriptionText(g.descriptions.mutableView(DescFile::Item), 7, kDescFields[0], "old");
        imageBytes(g)[static_cast<std::size_t>(fieldBytes(e, itemField(7, fieldOf("Damage") - 1)).begin)] = 9;
        imageBytes(g)[static_cast<std::size_t>(listValueOffset(e, kNumericLists[3], 0, 1))] = 9;
        storeAmmoNameText(g.mutableImage(), e, AmmoNameText::Second, 3, "old");
        storeName(g.mutableImage(), e, kSoundNames, 5, "old");
        const Read r = readStats(g, c.text);
        EXPECT_EQ(r.output, c.output);
        if (c.target != Target::None) {
            EXPECT_EQ(readBack(g, c.target), c.read);
        }
        if (c.output.empty()) {
            EXPECT_EQ(readField(g, {1, 0, 0}).number, 4);  // the next line, Attach 0
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Keyword loop and list lines

TEST(StatsReader, ListLineValuesLandAtTheirWords) {
    for (int e : {0, 4}) {
        const Edition& ed = kEditions[e];
        for (const NumericList& list : kNumericLists) {
            SCOPED_TRACE(std::string(list.keyword) + " edition " + std::to_string(e));
            Game g = zeroGame(e);
            std::vector<std::uint8_t> expected = imageOf(g);
            const std::int32_t last = listRecordCount(ed, list) - 1;
            // Keyword in another case, values spread over blanks and line ends, out of width.
            std::string line = "\n";
            for (char c : list.keyword)
                line += std::isalpha(static_cast<unsigned char>(c)) ? static_cast<char>(c ^ 0x20) : c;
            line += " " + std::to_string(last);
            const std::int32_t values[] = {65536 + 7, -1, 300, 65541};
            const std::int32_t shown[] = {7, 65535, 300, 5};
            std::string told;  // numbers beyond 16 bits without sign
            for (int v = 0; v < listValueCount(list); ++v) {
                line += (v == 1 ? " \r\n " : "\t") + std::to_string(values[v]);
                if (values[v] != shown[v]) {
                    told += "\nWARNING:  line " + std::to_string(v == 0 ? 3 : 4) + ": " + std::string(list.keyword) +
                            " " + std::to_string(last) + ", value " + std::to_string(v + 1) + ": " +
                            std::to_string(values[v]) + " does not fit (stored as " + std::to_string(shown[v]) + ")";
                }
                const auto at = static_cast<std::size_t>(listValueOffset(ed, list, last, v));
                expected[at] = static_cast<std::uint8_t>(values[v]);
                expected[at + 1] = static_cast<std::uint8_t>(values[v] >> 8);
            }
            const Read r = readStats(g, headingLine(69) + line);
            EXPECT_EQ(r.result, ReadResult::EndOfFile);
            EXPECT_EQ(r.output, told);
            EXPECT_EQ(imageOf(g), expected);
        }
    }
}

TEST(StatsReader, AttachLineThreeWritesTwelveBytesIn) {
    Game g = zeroGame(0);
    ASSERT_EQ(readStats(g, headingLine(69) + "aTTach 3\t10\t20").result, ReadResult::EndOfFile);
    const ByteView image = g.image();
    EXPECT_EQ(image.u16(static_cast<std::size_t>(kEditions[0].attachOffset + 12)), 10);
    EXPECT_EQ(image.u16(static_cast<std::size_t>(kEditions[0].attachOffset + 14)), 20);
}

TEST(StatsReader, StrayTextWithoutLettersIsPassedOver) {
    Game g = zeroGame(1);
    const Read r = readStats(g, headingLine(69) + "\n\n\t123 \"--\"\r\n  Exclude 0\t1\t2\n999\n");
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(g.image().u16(static_cast<std::size_t>(kEditions[1].excludeOffset)), 1);
}

TEST(StatsReader, LaterLinesOverwriteEarlierOnes) {
    Game g = zeroGame(2);
    ASSERT_EQ(readStats(g, headingLine(69) + "Attach 1\t5\t6\nAttach 1\t7\t8").result, ReadResult::EndOfFile);
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
        {0, "Items 3\t1", "Error while parsing! (line 2: Items)\n"},
        {0, "Item\t5\tShort\tLong more",
         "Error while parsing! (line 2: Item\\t5\\tShort\\tLong)\n"},  // escaped, on one line
        {0, "Bo\x01gus\r\x1B\x7F\xFF 1", "Error while parsing! (line 2: Bo\\x01gus\\r\\x1B\x7F\xFF)\n"},
        {0, std::string(4096, '\n') + std::string("Bogus\0\n\t 1", 10),
         "Error while parsing! (line 4098: Bogus)\n"},  // up to its 0
        {0, "Attach 0\t1\t2\nx9 0", "Error while parsing! (line 3: x9)\n"},
        {0, "Attach 29\t1\t2", "Error while parsing! (line 2: Attach 29: no such record)\n"},
        {1, "Attach 28\t1\t2", "Error while parsing! (line 2: Attach 28: no such record)\n"},
        {0, "AmmoAttach -1\t1\t2", "Error while parsing! (line 2: AmmoAttach -1: no such record)\n"},
        {4, "Combine2 52\t1\t2\t3\t4", "Error while parsing! (line 2: Combine2 52: no such record)\n"},
        {0, "Combine3 6\t1\t2\t3\t4", "Error while parsing! (line 2: Combine3 6: no such record)\n"},
        {5, "Exclude 28\t1\t2", "Error while parsing! (line 2: Exclude 28: no such record)\n"},
        {4, "ConvertWeapon 20\t1\t2", "Error while parsing! (line 2: ConvertWeapon 20: no such record)\n"},
        {0, "ConvertAmmo 4294967303\t1\t2", "Error while parsing! (line 2: ConvertAmmo 7: no such record)\n"},
        {0, "ConvertAmmo 7\t1\t2", "Error while parsing! (line 2: ConvertAmmo 7: no such record)\n"},
        {0, "AmmoName 20\tx\ty", "Error while parsing! (line 2: AmmoName 20: no such record)\n"},
        {1, "AmmoName 17\tx\ty", "Error while parsing! (line 2: AmmoName 17: no such record)\n"},
        {0, "AmmoType 19\tx\ty", kAmmoTypeWarning + "Error while parsing! (line 2: AmmoType 19: no such record)\n"},
        {0, "AmmoType -2\tx\ty", kAmmoTypeWarning + "Error while parsing! (line 2: AmmoType -2: no such record)\n"},
        {0, "Sound 291\tx", "Error while parsing! (line 2: Sound 291: no such record)\n"},
        {0, "Sound -1\tx", "Error while parsing! (line 2: Sound -1: no such record)\n"},
        {0, "Burst 34\tx", "Error while parsing! (line 2: Burst 34: no such record)\n"},
        {0, "Attach n/a\t1\t2", "Error while parsing! (line 2: Attach: number expected)\n"},
        {0, "Combine2 3\t1\t2\tn/a\t4", "Error while parsing! (line 2: Combine2 3: number expected)\n"},
        {0, "Exclude 3\t1", "Error while parsing! (line 2: Exclude 3: number expected)\n"},
        {0, "Attach ", "Error while parsing! (line 2: Attach: number expected)\n"},
        {0, "AmmoName x\ty", "Error while parsing! (line 2: AmmoName: number expected)\n"},
        {0, "Sound \r\n", "Error while parsing! (line 2: Sound: number expected)\n"},
        {0, "Burst b", "Error while parsing! (line 2: Burst: number expected)\n"},
        {0, "Item n/a", "Error while parsing! (line 2: Item: number expected)\n"},
        {0, "AmmoName 3\t" + tooLongName + "\tok",
         "Error while parsing! (line 2: AmmoName 3: text longer than 19 characters)\n"},
        {0, "AmmoName 3\tok\t\"" + tooLongName + "\"",
         "Error while parsing! (line 2: AmmoName 3: text longer than 19 characters)\n"},
        {0, "AmmoType 2\tok\t" + tooLongName,
         kAmmoTypeWarning + "Error while parsing! (line 2: AmmoType 2: text longer than 19 characters)\n"},
        {0, "Sound 290\t" + std::string(255, 's'),
         "Error while parsing! (line 2: Sound 290: text longer than 254 characters)\n"},
        {0, "Burst 33\t" + std::string(15, 'b') + "\n",
         "Error while parsing! (line 2: Burst 33: text longer than 14 characters)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        Game g = zeroGame(c.edition);
        const std::vector<std::uint8_t> before = imageOf(g);
        const Read r = readStats(g, headingLine(69) + c.lines);
        EXPECT_EQ(r.result, ReadResult::Failed);
        EXPECT_EQ(r.output, c.message);
        if (c.lines.starts_with("Attach 0")) continue;  // its first line was good
        EXPECT_EQ(imageOf(g), before);
    }
}

// A failure knows the line, counted at line feeds, where its line or its cell starts.
TEST(StatsReader, FailuresKnowTheLineWhereTheyStart) {
    const std::pair<std::string, std::int64_t> cases[] = {
        {"\t\n", 1},
        {headingLine(69) + "Attach 0\t1\t2\r\n\r\n  Bogus 1", 4},
        {headingLine(69) + "Sound 1\t\"two\r\nlines\"\nAttach 0\t1\n\tx", 4},
        {withField(withField(statsText(zeroGame(0)), "Item 3", fieldOf("Damage"), "60.0"), "Item 3", 2, "\"a\nb\""), 6},
    };
    for (const auto& [text, line] : cases) {
        SCOPED_TRACE(line);
        Game g = zeroGame(0);
        Reading reading;
        AttachmentGroups groups;
        ASSERT_TRUE(reserveReading(noFaults(), g.edition(), reading, groups));
        readStatsText(text, g, groups, reading);
        EXPECT_FALSE(reading.ok());
        EXPECT_EQ(reading.failure.line, line);
    }
}

TEST(StatsReader, TokenEndsAfter255Characters) {
    Game g = zeroGame(0);
    const std::string letters(300, 'q');
    const Read r = readStats(g, headingLine(69) + letters + " 1");
    EXPECT_EQ(r.result, ReadResult::Failed);
    EXPECT_EQ(r.output, "Error while parsing! (line 2: " + std::string(255, 'q') + ")\n");
}

// A last line whose keyword is cut by the end of the file (or followed by a tab, so that it
// runs on to the end) is refused rather than dropped without a word.
TEST(StatsReader, EndOfFileInsideATokenIsAnError) {
    struct Case {
        std::string tail;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"Soun", "Error while parsing! (line 3: Soun)\n"},
        {"Item\t5\tName", "Error while parsing! (line 3: Item\\t5\\tName)\n"},
        {"Burst", "Error while parsing! (line 3: Burst: number expected)\n"},
    };
    for (const Case& c : cases) {
        Game g = zeroGame(0);
        const Read r = readStats(g, headingLine(69) + "Attach 0\t1\t2\n" + c.tail);
        EXPECT_EQ(r.result, ReadResult::Failed) << c.tail;
        EXPECT_EQ(r.output, c.message);
    }
    Game g = zeroGame(0);
    EXPECT_EQ(readStats(g, headingLine(69) + "Attach 0\t1\t2\r\n\t\r\n").result, ReadResult::EndOfFile);
}

// ---------------------------------------------------------------------------------------------
// AmmoName, AmmoType, Sound and Burst lines

TEST(StatsReader, AmmoNameTextsGoToTheLowBytesOfTheirRecords) {
    Game g = zeroGame(0);
    const Edition& e = kEditions[0];
    const auto second0 = static_cast<std::size_t>(ammoNameRecordOffset(e.ammoNameSecondOffset, 0));
    const auto first0 = static_cast<std::size_t>(ammoNameRecordOffset(e.ammoNameFirstOffset, 0));
    std::fill(imageBytes(g).begin() + static_cast<long>(second0),
              imageBytes(g).begin() + static_cast<long>(second0) + 40, 0xAA);
    std::fill(imageBytes(g).begin() + static_cast<long>(first0), imageBytes(g).begin() + static_cast<long>(first0) + 40,
              0xBB);
    // Quoted as a spreadsheet saves it: the quotes go, a doubled one stands for one.
    ASSERT_EQ(readStats(g, headingLine(69) + "AmmoName 0\t\"9mm \"\"X\"\"\"\tBall\r\n").result, ReadResult::EndOfFile);
    EXPECT_EQ(ammoTextAt(g.image(), static_cast<std::int64_t>(first0)), "9mm \"X\"");
    EXPECT_EQ(ammoTextAt(g.image(), static_cast<std::int64_t>(second0)), "Ball");
    std::vector<std::uint8_t> expected(40, 0xAA);
    for (int j = 0; j < 4; ++j) expected[2 * j] = static_cast<std::uint8_t>("Ball"[j]);
    expected[8] = 0;
    EXPECT_EQ(std::vector<std::uint8_t>(imageBytes(g).begin() + static_cast<long>(second0),
                                        imageBytes(g).begin() + static_cast<long>(second0) + 40),
              expected);  // high bytes and the bytes after the terminator kept
    EXPECT_EQ(imageBytes(g)[first0 + 1], 0xBB);
    EXPECT_EQ(imageBytes(g)[first0 + 14], 0);
}

enum class Slot { First, Second, Sound, Burst };  // the AmmoName texts, the names

struct Stored {
    Slot slot;
    int record;
    std::string text;
};

bool isName(Slot s) { return s == Slot::Sound || s == Slot::Burst; }
const NameTable& names(Slot s) { return s == Slot::Sound ? kSoundNames : kBurstNames; }
std::size_t recordAt(const Edition& e, Slot s, int record) {
    if (isName(s)) return static_cast<std::size_t>(nameRecordOffset(e, names(s), record));
    return static_cast<std::size_t>(
        ammoNameRecordOffset(s == Slot::First ? e.ammoNameFirstOffset : e.ammoNameSecondOffset, record));
}

// Lines in, texts out at their records. Each record checked starts with a 'k', so that an
// empty text shows its terminator.
TEST(StatsReader, TextLinesStoreTheirTextsAtTheirRecords) {
    struct Case {
        const char* name;
        int edition;
        std::string lines;  // after the heading line
        std::string output;
        std::vector<Stored> texts;
        int changed;  // the image bytes that change, where counted (-1: not)
        std::string sameAs;  // lines that read without a word into the same image
    };
    const std::string longest(19, 'L');
    const Case cases[] = {
        // An editor that drops trailing tabs must not turn the next line into this line's text.
        {"a text line ending early leaves its later texts empty",
         0,
         "Sound 5\nSound 6\tshot.wav\nBurst 0\r\nBurst 1\trapid\nAmmoName 3\tabc\nAmmoName 4\nAmmoName 5\tx\ty\nBurst "
         "2",
         "",
         {{Slot::Sound, 5, ""},
          {Slot::Sound, 6, "shot.wav"},
          {Slot::Burst, 0, ""},
          {Slot::Burst, 1, "rapid"},
          {Slot::Burst, 2, ""},
          {Slot::First, 3, "abc"},
          {Slot::Second, 3, ""},
          {Slot::First, 4, ""},
          {Slot::Second, 4, ""},
          {Slot::Second, 5, "y"}},
         -1,
         {}},
        // The dropped first text may be of any length; only stored texts must fit.
        {"AmmoName records beyond the first table keep it untouched",
         5,
         "AmmoName 17\t" + std::string(40, 'z') + "\tFlechette\nAmmoName 19\tn/a\tLast",
         "",
         {{Slot::Second, 17, "Flechette"}, {Slot::Second, 19, "Last"}},
         9 + 4,
         {}},  // terminators already 0
        {"AmmoType names the records of the next AmmoName",
         0,
         "AmmoType 0\tOld\tStyle\nAmmoType 15\tFirst\tSecond\nAmmoType 16\tx\ty",
         kAmmoTypeWarning,  // once
         {{Slot::First, 1, "Old"}, {Slot::Second, 16, "Second"}},
         -1,
         "AmmoName 1\tOld\tStyle\nAmmoName 16\tFirst\tSecond\nAmmoName 17\tx\ty"},
        {"AmmoType -1 is record 0",
         0,
         "AmmoType -1\tZero\tNull",
         kAmmoTypeWarning,
         {{Slot::Second, 0, "Null"}},
         -1,
         {}},
        // The first record of the first table follows the second table's last one directly:
        // nothing spills into it.
        {"AmmoName texts at their limit",
         1,
         "AmmoName 16\t" + longest + "\t" + longest,
         "",
         {{Slot::Second, 16, longest}, {Slot::First, 16, longest}},
         19 + 19,
         {}},
        {"the end of the file in an AmmoName ends only that text",
         0,
         "AmmoName 2\tOnly",
         "",
         {{Slot::First, 2, "Only"}, {Slot::Second, 2, ""}},
         -1,
         {}},  // the second text met the end as well
        {"a sound name cut by the end of the file is stored",
         0,
         "Sound 4\tlast",
         "",
         {{Slot::Sound, 4, "last"}},
         -1,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Game g = zeroGame(c.edition);
        for (const Stored& t : c.texts) imageBytes(g)[recordAt(g.edition(), t.slot, t.record)] = 'k';
        Game same = g;
        const std::vector<std::uint8_t> before = imageOf(g);
        const Read r = readStats(g, headingLine(69) + c.lines);
        EXPECT_EQ(r.result, ReadResult::EndOfFile);
        EXPECT_EQ(r.output, c.output);
        for (const Stored& t : c.texts) {
            const std::size_t at = recordAt(g.edition(), t.slot, t.record);
            EXPECT_EQ(
                isName(t.slot) ? readName(g.image(), g.edition(), names(t.slot), t.record) : ammoTextAt(g.image(), at),
                t.text);
        }
        if (c.changed >= 0) {
            std::size_t changed = 0;
            for (std::size_t i = 0; i < before.size(); ++i) changed += imageBytes(g)[i] != before[i];
            EXPECT_EQ(changed, static_cast<std::size_t>(c.changed));
        }
        if (c.sameAs.empty()) continue;
        ASSERT_EQ(readStats(same, headingLine(69) + c.sameAs).output, "");
        EXPECT_EQ(imageOf(g), imageOf(same));
    }
    EXPECT_EQ(ammoNameRecordOffset(kEditions[1].ammoNameSecondOffset, 17),
              ammoNameRecordOffset(kEditions[1].ammoNameFirstOffset, 0));
}

TEST(StatsReader, SoundAndBurstNamesDropTabsAndQuotes) {
    Game g = zeroGame(3);
    const Edition& e = kEditions[3];
    const auto sound = static_cast<std::size_t>(nameRecordOffset(e, kSoundNames, 290));
    for (int j = 0; j < 10; ++j)
        imageBytes(g)[sound + static_cast<std::size_t>(j)] = static_cast<std::uint8_t>('0' + j);
    const Read r = readStats(g, headingLine(69) + "Sound 290\ts\"h\t\"ot\nSound 0\t" + std::string(254, 'w') +
                                    "\r\nBurst 33\t\"" + std::string(14, 'b') + "\"");
    EXPECT_EQ(r.result, ReadResult::EndOfFile);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(std::string(imageBytes(g).begin() + static_cast<long>(sound),
                          imageBytes(g).begin() + static_cast<long>(sound) + 10),
              std::string("shot\0"
                          "56789",
                          10));  // the old tail stays behind the terminator
    EXPECT_EQ(readName(g.image(), e, kSoundNames, 0), std::string(254, 'w'));
    EXPECT_EQ(imageBytes(g)[static_cast<std::size_t>(nameRecordOffset(e, kSoundNames, 0)) + 254], 0);
    // The last line has no line end: the end of the file ends its text and the reading.
    EXPECT_EQ(readName(g.image(), e, kBurstNames, 33), std::string(14, 'b'));
    EXPECT_EQ(imageBytes(g)[static_cast<std::size_t>(nameRecordOffset(e, kBurstNames, 33)) + 14], 0);
}

// MAKE shows a text that fills its record with no ending whole; PATCH takes it back only
// while the record holds exactly that text, and then leaves the record as it is.
TEST(StatsReader, TextsThatFillTheirRecordAreAcceptedUnchanged) {
    Game full = zeroGame(0);
    const Edition& e = kEditions[0];
    for (int j = 0; j < 20; ++j) {
        full.mutableImage().setU8(static_cast<std::size_t>(ammoNameRecordOffset(e.ammoNameSecondOffset, 2) + 2 * j),
                                  'Q');
        full.mutableImage().setU8(static_cast<std::size_t>(ammoNameRecordOffset(e.ammoNameSecondOffset, 2) + 2 * j + 1),
                                  0xC3);
    }
    for (int j = 0; j < 255; ++j)
        full.mutableImage().setU8(static_cast<std::size_t>(nameRecordOffset(e, kSoundNames, 5) + j), 's');
    for (int j = 0; j < 15; ++j)
        full.mutableImage().setU8(static_cast<std::size_t>(nameRecordOffset(e, kBurstNames, 33) + j), 'z');
    struct Case {
        std::string line;
        std::string message;  // empty: accepted, the image unchanged
    };
    const std::string q(20, 'Q');
    const Case cases[] = {
        {"AmmoName 2\tn\t" + q, ""},
        {"AmmoName 2\tn\t\"" + q + "\"", ""},
        {"AmmoName 2\tn\t" + q.substr(1) + "R",
         "Error while parsing! (line 2: AmmoName 2: text longer than 19 characters)\n"},
        {"AmmoName 2\t" + q + "\tn", "Error while parsing! (line 2: AmmoName 2: text longer than 19 characters)\n"},
        {"AmmoName 2\tn\t" + q + "Q", "Error while parsing! (line 2: AmmoName 2: text longer than 19 characters)\n"},
        {"AmmoType 1\tn\t" + q, kAmmoTypeWarning},
        {"Sound 5\t" + std::string(255, 's'), ""},
        {"Sound 5\t" + std::string(256, 's'),
         "Error while parsing! (line 2: Sound 5: text longer than 254 characters)\n"},
        {"Sound 6\t" + std::string(255, 's'),
         "Error while parsing! (line 2: Sound 6: text longer than 254 characters)\n"},
        {"Burst 33\t" + std::string(15, 'z'), ""},
        {"Burst 32\t" + std::string(15, 'z'),
         "Error while parsing! (line 2: Burst 32: text longer than 14 characters)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Game g = full;
        std::vector<std::uint8_t> expected = imageOf(g);
        const Read r = readStats(g, headingLine(69) + c.line);
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

}  // namespace
}  // namespace vantedit
