#include "cli/Output.h"

#include <cerrno>

#include "util/FileDescriptor.h"

namespace trawlix {

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
  if (!stopped_) {
    if (const int error = WriteAll(fd_, buffer_)) {
      if (error != EPIPE) error_ = error;
      stopped_ = true;
    }
  }
  buffer_.clear();
}

}  // namespace trawlix
