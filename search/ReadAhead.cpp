#include "search/ReadAhead.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "search/SearchRun.h"
#include "util/FileDescriptor.h"

namespace trawlix {

TReadAhead::TReadAhead(TSearchInputs& host, const TStringList& masks, size_t folderCount)
    : host_(host), masks_(masks), folderCount_(folderCount) {}

TReadAhead::~TReadAhead() = default;

void TReadAhead::Started(size_t folder, size_t file, const TStringList& files, int folderFd) {
  if (!active_) return;
  const Position now{folder, file};
  while (!hinted_.empty() && hinted_.front().at <= now) {
    bytesAhead_ -= hinted_.front().bytes;
    hinted_.pop_front();
  }
  if (next_ <= now) Restart(folder, file + 1, files, folderFd);
  while (hinted_.size() < kFilesAhead && bytesAhead_ < kBytesAhead && Advance()) {
    const size_t bytes = Hint((*nextFiles_)[next_.file]);
    hinted_.push_back({next_, bytes});
    bytesAhead_ += bytes;
    ++next_.file;
  }
}

// Goes on right after the run's file, in the run's own listing of its folder.
void TReadAhead::Restart(size_t folder, size_t file, const TStringList& files, int folderFd) {
  hinted_.clear();
  bytesAhead_ = 0;
  next_ = {folder, file};
  nextFiles_ = &files;
  nextFd_ = folderFd;
  ownFolder_.reset();
  atEnd_ = false;
}

// Moves next_ onto a file to hint, listing the folders after the current one as needed.
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
// folder's turn, which then lists it again).
bool TReadAhead::ListFolder(size_t folder) {
  const std::optional<std::string> path = host_.UpcomingFolder(folder);
  if (!path) return false;
  auto handle = std::make_unique<TFolderHandle>(*path);
  ListFolderFiles(host_, *handle, folder, masks_, ownFiles_);
  ownFolder_ = std::move(handle);
  next_ = {folder, 0};
  nextFiles_ = &ownFiles_;
  nextFd_ = ownFolder_->Fd();
  return true;
}

// Asks the system to read the file's first part; returns the bytes asked for. A file
// that is cached already costs the system a look at its pages.
size_t TReadAhead::Hint(const std::string& name) {
  const TFileDescriptor fd(OpenForReading(nextFd_, name, noAtime_));
  if (!fd.Valid()) return 0;
  size_t bytes = 0;
  struct stat st;
  if (fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    bytes = std::min(static_cast<size_t>(st.st_size), kHintedPerFile);
    posix_fadvise(fd.Get(), 0, static_cast<off_t>(bytes), POSIX_FADV_WILLNEED);
  }
  return bytes;
}

void TReadAhead::Loaded(bool waited) {
  if (waited) {
    active_ = true;
    loadsWithoutWait_ = 0;
  } else if (active_ && ++loadsWithoutWait_ >= kCachedToStop) {
    active_ = false;
    hinted_.clear();
    bytesAhead_ = 0;
  }
}

}  // namespace trawlix
