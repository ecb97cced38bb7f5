#pragma once
// A file's bytes, loaded whole: read into a buffer kept across files, or, for a large
// file, mapped. Reading stops at a step that holds a NUL, since the first NUL ends the
// text; the bytes themselves are looked at by TTextLines.
#include <sys/types.h>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "search/ByteBuffer.h"
#include "search/FileMapping.h"
#include "util/FileDescriptor.h"
#include "util/files.h"

namespace trawlix {

class TFileBytes {
 public:
  // Reads the whole file (open(O_RDONLY), read to end of file, growing or shrinking
  // meanwhile, but no further than a NUL); a large file is mapped instead (a file cut
  // short while mapped ends where it was cut). Throws EFOpenError, EReadError or
  // EOutOfMemory (beyond the memory budget) naming fullPath.
  // Only regular files are read: a FIFO, socket or device (reached through a link or
  // swapped in after the listing) fails with EFOpenError instead of hanging. The path may
  // be of any length (StartOfPath).
  void Load(const std::string& fullPath);
  // Files from this size on are mapped: copying them costs more than mapping and touching
  // their pages, and they no longer fit the caches that a copy would leave them in.
  static constexpr size_t kMappedFrom = size_t{4} << 20;
  // The same, opening name relative to an open folder descriptor. beforeWait, if given,
  // is called before the load waits for bytes that are not in the page cache yet.
  void LoadAt(int folderFd, const std::string& name, const std::string& fullPath,
              const std::function<void()>& beforeWait = {});
  // Takes the bytes as if they had been read from a file.
  void Assign(std::string_view bytes);
  // Loads ahead of the file's turn, on another thread: as LoadAt, for a file below the
  // mapping size that reports a size and lies outside the kernel's file systems; false,
  // with nothing loaded, for any other file or any failure, which LoadAt then meets at the
  // file's turn. beforeWait is called as in LoadAt.
  bool LoadAheadAt(int folderFd, const std::string& name, const std::function<void()>& beforeWait);
  // Sees the bytes of `whole`, a mapped file, from offset `from` on, as if they had been
  // loaded here; `whole` must stay loaded meanwhile. The view is mapped (see Mapped), and
  // asks `whole` whether it is intact.
  void ViewOf(const TFileBytes& whole, size_t from);
  // Takes over the bytes that `other` loaded (not mapped), leaving it this one's buffer.
  void TakeBytesOf(TFileBytes& other);
  // Drops the content, keeping the buffer for the next file.
  void Clear();

  const char* Data() const { return data_; }
  size_t Length() const { return length_; }
  size_t BufferSize() const { return buffer_.Capacity(); }

  // Whether the file is mapped: its bytes are then the file's own, which other programs
  // may change while they are searched.
  bool Mapped() const { return mapping_.Data() != nullptr || whole_ != nullptr; }
  // Throws EReadError where a page of the mapped file could not be read (an I/O error),
  // which the reader saw as the text ending there.
  void CheckIntact() const;
  // Whether the mapped file was found cut short (or unreadable) while it was searched.
  bool CutShort() const {
    return whole_ != nullptr ? whole_->CutShort() : mapping_.FirstFault() != TFileMapping::kNoFault;
  }

 private:
  // Kept across files: it only grows, unless a much smaller file follows a huge one.
  TByteBuffer buffer_;
  TFileMapping mapping_;               // the file, when it is large enough to be mapped
  TFileDescriptor mappedFd_;           // the mapped file, open
  const char* data_ = nullptr;         // the loaded bytes: the buffer's or the mapping's
  const TFileBytes* whole_ = nullptr;  // the mapped file this one is a view of
  size_t length_ = 0;                  // bytes loaded
  bool noAtime_ = true;                // cleared once the system refuses O_NOATIME
  dev_t device_ = 0;                   // the device of the file being loaded
  // The kind of file system last asked for, and its device: a run's files mostly share one.
  dev_t kindDevice_ = 0;
  std::optional<TFileSystemKind> kind_;

  TFileSystemKind KindOf(int fd);

  void ReadInSteps(int fd, size_t size, const std::function<void()>& beforeWait);
  bool MapAll(int fd, size_t size);
};

}  // namespace trawlix
