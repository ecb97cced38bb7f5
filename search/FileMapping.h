#pragma once
// A large file's bytes mapped read-only into memory, which spares the copy that reading
// makes. A mapped file can be cut short by another program while it is read; the pages
// past its new end then raise SIGBUS when touched. A process-wide SIGBUS handler, set up
// on the first mapping, turns such a fault inside a live mapping into pages of zeros, so
// that the reader sees the text end where the file was cut (the first NUL ends the text)
// instead of dying. Faults anywhere else go on to the handler that was there before.
// A page that fails to be read (an I/O error) faults the same way; the mapping keeps
// where its first fault lay, so that its user can tell the two apart.
#include <cstddef>

namespace trawlix {

class TFileMapping {
 public:
  TFileMapping() = default;
  ~TFileMapping();
  TFileMapping(TFileMapping&& other) noexcept;
  TFileMapping& operator=(TFileMapping&& other) noexcept;
  TFileMapping(const TFileMapping&) = delete;
  TFileMapping& operator=(const TFileMapping&) = delete;

  // Maps the first `size` bytes (more than 0) of the open file fd. Returns false, mapping
  // nothing, where the system refuses or too many mappings are live at once; the caller
  // then reads the file instead.
  bool Map(int fd, size_t size);
  void Unmap();

  const char* Data() const { return data_; }
  size_t Size() const { return size_; }
  // The offset of the page of the first fault since Map, or kNoFault.
  static constexpr size_t kNoFault = static_cast<size_t>(-1);
  size_t FirstFault() const;

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  int slot_ = -1;  // the entry that the SIGBUS handler knows this mapping by
};

}  // namespace trawlix
