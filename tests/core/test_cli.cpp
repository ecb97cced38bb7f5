// trawlix-cli run as a process on folders made for each test, and its folder list and
// search host driven directly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FolderEntries.h"
#include "SpecialFiles.h"
#include "TempDir.h"
#include "cli/CliHost.h"
#include "cli/FolderList.h"
#include "cli/Output.h"
#include "search/SearchResults.h"
#include "util/files.h"

using namespace trawlix;

namespace {

struct TCliRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Runs a program with its output and errors in files (no pipe to fill up) and returns
// its exit status; -1 if it did not exit normally.
int RunProgram(const std::vector<std::string>& argv, const std::string& workFolder,
               const std::string& outFile, const std::string& errFile) {
  pid_t child = fork();
  if (child == 0) {
    int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
    if (!workFolder.empty() && chdir(workFolder.c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class CliTest : public ::testing::Test {
 protected:
  TempDir scratch;
  TempDir outputs;  // kept apart from the searched folders

  TCliRun Cli(std::vector<std::string> args, const std::string& workFolder = "") {
    args.insert(args.begin(), TRAWLIX_CLI);
    TCliRun run;
    run.status = RunProgram(args, workFolder, outputs / "out", outputs / "err");
    run.out = ReadAll(outputs / "out");
    run.err = ReadAll(outputs / "err");
    return run;
  }
};

std::string LinesText(std::initializer_list<std::string> lines, const char* end = "\n") {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

TEST_F(CliTest, PrintsTheResultsListAndExitsZeroOnAMatch) {
  std::string a = scratch.Write("A/a.txt", "foo here\nno\n\xe9 foo \xff\r\n");
  std::string b = scratch.Write("B/b\xe9.txt", "x\nFOO");
  TCliRun run = Cli({"-t", "foo", scratch / "A", scratch / "B"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            LinesText({a, "    [0] foo here", "    [2] \xe9 foo \xff", "", b, "    [1] FOO"}));
}

TEST_F(CliTest, ExitsOneWhenNothingMatches) {
  scratch.Write("A/a.txt", "bar\n");
  TCliRun run = Cli({"--text", "foo", scratch / "A"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
}

// Any report, with matches or without, exits 2; 1 is a clean run that found nothing. The
// unreadable file is injected: a link to /proc/self/mem, which the kernel refuses to read
// at offset 0 whoever reads it (root reads any file that permissions would lock).
TEST_F(CliTest, TheExitStatusSaysWhetherEverythingCouldBeRead) {
  const std::string match = scratch / "match", none = scratch / "none",
                    unreadable = scratch / "bad";
  scratch.Write("match/a.txt", "foo");
  scratch.Write("none/b.txt", "bar");
  scratch.MakeFolder("bad");
  MakeLink("/proc/self/mem", unreadable + "/mem.txt");
  const std::vector<std::pair<std::vector<std::string>, int>> cases = {
      {{match, unreadable}, 2}, {{none, unreadable}, 2}, {{none}, 1}, {{match}, 0}};
  for (const auto& [folders, status] : cases) {
    std::vector<std::string> args = {"-t", "foo"};
    args.insert(args.end(), folders.begin(), folders.end());
    const TCliRun run = Cli(args);
    EXPECT_EQ(run.status, status) << folders.back() << "\n" << run.out;
    EXPECT_EQ(run.err, "");
  }
}

TEST_F(CliTest, UsageErrorsExitTwoWithNothingOnStandardOutput) {
  std::string folder = scratch.MakeFolder("A");
  const std::vector<std::vector<std::string>> cases = {
      {folder},                                   // no search text
      {"-t", "foo"},                              // no folder
      {folder, "-t"},                             // -t without its value
      {"--text"},                                 // the same, long
      {"-x", "-t", "foo", folder},                // unknown short option
      {"--bogus", "-t", "foo", folder},           // unknown long option
      {"--whole-word=yes", "-t", "foo", folder},  // a flag given a value
      {"-wq", "-t", "foo", folder},               // unknown option inside a cluster
      {"-j", "0", "-t", "foo", folder},           // no threads
      {"--threads=2x", "-t", "foo", folder},      // not a number
  };
  for (const auto& args : cases) {
    TCliRun run = Cli(args);
    EXPECT_EQ(run.status, 2) << args[0];
    EXPECT_EQ(run.out, "") << args[0];
    EXPECT_TRUE(run.err.starts_with("trawlix-cli: ")) << run.err;
    EXPECT_NE(run.err.find("Usage: trawlix-cli"), std::string::npos) << run.err;
  }
}

TEST_F(CliTest, HelpAndVersion) {
  TCliRun help = Cli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: trawlix-cli")) << help.out;
  EXPECT_EQ(Cli({"-h"}).out, help.out);

  TCliRun version = Cli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "trawlix-cli 0.05\n");
}

TEST_F(CliTest, OptionsMayBeClusteredJoinedOrAfterTheFolders) {
  std::string a = scratch.Write("A/a.txt", "Foo bar\nfoo\nFoo\n");
  std::string expected = LinesText({a, "    [0] Foo bar", "    [2] Foo"});
  EXPECT_EQ(Cli({"-wctFoo", scratch / "A"}).out, expected);
  EXPECT_EQ(Cli({"-j3", "-wctFoo", scratch / "A"}).out, expected);
  EXPECT_EQ(Cli({scratch / "A", "--text=Foo", "-w", "--case-sensitive"}).out, expected);
  // After "--" everything is a folder, even what looks like an option.
  TCliRun run = Cli({"-t", "Foo", "--", "-w"}, scratch / "A");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "trawlix-cli: no such folder: -w\n");
}

TEST_F(CliTest, TheSearchTextIsUsedAsTyped) {
  std::string a = scratch.Write("A/a.txt", "foo\n x foo\n");
  EXPECT_EQ(Cli({"-t", " foo", scratch / "A"}).out, LinesText({a, "    [1]  x foo"}));
}

TEST_F(CliTest, MasksChooseTheFiles) {
  scratch.Write("A/a.txt", "foo");
  std::string log = scratch.Write("A/b.LOG", "foo");
  EXPECT_EQ(Cli({"-m", "*.log;*.c", "-t", "foo", scratch / "A"}).out,
            LinesText({log, "    [0] foo"}));
  // A blank mask text searches every file.
  EXPECT_EQ(Cli({"-m", "  ", "-t", "foo", scratch / "A"}).status, 0);
  EXPECT_EQ(Cli({"-m", "", "-t", "foo", scratch / "A"}).out, Cli({"-t", "foo", scratch / "A"}).out);
}

TEST_F(CliTest, AMissingFolderIsReportedAndTheOthersSearched) {
  std::string a = scratch.Write("A/a.txt", "foo");
  std::string file = scratch.Write("plain.txt", "foo");
  TCliRun run = Cli({"-t", "foo", scratch / "missing", scratch / "A", file});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, LinesText({a, "    [0] foo"}));
  EXPECT_EQ(run.err, "trawlix-cli: no such folder: " + scratch / "missing" +
                         "\ntrawlix-cli: no such folder: " + file + "\n");
}

TEST_F(CliTest, IndexSamplesAndCrlf) {
  std::string a = scratch.Write("A/a.txt", "one\nfoo\nthree\n");
  TCliRun index = Cli({"-i", "-t", "foo", scratch / "A"});
  EXPECT_EQ(index.out, LinesText({"-1\t" + a, "0\t    [1] foo"}));

  TCliRun samples = Cli({"-s", "-t", "foo", scratch / "A"});
  EXPECT_EQ(samples.out, LinesText({a, "    [1] foo", "\t    one", "\t--> foo", "\t    three"}));

  TCliRun crlf = Cli({"--crlf", "-is", "-t", "foo", scratch / "A"});
  EXPECT_EQ(
      crlf.out,
      LinesText({"-1\t" + a, "0\t    [1] foo", "\t    one", "\t--> foo", "\t    three"}, "\r\n"));
}

TEST_F(CliTest, FoldersAreMadeAbsoluteAndNeighboursMerged) {
  std::string a = scratch.Write("A/a.txt", "foo");
  std::string b = scratch.Write("B/b.txt", "foo");
  std::string aLines = LinesText({a, "    [0] foo"});
  // Relative, with ".", ".." and doubled separators; equal neighbours are searched once.
  TCliRun run = Cli({"-t", "foo", "A", "./B/../A//", "B/", "A"}, scratch.Path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, aLines + "\n" + LinesText({b, "    [0] foo"}) + "\n" + aLines);
}

TEST_F(CliTest, RecursiveAddsEachFolderThenItsSubtreeBreadthFirst) {
  // R holds A and B, A holds X: breadth-first gives R, then A and B, then X.
  std::string r = scratch.Write("R/r.txt", "foo");
  std::string a = scratch.Write("R/A/a.txt", "foo");
  std::string b = scratch.Write("R/B/b.txt", "foo");
  std::string x = scratch.Write("R/A/X/x.txt", "foo");
  scratch.Write("R/.hidden/h.txt", "foo");
  TCliRun run = Cli({"-r", "-t", "foo", scratch / "R"});
  EXPECT_EQ(run.status, 0);
  std::vector<std::string> headers;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("/")) headers.push_back(line);
  }
  ASSERT_EQ(headers.size(), 4u) << run.out;
  EXPECT_EQ(headers[0], r);
  EXPECT_EQ(headers[3], x);
  std::vector<std::string> middle = {headers[1], headers[2]};
  std::sort(middle.begin(), middle.end());
  EXPECT_EQ(middle, (std::vector<std::string>{a, b}));
}

// A recursive search finds what the search of every folder of the walk finds, each of
// them listed by the run itself.
TEST_F(CliTest, RecursiveSearchFindsWhatTheRunsOwnListingsFind) {
  scratch.Write("R/a.txt", "foo");
  scratch.Write("R/.hidden.txt", "foo");
  scratch.Write("R/readme", "foo");
  scratch.Write("R/A/x.txt", "foo");
  scratch.Write("R/A/.git/config", "foo");
  MakeFifo(scratch / "R/pipe.txt");
  MakeLink("a.txt", scratch / "R/link.txt");
  MakeLink("gone", scratch / "R/broken.txt");
  MakeLink(scratch / "R", scratch / "R/A/up");
  TStringList subfolders;
  ListAllSubfolders(scratch / "R/*.*", subfolders);
  std::vector<std::string> args = {"-m", "*.txt;*.*", "-t", "foo", scratch / "R"};
  args.insert(args.end(), subfolders.begin(), subfolders.end());
  TCliRun listedByTheRun = Cli(args);
  TCliRun walked = Cli({"-r", "-m", "*.txt;*.*", "-t", "foo", scratch / "R"});
  EXPECT_EQ(walked.status, 0);
  EXPECT_NE(walked.out, "");
  EXPECT_EQ(walked.out, listedByTheRun.out);
}

// The host hands the run, under the folder list's own spelling, the entries the walk kept
// of each folder it listed; a folder the walk did not enter is left to the run.
TEST(CliFolderList, TheWalkKeepsWhatItListedForTheRun) {
  TempDir dir;
  dir.Write("R/r.txt", "foo");
  dir.Write("R/A/X/x.txt", "foo");
  dir.Write("R/.git/config", "foo");
  dir.MakeFolder("R/B");
  MakeLink(dir / "R", dir / "R/A/up");
  dir.Write("S/s.txt", "foo");
  const TFolderList list = BuildFolderList({dir / "R/./A/..//", dir / "S/"}, true);
  ASSERT_EQ(list.folders.size(), 6u);
  EXPECT_EQ(list.folders.front(), dir / "R");

  TCliOptions options;
  TSearchResults results;
  TOutput output(STDOUT_FILENO, false);
  TCliHost host(options, list.folders, list.listed, results, output);
  for (size_t i = 0; i < host.FolderCount(); ++i) {
    const std::string folder = host.Folder(i);
    const TFolderEntries* entries = host.ListedEntries(i);
    if (folder == dir / "R/A/up") {
      EXPECT_EQ(entries, nullptr);
    } else {
      ASSERT_NE(entries, nullptr) << folder;
      EXPECT_EQ(Described(*entries), Described(EntriesOf(folder))) << folder;
    }
  }

  const TFolderList flat = BuildFolderList({dir / "R"}, false);
  EXPECT_TRUE(flat.listed.empty());
  TCliHost flatHost(options, flat.folders, flat.listed, results, output);
  EXPECT_EQ(flatHost.ListedEntries(0), nullptr);
}

TEST_F(CliTest, AReaderThatStopsEarlyEndsTheOutputQuietly) {
  std::string big;
  for (int i = 0; i < 200000; ++i) big += "foo line " + std::to_string(i) + "\n";
  std::string a = scratch.Write("A/a.txt", big);
  // The cli's own status goes to a file, so that the pipeline's status is head's.
  std::string script = "{ '" TRAWLIX_CLI "' -t foo '" + scratch / "A" + "'; echo $? > '" +
                       outputs / "status" + "'; } | head -1";
  int status = RunProgram({"/bin/sh", "-c", script}, "", outputs / "out", outputs / "err");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadAll(outputs / "out"), a + "\n");
  EXPECT_EQ(ReadAll(outputs / "err"), "");
  EXPECT_EQ(ReadAll(outputs / "status"), "0\n");
}

}  // namespace

// Each block of the output passes into a pipe in one turn of writer and reader.
TEST(CliOutput, APipeIsGrownToTakeAWholeBlock) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_LT(fcntl(ends[1], F_GETPIPE_SZ), 1 << 20);
  { TOutput output(ends[1], false); }
  EXPECT_EQ(fcntl(ends[1], F_GETPIPE_SZ), 1 << 20);
  close(ends[0]);
  close(ends[1]);
}
