// The stream under the reader: line ends, pushed-back characters, numbers as "%d" reads them.
#include <gtest/gtest.h>

#include "patch/stats_stream.h"

namespace vantedit {
namespace {

constexpr int kEnd = StatsStream::kEnd;

// CR LF, and the CR CR LF of a file converted to CR LF twice, end a line as LF does.
TEST(StatsStream, CarriageReturnsBeforeLineFeedReadAsOneLineFeed) {
    StatsStream in(std::string("a\r\nb\rc\r\r\n\r", 10));
    std::string got;
    for (int c = in.get(); c != kEnd; c = in.get()) got += static_cast<char>(c);
    EXPECT_EQ(got, "a\nb\rc\n\r");
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
        {"60", CellNumber::Number, 60},
        {" 60 ", CellNumber::Number, 60},
        {"\"60\"", CellNumber::Number, 60},
        {"+5", CellNumber::Number, 5},
        {"-2147483648", CellNumber::Number, -2147483648LL},
        {"4294967295", CellNumber::Number, 4294967295LL},
        {"-2147483649", CellNumber::TooLarge, 0},
        {"4294967296", CellNumber::TooLarge, 0},
        {"123456789012345678901234567890", CellNumber::TooLarge, 0},
        {"60.0", CellNumber::NotWhole, 0},
        {"1,234", CellNumber::NotWhole, 0},
        {"60 mm", CellNumber::NotWhole, 0},
        {"n/a", CellNumber::NotWhole, 0},
        {"-", CellNumber::NotWhole, 0},
        {"1e5", CellNumber::NotWhole, 0},
        {"", CellNumber::Empty, 0},
        {"   ", CellNumber::Empty, 0},
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

}  // namespace
}  // namespace vantedit
