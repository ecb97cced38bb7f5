#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "CaseNames.h"
#include "LineReference.h"
#include "TempDir.h"
#include "search/FileLines.h"
#include "util/errors.h"
#include "util/files.h"

using namespace trawlix;

namespace {

struct SplitCase {
  std::string bytes;
  TStringList lines;
};

class LineSplitting : public testing::TestWithParam<SplitCase> {};

// Every way of reaching the lines must agree: the whole list, the count, random access in
// both directions, and the offset of each byte.
void ExpectLines(TFileLines& file, const TStringList& expected) {
  EXPECT_EQ(file.ToStringList(), expected);
  const auto n = static_cast<int64_t>(expected.size());
  for (int64_t i = n - 1; i >= 0; --i) EXPECT_EQ(file.Line(i), expected[i]) << "line " << i;
  for (int64_t i = 0; i < n; ++i) EXPECT_EQ(file.Line(i), expected[i]) << "line " << i;
  EXPECT_FALSE(file.HasLine(n));
  EXPECT_FALSE(file.HasLine(-1));
  EXPECT_EQ(file.Count(), n);
  const std::string_view text = file.Text();
  for (int64_t i = 0; i < n; ++i) {
    const size_t start = file.LineStart(i);
    EXPECT_EQ(text.substr(start, expected[i].size()), expected[i]);
    for (size_t k = 0; k < expected[i].size(); ++k) EXPECT_EQ(file.LineAtOffset(start + k), i);
  }
  EXPECT_EQ(file.LineStart(n), text.size());
  // Windows of lines, each followed by questions about the lines around it.
  std::vector<std::string_view> window;
  for (int64_t i = 0; i < n; ++i) {
    file.GetLines(i - 2, 5, window);
    const int64_t first = std::max<int64_t>(i - 2, 0);
    const int64_t last = i - 2 < 0 ? -1 : std::min<int64_t>(i + 2, n - 1);
    ASSERT_EQ(static_cast<int64_t>(window.size()), i - 2 < 0 ? 0 : last - first + 1);
    for (size_t k = 0; k < window.size(); ++k) EXPECT_EQ(window[k], expected[first + k]);
    for (int64_t j : {i + 1, i - 1, i + 3, i}) {
      if (j < 0 || j >= n) continue;
      EXPECT_EQ(file.Line(j), expected[j]) << "line " << j << " after " << i;
      EXPECT_EQ(text.substr(file.LineStart(j), expected[j].size()), expected[j]);
    }
  }
}

TEST_P(LineSplitting, FromBytes) {
  TFileLines file;
  file.Assign(GetParam().bytes);
  ExpectLines(file, GetParam().lines);
  EXPECT_EQ(ReferenceLines(GetParam().bytes), GetParam().lines);
}

TEST_P(LineSplitting, FromFile) {
  TempDir dir;
  TFileLines file;
  file.Load(dir.Write("f", GetParam().bytes));
  ExpectLines(file, GetParam().lines);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Table, LineSplitting,
    testing::Values(SplitCase{"", {}}, SplitCase{"a", {"a"}}, SplitCase{"a\n", {"a"}},
                    SplitCase{"a\r", {"a"}}, SplitCase{"a\r\n", {"a"}},
                    SplitCase{"a\n\r", {"a", ""}}, SplitCase{"a\n\rb", {"a", "", "b"}},
                    SplitCase{"\n", {""}}, SplitCase{"\r\n", {""}}, SplitCase{"\n\n", {"", ""}},
                    SplitCase{"\r\r\n", {"", ""}}, SplitCase{"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
                    SplitCase{"ab\0cd"s, {"ab"}}, SplitCase{"\0abc"s, {}},
                    SplitCase{"a\nb\0c\nd"s, {"a", "b"}}, SplitCase{"a\r\0\nb"s, {"a"}},
                    SplitCase{std::string(40, 'x') + "\r\n" + std::string(40, 'y') + "\n\r\r",
                              {std::string(40, 'x'), std::string(40, 'y'), "", ""}}),
    NamedAfter<&SplitCase::bytes>());

TEST(FileLines, RandomBytesAgreeWithTheRules) {
  std::mt19937 random(7);
  const std::string alphabet = "ab\r\n\r\n\r\n\0"s;
  TFileLines file;
  for (int round = 0; round < 300; ++round) {
    std::string bytes(random() % 200, ' ');
    for (char& c : bytes) c = alphabet[random() % (round % 10 == 0 ? 8 : 7)];
    file.Assign(bytes);
    SCOPED_TRACE(testing::PrintToString(bytes));
    ExpectLines(file, ReferenceLines(bytes));
  }
}

// The NUL that ends the text is looked for only as far as each question needs: whatever
// is asked first of a fresh file must see the same text end.
TEST(FileLines, TextEndIsTheSameWhateverIsAskedFirst) {
  std::mt19937 random(11);
  const std::string alphabet = "ab\r\n\0"s;
  TFileLines file;
  for (int round = 0; round < 400; ++round) {
    std::string bytes(random() % 100, ' ');
    for (char& c : bytes) c = alphabet[random() % (random() % 8 == 0 ? 5 : 4)];
    const TStringList expected = ReferenceLines(bytes);
    const auto n = static_cast<int64_t>(expected.size());
    const size_t textLength = bytes.substr(0, bytes.find('\0')).size();
    SCOPED_TRACE(testing::PrintToString(bytes));
    const int64_t probe = static_cast<int64_t>(random() % (expected.size() + 2));
    file.Assign(bytes);
    EXPECT_EQ(file.HasLine(probe), probe < n);
    file.Assign(bytes);
    EXPECT_EQ(file.Line(probe), probe < n ? expected[probe] : "");
    file.Assign(bytes);
    EXPECT_EQ(file.Count(), n);
    file.Assign(bytes);
    EXPECT_EQ(file.LineStart(n), textLength);
    file.Assign(bytes);
    const size_t from = bytes.empty() ? 0 : random() % bytes.size();
    const size_t hit = bytes.find('b', from);
    EXPECT_EQ(file.Find(from, "B", true), hit < textLength ? hit : kNotFound);
    ExpectLines(file, expected);
  }
}

TEST(FileLines, CountWithoutWalkingFirst) {
  TFileLines file;
  file.Assign(std::string(5000, 'x') + "\r\n" + std::string(3000, '\n') + "\r" + "tail");
  EXPECT_EQ(file.Count(), 3003);
  EXPECT_EQ(file.Line(3002), "tail");
  EXPECT_EQ(file.Line(3001), "");
  file.Assign("a\nb");
  EXPECT_EQ(file.Line(1), "b");
  EXPECT_EQ(file.Count(), 2);
}

// A mapped file whose line ends vanish under the reader (another program overwrote it):
// walking back from a line counted before stays within the text.
TEST(TextLines, WalkingBackOverBytesThatLostTheirLineEndsStaysInTheText) {
  std::string bytes;
  for (int i = 0; i < 40; ++i) bytes += "line " + std::to_string(i) + "\n";
  TTextLines lines;
  lines.Reset(bytes.data(), bytes.size());
  ASSERT_EQ(lines.Line(30), "line 30");
  bytes.replace(0, bytes.size(), bytes.size(), 'x');
  std::vector<std::string_view> sample;
  lines.GetLines(25, 11, sample);
  for (const std::string_view line : sample) {
    EXPECT_GE(line.data(), bytes.data());
    EXPECT_LE(line.data() + line.size(), bytes.data() + bytes.size());
  }
}

TEST(FileLines, BufferIsReusedWithoutLeftovers) {
  TempDir dir;
  std::string big;
  for (int i = 0; i < 30000; ++i) big += "line " + std::to_string(i) + "\n";
  TFileLines file;
  file.Load(dir.Write("big", big));
  EXPECT_EQ(file.Count(), 30000);
  EXPECT_EQ(file.Line(29999), "line 29999");
  file.Load(dir.Write("small", "one\ntwo"));
  EXPECT_EQ(file.ToStringList(), (TStringList{"one", "two"}));
  file.Clear();
  EXPECT_EQ(file.Count(), 0);
  EXPECT_EQ(file.Text(), "");
}

// Files whose size is not known in advance are still read to their end.
TEST(FileLines, ReadsPastAZeroSizeHint) {
  TFileLines file;
  file.Load("/proc/self/status");
  ASSERT_TRUE(file.HasLine(0));
  EXPECT_EQ(file.Line(0).substr(0, 5), "Name:");
  EXPECT_GT(file.Count(), 5);
}

// /proc gives at most a page per read, well before the end (smaps is always longer): a short read
// of a file that reports no size must not be taken for its end.
TEST(FileLines, ReadsOnAfterShortReadsOfASizelessFile) {
  TFileLines file;
  file.Load("/proc/self/smaps");
  const std::string_view text = file.Text();
  ASSERT_GT(text.size(), 4096u);
  EXPECT_NE(text.find("[stack]"), std::string_view::npos);
  EXPECT_EQ(text.back(), '\n');
}

TEST(FileLines, LoadAtOpensRelativeToTheFolder) {
  TempDir dir;
  dir.Write("name", "x\ny");
  const TFolderHandle folder(dir.Path());
  TFileLines file;
  file.LoadAt(folder.Fd(), "name", dir / "name");
  EXPECT_EQ(file.ToStringList(), (TStringList{"x", "y"}));
}

void ExpectOpenError(TFileLines& file, const std::string& path, const std::string& reason) {
  try {
    file.Load(path);
    ADD_FAILURE() << "no error for " << path;
  } catch (const Exception& e) {
    EXPECT_STREQ(e.TypeName(), "EFOpenError");
    EXPECT_EQ(e.Message(), "Cannot open file \"" + path + "\". " + reason);
  }
  EXPECT_EQ(file.Count(), 0);
}

TEST(FileLines, OpenErrors) {
  TempDir dir;
  TFileLines file;
  file.Assign("left over");
  ExpectOpenError(file, dir / "missing", "No such file or directory");
  ExpectOpenError(file, dir.Path(), "Is a directory");
  // A FIFO without a writer would block a plain open and read for ever.
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
  ExpectOpenError(file, dir / "fifo", "Not a regular file");
  ExpectOpenError(file, "/dev/zero", "Not a regular file");
}

// Root reads every file, so the permission failure is produced in a child process that
// gives up root (setuid to nobody) before it loads the file.
TEST(FileLines, UnreadableFile) {
  TempDir dir;
  ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
  const std::string path = dir.Write("secret", "hidden");
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  // Files of another owner refuse O_NOATIME; they are read all the same, before and after
  // the refusal.
  const std::string open = dir.Write("open", "shown");
  ASSERT_EQ(chmod(open.c_str(), 0644), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    TFileLines file;
    file.Load(open);
    if (file.Text() != "shown") _exit(4);
    try {
      file.Load(path);
    } catch (const EFOpenError& e) {
      if (e.Message() != "Cannot open file \"" + path + "\". Permission denied") _exit(2);
      file.Load(open);
      _exit(file.Text() == "shown" ? 0 : 4);
    }
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0)
      << "1: loaded anyway, 2: wrong message, 3: setuid failed, 4: readable file not read";
}

}  // namespace
