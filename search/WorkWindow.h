#pragma once
// The window of work ahead of the run: the turns that come next in the run's order, each
// a job that a worker loads, or loads and searches, while the run is still at an earlier
// file. One lock guards it all. A job's state only moves forward (queued, at work, done);
// a worker takes a copy of what it needs and hands what it found back by value, so it
// never writes what the run reads. The run takes each job at its turn, in order.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "search/AheadBudget.h"
#include "search/FileSearch.h"
#include "search/RunOrder.h"
#include "search/SearchAhead.h"
#include "search/SpareBuffers.h"
#include "util/ShortLock.h"

namespace trawlix {

class TPartedFile;

class TWorkWindow {
 public:
  // Turns in the window at most, and those queued at once where it has room.
  static constexpr size_t kFilesAhead = 256;
  static constexpr size_t kQueuedAtOnce = 32;
  // The nearest jobs that workers take: loaded only, or searched too.
  static constexpr size_t kLoadedAhead = 16;
  static constexpr size_t kSearchedAhead = 64;
  // With searchers, how many done files the run, waiting for its file, lets come first.
  static constexpr size_t kTakenAtOnce = 8;

  explicit TWorkWindow(bool searching) : searching_(searching) {}

  // A job's turn, and the flag that tells a worker at it that it was dropped. Shared by
  // the window and the worker at it, which may outlive its place in the window.
  struct TJob {
    TTurn turn;
    std::atomic<bool> dropped{false};
  };
  // What a worker is to do: a job, or the parts of the run's large file.
  struct TWork {
    uint64_t seq = 0;
    std::shared_ptr<const TJob> job;
    std::unique_ptr<TFileBytes> buffer;  // to load into, where the job is only loaded
    std::shared_ptr<TPartedFile> parted;
  };

  // What a worker found for a job.
  struct TDone {
    uint64_t seq = 0;
    TFound found;
  };
  // Workers. Hands back what the last job found, where there was one (as Finish, under
  // the same lock), then the next work, waiting for it; none once stopped. A searcher's
  // `terms` are brought up to the window's, under its lock, whenever they differ.
  std::optional<TWork> WaitForWork(bool searches, TSearchTerms& terms,
                                   std::optional<TDone> done = std::nullopt) EXCLUDES(mutex_);
  void Finish(uint64_t seq, TFound found) EXCLUDES(mutex_);
  void LoadWaits(uint64_t seq) EXCLUDES(mutex_);
  // The bytes of records the job may still find: any for the run's next file.
  size_t RecordRoom(uint64_t seq) EXCLUDES(mutex_);

  // The hinting thread: the next turn to hint, waiting for it; none once stopped.
  std::optional<std::pair<uint64_t, std::shared_ptr<const TJob>>> WaitForHint() EXCLUDES(mutex_);
  void Hinted(uint64_t seq, size_t bytes, bool cold) EXCLUDES(mutex_);
  void SetHinting(bool on) EXCLUDES(mutex_);

  // The run. How many turns may be queued now (only the run changes how many there are),
  // and queueing them.
  size_t Room() const;
  void Queue(std::vector<TTurn> turns) EXCLUDES(mutex_);
  // Drops every job: what was found with terms or a listing no longer right is not wanted.
  void DropAll() EXCLUDES(mutex_);
  void SetTerms(const TSearchTerms& terms) EXCLUDES(mutex_);
  const std::atomic<bool>& Stopping() const { return stopping_; }
  void Stop() EXCLUDES(mutex_);
  void Share(std::shared_ptr<TPartedFile> file) EXCLUDES(mutex_);
  void Unshare() EXCLUDES(mutex_);

  // Takes the run's file at `key` out of the window, jobs before it dropped first. Where
  // a worker is at it, the run does the next jobs no thread has come to meanwhile (with
  // `doAlong`, the lock let go), then waits for it and calls `beforeWait` once its load
  // waits for the disk. The searched files done right after it come along. Not `ahead`
  // where the run is to do the file itself: it was never queued, or no worker came to it.
  struct TTaken {
    bool ahead = false;
    TFound found;
    bool waited = false;  // its bytes had to come from the disk
    std::vector<std::pair<TTurnKey, std::vector<TGrepItem>>> along;
  };
  TTaken Take(TTurnKey key, const std::function<void(TWork&)>& doAlong,
              const std::function<void()>& beforeWait) EXCLUDES(mutex_);
  void Recycle(std::unique_ptr<TFileBytes> bytes) EXCLUDES(mutex_);

  THold Held() EXCLUDES(mutex_);

 private:
  enum class TState : unsigned char { Queued, AtWork, Done };
  struct TSlot {
    uint64_t seq = 0;
    std::shared_ptr<TJob> job;
    TState state = TState::Queued;
    bool waited = false;  // the load had to wait for the disk
    bool cold = false;    // the file was not cached when it was hinted
    THold hold;
    TFound found;
  };

  const bool searching_;
  TShortMutex mutex_;
  TShortCondition workCue_;  // a job came within reach, room was made, or stop
  TShortCondition hintCue_;  // a job was queued, hinted bytes were given back, or stop
  TShortCondition doneCue_;  // the run's file is done, or its load waits
  std::deque<TSlot> slots_ GUARDED_BY(mutex_);  // in the run's order
  std::atomic<size_t> slotCount_{0};            // slots_.size(), for Room without the lock
  uint64_t nextSeq_ GUARDED_BY(mutex_) = 0;
  size_t queuedFrom_ GUARDED_BY(mutex_) = 0;  // no slot before it is queued
  size_t hintNext_ GUARDED_BY(mutex_) = 0;    // the first slot not hinted yet
  TAheadBudget budget_ GUARDED_BY(mutex_);
  TSearchTerms terms_ GUARDED_BY(mutex_);
  std::shared_ptr<TPartedFile> parted_ GUARDED_BY(mutex_);
  TSpareBuffers spare_ GUARDED_BY(mutex_){kLoadedAhead, TAheadBudget::kBytes / kLoadedAhead};
  size_t idle_ GUARDED_BY(mutex_) = 0;  // workers waiting for work
  size_t busy_ GUARDED_BY(mutex_) = 0;  // searches under way
  bool runWaits_ GUARDED_BY(mutex_) = false;
  bool hinting_ GUARDED_BY(mutex_) = false;
  bool hintWaits_ GUARDED_BY(mutex_) = false;
  bool stop_ GUARDED_BY(mutex_) = false;
  std::atomic<bool> stopping_{false};  // stop_, for searches to look at without the lock

  size_t Near() const { return searching_ ? kSearchedAhead : kLoadedAhead; }
  TSlot* SlotOf(uint64_t seq) REQUIRES(mutex_);
  std::optional<TWork> FirstQueued() REQUIRES(mutex_);
  size_t QueuedNear() REQUIRES(mutex_);
  bool RunMayGoOn() REQUIRES(mutex_);
  bool HintDue() REQUIRES(mutex_);
  // Takes the first `count` slots out, with what they hold, into `released`, to be let go
  // of after the lock; a job still at work is told it was dropped.
  void Pop(size_t count, std::vector<TSlot>& released) REQUIRES(mutex_);
  // Keeps what the job found; what was found for a job no longer in the window is
  // handed back, to be let go of after the lock.
  TFound FinishLocked(TDone done) REQUIRES(mutex_);
  // Lets go of the lock while it does a job.
  void DoAlong(const std::function<void(TWork&)>& doAlong) REQUIRES(mutex_);
};

}  // namespace trawlix
