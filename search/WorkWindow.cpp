#include "search/WorkWindow.h"

#include <algorithm>
#include <utility>

#include "search/PartedSearch.h"

namespace trawlix {

// Seqs run on without a gap from the front: slots are queued at the back and leave only
// from the front, or all together.
TWorkWindow::TSlot* TWorkWindow::SlotOf(uint64_t seq) {
  if (slots_.empty() || seq < slots_.front().seq) return nullptr;
  const uint64_t at = seq - slots_.front().seq;
  return at < slots_.size() ? &slots_[at] : nullptr;
}

// The first of the nearest jobs that no thread has come to, where what is held ahead
// leaves room for it (it holds up any job but the run's next). Jobs only leave the queued
// state, so the look goes on from where it last found none.
std::optional<TWorkWindow::TWork> TWorkWindow::FirstQueued() {
  const size_t near = std::min(slots_.size(), Near());
  while (queuedFrom_ < near && slots_[queuedFrom_].state != TState::Queued) ++queuedFrom_;
  if (queuedFrom_ >= near || (queuedFrom_ != 0 && !budget_.LetsAhead())) return std::nullopt;
  TSlot& slot = slots_[queuedFrom_];
  slot.state = TState::AtWork;
  TWork work{slot.seq, slot.job, nullptr, nullptr};
  if (searching_) {
    ++busy_;
  } else {
    work.buffer = spare_.Take();
  }
  return work;
}

std::optional<TWorkWindow::TWork> TWorkWindow::WaitForWork(bool searches, TSearchTerms& terms,
                                                           std::optional<TDone> done) {
  TShortLock lock(mutex_);
  if (done) {
    TFound unwanted = FinishLocked(std::move(*done));
    if (unwanted.kind != TFound::Kind::Nothing) {
      lock.unlock();
      unwanted = TFound();
      lock.lock();
    }
  }
  for (;;) {
    if (stop_) return std::nullopt;
    if (searches && parted_ && parted_->HasPartsLeft()) {
      TWork work;
      work.parted = parted_;
      return work;
    }
    if (std::optional<TWork> work = FirstQueued()) {
      if (searches && !(terms == terms_)) terms = terms_;
      return work;
    }
    ++idle_;
    workCue_.wait(lock);
    --idle_;
  }
}

void TWorkWindow::Finish(uint64_t seq, TFound found) {
  TFound unwanted;  // let go of after the lock
  TShortLock lock(mutex_);
  unwanted = FinishLocked({seq, std::move(found)});
}

TFound TWorkWindow::FinishLocked(TDone done) {
  if (searching_) --busy_;
  TSlot* slot = SlotOf(done.seq);
  TFound& found = done.found;
  if (slot == nullptr || found.kind != TFound::Kind::Bytes) spare_.Give(std::move(found.bytes));
  if (slot == nullptr) return std::move(found);
  const THold hold{found.kind == TFound::Kind::Bytes ? found.bytes->Length() : 0, found.recordBytes,
                   0};
  budget_.Add(hold);
  slot->hold.bytes = hold.bytes;
  slot->hold.records = hold.records;
  slot->found = std::move(found);
  slot->state = TState::Done;
  if (runWaits_ && RunMayGoOn()) doneCue_.notify_one();
  return TFound();
}

// The run, if it waits for this file, shows its progress once the load waits.
void TWorkWindow::LoadWaits(uint64_t seq) {
  TShortLock lock(mutex_);
  if (TSlot* slot = SlotOf(seq)) slot->waited = true;
  const bool wake = runWaits_;
  lock.unlock();
  if (wake) doneCue_.notify_one();
}

size_t TWorkWindow::RecordRoom(uint64_t seq) {
  TShortLock lock(mutex_);
  if (!slots_.empty() && slots_.front().seq == seq) return SIZE_MAX;
  return budget_.RecordRoom();
}

// Each wake-up costs a system call, so the window is filled a batch at a time unless the
// workers run short.
size_t TWorkWindow::Room() const {
  const size_t count = slotCount_.load(std::memory_order_relaxed);
  const size_t room = kFilesAhead - std::min(kFilesAhead, count);
  return room < kQueuedAtOnce && count >= Near() ? 0 : room;
}

void TWorkWindow::Queue(std::vector<TTurn> turns) {
  if (turns.empty()) return;
  TShortLock lock(mutex_);
  const bool near = slots_.size() < Near() && idle_ > 0;
  for (TTurn& turn : turns) {
    TSlot& slot = slots_.emplace_back();
    slot.seq = nextSeq_++;
    slot.job = std::make_shared<TJob>();
    slot.job->turn = std::move(turn);
  }
  slotCount_ = slots_.size();
  const bool hint = hintWaits_ && HintDue();
  lock.unlock();
  if (hint) hintCue_.notify_one();
  if (near) workCue_.notify_all();
}

void TWorkWindow::DropAll() {
  std::vector<TSlot> dropped;  // let go of after the lock
  TShortLock lock(mutex_);
  Pop(slots_.size(), dropped);
}

void TWorkWindow::SetTerms(const TSearchTerms& terms) {
  {
    TShortLock lock(mutex_);
    if (terms_ == terms) return;
    terms_ = terms;
  }
  DropAll();
}

void TWorkWindow::Stop() {
  TShortLock lock(mutex_);
  stop_ = true;
  stopping_ = true;
  workCue_.notify_all();
  hintCue_.notify_all();
}

void TWorkWindow::Share(std::shared_ptr<TPartedFile> file) {
  TShortLock lock(mutex_);
  parted_ = std::move(file);
  const bool wake = idle_ > 0;
  lock.unlock();
  if (wake) workCue_.notify_all();
}

void TWorkWindow::Unshare() {
  TShortLock lock(mutex_);
  parted_.reset();
}

void TWorkWindow::Pop(size_t count, std::vector<TSlot>& released) {
  for (size_t i = 0; i < count; ++i) {
    TSlot& slot = slots_[i];
    if (slot.state == TState::AtWork) slot.job->dropped.store(true);
    budget_.Remove(slot.hold);
    spare_.Give(std::move(slot.found.bytes));
    released.push_back(std::move(slot));
  }
  slots_.erase(slots_.begin(), slots_.begin() + static_cast<std::ptrdiff_t>(count));
  slotCount_ = slots_.size();
  hintNext_ -= std::min(hintNext_, count);
  queuedFrom_ -= std::min(queuedFrom_, count);
}

size_t TWorkWindow::QueuedNear() {
  const size_t near = std::min(slots_.size(), Near());
  return static_cast<size_t>(
      std::count_if(slots_.begin(), slots_.begin() + near,
                    [](const TSlot& slot) { return slot.state == TState::Queued; }));
}

// Whether the run, waiting for its file, is to be woken: once the file is done, and,
// with searchers, a run of files after it too, or no search is under way (nothing more
// would change without the run).
bool TWorkWindow::RunMayGoOn() {
  if (slots_.empty() || slots_.front().state != TState::Done) return false;
  if (!searching_ || busy_ == 0) return true;
  const size_t near = std::min(slots_.size(), kTakenAtOnce);
  for (size_t i = 1; i < near; ++i) {
    if (slots_[i].state != TState::Done) return false;
  }
  return true;
}

// While a worker is at the run's file, the run does the next job no thread has come to,
// as a worker would: so the run, too, keeps a processor busy rather than wait.
void TWorkWindow::DoAlong(const std::function<void(TWork&)>& doAlong) {
  const TSlot& front = slots_.front();
  while (front.state != TState::Done && !front.waited) {
    std::optional<TWork> work = FirstQueued();
    if (!work) return;
    mutex_.unlock();
    doAlong(*work);
    mutex_.lock();
  }
}

TWorkWindow::TTaken TWorkWindow::Take(TTurnKey key, const std::function<void(TWork&)>& doAlong,
                                      const std::function<void()>& beforeWait) {
  TTaken taken;
  std::vector<TSlot> released;  // let go of after the lock
  TShortLock lock(mutex_);
  size_t passed = 0;
  while (passed < slots_.size() && slots_[passed].job->turn.key < key) ++passed;
  Pop(passed, released);
  if (slots_.empty() || slots_.front().job->turn.key != key) return taken;
  if (searching_ && slots_.front().state == TState::Queued) {
    // No worker has come to it yet: the run searches it itself rather than wait.
    Pop(1, released);
    const bool wake = idle_ > 0;
    lock.unlock();
    if (wake) workCue_.notify_all();
    return taken;
  }
  taken.ahead = true;
  if (searching_) DoAlong(doAlong);
  TSlot& front = slots_.front();  // only the run's thread takes slots out
  runWaits_ = true;
  while (front.state != TState::Done && !front.waited) doneCue_.wait(lock);
  if (front.state != TState::Done) {
    lock.unlock();
    beforeWait();
    taken.waited = true;
    lock.lock();
    while (front.state != TState::Done) doneCue_.wait(lock);
  }
  runWaits_ = false;
  if (front.found.kind != TFound::Kind::Nothing) {
    taken.waited = taken.waited || front.waited || front.cold;
  }
  taken.found = std::move(front.found);
  // The searched files right after it are taken along, so that the run takes its next
  // files without the lock.
  size_t along = 1;
  for (; searching_ && along < slots_.size(); ++along) {
    TSlot& slot = slots_[along];
    if (slot.state != TState::Done || slot.found.kind != TFound::Kind::Records) break;
    taken.along.emplace_back(slot.job->turn.key, std::move(slot.found.records));
  }
  Pop(along, released);
  // Searchers are woken once a good part of the window waits for them, so that each
  // wake-up has a run of files to do.
  const bool wake = idle_ > 0 && (!searching_ || QueuedNear() >= Near() / 4);
  const bool hint = hintWaits_ && HintDue();
  lock.unlock();
  if (wake) workCue_.notify_all();
  if (hint) hintCue_.notify_one();
  return taken;
}

void TWorkWindow::Recycle(std::unique_ptr<TFileBytes> bytes) {
  TShortLock lock(mutex_);
  spare_.Give(std::move(bytes));
}

THold TWorkWindow::Held() {
  TShortLock lock(mutex_);
  return budget_.Held();
}

}  // namespace trawlix
