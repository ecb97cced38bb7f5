#include "search/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "util/errors.h"
#include "util/files.h"

namespace trawlix {

namespace {

// A file that is not read in one go (it reports no size, grew, or was too large to map)
// is read in steps of at most this much, each looked through for the NUL that ends it.
constexpr size_t kReadStep = size_t{8} << 20;
constexpr size_t kFirstStep = size_t{64} << 10;  // then twice as much each step

[[noreturn]] void ThrowOpenError(const std::string& fullPath, const std::string& reason) {
  throw EFOpenError("Cannot open file \"" + fullPath + "\". " + reason);
}

// An open regular file, its size when opened (0 for files such as those under /proc,
// which report none) and its device.
struct OpenedFile {
  TFileDescriptor fd;
  size_t size;
  dev_t device;
};

// Opens a regular file for reading (see OpenForReading).
OpenedFile OpenRegularFile(int folderFd, const std::string& name, const std::string& fullPath,
                           bool& noAtime) {
  TFileDescriptor fd(OpenForReading(folderFd, name, noAtime));
  if (!fd.Valid()) ThrowOpenError(fullPath, SystemErrorText(errno));
  struct stat st;
  if (fstat(fd.Get(), &st) != 0) ThrowOpenError(fullPath, SystemErrorText(errno));
  if (!S_ISREG(st.st_mode)) {
    ThrowOpenError(fullPath, S_ISDIR(st.st_mode) ? SystemErrorText(EISDIR) : "Not a regular file");
  }
  return {std::move(fd), st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0, st.st_dev};
}

}  // namespace

void TFileBytes::Load(const std::string& fullPath) {
  const TPathStart start = StartOfPath(fullPath);
  if (start.folder == -1) ThrowOpenError(fullPath, SystemErrorText(errno));
  LoadAt(start.folder, start.rest, fullPath);
}

void TFileBytes::LoadAt(int folderFd, const std::string& name, const std::string& fullPath,
                        const std::function<void()>& beforeWait) {
  Clear();
  OpenedFile file = OpenRegularFile(folderFd, name, fullPath, noAtime_);
  device_ = file.device;
  if (MapAll(file.fd.Get(), file.size)) {
    mappedFd_ = std::move(file.fd);  // asked again if a page faults (see CheckIntact)
  } else {
    ReadInSteps(file.fd.Get(), file.size, beforeWait);
  }
}

// Maps a large file whole. A file that has grown since its size was taken is read instead,
// so that its bytes are taken to its end as a read would take them.
bool TFileBytes::MapAll(int fd, size_t size) {
  if (size < kMappedFrom || KindOf(fd) == TFileSystemKind::Kernel || !mapping_.Map(fd, size)) {
    return false;
  }
  char after;
  if (pread(fd, &after, 1, static_cast<off_t>(size)) != 0) {
    mapping_.Unmap();
    return false;
  }
  data_ = mapping_.Data();
  length_ = size;
  return true;
}

// A file below the mapping size is read with one call, asking for one byte more than its
// size: a short read of a regular file that has given at least its size means the end.
// Files that report no size (/proc) may give short reads before their end, and a file
// that shrank may still grow again, so those are read until a read gives nothing, in
// bounded steps; since the first NUL ends the text, such reading stops at a step that
// holds one (/proc/self/pagemap reports no size and holds 8 bytes for every page of the
// address space, the first of them zero). The buffer grows within the memory budget, so
// that a file that never ends gives EOutOfMemory. The first read does not wait for the
// disk: where the bytes are not cached yet, beforeWait is called first.
void TFileBytes::ReadInSteps(int fd, size_t size, const std::function<void()>& beforeWait) {
  const bool inOneGo = size > 0 && size < kMappedFrom;
  buffer_.Reserve(inOneGo ? size + 1 : kReadStep, 0);
  size_t length = 0;
  size_t step = inOneGo ? size + 1 : kFirstStep;
  bool first = true;
  for (;;) {
    if (length == buffer_.Capacity()) buffer_.Reserve(length * 2, length);
    const size_t room = buffer_.Capacity() - length;
    const size_t wanted = room < step ? room : step;
    char* into = buffer_.Data() + length;
    ssize_t got;
    if (first && beforeWait) {
      int refusal = 0;
      got = ReadCached(fd, into, wanted, refusal);
      bool wouldWait = got > 0 && size > 0 && static_cast<size_t>(got) < size;
      // The kernel's own files may refuse such reads too, but never wait for a disk;
      // network shares and FUSE cannot tell, and are taken to wait.
      if (refusal == EAGAIN) wouldWait = KindOf(fd) != TFileSystemKind::Kernel;
      if (refusal == EOPNOTSUPP) wouldWait = KindOf(fd) == TFileSystemKind::Remote;
      if (wouldWait) beforeWait();
      if (got < 0) got = read(fd, into, wanted);
    } else {
      got = read(fd, into, wanted);
    }
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw EReadError(SystemErrorText(errno));
    }
    length += static_cast<size_t>(got);
    // The one read of a file that keeps its size is searched for its NUL later, in the
    // same pass as the search text; any other bytes are looked through as they come.
    const bool whole = first && inOneGo;
    first = false;
    if (!whole && std::memchr(into, 0, static_cast<size_t>(got)) != nullptr) break;
    if (static_cast<size_t>(got) < wanted && size > 0 && length >= size) break;
    step = step >= kReadStep / 2 ? kReadStep : step * 2;
  }
  data_ = buffer_.Data();
  length_ = length;
}

bool TFileBytes::LoadAheadAt(int folderFd, const std::string& name,
                             const std::function<void()>& beforeWait) {
  Clear();
  try {
    OpenedFile file = OpenRegularFile(folderFd, name, name, noAtime_);
    device_ = file.device;
    if (file.size == 0 || file.size >= kMappedFrom) return false;
    if (KindOf(file.fd.Get()) == TFileSystemKind::Kernel) return false;
    ReadInSteps(file.fd.Get(), file.size, beforeWait);
    return true;
  } catch (...) {
    // Whatever failed here fails again, or not, at the file's turn, and is reported then.
    Clear();
    return false;
  }
}

void TFileBytes::TakeBytesOf(TFileBytes& other) {
  Clear();
  std::swap(buffer_, other.buffer_);
  data_ = buffer_.Data();
  length_ = other.length_;
  other.Clear();
}

TFileSystemKind TFileBytes::KindOf(int fd) {
  if (!kind_ || kindDevice_ != device_) {
    kind_ = FileSystemKindOf(fd);
    kindDevice_ = device_;
  }
  return *kind_;
}

void TFileBytes::Assign(std::string_view bytes) {
  Clear();
  buffer_.Reserve(bytes.size(), 0);
  // An empty view may carry no data pointer at all, which memcpy must not be given.
  if (!bytes.empty()) std::memcpy(buffer_.Data(), bytes.data(), bytes.size());
  data_ = buffer_.Data();
  length_ = bytes.size();
}

void TFileBytes::ViewOf(const TFileBytes& whole, size_t from) {
  Clear();
  whole_ = &whole;
  data_ = whole.data_ + from;
  length_ = whole.length_ - from;
}

void TFileBytes::Clear() {
  whole_ = nullptr;
  mapping_.Unmap();
  mappedFd_ = TFileDescriptor();
  data_ = nullptr;
  length_ = 0;
}

// A fault on a page that the file still reaches past is a page that could not be read;
// one past the file's present end is the file cut short, whose text ends at the cut.
void TFileBytes::CheckIntact() const {
  if (whole_ != nullptr) {
    whole_->CheckIntact();
    return;
  }
  const size_t fault = mapping_.FirstFault();
  if (fault == TFileMapping::kNoFault) return;
  struct stat st;
  if (fstat(mappedFd_.Get(), &st) != 0) throw EReadError(SystemErrorText(errno));
  if (st.st_size > 0 && static_cast<size_t>(st.st_size) > fault) {
    throw EReadError(SystemErrorText(EIO));
  }
}

}  // namespace trawlix
