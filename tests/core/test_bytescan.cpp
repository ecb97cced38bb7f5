#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "LineReference.h"
#include "search/ByteScan.h"

using namespace trawlix;

namespace {

using namespace std::string_literals;

// Runs the test body once per scan level the processor has, and restores the best.
class ByteScanLevels : public testing::TestWithParam<TScanLevel> {
 protected:
  void SetUp() override {
    if (GetParam() > BestScanLevel()) GTEST_SKIP() << "the processor lacks this level";
    SetScanLevel(GetParam());
  }
  void TearDown() override { SetScanLevel(BestScanLevel()); }
};

size_t ReferenceFindLineEnd(const std::string& text, size_t from, size_t to) {
  for (size_t p = from; p < to; ++p) {
    if (text[p] == '\r' || text[p] == '\n' || text[p] == '\0') return p;
  }
  return to;
}

size_t ReferenceFindLastLineEnd(const std::string& text, size_t from, size_t to) {
  for (size_t p = to; p > from; --p) {
    if (text[p - 1] == '\r' || text[p - 1] == '\n') return p - 1;
  }
  return kNotFound;
}

LineEnds ReferenceCountLineEnds(const std::string& text, size_t from, size_t to) {
  LineEnds ends;
  for (size_t p = from; p < to; ++p) {
    if (text[p] != '\r' && text[p] != '\n') continue;
    ends.lastByte = p;
    if (text[p] == '\r' && p + 1 < to && text[p + 1] == '\n') continue;  // its LF counts
    ++ends.count;
  }
  return ends;
}

size_t ReferenceFindPatternOrNul(const std::string& text, size_t from, size_t to,
                                 const std::string& pattern, bool ignoreCase) {
  const std::string range =
      ignoreCase ? ReferenceUpper(text.substr(from, to - from)) : text.substr(from, to - from);
  const size_t at = std::min(range.find(pattern), range.find('\0'));
  return at == std::string::npos ? kNotFound : from + at;
}

std::string RandomBytes(std::mt19937& random, const std::string& alphabet, size_t length) {
  std::string bytes(length, ' ');
  for (char& c : bytes) c = alphabet[random() % alphabet.size()];
  return bytes;
}

// Ranges of every length up to beyond the point where the line counters are summed, each
// starting anywhere, so that blocks, tails and pairs across block edges are all met.
TEST_P(ByteScanLevels, AgreeWithPlainLoops) {
  std::mt19937 random(5 + static_cast<int>(GetParam()));
  for (int round = 0; round < 600; ++round) {
    const bool dense = round % 2 == 0;
    // Every fifth round holds NUL bytes, which the pattern scan stops at.
    std::string alphabet = dense ? "ab_\r\n\r\n"s : "abcdefghij_ABC \xe9\xc9"s + "\n";
    if (round % 5 == 0) alphabet += std::string(1, '\0');
    const size_t length = random() % (round % 20 == 0 ? 30000 : 300);
    const std::string text = RandomBytes(random, alphabet, length);
    const size_t from = length == 0 ? 0 : random() % (length + 1);
    const size_t to = from + random() % (length - from + 1);
    SCOPED_TRACE(testing::PrintToString(round) + " " + testing::PrintToString(from) + ".." +
                 testing::PrintToString(to));
    EXPECT_EQ(FindLineEnd(text.data(), from, to), ReferenceFindLineEnd(text, from, to));
    EXPECT_EQ(FindLastLineEnd(text.data(), from, to), ReferenceFindLastLineEnd(text, from, to));
    const LineEnds ends = CountLineEnds(text.data(), from, to);
    const LineEnds expected = ReferenceCountLineEnds(text, from, to);
    EXPECT_EQ(ends.count, expected.count);
    EXPECT_EQ(ends.lastByte, expected.lastByte);
    const size_t at = random() % (to - from + 1);
    const TTextShape shape = ShapeOf(text.data() + from, to - from, at);
    EXPECT_EQ(shape.ends, expected.count);
    EXPECT_EQ(shape.endsBefore, ReferenceCountLineEnds(text, from, from + at).count) << at;
    EXPECT_EQ(shape.nul, text.find('\0', from) < to);
    const bool ignoreCase = random() % 2 == 0;
    std::string pattern = RandomBytes(random, dense ? "ab_" : "abcAB_\xe9\xc9 ", 1 + random() % 4);
    if (ignoreCase) pattern = ReferenceUpper(pattern);
    EXPECT_EQ(FindPatternOrNul(text.data(), from, to, TPattern(pattern, ignoreCase)),
              ReferenceFindPatternOrNul(text, from, to, pattern, ignoreCase))
        << testing::PrintToString(pattern);
  }
}

std::string LevelName(const testing::TestParamInfo<TScanLevel>& info) {
  static constexpr const char* kNames[] = {"Scalar", "Sse2", "Avx2"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EachLevel, ByteScanLevels,
                         testing::Values(TScanLevel::Scalar, TScanLevel::Sse2, TScanLevel::Avx2),
                         LevelName);

}  // namespace
