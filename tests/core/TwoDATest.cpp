// The 2DA line tokenizer and the parse of whole tables into titles and cells.
#include "CoreTestSupport.h"

#include "app/UFileIO.h"
#include "formats/UCTOKEN.h"

#include "testdata/ByteBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Strings = std::vector<std::string>;
using Rows = std::vector<Strings>;

// Every row of a parsed table, one cell per column, read whole.
Rows RowsOf(const T2DATable &table)
{
    Rows rows;
    for (std::size_t r = 0; r < table.RowCount(); ++r)
        rows.push_back(table.Row(r));
    return rows;
}

// A row read whole has one cell per column, and each is the cell read alone.
void ExpectCellsAgree(const T2DATable &table)
{
    for (std::size_t r = 0; r < table.RowCount(); ++r) {
        const Strings row = table.Row(r);
        ASSERT_EQ(row.size(), table.Titles.size()) << "row " << r;
        for (std::size_t c = 0; c < row.size(); ++c)
            EXPECT_EQ(table.Cell(r, c), row[c]) << "row " << r << ", column " << c;
        EXPECT_EQ(table.Cell(r, row.size()), "") << "row " << r;
    }
}

T2DATable Parse(const std::string &text)
{
    T2DATable table = Parse2DA(text);
    ExpectCellsAgree(table);
    return table;
}

std::vector<int> WidthsOf(const T2DATable &table)
{
    std::vector<int> widths;
    for (const auto &title : table.Titles)
        widths.push_back(ColumnWidthOf(title));
    return widths;
}

// ---------------------------------------------------------------- CTOKEN

TEST(TwoDAToken, NextSkipsEverySeparatorAndStopsOnTheNextOne)
{
    CTOKEN token("  alpha\tbeta\r\ngamma\0delta  "s);
    EXPECT_EQ(token.Next(), "alpha");
    EXPECT_EQ(token.Next(), "beta");
    EXPECT_EQ(token.Next(), "gamma");
    EXPECT_EQ(token.Next(), "delta");
    EXPECT_EQ(token.Next(), "");
    EXPECT_EQ(token.Next(), ""); // stays at the end
}

TEST(TwoDAToken, OtherCharactersAreNotSeparators)
{
    CTOKEN token("a,b;c\x01" "d|e");
    EXPECT_EQ(token.Next(), "a,b;c\x01" "d|e");
    EXPECT_EQ(token.Next(), "");
}

TEST(TwoDAToken, QuotationMarksMeanNothing)
{
    CTOKEN token("\"Iron Shield\" 15");
    EXPECT_EQ(token.Next(), "\"Iron");
    EXPECT_EQ(token.Next(), "Shield\"");
    EXPECT_EQ(token.Next(), "15");
}

TEST(TwoDAToken, RestTrimsAndLeavesThePositionAlone)
{
    CTOKEN token("1  \t some  long\ttext \x01\t ");
    EXPECT_EQ(token.Next(), "1");
    EXPECT_EQ(token.Rest(), "some  long\ttext");
    EXPECT_EQ(token.Rest(), "some  long\ttext");
    EXPECT_EQ(token.Next(), "some");
    EXPECT_EQ(token.Rest(), "long\ttext");
    EXPECT_EQ(token.Next(), "long");
    EXPECT_EQ(token.Next(), "text");
    EXPECT_EQ(token.Rest(), "");
}

TEST(TwoDAToken, RestTrimsControlCharactersAtBothEnds)
{
    CTOKEN token("\x02\x03 middle\x01part \x1f");
    EXPECT_EQ(token.Rest(), "middle\x01part");
    EXPECT_EQ(token.Next(), "\x02\x03"); // control characters are no separators
}

TEST(TwoDAToken, SetTextStartsAgainAtTheBeginning)
{
    CTOKEN token("one two");
    EXPECT_EQ(token.Next(), "one");
    token.SetText("three four");
    EXPECT_EQ(token.Next(), "three");
    EXPECT_EQ(token.Rest(), "four");
    CTOKEN empty;
    EXPECT_EQ(empty.Next(), "");
    EXPECT_EQ(empty.Rest(), "");
}

// ---------------------------------------------------------------- lines

TEST(TwoDALines, CarriageReturnLineFeedOrBothEndALine)
{
    EXPECT_EQ(SplitLines("a\rb\nc\r\nd"), (Strings{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\nb"), (Strings{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\n"), (Strings{"a"}));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (Strings{"a", ""}));
    EXPECT_EQ(SplitLines("\n\r"), (Strings{"", ""})); // LF then CR: two line ends
    EXPECT_EQ(SplitLines("\r\r"), (Strings{"", ""}));
    EXPECT_EQ(SplitLines("last"), (Strings{"last"}));
    EXPECT_EQ(SplitLines(""), Strings{});
}

// ---------------------------------------------------------------- parse

TEST(Parse2DA, EmptyTextGivesNothing)
{
    const T2DATable table = Parse("");
    EXPECT_TRUE(table.Titles.empty());
    EXPECT_EQ(table.RowCount(), 0u);
}

TEST(Parse2DA, VersionLineOnlyGivesNoColumns)
{
    for (const std::string text : {"2DA V2.0", "2DA V2.0\r\n", "2DA V2.0\r\n\r\n   \r\n\t\r\n"}) {
        const T2DATable table = Parse(text);
        EXPECT_TRUE(table.Titles.empty()) << text;
        EXPECT_EQ(table.RowCount(), 0u) << text;
    }
}

TEST(Parse2DA, TitlesKeepTheSpacingOfTheColumnLine)
{
    const T2DATable table = Parse("2DA V2.0\n\n     Label   Name\n");
    EXPECT_EQ(table.Titles, (Strings{"ID   ", "Label   ", "Name"}));
    EXPECT_EQ(WidthsOf(table), (std::vector<int>{40, 64, 40}));
    EXPECT_EQ(table.RowCount(), 0u);
}

TEST(Parse2DA, LastColumnTakesTheRestOfTheLine)
{
    const T2DATable table = Parse("2DA V2.0\n\n     Label   Name\n3 Foo Some long text\n");
    EXPECT_EQ(RowsOf(table), (Rows{{"3", "Foo", "Some long text"}}));
}

TEST(Parse2DA, MissingCellsAreEmptyAndSurplusGoesToTheLastCell)
{
    const T2DATable table = Parse("2DA V2.0\n\n   A B C\n"
                                  "0\n"
                                  "1 x\n"
                                  "2 x y\n"
                                  "3 x y z\n"
                                  "4 x y z   surplus  tokens  \n");
    EXPECT_EQ(table.Titles, (Strings{"ID ", "A ", "B ", "C"}));
    EXPECT_EQ(RowsOf(table), (Rows{{"0", "", "", ""},
                                {"1", "x", "", ""},
                                {"2", "x", "y", ""},
                                {"3", "x", "y", "z"},
                                {"4", "x", "y", "z   surplus  tokens"}}));
}

TEST(Parse2DA, QuotedValuesSplitInMiddleColumnsAndStayWholeInTheLast)
{
    const T2DATable table = Parse("2DA V2.0\n\n   Label Cost Name\n"
                                  "0 \"Iron Shield\" 15\n"
                                  "1 Shield 15 \"Big Shield\"\n");
    EXPECT_EQ(RowsOf(table), (Rows{{"0", "\"Iron", "Shield\"", "15"}, {"1", "Shield", "15", "\"Big Shield\""}}));
}

TEST(Parse2DA, TabSeparatedColumnLine)
{
    const T2DATable table = Parse("2DA V2.0\r\n\r\n\tLabel\tName\r\n0\tSword\tA long\tblade\r\n");
    EXPECT_EQ(table.Titles, (Strings{"ID", "Label ", "Name"}));
    // Tabs in rows become blanks, so the last cell keeps them as blanks.
    EXPECT_EQ(RowsOf(table), (Rows{{"0", "Sword", "A long blade"}}));
}

TEST(Parse2DA, LeadingWhitespaceLeftAfterTheFirstTabMakesATitleOfBlanks)
{
    T2DATable table = Parse("2DA V2.0\n\t\tLabel\tName\n0 a b c\n");
    EXPECT_EQ(table.Titles, (Strings{"ID  ", " ", "Label ", "Name"}));
    EXPECT_EQ(RowsOf(table), (Rows{{"0", "a", "b", "c"}}));

    table = Parse("2DA V2.0\n\t  Label\n");
    EXPECT_EQ(table.Titles, (Strings{"ID  ", "  ", "Label"}));
}

TEST(Parse2DA, SingleLeadingBlankGivesTitleI)
{
    const T2DATable table = Parse("2DA V2.0\n Label Name\n7 x y\n");
    EXPECT_EQ(table.Titles, (Strings{"I", "Label ", "Name"}));
    EXPECT_EQ(RowsOf(table), (Rows{{"7", "x", "y"}}));
}

TEST(Parse2DA, BlanksThenTabRemoveAsManyCharactersAsTheFirstTitleHas)
{
    // One blank and one tab give a three-character title; three characters are
    // removed from the column line, the first letter of the name with them.
    const T2DATable table = Parse("2DA V2.0\n \tLabel Name\n");
    EXPECT_EQ(table.Titles, (Strings{"ID ", "abel ", "Name"}));
}

TEST(Parse2DA, ColumnLineWithoutLeadingWhitespaceStillGivesAllColumnsAndRows)
{
    const T2DATable table = Parse("2DA V2.0\nLabel  Name\n0 Sword Long blade\n1 Bow\n");
    EXPECT_EQ(table.Titles, (Strings{"ID", "Label  ", "Name"}));
    EXPECT_EQ(RowsOf(table), (Rows{{"0", "Sword", "Long blade"}, {"1", "Bow", ""}}));
}

TEST(Parse2DA, DefaultLineAfterTheVersionLineIsPassedOver)
{
    const T2DATable table = Parse("2DA V2.0\r\n\r\nDEFAULT: ****\r\n\r\n    Label Name\r\n0 a b\r\n");
    EXPECT_EQ(table.Titles, (Strings{"ID  ", "Label ", "Name"}));
    EXPECT_EQ(RowsOf(table), (Rows{{"0", "a", "b"}}));

    const T2DATable directly = Parse("2DA V2.0\nDEFAULT: 0\n  Label\n1 x\n");
    EXPECT_EQ(directly.Titles, (Strings{"ID", "Label"}));
    EXPECT_EQ(RowsOf(directly), (Rows{{"1", "x"}}));
}

TEST(Parse2DA, DefaultLineElsewhereIsAnOrdinaryRow)
{
    const T2DATable table = Parse("2DA V2.0\n  Label Name\nDEFAULT: ****\n0 a b\n");
    EXPECT_EQ(RowsOf(table), (Rows{{"DEFAULT:", "****", ""}, {"0", "a", "b"}}));
}

TEST(Parse2DA, TextEndingAfterTheDefaultLineGivesNoColumns)
{
    const T2DATable table = Parse("2DA V2.0\nDEFAULT: ****\n\n");
    EXPECT_TRUE(table.Titles.empty());
    EXPECT_EQ(table.RowCount(), 0u);
}

TEST(Parse2DA, BlankLinesBetweenRowsMakeNoRows)
{
    const T2DATable table = Parse("2DA V2.0\n  Label\n0 a\n\n   \n\t\n\x01\n1 b\n\n");
    EXPECT_EQ(RowsOf(table), (Rows{{"0", "a"}, {"1", "b"}}));
}

TEST(Parse2DA, TheFirstLineIsRemovedWhateverItHolds)
{
    // No version line: the column line is taken as one and the first row becomes the column line.
    const T2DATable table = Parse("   Label Name\n   0 a b\n1 c d\n");
    EXPECT_EQ(table.Titles, (Strings{"ID ", "0 ", "a ", "b"}));
    EXPECT_EQ(RowsOf(table), (Rows{{"1", "c", "d", ""}}));
}

TEST(Parse2DA, LineEndsMakeNoDifference)
{
    const std::string lf = "2DA V2.0\n\n   Label   Name\n0 Sword A blade\n\n1 Bow\n";
    std::string cr = lf;
    std::replace(cr.begin(), cr.end(), '\n', '\r');
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);

    const T2DATable expected = Parse(lf);
    EXPECT_EQ(expected.Titles, (Strings{"ID ", "Label   ", "Name"}));
    EXPECT_EQ(RowsOf(expected), (Rows{{"0", "Sword", "A blade"}, {"1", "Bow", ""}}));
    for (const std::string &text : {cr, crlf}) {
        const T2DATable table = Parse(text);
        EXPECT_EQ(table.Titles, expected.Titles);
        EXPECT_EQ(RowsOf(table), RowsOf(expected));
    }
}

TEST(Parse2DA, EveryCellIsShownAsWritten)
{
    const T2DATable table = Parse("2DA V2.0\n   Label Model Name\n0 **** **** \"\"\n");
    EXPECT_EQ(RowsOf(table), (Rows{{"0", "****", "****", "\"\""}}));
}

TEST(Parse2DA, ZeroBytesSplitCellsButStayInsideTheLastOne)
{
    const T2DATable table = Parse("2DA V2.0\n  A B\n0\0x y\0z\n"s);
    EXPECT_EQ(RowsOf(table), (Rows{{"0", "x", "y\0z"s}}));
}

TEST(TwoDAColumnWidth, EightPixelsPerCharacterFrom40To200)
{
    EXPECT_EQ(ColumnWidthOf(""), 40);
    EXPECT_EQ(ColumnWidthOf("ID"), 40);
    EXPECT_EQ(ColumnWidthOf("12345"), 40);
    EXPECT_EQ(ColumnWidthOf("123456"), 48);
    EXPECT_EQ(ColumnWidthOf("Label   "), 64);
    EXPECT_EQ(ColumnWidthOf(std::string(24, 'x')), 192);
    EXPECT_EQ(ColumnWidthOf(std::string(25, 'x')), 200);
    EXPECT_EQ(ColumnWidthOf(std::string(26, 'x')), 200);
    EXPECT_EQ(ColumnWidthOf(std::string(100000, 'x')), 200);
}

// ---------------------------------------------------------------- hostile tables

// A column line of count one-letter titles.
std::string ColumnLine(std::size_t count)
{
    std::string line = "   ";
    for (std::size_t i = 0; i < count; ++i)
        line += i + 1 < count ? "a " : "a\n";
    return line;
}

std::string Repeated(const std::string &text, std::size_t count)
{
    std::string out;
    out.reserve(text.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        out += text;
    return out;
}

class HostileTables : public ::testing::TestWithParam<coretest::THostileFile> {
protected:
    coretest::TempFolder dir;
};

TEST_P(HostileTables, StayWithinTheirBounds)
{
    const std::string path = dir / "hostile.2da";
    coretest::ExpectSeen(GetParam(), path, [&] {
        const T2DATable table = Parse2DA(ReadWholeFile(path), path);
        std::size_t cells = 0;
        for (std::size_t row = 0; row < table.RowCount(); ++row)
            cells += table.CellsOf(row).size();
        return std::to_string(table.Titles.size()) + " columns, " + std::to_string(table.RowCount()) + " rows, " +
               std::to_string(cells) + " cells written";
    });
}

INSTANTIATE_TEST_SUITE_P(
    All, HostileTables,
    ::testing::Values(
        coretest::THostileFile{"ManyColumnsAndOneCellRows",
                     [] { return "2DA V2.0\n\n" + ColumnLine(20000) + Repeated("0\n", 10000); },
                     "20001 columns, 10000 rows, 10000 cells written"},
        coretest::THostileFile{"MoreColumnsThanATableMayHave", [] { return "2DA V2.0\n" + ColumnLine(65536); },
                     "has 65537 columns, more than the 65536 a table may have."},
        coretest::THostileFile{"ShortRowsOnly", [] { return "2DA V2.0\n" + ColumnLine(3) + Repeated("7\n", 1000000); },
                     "4 columns, 1000000 rows, 1000000 cells written"},
        coretest::THostileFile{"LineEndsOnly", [] { return "2DA V2.0\n" + ColumnLine(3) + std::string(2000000, '\r'); },
                     "4 columns, 0 rows, 0 cells written"},
        coretest::THostileFile{"ShortCellsInALongRow",
                     [] { return "2DA V2.0\n" + ColumnLine(60000) + Repeated("1 ", 1000000) + "\n"; },
                     "60001 columns, 1 rows, 60001 cells written"}),
    coretest::NameOf);

} // namespace
