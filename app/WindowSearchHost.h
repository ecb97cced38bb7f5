#pragma once
// The search run's view of the windows: it reads its inputs from the main window and the
// folder dialog, drives the progress window and hands its results to the results window.
#include "search/SearchRun.h"

namespace trawlix {

class TfrmMain;
class TSearchResults;

class TWindowSearchHost : public TSearchHost {
 public:
  TWindowSearchHost(TfrmMain& main, const TSearchResults& results)
      : main_(main), results_(results) {}

  std::string MaskText() override;
  void SetMaskText(const std::string& text) override;
  size_t FolderCount() override;
  std::string Folder(size_t i) override;
  std::optional<std::string> UpcomingFolder(size_t i) override;
  std::string SearchText() override;
  bool CaseSensitive() override;
  bool WholeWord() override;
  size_t SearchThreads() override;

  void ResetProgress(size_t folderCount) override;
  void ShowProgress() override;
  void FolderStarted(size_t number) override;
  void FilesListed(size_t count) override;
  void FileStarted(const std::string& fullPath, size_t number) override;
  void ProcessEvents() override;
  void ShowProgressNow() override;
  void CloseProgress() override;

  void ShowResults() override;

  bool Cancelled() override;
  void ClearCancelled() override;

 private:
  TfrmMain& main_;
  const TSearchResults& results_;
  // Whole Word stays enabled while the run goes on: the results window marks whole words
  // only when every found line was tested as one.
  bool wholeWordThroughout_ = true;
};

}  // namespace trawlix
