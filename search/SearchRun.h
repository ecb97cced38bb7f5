#pragma once
// The search run: every file matching a mask in every listed folder, every line that
// holds the search text. Written once, for the windows and for the command-line tool,
// which supply inputs, show progress and run pending events through TSearchHost.
#include <cstddef>
#include <optional>
#include <string>

#include "util/files.h"

class TSearchResults;

class TSearchHost {
 public:
  virtual ~TSearchHost() = default;

  // Inputs, read exactly when the run needs them.
  virtual std::string MaskText() = 0;                     // once at the start, and again after
  virtual void SetMaskText(const std::string& text) = 0;  // a blank text was replaced by "*.*"
  virtual size_t FolderCount() = 0;                       // once at the start
  virtual std::string Folder(size_t i) = 0;               // at the start of folder i's turn
  virtual std::string SearchText() = 0;                   // before every FindNextMatch/IsWholeWord
  virtual bool CaseSensitive() = 0;                       // before every FindNextMatch/IsWholeWord
  virtual bool WholeWord() = 0;                           // after every found line
  // Folder i's entries as the host has listed them already, asked when its files are
  // listed; none (the default) has the run list the folder itself.
  virtual const TFolderEntries* ListedEntries(size_t) { return nullptr; }
  // Folder i's path as it stands now, asked ahead of its turn only to have its files read
  // ahead (the run asks Folder(i) again at its turn); none (the default) keeps the reading
  // ahead within the current folder.
  virtual std::optional<std::string> UpcomingFolder(size_t) { return std::nullopt; }

  // Progress: the steps of the progress window, in the run's order.
  virtual void ResetProgress(size_t folderCount) = 0;  // label "", overall max, both progress 0
  virtual void ShowProgress() = 0;
  virtual void FolderStarted(size_t number) = 0;  // 1-based
  virtual void FilesListed(size_t count) = 0;
  virtual void FileStarted(const std::string& fullPath, size_t number) = 0;  // 1-based
  virtual void ProcessEvents() = 0;  // let pending events run
  // The current file will take a while (it is large, or its bytes are not cached): show
  // the progress as it stands now, without running events.
  virtual void ShowProgressNow() {}
  virtual void CloseProgress() = 0;

  // The run ended without a cancel: show the results (the windows show them modally).
  virtual void ShowResults() = 0;

  // The cancel flag, set by the host's Cancel; tested and cleared by the run.
  virtual bool Cancelled() = 0;
  virtual void ClearCancelled() = 0;
};

// Folder i's matching files, open as `handle`, into `files` (emptied first): from the
// entries its host listed when there are any, else from the folder itself.
void ListFolderFiles(TSearchHost& host, const TFolderHandle& handle, size_t i,
                     const TStringList& masks, TStringList& files);

// Runs one search into `results`, emptying it first.
void RunSearch(TSearchHost& host, TSearchResults& results);
