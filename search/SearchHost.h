#pragma once
// What the search run asks of its host: the inputs, read exactly when the run needs them,
// and the reports through which it shows progress, runs pending events and hands over
// its results. The windows and the command-line tool each supply one.
#include <cstddef>
#include <optional>
#include <string>

#include "util/files.h"

namespace trawlix {

// What the run reads, exactly when it needs it.
class TSearchInputs {
 public:
  virtual ~TSearchInputs() = default;

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

  // How many threads may search at once, asked once at the start. With more than one,
  // workers search the files ahead of the run with the inputs the run read at the last
  // file's turn, and the run reads the search text and both options once at every file's
  // turn; those can change only while pending events run there, so what it finds is what
  // one thread finds. One (the default) has the run search every file itself.
  virtual size_t SearchThreads() { return 1; }

  // The cancel flag, set by the host's Cancel; tested and cleared by the run. A host
  // without a Cancel (the default) is never cancelled.
  virtual bool Cancelled() { return false; }
  virtual void ClearCancelled() {}
};

// What the run reports: the steps of the progress window in the run's order, pending
// events, and the results. A host without a progress display keeps the no-op defaults.
class TSearchReport {
 public:
  virtual ~TSearchReport() = default;

  virtual void ResetProgress(size_t /*folderCount*/) {}  // label "", overall max, progress 0
  virtual void ShowProgress() {}
  virtual void FolderStarted(size_t /*number*/) {}  // 1-based
  virtual void FilesListed(size_t /*count*/) {}
  virtual void FileStarted(const std::string& /*fullPath*/, size_t /*number*/) {}  // 1-based
  virtual void ProcessEvents() {}  // let pending events run
  // The current file will take a while (it is large, or its bytes are not cached): show
  // the progress as it stands now, without running events.
  virtual void ShowProgressNow() {}
  // The results lines appended so far are final: called after each file, and after each
  // part of a large file searched in parts.
  virtual void LinesAdded() {}
  virtual void CloseProgress() {}

  // The run ended without a cancel: show the results (the windows show them modally).
  virtual void ShowResults() = 0;
};

// A host supplies both sides.
class TSearchHost : public TSearchInputs, public TSearchReport {};

}  // namespace trawlix
