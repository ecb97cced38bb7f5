#include "results/SaveResults.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "results/LinesText.h"
#include "search/SearchResults.h"
#include "util/errors.h"

namespace {

// Lines are gathered into blocks of this size, so a million lines need no second copy
// of the whole text in memory.
constexpr size_t kBlockSize = size_t{1} << 20;

// Owns the descriptor until Close, so every error path closes it.
class TOutputFile {
 public:
  explicit TOutputFile(const std::string& path) {
    // O_NONBLOCK: a FIFO with no reader fails at once (ENXIO) instead of hanging the
    // window; it is switched off again so that writes to any file complete.
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd_ < 0) {
      throw EFCreateError("Cannot create file \"" + path + "\". " + SystemErrorText(errno));
    }
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  }
  TOutputFile(const TOutputFile&) = delete;
  TOutputFile& operator=(const TOutputFile&) = delete;
  ~TOutputFile() {
    if (fd_ >= 0) close(fd_);
  }

  void Write(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      // A full disk shows as a short write followed by ENOSPC (or EFBIG, EIO).
      if (n <= 0) throw EWriteError("Stream write error");
      done += static_cast<size_t>(n);
    }
  }

  // Some file systems report a failed write only when the file is closed.
  void Close() {
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 && errno != EINTR) throw EWriteError("Stream write error");
  }

 private:
  int fd_ = -1;
};

}  // namespace

void SaveResults(const std::string& path, const TSearchResults& results) {
  TOutputFile file(path);
  std::string block;
  block.reserve(kBlockSize);
  for (size_t i = 0; i < results.LineCount(); ++i) {
    AppendLineText(results, i, block);
    if (block.size() >= kBlockSize) {
      file.Write(block);
      block.clear();
    }
  }
  file.Write(block);
  file.Close();
}
