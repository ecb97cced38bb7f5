// Faults and bad input, end to end: files that cannot be read, that vanish, shrink, grow
// or change kind between listing and loading or while they are read; folder entries that
// are not files; link cycles and trees deeper than a path can name; huge files and lines;
// memory running out; names with odd bytes. Whatever happens to one file, the run reports
// it where the rules say and goes on with the next.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "LineReference.h"
#include "SpecialFiles.h"
#include "TempDir.h"
#include "TestSearchHost.h"
#include "search/FileLines.h"
#include "search/MappedMemory.h"
#include "search/SearchResults.h"
#include "search/SearchRun.h"
#include "util/errors.h"
#include "util/files.h"
#include "util/lists.h"

#if defined(__SANITIZE_ADDRESS__)
#define TRAWLIX_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TRAWLIX_UNDER_ASAN 1
#endif
#endif

using namespace trawlix;

namespace {

using Lines = std::vector<std::string>;

size_t OpenDescriptors() {
  size_t count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir)) ++count;
    closedir(dir);
  }
  return count;
}

// Runs the search and checks the result model's invariant: one index entry per line, and
// -1 exactly for the lines that are not matches. No descriptor stays open afterwards.
Lines Search(const Lines& folders, const std::string& text,
             std::function<void(const std::string&)> onFileStarted = {}) {
  TTestHost host(folders, text);
  if (onFileStarted) {
    host.onFileStarted = [&](const std::string& path, size_t) { onFileStarted(path); };
  }
  TSearchResults results;
  const size_t descriptors = OpenDescriptors();
  RunSearch(host, results);
  EXPECT_EQ(OpenDescriptors(), descriptors) << "a descriptor was left open";
  Lines lines;
  EXPECT_EQ(results.LineItemIndex().size(), results.LineCount());
  for (size_t i = 0; i < results.LineCount(); ++i) {
    lines.push_back(results.Line(i));
    EXPECT_EQ(results.ItemOfLine(i) != nullptr, lines.back().starts_with("    [")) << "line " << i;
  }
  return lines;
}

std::string OpenError(const std::string& path, const std::string& reason) {
  return "EFOpenError: Cannot open file \"" + path + "\". " + reason;
}

Lines Join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Lines travel out of a child process separated by NUL, which no results line holds.
std::string Pack(const Lines& lines) {
  std::string packed;
  for (const std::string& line : lines) packed += line + '\0';
  return packed;
}

Lines Unpack(const std::string& packed) {
  Lines lines;
  for (size_t start = 0; start < packed.size();) {
    const size_t end = packed.find('\0', start);
    lines.push_back(packed.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

struct ChildOutcome {
  std::string how;  // "exit 0", "exit 3", "signal 14" ...
  std::string output;
};

// Runs `body` in a forked child whose output comes back through a pipe. alarm() guards
// against a hang: a child that is still running after `seconds` dies of SIGALRM (14).
ChildOutcome InChild(unsigned seconds, const std::function<std::string()>& body) {
  int channel[2];
  if (pipe(channel) != 0) return {"no pipe", ""};
  const auto failures = [] {
    return testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
  };
  const int failuresBefore = failures();
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    alarm(seconds);
    std::string output;
    try {
      output = body();
    } catch (...) {
      _exit(4);
    }
    if (failures() != failuresBefore) _exit(6);  // a check inside the child failed
    for (size_t done = 0; done < output.size();) {
      const ssize_t wrote = write(channel[1], output.data() + done, output.size() - done);
      if (wrote <= 0) _exit(5);
      done += static_cast<size_t>(wrote);
    }
    _exit(0);
  }
  close(channel[1]);
  ChildOutcome outcome;
  char buffer[65536];
  for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;) {
    outcome.output.append(buffer, static_cast<size_t>(got));
  }
  close(channel[0]);
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return {"no child", ""};
  outcome.how = WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                                  : "signal " + std::to_string(WTERMSIG(status));
  return outcome;
}

// Runs trawlix-cli with the arguments, after `limit` (a limit set in the child); its output
// comes back in a file, and the same alarm() hang guard holds across exec.
ChildOutcome RunCli(const TempDir& outputs, const Lines& arguments,
                    const std::function<bool()>& limit = {}) {
  const std::string outFile = outputs / "cli-output";
  const pid_t child = fork();
  if (child == 0) {
    const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0 || dup2(out, STDOUT_FILENO) < 0) _exit(126);
    if (limit && !limit()) _exit(125);
    std::vector<char*> argv{const_cast<char*>(TRAWLIX_CLI)};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    alarm(60);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return {"no child", ""};
  std::ifstream in(outFile, std::ios::binary);
  std::ostringstream output;
  output << in.rdbuf();
  return {WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                            : "signal " + std::to_string(WTERMSIG(status)),
          output.str()};
}

size_t CountOf(const Lines& lines, const std::string& line) {
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

// ---------------------------------------------------------------------------------------
// Files and folders that cannot be opened or read.

// Root reads every file, so a search over what a plain user cannot read runs in a child
// that gives up root (setuid to nobody, 65534) first; false where it could not.
bool GiveUpRoot() {
  return geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0);
}

std::string FolderOpenError(const std::string& path, const std::string& reason) {
  return "EFOpenError: Cannot open folder \"" + path + "\". " + reason;
}

// As nobody (see GiveUpRoot); the other folders stay readable to everyone. Add All on 1
// lists the folder that cannot be opened from its parent's listing, and the search
// reports it in its place, once.
TEST(FaultRun, UnreadableFileAndFolderAreReportedAndTheRunGoesOn) {
  TempDir dir;
  ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
  const std::string first = dir.MakeFolder("1"), second = dir.MakeFolder("1/2"),
                    locked = dir.MakeFolder("1/2/locked"), third = dir.MakeFolder("3");
  dir.Write("1/a.txt", "a needle");
  const std::string secret = dir.Write("1/2/secret.txt", "needle");
  dir.Write("1/2/locked/hidden.txt", "needle");
  dir.Write("3/c.txt", "\nc needle");
  ASSERT_EQ(chmod(secret.c_str(), 0), 0);
  ASSERT_EQ(chmod(locked.c_str(), 0), 0);

  const ChildOutcome outcome = InChild(60, [&] {
    if (!GiveUpRoot()) _exit(3);
    TStringList folders;
    AppendFolderTree(first, folders);
    folders.push_back(third);
    return Pack(Search(folders, "needle"));
  });
  ASSERT_EQ(outcome.how, "exit 0") << "exit 3: could not give up root";
  EXPECT_EQ(Unpack(outcome.output),
            Join({{first + "/a.txt", "    [0] a needle"},
                  ErrorBlock(secret, OpenError(secret, "Permission denied")),
                  FolderErrorBlock(locked, FolderOpenError(locked, "Permission denied")),
                  {"", third + "/c.txt", "    [1] c needle"}}));
}

// A read that fails: the kernel refuses to read this process's memory at offset 0,
// though the file counts as a regular one.
TEST(FaultRun, ReadFailureIsReported) {
  TempDir dir;
  const std::string first = dir.MakeFolder("1"), second = dir.MakeFolder("2");
  MakeLink("/proc/self/mem", dir / "1/mem.txt");
  const std::string small = dir.Write("2/small.txt", "needle");
  EXPECT_EQ(Search({first, second}, "needle"),
            Join({ErrorBlock(dir / "1/mem.txt", "EReadError: Input/output error"),
                  {"", small, "    [0] needle"}}));
}

// No descriptor left: each folder still opens, but none of its files does. The sanitizers'
// runtime needs descriptors of its own for some checks, so this runs in the plain build.
TEST(FaultRun, OutOfDescriptors) {
#ifdef TRAWLIX_UNDER_ASAN
  GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own";
#endif
  TempDir dir;
  const std::string first = dir.MakeFolder("1"), second = dir.MakeFolder("2");
  const std::string a = dir.Write("1/a.txt", "needle"), b = dir.Write("2/b.txt", "needle");
  const ChildOutcome outcome = InChild(60, [&] {
    // The lowest free descriptor is the only one left below the limit.
    const int lowestFree = dup(0);
    close(lowestFree);
    const rlimit cap{static_cast<rlim_t>(lowestFree) + 1, static_cast<rlim_t>(lowestFree) + 1};
    if (lowestFree < 0 || setrlimit(RLIMIT_NOFILE, &cap) != 0) _exit(3);
    return Pack(Search({first, second}, "needle"));
  });
  ASSERT_EQ(outcome.how, "exit 0");
  EXPECT_EQ(Unpack(outcome.output), Join({ErrorBlock(a, OpenError(a, "Too many open files")),
                                          ErrorBlock(b, OpenError(b, "Too many open files"))}));
}

// ---------------------------------------------------------------------------------------
// Files that change between the listing and the loading.

class ChangedAfterListing : public testing::Test {
 protected:
  TempDir dir;
  const std::string changed = dir.MakeFolder("1"), after = dir.MakeFolder("2");
  const std::string path = dir.Write("1/f.txt", "needle 0\nneedle 1\nneedle 2\n");
  const std::string next = dir.Write("2/g.txt", "needle g");

  // The results: what the changed file gave (nothing, its matches under its header, or an
  // error report), then the next file's, after a separator when anything stands before.
  Lines Expected(const Lines& changedFileLines) const {
    if (changedFileLines.empty()) return {next, "    [0] needle g"};
    return Join({changedFileLines, {"", next, "    [0] needle g"}});
  }
  Lines Matches(const Lines& matchLines) const { return Join({{path}, matchLines}); }
  Lines SearchChanging(const std::function<void()>& change) {
    return Search({changed, after}, "needle", [&](const std::string& fullPath) {
      if (fullPath == path) change();
    });
  }
};

TEST_F(ChangedAfterListing, Deleted) {
  EXPECT_EQ(SearchChanging([&] { ASSERT_EQ(unlink(path.c_str()), 0); }),
            Expected(ErrorBlock(path, OpenError(path, "No such file or directory"))));
}

TEST_F(ChangedAfterListing, TruncatedToNothing) {
  EXPECT_EQ(SearchChanging([&] { ASSERT_EQ(truncate(path.c_str(), 0), 0); }), Expected({}));
}

TEST_F(ChangedAfterListing, Shortened) {
  EXPECT_EQ(SearchChanging([&] { ASSERT_EQ(truncate(path.c_str(), 15), 0); }),
            Expected(Matches({"    [0] needle 0", "    [1] needle"})));
}

TEST_F(ChangedAfterListing, Grown) {
  EXPECT_EQ(SearchChanging([&] {
              const int fd = open(path.c_str(), O_WRONLY | O_APPEND);
              ASSERT_EQ(write(fd, "more\nneedle 4", 13), 13);
              close(fd);
            }),
            Expected(Matches(
                {"    [0] needle 0", "    [1] needle 1", "    [2] needle 2", "    [4] needle 4"})));
}

TEST_F(ChangedAfterListing, ReplacedByAFolder) {
  EXPECT_EQ(SearchChanging([&] {
              ASSERT_EQ(unlink(path.c_str()), 0);
              ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
            }),
            Expected(ErrorBlock(path, OpenError(path, "Is a directory"))));
}

// A FIFO or a link to an endless device swapped in after the listing must not be read:
// the run would wait for a writer, or read for ever. The run goes on in a child with a
// hang guard.
TEST_F(ChangedAfterListing, ReplacedByAFifoOrALinkToADevice) {
  for (const auto& [name, replace] : std::vector<std::pair<std::string, std::function<int()>>>{
           {"fifo", [&] { return mkfifo(path.c_str(), 0644); }},
           {"link to /dev/zero", [&] { return symlink("/dev/zero", path.c_str()); }}}) {
    SCOPED_TRACE(name);
    const ChildOutcome outcome = InChild(30, [&] {
      return Pack(SearchChanging([&] {
        if (unlink(path.c_str()) != 0 || replace() != 0) _exit(3);
      }));
    });
    ASSERT_EQ(outcome.how, "exit 0") << "signal 14: the run hung";
    EXPECT_EQ(Unpack(outcome.output),
              Expected(ErrorBlock(path, OpenError(path, "Not a regular file"))));
    ASSERT_EQ(unlink(path.c_str()), 0);
    dir.Write("1/f.txt", "needle 0\nneedle 1\nneedle 2\n");
  }
}

TEST_F(ChangedAfterListing, FolderRemovedWhileItsFilesAreSearched) {
  const std::string second = dir.Write("1/h.txt", "needle h");
  // Whichever file the listing gives first removes both files and their folder.
  bool removed = false;
  const Lines lines = Search({changed, after}, "needle", [&](const std::string& fullPath) {
    if (removed || fullPath == next) return;
    removed = true;
    ASSERT_EQ(unlink(path.c_str()), 0);
    ASSERT_EQ(unlink(second.c_str()), 0);
    ASSERT_EQ(rmdir(changed.c_str()), 0);
  });
  ASSERT_EQ(lines.size(), 13u);
  for (const std::string& gone : {path, second}) {
    const Lines block = ErrorBlock(gone, OpenError(gone, "No such file or directory"));
    EXPECT_NE(std::search(lines.begin(), lines.end(), block.begin(), block.end()), lines.end())
        << gone;
  }
  EXPECT_EQ(Lines(lines.end() - 3, lines.end()), (Lines{"", next, "    [0] needle g"}));
}

// ---------------------------------------------------------------------------------------
// Files that change while they are read. The loader reads to the end of the file as it
// finds it; whatever the timing, it gives a prefix of what the file held, never less
// than what stays in it.

std::string LinesOfText(size_t bytes) {
  std::string text;
  text.reserve(bytes + 32);
  for (size_t i = 0; text.size() < bytes; ++i) text += "line " + std::to_string(i) + "\n";
  return text;
}

TEST(FaultLoad, FileGrowingWhileRead) {
  TempDir dir;
  const std::string start = LinesOfText(size_t{16} << 20);
  const std::string path = dir.Write("growing", start);
  std::atomic<bool> loaded = false;
  std::thread writer([&] {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND);
    const std::string chunk = LinesOfText(size_t{256} << 10);
    for (int i = 0; i < 64 && !loaded; ++i) {
      if (write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size())) break;
    }
    close(fd);
  });
  TFileLines file;
  file.Load(path);
  loaded = true;
  writer.join();
  TFileLines final;
  final.Load(path);
  const std::string_view got = file.Text();
  EXPECT_GE(got.size(), start.size());
  EXPECT_TRUE(final.Text().starts_with(got)) << "not a prefix of the file";
  EXPECT_EQ(file.Line(0), "line 0");
}

TEST(FaultLoad, FileShrinkingWhileRead) {
  TempDir dir;
  const std::string start = LinesOfText(size_t{16} << 20);
  const std::string path = dir.Write("shrinking", start);
  std::atomic<int> cut = -1;
  std::thread cutter([&] { cut = truncate(path.c_str(), static_cast<off_t>(start.size() / 2)); });
  TFileLines file;
  file.Load(path);
  cutter.join();
  ASSERT_EQ(cut, 0);
  const std::string_view got = file.Text();
  EXPECT_GE(got.size(), start.size() / 2);
  EXPECT_TRUE(std::string_view(start).starts_with(got)) << "not a prefix of the file";
}

// Large files are mapped rather than read. One cut short while it is mapped must end
// where it was cut, wherever the reader happens to be, and the next file must load as usual.
TEST(FaultLoad, MappedFileCutShortUnderTheReader) {
  TempDir dir;
  const std::string start = LinesOfText(TFileLines::kMappedFrom) + "needle\n";
  const std::string path = dir.Write("cut", start);
  TFileLines file;
  file.Load(path);
  EXPECT_EQ(file.Line(0), "line 0");  // the first pages are in use before the cut
  // Cut on a page boundary, so that the next byte lies on a page past the file's end,
  // which faults (within the last page the system itself shows zeros past the end).
  const size_t cut = size_t{1} << 20;
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(cut)), 0);
  EXPECT_EQ(file.Find(0, "NEEDLE", true), kNotFound);
  EXPECT_EQ(file.Text(), std::string_view(start).substr(0, cut));
  const std::string kept = start.substr(0, cut);
  EXPECT_EQ(file.Count(), std::count(kept.begin(), kept.end(), '\n') + 1);
  EXPECT_EQ(file.Line(0), "line 0");

  dir.Write("next", start);
  file.Load(dir / "next");
  EXPECT_EQ(file.Find(0, "NEEDLE", true), start.size() - 7);
}

// The handler that rescues mapped files must leave every other bus error as fatal as before:
// here a page past the end of a file that the test maps itself, while a loaded file is mapped.
TEST(FaultLoad, OtherBusErrorsStayFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const TempDir dir{TempDir::SharedWithDeathTestChild{}};
  const std::string loaded = dir.Write("loaded", LinesOfText(TFileLines::kMappedFrom));
  const std::string other = dir.Write("other", LinesOfText(size_t{64} << 10));
  auto touchPastTheEnd = [&] {
    TFileLines file;
    file.Load(loaded);
    const int fd = open(other.c_str(), O_RDONLY);
    auto* bytes =
        static_cast<volatile char*>(mmap(nullptr, size_t{64} << 10, PROT_READ, MAP_PRIVATE, fd, 0));
    if (truncate(other.c_str(), 0) != 0) std::exit(3);
    std::exit(bytes[size_t{32} << 10]);
  };
#ifdef TRAWLIX_UNDER_ASAN
  // The sanitizer's own handler reports the fault and ends the process.
  EXPECT_EXIT(
      touchPastTheEnd(), [](int status) { return status != 0 && status != (3 << 8); }, "");
#else
  EXPECT_EXIT(touchPastTheEnd(), testing::KilledBySignal(SIGBUS), "");
#endif
}

// A page of a mapped file that cannot be read faults as a page past a cut does; told
// apart by the file still reaching past it, it fails the file instead of ending its text.
// The fault is made by cutting the file and then giving it its size back before the check.
TEST(FaultLoad, UnreadableMappedPageIsAReadError) {
  TempDir dir;
  const std::string bytes = LinesOfText(TFileLines::kMappedFrom);
  const std::string path = dir.Write("mapped", bytes);
  TFileLines file;
  file.Load(path);
  ASSERT_TRUE(file.Mapped());
  ASSERT_EQ(truncate(path.c_str(), off_t{1} << 20), 0);
  EXPECT_EQ(file.Text().size(), size_t{1} << 20);
  EXPECT_NO_THROW(file.CheckIntact());  // cut short: the text ends at the cut
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(bytes.size())), 0);
  EXPECT_THROW(file.CheckIntact(), EReadError);
}

// A mapped file changed in place or cut short between finding a match and keeping it
// (here when the run asks whether the match must be a whole word): every match line kept
// holds the text and every sample its one marked line. A change fails the file; a cut ends
// its text, and the next file is searched as usual.
TEST(FaultRun, MappedFileChangedUnderTheReader) {
  TempDir dir;
  const std::string first = dir.MakeFolder("1"), second = dir.MakeFolder("2");
  std::string bytes = "needle one\n" + LinesOfText(TFileLines::kMappedFrom) + "needle two\n";
  const std::string path = dir / "1/a.txt";
  const std::string next = dir.Write("2/b.txt", "needle three");
  for (const bool cut : {false, true}) {
    dir.Write("1/a.txt", bytes);
    TTestHost host({first, second}, "needle");
    host.onWholeWord = [&, calls = 0]() mutable {
      if (++calls != 2) return;
      const int fd = open(path.c_str(), O_WRONLY);
      if (cut) {
        EXPECT_EQ(ftruncate(fd, off_t{1} << 20), 0);
      } else {
        const std::string other(bytes.size(), 'x');
        EXPECT_EQ(pwrite(fd, other.data(), other.size(), 0), static_cast<ssize_t>(other.size()));
      }
      close(fd);
    };
    TSearchResults results;
    RunSearch(host, results);
    Lines lines;
    for (size_t i = 0; i < results.LineCount(); ++i) lines.push_back(results.Line(i));
    const Lines kept = {path, "    [0] needle one"};
    const Lines last = {"", next, "    [0] needle three"};
    if (cut) {
      EXPECT_EQ(lines, Join({kept, last}));
    } else {
      EXPECT_EQ(
          lines,
          Join({kept, ErrorBlock(path, "EReadError: The file changed while it was read"), last}));
    }
    for (size_t i = 0; i < results.GrepItems().size(); ++i) {
      const TGrepItem& item = results.GrepItems()[i];
      EXPECT_NE(item.Line().find("needle"), std::string_view::npos);
      const TStringList sample = item.Sample();
      EXPECT_EQ(std::count_if(sample.begin(), sample.end(),
                              [](const std::string& line) { return line.starts_with("--> "); }),
                1);
    }
  }
}

// A mapped file and a read one give the same lines.
TEST(FaultLoad, MappedAndReadFilesAgree) {
  TempDir dir;
  std::string bytes = LinesOfText(TFileLines::kMappedFrom);
  for (size_t i = 1000; i < bytes.size(); i += 7919) bytes[i] = (i / 7919) % 2 == 0 ? '\r' : ' ';
  const std::string path = dir.Write("mixed", bytes);
  TFileLines mapped;
  mapped.Load(path);
  TFileLines read;
  read.Assign(bytes);
  EXPECT_EQ(mapped.ToStringList(), read.ToStringList());
}

// An empty view may have no data pointer; taking it must not hand that to memcpy (the
// sanitizer build catches it).
TEST(FaultLoad, EmptyViewWithoutData) {
  TFileLines file;
  file.Assign("left over");
  file.Assign(std::string_view());
  EXPECT_EQ(file.Count(), 0);
  EXPECT_EQ(file.Text(), "");
}

// ---------------------------------------------------------------------------------------
// Entries of a searched folder that are not files, named like text files. They are never
// listed, so never opened; the run (in a child, with a hang guard) reports only the
// real file.

void ExpectOnlyTheRealFile(const TempDir& dir) {
  const std::string real = dir.Write("real.txt", "the needle");
  const ChildOutcome outcome = InChild(30, [&] { return Pack(Search({dir.Path()}, "needle")); });
  ASSERT_EQ(outcome.how, "exit 0") << "signal 14: the run hung";
  EXPECT_EQ(Unpack(outcome.output), (Lines{real, "    [0] the needle"}));

  TempDir outputs;
  const ChildOutcome cli = RunCli(outputs, {"-t", "needle", dir.Path()});
  EXPECT_EQ(cli.how, "exit 0") << "signal 14: trawlix-cli hung";
  EXPECT_EQ(cli.output, real + "\n    [0] the needle\n");
}

TEST(FaultRun, FifoSocketAndLinksToDevicesAreNeverOpened) {
  TempDir dir;
  MakeFifo(dir / "pipe.txt");
  MakeSocket(dir / "socket.txt");
  MakeLink("/dev/zero", dir / "zero.txt");
  MakeLink("/dev/tty", dir / "tty.txt");
  MakeLink("pipe.txt", dir / "pipe-link.txt");
  MakeLink("missing.txt", dir / "broken.txt");
  ExpectOnlyTheRealFile(dir);
}

// Making device nodes needs root (CAP_MKNOD); CI runs as root.
TEST(FaultRun, DeviceNodesAreNeverOpened) {
  TempDir dir;
  if (mknod((dir / "zero-device.txt").c_str(), S_IFCHR | 0644, makedev(1, 5)) != 0) {
    GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
  }
  ASSERT_EQ(mknod((dir / "block-device.txt").c_str(), S_IFBLK | 0644, makedev(7, 0)), 0);
  ExpectOnlyTheRealFile(dir);
}

// ---------------------------------------------------------------------------------------
// Link cycles and trees deeper than a path can name.

TEST(FaultTree, LinkCycleUnderTheRecursiveCli) {
  TempDir dir;
  dir.MakeFolder("A/B");
  MakeLink(dir.Path(), dir / "A/B/up");
  MakeLink(".", dir / "A/B/self");
  const std::string hit = dir.Write("A/B/hit.txt", "needle");
  TempDir outputs;
  const ChildOutcome cli = RunCli(outputs, {"-r", "-t", "needle", dir.Path()});
  ASSERT_EQ(cli.how, "exit 0") << "signal 14: trawlix-cli looped";
  // A/B is searched once as itself and once through the link that names it; up leads to
  // the top folder, whose subfolders are not walked again.
  std::string expected;
  for (const std::string& path : {hit, dir / "A/B/self/hit.txt"}) {
    expected += (expected.empty() ? "" : "\n") + path + "\n    [0] needle\n";
  }
  EXPECT_EQ(cli.output, expected);
}

// Thousands of folders, few of them with a matching file: the run holds no more folders
// open than its descriptors allow, and finds what one thread finds without a limit.
TEST(FaultTree, FewMatchingFilesAmongManyFoldersUnderALowDescriptorLimit) {
  TempDir dir;
  for (int i = 0; i < 3000; ++i) {
    const std::string folder =
        std::string("d").append(std::to_string(i / 100)).append("/").append(std::to_string(i));
    dir.MakeFolder(folder);
    dir.Write(folder + "/f.c", "needle");
    if (i % 97 == 0) dir.Write(folder + "/f.txt", "a needle\nneedle again\n");
  }
  TempDir outputs;
  const Lines arguments{"-r", "-m", "*.txt", "-t", "needle", dir.Path()};
  const ChildOutcome one = RunCli(outputs, Join({Lines{"-j", "1"}, arguments}));
  ASSERT_EQ(one.how, "exit 0");
  for (const char* threads : {"1", "2", "4"}) {
    const ChildOutcome limited = RunCli(outputs, Join({Lines{"-j", threads}, arguments}), [] {
      const rlimit cap{64, 64};
      return setrlimit(RLIMIT_NOFILE, &cap) == 0;
    });
    EXPECT_EQ(limited.how, "exit 0") << threads << " threads";
    EXPECT_EQ(limited.output, one.output) << threads << " threads";
  }
}

// A task limit that lets the process start no thread, or one: the search goes on with
// the threads it has, down to the run's own. Root is exempt from the limit, so the child
// gives up root first (setuid to nobody).
TEST(FaultTree, ThreadsTheSystemRefusesLeaveTheirWorkToTheOthers) {
  TempDir dir;
  std::filesystem::permissions(dir.Path(), std::filesystem::perms(0755));
  for (int i = 0; i < 40; ++i) {
    const std::string folder = std::string("f").append(std::to_string(i));
    dir.MakeFolder(folder);
    dir.Write(folder + "/a.txt", std::string("needle ").append(std::to_string(i)));
  }
  TempDir outputs;
  const Lines arguments{"-r", "-t", "needle", dir.Path()};
  const ChildOutcome one = RunCli(outputs, Join({Lines{"-j", "1"}, arguments}));
  ASSERT_EQ(one.how, "exit 0");
  for (const rlim_t tasks : {1, 2}) {
    const ChildOutcome limited = RunCli(outputs, Join({Lines{"-j", "4"}, arguments}), [tasks] {
      const rlimit cap{tasks, tasks};
      setenv("ASAN_OPTIONS", "detect_leaks=0", 1);  // the leak check needs a thread
      return GiveUpRoot() && setrlimit(RLIMIT_NPROC, &cap) == 0;
    });
    EXPECT_EQ(limited.how, "exit 0") << tasks << " tasks";
    EXPECT_EQ(limited.output, one.output) << tasks << " tasks";
  }
}

// A chain of 30 folders with 200-byte names, whose deepest paths run past 6,000 bytes,
// beyond PATH_MAX, and a file at the bottom. Made and removed through descriptors, so
// that the tree does not depend on what it tests.
class DeepTree : public testing::Test {
 protected:
  static constexpr int kLevels = 30;
  static constexpr std::string_view kText = "first\nthe needle\r\nnone\nNEEDLE again\n";
  TempDir dir;
  Lines paths;  // paths[k]: the folder at depth k + 1

  void SetUp() override {
    int fd = open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string path = dir.Path();
    for (int k = 1; k <= kLevels; ++k) {
      const std::string name = Name(k);
      ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0) << k;
      const int child = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      ASSERT_GE(child, 0) << k;
      close(fd);
      fd = child;
      path += "/" + name;
      paths.push_back(path);
    }
    const int file = openat(fd, "hit.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(write(file, kText.data(), kText.size()), static_cast<ssize_t>(kText.size()));
    close(file);
    close(fd);
  }

  void TearDown() override {
    int fd = open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int k = 1; k <= kLevels && fd >= 0; ++k) {
      const int child = openat(fd, Name(k).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      close(fd);
      fd = child;
    }
    EXPECT_EQ(unlinkat(fd, "hit.txt", 0), 0);
    for (int k = kLevels; k >= 1 && fd >= 0; --k) {
      const int parent = openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      close(fd);
      fd = parent;
      EXPECT_EQ(unlinkat(fd, Name(k).c_str(), AT_REMOVEDIR), 0) << k;
    }
    if (fd >= 0) close(fd);
  }

  static std::string Name(int k) { return std::string(198, 'd') + std::to_string(10 + k); }
};

// Add All walks to the bottom, the search lists and reads every folder however long its
// path, and Copy file content reads the file by its full path.
TEST_F(DeepTree, PathsOfAnyLengthAreWalkedSearchedAndRead) {
  ASSERT_GT(paths.back().size(), size_t{6000});
  TStringList folders;
  AppendFolderTree(dir.Path(), folders);
  EXPECT_EQ(folders, Join({{dir.Path()}, paths}));

  const std::string hit = paths.back() + "/hit.txt";
  const TStringList lines = ReferenceLines(kText);
  Lines expected = {hit};
  for (long n = -1; (n = ReferenceFindNextMatch("needle", lines, false, n)) != -1;) {
    expected.push_back("    [" + std::to_string(n) + "] " + lines[static_cast<size_t>(n)]);
  }
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(Search(folders, "needle"), expected);
  TFileLines file;
  file.Load(hit);
  EXPECT_EQ(file.ToStringList(), lines);

  TempDir outputs;
  const ChildOutcome cli = RunCli(outputs, {"-r", "-t", "needle", dir.Path()});
  EXPECT_EQ(cli.how, "exit 0");
  std::string printed;
  for (const std::string& line : expected) printed += line + "\n";
  EXPECT_EQ(cli.output, printed);
}

// ---------------------------------------------------------------------------------------
// Huge files and lines.

std::string WriteRepeated(const std::string& path, std::string_view unit, size_t times,
                          std::string_view tail) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return "cannot create";
  std::string block;
  for (size_t i = 0; i < std::min<size_t>(times, 1 << 20); ++i) block += unit;
  for (size_t left = times; left > 0;) {
    const size_t n = std::min(left, size_t{1} << 20);
    const size_t bytes = n * unit.size();
    if (write(fd, block.data(), bytes) != static_cast<ssize_t>(bytes)) return "cannot write";
    left -= n;
  }
  if (write(fd, tail.data(), tail.size()) != static_cast<ssize_t>(tail.size())) return "no tail";
  close(fd);
  return "";
}

TEST(FaultBig, SingleLineOf100MB) {
  TempDir dir;
  const size_t length = size_t{100} << 20;
  ASSERT_EQ(WriteRepeated(dir / "long.txt", "x", length - 6, "needle\nnext needle"), "");
  TTestHost host({dir.Path()}, "needle");
  TSearchResults results;
  RunSearch(host, results);
  ASSERT_EQ(results.LineCount(), 3u);
  EXPECT_EQ(results.Line(0), dir / "long.txt");
  const std::string line = results.Line(1);
  EXPECT_EQ(line.size(), length + 8);
  EXPECT_TRUE(line.starts_with("    [0] xxxx"));
  EXPECT_TRUE(line.ends_with("xxneedle"));
  EXPECT_EQ(results.Line(2), "    [1] next needle");
}

// More than 2^31 lines and bytes before the match. Slow and needs about 3 GB of memory
// and disk, so it runs only when TRAWLIX_BIG_TESTS=1.
TEST(FaultBig, FileOver2GiB) {
  const char* big = std::getenv("TRAWLIX_BIG_TESTS");
  if (!big || std::string(big) != "1") GTEST_SKIP() << "set TRAWLIX_BIG_TESTS=1 to run";
  TempDir dir;
  const size_t emptyLines = (size_t{1} << 31) + (size_t{1} << 28);
  ASSERT_EQ(WriteRepeated(dir / "big.txt", "\n", emptyLines, "a needle\nb\r\nneedle c"), "");
  TTestHost host({dir.Path()}, "needle");
  TSearchResults results;
  RunSearch(host, results);
  const std::string n = std::to_string(emptyLines);
  ASSERT_EQ(results.LineCount(), 3u);
  EXPECT_EQ(results.Line(1), "    [" + n + "] a needle");
  EXPECT_EQ(results.Line(2), "    [" + std::to_string(emptyLines + 2) + "] needle c");
  ASSERT_EQ(results.GrepItems().size(), 2u);
  const TGrepItem& last = results.GrepItems()[1];
  EXPECT_EQ(last.LineIndex(), static_cast<int64_t>(emptyLines + 2));
  EXPECT_EQ(last.Sample(),
            (TStringList{"    ", "    ", "    ", "    a needle", "    b", "--> needle c"}));
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak memory: %ld MiB\n", usage.ru_maxrss / 1024);
}

// ---------------------------------------------------------------------------------------
// A file larger than the memory the process may use. RLIMIT_AS holds in a child only;
// AddressSanitizer reserves far more address space than any such limit, so the test
// cannot run under it.

long AddressSpaceInUse() {
  long pages = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  return pages * sysconf(_SC_PAGESIZE);
}

// Searches two folders in a child whose address space may grow by `allowed` bytes at
// most: the first holds the file `makeBig` writes, the second a small file. The big one
// runs out of memory, which the run reports before it goes on with the small one.
void ExpectOutOfMemoryReport(const std::function<std::string(const TempDir&)>& makeBig,
                             rlim_t allowed) {
  TempDir dir;
  const std::string first = dir.MakeFolder("1"), second = dir.MakeFolder("2");
  const std::string big = makeBig(dir);
  const std::string small = dir.Write("2/small.txt", "needle");
  const ChildOutcome outcome = InChild(60, [&] {
    const rlim_t limit = static_cast<rlim_t>(AddressSpaceInUse()) + allowed;
    const rlimit cap{limit, limit};
    if (setrlimit(RLIMIT_AS, &cap) != 0) _exit(3);
    return Pack(Search({first, second}, "needle"));
  });
  ASSERT_EQ(outcome.how, "exit 0");
  EXPECT_EQ(Unpack(outcome.output),
            Join({ErrorBlock(big, "EOutOfMemory: Out of memory"), {"", small, "    [0] needle"}}));
}

// Larger than the memory allowed, but its text ends at its first NUL: nothing after it is
// read, whatever size the file reports (a sparse file maps in this child only when the
// address space allows it, and is read otherwise).
TEST(FaultRun, NothingAfterTheFirstNulIsRead) {
#ifdef TRAWLIX_UNDER_ASAN
  GTEST_SKIP() << "RLIMIT_AS cannot be combined with AddressSanitizer";
#endif
  TempDir dir;
  const std::string big = dir.Write("big.txt", "needle\n");
  ASSERT_EQ(truncate(big.c_str(), off_t{400} << 20), 0);  // sparse: zeros after the line
  const ChildOutcome outcome = InChild(60, [&] {
    const rlim_t limit = static_cast<rlim_t>(AddressSpaceInUse()) + (rlim_t{256} << 20);
    const rlimit cap{limit, limit};
    if (setrlimit(RLIMIT_AS, &cap) != 0) _exit(3);
    return Pack(Search({dir.Path()}, "needle"));
  });
  ASSERT_EQ(outcome.how, "exit 0");
  EXPECT_EQ(Unpack(outcome.output), (Lines{big, "    [0] needle"}));
}

// /proc/self/pagemap reports no size and holds 8 bytes for every page of the address
// space (about 256 GiB), the first of them zero: its text is empty, read in an instant,
// within a few megabytes.
TEST(FaultLoad, SizelessPseudoFileEndsAtItsFirstNul) {
#ifdef TRAWLIX_UNDER_ASAN
  GTEST_SKIP() << "RLIMIT_AS cannot be combined with AddressSanitizer";
#endif
  if (access("/proc/self/pagemap", R_OK) != 0) GTEST_SKIP() << "no /proc/self/pagemap";
  const ChildOutcome outcome = InChild(20, [] {
    const rlim_t limit = static_cast<rlim_t>(AddressSpaceInUse()) + (rlim_t{64} << 20);
    const rlimit cap{limit, limit};
    if (setrlimit(RLIMIT_AS, &cap) != 0) _exit(3);
    TFileLines file;
    file.Load("/proc/self/pagemap");
    return std::to_string(file.Text().size()) + " " + std::to_string(file.Count());
  });
  EXPECT_EQ(outcome.how, "exit 0");
  EXPECT_EQ(outcome.output, "0 0");
}

// A file without a NUL that the memory budget cannot hold fails with EOutOfMemory instead
// of growing the process; the budget is set low here rather than the disk filled.
TEST(FaultLoad, TextBeyondTheMemoryBudget) {
  TempDir dir;
  const std::string path = dir.Write("big.txt", LinesOfText(size_t{3} << 20));
  const std::string sizeless = "/proc/self/maps";  // no size reported, no NUL, read in steps
  const size_t saved = MemoryBudget();
  SetMemoryBudget(MemoryInUse() + (size_t{1} << 20));
  TFileLines file;
  EXPECT_THROW(file.Load(path), EOutOfMemory);
  SetMemoryBudget(MemoryInUse());
  EXPECT_THROW(file.Load(sizeless), EOutOfMemory);
  SetMemoryBudget(saved);
  file.Load(path);
  EXPECT_EQ(file.Line(0), "line 0");
  file.Load(sizeless);
  EXPECT_GT(file.Count(), 1);
}

// The file fits, but its match line does not fit twice more (the sample and the record).
TEST(FaultRun, MatchTooLargeToKeep) {
#ifdef TRAWLIX_UNDER_ASAN
  GTEST_SKIP() << "RLIMIT_AS cannot be combined with AddressSanitizer";
#endif
  ExpectOutOfMemoryReport(
      [](const TempDir& dir) {
        const std::string big = dir / "1/long.txt";
        EXPECT_EQ(WriteRepeated(big, "x", size_t{40} << 20, "needle"), "");
        return big;
      },
      rlim_t{64} << 20);
}

// ---------------------------------------------------------------------------------------
// Names with line breaks, bytes that are not UTF-8, and blanks at either end: listed,
// loaded and reported byte for byte, in folders with such names too.

TEST(FaultRun, OddNamesPassUnchanged) {
  TempDir dir;
  const std::string folder = dir.MakeFolder(" odd\nfolder\xff ");
  const Lines names = {"new\nline.txt",   "\xff\xfe.txt", " lead.txt", "trail.txt ",
                       "back\\slash.txt", "tab\t.txt",    "\r",        std::string(255, '\xe9')};
  for (const std::string& name : names) dir.Write(" odd\nfolder\xff /" + name, "x needle");
  const Lines lines = Search({folder}, "needle");
  ASSERT_EQ(lines.size(), 3 * names.size() - 1);
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    const auto header = std::find(lines.begin(), lines.end(), path);
    ASSERT_NE(header, lines.end()) << testing::PrintToString(path);
    EXPECT_EQ(CountOf(lines, path), 1u);
    ASSERT_NE(header + 1, lines.end());
    EXPECT_EQ(header[1], "    [0] x needle");
  }
}

}  // namespace
