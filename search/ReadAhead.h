#pragma once
// Keeps the disk, or the network, busy while the run searches one file at a time.
//
// A run over a cold page cache (the first search after start-up) or a network share would
// otherwise wait for every file in turn, with one request in flight and the disk or the
// wire idle between them. Once a load has had to wait, worker threads take the files that
// come next in the run's order: one asks the system to read a wide window of them into
// its page cache (POSIX_FADV_WILLNEED, on disks only), and a few load the nearest of them
// whole, each into a buffer of its own. The run takes each file's bytes over at its turn
// and searches them there, in its order, as if it had loaded them itself. A file that
// cannot be loaded ahead (it failed, is large enough to be mapped, or reports no size) is
// loaded by the run as before, so every error is met and reported at the file's turn.
// Where the loads find their files cached, reading ahead stops until a load waits again,
// so a warm search pays nothing.
//
// With searchers, the workers also search the files they load, warm or cold, with the
// search terms of the run, each file into a batch of records of its own: the run then
// appends a file's batch at its turn where it would have searched the file itself. A
// file that cannot be searched ahead (see above; also one whose batch would take the
// records held ahead past their ceiling) is loaded and searched by the run at its turn.
#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "search/FileSearch.h"
#include "search/GrepItemUnit.h"
#include "util/ShortLock.h"
#include "util/StringList.h"
#include "util/files.h"

namespace trawlix {

class TSearchInputs;
class TSearchResults;
class TSampleStore;
class TPartedFile;
struct TSearcher;
class TFileBytes;
class TFileLines;

// A folder of the run: its path as the run named it, open.
struct TOpenFolder {
  std::string path;
  TFolderHandle handle;
};

class TReadAhead {
 public:
  // With `searchers` above 0, that many workers search ahead from the start, keeping the
  // records' samples in stores of `results`; with none, files are only loaded ahead, once
  // a load has waited.
  TReadAhead(TSearchInputs& host, const TStringList& masks, size_t folderCount, size_t searchers,
             TSearchResults& results);
  ~TReadAhead();  // stops the workers, each within the file it is in, and waits for them

  // Has the searchers search the parts of `file` before any file ahead, until Unshare.
  void Share(const std::shared_ptr<TPartedFile>& file);
  void Unshare();
  // The run's own means of searching, with searchers.
  TSearcher& RunSearcher() { return *runSearcher_; }
  // A stop flag for the run's own searches: set once the workers are told to stop.
  const std::atomic<bool>& Stopping() const { return stopping_; }

  // A later folder as it was listed ahead: open, its matching files, and why its listing
  // failed (0 for none).
  struct TListedFolder {
    size_t index;
    std::shared_ptr<const TOpenFolder> folder;
    TStringList files;
    int error;
  };
  // Folder `folder`'s listing, where it was listed ahead under the path the run names now,
  // so that the run need not open and list it again; the run asks at each folder's turn.
  std::optional<TListedFolder> ListedAhead(size_t folder, const std::string& path);

  // The terms the searchers search with from now on; a change drops what they found with
  // others. Called at every file's turn, before Started.
  void SearchWith(const TSearchTerms& terms);

  // A load had to wait for the disk (read ahead from now on), or did not: loads that find
  // their files cached, one after another, end the reading ahead until one waits again.
  void Loaded(bool waited);
  // The run starts file `file` of folder `folder`, whose files are `files`; the list
  // and the folder stay valid during the folder's turn. The read-ahead keeps the folder
  // open only while it is active.
  void Started(size_t folder, size_t file, const TStringList& files,
               const std::shared_ptr<const TOpenFolder>& open);
  // Hands over the started file where it was loaded ahead: its records, where a searcher
  // searched it, into `records`, else its bytes into `lines`. It first waits for the
  // worker at the file, searching other files meanwhile with searchers, and calls
  // beforeWait once that load waits for the disk. Nothing where the run is to load the
  // file itself. `waited`: set where the bytes had to come from the disk.
  enum class TTaken : unsigned char { Nothing, Bytes, Records };
  TTaken Take(TFileLines& lines, std::vector<TGrepItem>& records,
              const std::function<void()>& beforeWait, bool& waited);

  // How far ahead it reads: files hinted, and bytes of them (the system reads a file's
  // first part on such a hint, so each counts with at most kHintedPerFile).
  static constexpr size_t kFilesAhead = 256;
  static constexpr size_t kHintedAhead = size_t{64} << 20;
  static constexpr size_t kHintedPerFile = size_t{2} << 20;
  // How far ahead it loads: the nearest files of the window, and bytes held by loads that
  // the run has not taken yet.
  static constexpr size_t kLoadedAhead = 16;
  static constexpr size_t kBytesAhead = size_t{16} << 20;
  // How far ahead searchers search, and how many files the run, once it had to wait for
  // its file, is let to take at once.
  static constexpr size_t kSearchedAhead = 64;
  static constexpr size_t kTakenAtOnce = 8;
  // Files queued at once, where the window has room.
  static constexpr size_t kQueuedAtOnce = 32;
  // Bytes of the records (and their samples) that the searchers hold ahead of the run.
  static constexpr size_t kRecordsAhead = size_t{64} << 20;
  // Loads in flight together once a load has waited.
  static constexpr size_t kLoaders = 4;
  // Loads in a row that did not wait before it stops; with searchers, loads that waited
  // since then before the hints start.
  static constexpr size_t kCachedToStop = 256;
  static constexpr size_t kWaitsToHint = 8;

 private:
  struct Position {
    size_t folder;
    size_t file;
    bool operator<(const Position& other) const {
      return folder < other.folder || (folder == other.folder && file < other.file);
    }
    bool operator==(const Position& other) const = default;
  };
  struct Job;
  class BatchSink;

  TSearchInputs& host_;
  TSearchResults& results_;
  const TStringList& masks_;
  size_t folderCount_;
  bool active_ = false;
  size_t loadsWithoutWait_ = 0;
  size_t recentWaits_ = 0;  // with searchers: loads that waited since the hints last stopped
  // The run's file: where it stands, in which folder, by which name.
  Position started_{0, 0};
  const TStringList* startedFiles_ = nullptr;
  std::shared_ptr<const TOpenFolder> startedFolder_;  // kept only while active
  // The next file to queue: in the run's own folder, or in a later one that it listed.
  Position next_{0, 0};
  const TStringList* nextFiles_ = nullptr;  // the run's, or one of listedAhead_
  std::shared_ptr<const TOpenFolder> nextFolder_;
  std::deque<TListedFolder> listedAhead_;  // the later folders listed, in their order
  bool atEnd_ = false;                     // no folder after the last one queued can be listed
  const bool searching_;                   // the workers search, or only load
  std::vector<std::unique_ptr<TSearcher>> searchers_;  // the run's thread's alone
  std::unique_ptr<TSearcher> runSearcher_;             // the run's own, as it waits
  bool hinting_ = false;                               // the hinting thread runs

  // Shared with the workers, under mutex_.
  TShortMutex mutex_;
  // Each cue wakes only the threads that have something to do: a worker is woken when a
  // job comes within its reach, the run only while it waits for its file.
  TShortCondition loadCue_;  // a job came near, bytes were taken, or stop
  TShortCondition hintCue_;  // a job was queued, hinted bytes were passed, or stop
  TShortCondition doneCue_;  // the run's file is loaded, or its load waits
  bool runWaits_ = false;
  bool hintsOn_ = true;  // the hinting thread hints (with searchers, only while loads wait)
  bool hintWaits_ = false;
  size_t idle_ = 0;                        // workers waiting for a job
  size_t busy_ = 0;                        // searchers at work on one
  std::deque<std::shared_ptr<Job>> jobs_;  // in the run's order
  // Searched files that the run has taken out of the window along with an earlier one,
  // to take at their turns; the run's thread's alone.
  std::deque<std::shared_ptr<Job>> ready_;
  std::shared_ptr<TPartedFile> parted_;  // the run's file, searched in parts
  size_t hintNext_ = 0;                  // the first job not hinted yet
  size_t queuedFrom_ = 0;                // no job before it is Queued
  size_t bytesHinted_ = 0;
  size_t bytesHeld_ = 0;
  size_t recordBytesHeld_ = 0;  // of searched files the run has not taken yet
  TSearchTerms terms_;
  TSearchTerms runTerms_;  // terms_, as the run's thread knows them without the lock
  std::vector<std::unique_ptr<TFileBytes>> spare_;  // buffers to reuse
  bool stop_ = false;
  std::vector<std::thread> workers_;
  std::atomic<bool> stopping_{false};  // stop_, for the searches to look at without the lock

  void Restart(size_t folder, size_t file, const TStringList& files,
               const std::shared_ptr<const TOpenFolder>& open);
  void Queue();
  bool Advance();
  bool ListFolder(size_t folder);
  void StartSearchers(size_t count);
  void Load(TSearcher* searcher);
  bool SearchAhead(TSearcher& searcher, Job& job, const TSearchTerms& terms);
  void LoadWaits(Job& job);
  void SearchJob(TShortLock& lock, TSearcher& searcher, Job& job, const TSearchTerms& terms);
  std::shared_ptr<Job> FirstQueued();
  size_t RoomFor(const Job& job);
  size_t Near() const;
  bool HintDue() const;
  bool HintWanted() const;
  size_t QueuedNear() const;
  bool RunMayGoOn() const;
  void Hint();
  std::shared_ptr<Job> NextLoad(TShortLock& lock, TSearcher* searcher);
  void Recycle(std::unique_ptr<TFileBytes> bytes);
  void Drop(size_t count);
  void Unqueue(size_t count);
};

}  // namespace trawlix
