#include "util/ListingsAhead.h"

#include <sys/stat.h>

#include <algorithm>
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

TListingsAhead::TListingsAhead(size_t threads) {
  if (threads <= 1) return;
  for (size_t i = 0; i < std::max(threads, kFewestThreads); ++i) {
    workers_.emplace_back([this] { Work(); });
  }
}

TListingsAhead::~TListingsAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  workCue_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void TListingsAhead::Add(std::string path) {
  bool near;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.push_back({std::move(path), Item::State::Waiting, {}});
    near = !workers_.empty() && items_.size() <= kAhead;
  }
  if (near) workCue_.notify_one();
}

TFolderListing TListingsAhead::Take() {
  std::unique_lock<std::mutex> lock(mutex_);
  Item& item = items_.front();
  if (item.state == Item::State::Waiting) {
    item.state = Item::State::Listing;
    lock.unlock();
    item.listing = ListFolder(item.path);
    lock.lock();
    item.state = Item::State::Done;
  }
  doneCue_.wait(lock, [&item] { return item.state == Item::State::Done; });
  TFolderListing listing = std::move(item.listing);
  items_.pop_front();
  const bool more = items_.size() >= kAhead;
  lock.unlock();
  if (more) workCue_.notify_one();
  return listing;
}

// Lists the first folder within reach that no thread has come to; items stay where they
// are until taken, so one being listed is left alone by the others.
void TListingsAhead::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    Item* next = nullptr;
    workCue_.wait(lock, [&] {
      if (stop_) return true;
      const size_t near = std::min(items_.size(), kAhead);
      for (size_t i = 0; i < near && next == nullptr; ++i) {
        if (items_[i].state == Item::State::Waiting) next = &items_[i];
      }
      return next != nullptr;
    });
    if (stop_) return;
    next->state = Item::State::Listing;
    lock.unlock();
    TFolderListing listing = ListFolder(next->path);
    lock.lock();
    next->listing = std::move(listing);
    next->state = Item::State::Done;
    doneCue_.notify_all();
  }
}

}  // namespace trawlix
