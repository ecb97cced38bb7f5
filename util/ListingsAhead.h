#pragma once
// Folders listed ahead of a walk that takes them in order, on threads of their own: the
// listings of a tree on a network share or a cold disk are then in flight together, not
// one round trip after another, and a warm tree's are shared among the processors.
#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
  // with more, by at least kFewestThreads threads, since listings mostly wait.
  explicit TListingsAhead(size_t threads);
  ~TListingsAhead();  // waits for the listings under way
  TListingsAhead(const TListingsAhead&) = delete;
  TListingsAhead& operator=(const TListingsAhead&) = delete;

  // A folder to list, after those added before.
  void Add(std::string path);
  // The listing of the next folder in the order added; one that no thread has come to
  // yet is listed here.
  TFolderListing Take();

  static constexpr size_t kFewestThreads = 4;
  static constexpr size_t kAhead = 64;  // folders listed ahead and not taken, at most

 private:
  struct Item {
    std::string path;
    enum class State : unsigned char { Waiting, Listing, Done } state = State::Waiting;
    TFolderListing listing;
  };

  std::mutex mutex_;
  std::condition_variable workCue_;  // a folder came within reach, or stop
  std::condition_variable doneCue_;  // a listing is done
  std::deque<Item> items_;           // from the next to be taken on
  bool stop_ = false;
  std::vector<std::thread> workers_;

  void Work();
};

}  // namespace trawlix
