#include "util/FileDescriptor.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace trawlix {

TFileDescriptor::~TFileDescriptor() {
  Close();
}

TFileDescriptor::TFileDescriptor(TFileDescriptor&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

TFileDescriptor& TFileDescriptor::operator=(TFileDescriptor&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

int TFileDescriptor::Close() {
  if (fd_ < 0) return 0;
  const int fd = std::exchange(fd_, -1);
  return close(fd) == 0 || errno == EINTR ? 0 : errno;
}

int ReadAll(int fd, std::string& out) {
  char buffer[16384];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) {
      out.append(buffer, static_cast<size_t>(got));
    } else if (got == 0) {
      return 0;
    } else if (errno != EINTR) {
      return errno;
    }
  }
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written > 0) {
      bytes.remove_prefix(static_cast<size_t>(written));
    } else if (written == 0) {
      return EIO;
    } else if (errno != EINTR) {
      return errno;
    }
  }
  return 0;
}

}  // namespace trawlix
