// Reading GFF files into entries and the text dump; damaged files.
#include "CoreTestSupport.h"

#include "app/UFileIO.h"
#include "formats/UCUT.h"

#include "testdata/ByteBuilder.h"
#include "testdata/GffBuilder.h"
#include "testdata/TlkBuilder.h"

#include <gmock/gmock.h>

#include <array>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <functional>
#include <random>

namespace fs = std::filesystem;
using coretest::CoreTest;
using coretest::ScopedEnv;
using testdata::ByteBuilder;
using testdata::GffBuilder;
using testdata::TlkBuilder;
using testdata::WriteFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
namespace gt = testdata::gfftype;

namespace {

using Row = std::array<std::string, 4>; // ID, Type, Name, Value

std::vector<Row> RowsOf(const CUT &cut)
{
    std::vector<Row> rows;
    for (const RUT &entry : cut.Entries)
        rows.push_back({entry.ID, entry.Type, entry.Name, entry.Value});
    return rows;
}

const std::uint32_t NoStrRef = 0xFFFFFFFF;

class GffTest : public CoreTest {
protected:
    GffTest() : m_game("QUORLIN_GAME_FOLDER", dir / "game") {}

    void SetUp() override
    {
        ClearTalkTableCache();
        fs::create_directories(dir.Path() / "game");
    }
    void TearDown() override { ClearTalkTableCache(); }

    // Entries of the game's talk table: 5 has a sound, 6 has text only.
    void WriteGameTalkTable()
    {
        TlkBuilder tlk;
        tlk.Add("", "Bad Strref");
        for (int i = 1; i <= 4; ++i)
            tlk.Add("", "line " + std::to_string(i));
        tlk.Add("vs_hello", "Hello there.");
        tlk.Add("", "Goodbye.");
        tlk.WriteTo(dir.Path() / "game" / "dialog.tlk");
    }

    std::string Write(const GffBuilder &gff, const std::string &name = "a.uti")
    {
        gff.WriteTo(dir.Path() / name);
        return dir / name;
    }

    // Loads into the given reader with the dump on.
    void Load(CUT &cut, const GffBuilder &gff, const std::string &name = "a.uti")
    {
        cut.MakeText = true;
        cut.Load(Write(gff, name));
    }

    // The message of the EFileError a load raises ("" when none).
    std::string DamageReport(const GffBuilder &gff)
    {
        return DamageReport(gff.Build());
    }
    std::string DamageReport(const std::string &bytes)
    {
        WriteFile(dir.Path() / "bad.uti", bytes);
        CUT cut;
        cut.MakeText = true;
        try {
            cut.Load(dir / "bad.uti");
        } catch (const EFileError &error) {
            EXPECT_TRUE(cut.Labels.empty()) << "the label table is freed after a failed load";
            return error.what();
        }
        return {};
    }

    // The worked example: a blueprint with a number, a localized string and a one-element list.
    static GffBuilder WorkedExample()
    {
        GffBuilder gff("UTI ", "V3.2");
        gff.DWord(0, "Cost", 10);
        gff.LocString(0, "LocName", NoStrRef, {{0, "Sword"}});
        const int property = gff.AddStruct(0);
        gff.Word(property, "PropertyName", 5);
        gff.List(0, "PropertiesList", {property});
        return gff;
    }

private:
    ScopedEnv m_game;
};

const std::vector<std::string> WorkedExampleLines = {
    "BEGIN FILE: \"a.uti\" \"UTI V3.2\" 0xFFFFFFFF",
    "UINT32: \tCost\t= 10",
    "STRREF:\tLocName\t",
    "     \tLANG: 0 = \"Sword\"",
    "LIST:\tPropertiesList",
    "\tELEMENT = 0x00000000",
    "\t UINT16: \tPropertyName\t= 5",
    "\tEND ELEMENT",
    "END LIST",
    "END FILE",
};

const std::vector<Row> WorkedExampleRows = {
    {"0", "UINT32", "Cost", "10"},
    {"1", "STRREF", "LocName", ""},
    {"", "", "LANG 0", "Sword"},
    {"2", "LIST", "PropertiesList", "Count: 1"},
    {"", "UINT16", "PropertiesList[0].PropertyName", "5"},
};

TEST_F(GffTest, WorkedExampleGivesTheseEntriesAndDumpLines)
{
    CUT cut;
    Load(cut, WorkedExample());
    EXPECT_EQ(RowsOf(cut), WorkedExampleRows);
    EXPECT_EQ(cut.Lines, WorkedExampleLines);
    EXPECT_TRUE(cut.Labels.empty());
    EXPECT_EQ(cut.Indent, "");
    EXPECT_TRUE(captured.Messages.empty());
}

TEST_F(GffTest, WorkedExampleFromExplicitBytes)
{
    // The same file laid out by hand: structs at 56, fields at 80, labels at 128,
    // field data at 192, field indices at 217, list indices at 229.
    ByteBuilder bytes;
    bytes.Bytes("UTI V3.2").U32(56).U32(2).U32(80).U32(4).U32(128).U32(4);
    bytes.U32(192).U32(25).U32(217).U32(12).U32(229).U32(8);
    bytes.U32(0xFFFFFFFF).U32(0).U32(3);             // struct 0: three fields, indices at 0
    bytes.U32(0).U32(2).U32(1);                      // struct 1: field 2 alone
    bytes.U32(gt::UINT32).U32(0).U32(10);            // field 0: Cost
    bytes.U32(gt::LOCSTRING).U32(1).U32(0);          // field 1: LocName, data at 0
    bytes.U32(gt::UINT16).U32(2).U32(5);             // field 2: PropertyName
    bytes.U32(gt::LIST).U32(3).U32(0);               // field 3: PropertiesList, list at 0
    bytes.Fixed("Cost", 16).Fixed("LocName", 16).Fixed("PropertyName", 16).Fixed("PropertiesList", 16);
    bytes.U32(21).U32(NoStrRef).U32(1).U32(0).U32(5).Bytes("Sword");
    bytes.U32(0).U32(1).U32(3);
    bytes.U32(1).U32(1);
    ASSERT_EQ(bytes.Size(), 237u);
    ASSERT_EQ(bytes.Data(), WorkedExample().Build()) << "the builder lays the file out the same way";

    WriteFile(dir.Path() / "a.uti", bytes.Data());
    CUT cut;
    cut.MakeText = true;
    cut.Load(dir / "a.uti");
    EXPECT_EQ(RowsOf(cut), WorkedExampleRows);
    EXPECT_EQ(cut.Lines, WorkedExampleLines);
}

TEST(GffDumpText, EndsEachLineAndEachLineBreakInsideALineWithCrLf)
{
    CUT cut;
    EXPECT_EQ(cut.DumpText(), "");
    cut.Lines = {"a", "", "b"};
    EXPECT_EQ(cut.DumpText(), "a\r\n\r\nb\r\n");
    cut.Lines = {"x\r\ny", "p\rq", "m\nn"};
    EXPECT_EQ(cut.DumpText(), "x\r\ny\r\np\r\nq\r\nm\r\nn\r\n");
}

TEST_F(GffTest, WithoutMakeTextThereAreEntriesButNoLines)
{
    CUT cut;
    EXPECT_FALSE(cut.MakeText);
    cut.Load(Write(WorkedExample()));
    EXPECT_EQ(RowsOf(cut), WorkedExampleRows);
    EXPECT_TRUE(cut.Lines.empty());
}

TEST_F(GffTest, MissingFileDoesNothing)
{
    CUT cut;
    cut.MakeText = true;
    cut.Load(dir / "missing.uti");
    EXPECT_TRUE(cut.Entries.empty());
    EXPECT_TRUE(cut.Lines.empty());
    EXPECT_TRUE(captured.Messages.empty());
}

TEST_F(GffTest, EmptyTopLevelStructGivesOnlyTheFileLines)
{
    CUT cut;
    Load(cut, GffBuilder("UTC ", "V3.2", 0x12AB), "empty.utc");
    EXPECT_TRUE(cut.Entries.empty());
    EXPECT_THAT(cut.Lines, ElementsAre("BEGIN FILE: \"empty.utc\" \"UTC V3.2\" 0x000012AB", "END FILE"));
}

TEST_F(GffTest, TopLevelStructWithOneFieldReadsTheFieldItNames)
{
    GffBuilder gff("UTI ");
    const int other = gff.AddStruct(7);
    gff.Int(other, "Elsewhere", 1); // field 0, in another struct
    gff.Int(0, "Single", -42);      // field 1: the top-level struct's only field
    CUT cut;
    Load(cut, gff);
    EXPECT_EQ(RowsOf(cut), (std::vector<Row>{{"0", "INT32", "Single", "-42"}}));
    EXPECT_EQ(cut.Lines.at(1), "INT32: \tSingle\t= -42");
}

TEST_F(GffTest, ShortFileTypeIsPrintedUpToItsFirstZeroByte)
{
    CUT cut;
    Load(cut, GffBuilder(std::string("IT\0X", 4), std::string("V1\0\0", 4)), "odd.gff");
    EXPECT_EQ(cut.Lines.at(0), "BEGIN FILE: \"odd.gff\" \"ITV1\" 0xFFFFFFFF");
}

TEST_F(GffTest, SmallNumbersAndTexts)
{
    GffBuilder gff("UTI ");
    gff.Byte(0, "U8", 200);
    gff.Char(0, "I8", -5);
    gff.Word(0, "U16", 65535);
    gff.Short(0, "I16", -300);
    gff.DWord(0, "U32", 4000000000u);
    gff.Int(0, "I32", -7);
    gff.String(0, "Tag", "say \"hi\"\tnow");
    gff.ResRef(0, "TemplateResRef", "it_sword");
    gff.String(0, "Empty", "");
    gff.Raw(0, "Void", gt::VOID, 0xABCDEF01);
    gff.Raw(0, "Struct", gt::STRUCT, 0xFFFFFFFF);
    CUT cut;
    Load(cut, gff);
    EXPECT_EQ(RowsOf(cut), (std::vector<Row>{
                               {"0", "UINT8", "U8", "200"},
                               {"1", "INT8", "I8", "-5"},
                               {"2", "UINT16", "U16", "65535"},
                               {"3", "INT16", "I16", "-300"},
                               {"4", "UINT32", "U32", "4000000000"},
                               {"5", "INT32", "I32", "-7"},
                               {"6", "STRING", "Tag", "say \"hi\"\tnow"},
                               {"7", "RESREF", "TemplateResRef", "it_sword"},
                               {"8", "STRING", "Empty", ""},
                               {"9", "UNK0xD", "Void", "2882400001"},
                               {"10", "CAPREF", "Struct", "4294967295"},
                           }));
    EXPECT_THAT(cut.Lines, ElementsAre(::testing::_, "UINT8: \tU8\t= 200", "INT8: \tI8\t= -5",
                                       "UINT16: \tU16\t= 65535", "INT16: \tI16\t= -300",
                                       "UINT32: \tU32\t= 4000000000", "INT32: \tI32\t= -7",
                                       "STRING: \tTag\t= \"say \"hi\"\tnow\"",
                                       "RESREF: \tTemplateResRef\t= \"it_sword\"", "STRING: \tEmpty\t= \"\"",
                                       "UNK0xD: \tVoid\t= 0xABCDEF01", "CAPREF: \tStruct\t= -1", "END FILE"));
}

TEST_F(GffTest, SmallTypesUseOnlyTheirLowBytes)
{
    GffBuilder gff("UTI ");
    gff.Raw(0, "U8", gt::UINT8, 0x12345680);
    gff.Raw(0, "I8", gt::INT8, 0x123456FF);
    gff.Raw(0, "U16", gt::UINT16, 0x1234FFFE);
    gff.Raw(0, "I16", gt::INT16, 0x12348000);
    CUT cut;
    Load(cut, gff);
    EXPECT_EQ(cut.Entries.at(0).Value, "128");
    EXPECT_EQ(cut.Entries.at(1).Value, "-1");
    EXPECT_EQ(cut.Entries.at(2).Value, "65534");
    EXPECT_EQ(cut.Entries.at(3).Value, "-32768");
    EXPECT_EQ(cut.Lines.at(4), "INT16: \tI16\t= -32768");
}

TEST_F(GffTest, FloatsShowFifteenDigitsAndSixDecimalsInTheDump)
{
    GffBuilder gff("UTC ");
    gff.Float(0, "F", 0.1f);
    gff.Float(0, "Neg", -2.5f);
    gff.Double(0, "D", 0.1);
    gff.Double(0, "Big", 1e20);
    gff.Double(0, "Third", 1.0 / 3.0);
    CUT cut;
    Load(cut, gff);
    EXPECT_EQ(RowsOf(cut), (std::vector<Row>{
                               {"0", "FLOAT", "F", "0.100000001490116"},
                               {"1", "FLOAT", "Neg", "-2.5"},
                               {"2", "DOUBLE", "D", "0.1"},
                               {"3", "DOUBLE", "Big", "1e+20"},
                               {"4", "DOUBLE", "Third", "0.333333333333333"},
                           }));
    EXPECT_THAT(cut.Lines, ElementsAre(::testing::_, "FLOAT: \tF\t= 0.100000", "FLOAT: \tNeg\t= -2.500000",
                                       "DOUBLE: \tD\t= 0.100000",
                                       "DOUBLE: \tBig\t= 100000000000000000000.000000",
                                       "DOUBLE: \tThird\t= 0.333333", "END FILE"));
}

TEST_F(GffTest, SixtyFourBitNumbersShowTheirFullValue)
{
    GffBuilder gff("UTI ");
    gff.DWord64(0, "AllOnes", 0xFFFFFFFFFFFFFFFFull);
    gff.DWord64(0, "High", 0x100000000ull);
    gff.Int64(0, "Min", INT64_MIN);
    gff.Int64(0, "Big", 1234567890123ll);
    CUT cut;
    Load(cut, gff);
    EXPECT_EQ(RowsOf(cut), (std::vector<Row>{
                               {"0", "UINT64", "AllOnes", "18446744073709551615"},
                               {"1", "UINT64", "High", "4294967296"},
                               {"2", "INT64", "Min", "-9223372036854775808"},
                               {"3", "INT64", "Big", "1234567890123"},
                           }));
    EXPECT_EQ(cut.Lines.at(1), "UINT64: \tAllOnes\t= 18446744073709551615");
    EXPECT_EQ(cut.Lines.at(2), "UINT64: \tHigh\t= 4294967296");
    EXPECT_EQ(cut.Lines.at(3), "INT64: \tMin\t= -9223372036854775808");
}

TEST_F(GffTest, TypesSixteenAndAboveGiveAnEmptyEntryAndNoLine)
{
    GffBuilder gff("UTI ");
    gff.Raw(0, "Odd", 16, 5);
    gff.Raw(0, "Odder", 0xFFFFFFFF, 5);
    gff.Byte(0, "After", 1);
    CUT cut;
    Load(cut, gff);
    EXPECT_EQ(RowsOf(cut), (std::vector<Row>{
                               {"0", "", "Odd", ""},
                               {"1", "", "Odder", ""},
                               {"2", "UINT8", "After", "1"},
                           }));
    EXPECT_THAT(cut.Lines, ElementsAre(::testing::_, "UINT8: \tAfter\t= 1", "END FILE"));
}

class GffFileTypeTest : public GffTest, public ::testing::WithParamInterface<std::pair<std::string, bool>> {};

TEST_P(GffFileTypeTest, Uint32IsATalkTableReferenceOnlyInItpAndGffFiles)
{
    WriteGameTalkTable();
    GffBuilder gff(GetParam().first);
    gff.DWord(0, "WithSound", 5);
    gff.DWord(0, "TextOnly", 6);
    gff.DWord(0, "None", NoStrRef);
    gff.DWord(0, "Outside", 7);
    gff.Int(0, "Signed", 6);
    CUT cut;
    Load(cut, gff, "file.itp");

    const bool lookedUp = GetParam().second;
    const std::vector<std::string> expected =
        lookedUp ? std::vector<std::string>{"vs_hello", "Goodbye.", "", "", "6"}
                 : std::vector<std::string>{"5", "6", "4294967295", "7", "6"};
    std::vector<std::string> values;
    for (const RUT &entry : cut.Entries)
        values.push_back(entry.Value);
    EXPECT_EQ(values, expected);
    // The dump shows the number in every case.
    EXPECT_EQ(cut.Lines.at(1), "UINT32: \tWithSound\t= 5");
    EXPECT_EQ(cut.Lines.at(3), "UINT32: \tNone\t= 4294967295");
}

INSTANTIATE_TEST_SUITE_P(Types, GffFileTypeTest,
                         ::testing::Values(std::pair{std::string("ITP "), true},
                                           std::pair{std::string("GFF "), true},
                                           std::pair{std::string("UTI "), false},
                                           std::pair{std::string("ITP"), false},
                                           std::pair{std::string("UTC "), false}));

TEST_F(GffTest, LookupPrefersTheSoundResRefAndGivesEmptyTextOutsideTheTable)
{
    WriteGameTalkTable();
    CUT cut;
    EXPECT_EQ(cut.LookupStrRef(5), "vs_hello");
    EXPECT_EQ(cut.LookupStrRef(6), "Goodbye.");
    EXPECT_EQ(cut.LookupStrRef(0), "");
    EXPECT_EQ(cut.LookupStrRef(7), "");
    EXPECT_EQ(cut.LookupStrRef(NoStrRef), "");
}

TEST_F(GffTest, WithoutTalkTableLookupsAreEmpty)
{
    CUT cut;
    EXPECT_EQ(cut.TalkTable.Count(), 0u);
    EXPECT_EQ(cut.LookupStrRef(1), "");
}

TEST_F(GffTest, LocalizedStringsWithAndWithoutSubstrings)
{
    WriteGameTalkTable();
    GffBuilder gff("UTI ");
    gff.LocString(0, "Name", 6);
    gff.LocString(0, "NoRef", NoStrRef);
    gff.LocString(0, "Many", 6, {{0, "Sword"}, {1, "Schwert"}, {4294967295u, "x"}});
    gff.LocString(0, "EmptySub", NoStrRef, {{2, ""}});
    CUT cut;
    Load(cut, gff);
    EXPECT_EQ(RowsOf(cut), (std::vector<Row>{
                               {"0", "STRREF", "Name", ""},
                               {"0", "STRREF", "Name", "Goodbye."},
                               {"1", "STRREF", "NoRef", ""},
                               {"1", "STRREF", "NoRef", ""},
                               {"2", "STRREF", "Many", ""},
                               {"", "", "LANG 0", "Sword"},
                               {"", "", "LANG 1", "Schwert"},
                               {"", "", "LANG 4294967295", "x"},
                               {"3", "STRREF", "EmptySub", ""},
                               {"", "", "LANG 2", ""},
                           }));
    EXPECT_EQ(cut.Lines, (std::vector<std::string>{
                             "BEGIN FILE: \"a.uti\" \"UTI V3.2\" 0xFFFFFFFF",
                             "STRREF:\tName\t",
                             "STRREF: \tName\t= 6",
                             "STRREF:\tNoRef\t",
                             "STRREF: \tNoRef\t= 4294967295",
                             "STRREF:\tMany\t",
                             "     \tLANG: 0 = \"Sword\"",
                             "     \tLANG: 1 = \"Schwert\"",
                             "     \tLANG: 4294967295 = \"x\"",
                             "STRREF:\tEmptySub\t",
                             "     \tLANG: 2 = \"\"",
                             "END FILE",
                         }));
}

TEST_F(GffTest, NestedListsNamePathsIndentAndNumberLocalizedStrings)
{
    WriteGameTalkTable();
    GffBuilder gff("UTC ");
    gff.Byte(0, "Before", 1);
    const int outer0 = gff.AddStruct(10);
    const int outer1 = gff.AddStruct(11);
    const int inner0 = gff.AddStruct(20);
    const int inner1 = gff.AddStruct(21);
    gff.Word(outer0, "Slot", 3);
    gff.Word(inner0, "Label", 7);
    gff.Word(inner1, "Label", 8);
    gff.LocString(inner1, "Text", 5);
    gff.LocString(inner1, "Named", NoStrRef, {{0, "Hi"}});
    gff.List(outer1, "Inner", {inner0, inner1});
    gff.List(0, "Outer", {outer0, outer1});
    gff.Byte(0, "After", 2);
    CUT cut;
    Load(cut, gff, "n.utc");

    EXPECT_EQ(RowsOf(cut), (std::vector<Row>{
                               {"0", "UINT8", "Before", "1"},
                               {"1", "LIST", "Outer", "Count: 2"},
                               {"", "UINT16", "Outer[0].Slot", "3"},
                               {"", "LIST", "Outer[1].Inner", "Count: 2"},
                               {"", "UINT16", "Outer[1].Inner[0].Label", "7"},
                               {"", "UINT16", "Outer[1].Inner[1].Label", "8"},
                               {"1", "STRREF", "Outer[1].Inner[1].Text", ""},
                               {"1", "STRREF", "Outer[1].Inner[1].Text", "vs_hello"},
                               {"1", "STRREF", "Outer[1].Inner[1].Named", ""},
                               {"", "", "Outer[1].Inner[1].LANG 0", "Hi"},
                               {"2", "UINT8", "After", "2"},
                           }));
    EXPECT_EQ(cut.Lines, (std::vector<std::string>{
                             "BEGIN FILE: \"n.utc\" \"UTC V3.2\" 0xFFFFFFFF",
                             "UINT8: \tBefore\t= 1",
                             "LIST:\tOuter",
                             "\tELEMENT = 0x0000000A",
                             "\t UINT16: \tSlot\t= 3",
                             "\tEND ELEMENT",
                             "\tELEMENT = 0x0000000B",
                             "\t LIST:\tInner",
                             "\t \tELEMENT = 0x00000014",
                             "\t \t UINT16: \tLabel\t= 7",
                             "\t \tEND ELEMENT",
                             "\t \tELEMENT = 0x00000015",
                             "\t \t UINT16: \tLabel\t= 8",
                             "\t \t STRREF:\tText\t",
                             "STRREF: \tText\t= 5",
                             "\t \t STRREF:\tNamed\t",
                             "\t \t      \tLANG: 0 = \"Hi\"",
                             "\t \tEND ELEMENT",
                             "\t END LIST",
                             "\tEND ELEMENT",
                             "END LIST",
                             "UINT8: \tAfter\t= 2",
                             "END FILE",
                         }));
    EXPECT_EQ(cut.Indent, "");
}

TEST_F(GffTest, ElementsWithNoFieldAndEmptyLists)
{
    GffBuilder gff("UTI ");
    const int bare = gff.AddStruct(3);
    gff.List(0, "Bare", {bare});
    gff.List(0, "None", {});
    CUT cut;
    Load(cut, gff);
    EXPECT_EQ(RowsOf(cut), (std::vector<Row>{{"0", "LIST", "Bare", "Count: 1"}, {"1", "LIST", "None", "Count: 0"}}));
    EXPECT_THAT(cut.Lines, ElementsAre(::testing::_, "LIST:\tBare", "\tELEMENT = 0x00000003", "\tEND ELEMENT",
                                       "END LIST", "LIST:\tNone", "END LIST", "END FILE"));
}

TEST_F(GffTest, ListPastTheEndGivesListErrorAndReadingGoesOn)
{
    GffBuilder gff("UTI ");
    const int element = gff.AddStruct(0);
    gff.Byte(element, "Inside", 1);
    const int list = gff.List(0, "Broken", {element});
    gff.Byte(0, "After", 9);
    gff.Field(list).WordField = 0x7FFFFFF0;
    CUT cut;
    Load(cut, gff);
    EXPECT_EQ(RowsOf(cut), (std::vector<Row>{{"", "ERROR", "ERROR", "List Error"}, {"1", "UINT8", "After", "9"}}));
    EXPECT_THAT(cut.Lines, ElementsAre(::testing::_, "UINT8: \tAfter\t= 9", "END FILE"));
}

TEST_F(GffTest, ListWhoseCountIsCutByTheEndOfTheFileIsAListError)
{
    GffBuilder gff("UTI ");
    const int list = gff.List(0, "Broken", {});
    const GffBuilder::Layout layout = gff.ComputeLayout();
    gff.Field(list).WordField = layout.End - layout.ListIndicesOffset - 2; // two bytes of the count inside
    CUT cut;
    Load(cut, gff);
    EXPECT_EQ(RowsOf(cut), (std::vector<Row>{{"", "ERROR", "ERROR", "List Error"}}));
}

TEST_F(GffTest, ListThatContainsItselfIsCutWhereItRepeats)
{
    GffBuilder gff("UTI ");
    const int loop = gff.AddStruct(1);
    gff.Byte(loop, "Level", 1);
    gff.List(loop, "Loop", {loop, loop});
    gff.List(0, "Loop", {loop});
    gff.Byte(0, "After", 2);
    CUT cut;
    Load(cut, gff);

    EXPECT_EQ(RowsOf(cut), (std::vector<Row>{{"0", "LIST", "Loop", "Count: 1"},
                                             {"", "UINT8", "Loop[0].Level", "1"},
                                             {"", "LIST", "Loop[0].Loop", "Count: 2"},
                                             {"", "ERROR", "Loop[0].Loop[0]", "List Error"},
                                             {"", "ERROR", "Loop[0].Loop[1]", "List Error"},
                                             {"1", "UINT8", "After", "2"}}));
    // Every list opened in the dump is closed again.
    EXPECT_EQ(cut.Lines.back(), "END FILE");
    EXPECT_EQ(cut.Lines[cut.Lines.size() - 3], "END LIST");
    EXPECT_EQ(cut.Indent, "");
}

// Lists that share structs are read in full however often they share them,
// up to a fixed limit far beyond any file of the game.
TEST_F(GffTest, SharedStructsAreReadUpToAFixedLimit)
{
    struct Case {
        const char *What;
        std::function<GffBuilder()> Build;
        std::size_t Entries; // 0: refused as too large
    };
    const Case cases[] = {
        {"1,000 elements naming one struct of 10 fields",
         [] {
             GffBuilder gff("UTI ");
             const int shared = gff.AddStruct(0);
             for (int f = 0; f < 10; ++f)
                 gff.Byte(shared, "F" + std::to_string(f), std::uint8_t(f));
             gff.List(0, "Items", std::vector<int>(1000, shared));
             return gff;
         },
         1 + 1000 * 10},
        {"30 structs each listing the next twice (2^30 elements)",
         [] {
             GffBuilder gff("UTI ");
             int next = gff.AddStruct(0);
             gff.Byte(next, "Leaf", 1);
             for (int level = 0; level < 30; ++level) {
                 const int outer = gff.AddStruct(0);
                 gff.List(outer, "Twice", {next, next});
                 next = outer;
             }
             gff.List(0, "Top", {next});
             return gff;
         },
         0},
        {"300 fields sharing one text of 1 MB",
         [] {
             GffBuilder gff("UTI ");
             gff.String(0, "Text", std::string(1 << 20, 'x'));
             for (int i = 0; i < 300; ++i)
                 gff.Field(gff.String(0, "Copy", "")).WordField = 0;
             return gff;
         },
         0},
    };
    for (const Case &c : cases) {
        const GffBuilder gff = c.Build();
        if (c.Entries == 0) {
            EXPECT_THAT(DamageReport(gff), HasSubstr("is too large to show")) << c.What;
            continue;
        }
        CUT cut;
        Load(cut, gff);
        EXPECT_EQ(cut.Entries.size(), c.Entries) << c.What;
    }
}

TEST_F(GffTest, DamagedOffsetsRaiseAFileErrorNamingTheFile)
{
    const std::string prefix = "\"" + (dir / "bad.uti") + "\" is damaged: ";
    auto withTwoFields = [] {
        GffBuilder gff("UTI ");
        gff.String(0, "Tag", "tag");
        gff.DWord64(0, "Big", 1);
        const int element = gff.AddStruct(0);
        gff.Byte(element, "A", 1);
        gff.Byte(element, "B", 2);
        gff.List(0, "List", {element});
        return gff;
    };
    struct Case {
        const char *What;
        std::function<void(GffBuilder &)> Damage;
    };
    const Case cases[] = {
        {"string value past the end", [](GffBuilder &g) { g.Field(0).WordField = 0x7FFFFFFF; }},
        {"string length past the end",
         [](GffBuilder &g) { g.Field(0).Data = std::string("\xFF\xFF\x00\x00tag", 7); }},
        {"UINT64 value past the end", [](GffBuilder &g) { g.Field(1).WordField = 0xFFFFFFFC; }},
        {"field data block past the end", [](GffBuilder &g) { g.FieldDataOffsetField = 0xFFFFFFF0; }},
        {"field array past the end", [](GffBuilder &g) { g.FieldOffsetField = 0x10000000; }},
        {"field indices past the end", [](GffBuilder &g) { g.FieldIndicesOffsetField = 0xFFFFFFFF; }},
        {"field number past the end", [](GffBuilder &g) { g.Struct(0).DataOrDataOffsetField = 0x40000000u; }},
        {"top-level field count past the end", [](GffBuilder &g) { g.Struct(0).FieldCountField = 0xFFFFFFFF; }},
        {"element struct past the end", [](GffBuilder &g) { g.Field(4).Elements = {1, 5000000}; }},
        {"element field list past the end", [](GffBuilder &g) { g.Struct(1).DataOrDataOffsetField = 0xFFFFFFF8; }},
        {"single element field past the end",
         [](GffBuilder &g) {
             g.Struct(1).FieldCountField = 1;
             g.Struct(1).DataOrDataOffsetField = 999;
         }},
        {"label table past the end", [](GffBuilder &g) { g.LabelOffsetField = 0xFFFFFFF0; }},
        {"label count past the end", [](GffBuilder &g) { g.LabelCountField = 0xFFFFFFFF; }},
        {"label number outside the table", [](GffBuilder &g) { g.Field(3).LabelIndexField = 5; }},
        {"list elements past the end",
         [](GffBuilder &g) {
             const GffBuilder::Layout layout = g.ComputeLayout();
             g.Field(4).WordField = layout.End - layout.ListIndicesOffset;
             ByteBuilder trailer;
             trailer.U32(100000).U32(1);
             g.Trailer = trailer.Take();
         }},
    };
    for (const Case &c : cases) {
        GffBuilder gff = withTwoFields();
        c.Damage(gff);
        EXPECT_THAT(DamageReport(gff), ::testing::StartsWith(prefix)) << c.What;
    }
    // The undamaged file reads.
    EXPECT_EQ(DamageReport(withTwoFields()), "");
}

TEST_F(GffTest, FileShorterThanTheHeaderAndTopLevelStructIsDamaged)
{
    const std::string full = WorkedExample().Build();
    EXPECT_THAT(DamageReport(full.substr(0, 67)), HasSubstr("is damaged"));
    EXPECT_THAT(DamageReport(""), HasSubstr("is damaged"));
}

TEST_F(GffTest, EveryCutOrScrambledFileLoadsOrReportsDamage)
{
    WriteGameTalkTable();
    GffBuilder gff("ITP ");
    gff.DWord(0, "Ref", 5);
    gff.DWord64(0, "Big", 7);
    gff.Double(0, "D", 2.5);
    gff.LocString(0, "Name", NoStrRef, {{0, "Sword"}, {2, "Blade"}});
    gff.LocString(0, "Ref2", 6);
    const int a = gff.AddStruct(1);
    const int b = gff.AddStruct(2);
    gff.ResRef(a, "Res", "abc");
    gff.String(b, "Str", "hello");
    gff.List(b, "Deep", {a});
    gff.List(0, "Items", {a, b});
    const std::string bytes = gff.Build();

    int loaded = 0, damaged = 0;
    auto attempt = [&](const std::string &content) {
        // A new name each time: rewriting one file makes the file system flush it.
        const std::string name = "t" + std::to_string(loaded + damaged) + ".itp";
        WriteFile(dir.Path() / name, content);
        CUT cut;
        cut.MakeText = true;
        try {
            cut.Load(dir / name);
            ++loaded;
        } catch (const EFileError &) {
            ++damaged;
        }
    };
    for (std::size_t length = 0; length < bytes.size(); ++length)
        attempt(bytes.substr(0, length));
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        std::string scrambled = bytes;
        for (int k = 0; k < 4; ++k)
            scrambled[random() % scrambled.size()] = static_cast<char>(random());
        attempt(scrambled);
    }
    EXPECT_EQ(loaded + damaged, static_cast<int>(bytes.size()) + 400);
    EXPECT_GT(damaged, 0);
    EXPECT_GT(loaded, 0);
}

// A locale whose decimal separator is a comma, made with localedef when the
// system has none; empty when neither works.
std::string CommaLocale(const fs::path &folder)
{
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name)) {
            std::setlocale(LC_NUMERIC, "C");
            return name;
        }
    const std::string command = "localedef -i de_DE -f UTF-8 '" + (folder / "de_DE.UTF-8").string() +
                                "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return {};
    ::setenv("LOCPATH", folder.c_str(), 1);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        return {};
    std::setlocale(LC_NUMERIC, "C");
    return "de_DE.UTF-8";
}

TEST_F(GffTest, DecimalSeparatorFollowsTheNumericLocale)
{
    ScopedEnv locpath("LOCPATH", std::nullopt);
    const std::string locale = CommaLocale(dir.Path());
    if (locale.empty())
        GTEST_SKIP() << "no locale with a decimal comma can be made here";
    GffBuilder gff("UTI ");
    gff.Float(0, "F", 0.1f);
    gff.Double(0, "D", 2.5);
    gff.DWord(0, "N", 1234567);
    const std::string path = Write(gff);

    ASSERT_TRUE(std::setlocale(LC_NUMERIC, locale.c_str()));
    CUT cut;
    cut.MakeText = true;
    cut.Load(path);
    std::setlocale(LC_NUMERIC, "C");

    EXPECT_EQ(cut.Entries.at(0).Value, "0,100000001490116");
    EXPECT_EQ(cut.Entries.at(1).Value, "2,5");
    EXPECT_EQ(cut.Entries.at(2).Value, "1234567"); // no thousands separators
    EXPECT_EQ(cut.Lines.at(1), "FLOAT: \tF\t= 0,100000");
    EXPECT_EQ(cut.Lines.at(2), "DOUBLE: \tD\t= 2,500000");
}

// ---------------------------------------------------------------- hostile files

// One struct of ten fields named by every element of a list of count.
GffBuilder ListOfOneStruct(int count)
{
    GffBuilder gff("UTI ");
    const int shared = gff.AddStruct(0);
    for (int f = 0; f < 10; ++f)
        gff.Byte(shared, "Field", std::uint8_t(f));
    gff.List(0, "Items", std::vector<int>(std::size_t(count), shared));
    return gff;
}

class HostileGffs : public GffTest, public ::testing::WithParamInterface<coretest::THostileFile> {
protected:
    // Entry 1 of the game's talk table is a text of 1 MB.
    void SetUp() override
    {
        GffTest::SetUp();
        TlkBuilder tlk;
        tlk.Add("", "-");
        tlk.Add("", std::string(1 << 20, 'x'));
        tlk.WriteTo(dir.Path() / "game" / "dialog.tlk");
    }
};

TEST_P(HostileGffs, StayWithinTheirBounds)
{
    const std::string path = dir / "hostile.utc";
    coretest::ExpectSeen(GetParam(), path, [&] {
        CUT cut;
        cut.MakeText = true;
        cut.Load(path);
        return std::to_string(cut.Entries.size()) + " entries, " + std::to_string(cut.Lines.size()) + " lines";
    });
}

INSTANTIATE_TEST_SUITE_P(
    All, HostileGffs,
    ::testing::Values(
        coretest::THostileFile{"ListOfOneStructReadInFull", [] { return ListOfOneStruct(2000).Build(); },
                   "20001 entries, 24004 lines"},
        coretest::THostileFile{"ListOfOneStructBeyondTheFile", [] { return ListOfOneStruct(250000).Build(); },
                   "is too large to show: its labels, entries and dump would take more than"},
        coretest::THostileFile{"ListOfItsOwnStruct",
                   [] {
                       GffBuilder gff("UTI ");
                       const int loop = gff.AddStruct(1);
                       gff.List(loop, "Loop", std::vector<int>(250000, loop));
                       gff.List(0, "Loop", {loop});
                       return gff.Build();
                   },
                   "250002 entries, 8 lines"},
        coretest::THostileFile{"StructsListingTheNextTwice",
                   [] {
                       GffBuilder gff("UTI ");
                       int next = gff.AddStruct(0);
                       gff.String(next, "Leaf", std::string(100, 'x'));
                       for (int level = 0; level < 40; ++level) {
                           const int outer = gff.AddStruct(0);
                           gff.List(outer, "Twice", {next, next});
                           next = outer;
                       }
                       gff.List(0, "Top", {next});
                       return gff.Build();
                   },
                   "is too large to show"},
        coretest::THostileFile{"FieldsSharingOneLongText",
                   [] {
                       GffBuilder gff("UTI ");
                       gff.String(0, "Text", std::string(1 << 20, 'x'));
                       for (int i = 0; i < 300; ++i)
                           gff.Field(gff.String(0, "Copy", "")).WordField = 0;
                       return gff.Build();
                   },
                   "is too large to show"},
        coretest::THostileFile{"FieldsNamingOneLongTalkText",
                   [] {
                       GffBuilder gff("GFF ");
                       for (int i = 0; i < 50000; ++i)
                           gff.DWord(0, "Talk", 1);
                       return gff.Build();
                   },
                   "is too large to show"},
        coretest::THostileFile{"ListsNestedTooDeep",
                   [] {
                       GffBuilder gff("UTI ");
                       int inner = gff.AddStruct(0);
                       for (int level = 0; level < 1200; ++level) {
                           const int outer = gff.AddStruct(0);
                           gff.List(outer, "Deeper", {inner});
                           inner = outer;
                       }
                       gff.List(0, "Top", {inner});
                       return gff.Build();
                   },
                   "is too large to show: its lists are nested more than 1000 deep"},
        coretest::THostileFile{"ManySmallFields",
                   [] {
                       GffBuilder gff("UTI ");
                       for (int i = 0; i < 100000; ++i)
                           gff.Byte(0, "Field", std::uint8_t(i));
                       return gff.Build();
                   },
                   "100000 entries, 100002 lines"}),
    coretest::NameOf);

} // namespace
