#pragma once
// The search run's host without windows: inputs from the command line, no progress
// display, no cancel, and the results printed as the run appends them.
#include <string>

#include "cli/Options.h"
#include "search/SearchRun.h"
#include "util/StringList.h"
#include "util/files.h"

namespace trawlix {

class TOutput;
class TSearchResults;

class TCliHost final : public TSearchHost {
 public:
  TCliHost(const TCliOptions& options, TStringList folders, TListedFolders listed,
           const TSearchResults& results, TOutput& output);

  std::string MaskText() override { return maskText_; }
  void SetMaskText(const std::string& text) override { maskText_ = text; }
  size_t FolderCount() override { return folders_.size(); }
  std::string Folder(size_t i) override { return folders_[i]; }
  std::optional<std::string> UpcomingFolder(size_t i) override { return folders_[i]; }
  std::string SearchText() override { return options_.searchText; }
  bool CaseSensitive() override { return options_.caseSensitive; }
  bool WholeWord() override { return options_.wholeWord; }
  size_t SearchThreads() override;
  const TFolderEntries* ListedEntries(size_t i) override;

  // Lines are printed as they become final, while the workers search on, rather than all
  // after the run.
  void LinesAdded() override;
  void ShowResults() override;

 private:
  const TCliOptions& options_;
  std::string maskText_;
  TStringList folders_;
  TListedFolders listed_;
  const TSearchResults& results_;
  TOutput& output_;
  size_t printed_ = 0;  // results lines
};

}  // namespace trawlix
