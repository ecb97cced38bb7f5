// Searching with workers finds, byte for byte, what one thread finds: the same results
// lines, line index, records and samples, in every case the table names, and up to the
// same point when the run is cancelled.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "FolderEntries.h"
#include "TempDir.h"
#include "TestSearchHost.h"
#include "search/FileLines.h"
#include "search/SearchResults.h"
#include "search/SearchRun.h"

using namespace trawlix;

namespace {

// Everything a run leaves in its results, as text.
std::vector<std::string> Everything(const TSearchResults& results) {
  std::vector<std::string> all;
  for (size_t i = 0; i < results.LineCount(); ++i) {
    all.push_back(std::to_string(results.LineItemIndex()[i]) + "\t" + results.Line(i));
  }
  for (size_t i = 0; i < results.GrepItems().size(); ++i) {
    const TGrepItem& item = results.GrepItems()[i];
    all.push_back(item.FileName() + ":" + std::to_string(item.LineIndex()));
    for (const std::string& line : item.Sample()) all.push_back(line);
  }
  return all;
}

// A host that also hands over, for each folder, a listing with a file that is gone by the
// time it is loaded, so that every run meets the same error.
class TListedHost : public TTestHost {
 public:
  TListedFolders listed;
  const TFolderEntries* ListedEntries(size_t i) override {
    const auto kept = listed.find(folders.at(i));
    return kept == listed.end() ? nullptr : &kept->second;
  }
};

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
      const std::string name = "f" + std::to_string(f);
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
      TFolderEntries entries = EntriesOf(folder);
      entries.Add("gone.txt", TFolderHandle::EntryKind::File);
      listed[folder] = std::move(entries);
    }
    std::string big;
    while (big.size() < TFileLines::kMappedFrom + 100) big += "line of the big one\n cat\n";
    dir.Write("f3/big.txt", big);
  }

  std::vector<std::string> Run(size_t threads, const std::string& text, bool caseSensitive,
                               bool wholeWord, int cancelAt = 0) {
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
  for (const Case& c : cases) {
    const std::vector<std::string> one = Run(1, c.text, c.caseSensitive, c.wholeWord);
    for (const size_t threads : {2, 5}) {
      EXPECT_EQ(Run(threads, c.text, c.caseSensitive, c.wholeWord), one)
          << c.name << ", " << threads << " threads";
    }
  }
}

TEST_F(ThreadsTest, ACancelKeepsWhatOneThreadKeeps) {
  for (const int cancelAt : {2, 40, 150}) {
    EXPECT_EQ(Run(3, "cat", false, false, cancelAt), Run(1, "cat", false, false, cancelAt))
        << "cancelled at the check point " << cancelAt;
  }
}

}  // namespace
