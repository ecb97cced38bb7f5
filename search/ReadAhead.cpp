#include "search/ReadAhead.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "search/FileBytes.h"
#include "search/FileLines.h"
#include "search/SearchRun.h"
#include "util/FileDescriptor.h"

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

TReadAhead::TReadAhead(TSearchInputs& host, const TStringList& masks, size_t folderCount)
    : host_(host), masks_(masks), folderCount_(folderCount) {}

TReadAhead::~TReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
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
  {
    std::lock_guard<std::mutex> lock(mutex_);
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
    std::lock_guard<std::mutex> lock(mutex_);
    Drop(jobs_.size());
  }
  next_ = {folder, file};
  nextFiles_ = &files;
  nextFolder_ = open;
  atEnd_ = false;
}

// Fills the window with the files that come next. The folders after the run's are listed
// here, on the run's thread, without holding up the workers.
void TReadAhead::Queue() {
  std::unique_lock<std::mutex> lock(mutex_);
  size_t room = kFilesAhead - std::min(kFilesAhead, jobs_.size());
  lock.unlock();
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
  lock.lock();
  const bool near = jobs_.size() < kLoadedAhead;
  jobs_.insert(jobs_.end(), queued.begin(), queued.end());
  lock.unlock();
  hintCue_.notify_one();
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
  ListFolderFiles(host_, open->handle, folder, masks_, ownFiles_);
  next_ = {folder, 0};
  nextFiles_ = &ownFiles_;
  nextFolder_ = std::move(open);
  return true;
}

bool TReadAhead::Take(TFileLines& lines, const std::function<void()>& beforeWait, bool& waited) {
  if (!active_) return false;
  std::unique_lock<std::mutex> lock(mutex_);
  if (jobs_.empty() || !(jobs_.front()->at == started_)) return false;
  std::shared_ptr<Job> job = jobs_.front();
  if (job->name != (*startedFiles_)[started_.file] || job->folder->path != startedFolder_->path) {
    // The run lists its folders afresh: this one changed since it was listed ahead.
    lock.unlock();
    Restart(started_.folder, started_.file + 1, *startedFiles_, startedFolder_);
    Queue();
    return false;
  }
  const auto done = [&job] { return job->state == Job::State::Done; };
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
  const bool loaded = job->loaded;
  if (loaded) {
    waited = waited || job->waited || job->cold;
    lines.Adopt(*job->bytes);
  }
  Drop(1);
  lock.unlock();
  loadCue_.notify_one();
  hintCue_.notify_one();
  return loaded;
}

// Takes the first `count` jobs out of the window: their bytes are given back, or, for a
// load under way, by its worker once it is done.
void TReadAhead::Drop(size_t count) {
  for (size_t i = 0; i < count; ++i) {
    Job& job = *jobs_[i];
    job.dropped = true;
    bytesHinted_ -= job.hinted;
    bytesHeld_ -= job.held;
    if (job.state == Job::State::Done) Recycle(std::move(job.bytes));
  }
  jobs_.erase(jobs_.begin(), jobs_.begin() + static_cast<std::ptrdiff_t>(count));
  hintNext_ -= std::min(hintNext_, count);
}

void TReadAhead::Recycle(std::unique_ptr<TFileBytes> bytes) {
  if (!bytes || spare_.size() >= kLoadedAhead || bytes->BufferSize() > kBytesAhead / kLoadedAhead) {
    return;
  }
  bytes->Clear();
  spare_.push_back(std::move(bytes));
}

// The first job of the nearest ones not loaded yet. The bytes held ahead hold up any job
// but the one the run takes next.
std::shared_ptr<TReadAhead::Job> TReadAhead::NextLoad(std::unique_lock<std::mutex>& lock) {
  for (;;) {
    if (stop_) return nullptr;
    const size_t near = std::min(jobs_.size(), kLoadedAhead);
    for (size_t i = 0; i < near; ++i) {
      if (jobs_[i]->state != Job::State::Queued) continue;
      if (i == 0 || bytesHeld_ < kBytesAhead) return jobs_[i];
      break;
    }
    loadCue_.wait(lock);
  }
}

void TReadAhead::Load() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (std::shared_ptr<Job> job = NextLoad(lock)) {
    job->state = Job::State::Loading;
    std::unique_ptr<TFileBytes> bytes;
    if (spare_.empty()) {
      bytes = std::make_unique<TFileBytes>();
    } else {
      bytes = std::move(spare_.back());
      spare_.pop_back();
    }
    lock.unlock();
    // The run, if it waits for this load, shows its progress once the load waits.
    const bool loaded = bytes->LoadAheadAt(job->folder->handle.Fd(), job->name, [this, &job] {
      {
        std::lock_guard<std::mutex> waiting(mutex_);
        job->waited = true;
        if (!runWaits_) return;
      }
      doneCue_.notify_one();
    });
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
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    hintCue_.wait(lock, [this] {
      return stop_ || (hintNext_ < jobs_.size() && bytesHinted_ < kHintedAhead);
    });
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

void TReadAhead::Loaded(bool waited) {
  if (waited) {
    if (!active_ && workers_.empty()) {
      workers_.emplace_back([this] { Hint(); });
      for (size_t i = 0; i < kLoaders; ++i) workers_.emplace_back([this] { Load(); });
    }
    active_ = true;
    loadsWithoutWait_ = 0;
  } else if (active_ && ++loadsWithoutWait_ >= kCachedToStop) {
    active_ = false;
    next_ = started_;  // starts over from the run's file once it is active again
    nextFolder_.reset();
    startedFolder_.reset();
    std::lock_guard<std::mutex> lock(mutex_);
    Drop(jobs_.size());
  }
}

}  // namespace trawlix
