#include <gtest/gtest.h>

#include <random>

#include "CaseNames.h"
#include "LineReference.h"
#include "TempDir.h"
#include "search/FileLines.h"
#include "search/GrepItemUnit.h"
#include "search/SampleStore.h"

using namespace trawlix;

namespace {

using namespace std::string_literals;

std::string RandomBytes(std::mt19937& random, const std::string& alphabet, size_t length) {
  std::string bytes(length, ' ');
  for (char& c : bytes) c = alphabet[random() % alphabet.size()];
  return bytes;
}

// Runs the search as the search run does (find, whole-word test, sample, find on from the
// found line) and compares every step with the line-by-line reference.
void CompareWithReference(TFileLines& file, const std::string& bytes, const std::string& text,
                          bool caseSensitive) {
  const TStringList lines = ReferenceLines(bytes);
  TSampleStore store;
  const auto path = std::make_shared<const std::string>("f");
  std::vector<TGrepItem> items;
  long n = -1;
  for (;;) {
    const long expected = ReferenceFindNextMatch(text, lines, caseSensitive, n);
    const int64_t found = FindNextMatch(text, file, caseSensitive, n);
    ASSERT_EQ(found, expected) << "after line " << n;
    if (found < 0) break;
    n = expected;
    EXPECT_EQ(file.Line(n), lines[n]);
    EXPECT_EQ(IsWholeWord(text, file.Line(n), caseSensitive),
              ReferenceWholeWord(text, lines[n], caseSensitive));
    const long start = std::max(0L, n - 5);
    EXPECT_EQ(BuildSample(file, start, 11, n), ReferenceSample(lines, start, 11, n));
    // The record the run builds from the sample's views holds the same sample.
    TSampleView view;
    BuildSampleView(file, start, 11, n, view);
    items.emplace_back(n, file.Line(n), path, view, store);
  }
  // Checked once all are made, since the later ones share and extend the earlier ones'
  // bytes.
  for (const TGrepItem& item : items) {
    const long n = static_cast<long>(item.LineIndex());
    EXPECT_EQ(item.Sample(), ReferenceSample(lines, std::max(0L, n - 5), 11, n)) << "line " << n;
    EXPECT_EQ(item.Line(), lines[n]);
  }
}

TEST(FindNextMatch, AgreesWithLineByLineSearchOnRandomText) {
  std::mt19937 random(2024);
  const std::string textAlphabet = "aAbBxX \r\n\r\n\xe9\xc9\0"s;
  const std::string patternAlphabet = "aAbBxX \xe9\xc9"s;
  TFileLines file;
  for (int round = 0; round < 1500; ++round) {
    // Long texts with a narrow alphabet reach the vector loops and give many hits; a
    // sparse one ("x" mostly) makes the hits far apart.
    const bool sparse = round % 3 == 0;
    std::string bytes = RandomBytes(random, textAlphabet, random() % (round % 5 == 0 ? 3000 : 120));
    if (sparse) {
      for (char& c : bytes) {
        if (random() % 50 != 0) c = c == '\r' || c == '\n' ? c : 'x';
      }
    }
    std::string text = RandomBytes(random, patternAlphabet, 1 + random() % 4);
    if (round % 50 == 7) text.insert(random() % text.size(), 1, "\r\n\0"s[random() % 3]);
    file.Assign(bytes);
    SCOPED_TRACE(testing::PrintToString(bytes) + " / " + testing::PrintToString(text));
    CompareWithReference(file, bytes, text, round % 2 == 0);
    if (HasFatalFailure()) return;
  }
}

TEST(FindNextMatch, RandomStartsAgree) {
  std::mt19937 random(99);
  TFileLines file;
  for (int round = 0; round < 500; ++round) {
    const std::string bytes = RandomBytes(random, "abAB\n\r\n\r", 1 + random() % 400);
    const std::string text = RandomBytes(random, "abAB", 1 + random() % 3);
    const TStringList lines = ReferenceLines(bytes);
    file.Assign(bytes);
    for (int k = 0; k < 20; ++k) {
      const long start = static_cast<long>(random() % (lines.size() + 3)) - 1;
      const bool caseSensitive = random() % 2 == 0;
      ASSERT_EQ(FindNextMatch(text, file, caseSensitive, start),
                ReferenceFindNextMatch(text, lines, caseSensitive, start))
          << testing::PrintToString(bytes) << " " << text << " from " << start;
    }
  }
}

// After its first hit, a large text is searched in windows whose line ends are counted
// as the search passes them; the windows begin with the line after that hit. One more
// hit, a CR LF pair before it or a NUL before it, placed across each 64 KiB edge from
// there, in a file that is read and in one that is mapped, gives what the line-by-line
// search gives.
TEST(FindNextMatch, AgreesAcrossSearchWindows) {
  std::mt19937 random(77);
  TempDir dir;
  const std::string text = "needle";
  const std::string first = text + "\n";
  const std::string base =
      first + RandomBytes(random, std::string(40, 'x') + "\n", TFileLines::kMappedFrom + 1000);
  TFileLines read;
  TFileLines mapped;
  for (size_t edge = first.size() + (size_t{64} << 10); edge < (size_t{1} << 20);
       edge += size_t{64} << 10) {
    for (const size_t back : {size_t{0}, size_t{1}, size_t{3}, text.size() - 1}) {
      std::string bytes = base;
      bytes.replace(edge - back, text.size(), text);
      const size_t kind = (edge >> 16) % 3;
      if (kind == 1) bytes.replace(edge - back - 400, 2, "\r\n");
      if (kind == 2 && back == 3) bytes[edge - 1] = '\0';
      if (kind != 0) bytes.replace(edge - 1 + (size_t{1} << 16) / 2, 2, "\r\n");
      read.Assign(bytes);
      mapped.Load(dir.Write("text", bytes));
      SCOPED_TRACE(testing::PrintToString(edge) + " - " + testing::PrintToString(back));
      CompareWithReference(read, bytes, text, back % 2 == 0);
      CompareWithReference(mapped, bytes, "NEEDLE", false);
      if (HasFatalFailure()) return;
    }
  }
}

TEST(FindNextMatch, EdgeCases) {
  TFileLines file;
  EXPECT_EQ(FindNextMatch("a", file, false, -1), -1);
  file.Assign("xABCx\nabc\nabcabc\nnone");
  EXPECT_EQ(FindNextMatch("abc", file, false, -1), 0);
  EXPECT_EQ(FindNextMatch("abc", file, true, -1), 1);
  EXPECT_EQ(FindNextMatch("ABC", file, true, -1), 0);
  // A line holding the text twice is returned once; the search goes on after it.
  EXPECT_EQ(FindNextMatch("abc", file, true, 1), 2);
  EXPECT_EQ(FindNextMatch("abc", file, true, 2), -1);
  EXPECT_EQ(FindNextMatch("abc", file, true, 3), -1);
  EXPECT_EQ(FindNextMatch("abc", file, true, 100), -1);
  EXPECT_EQ(FindNextMatch("", file, false, -1), -1);
  EXPECT_EQ(FindNextMatch("x\nabc", file, false, -1), -1);
  // Letters outside ASCII match only in the same case.
  file.Assign("caf\xc9\ncaf\xe9");
  EXPECT_EQ(FindNextMatch("CAF\xe9", file, false, -1), 1);
  // Nothing after the first NUL is searched.
  file.Assign("ab\0cd"s);
  EXPECT_EQ(FindNextMatch("cd", file, false, -1), -1);
  EXPECT_EQ(FindNextMatch("AB", file, false, -1), 0);
}

struct WholeWordCase {
  const char* line;
  bool whole;
};

class WholeWordCat : public testing::TestWithParam<WholeWordCase> {};

TEST_P(WholeWordCat, OnlyBlanksSeparate) {
  EXPECT_EQ(IsWholeWord("cat", GetParam().line, true), GetParam().whole);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WholeWordCat,
    testing::Values(WholeWordCase{"cat", true}, WholeWordCase{"the cat sat", true},
                    WholeWordCase{"cat and dog", true}, WholeWordCase{"a cat", true},
                    WholeWordCase{"cat.", false}, WholeWordCase{"(cat)", false},
                    WholeWordCase{"concatenate", false}, WholeWordCase{"cat\t", false},
                    WholeWordCase{"cats cat", true}, WholeWordCase{"", false}),
    NamedAfter<&WholeWordCase::line>());

// Lines and texts that repeat themselves cost time in proportion to the line: 4 MB of
// blanks ending in "x", with 99,999 blanks and an "x" as the text (the test's time limit
// fails a test that takes minutes).
TEST(IsWholeWord, RepetitiveTextInALongLine) {
  const std::string line = std::string(4'000'000, ' ') + "x";
  const std::string text = std::string(99'999, ' ') + "x";
  EXPECT_TRUE(IsWholeWord(text, line, true));
  EXPECT_TRUE(IsWholeWord(text, line, false));
  EXPECT_FALSE(IsWholeWord(text, line + "x", true));
  std::string words;
  for (int i = 0; i < 200'000; ++i) words += "a ";
  EXPECT_FALSE(IsWholeWord(words.substr(0, 20'000) + "b", words, false));
}

TEST(IsWholeWord, CaseAndPhrases) {
  EXPECT_TRUE(IsWholeWord("cat", "Cat", false));
  EXPECT_FALSE(IsWholeWord("cat", "Cat", true));
  EXPECT_TRUE(IsWholeWord("a cat", "see a CAT run", false));
  EXPECT_FALSE(IsWholeWord("a cat", "see a cats", false));
}

TEST(IsWholeWord, AgreesWithPaddedSearch) {
  std::mt19937 random(5);
  for (int round = 0; round < 20000; ++round) {
    const std::string line = RandomBytes(random, "aA b\t", random() % 12);
    const std::string text = RandomBytes(random, "aA b", random() % 4);
    const bool caseSensitive = round % 2 == 0;
    ASSERT_EQ(IsWholeWord(text, line, caseSensitive), ReferenceWholeWord(text, line, caseSensitive))
        << "\"" << text << "\" in \"" << line << "\"";
  }
}

std::string NumberedLines(int n) {
  std::string bytes;
  for (int i = 0; i < n; ++i) bytes += "line" + std::to_string(i) + "\r\n";
  return bytes;
}

TEST(BuildSample, WindowsAroundTheMatch) {
  TFileLines file;
  file.Assign("zero\none\ntwo");
  EXPECT_EQ(BuildSample(file, 0, 11, 0), (TStringList{"--> zero", "    one", "    two"}));

  file.Assign(NumberedLines(100));
  const TStringList all = ReferenceLines(NumberedLines(100));
  for (const long match : {2L, 50L, 98L, 99L, 0L}) {
    const long start = std::max(0L, match - 5);
    const TStringList sample = BuildSample(file, start, 11, match);
    EXPECT_EQ(sample, ReferenceSample(all, start, 11, match)) << match;
    EXPECT_EQ(std::count_if(sample.begin(), sample.end(),
                            [](const std::string& s) { return s.starts_with("--> "); }),
              1);
  }
  EXPECT_EQ(BuildSample(file, 50, 11, 50).size(), 11u);
  EXPECT_EQ(BuildSample(file, 93, 11, 98).size(), 7u);
  EXPECT_EQ(BuildSample(file, 93, 11, 98)[5], "--> line98");
  EXPECT_TRUE(BuildSample(file, 100, 11, 100).empty());
}

// A record made from views keeps copies: the file's bytes may be gone or reused at once.
// Neighbouring records share their common lines, and a line that is not the marked sample
// line is kept apart.
TEST(GrepItem, KeepsCopiesOfAViewedSample) {
  TSampleStore store;
  const auto path = std::make_shared<const std::string>("f");
  std::string text = "l0\r\nl1\nl2\rl3\n";
  std::string other = "elsewhere";
  std::vector<TGrepItem> items;
  items.emplace_back(
      1, std::string_view(text).substr(4, 2), path,
      TSampleView{{std::string_view(text).substr(0, 2), std::string_view(text).substr(4, 2)}, 1},
      store);
  items.emplace_back(
      2, other, path,
      TSampleView{{std::string_view(text).substr(4, 2), std::string_view(text).substr(7, 2),
                   std::string_view(text).substr(10, 2)},
                  1},
      store);
  text.assign(text.size(), '#');
  other.assign(other.size(), '#');
  EXPECT_EQ(items[0].Sample(), (TStringList{"    l0", "--> l1"}));
  EXPECT_EQ(items[0].Line(), "l1");
  EXPECT_EQ(items[1].Sample(), (TStringList{"    l1", "--> l2", "    l3"}));
  EXPECT_EQ(items[1].Line(), "elsewhere");
}

// A dense search keeps a record for each of millions of matches.
static_assert(sizeof(TGrepItem) <= 48, "a larger record costs every dense search its memory");

TEST(GrepItem, KeepsItsOwnCopies) {
  auto path = std::make_shared<const std::string>("/data/notes.txt");
  TStringList sample = {"    before", "--> the cat", "    after"};
  const TGrepItem item(7, "the cat", path, sample);
  sample.clear();
  EXPECT_EQ(item.LineIndex(), 7);
  EXPECT_EQ(item.Line(), "the cat");
  EXPECT_EQ(item.FileName(), "/data/notes.txt");
  EXPECT_EQ(item.SharedFileName(), path);
  EXPECT_EQ(item.SampleCount(), 3u);
  EXPECT_EQ(item.SampleLine(1), "--> the cat");
  EXPECT_EQ(item.Sample(), (TStringList{"    before", "--> the cat", "    after"}));
}

TEST(GrepItem, LineThatIsNotInTheSample) {
  const TGrepItem item(int64_t{3} << 32, "other", std::make_shared<const std::string>("f"),
                       {"--> line", "    other"});
  EXPECT_EQ(item.LineIndex(), int64_t{3} << 32);
  EXPECT_EQ(item.Line(), "other");
  EXPECT_EQ(item.Sample(), (TStringList{"--> line", "    other"}));
  const TGrepItem empty(0, "", std::make_shared<const std::string>("f"), TStringList{});
  EXPECT_EQ(empty.Line(), "");
  EXPECT_EQ(empty.SampleCount(), 0u);
}

// A record keeps its sample as lines between line ends, with the prefixes apart: a list
// it could not give back as it was is refused.
TEST(GrepItem, RefusesWhatIsNotASample) {
  const auto path = std::make_shared<const std::string>("f");
  for (const TStringList& sample :
       {TStringList{"--> a", "--> b"}, TStringList{"  x"}, TStringList{"    a\nb"},
        TStringList{"--> a\r"}, TStringList{"    a"s + '\0' + "b"}}) {
    EXPECT_THROW(TGrepItem(0, "a", path, sample), std::invalid_argument) << sample[0];
  }
  const TGrepItem unmarked(0, "a", path, {"    a", "    "});
  EXPECT_EQ(unmarked.Sample(), (TStringList{"    a", "    "}));
}

}  // namespace
