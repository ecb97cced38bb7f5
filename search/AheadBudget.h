#pragma once
// What the work ahead of the run may hold, in one place: bytes loaded and not taken yet,
// records (with their samples) found and not taken yet, bytes hinted to the page cache,
// and folders held open. Each has its ceiling; what a job holds is counted when it is
// done and given back when the run takes the job or drops it.
#include <cstddef>

namespace trawlix {

// What one job holds, or all of them together.
struct THold {
  size_t bytes = 0;    // loaded
  size_t records = 0;  // the records' own size and their samples'
  size_t hinted = 0;   // asked for in the page cache
};

class TAheadBudget {
 public:
  static constexpr size_t kBytes = size_t{16} << 20;
  static constexpr size_t kRecords = size_t{64} << 20;
  static constexpr size_t kHinted = size_t{64} << 20;
  // The system reads a hinted file's first part, so each counts with at most this.
  static constexpr size_t kHintedPerFile = size_t{2} << 20;

  void Add(const THold& hold);
  void Remove(const THold& hold);

  // Whether a job other than the run's next may be started: the run would keep its own
  // next file's bytes and records all the same, so only the others wait for room.
  bool LetsAhead() const { return held_.bytes < kBytes && held_.records < kRecords; }
  bool LetsHint() const { return held_.hinted < kHinted; }
  // How many bytes of records a job other than the run's next may still find.
  size_t RecordRoom() const { return held_.records < kRecords ? kRecords - held_.records : 0; }
  const THold& Held() const { return held_; }

  // Folders listed ahead of the run at most, whatever the tree.
  static constexpr size_t kFoldersListed = 1024;
  // The folders that may be held open ahead of the run: a share of the descriptors the
  // process may open (the windows, the walk and the loads need theirs too), at most 64.
  static size_t FoldersOpen();

 private:
  THold held_;
};

}  // namespace trawlix
