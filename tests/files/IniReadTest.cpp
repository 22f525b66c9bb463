#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "files/IniDocument.h"
#include "tests/files/TempDir.h"

namespace qv {
namespace {

struct ReadCase {
    const char* name;
    std::string text;
    std::string section;
    std::string tag;
    int result;
    std::string value;
};

class IniReadString : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadString, GetsTheUnescapedValue) {
    IniDocument doc;
    doc.parse(GetParam().text);
    std::string value = "junk";
    EXPECT_EQ(doc.getString(GetParam().section, GetParam().tag, value), GetParam().result);
    EXPECT_EQ(value, GetParam().value);
}

const std::string kLong(1100, 'x');

INSTANTIATE_TEST_SUITE_P(
    LineRules, IniReadString,
    ::testing::Values(
        ReadCase{"Basic", "[S]\r\nA = \"x\"\r\n", "S", "A", 1, "x"},
        ReadCase{"NoFinalLineEnd", "[S]\r\nA = \"x\"", "S", "A", 1, "x"},
        ReadCase{"LeadingWhiteSpace", "  \t[S]\r\n \t A = 1\r\n", "S", "A", 1, "1"},
        ReadCase{"Comment", "[S]\r\n;A = 1\r\n", "S", "A", 0, ""},
        ReadCase{"IndentedComment", "[S]\r\n   ; A = 1\r\n", "S", "A", 0, ""},
        ReadCase{"CommentTokenInsideValue", "[S]\r\nA = 1 ; 2\r\n", "S", "A", 1, "1 ; 2"},
        ReadCase{"NulEndsALine", std::string("[S]\0A = 1\0", 10), "S", "A", 1, "1"},
        ReadCase{"LineCutAt1024", "[S]\r\nA = " + kLong + "\r\nB = 2\r\n", "S", "A", 1,
                 std::string(1020, 'x')},
        ReadCase{"RestOfLongLineDropped", "[S]\r\nA = " + kLong + "\r\nB = 2\r\n", "S", "B", 1,
                 "2"},
        ReadCase{"SeparatorBeyond1024", "[S]\r\n" + kLong + " = 1\r\n", "S", kLong, 0, ""},
        ReadCase{"ItemBeforeFirstSection", "A = 1\r\n[S]\r\n", "S", "A", 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    SectionRules, IniReadString,
    ::testing::Values(ReadCase{"BlanksInsideBrackets", "[  S  ]\r\nA = 1\r\n", "S", "A", 1, "1"},
                      ReadCase{"BlanksAfterBracket", "[S]  \t\r\nA = 1\r\n", "S", "A", 1, "1"},
                      ReadCase{"TextAfterBracketIgnored", "[S] x\r\nA = 1\r\n", "S", "A", 0, ""},
                      ReadCase{"NoClosingBracketIgnored", "[S\r\nA = 1\r\n", "S", "A", 0, ""},
                      ReadCase{"EmptyNameIgnored", "[ ]\r\nA = 1\r\n", "", "A", 0, ""},
                      ReadCase{"LastBracketCloses", "[A]B]\r\nX = 1\r\n", "A]B", "X", 1, "1"},
                      ReadCase{"IgnoredLineKeepsPreviousSection", "[S]\r\n[broken\r\nA = 1\r\n",
                               "S", "A", 1, "1"},
                      ReadCase{"FirstOfDuplicateSectionsWins",
                               "[S]\r\nA = 1\r\n[s]\r\nA = 2\r\nB = 3\r\n", "S", "A", 1, "1"},
                      ReadCase{"SecondDuplicateSectionNotSearched",
                               "[S]\r\nA = 1\r\n[s]\r\nB = 3\r\n", "S", "B", 0, ""},
                      ReadCase{"SectionCaseInsensitive", "[SETTINGS]\r\nA = 1\r\n", " settings ",
                               "A", 1, "1"},
                      ReadCase{"MissingSection", "[S]\r\nA = 1\r\n", "T", "A", 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ItemRules, IniReadString,
    ::testing::Values(
        ReadCase{"TagCaseInsensitive", "[S]\r\nLANGUAGE = 1\r\n", "S", "language", 1, "1"},
        ReadCase{"TagBlanksIgnored", "[S]\r\n  PORT  =  5000  \r\n", "S", "  port ", 1, "5000"},
        ReadCase{"FirstDuplicateTagWins", "[S]\r\nA = 1\r\nA = 2\r\n", "S", "A", 1, "1"},
        ReadCase{"EmbeddedSeparator", "[S]\r\nA = \"x=y = z\"\r\n", "S", "A", 1, "x=y = z"},
        ReadCase{"ValueOnlySeparator", "[S]\r\nA ==\r\n", "S", "A", 1, "="},
        ReadCase{"NoSeparatorIgnored", "[S]\r\nA 1\r\n", "S", "A 1", 0, ""},
        ReadCase{"EmptyTagIgnored", "[S]\r\n = 1\r\n", "S", "", 0, ""},
        ReadCase{"NothingAfterSeparator", "[S]\r\nA =   \r\n", "S", "A", 0, ""},
        ReadCase{"EmptyQuotedValueFound", "[S]\r\nA = \"\"\r\n", "S", "A", 1, ""},
        ReadCase{"SingleQuoteKept", "[S]\r\nA = \"\r\n", "S", "A", 1, "\""},
        ReadCase{"OpeningQuoteOnlyKept", "[S]\r\nA = \"abc\r\n", "S", "A", 1, "\"abc"},
        ReadCase{"ClosingQuoteOnlyKept", "[S]\r\nA = abc\"\r\n", "S", "A", 1, "abc\""},
        ReadCase{"BlanksInsideQuotesKept", "[S]\r\nA = \"  x  \"\r\n", "S", "A", 1, "  x  "}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Unescaping, IniReadString,
    ::testing::Values(
        ReadCase{"DoubleBackslash", "[S]\r\nA = \"C:\\\\Data\\\\x.ini\"\r\n", "S", "A", 1,
                 "C:\\Data\\x.ini"},
        ReadCase{"ControlLetters", "[S]\r\nA = \"a\\tb\\nc\\rd\"\r\n", "S", "A", 1, "a\tb\nc\rd"},
        ReadCase{"Hex", "[S]\r\nA = \"\\x41\\x1b\\x7F\\xe4\"\r\n", "S", "A", 1, "A\x1b\x7f\xe4"},
        ReadCase{"HexWithoutTwoDigits", "[S]\r\nA = \"\\x4g\\x\"\r\n", "S", "A", 1, "x4gx"},
        ReadCase{"BackslashAnyCharacter", "[S]\r\nA = \"\\q\\\"\\;\"\r\n", "S", "A", 1, "q\";"},
        ReadCase{"TrailingBackslashDropped", "[S]\r\nA = \"abc\\\"\r\n", "S", "A", 1, "abc"},
        ReadCase{"UnquotedIsUnescapedToo", "[S]\r\nA = C:\\\\x\\ty\r\n", "S", "A", 1, "C:\\x\ty"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Joining, IniReadString,
    ::testing::Values(
        ReadCase{"PiecesJoined",
                 "[S]\r\nP Line0001 = \"ab\"\r\nP Line0002 = \"cd\"\r\nP Line0003 = \"e\"\r\n", "S",
                 "P", 1, "abcde"},
        ReadCase{"JoinedBeforeUnescaping",
                 "[S]\r\nP Line0001 = \"a\\\"\r\nP Line0002 = \"\\b\"\r\n", "S", "P", 1, "a\\b"},
        ReadCase{"PieceTagGoneAfterJoin", "[S]\r\nP Line0001 = \"ab\"\r\nP Line0002 = \"cd\"\r\n",
                 "S", "P Line0001", 0, ""},
        ReadCase{"RunMustStartAtOne", "[S]\r\nP Line0002 = \"cd\"\r\n", "S", "P Line0002", 1, "cd"},
        ReadCase{"OtherItemEndsRun",
                 "[S]\r\nP Line0001 = \"ab\"\r\nQ = 1\r\nP Line0002 = \"cd\"\r\n", "S", "P", 1,
                 "ab"},
        ReadCase{"OtherTagEndsRun", "[S]\r\nP Line0001 = \"ab\"\r\nQ Line0002 = \"cd\"\r\n", "S",
                 "Q Line0002", 1, "cd"},
        ReadCase{"PieceOneStartsANewRun",
                 "[S]\r\nP Line0001 = \"ab\"\r\nP Line0002 = \"cd\"\r\nP Line0001 = \"ef\"\r\n",
                 "S", "P", 1, "abcd"},
        ReadCase{"UnquotedPieces", "[S]\r\nN Line1 = 12\r\nN Line2 = 34\r\n", "S", "N", 1, "1234"},
        ReadCase{"OnlyInOneSection", "[S]\r\nP Line0001 = \"ab\"\r\n[T]\r\nP Line0002 = \"cd\"\r\n",
                 "S", "P", 1, "ab"}),
    [](const auto& info) { return std::string(info.param.name); });

// The same document with every kind of line end the reader accepts.
class IniLineEnds : public ::testing::TestWithParam<std::string> {};

TEST_P(IniLineEnds, ReadTheSameAsCrLf) {
    const std::string& eol = GetParam();
    IniDocument doc;
    doc.parse("[LINK]" + eol + "PROTOCOL = 1" + eol + "SERVER = \"host=a\"" + eol + eol +
              "[DIRECTORIES]" + eol + "PARAMETER FILE = \"C:\\\\p.ini\"" + eol + eol);

    EXPECT_EQ(doc.sectionNames(), (std::vector<std::string>{"LINK", "DIRECTORIES"}));
    EXPECT_EQ(doc.tags("LINK"), (std::vector<std::string>{"PROTOCOL", "SERVER"}));
    std::int32_t protocol = 0;
    EXPECT_EQ(doc.getInt("LINK", "PROTOCOL", protocol), INI_FOUND);
    EXPECT_EQ(protocol, 1);
    std::string text;
    EXPECT_EQ(doc.getString("LINK", "SERVER", text), INI_FOUND);
    EXPECT_EQ(text, "host=a");
    EXPECT_EQ(doc.getString("DIRECTORIES", "PARAMETER FILE", text), INI_FOUND);
    EXPECT_EQ(text, "C:\\p.ini");
}

INSTANTIATE_TEST_SUITE_P(Kinds, IniLineEnds,
                         ::testing::Values("\r\n", "\n", "\r", "\n\r", std::string(1, '\0')));

struct IntCase {
    const char* name;
    std::string value;  // as it stands after the separator
    int result;
    std::int32_t number;  // what the caller's variable holds afterwards
};

class IniReadInt : public ::testing::TestWithParam<IntCase> {};

TEST_P(IniReadInt, ParsesOrLeavesTheTargetAlone) {
    IniDocument doc;
    doc.parse("[S]\r\nN = " + GetParam().value + "\r\n");
    std::int32_t number = 4242;
    EXPECT_EQ(doc.getInt("S", "N", number), GetParam().result);
    EXPECT_EQ(number, GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniReadInt,
    ::testing::Values(IntCase{"Plain", "7", 1, 7}, IntCase{"PlusSign", "+7", 1, 7},
                      IntCase{"Negative", "-3", 1, -3},
                      IntCase{"NegativeBlanksInQuotes", "\" -3 \"", 1, -3},
                      IntCase{"LeadingZeros", "007", 1, 7},
                      IntCase{"Max", "2147483647", 1, 2147483647},
                      IntCase{"Min", "-2147483648", 1, -2147483647 - 1},
                      IntCase{"TrailingLetter", "7x", INI_ERR_NOT_INTEGER, 4242},
                      IntCase{"Hexadecimal", "0x10", INI_ERR_NOT_INTEGER, 4242},
                      IntCase{"DecimalPoint", "1.5", INI_ERR_NOT_INTEGER, 4242},
                      IntCase{"BlankAfterSign", "- 3", INI_ERR_NOT_INTEGER, 4242},
                      IntCase{"TwoSigns", "+-3", INI_ERR_NOT_INTEGER, 4242},
                      IntCase{"SignOnly", "-", INI_ERR_NOT_INTEGER, 4242},
                      IntCase{"Letters", "abc", INI_ERR_NOT_INTEGER, 4242},
                      IntCase{"TwoNumbers", "1 2", INI_ERR_NOT_INTEGER, 4242},
                      IntCase{"AboveMax", "2147483648", INI_ERR_NOT_INTEGER, 4242},
                      IntCase{"BelowMin", "-2147483649", INI_ERR_NOT_INTEGER, 4242},
                      IntCase{"FarTooLong", "99999999999999999999999", INI_ERR_NOT_INTEGER, 4242},
                      IntCase{"NotUnescaped", "\"\\x37\"", INI_ERR_NOT_INTEGER, 4242},
                      IntCase{"EmptyQuoted", "\"\"", INI_NOT_FOUND, 4242},
                      IntCase{"OnlyBlanksQuoted", "\"   \"", INI_NOT_FOUND, 4242}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniReadIntMissing, LeavesTheTargetAlone) {
    IniDocument doc;
    doc.parse("[S]\r\nN = 1\r\n");
    std::int32_t number = 4242;
    EXPECT_EQ(doc.getInt("S", "M", number), INI_NOT_FOUND);
    EXPECT_EQ(doc.getInt("T", "N", number), INI_NOT_FOUND);
    EXPECT_EQ(number, 4242);
}

struct BufferCase {
    const char* name;
    std::string stored;  // the text in the file, already unescaped
    std::size_t bufferSize;
    std::string value;
};

class IniBuffer : public ::testing::TestWithParam<BufferCase> {};

TEST_P(IniBuffer, CutsToBufferSizeMinusOne) {
    IniDocument doc;
    doc.putString("S", "T", GetParam().stored);
    std::string value = "junk";
    EXPECT_EQ(doc.getStringIntoBuffer("S", "T", value, GetParam().bufferSize), INI_FOUND);
    EXPECT_EQ(value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, IniBuffer,
    ::testing::Values(BufferCase{"Fits", "abc", 4, "abc"}, BufferCase{"Cut", "abcdef", 4, "abc"},
                      BufferCase{"CutAfterUnescaping", "a\\b\\c", 4, "a\\b"},
                      BufferCase{"SizeOne", "abc", 1, ""}, BufferCase{"SizeZero", "abc", 0, ""},
                      BufferCase{"NotInsideUtf8", "a\xc3\xa4", 3, "a"},
                      BufferCase{"AfterUtf8", "a\xc3\xa4z", 4, "a\xc3\xa4"},
                      BufferCase{"NotInsideThreeByteUtf8", "ab\xe2\x82\xac", 5, "ab"},
                      BufferCase{"SingleByteCodePage", "a\xe4\xa4", 3, "a\xe4"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniBufferMissing, ClearsTheBuffer) {
    IniDocument doc;
    doc.putString("S", "T", "x");
    std::string value = "junk";
    EXPECT_EQ(doc.getStringIntoBuffer("S", "U", value, 260), INI_NOT_FOUND);
    EXPECT_EQ(value, "");
}

TEST(IniQueries, ListSectionsAndTagsInOrder) {
    IniDocument doc;
    doc.parse("[B]\r\nZ = 1\r\nY = 2\r\n[A]\r\nX = 3\r\n[b]\r\nW = 4\r\n");
    EXPECT_EQ(doc.sectionNames(), (std::vector<std::string>{"B", "A", "b"}));
    EXPECT_EQ(doc.tags("b"), (std::vector<std::string>{"Z", "Y"}));
    EXPECT_TRUE(doc.tags("C").empty());
    EXPECT_TRUE(doc.hasSection(" a "));
    EXPECT_FALSE(doc.hasSection("C"));
    EXPECT_TRUE(doc.hasItem("A", "x"));
    EXPECT_FALSE(doc.hasItem("A", "W"));
}

TEST(IniParse, ReplacesTheContent) {
    IniDocument doc;
    doc.putInt("OLD", "A", 1);
    doc.parse("[NEW]\r\nB = 2\r\n");
    EXPECT_EQ(doc.sectionNames(), (std::vector<std::string>{"NEW"}));
}

TEST(IniReadFile, MissingFileOrDirectoryIsAnOpenErrorAndKeepsTheContent) {
    testing::TempDir dir;
    IniDocument doc;
    doc.putInt("S", "A", 1);
    EXPECT_EQ(doc.readFromFile(dir.file("missing.ini")), INI_ERR_OPEN);
    EXPECT_EQ(doc.readFromFile(dir.path().string()), INI_ERR_OPEN);
    EXPECT_EQ(doc.toText(), "[S]\r\nA = 1\r\n\r\n");
}

TEST(IniReadFile, HandEditedFileWithMixedLineEnds) {
    testing::TempDir dir;
    testing::writeBytes(dir.file("x.ini"),
                        "; written by hand\n[LINK]\r\nPROTOCOL = 1\rCOM PORT=3\n\r"
                        "[DIRECTORIES]\r\nPARAMETER FILE = C:\\\\p.ini");
    IniDocument doc;
    ASSERT_EQ(doc.readFromFile(dir.file("x.ini")), 0);
    std::int32_t port = 0;
    EXPECT_EQ(doc.getInt("link", "com port", port), INI_FOUND);
    EXPECT_EQ(port, 3);
    std::string path;
    EXPECT_EQ(doc.getString("DIRECTORIES", "PARAMETER FILE", path), INI_FOUND);
    EXPECT_EQ(path, "C:\\p.ini");
}

// Random damage, built from the characters the reader cares about, must neither crash nor leave
// an item that its own tag cannot find.
TEST(IniReadBroken, GarbageNeverBreaksTheReader) {
    static const char kSpecial[] = "[]=\";\\ \t\r\n\0xX01 Line";
    const std::string alphabet = std::string(kSpecial, sizeof kSpecial - 1) + "\x7f\xc3\xff";
    std::mt19937 random(20240601u);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<std::size_t> length(0, 3000);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const std::size_t size = length(random);
        for (std::size_t i = 0; i < size; ++i) {
            text += alphabet[pick(random)];
        }
        IniDocument doc;
        doc.parse(text);
        for (const std::string& section : doc.sectionNames()) {
            for (const std::string& tag : doc.tags(section)) {
                std::string value;
                ASSERT_EQ(doc.getString(section, tag, value), INI_FOUND) << "tag " << tag;
                std::int32_t number = 0;
                const int result = doc.getInt(section, tag, number);
                ASSERT_TRUE(result == INI_FOUND || result == INI_NOT_FOUND ||
                            result == INI_ERR_NOT_INTEGER);
            }
        }
        IniDocument again;
        again.parse(doc.toText());
        ASSERT_EQ(again.sectionNames(), doc.sectionNames());
    }
}

}  // namespace
}  // namespace qv
