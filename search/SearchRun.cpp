#include "search/SearchRun.h"

#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "search/FileLines.h"
#include "search/FileSearch.h"
#include "search/GrepItemUnit.h"
#include "search/MappedMemory.h"
#include "search/PartedSearch.h"
#include "search/ReadAhead.h"
#include "search/SearchResults.h"
#include "util/FolderPaths.h"
#include "util/StringList.h"
#include "util/SystemMemory.h"
#include "util/errors.h"
#include "util/files.h"
#include "util/lists.h"
#include "util/text.h"

namespace trawlix {

namespace {

// Stands before the first header; no real path equals it, so the first file with a
// match always gets a header.
constexpr const char* kNoHeader = "?This is an invalid filename*";

// The first lines of the reports of a file and of a folder.
constexpr const char* kUnableToLoad = "Unable to load file ";
constexpr const char* kUnableToList = "Unable to list folder ";

// Reports a folder that could not be listed in full: it could not be opened, or its
// listing stopped short.
void ReportFolder(TSearchResults& results, const TListedFolder& folder) {
  const std::string reason = "\"" + folder.path + "\". " + SystemErrorText(folder.error);
  if (folder.opened) {
    results.AppendErrorReport(kUnableToList, folder.path,
                              EReadError("Cannot list folder " + reason));
  } else {
    results.AppendErrorReport(kUnableToList, folder.path,
                              EFOpenError("Cannot open folder " + reason));
  }
}

// The threads that search ahead of the run, the run's own among them: none for one.
size_t SearchersOf(TSearchInputs& host) {
  const size_t threads = host.SearchThreads();
  return threads > 1 ? threads : 0;
}

// One run's state across its folders and files.
class TRun {
 public:
  TRun(TSearchHost& host, TSearchResults& results, const TStringList& masks, size_t folderCount)
      : host_(host),
        results_(results),
        folderCount_(folderCount),
        lastHeader_(std::make_shared<const std::string>(kNoHeader)),
        readAhead_(host, masks, folderCount, SearchersOf(host), results),
        searching_(readAhead_.Searching()),
        beforeWait_([this] {
          waited_ = true;
          host_.ShowProgressNow();
        }) {}

  void SearchFolders() {
    for (size_t i = 0; i < folderCount_; ++i) {
      if (host_.Cancelled()) break;
      std::string path = host_.Folder(i);
      host_.FolderStarted(i + 1);
      host_.ProcessEvents();
      const TListedFolder& folder = readAhead_.Enter(i, path);
      host_.FilesListed(folder.files.size());
      SearchFiles(folder);
      // A folder that could not be listed in full is reported after the files it gave.
      if (folder.error != 0) ReportFolder(results_, folder);
    }
  }

 private:
  void SearchFiles(const TListedFolder& folder) {
    for (size_t j = 0; j < folder.files.size(); ++j) {
      if (host_.Cancelled()) break;
      // The folder is taken as it stands: trimming it as the separator helpers do would
      // name another folder when the real one ends in a blank.
      fullPath_ = ChildPath(folder.path, folder.files[j]);
      host_.FileStarted(fullPath_, j + 1);
      host_.ProcessEvents();
      // Any failure while the file is loaded or searched becomes an error report in the
      // results; what the file added before the failure stays.
      try {
        SearchFile(*folder.open, {folder.index, j}, folder.files[j]);
      } catch (const Exception& e) {
        results_.AppendErrorReport(kUnableToLoad, fullPath_, e);
      } catch (const std::bad_alloc&) {
        ReportOutOfMemory();
      } catch (const std::length_error&) {
        ReportOutOfMemory();
      }
      lines_.Clear();
      host_.LinesAdded();
    }
  }

  // The file at `key`: its records found ahead, or its bytes, loaded ahead or here,
  // searched here (a large one in parts, with the workers).
  void SearchFile(const TOpenFolder& folder, TTurnKey key, const std::string& name) {
    if (searching_) {
      terms_ = {host_.SearchText(), host_.CaseSensitive(), host_.WholeWord()};
      readAhead_.SearchWith(terms_);
    }
    readAhead_.Started(key);
    waited_ = false;
    const TReadAhead::TTaken taken = readAhead_.Take(lines_, records_, beforeWait_, waited_);
    if (taken == TReadAhead::TTaken::Nothing) {
      lines_.LoadAt(folder.handle.Fd(), name, fullPath_, beforeWait_);
    }
    readAhead_.Loaded(waited_);
    if (taken == TReadAhead::TTaken::Records) {
      AppendRecords();
    } else if (searching_ && lines_.Mapped() && TPartedFile::Splits(lines_.Length())) {
      host_.ShowProgressNow();
      SearchInParts();
    } else {
      // Searching a mapped file takes a while, and touching its pages may wait.
      if (lines_.Mapped()) host_.ShowProgressNow();
      SearchLoadedFile();
    }
  }

  void ReportOutOfMemory() {
    lines_ = TFileLines();  // give the file's buffer back before the report is built
    results_.AppendErrorReport(kUnableToLoad, fullPath_, EOutOfMemory("Out of memory"));
  }

  void SearchLoadedFile() {
    path_.reset();  // made at the file's first match
    results_.StartFile();
    SearchFileLines(lines_, host_, *this, sample_);
    if (lines_.Mapped()) lines_.CheckIntact();
  }

  // A large file: searched in parts by the workers and the run together, as the run would
  // have searched it alone, unless the run was cancelled as the file's turn began. The
  // workers are done with the file's bytes before they are let go, also on a failure.
  void SearchInParts() {
    path_.reset();
    if (host_.Cancelled()) return;
    const auto file =
        std::make_shared<TPartedFile>(lines_, FilePath(), terms_, readAhead_.Stopping());
    struct Finished {
      TReadAhead& readAhead;
      TPartedFile& file;
      ~Finished() {
        readAhead.Unshare();
        file.Finish();
      }
    } finished{readAhead_, *file};
    readAhead_.Share(file);
    file->Merge(
        readAhead_.RunSearcher(), [this](TGrepItem record) { Append(std::move(record)); },
        [this] { host_.LinesAdded(); });
    lines_.CheckIntact();
  }

  // A file searched ahead: its records, as its search would have made them here, unless
  // the run was cancelled as the file's turn began.
  void AppendRecords() {
    path_.reset();
    if (!host_.Cancelled()) {
      for (TGrepItem& record : records_) Append(std::move(record));
    }
    records_.clear();
  }

 public:
  // The sink of the file's search.
  TGrepItem NewItem(int64_t n, std::string_view line, const TSampleView& sample) {
    return results_.NewItem(n, line, FilePath(), sample);
  }
  bool Append(TGrepItem record) {
    if (!path_) path_ = *lastHeader_ == record.FileName() ? lastHeader_ : record.SharedFileName();
    if (path_ != lastHeader_) AppendHeader(path_);
    results_.AppendMatch(std::move(record));
    return true;
  }

 private:
  // The current file's shared path, made at its first match. A file searched again right
  // after itself (its name matched two masks) shares the path of its header, which it
  // does not repeat.
  const std::shared_ptr<const std::string>& FilePath() {
    if (!path_) {
      path_ =
          *lastHeader_ == fullPath_ ? lastHeader_ : std::make_shared<const std::string>(fullPath_);
    }
    return path_;
  }

  void AppendHeader(const std::shared_ptr<const std::string>& path) {
    if (results_.LineCount() > 0) results_.AppendSeparator();
    results_.AppendHeader(path);
    lastHeader_ = path;
  }

  TSearchHost& host_;
  TSearchResults& results_;
  size_t folderCount_;
  std::shared_ptr<const std::string> lastHeader_;
  std::string fullPath_;
  TFileLines lines_;  // one buffer, reused for every file
  TSampleView sample_;
  std::shared_ptr<const std::string> path_;  // the current file's, once it has a match
  std::vector<TGrepItem> records_;           // of a file searched ahead
  TSearchTerms terms_;                       // with workers, as read at the file's turn
  TReadAhead readAhead_;
  const bool searching_;  // workers search ahead
  bool waited_ = false;   // whether the current file's load had to wait for the disk
  const std::function<void()> beforeWait_;
};

}  // namespace

void RunSearch(TSearchHost& host, TSearchResults& results) {
  if (StripSpaces(host.MaskText()).empty()) host.SetMaskText("*.*");
  TStringList masks;
  ParseX(host.MaskText(), ";", false, false, false, masks);
  size_t folderCount = host.FolderCount();

  // An error that escapes the run still closes the progress and clears the cancel flag,
  // so that the next run starts afresh.
  bool progressOpen = true;
  try {
    results.ClearLines();
    host.ResetProgress(folderCount);
    host.ProcessEvents();
    host.ShowProgress();
    results.ClearItems();
    // Whatever the files hold, the run takes no more than half the memory that the system
    // can give it now without swapping.
    SetMemoryBudget(MemoryInUse() + AvailableMemory() / 2);
    if (!host.Cancelled()) TRun(host, results, masks, folderCount).SearchFolders();
    progressOpen = false;
    host.CloseProgress();
    if (!host.Cancelled()) host.ShowResults();
  } catch (...) {
    if (progressOpen) host.CloseProgress();
    host.ClearCancelled();
    throw;
  }
  host.ClearCancelled();
}

}  // namespace trawlix
