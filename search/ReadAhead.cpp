#include "search/ReadAhead.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "search/FileBytes.h"
#include "search/FileLines.h"
#include "search/PartedSearch.h"
#include "search/SampleStore.h"
#include "search/SearchResults.h"
#include "search/SearchRun.h"
#include "util/FileDescriptor.h"
#include "util/FolderPaths.h"

namespace trawlix {

struct TReadAhead::Job {
  Position at;
  std::shared_ptr<const TOpenFolder> folder;
  std::string name;
  enum class State : unsigned char { Queued, Loading, Done } state = State::Queued;
  bool dropped = false;  // the run has passed it: its bytes are not wanted
  bool loaded = false;
  bool waited = false;                // the load had to wait for the disk
  bool cold = false;                  // the file was not cached when it was hinted
  size_t hinted = 0;                  // bytes asked for in the page cache
  size_t held = 0;                    // bytes loaded and not taken yet
  std::unique_ptr<TFileBytes> bytes;  // once done
  // With searchers: the file's records once searched, and the bytes they hold.
  bool searched = false;
  std::vector<TGrepItem> records;
  size_t recordBytes = 0;
  std::atomic<bool> cancelled{false};  // dropped: a search under way stops
};

// Keeps a file's records as the worker finds them, as long as they fit the room held
// ahead.
class TReadAhead::BatchSink {
 public:
  BatchSink(TReadAhead& owner, TSearcher& searcher, const Job& job)
      : owner_(owner), searcher_(searcher), job_(job) {
    searcher_.store->StartFile();
    keptBefore_ = searcher_.store->Kept();
  }

  TGrepItem NewItem(int64_t n, std::string_view line, const TSampleView& sample) {
    if (!path_) {
      path_ = std::make_shared<const std::string>(ChildPath(job_.folder->path, job_.name));
    }
    return TGrepItem(n, line, path_, sample, *searcher_.store);
  }
  // The room is asked for again only when the batch outgrows what was given last.
  bool Append(TGrepItem item) {
    records_.push_back(std::move(item));
    const size_t bytes = Bytes();
    if (bytes > room_) room_ = owner_.RoomFor(job_);
    full_ = bytes > room_;
    return !full_;
  }

  size_t Bytes() const {
    return records_.size() * sizeof(TGrepItem) + (searcher_.store->Kept() - keptBefore_);
  }
  bool Full() const { return full_; }
  std::vector<TGrepItem>& Records() { return records_; }

 private:
  TReadAhead& owner_;
  TSearcher& searcher_;
  const Job& job_;
  std::shared_ptr<const std::string> path_;
  std::vector<TGrepItem> records_;
  size_t keptBefore_ = 0;
  size_t room_ = 0;
  bool full_ = false;
};

namespace {

// Asks the system to read the file's first part into its page cache: the bytes asked
// for, and whether its first byte was not cached yet (a file hinted cold counts as a load
// that had to wait, for the hint is what spares the load its wait). A file that is cached
// already costs the system a look at its pages.
struct Hinted {
  size_t bytes = 0;
  bool cold = false;
};
Hinted HintToPageCache(int folderFd, const std::string& name, bool& noAtime) {
  const TFileDescriptor fd(OpenForReading(folderFd, name, noAtime));
  if (!fd.Valid()) return {};
  struct stat st;
  if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return {};
  char first;
  int refusal = 0;
  const bool cold = ReadCached(fd.Get(), &first, 1, refusal) < 0 && refusal == EAGAIN;
  const size_t bytes = std::min(static_cast<size_t>(st.st_size), TReadAhead::kHintedPerFile);
  posix_fadvise(fd.Get(), 0, static_cast<off_t>(bytes), POSIX_FADV_WILLNEED);
  return {bytes, cold};
}

}  // namespace

TReadAhead::TReadAhead(TSearchInputs& host, const TStringList& masks, size_t folderCount,
                       size_t searchers, TSearchResults& results)
    : host_(host),
      results_(results),
      masks_(masks),
      folderCount_(folderCount),
      searching_(searchers > 0) {
  if (!searching_) return;
  active_ = true;
  runSearcher_ = std::make_unique<TSearcher>();
  runSearcher_->store = &results_.AddSampleStore();
  // The run's thread searches too.
  StartSearchers(std::max<size_t>(searchers - 1, 1));
}

TReadAhead::~TReadAhead() {
  {
    std::lock_guard<TShortMutex> lock(mutex_);
    stop_ = true;
    stopping_ = true;
  }
  loadCue_.notify_all();
  hintCue_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void TReadAhead::Started(size_t folder, size_t file, const TStringList& files,
                         const std::shared_ptr<const TOpenFolder>& open) {
  started_ = {folder, file};
  startedFiles_ = &files;
  if (!active_) return;
  startedFolder_ = open;
  // Only the run's thread changes the window, so it looks at it without the lock; mostly
  // Take has dropped the run's last file already.
  while (!ready_.empty() && ready_.front()->at < started_) ready_.pop_front();
  if (ready_.empty() && !jobs_.empty() && jobs_.front()->at < started_) {
    std::lock_guard<TShortMutex> lock(mutex_);
    const auto passed = std::find_if(jobs_.begin(), jobs_.end(),
                                     [this](const auto& job) { return !(job->at < started_); });
    Drop(static_cast<size_t>(passed - jobs_.begin()));
  }
  if (!(started_ < next_)) Restart(folder, file + 1, files, open);
  Queue();
}

// Goes on right after the run's file, in the run's own listing of its folder.
void TReadAhead::Restart(size_t folder, size_t file, const TStringList& files,
                         const std::shared_ptr<const TOpenFolder>& open) {
  {
    std::lock_guard<TShortMutex> lock(mutex_);
    Drop(jobs_.size());
  }
  ready_.clear();
  next_ = {folder, file};
  nextFiles_ = &files;
  nextFolder_ = open;
  atEnd_ = false;
}

// Fills the window with the files that come next, a batch at a time unless the workers
// run short. The folders after the run's are listed here, on the run's thread, without
// holding up the workers.
void TReadAhead::Queue() {
  const size_t room = kFilesAhead - std::min(kFilesAhead, jobs_.size());
  if (room < kQueuedAtOnce && jobs_.size() >= Near()) return;
  std::vector<std::shared_ptr<Job>> queued;
  while (queued.size() < room && Advance()) {
    auto job = std::make_shared<Job>();
    job->at = next_;
    job->folder = nextFolder_;
    job->name = (*nextFiles_)[next_.file];
    queued.push_back(std::move(job));
    ++next_.file;
  }
  if (queued.empty()) return;
  TShortLock lock(mutex_);
  const bool near = jobs_.size() < Near() && idle_ > 0;
  jobs_.insert(jobs_.end(), queued.begin(), queued.end());
  const bool hint = HintWanted();
  lock.unlock();
  if (hint) hintCue_.notify_one();
  if (near) loadCue_.notify_all();
}

// Moves next_ onto a file to queue, listing the folders after the current one as needed.
bool TReadAhead::Advance() {
  while (next_.file >= nextFiles_->size()) {
    if (atEnd_ || next_.folder + 1 >= folderCount_ || !ListFolder(next_.folder + 1)) {
      atEnd_ = true;
      return false;
    }
  }
  return true;
}

// Lists a later folder as the run will, filtered by the same masks. The host lends the
// folder's path for this only where it can (the folder list may still change before the
// folder's turn, which then lists it again: files loaded ahead are taken only where the
// run names the same file).
bool TReadAhead::ListFolder(size_t folder) {
  const std::optional<std::string> path = host_.UpcomingFolder(folder);
  if (!path) return false;
  auto open = std::make_shared<const TOpenFolder>(TOpenFolder{*path, TFolderHandle(*path)});
  TListedFolder& listed = listedAhead_.emplace_back(TListedFolder{folder, open, {}, 0});
  listed.error = ListFolderFiles(host_, open->handle, folder, masks_, listed.files);
  next_ = {folder, 0};
  nextFiles_ = &listed.files;
  nextFolder_ = std::move(open);
  return true;
}

std::optional<TReadAhead::TListedFolder> TReadAhead::ListedAhead(size_t folder,
                                                                 const std::string& path) {
  while (!listedAhead_.empty() && listedAhead_.front().index < folder) listedAhead_.pop_front();
  if (listedAhead_.empty() || listedAhead_.front().index != folder ||
      listedAhead_.front().folder->path != path) {
    return std::nullopt;
  }
  return listedAhead_.front();
}

void TReadAhead::SearchWith(const TSearchTerms& terms) {
  if (terms == runTerms_) return;
  runTerms_ = terms;
  ready_.clear();
  std::lock_guard<TShortMutex> lock(mutex_);
  terms_ = terms;
  Drop(jobs_.size());
  next_ = started_;  // queued again from the file after the one the run starts next
}

TReadAhead::TTaken TReadAhead::Take(TFileLines& lines, std::vector<TGrepItem>& records,
                                    const std::function<void()>& beforeWait, bool& waited) {
  if (!active_) return TTaken::Nothing;
  TShortLock lock(mutex_, std::defer_lock);
  if (ready_.empty()) {
    lock.lock();
    if (jobs_.empty() || !(jobs_.front()->at == started_)) return TTaken::Nothing;
  } else if (!(ready_.front()->at == started_)) {
    return TTaken::Nothing;
  }
  std::shared_ptr<Job> job = ready_.empty() ? jobs_.front() : ready_.front();
  if (job->name != (*startedFiles_)[started_.file] || job->folder->path != startedFolder_->path) {
    // The run lists its folders afresh: this one changed since it was listed ahead.
    if (lock.owns_lock()) lock.unlock();
    Restart(started_.folder, started_.file + 1, *startedFiles_, startedFolder_);
    Queue();
    return TTaken::Nothing;
  }
  if (!ready_.empty()) {
    ready_.pop_front();
    records.swap(job->records);
    return TTaken::Records;
  }
  if (searching_ && job->state == Job::State::Queued) {
    // No worker has come to it yet: the run searches it itself rather than wait.
    Drop(1);
    const bool wake = idle_ > 0;
    lock.unlock();
    if (wake) loadCue_.notify_all();
    return TTaken::Nothing;
  }
  const auto done = [&job] { return job->state == Job::State::Done; };
  // While a worker is at its file, the run searches the next file no worker has come to,
  // as a worker would: so the run, too, keeps a processor busy rather than wait.
  while (!done() && !job->waited) {
    const std::shared_ptr<Job> other = searching_ ? FirstQueued() : nullptr;
    if (!other) break;
    other->state = Job::State::Loading;
    SearchJob(lock, *runSearcher_, *other, terms_);
  }
  runWaits_ = true;
  doneCue_.wait(lock, [&] { return done() || job->waited; });
  if (!done()) {
    lock.unlock();
    beforeWait();
    waited = true;
    lock.lock();
    doneCue_.wait(lock, done);
  }
  runWaits_ = false;
  TTaken taken = TTaken::Nothing;
  if (job->loaded || job->searched) waited = waited || job->waited || job->cold;
  if (job->searched) {
    records.swap(job->records);
    taken = TTaken::Records;
  } else if (job->loaded) {
    lines.Adopt(*job->bytes);
    taken = TTaken::Bytes;
  }
  Drop(1);
  // The searched files after it are taken along, so that the run takes its next files
  // without the lock.
  size_t along = 0;
  while (searching_ && along < jobs_.size() && jobs_[along]->state == Job::State::Done &&
         jobs_[along]->searched) {
    ++along;
  }
  ready_.insert(ready_.end(), jobs_.begin(), jobs_.begin() + static_cast<std::ptrdiff_t>(along));
  Unqueue(along);
  // Searchers are woken once a good part of the window waits for them, so that each
  // wake-up has a run of files to do.
  const bool wake = idle_ > 0 && (!searching_ || QueuedNear() >= Near() / 4);
  const bool hint = HintWanted();
  lock.unlock();
  if (wake) loadCue_.notify_all();
  if (hint) hintCue_.notify_one();
  return taken;
}

bool TReadAhead::HintDue() const {
  return hintsOn_ && hintNext_ < jobs_.size() && bytesHinted_ < kHintedAhead;
}

// Whether the hinting thread waits with work to do: each wake-up costs a system call.
bool TReadAhead::HintWanted() const {
  return hintWaits_ && HintDue();
}

size_t TReadAhead::Near() const {
  return searching_ ? kSearchedAhead : kLoadedAhead;
}

size_t TReadAhead::QueuedNear() const {
  const size_t near = std::min(jobs_.size(), Near());
  return static_cast<size_t>(
      std::count_if(jobs_.begin(), jobs_.begin() + near,
                    [](const auto& job) { return job->state == Job::State::Queued; }));
}

// Whether the run, waiting for its file, is to be woken: once the file is done, and,
// with searchers, a run of files after it too, or no other worker is at work (nothing
// more would change without the run).
bool TReadAhead::RunMayGoOn() const {
  if (jobs_.empty() || jobs_.front()->state != Job::State::Done) return false;
  if (!searching_ || busy_ == 0) return true;
  const size_t near = std::min(jobs_.size(), kTakenAtOnce);
  for (size_t i = 1; i < near; ++i) {
    if (jobs_[i]->state != Job::State::Done) return false;
  }
  return true;
}

// Takes the first `count` jobs out of the window: their bytes are given back, or, for a
// load under way, by its worker once it is done.
void TReadAhead::Drop(size_t count) {
  for (size_t i = 0; i < count; ++i) {
    Job& job = *jobs_[i];
    job.dropped = true;
    job.cancelled = true;
    if (job.state == Job::State::Done) Recycle(std::move(job.bytes));
  }
  Unqueue(count);
}

// Takes the first `count` jobs out of the window, with what they held.
void TReadAhead::Unqueue(size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const Job& job = *jobs_[i];
    bytesHinted_ -= job.hinted;
    bytesHeld_ -= job.held;
    recordBytesHeld_ -= job.recordBytes;
  }
  jobs_.erase(jobs_.begin(), jobs_.begin() + static_cast<std::ptrdiff_t>(count));
  hintNext_ -= std::min(hintNext_, count);
  queuedFrom_ -= std::min(queuedFrom_, count);
}

void TReadAhead::Recycle(std::unique_ptr<TFileBytes> bytes) {
  if (!bytes || spare_.size() >= kLoadedAhead || bytes->BufferSize() > kBytesAhead / kLoadedAhead) {
    return;
  }
  bytes->Clear();
  spare_.push_back(std::move(bytes));
}

// The job a worker loads, or searches, next; a searcher first searches the parts of the
// run's file that no thread has taken yet.
std::shared_ptr<TReadAhead::Job> TReadAhead::NextLoad(TShortLock& lock, TSearcher* searcher) {
  for (;;) {
    if (stop_) return nullptr;
    if (searcher != nullptr && parted_ && parted_->HasPartsLeft()) {
      const std::shared_ptr<TPartedFile> file = parted_;
      lock.unlock();
      while (file->SearchNextPart(*searcher)) {
      }
      lock.lock();
      continue;
    }
    if (std::shared_ptr<Job> job = FirstQueued()) return job;
    ++idle_;
    loadCue_.wait(lock);
    --idle_;
  }
}

void TReadAhead::Share(const std::shared_ptr<TPartedFile>& file) {
  bool wake;
  {
    std::lock_guard<TShortMutex> lock(mutex_);
    parted_ = file;
    wake = idle_ > 0;
  }
  if (wake) loadCue_.notify_all();
}

void TReadAhead::Unshare() {
  std::lock_guard<TShortMutex> lock(mutex_);
  parted_.reset();
}

// The first job of the nearest ones that no thread has come to, where the bytes and records
// held ahead leave room for it (they hold up any job but the one the run takes next). Jobs
// only leave Queued, so the search goes on from where it last found none.
std::shared_ptr<TReadAhead::Job> TReadAhead::FirstQueued() {
  const size_t near = std::min(jobs_.size(), Near());
  while (queuedFrom_ < near && jobs_[queuedFrom_]->state != Job::State::Queued) ++queuedFrom_;
  if (queuedFrom_ >= near) return nullptr;
  if (queuedFrom_ == 0 || (bytesHeld_ < kBytesAhead && recordBytesHeld_ < kRecordsAhead)) {
    return jobs_[queuedFrom_];
  }
  return nullptr;
}

// The room a job's records may take: the run's next file may take any, since the run
// would keep its records all the same; any other what the records held ahead leave.
size_t TReadAhead::RoomFor(const Job& job) {
  std::lock_guard<TShortMutex> lock(mutex_);
  if (!jobs_.empty() && jobs_.front().get() == &job) return SIZE_MAX;
  return kRecordsAhead - std::min(kRecordsAhead, recordBytesHeld_);
}

// Loads the job's file into the searcher's lines and searches it there. False, with
// nothing kept, where the file is left to the run: it could not be loaded ahead, its
// search failed or was stopped, or its records outgrew their room.
bool TReadAhead::SearchAhead(TSearcher& searcher, Job& job, const TSearchTerms& terms) {
  bool done = false;
  try {
    const bool loaded =
        searcher.lines.LoadAheadAt(job.folder->handle.Fd(), job.name, [&] { LoadWaits(job); });
    if (loaded) {
      BatchSink sink(*this, searcher, job);
      TFixedInputs inputs{terms, job.cancelled, stopping_};
      SearchFileLines(searcher.lines, inputs, sink, searcher.sample);
      done = !sink.Full() && !inputs.Cancelled();
      if (done) {
        job.recordBytes = sink.Bytes();
        job.records = std::move(sink.Records());
      }
    }
  } catch (...) {
    // Whatever failed here fails again, or not, at the file's turn, and is reported then.
  }
  searcher.lines.Clear();
  return done;
}

// A worker's load of the job waits for the disk: the run, if it waits for this file, shows
// its progress then.
void TReadAhead::LoadWaits(Job& job) {
  {
    std::lock_guard<TShortMutex> lock(mutex_);
    job.waited = true;
    if (!runWaits_) return;
  }
  doneCue_.notify_one();
}

// Searches a job taken from the window (its state Loading), the lock held before and after.
void TReadAhead::SearchJob(TShortLock& lock, TSearcher& searcher, Job& job,
                           const TSearchTerms& terms) {
  ++busy_;
  lock.unlock();
  const bool searched = SearchAhead(searcher, job, terms);
  std::vector<TGrepItem> unwanted;
  lock.lock();
  --busy_;
  job.state = Job::State::Done;
  if (searched && !job.dropped) {
    job.searched = true;
    recordBytesHeld_ += job.recordBytes;
  } else {
    unwanted.swap(job.records);
    job.recordBytes = 0;
  }
  if (runWaits_ && RunMayGoOn()) doneCue_.notify_one();
  if (!unwanted.empty()) {
    lock.unlock();
    unwanted.clear();
    lock.lock();
  }
}

void TReadAhead::Load(TSearcher* searcher) {
  TShortLock lock(mutex_);
  TSearchTerms terms;
  while (std::shared_ptr<Job> job = NextLoad(lock, searcher)) {
    job->state = Job::State::Loading;
    if (searcher != nullptr) {
      if (!(terms == terms_)) terms = terms_;
      SearchJob(lock, *searcher, *job, terms);
      continue;
    }
    std::unique_ptr<TFileBytes> bytes;
    if (spare_.empty()) {
      bytes = std::make_unique<TFileBytes>();
    } else {
      bytes = std::move(spare_.back());
      spare_.pop_back();
    }
    lock.unlock();
    // The run, if it waits for this load, shows its progress once the load waits.
    const bool loaded =
        bytes->LoadAheadAt(job->folder->handle.Fd(), job->name, [&] { LoadWaits(*job); });
    lock.lock();
    job->state = Job::State::Done;
    job->loaded = loaded;
    if (job->dropped) {
      Recycle(std::move(bytes));
    } else {
      job->held = loaded ? bytes->Length() : 0;
      bytesHeld_ += job->held;
      job->bytes = std::move(bytes);
    }
    if (runWaits_) doneCue_.notify_one();
  }
}

// Hints the window's files in order, as far as kHintedAhead, where they lie on a disk.
void TReadAhead::Hint() {
  bool noAtime = true;
  std::shared_ptr<const TOpenFolder> folder;  // the last job's, and whether it is on a disk
  bool onDisk = false;
  TShortLock lock(mutex_);
  for (;;) {
    hintWaits_ = true;
    hintCue_.wait(lock, [this] { return stop_ || HintDue(); });
    hintWaits_ = false;
    if (stop_) return;
    std::shared_ptr<Job> job = jobs_[hintNext_++];
    lock.unlock();
    if (job->folder != folder) {
      folder = job->folder;
      onDisk = FileSystemKindOf(folder->handle.Fd()) == TFileSystemKind::Disk;
    }
    const Hinted hinted =
        onDisk ? HintToPageCache(folder->handle.Fd(), job->name, noAtime) : Hinted{};
    lock.lock();
    if (!job->dropped) {
      job->hinted = hinted.bytes;
      job->cold = hinted.cold;
      bytesHinted_ += hinted.bytes;
    }
  }
}

// Starts searchers until there are `count`, each with a store of the results of its own.
void TReadAhead::StartSearchers(size_t count) {
  while (searchers_.size() < count) {
    searchers_.push_back(std::make_unique<TSearcher>());
    TSearcher* searcher = searchers_.back().get();
    searcher->store = &results_.AddSampleStore();
    workers_.emplace_back([this, searcher] { Load(searcher); });
  }
}

void TReadAhead::Loaded(bool waited) {
  if (searching_) {
    // Searchers never stop. Waits add the hints and the loads in flight of a cold disk:
    // a few among the last loads, since a warm tree's cached files now and then refuse a
    // read that must not wait. The hints stop again, as the loads ahead of one thread do,
    // once loads find their files cached.
    if (waited) {
      loadsWithoutWait_ = 0;
      if (++recentWaits_ < kWaitsToHint) return;
      if (!hinting_) {
        hinting_ = true;
        workers_.emplace_back([this] { Hint(); });
        StartSearchers(kLoaders);
      }
      std::lock_guard<TShortMutex> lock(mutex_);
      if (!hintsOn_) {
        hintsOn_ = true;
        hintCue_.notify_one();
      }
    } else if (++loadsWithoutWait_ == kCachedToStop) {
      recentWaits_ = 0;
      std::lock_guard<TShortMutex> lock(mutex_);
      hintsOn_ = false;
    }
    return;
  }
  if (waited) {
    if (!active_ && workers_.empty()) {
      hinting_ = true;
      workers_.emplace_back([this] { Hint(); });
      for (size_t i = 0; i < kLoaders; ++i) workers_.emplace_back([this] { Load(nullptr); });
    }
    active_ = true;
    loadsWithoutWait_ = 0;
  } else if (active_ && ++loadsWithoutWait_ >= kCachedToStop) {
    active_ = false;
    next_ = started_;  // starts over from the run's file once it is active again
    nextFolder_.reset();
    startedFolder_.reset();
    std::lock_guard<TShortMutex> lock(mutex_);
    Drop(jobs_.size());
  }
}

}  // namespace trawlix
