#include "cli/Output.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "util/FileDescriptor.h"

namespace trawlix {

namespace {

constexpr size_t kBlockSize = size_t{1} << 20;

// A pipe holds 64 KiB unless asked for more: each block would then pass in sixteen turns
// of writer and reader, a switch of processes each. Grown only, as far as the system lets
// this user; a pipe that stays small works all the same.
void GrowPipe(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode)) return;
  const int size = fcntl(fd, F_GETPIPE_SZ);
  if (size >= 0 && static_cast<size_t>(size) < kBlockSize) {
    fcntl(fd, F_SETPIPE_SZ, static_cast<int>(kBlockSize));
  }
}

}  // namespace

TOutput::TOutput(int fd, bool crlf) : fd_(fd), lineEnd_(crlf ? "\r\n" : "\n") {
  buffer_.reserve(kBlockSize + kBlockSize / 4);
  GrowPipe(fd);
}

void TOutput::EndLine() {
  buffer_ += lineEnd_;
  if (buffer_.size() >= kBlockSize) Flush();
}

void TOutput::Flush() {
  if (!stopped_) {
    if (const int error = WriteAll(fd_, buffer_)) {
      if (error != EPIPE) error_ = error;
      stopped_ = true;
    }
  }
  buffer_.clear();
}

}  // namespace trawlix
