#include "cli/Output.h"

#include <unistd.h>

#include <cerrno>

namespace {

constexpr size_t kBlockSize = size_t{1} << 20;

}  // namespace

TOutput::TOutput(int fd, bool crlf) : fd_(fd), lineEnd_(crlf ? "\r\n" : "\n") {
  buffer_.reserve(kBlockSize + kBlockSize / 4);
}

void TOutput::EndLine() {
  buffer_ += lineEnd_;
  if (buffer_.size() >= kBlockSize) Flush();
}

void TOutput::Flush() {
  size_t done = 0;
  while (!stopped_ && done < buffer_.size()) {
    ssize_t written = write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (written > 0) {
      done += static_cast<size_t>(written);
    } else if (written == 0) {  // no progress and no error: give up rather than spin
      error_ = EIO;
      stopped_ = true;
    } else if (errno != EINTR) {
      if (errno != EPIPE) error_ = errno;
      stopped_ = true;
    }
  }
  buffer_.clear();
}
