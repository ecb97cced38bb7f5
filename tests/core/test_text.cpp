#include <gtest/gtest.h>

#include "CaseNames.h"
#include "util/errors.h"
#include "util/text.h"

#include <cerrno>

using namespace trawlix;

namespace {

TEST(SpaceStripping, RemovesOnlyBlanks) {
  EXPECT_EQ(StripSpaces("   "), "");
  EXPECT_EQ(StripSpaces(" \t "), "\t");
  EXPECT_EQ(StripSpaces("  *.txt ; "), "*.txt ;");
  EXPECT_EQ(StripLeadingSpaces("  a  "), "a  ");
  EXPECT_EQ(StripTrailingSpaces("  a  "), "  a");
  EXPECT_EQ(StripLeadingSpaces(""), "");
  EXPECT_EQ(Trim("\t\r\n a b \x01"), "a b");
}

TEST(UpperCasing, ChangesOnlyAsciiLetters) {
  EXPECT_EQ(UpperCase("abz{`@[AZ09\xe9\xc9"), "ABZ{`@[AZ09\xe9\xc9");
  EXPECT_TRUE(SameText("Notes.TXT", "notes.txt"));
  EXPECT_FALSE(SameText("\xe9", "\xc9"));
  EXPECT_FALSE(SameText("abc", "abcd"));
}

struct ParseCase {
  const char* text;
  std::vector<std::string> expected;
};

class ParseXMasks : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseXMasks, SplitsAtSemicolons) {
  TStringList list = {"left over"};
  const int count = ParseX(GetParam().text, ";", false, false, false, list);
  EXPECT_EQ(list, GetParam().expected);
  EXPECT_EQ(count, static_cast<int>(list.size()));
}

INSTANTIATE_TEST_SUITE_P(Table, ParseXMasks,
                         testing::Values(ParseCase{"*.txt;*.pas", {"*.txt", "*.pas"}},
                                         ParseCase{"*.txt;;*.pas", {"*.txt", "", "*.pas"}},
                                         ParseCase{";*.txt", {"", "*.txt"}},
                                         ParseCase{"*.txt;", {"*.txt"}},
                                         ParseCase{"*.txt; *.pas", {"*.txt", " *.pas"}},
                                         ParseCase{"", {}}, ParseCase{";", {""}},
                                         ParseCase{";;", {"", ""}},
                                         ParseCase{"\"a;b\";{c}", {"\"a", "b\"", "{c}"}}),
                         NamedAfter<&ParseCase::text>());

TEST(ParseX, SectionsWhenEnabled) {
  TStringList list;
  EXPECT_EQ(ParseX("\"a;b\";'c;d';x{;drop;}y", ";", true, true, true, list), 3);
  EXPECT_EQ(list, (TStringList{"a;b", "c;d", "xy"}));
  // An unclosed section simply ends with the text.
  ParseX("a;\"b;c", ";", true, false, false, list);
  EXPECT_EQ(list, (TStringList{"a", "b;c"}));
  // Quotes whose option is off are ordinary characters.
  ParseX("'a;b'", ";", true, false, true, list);
  EXPECT_EQ(list, (TStringList{"'a", "b'"}));
}

TEST(ParseX, MultiCharacterDelimiterTracking) {
  TStringList list;
  ParseX("a<>b<>", "<>", false, false, false, list);
  EXPECT_EQ(list, (TStringList{"a", "b"}));
  // After a mismatch the character is not tested again against the first delimiter
  // character, so "<<>" never completes the delimiter.
  ParseX("a<<>b", "<>", false, false, false, list);
  EXPECT_EQ(list, (TStringList{"a<<>b"}));
  // A delimiter whose first character opened a section: the cut never reaches before
  // the token's start.
  ParseX("\"\"a", "\"a", true, false, false, list);
  EXPECT_EQ(list, (TStringList{""}));
}

TEST(SystemErrorText, DropsTrailingFullStopsAndBlanks) {
  EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
  EXPECT_EQ(SystemErrorText(EACCES), "Permission denied");
  const std::string unknown = SystemErrorText(123456);
  ASSERT_FALSE(unknown.empty());
  EXPECT_NE(unknown.back(), '.');
  EXPECT_NE(unknown.back(), ' ');
}

TEST(Errors, CarryTypeNameAndMessage) {
  try {
    throw EFOpenError("Cannot open file \"x\". Permission denied");
  } catch (const Exception& e) {
    EXPECT_STREQ(e.TypeName(), "EFOpenError");
    EXPECT_EQ(e.Message(), "Cannot open file \"x\". Permission denied");
  }
}

}  // namespace
