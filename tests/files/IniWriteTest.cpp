#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/IniDocument.h"
#include "tests/files/TempDir.h"

namespace qv {
namespace {

TEST(IniWrite, EmptyDocumentWritesNothing) {
    EXPECT_EQ(IniDocument().toText(), "");
}

TEST(IniWrite, SectionsAndItemsKeepTheOrderOfTheirFirstPut) {
    IniDocument doc;
    doc.putString("DIRECTORIES", "PARAMETER FILE", "Parameter.ini");
    doc.putInt("SETTINGS", "LANGUAGE", 1);
    doc.putString("DIRECTORIES", "HW FILE", "");
    doc.putInt("SETTINGS", "TOP", -25);
    doc.putInt("SETTINGS", "MAX", 2147483647);
    doc.putInt("SETTINGS", "MIN", -2147483647 - 1);
    doc.putInt("SETTINGS", "ZERO", 0);

    EXPECT_EQ(doc.toText(),
              "[DIRECTORIES]\r\n"
              "PARAMETER FILE = \"Parameter.ini\"\r\n"
              "HW FILE = \"\"\r\n"
              "\r\n"
              "[SETTINGS]\r\n"
              "LANGUAGE = 1\r\n"
              "TOP = -25\r\n"
              "MAX = 2147483647\r\n"
              "MIN = -2147483648\r\n"
              "ZERO = 0\r\n"
              "\r\n");
}

TEST(IniWrite, NamesAreStoredWithoutSurroundingWhiteSpace) {
    IniDocument doc;
    doc.putInt("  SETTINGS\t", " LANGUAGE  ", 0);
    EXPECT_EQ(doc.toText(), "[SETTINGS]\r\nLANGUAGE = 0\r\n\r\n");
}

TEST(IniWrite, PutOfAnExistingTagReplacesItInPlace) {
    IniDocument doc;
    doc.putString("S", "A", "first");
    doc.putInt("S", "B", 2);
    doc.putInt("s", " a ", 9);  // same section and tag in other letter case
    EXPECT_EQ(doc.toText(), "[S]\r\na = 9\r\nB = 2\r\n\r\n");
}

TEST(IniWrite, PutRemovesEveryDuplicateReadFromAFile) {
    IniDocument doc;
    doc.parse("[S]\r\nA = 1\r\nB = 2\r\nA = 3\r\nC = 4\r\na = 5\r\n");
    doc.putString("S", "A", "new");
    EXPECT_EQ(doc.toText(), "[S]\r\nA = \"new\"\r\nB = 2\r\nC = 4\r\n\r\n");
}

struct EscapeCase {
    const char* name;
    std::string value;
    std::string line;  // the item line written for tag "T"
};

class IniEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(IniEscape, WritesTheLiteralLine) {
    IniDocument doc;
    doc.putString("S", "T", GetParam().value);
    EXPECT_EQ(doc.toText(), "[S]\r\n" + GetParam().line + "\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniEscape,
    ::testing::Values(
        EscapeCase{"Plain", "abc 123", "T = \"abc 123\""},
        EscapeCase{"WindowsPath", "C:\\Data\\Parameter.ini", "T = \"C:\\\\Data\\\\Parameter.ini\""},
        EscapeCase{"Quote", "say \"hi\"", "T = \"say \\\"hi\\\"\""},
        EscapeCase{"TabLfCr", "a\tb\nc\rd", "T = \"a\\tb\\nc\\rd\""},
        EscapeCase{"OtherControlsAsLowerCaseHex", "\x01\x1b\x1f\x7f",
                   "T = \"\\x01\\x1b\\x1f\\x7f\""},
        EscapeCase{"HighBytesUnchanged", "\xe4\xf6\xfc\x80\xff", "T = \"\xe4\xf6\xfc\x80\xff\""},
        EscapeCase{"Utf8Unchanged",
                   "Gr\xc3\xb6\xc3\x9f"
                   "e",
                   "T = \"Gr\xc3\xb6\xc3\x9f"
                   "e\""},
        EscapeCase{"SeparatorAndBracketsUnchanged", "a=b [c] ;d", "T = \"a=b [c] ;d\""},
        EscapeCase{"Empty", "", "T = \"\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniWrite, ValueOfExactlyEightyCharactersStaysOnOneLine) {
    IniDocument doc;
    doc.putString("S", "T", std::string(80, 'a'));
    EXPECT_EQ(doc.toText(), "[S]\r\nT = \"" + std::string(80, 'a') + "\"\r\n\r\n");
}

TEST(IniWrite, LongerValueIsSplitIntoNumberedQuotedPieces) {
    IniDocument doc;
    doc.putString("S", "PATH", std::string(80, 'a') + std::string(80, 'b') + "c");
    doc.putInt("S", "AFTER", 1);
    EXPECT_EQ(doc.toText(),
              "[S]\r\n"
              "PATH Line0001 = \"" +
                  std::string(80, 'a') +
                  "\"\r\n"
                  "PATH Line0002 = \"" +
                  std::string(80, 'b') +
                  "\"\r\n"
                  "PATH Line0003 = \"c\"\r\n"
                  "AFTER = 1\r\n"
                  "\r\n");
}

TEST(IniWrite, SplitCountsEscapedCharactersAndMayCutAnEscape) {
    // 79 letters and one backslash: 81 characters once escaped, the cut falls between the two
    // backslashes.
    IniDocument doc;
    doc.putString("S", "T", std::string(79, 'a') + "\\");
    EXPECT_EQ(doc.toText(),
              "[S]\r\n"
              "T Line0001 = \"" +
                  std::string(79, 'a') +
                  "\\\"\r\n"
                  "T Line0002 = \"\\\"\r\n"
                  "\r\n");
}

TEST(IniWrite, OverlongTagsAreCut) {
    IniDocument doc;
    const std::string tag(300, 'T');
    doc.putInt("S", tag, 5);
    doc.putString("S", tag + "X", std::string(81, 'v'));
    EXPECT_EQ(doc.toText(), "[S]\r\n" + std::string(255, 'T') + " = 5\r\n" + std::string(246, 'T') +
                                " Line0001 = \"" + std::string(80, 'v') + "\"\r\n" +
                                std::string(246, 'T') + " Line0002 = \"v\"\r\n\r\n");
}

TEST(IniWrite, WriteToFileWritesExactlyTheText) {
    testing::TempDir dir;
    IniDocument doc;
    doc.putString("DIRECTORIES", "PARAMETER FILE", "C:\\Data\\Parameter.ini");
    doc.putInt("LINK", "PROTOCOL", 1);
    ASSERT_EQ(doc.writeToFile(dir.file("PanelSettings.cfg")), 0);
    EXPECT_EQ(testing::readBytes(dir.file("PanelSettings.cfg")),
              "[DIRECTORIES]\r\n"
              "PARAMETER FILE = \"C:\\\\Data\\\\Parameter.ini\"\r\n"
              "\r\n"
              "[LINK]\r\n"
              "PROTOCOL = 1\r\n"
              "\r\n");
}

// Values that must survive a write to disk and a read back unchanged.
struct RoundTripCase {
    const char* name;
    std::string value;
};

class IniRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(IniRoundTrip, StringReadsBackUnchanged) {
    testing::TempDir dir;
    IniDocument written;
    written.putString("S", "T", GetParam().value);
    written.putInt("S", "NEXT", 42);
    ASSERT_EQ(written.writeToFile(dir.file("x.ini")), 0);

    IniDocument read;
    ASSERT_EQ(read.readFromFile(dir.file("x.ini")), 0);
    std::string value = "junk";
    EXPECT_EQ(read.getString("S", "T", value), INI_FOUND);
    EXPECT_EQ(value, GetParam().value);
    std::int32_t next = 0;
    EXPECT_EQ(read.getInt("S", "NEXT", next), INI_FOUND);
    EXPECT_EQ(next, 42);
    EXPECT_EQ(read.tags("S"), (std::vector<std::string>{"T", "NEXT"}));
}

std::string everyByte() {
    std::string all;
    for (int c = 1; c < 256; ++c) {
        all += static_cast<char>(c);
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniRoundTrip,
    ::testing::Values(RoundTripCase{"WindowsPath", "C:\\Users\\op\\Documents\\Parameter.ini"},
                      RoundTripCase{"Empty", ""}, RoundTripCase{"Exactly80", std::string(80, 'x')},
                      RoundTripCase{"Split81", std::string(81, 'x')},
                      RoundTripCase{"SplitLongPath",
                                    "D:\\" + std::string(200, 'p') + "\\HardwareInitialFile.ini"},
                      RoundTripCase{"SplitInsideEscapes",
                                    std::string(79, 'a') + "\\\"\t\x01" + std::string(90, 'b')},
                      RoundTripCase{"EdgeWhiteSpaceInPieces",
                                    " " + std::string(79, 'a') + "  " + std::string(78, 'b') + " "},
                      RoundTripCase{"QuotesAtBothEnds", "\"quoted\""},
                      RoundTripCase{"EmbeddedSeparator", "a = b = c"},
                      RoundTripCase{"SurroundingBlanks", "  padded  "},
                      RoundTripCase{"EveryByte", everyByte()},
                      RoundTripCase{"EmbeddedNul", std::string("a\0b", 3)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qv
