// Searching with workers, and large files in parts, finds byte for byte what one thread
// finds: the same results lines, line index, records and samples, in every case the table
// names, and up to the same point when the run is cancelled.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FolderEntries.h"
#include "TempDir.h"
#include "TestSearchHost.h"
#include "search/FileLines.h"
#include "search/PartedSearch.h"
#include "search/SearchResults.h"
#include "search/SearchRun.h"
#include "util/ListingsAhead.h"
#include "util/lists.h"

using namespace trawlix;

namespace {

// Everything a run leaves in its results: for each file's header, the number of results
// lines under it and a digest of those lines, their line index entries, and the records'
// line numbers and samples (a file searched in parts holds a million of them).
using TDigests = std::map<std::string, std::pair<size_t, uint64_t>>;
TDigests Everything(const TSearchResults& results) {
  TDigests digests;
  std::pair<size_t, uint64_t>* current = &digests["(before the first header)"];
  const auto add = [&](std::string_view bytes) {
    current->second = current->second * 1099511628211u ^ std::hash<std::string_view>()(bytes);
  };
  for (size_t i = 0; i < results.LineCount(); ++i) {
    const TGrepItem* item = results.ItemOfLine(i);
    if (item == nullptr && i > 0 && results.Line(i - 1).empty()) {
      current = &digests[results.Line(i)];  // a header, or an error report's first line
    }
    ++current->first;
    add(results.Line(i));
    add(std::to_string(results.LineItemIndex()[i]));
    if (item == nullptr) continue;
    add(std::to_string(item->LineIndex()));
    item->VisitSample([&](std::string_view prefix, std::string_view text) {
      add(prefix);
      add(text);
    });
  }
  return digests;
}

// Folders of files made of lines that hold the text or not, as a word or inside one, in
// either case, with every kind of line end, NULs, empty and long lines, and one file large
// enough to be mapped.
class ThreadsTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::vector<std::string> folders;
  TListedFolders listed;

  void SetUp() override {
    std::mt19937 random(24);
    const std::vector<std::string> pieces = {"cat",         "CAT",    "concatenate",
                                             "the cat sat", "cat.",   "",
                                             "x",           "a\tcat", std::string(300, 'q')};
    const std::vector<std::string> ends = {"\n", "\r\n", "\r", "\n\r"};
    for (int f = 0; f < 12; ++f) {
      const std::string name = std::string("f").append(std::to_string(f));
      const std::string folder = dir.MakeFolder(name);
      folders.push_back(folder);
      const int files = static_cast<int>(random() % 30);
      for (int k = 0; k < files; ++k) {
        std::string text;
        const size_t lines = random() % 60;
        for (size_t i = 0; i < lines; ++i) {
          text += pieces[random() % pieces.size()] + ends[random() % ends.size()];
          if (random() % 97 == 0) text += '\0';
        }
        dir.Write(name + "/" + std::to_string(k) + ".txt", text);
      }
    }
    std::string big;
    while (big.size() < TFileLines::kMappedFrom + 100) big += "line of the big one\n cat\n";
    dir.Write("f3/big.txt", big);
    WriteSplitFiles();
    for (const std::string& folder : folders) {
      TFolderEntries entries = EntriesOf(folder);
      entries.Add("gone.txt", TFolderHandle::EntryKind::File);
      listed[folder] = std::move(entries);
    }
  }

  // Files large enough to be searched in parts, with what lies at the parts' edges: a CR LF
  // split by an edge, matches on either side of one (their samples cross it), a found line
  // that fails the whole-word test in a later part, a NUL in a later part, a match only in
  // a later part, and one line across several parts.
  void WriteSplitFiles() {
    const size_t part = TPartedFile::kPartBytes;
    const auto upTo = [](std::string& text, size_t size, const std::string& line) {
      while (text.size() + line.size() < size) text += line;
      text.append(size - text.size(), 'y');
    };
    // Lines that mostly do not match, with a match now and then.
    std::string filler;
    for (int i = 0; i < 3000; ++i) filler += "filler line\n";
    filler += "some cat\r\n";
    std::string edges;
    upTo(edges, part - 1, filler);
    edges += "\r\ncat right after the edge\n";
    upTo(edges, 2 * part - 20, filler);
    edges += "\ncat before the edge\nx\ny\nz\n";
    upTo(edges, 3 * part + 77, filler);
    edges += "cat\rcat\n\n";
    dir.Write("f5/edges.txt", edges);
    std::string late;
    upTo(late, part + 5, filler);
    late += "\nconcatenate\n";
    upTo(late, 2 * part + part / 2, filler);
    late += std::string(1, '\0') + "cat after the NUL\n";
    upTo(late, 4 * part, filler);
    dir.Write("f7/late.txt", late);
    // "cat sat" is found only in the fourth part: the line numbers count the parts before.
    std::string lone;
    upTo(lone, 3 * part + 1000, filler);
    lone += "\nthe cat sat\r\n";
    upTo(lone, 4 * part, filler);
    dir.Write("f8/lone.txt", lone);
    dir.Write("f9/minified.txt",
              std::string(part + part / 2, 'm') + " cat " + std::string(part, 'n'));
  }

  TDigests Run(size_t threads, const std::string& text, bool caseSensitive, bool wholeWord,
               int cancelAt = 0, bool flipOptions = false) {
    // Each folder's listing holds a file that is gone by the time it is loaded, so that
    // every run meets the same error.
    TListedHost host;
    host.folders = folders;
    host.listed = listed;
    host.maskText = "*.txt;*.*";  // each file searched twice, right after itself
    host.searchText = text;
    host.caseSensitive = caseSensitive;
    host.wholeWord = wholeWord;
    host.threads = threads;
    host.lendsUpcoming = true;
    host.onProcessEvents = [&](int call) {
      if (call == cancelAt) host.cancelled = true;
    };
    // Case Sensitive and Whole Word change at file turns, as the window lets them: the
    // workers' batches found with the terms before must not be taken after.
    size_t turns = 0;
    if (flipOptions) {
      host.onFileStarted = [&](const std::string&, size_t) {
        ++turns;
        if (turns % 3 == 0) host.caseSensitive = !host.caseSensitive;
        if (turns % 5 == 0) host.wholeWord = !host.wholeWord;
      };
    }
    TSearchResults results;
    RunSearch(host, results);
    return Everything(results);
  }
};

struct Case {
  const char* name;
  const char* text;
  bool caseSensitive;
  bool wholeWord;
};

TEST_F(ThreadsTest, WorkersFindWhatOneThreadFinds) {
  const Case cases[] = {{"folded", "cat", false, false},
                        {"exact", "CAT", true, false},
                        {"whole word", "cat", false, true},
                        {"phrase", "cat sat", true, false},
                        {"nowhere", "dog", false, false}};
  size_t threads = 2;
  for (const Case& c : cases) {
    EXPECT_EQ(Run(threads, c.text, c.caseSensitive, c.wholeWord),
              Run(1, c.text, c.caseSensitive, c.wholeWord))
        << c.name << ", " << threads << " threads";
    threads = threads % 4 + 2;  // 2, 3, 4, 5, 2
  }
}

TEST_F(ThreadsTest, ACancelKeepsWhatOneThreadKeeps) {
  for (const int cancelAt : {2, 40, 150}) {
    EXPECT_EQ(Run(3, "cat", false, false, cancelAt), Run(1, "cat", false, false, cancelAt))
        << "cancelled at the check point " << cancelAt;
  }
}

TEST_F(ThreadsTest, OptionsChangedAtFileTurnsGiveWhatOneThreadGives) {
  const TDigests one = Run(1, "cat", false, false, 0, true);
  for (size_t threads = 2; threads <= 5; ++threads) {
    EXPECT_EQ(Run(threads, "cat", false, false, 0, true), one) << threads << " threads";
  }
}

// The walk of Add All, listing ahead on threads, gives the folders and the kept listings
// that one thread gives, links into folders walked before included.
TEST_F(ThreadsTest, TheWalkListsAheadWhatOneThreadLists) {
  for (int depth = 0; depth < 4; ++depth) dir.MakeFolder("f1/deep/" + std::to_string(depth));
  std::filesystem::create_directory_symlink(dir.Path(), dir / "f2/up");
  std::filesystem::create_directory_symlink(dir / "f1/deep", dir / "f4/across");
  const auto walk = [&](size_t threads) {
    TListedFolders listed;
    TStringList folders;
    AppendFolderTree(dir.Path(), folders, &listed, threads);
    std::map<std::string, TStringList> described;
    for (const auto& [folder, entries] : listed) described[folder] = Described(entries);
    return std::pair{folders, described};
  };
  EXPECT_EQ(walk(3), walk(1));
}

// With every listing counted as one that waited, more threads join while the folders are
// listed, and each listing is still handed over in the order its folder was added.
TEST(ThreadsListingsAhead, ThreadsThatJoinKeepTheOrder) {
  TempDir dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 200; ++i) {
    const std::string name = std::string("d").append(std::to_string(i));
    paths.push_back(dir.MakeFolder(name));
    dir.Write(name + "/" + std::to_string(i * 7), "");
  }
  TListingsAhead ahead(2, std::chrono::nanoseconds(-1));
  ahead.Add(paths);
  for (const std::string& path : paths) {
    EXPECT_EQ(Described(ahead.Take().entries), Described(EntriesOf(path))) << path;
  }
}

}  // namespace
