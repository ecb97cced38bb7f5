#pragma once
// The page cache: asking the system to read the files ahead of the run into it, and the
// switch that tells from the run's own loads whether that is worth it. A cold cache, or
// a disk that the system must read, keeps loads waiting; a warm one answers at once, and
// there the hints and the loads ahead would only cost.
#include <cstddef>
#include <string>

namespace trawlix {

// Asks the system to read the file's first part into its page cache: the bytes asked for,
// and whether its first byte was not cached yet (a file hinted cold counts as a load that
// had to wait, for the hint is what spares the load its wait). A file that is cached
// already costs the system a look at its pages.
struct THinted {
  size_t bytes = 0;
  bool cold = false;
};
THinted HintToPageCache(int folderFd, const std::string& name, size_t mostBytes, bool& noAtime);

// Turns to cold after `waitsToCool` loads that waited (a warm tree's cached files now and
// then refuse a read that must not wait, so a few are needed where workers search), and
// back to warm after kCachedToWarm loads in a row found their files cached.
class TColdWarmSwitch {
 public:
  static constexpr size_t kCachedToWarm = 256;
  explicit TColdWarmSwitch(size_t waitsToCool) : waitsToCool_(waitsToCool) {}

  enum class TTurnTo : unsigned char { Same, Cold, Warm };
  TTurnTo Loaded(bool waited);

 private:
  size_t waitsToCool_;
  size_t waits_ = 0;
  size_t cachedInARow_ = 0;
  bool cold_ = false;
};

}  // namespace trawlix
