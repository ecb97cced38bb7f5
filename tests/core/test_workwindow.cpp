// The window of work ahead, driven by hand on one thread: jobs leave it in the run's order,
// what they held is given back when the run takes them, and the records held ahead hold up
// every job but the run's next.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "search/AheadBudget.h"
#include "search/WorkWindow.h"

using namespace trawlix;

namespace {

class WorkWindowTest : public ::testing::Test {
 protected:
  TWorkWindow window{true};
  TSearchTerms terms;  // a searcher's, as the window brings them up to its own

  void SetUp() override {
    std::vector<TTurn> turns;
    for (size_t file = 0; file < 3; ++file) {
      turns.push_back({{0, file}, nullptr, std::string("f").append(std::to_string(file))});
    }
    window.Queue(std::move(turns));
  }

  static TFound Records(size_t bytes) {
    TFound found;
    found.kind = TFound::Kind::Records;
    found.recordBytes = bytes;
    return found;
  }

  // Takes the run's file at `file`, which a worker has done: how many files came along,
  // or none where the run is to search it itself.
  std::optional<size_t> Take(size_t file) {
    TWorkWindow::TTaken taken = window.Take(
        {0, file}, [](TWorkWindow::TWork&) {}, [] {});
    if (!taken.ahead) return std::nullopt;
    return taken.along.size();
  }
};

TEST_F(WorkWindowTest, RecordsTakenByTheRunAreGivenBack) {
  const std::optional<TWorkWindow::TWork> first = window.WaitForWork(true, terms);
  ASSERT_TRUE(first && first->job->turn.name == "f0");
  window.Finish(first->seq, Records(TAheadBudget::kRecords));
  EXPECT_EQ(window.Held().records, TAheadBudget::kRecords);
  EXPECT_EQ(Take(0), 0u);
  EXPECT_EQ(window.Held().records, 0u);
  // The next file is at work; the one after it may find records ahead again.
  const std::optional<TWorkWindow::TWork> second = window.WaitForWork(true, terms);
  ASSERT_TRUE(second && second->job->turn.name == "f1");
  EXPECT_EQ(window.RecordRoom(second->seq + 1), TAheadBudget::kRecords);
}

TEST_F(WorkWindowTest, RecordsHeldAheadHoldUpAllButTheRunsNextFile) {
  const std::optional<TWorkWindow::TWork> first = window.WaitForWork(true, terms);
  const std::optional<TWorkWindow::TWork> second = window.WaitForWork(true, terms);
  ASSERT_TRUE(first && second && second->job->turn.name == "f1");
  window.Finish(second->seq, Records(TAheadBudget::kRecords));
  EXPECT_EQ(window.RecordRoom(second->seq + 1), 0u) << "the third file may go ahead";
  EXPECT_EQ(window.RecordRoom(first->seq), SIZE_MAX);
  window.Finish(first->seq, Records(10));
  EXPECT_EQ(Take(0), 1u) << "the second file's records come along";
  EXPECT_EQ(window.Held().records, 0u);
  EXPECT_EQ(Take(1), std::nullopt);
  const std::optional<TWorkWindow::TWork> third = window.WaitForWork(true, terms);
  ASSERT_TRUE(third);
  EXPECT_EQ(third->job->turn.name, "f2");
}

TEST_F(WorkWindowTest, OtherTermsDropWhatWasFoundAndStopWhatIsAtWork) {
  const std::optional<TWorkWindow::TWork> first = window.WaitForWork(true, terms);
  ASSERT_TRUE(first);
  window.SetTerms({"cat", false, false});
  EXPECT_TRUE(first->job->dropped.load());
  window.Finish(first->seq, Records(100));
  EXPECT_EQ(window.Held().records, 0u);
  EXPECT_EQ(Take(0), std::nullopt);
  window.SetTerms({"cat", true, false});  // Case Sensitive alone changed
  window.Queue({{{0, 1}, nullptr, "f1"}});
  const std::optional<TWorkWindow::TWork> again = window.WaitForWork(true, terms);
  ASSERT_TRUE(again);
  EXPECT_TRUE(terms.caseSensitive);
}

}  // namespace
