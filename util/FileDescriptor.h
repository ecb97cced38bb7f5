#pragma once
// An open file descriptor that closes itself when its one owner goes (moved, never
// copied), and the two loops that every whole read or write needs, retrying after EINTR.
#include <string>
#include <string_view>

namespace trawlix {

class TFileDescriptor {
 public:
  TFileDescriptor() = default;
  explicit TFileDescriptor(int fd) : fd_(fd) {}
  ~TFileDescriptor();
  TFileDescriptor(TFileDescriptor&& other) noexcept;
  TFileDescriptor& operator=(TFileDescriptor&& other) noexcept;
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;

  bool Valid() const { return fd_ >= 0; }
  int Get() const { return fd_; }
  // Closes now: 0, or the error close reported (some file systems report a failed write
  // only here). EINTR counts as closed, as Linux has closed the descriptor by then.
  int Close();

 private:
  int fd_ = -1;
};

// Appends fd's bytes up to its end to `out`: 0, or the error of the read that failed.
int ReadAll(int fd, std::string& out);

// Writes all of `bytes` through short writes: 0, or the error of the write that failed
// (EIO for one that wrote nothing and reported nothing).
int WriteAll(int fd, std::string_view bytes);

}  // namespace trawlix
