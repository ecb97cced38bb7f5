#include <gtest/gtest.h>

#include "util/StringBuilderUnit.h"

using namespace trawlix;

namespace {

TEST(StringBuilder, BuildsInOrderAndKeepsPieces) {
  TStringBuilder builder;
  EXPECT_EQ(builder.Build(), "");
  builder.Append("A");
  builder.Append("");
  builder.Append("B");
  builder.Append("C");
  EXPECT_EQ(builder.Build(), "ABC");
  builder.Append("D");
  EXPECT_EQ(builder.Build(), "ABCD");
  builder.Clear();
  EXPECT_EQ(builder.Build(), "");
  builder.Append(std::string_view("x\0y", 3));
  EXPECT_EQ(builder.Build(), std::string("x\0y", 3));
}

TEST(StringBuilder, SelfTestPasses) {
  EXPECT_TRUE(UnitTest());
}

}  // namespace
