#include "util/ListingsAhead.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <system_error>
#include <utility>

namespace trawlix {

TFolderListing ListFolder(const std::string& path) {
  TFolderListing listing;
  const TFolderHandle handle(path);
  struct stat st;
  if (!handle.Valid() || fstat(handle.Fd(), &st) != 0) return listing;
  listing.opened = true;
  listing.device = st.st_dev;
  listing.inode = st.st_ino;
  handle.ForEachEntry([&listing](std::string_view name, TFolderHandle::EntryKind kind) {
    listing.entries.Add(name, kind);
  });
  listing.entries.SetError(handle.Error());
  return listing;
}

namespace {

// Listings that waited, in all and as a share of those made, before more threads list.
constexpr size_t kWaitsToGrow = 16;
constexpr size_t kListingsPerWait = 16;

std::chrono::nanoseconds ThreadTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}  // namespace

TListingsAhead::TListingsAhead(size_t threads, std::chrono::nanoseconds waitedFor)
    : waitedFor_(waitedFor) {
  if (threads > 1) StartWorkers(threads);
}

TListingsAhead::~TListingsAhead() {
  {
    TShortLock lock(mutex_);
    stop_ = true;
  }
  workCue_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

// A thread the system will not start is left out: the walk lists what no thread takes.
void TListingsAhead::StartWorkers(size_t count) {
  try {
    while (workers_.size() < count) workers_.emplace_back([this] { Work(); });
  } catch (const std::system_error&) {
  }
}

TListingsAhead::Item* TListingsAhead::FirstWaiting() {
  const size_t near = std::min(items_.size(), kAhead);
  for (size_t i = 0; i < near; ++i) {
    if (items_[i].state == Item::State::Waiting) return &items_[i];
  }
  return nullptr;
}

// Lists the item's folder with the lock let go, and counts whether that waited.
void TListingsAhead::List(Item& item) {
  item.state = Item::State::Listing;
  mutex_.unlock();
  const auto started = std::chrono::steady_clock::now();
  const auto startedOnThread = ThreadTime();
  TFolderListing listing = ListFolder(item.path);
  const auto elapsed = std::chrono::steady_clock::now() - started;
  const bool waited = elapsed - (ThreadTime() - startedOnThread) > waitedFor_;
  mutex_.lock();
  item.listing = std::move(listing);
  item.state = Item::State::Done;
  ++listed_;
  if (waited) ++waits_;
}

void TListingsAhead::Add(std::vector<std::string> paths) {
  if (paths.empty()) return;
  const size_t added = paths.size();
  bool near;
  {
    TShortLock lock(mutex_);
    near = !workers_.empty() && items_.size() < kAhead;
    for (std::string& path : paths) items_.push_back({std::move(path), Item::State::Waiting, {}});
  }
  if (!near) return;
  if (added == 1) {
    workCue_.notify_one();
  } else {
    workCue_.notify_all();
  }
}

TFolderListing TListingsAhead::Take() {
  TShortLock lock(mutex_);
  Item& item = items_.front();
  if (item.state == Item::State::Waiting) List(item);
  takerWaits_ = true;
  while (item.state != Item::State::Done) doneCue_.wait(lock);
  takerWaits_ = false;
  TFolderListing listing = std::move(item.listing);
  items_.pop_front();
  const bool more = items_.size() >= kAhead;
  const bool grow = !workers_.empty() && workers_.size() < kWaitingThreads &&
                    waits_ >= kWaitsToGrow && waits_ * kListingsPerWait > listed_;
  lock.unlock();
  if (grow) StartWorkers(kWaitingThreads);
  if (more) workCue_.notify_one();
  return listing;
}

// Lists the first folder within reach that no thread has come to; items stay where they
// are until taken, so one being listed is left alone by the others.
void TListingsAhead::Work() {
  TShortLock lock(mutex_);
  for (;;) {
    Item* next = nullptr;
    while (!stop_ && (next = FirstWaiting()) == nullptr) workCue_.wait(lock);
    if (stop_) return;
    List(*next);
    if (takerWaits_ && next == &items_.front()) doneCue_.notify_one();
  }
}

}  // namespace trawlix
