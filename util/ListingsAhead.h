#pragma once
// Folders listed ahead of a walk that takes them in order, on threads of their own: the
// listings of a tree on a network share or a cold disk are then in flight together, not
// one round trip after another, and a warm tree's are shared among the processors.
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "util/ShortLock.h"
#include "util/files.h"

namespace trawlix {

// What listing one folder found: whether it could be opened, what it is (its device and
// inode), and its entries as ForEachEntry gives them, with the listing's failure.
struct TFolderListing {
  bool opened = false;
  dev_t device = 0;
  ino_t inode = 0;
  TFolderEntries entries;
};
TFolderListing ListFolder(const std::string& path);

class TListingsAhead {
 public:
  // With `threads` at 1, each folder is listed as it is taken, on the caller's thread;
  // with more, by that many threads, and by at least kWaitingThreads once listings keep
  // waiting for the disk or the network: there, listings in flight together hide the
  // waits, while on a cached tree threads beyond the processors only take turns. A
  // listing waited where its elapsed time passes its thread's processor time by more
  // than `waitedFor`.
  explicit TListingsAhead(size_t threads, std::chrono::nanoseconds waitedFor = kWaitedFor);
  ~TListingsAhead();  // waits for the listings under way
  TListingsAhead(const TListingsAhead&) = delete;
  TListingsAhead& operator=(const TListingsAhead&) = delete;

  // Folders to list, after those added before: a folder's subfolders come in one go, and
  // wake the threads once.
  void Add(std::vector<std::string> paths);
  // The listing of the next folder in the order added; one that no thread has come to
  // yet is listed here.
  TFolderListing Take();

  static constexpr size_t kWaitingThreads = 4;
  // A cached tree has a few listings that wait this long now and then (a thread put aside
  // for another); a cold disk or a network share has them all along.
  static constexpr std::chrono::microseconds kWaitedFor{100};
  static constexpr size_t kAhead = 64;  // folders listed ahead and not taken, at most

 private:
  struct Item {
    std::string path;
    enum class State : unsigned char { Waiting, Listing, Done } state = State::Waiting;
    TFolderListing listing;
  };

  TShortMutex mutex_;
  TShortCondition workCue_;  // a folder came within reach, or stop
  TShortCondition doneCue_;  // the listing the walk waits for is done
  bool takerWaits_ GUARDED_BY(mutex_) = false;
  const std::chrono::nanoseconds waitedFor_;
  size_t listed_ GUARDED_BY(mutex_) = 0;
  size_t waits_ GUARDED_BY(mutex_) = 0;        // listings that waited for the disk or the network
  std::deque<Item> items_ GUARDED_BY(mutex_);  // from the next to be taken on
  bool stop_ GUARDED_BY(mutex_) = false;
  std::vector<std::thread> workers_;  // the taker's alone

  void StartWorkers(size_t count);
  void List(Item& item) REQUIRES(mutex_);  // lets go of the lock while it lists
  Item* FirstWaiting() REQUIRES(mutex_);

  void Work();
};

}  // namespace trawlix
