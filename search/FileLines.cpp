#include "search/FileLines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "search/ByteScan.h"
#include "util/errors.h"
#include "util/files.h"

namespace trawlix {

namespace {

// How much of the text is searched before its line ends are counted (see Find).
constexpr size_t kWindow = size_t{256} << 10;
// A file that is not read in one go (it reports no size, grew, or was too large to map)
// is read in steps of at most this much, each looked through for the NUL that ends it.
constexpr size_t kReadStep = size_t{8} << 20;
constexpr size_t kFirstStep = size_t{64} << 10;  // then twice as much each step

[[noreturn]] void ThrowOpenError(const std::string& fullPath, const std::string& reason) {
  throw EFOpenError("Cannot open file \"" + fullPath + "\". " + reason);
}

// An open regular file and its size when opened (0 for files such as those under /proc,
// which report none).
struct OpenedFile {
  TFileDescriptor fd;
  size_t size;
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
  return {std::move(fd), st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0};
}

// Reads what the page cache holds already, without waiting for the disk: the bytes read,
// or -1 where nothing was read, with wouldWait set where the bytes are not cached (some
// file systems cannot tell, and read as usual).
ssize_t ReadCached(int fd, char* into, size_t wanted, bool& wouldWait) {
  iovec part{into, wanted};
  for (;;) {
    const ssize_t got = preadv2(fd, &part, 1, -1, RWF_NOWAIT);
    if (got >= 0) return got;
    if (errno == EINTR) continue;
    // The kernel's own files may refuse such reads too, but never wait for a disk.
    wouldWait = errno == EAGAIN && !OnKernelFileSystem(fd);
    return -1;
  }
}

}  // namespace

void TFileLines::Load(const std::string& fullPath) {
  LoadAt(AT_FDCWD, fullPath, fullPath);
}

void TFileLines::LoadAt(int folderFd, const std::string& name, const std::string& fullPath,
                        const std::function<void()>& beforeWait) {
  Clear();
  OpenedFile file = OpenRegularFile(folderFd, name, fullPath, noAtime_);
  if (MapAll(file.fd.Get(), file.size)) {
    mappedFd_ = std::move(file.fd);  // asked again if a page faults (see CheckIntact)
  } else {
    ReadAll(file.fd.Get(), file.size, beforeWait);
  }
}

// Maps a large file whole. A file that has grown since its size was taken is read instead,
// so that its bytes are taken to its end as a read would take them.
bool TFileLines::MapAll(int fd, size_t size) {
  if (size < kMappedFrom || OnKernelFileSystem(fd) || !mapping_.Map(fd, size)) return false;
  char after;
  if (pread(fd, &after, 1, static_cast<off_t>(size)) != 0) {
    mapping_.Unmap();
    return false;
  }
  Finish(mapping_.Data(), size);
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
void TFileLines::ReadAll(int fd, size_t size, const std::function<void()>& beforeWait) {
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
    if (first) {
      bool wouldWait = false;
      got = ReadCached(fd, into, wanted, wouldWait);
      if (got > 0 && size > 0 && static_cast<size_t>(got) < size) wouldWait = true;
      if (wouldWait && beforeWait) beforeWait();
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
  Finish(buffer_.Data(), length);
}

void TFileLines::Assign(std::string_view bytes) {
  Clear();
  buffer_.Reserve(bytes.size(), 0);
  // An empty view may carry no data pointer at all, which memcpy must not be given.
  if (!bytes.empty()) std::memcpy(buffer_.Data(), bytes.data(), bytes.size());
  Finish(buffer_.Data(), bytes.size());
}

void TFileLines::Finish(const char* data, size_t length) {
  data_ = data;
  length_ = length;
  textLength_ = length;
}

void TFileLines::Clear() {
  mapping_.Unmap();
  mappedFd_ = TFileDescriptor();
  data_ = nullptr;
  length_ = 0;
  textLength_ = 0;
  checked_ = 0;
  cursorLine_ = 0;
  cursorStart_ = 0;
  count_ = -1;
  hadHit_ = false;
  walked_.clear();
}

bool TFileLines::Mapped() const {
  return mapping_.Data() != nullptr;
}

// A fault on a page that the file still reaches past is a page that could not be read;
// one past the file's present end is the file cut short, whose text ends at the cut.
void TFileLines::CheckIntact() {
  const size_t fault = mapping_.FirstFault();
  if (fault == TFileMapping::kNoFault) return;
  struct stat st;
  if (fstat(mappedFd_.Get(), &st) != 0) throw EReadError(SystemErrorText(errno));
  if (st.st_size > 0 && static_cast<size_t>(st.st_size) > fault) {
    throw EReadError(SystemErrorText(EIO));
  }
}

void TFileLines::CheckUpTo(size_t offset) {
  if (offset > textLength_) offset = textLength_;
  if (offset <= checked_) return;
  const char* text = data_;
  // The line walk mostly asks for a byte or two more; a call would cost more than those.
  size_t nul = checked_;
  if (offset - checked_ <= 16) {
    while (nul < offset && text[nul] != '\0') ++nul;
  } else {
    const void* found = std::memchr(text + checked_, 0, offset - checked_);
    nul = found == nullptr ? offset : static_cast<size_t>(static_cast<const char*>(found) - text);
  }
  if (nul < offset) {
    textLength_ = nul;
    offset = nul;
  }
  checked_ = offset;
}

std::string_view TFileLines::Text() {
  CheckUpTo(length_);
  return {data_, textLength_};
}

// Once a mapped file has had a hit, the rest is searched a window at a time, and the line
// ends of a window without a hit are counted at once, while its bytes are still in the
// cache, so that the line number of a later hit costs no second pass over memory. Until
// then nothing is counted, since most large files hold no hit at all; the first hit pays
// one more pass over the bytes before it. A smaller file stays in the cache whole, so its
// line ends are counted only when a hit needs them.
size_t TFileLines::Find(size_t from, std::string_view pattern, bool ignoreCase) {
  if (!pattern_ || pattern_->text != pattern || pattern_->ignoreCase != ignoreCase) {
    pattern_.emplace(pattern, ignoreCase);
  }
  CheckUpTo(from);
  for (;;) {
    if (from >= textLength_) return kNotFound;
    // Occurrences that begin in [from, windowEnd), which may end past it.
    const size_t window = hadHit_ && length_ >= kMappedFrom ? kWindow : textLength_;
    const size_t windowEnd = textLength_ - from > window ? from + window : textLength_;
    const size_t scanEnd =
        textLength_ - windowEnd > pattern.size() - 1 ? windowEnd + pattern.size() - 1 : textLength_;
    const size_t at = FindPatternOrNul(data_, from, scanEnd, *pattern_);
    if (at != kNotFound && data_[at] == '\0') {
      textLength_ = at;
      checked_ = at;
      return kNotFound;
    }
    if (at != kNotFound) {
      // The pattern holds no NUL, so the text goes on at least to the occurrence's end.
      if (checked_ < at + pattern.size()) checked_ = at + pattern.size();
      hadHit_ = true;
      return at;
    }
    if (checked_ < scanEnd) checked_ = scanEnd;
    if (windowEnd == textLength_) return kNotFound;
    LineAtOffset(windowEnd);
    from = windowEnd;
  }
}

// The end of the line that begins at `start`: its CR or LF, or the end of the text.
// The scan for it stops at a NUL too, which then ends the text; the bytes before the
// line's start have been looked at already, so that NUL is the first.
size_t TFileLines::LineEnd(size_t start) {
  CheckUpTo(start);
  const size_t end = FindLineEnd(data_, start, textLength_);
  if (end < textLength_ && data_[end] == '\0') textLength_ = end;
  if (checked_ < end) checked_ = end;
  return end;
}

// The start of the line after the one whose end is at `end`, or the end of the text.
size_t TFileLines::AfterLineEnd(size_t end) {
  if (end == textLength_) return end;
  const size_t next = SkipLineEnd(data_, end, textLength_);
  CheckUpTo(next + 1);  // the next line exists only if its first byte is text
  return next < textLength_ ? next : textLength_;
}

size_t TFileLines::NextLineStart(size_t start) {
  return AfterLineEnd(LineEnd(start));
}

// Moves the cursor to the line before it. A CR LF pair is always one end, so the end of
// the previous line is found by looking at most two bytes back.
size_t TFileLines::StepBack() {
  const char* text = data_;
  size_t end = cursorStart_ - 1;
  if (text[end] == '\n' && end > 0 && text[end - 1] == '\r') --end;
  const size_t before = FindLastLineEnd(text, 0, end);
  cursorStart_ = before == kNotFound ? 0 : before + 1;
  --cursorLine_;
  return end;
}

// Stepping back from the cursor to a line shortly before it finds each line between them
// whole, so those lines are kept as walked and need not be walked forward again.
bool TFileLines::WalkBackTo(int64_t start, int64_t count) {
  if (start < 0 || start >= cursorLine_ || cursorLine_ - start > count) return false;
  walked_.resize(static_cast<size_t>(cursorLine_ - start));
  for (size_t k = walked_.size(); k-- > 0;) {
    const size_t end = StepBack();
    walked_[k] = {cursorStart_, end};
  }
  walkedFirst_ = start;
  return true;
}

const TFileLines::LineSpan* TFileLines::Walked(int64_t i) const {
  const int64_t k = i - walkedFirst_;
  return k >= 0 && k < static_cast<int64_t>(walked_.size()) ? &walked_[static_cast<size_t>(k)]
                                                            : nullptr;
}

bool TFileLines::SeekLine(int64_t i) {
  CheckUpTo(1);
  if (i < 0 || textLength_ == 0 || (count_ >= 0 && i >= count_)) return false;
  if (const LineSpan* line = Walked(i)) {
    cursorLine_ = i;
    cursorStart_ = line->start;
    return true;
  }
  if (i < cursorLine_) {
    if (i < cursorLine_ - i) {
      cursorLine_ = 0;
      cursorStart_ = 0;
    } else {
      while (cursorLine_ > i) StepBack();
    }
  }
  while (cursorLine_ < i) {
    if (!StepForward(LineEnd(cursorStart_))) return false;
  }
  return true;
}

int64_t TFileLines::Count() {
  if (count_ < 0) {
    CheckUpTo(length_);
    if (textLength_ == 0) {
      count_ = 0;
    } else {
      const char* text = data_;
      const LineEnds ends = CountLineEnds(text, cursorStart_, textLength_);
      const char lastByte = text[textLength_ - 1];
      const bool endsWithLineEnd = lastByte == '\r' || lastByte == '\n';
      count_ = cursorLine_ + static_cast<int64_t>(ends.count) + (endsWithLineEnd ? 0 : 1);
    }
  }
  return count_;
}

bool TFileLines::HasLine(int64_t i) {
  return SeekLine(i);
}

std::string_view TFileLines::Line(int64_t i) {
  if (!SeekLine(i)) return {};
  if (const LineSpan* line = Walked(i)) return {data_ + line->start, line->end - line->start};
  return {data_ + cursorStart_, LineEnd(cursorStart_) - cursorStart_};
}

TStringList TFileLines::ToStringList() {
  CheckUpTo(length_);
  TStringList lines;
  for (size_t start = 0; start < textLength_; start = NextLineStart(start)) {
    lines.emplace_back(data_ + start, LineEnd(start) - start);
  }
  return lines;
}

// Leaves the cursor on the last line given. Lines that the last call walked are taken
// again as they were found, and the walk goes on after them.
void TFileLines::GetLines(int64_t start, int64_t count, std::vector<std::string_view>& out) {
  out.clear();
  if (count <= 0) return;
  if (Walked(start) == nullptr && !WalkBackTo(start, count)) {
    if (!SeekLine(start)) return;
    walked_.clear();
    walkedFirst_ = start;
  }
  walked_.erase(walked_.begin(), walked_.begin() + (start - walkedFirst_));
  if (static_cast<int64_t>(walked_.size()) > count) walked_.resize(static_cast<size_t>(count));
  walkedFirst_ = start;
  for (const LineSpan& line : walked_) out.emplace_back(data_ + line.start, line.end - line.start);
  if (!walked_.empty()) {
    cursorLine_ = start + static_cast<int64_t>(walked_.size()) - 1;
    cursorStart_ = walked_.back().start;
    if (static_cast<int64_t>(out.size()) == count) return;
    if (!StepForward(walked_.back().end)) return;
  }
  for (;;) {
    const size_t end = LineEnd(cursorStart_);
    walked_.push_back({cursorStart_, end});
    out.emplace_back(data_ + cursorStart_, end - cursorStart_);
    if (static_cast<int64_t>(out.size()) == count || !StepForward(end)) return;
  }
}

// Moves the cursor to the line after the one that ends at `end`, if there is one.
bool TFileLines::StepForward(size_t end) {
  const size_t next = AfterLineEnd(end);
  if (next >= textLength_) {
    count_ = cursorLine_ + 1;
    return false;
  }
  cursorStart_ = next;
  ++cursorLine_;
  return true;
}

int64_t TFileLines::LineAtOffset(size_t offset) {
  CheckUpTo(offset + 1);
  if (textLength_ == 0) return -1;
  if (offset >= textLength_) offset = textLength_ - 1;
  while (offset < cursorStart_) StepBack();
  const char* text = data_;
  // The LF of a CR LF pair belongs to the line that its CR ends.
  size_t to = offset;
  if (to > cursorStart_ && text[to] == '\n' && text[to - 1] == '\r') --to;
  const LineEnds ends = CountLineEnds(text, cursorStart_, to);
  if (ends.count > 0) {
    cursorLine_ += static_cast<int64_t>(ends.count);
    cursorStart_ = ends.lastByte + 1;
  }
  return cursorLine_;
}

size_t TFileLines::LineStart(int64_t i) {
  return SeekLine(i) ? cursorStart_ : textLength_;
}

}  // namespace trawlix
