// The search run driven through a scripted host over folders made for each test, and the
// result model it fills.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "FolderEntries.h"
#include "SpecialFiles.h"
#include "TempDir.h"
#include "TestSearchHost.h"
#include "search/FileLines.h"
#include "search/SearchResults.h"
#include "search/SearchRun.h"
#include "util/errors.h"

using namespace trawlix;

namespace {

using Lines = std::vector<std::string>;
using Index = std::vector<int32_t>;

Lines LinesOf(const TSearchResults& results) {
  Lines lines;
  for (size_t i = 0; i < results.LineCount(); ++i) lines.push_back(results.Line(i));
  return lines;
}

Lines Join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class SearchRunTest : public ::testing::Test {
 protected:
  TempDir scratch;
  TTestHost host;
  TSearchResults results;

  void Run() { RunSearch(host, results); }
};

TEST_F(SearchRunTest, TwoFoldersGiveHeadersMatchesAndOneSeparator) {
  std::string a = scratch.Write("A/a.txt", "foo first\nnothing\nsecond foo\n");
  std::string b = scratch.Write("B/b.txt", "none\r\nlast FOO");
  host.folders = {scratch / "A", scratch / "B"};
  Run();

  EXPECT_EQ(LinesOf(results),
            (Lines{a, "    [0] foo first", "    [2] second foo", "", b, "    [1] last FOO"}));
  EXPECT_EQ(results.LineItemIndex(), (Index{-1, 0, 1, -1, -1, 2}));
  ASSERT_EQ(results.GrepItems().size(), 3u);
  const TGrepItem& last = results.GrepItems()[2];
  EXPECT_EQ(last.LineIndex(), 1);
  EXPECT_EQ(last.Line(), "last FOO");
  EXPECT_EQ(last.FileName(), b);
  EXPECT_EQ(results.GrepItems()[0].FileName(), a);
  // The records of one file share one path.
  EXPECT_EQ(results.GrepItems()[0].SharedFileName(), results.GrepItems()[1].SharedFileName());
  EXPECT_EQ(results.ItemOfLine(4), nullptr);
  EXPECT_EQ(results.ItemOfLine(5), &last);
  EXPECT_TRUE(host.Logged("ShowResults"));
  EXPECT_EQ(host.log.back(), "ClearCancelled");
}

TEST_F(SearchRunTest, OneMatchLinePerLineAndTheSampleAroundIt) {
  std::string text;
  for (int i = 0; i < 20; ++i)
    text += i == 2 ? "foo foo foo\n" : "line " + std::to_string(i) + "\n";
  std::string path = scratch.Write("A/a.txt", text);
  host.folders = {scratch / "A"};
  Run();

  EXPECT_EQ(LinesOf(results), (Lines{path, "    [2] foo foo foo"}));
  ASSERT_EQ(results.GrepItems().size(), 1u);
  // Near the top the sample still runs eleven lines, from line 0.
  Lines sample = results.GrepItems()[0].Sample();
  ASSERT_EQ(sample.size(), 11u);
  EXPECT_EQ(sample[0], "    line 0");
  EXPECT_EQ(sample[2], "--> foo foo foo");
  EXPECT_EQ(sample[10], "    line 10");
}

TEST_F(SearchRunTest, AFileThatCannotBeLoadedGivesAnErrorBlock) {
  std::string a = scratch.Write("A/a.txt", "foo a");
  std::string b = scratch.Write("B/b.txt", "foo b");
  std::string c = scratch.Write("C/c.txt", "foo c");
  host.folders = {scratch / "A", scratch / "B", scratch / "C"};
  // Tests run as root, so permissions cannot make a file unopenable: the fault is injected
  // by deleting b.txt after its folder was listed and just before it is loaded.
  host.onFileStarted = [&](const std::string& path, size_t) {
    if (path == b) unlink(b.c_str());
  };
  Run();

  Lines expected =
      Join({{a, "    [0] foo a"},
            ErrorBlock(b, "EFOpenError: Cannot open file \"" + b + "\". No such file or directory"),
            {"", c, "    [0] foo c"}});
  EXPECT_EQ(LinesOf(results), expected);
  EXPECT_EQ(results.LineItemIndex(), (Index{-1, 0, -1, -1, -1, -1, -1, -1, -1, 1}));
}

TEST_F(SearchRunTest, AnErrorWhileSearchingKeepsTheMatchesFoundBefore) {
  std::string a = scratch.Write("A/a.txt", "foo 1\nfoo 2\nfoo 3\n");
  std::string b = scratch.Write("B/b.txt", "foo b");
  host.folders = {scratch / "A", scratch / "B"};
  // The search text is read inside the guarded part: failing its second reading fails
  // the search of a.txt after one match.
  host.onSearchText = [](int call) {
    if (call == 2) throw EReadError("Input/output error");
  };
  Run();

  EXPECT_EQ(LinesOf(results), Join({{a, "    [0] foo 1"},
                                    ErrorBlock(a, "EReadError: Input/output error"),
                                    {"", b, "    [0] foo b"}}));
  EXPECT_EQ(results.GrepItems().size(), 2u);
}

TEST_F(SearchRunTest, RunningOutOfMemoryIsReportedAsEOutOfMemory) {
  std::string a = scratch.Write("A/a.txt", "foo");
  host.folders = {scratch / "A"};
  host.onSearchText = [](int) { throw std::bad_alloc(); };
  Run();

  EXPECT_EQ(LinesOf(results), ErrorBlock(a, "EOutOfMemory: Out of memory"));
  EXPECT_TRUE(host.Logged("ShowResults"));
}

TEST_F(SearchRunTest, WholeWordStopsTheFileAtTheFirstFoundLineThatFails) {
  scratch.Write("A/a.txt", "concatenate\nthe cat\n");
  host.folders = {scratch / "A"};
  host.searchText = "cat";
  host.wholeWord = true;
  Run();

  EXPECT_EQ(results.LineCount(), 0u);
  EXPECT_EQ(host.Count("SearchText"), 2u);  // one search, one whole-word test, no more
  EXPECT_TRUE(host.Logged("ShowResults"));
}

TEST_F(SearchRunTest, WholeWordChangedDuringTheRunAppliesFromTheNextFoundLine) {
  std::string a = scratch.Write("A/a.txt", "concatenate\ncat\nconcatenate\n");
  host.folders = {scratch / "A"};
  host.searchText = "cat";
  host.wholeWordAnswers = {false, true, true};
  Run();

  EXPECT_EQ(LinesOf(results), (Lines{a, "    [0] concatenate", "    [1] cat"}));
}

TEST_F(SearchRunTest, ANameMatchingTwoMasksIsSearchedTwiceUnderOneHeader) {
  std::string notes = scratch.Write("A/notes.txt", "foo\n");
  std::string readme = scratch.Write("B/readme", "foo\n");
  host.folders = {scratch / "A", scratch / "B"};
  host.maskText = "*.txt;*.*";
  Run();

  EXPECT_EQ(LinesOf(results),
            (Lines{notes, "    [0] foo", "    [0] foo", "", readme, "    [0] foo"}));
  EXPECT_EQ(results.LineItemIndex(), (Index{-1, 0, 1, -1, -1, 2}));
  EXPECT_EQ(host.Count("FilesListed 2"), 1u);
}

TEST_F(SearchRunTest, HeadersCompareExactly) {
  scratch.Write("A/X.txt", "foo upper");
  scratch.Write("A/x.txt", "foo lower");
  host.folders = {scratch / "A"};
  Run();

  Lines lines = LinesOf(results);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2], "");
  Lines headers = {lines[0], lines[3]};
  std::sort(headers.begin(), headers.end());
  EXPECT_EQ(headers, (Lines{scratch / "A/X.txt", scratch / "A/x.txt"}));
}

TEST_F(SearchRunTest, BlankMaskTextBecomesStarDotStar) {
  for (std::string blank : {"", "   "}) {
    std::string a = scratch.Write("A/a.log", "foo");
    host = TTestHost();
    host.folders = {scratch / "A"};
    host.maskText = blank;
    Run();
    EXPECT_EQ(host.maskText, "*.*");
    EXPECT_EQ(host.Count("SetMaskText *.*"), 1u);
    EXPECT_EQ(std::vector<std::string>(host.log.begin(), host.log.begin() + 3),
              (Lines{"MaskText", "SetMaskText *.*", "MaskText"}));
    EXPECT_EQ(LinesOf(results), (Lines{a, "    [0] foo"}));
  }
  // A tab is not a blank: the mask text stays, and its one mask matches nothing.
  host = TTestHost();
  host.folders = {scratch / "A"};
  host.maskText = "\t";
  Run();
  EXPECT_FALSE(host.Logged("SetMaskText *.*"));
  EXPECT_EQ(results.LineCount(), 0u);
}

TEST_F(SearchRunTest, TheTextEndsAtTheFirstNul) {
  std::string a = scratch.Write("A/a.bin", std::string("ab\0cd", 5));
  host.folders = {scratch / "A"};
  host.searchText = "cd";
  Run();
  EXPECT_EQ(results.LineCount(), 0u);

  host.searchText = "ab";
  Run();
  EXPECT_EQ(LinesOf(results), (Lines{a, "    [0] ab"}));
}

TEST_F(SearchRunTest, TheHostIsAskedInTheRunsOrder) {
  std::string a = scratch.Write("A/a.txt", "foo\n");
  host.folders = {scratch / "A"};
  host.wholeWord = true;
  Run();

  Lines expected = {"MaskText",      "MaskText",
                    "FolderCount",   "ResetProgress 1",
                    "ProcessEvents", "ShowProgress",
                    "Cancelled",     "Cancelled",
                    "Folder 0",      "FolderStarted 1",
                    "ProcessEvents", "FilesListed 1",
                    "Cancelled",     "FileStarted " + a + " 1",
                    "ProcessEvents", "Cancelled",
                    "SearchText",    "CaseSensitive",
                    "WholeWord",     "SearchText",
                    "CaseSensitive", "Cancelled",
                    "SearchText",    "CaseSensitive",
                    "CloseProgress", "Cancelled",
                    "ShowResults",   "ClearCancelled"};
  EXPECT_EQ(host.log, expected);
}

// Whether the run showed its progress between starting the file and searching it.
bool ShownBeforeSearch(const Lines& log, const std::string& path) {
  auto at = std::find_if(log.begin(), log.end(), [&](const std::string& entry) {
    return entry.starts_with("FileStarted " + path + " ");
  });
  EXPECT_NE(at, log.end()) << path;
  for (; at != log.end() && *at != "SearchText"; ++at) {
    if (*at == "ShowProgressNow") return true;
  }
  return false;
}

// Drops a written file from the page cache; false where the system keeps it (tmpfs).
bool DropFromCache(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  fdatasync(fd);
  posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  // mincore tells without reading, as a read that must not wait would start one.
  void* page = mmap(nullptr, 1, PROT_READ, MAP_SHARED, fd, 0);
  unsigned char resident = 1;
  const bool dropped = page != MAP_FAILED && mincore(page, 1, &resident) == 0 && resident == 0;
  if (page != MAP_FAILED) munmap(page, 1);
  close(fd);
  return dropped;
}

// Events cannot run while one file is searched, so a file that takes a while (mapped, or
// with bytes still on the disk) has the progress shown before it; a small cached one
// does not.
TEST_F(SearchRunTest, TheProgressIsShownBeforeAMappedFileOnly) {
  const std::string small = scratch.Write("A/small.txt", "foo");
  const std::string big = scratch.Write("A/big.txt", std::string(TFileLines::kMappedFrom, 'x'));
  host.folders = {scratch / "A"};
  Run();

  EXPECT_EQ(LinesOf(results).size(), 2u);
  EXPECT_FALSE(ShownBeforeSearch(host.log, small));
  EXPECT_TRUE(ShownBeforeSearch(host.log, big));
}

// The cold file is alone in its folder, so the run loads it itself. It is larger than the
// system reads ahead at once, yet a read that must not wait may still start the disk, and
// a fast disk can finish what it asked for before the read looks again: the file gets a
// few tries to be found cold.
TEST_F(SearchRunTest, TheProgressIsShownBeforeAFileStillOnTheDisk) {
  const std::string cold = scratch.Write("A/cold.txt", "foo\n" + std::string(size_t{2} << 20, 'x'));
  host.folders = {scratch / "A"};
  bool tried = false;
  bool shown = false;
  for (int attempt = 0; attempt < 5 && !shown; ++attempt) {
    if (!DropFromCache(cold)) continue;
    tried = true;
    host.log.clear();
    TSearchResults run;
    RunSearch(host, run);
    ASSERT_EQ(LinesOf(run).size(), 2u);
    shown = ShownBeforeSearch(host.log, cold);
  }
  if (tried) {
    EXPECT_TRUE(shown);
  }
}

TEST_F(SearchRunTest, CaseSensitiveIsReadForEachStep) {
  std::string a = scratch.Write("A/a.txt", "foo\nFOO\nfoo\n");
  host.folders = {scratch / "A"};
  // Case Sensitive turns on after the first search step: FOO is no longer found.
  host.onSearchText = [&](int call) { host.caseSensitive = call >= 2; };
  Run();
  EXPECT_EQ(LinesOf(results), (Lines{a, "    [0] foo", "    [2] foo"}));
}

// Cancel is tested before the folder loop, at the start of every folder and file turn,
// and before every search step.
TEST_F(SearchRunTest, CancelBeforeTheFolderLoop) {
  scratch.Write("A/a.txt", "foo");
  host.folders = {scratch / "A"};
  Run();
  ASSERT_GT(results.LineCount(), 0u);

  host = TTestHost();
  host.folders = {scratch / "A"};
  host.onProcessEvents = [&](int call) { host.cancelled = call == 1; };
  Run();
  EXPECT_EQ(results.LineCount(), 0u);  // the previous run's lines are gone all the same
  EXPECT_TRUE(results.GrepItems().empty());
  EXPECT_FALSE(host.Logged("Folder 0"));
  EXPECT_TRUE(host.Logged("CloseProgress"));
  EXPECT_FALSE(host.Logged("ShowResults"));
  EXPECT_EQ(host.log.back(), "ClearCancelled");
  EXPECT_FALSE(host.cancelled);
}

TEST_F(SearchRunTest, CancelAtTheStartOfAFolderTurn) {
  scratch.MakeFolder("Empty");
  scratch.Write("A/a.txt", "foo");
  host.folders = {scratch / "Empty", scratch / "A"};
  host.onProcessEvents = [&](int call) { host.cancelled = call == 2; };  // in folder 1's turn
  Run();
  EXPECT_TRUE(host.Logged("FilesListed 0"));
  EXPECT_FALSE(host.Logged("Folder 1"));
  EXPECT_EQ(results.LineCount(), 0u);
  EXPECT_FALSE(host.Logged("ShowResults"));
  EXPECT_TRUE(host.Logged("ClearCancelled"));
}

TEST_F(SearchRunTest, CancelAtTheStartOfAFileTurn) {
  scratch.Write("A/a.txt", "foo");
  scratch.Write("A/b.txt", "foo");
  host.folders = {scratch / "A"};
  host.onProcessEvents = [&](int call) { host.cancelled = call == 2; };
  Run();
  EXPECT_TRUE(host.Logged("FilesListed 2"));  // listed, but none loaded
  EXPECT_EQ(std::count_if(host.log.begin(), host.log.end(),
                          [](const std::string& e) { return e.starts_with("FileStarted"); }),
            0);
  EXPECT_EQ(results.LineCount(), 0u);
  EXPECT_FALSE(host.Logged("ShowResults"));
}

TEST_F(SearchRunTest, CancelBeforeTheFirstSearchStep) {
  scratch.Write("A/a.txt", "foo");
  scratch.Write("A/b.txt", "foo");
  host.folders = {scratch / "A"};
  host.onProcessEvents = [&](int call) { host.cancelled = call == 3; };  // in file 1's turn
  Run();
  EXPECT_FALSE(host.Logged("SearchText"));
  EXPECT_EQ(host.Count("ProcessEvents"), 3u);
  EXPECT_EQ(results.LineCount(), 0u);
  EXPECT_FALSE(host.Logged("ShowResults"));
}

TEST_F(SearchRunTest, CancelBetweenSearchStepsKeepsWhatWasAdded) {
  std::string a = scratch.Write("A/a.txt", "foo 1\nfoo 2\n");
  scratch.Write("B/b.txt", "foo");
  host.folders = {scratch / "A", scratch / "B"};
  host.onWholeWord = [&] { host.cancelled = true; };
  Run();
  EXPECT_EQ(LinesOf(results), (Lines{a, "    [0] foo 1"}));
  EXPECT_EQ(results.LineItemIndex(), (Index{-1, 0}));
  EXPECT_EQ(host.Count("SearchText"), 1u);
  EXPECT_FALSE(host.Logged("Folder 1"));
  EXPECT_FALSE(host.Logged("ShowResults"));
  EXPECT_EQ(host.log.back(), "ClearCancelled");
}

TEST_F(SearchRunTest, AMissingFolderIsReportedAndAnEmptyListGivesNoLines) {
  const std::string nowhere = scratch / "nowhere";
  host.folders = {nowhere};
  Run();
  EXPECT_EQ(LinesOf(results),
            FolderErrorBlock(nowhere, "EFOpenError: Cannot open folder \"" + nowhere +
                                          "\". No such file or directory"));
  EXPECT_TRUE(host.Logged("FilesListed 0"));

  host = TTestHost();
  Run();
  EXPECT_EQ(results.LineCount(), 0u);
  EXPECT_TRUE(host.Logged("CloseProgress"));
  EXPECT_TRUE(host.Logged("ShowResults"));
}

TEST_F(SearchRunTest, AFolderEndingInABlankKeepsItsName) {
  std::string path = scratch.Write("dir /a.txt", "foo");
  scratch.Write("dir/a.txt", "not this one");
  host.folders = {scratch / "dir "};
  Run();
  EXPECT_EQ(LinesOf(results), (Lines{path, "    [0] foo"}));
}

TEST_F(SearchRunTest, AnErrorEscapingTheRunStillEndsItsProgressAndCancel) {
  host.folders = {scratch.MakeFolder("A")};
  host.onProcessEvents = [&](int call) {
    if (call < 2) return;
    host.cancelled = true;  // must not outlive the run
    throw Exception("host failed");
  };
  EXPECT_THROW(Run(), Exception);
  EXPECT_TRUE(host.Logged("CloseProgress"));
  EXPECT_EQ(host.log.back(), "ClearCancelled");
  EXPECT_FALSE(host.cancelled);
}

TEST_F(SearchRunTest, KeptEntriesGiveTheRunItsOwnListing) {
  scratch.Write("A/a.txt", "foo\n");
  scratch.Write("A/.hidden.txt", "foo\n");
  scratch.Write("A/readme", "foo\n");
  scratch.Write("A/sub.txt/x.txt", "foo\n");
  MakeFifo(scratch / "A/pipe.txt");
  MakeSocket(scratch / "A/sock.txt");
  MakeLink("a.txt", scratch / "A/link.txt");
  MakeLink("gone", scratch / "A/broken.txt");
  MakeLink("sub.txt", scratch / "A/dirlink.txt");
  host.folders = {scratch / "A", scratch / "A/sub.txt", scratch / "A/dirlink.txt"};
  host.maskText = "*.txt;*.*";
  Run();
  ASSERT_EQ(results.GrepItems().size(), 9u);

  TListedHost listedHost;
  listedHost.folders = host.folders;
  listedHost.maskText = host.maskText;
  for (const std::string& folder : host.folders) listedHost.listed[folder] = EntriesOf(folder);
  TSearchResults listedResults;
  RunSearch(listedHost, listedResults);
  EXPECT_EQ(LinesOf(listedResults), LinesOf(results));
  EXPECT_EQ(listedHost.log, host.log);
}

TEST_F(SearchRunTest, TheRunTakesFilesFromKeptEntriesAndListsTheOtherFolders) {
  scratch.Write("A/a.txt", "foo\n");
  std::string b = scratch.Write("A/b.txt", "foo\n");
  std::string c = scratch.Write("C/c.txt", "foo\n");
  TListedHost listedHost;
  listedHost.folders = {scratch / "A", scratch / "C"};
  listedHost.listed[scratch / "A"] = EntriesFrom({{"b.txt", TFolderHandle::EntryKind::File}});
  RunSearch(listedHost, results);
  EXPECT_EQ(LinesOf(results), (Lines{b, "    [0] foo", "", c, "    [0] foo"}));
}

// A folder removed between Add All and the search, and one whose listing an I/O error
// stopped short (the fault is injected into its kept entries): each is reported in its
// turn, after the files it gave, and the run goes on.
TEST_F(SearchRunTest, AFolderThatCannotBeListedIsReportedAfterWhatItGave) {
  const std::string gone = scratch / "gone", partial = scratch.MakeFolder("partial");
  const std::string p = scratch.Write("partial/p.txt", "foo");
  const std::string c = scratch.Write("C/c.txt", "foo");
  TListedHost listedHost;
  listedHost.folders = {gone, partial, scratch / "C"};
  listedHost.listed[gone] = EntriesFrom({{"a.txt", TFolderHandle::EntryKind::File}});
  listedHost.listed[partial] = EntriesFrom({{"p.txt", TFolderHandle::EntryKind::File}});
  listedHost.listed[partial].SetError(EIO);
  RunSearch(listedHost, results);
  EXPECT_EQ(LinesOf(results),
            Join({FolderErrorBlock(gone, "EFOpenError: Cannot open folder \"" + gone +
                                             "\". No such file or directory"),
                  {"", p, "    [0] foo"},
                  FolderErrorBlock(partial, "EReadError: Cannot list folder \"" + partial +
                                                "\". Input/output error"),
                  {"", c, "    [0] foo"}}));
  EXPECT_EQ(results.LineItemIndex(),
            (Index{-1, -1, -1, -1, -1, -1, -1, 0, -1, -1, -1, -1, -1, -1, -1, 1}));
  EXPECT_EQ(results.ReportCount(), 2u);
  EXPECT_TRUE(listedHost.Logged("FilesListed 0"));
}

TEST(SearchResultsTest, LinesAreMadeFromTheirKinds) {
  TSearchResults results;
  auto path = std::make_shared<const std::string>("/data/a.txt");
  results.AppendHeader(path);
  results.AppendMatch(TGrepItem(1234567, "text \xff\tbytes", path, {"    x", "--> text"}));
  results.AppendSeparator();
  results.AppendText("Unable to load file ");

  EXPECT_EQ(LinesOf(results),
            (Lines{"/data/a.txt", "    [1234567] text \xff\tbytes", "", "Unable to load file "}));
  EXPECT_EQ(results.LineItemIndex(), (Index{-1, 0, -1, -1}));
  std::string out = "> ";
  results.AppendLineTo(1, out);
  EXPECT_EQ(out, "> " + results.Line(1));
  // A cut line is the whole line's start, the cut falling in the prefix, number or text.
  for (size_t i = 0; i < results.LineCount(); ++i) {
    for (size_t max : {0, 3, 6, 12, 100}) {
      std::string cut;
      results.AppendLineTo(i, cut, max);
      EXPECT_EQ(cut, results.Line(i).substr(0, max)) << "line " << i << ", " << max << " bytes";
    }
  }
  ASSERT_NE(results.ItemOfLine(1), nullptr);
  EXPECT_EQ(results.ItemOfLine(1)->Sample(), (Lines{"    x", "--> text"}));
}

TEST(SearchResultsTest, ClearingKeepsLinesAndIndexTogether) {
  TSearchResults results;
  auto path = std::make_shared<const std::string>("/a");
  results.AppendHeader(path);
  results.AppendMatch(TGrepItem(0, "x", path, {"--> x"}));

  results.ClearLines();
  EXPECT_EQ(results.LineCount(), 0u);
  EXPECT_TRUE(results.LineItemIndex().empty());
  EXPECT_EQ(results.GrepItems().size(), 1u);

  results.AppendHeader(path);
  results.AppendMatch(TGrepItem(0, "x", path, {"--> x"}));
  results.ClearItems();
  EXPECT_EQ(results.LineCount(), 0u);
  EXPECT_TRUE(results.LineItemIndex().empty());
  EXPECT_TRUE(results.GrepItems().empty());
}

}  // namespace
