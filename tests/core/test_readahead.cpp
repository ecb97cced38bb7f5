// The read-ahead hands the run the bytes of the files that its workers loaded ahead, and
// leaves to the run each file that it cannot load ahead or that the run names otherwise.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TempDir.h"
#include "TestSearchHost.h"
#include "search/FileLines.h"
#include "search/ReadAhead.h"
#include "search/SearchResults.h"

using namespace trawlix;

namespace {

// Lends the run's folders ahead of their turns as `upcoming` names them.
class TUpcomingHost : public TTestHost {
 public:
  std::vector<std::string> upcoming;
  std::optional<std::string> UpcomingFolder(size_t i) override { return upcoming.at(i); }
};

class ReadAheadTest : public ::testing::Test {
 protected:
  TempDir dir;
  TUpcomingHost host;
  TStringList masks{"*.*"};

  // Walks `folders` as the run does, the read-ahead active from the start; for each file
  // after the first, the text taken over, or none where the run is to load it itself.
  std::map<std::string, std::optional<std::string>> Walk(const std::vector<std::string>& folders) {
    std::map<std::string, std::optional<std::string>> taken;
    TSearchResults results;
    TReadAhead ahead(host, masks, folders.size(), 0, results);
    ahead.Loaded(true);
    TFileLines lines;
    for (size_t i = 0; i < folders.size(); ++i) {
      const TStringList& files = ahead.Enter(i, folders[i]).files;
      for (size_t j = 0; j < files.size(); ++j) {
        ahead.Started({i, j});
        bool waited = false;
        std::vector<TGrepItem> records;
        const bool took = ahead.Take(
                              lines, records, [] {}, waited) == TReadAhead::TTaken::Bytes;
        if (i > 0)
          taken[folders[i] + "/" + files[j]] =
              took ? std::optional(std::string(lines.Text())) : std::nullopt;
      }
    }
    return taken;
  }
};

TEST_F(ReadAheadTest, TakesOverEachSmallFileThatReportsASize) {
  const std::string lead = dir.MakeFolder("lead");
  dir.Write("lead/first.txt", "lead");
  const std::string a = dir.MakeFolder("A"), b = dir.MakeFolder("B");
  dir.Write("A/a.txt", "alpha\nline");
  dir.Write("A/nul.txt", std::string("one\0two", 7));
  dir.Write("A/big.txt", std::string(TFileBytes::kMappedFrom, 'x'));
  dir.Write("A/empty.txt", "");
  dir.Write("B/b.txt", "beta");
  host.upcoming = {lead, a, b};
  const std::map<std::string, std::optional<std::string>> expected{
      {a + "/a.txt", "alpha\nline"},
      {a + "/nul.txt", "one"},
      {a + "/big.txt", std::nullopt},  // mapped by the run
      {a + "/empty.txt", std::nullopt},
      {b + "/b.txt", "beta"}};
  EXPECT_EQ(Walk({lead, a, b}), expected);
}

// The host's folder list changed after the read-ahead listed the folder: the file of the
// same name in the folder the run names now is the run's to load; the next folder, named
// as it was, is read ahead again.
TEST_F(ReadAheadTest, AFolderNamedOtherwiseAtItsTurnIsLoadedByTheRun) {
  const std::string lead = dir.MakeFolder("lead");
  dir.Write("lead/first.txt", "lead");
  const std::string a = dir.MakeFolder("A"), c = dir.MakeFolder("C"), b = dir.MakeFolder("B");
  dir.Write("A/a.txt", "alpha");
  dir.Write("C/a.txt", "gamma");
  dir.Write("B/b.txt", "beta");
  host.upcoming = {lead, a, b};
  const std::map<std::string, std::optional<std::string>> expected{{c + "/a.txt", std::nullopt},
                                                                   {b + "/b.txt", "beta"}};
  EXPECT_EQ(Walk({lead, c, b}), expected);
}

}  // namespace
