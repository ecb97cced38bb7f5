#include "results/SaveResults.h"

#include <fcntl.h>

#include <cerrno>

#include "results/LinesText.h"
#include "search/SearchResults.h"
#include "util/FileDescriptor.h"
#include "util/errors.h"

namespace trawlix {

namespace {

// Lines are gathered into blocks of this size, so a million lines need no second copy
// of the whole text in memory.
constexpr size_t kBlockSize = size_t{1} << 20;

// Owns the descriptor until Close, so every error path closes it.
class TOutputFile {
 public:
  explicit TOutputFile(const std::string& path)
      // O_NONBLOCK: a FIFO with no reader fails at once (ENXIO) instead of hanging the
      // window; it is switched off again so that writes to any file complete.
      : fd_(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666)) {
    if (!fd_.Valid()) {
      throw EFCreateError("Cannot create file \"" + path + "\". " + SystemErrorText(errno));
    }
    fcntl(fd_.Get(), F_SETFL, fcntl(fd_.Get(), F_GETFL) & ~O_NONBLOCK);
  }

  // A full disk shows as a short write followed by ENOSPC (or EFBIG, EIO).
  void Write(const std::string& bytes) {
    if (WriteAll(fd_.Get(), bytes) != 0) throw EWriteError("Stream write error");
  }

  // Some file systems report a failed write only when the file is closed.
  void Close() {
    if (fd_.Close() != 0) throw EWriteError("Stream write error");
  }

 private:
  TFileDescriptor fd_;
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

}  // namespace trawlix
