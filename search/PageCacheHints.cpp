#include "search/PageCacheHints.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "util/FileDescriptor.h"
#include "util/files.h"

namespace trawlix {

THinted HintToPageCache(int folderFd, const std::string& name, size_t mostBytes, bool& noAtime) {
  const TFileDescriptor fd(OpenForReading(folderFd, name, noAtime));
  if (!fd.Valid()) return {};
  struct stat st;
  if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return {};
  char first;
  int refusal = 0;
  const bool cold = ReadCached(fd.Get(), &first, 1, refusal) < 0 && refusal == EAGAIN;
  const size_t bytes = std::min(static_cast<size_t>(st.st_size), mostBytes);
  posix_fadvise(fd.Get(), 0, static_cast<off_t>(bytes), POSIX_FADV_WILLNEED);
  return {bytes, cold};
}

TColdWarmSwitch::TTurnTo TColdWarmSwitch::Loaded(bool waited) {
  if (waited) {
    cachedInARow_ = 0;
    if (cold_ || ++waits_ < waitsToCool_) return TTurnTo::Same;
    cold_ = true;
    return TTurnTo::Cold;
  }
  if (++cachedInARow_ < kCachedToWarm) return TTurnTo::Same;
  cachedInARow_ = 0;
  waits_ = 0;
  if (!cold_) return TTurnTo::Same;
  cold_ = false;
  return TTurnTo::Warm;
}

}  // namespace trawlix
