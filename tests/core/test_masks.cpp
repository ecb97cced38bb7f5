#include <gtest/gtest.h>

#include "CaseNames.h"
#include "util/MaskComparerUnit.h"

using namespace trawlix;

namespace {

struct MaskCase {
  const char* mask;
  const char* name;
  bool matches;
};

class MaskTable : public testing::TestWithParam<MaskCase> {};

TEST_P(MaskTable, Matches) {
  const TMaskComparer comparer;
  EXPECT_EQ(comparer.Matches(GetParam().name, GetParam().mask), GetParam().matches)
      << "mask \"" << GetParam().mask << "\" name \"" << GetParam().name << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Table, MaskTable,
    testing::Values(MaskCase{"*.*", "readme.txt", true}, MaskCase{"*.*", "readme", true},
                    MaskCase{"*.*", ".profile", true}, MaskCase{"*.txt", "NOTES.TXT", true},
                    MaskCase{"*.txt", "notes.txt.bak", false}, MaskCase{"*.txt", "readme", false},
                    MaskCase{"*", "readme", true}, MaskCase{"*", "readme.txt", false},
                    MaskCase{"a*", "abc.txt", false}, MaskCase{"*.t?t", "a.txt", true},
                    MaskCase{"*.??", "a.txt", false}, MaskCase{"*.c", "x.cpp", false},
                    MaskCase{"*.c*", "x.cpp", true}, MaskCase{"*e.txt", "readme.txt", true},
                    MaskCase{"*.gz", "a.tar.gz", true}, MaskCase{"*.tar.gz", "a.tar.gz", true},
                    MaskCase{"a*a.txt", "a.txt", false}, MaskCase{"a**a.txt", "a.txt", true},
                    MaskCase{"ab?.txt", "ab.txt", false}, MaskCase{"ab?*.txt", "ab.txt", true},
                    MaskCase{"", "readme", false}, MaskCase{" *.txt", "a.txt", false},
                    MaskCase{" *.txt", " a.txt", true},
                    // The rows of the empty-part table.
                    MaskCase{"readme", "README", true}, MaskCase{"read*", "readme.txt", false},
                    MaskCase{"*.txt", ".txt", true}, MaskCase{".txt", "a.txt", false},
                    MaskCase{"*.", "readme", true}, MaskCase{"*.", "readme.", true},
                    MaskCase{"*.", "a.b", false},
                    // "?" needs no character when a star follows or at the end with a star.
                    MaskCase{"?", "a", true}, MaskCase{"??", "a", false},
                    MaskCase{"a?c.*", "ABC.x", true}, MaskCase{"\xe9*.*", "\xc9t\xe9.txt", false},
                    MaskCase{"\xe9*.*", "\xe9t\xe9.txt", true}),
    [](const testing::TestParamInfo<MaskCase>& info) {
      return NameOfText(info.param.mask) + "_on_" + NameOfText(info.param.name);
    });

TEST(MaskSplit, KeepsEmptyPieces) {
  const TMaskComparer comparer;
  TStringList list = {"old"};
  comparer.Split("", "*", list);
  EXPECT_EQ(list, (TStringList{""}));
  comparer.Split("*a**b*", "*", list);
  EXPECT_EQ(list, (TStringList{"", "a", "", "b", ""}));
  comparer.Split("a.tar.gz", ".", list);
  EXPECT_EQ(list, (TStringList{"a", "tar", "gz"}));
}

}  // namespace
