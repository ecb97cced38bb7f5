#pragma once
// The bytes of one loaded file, in memory mapped straight from the system: nothing is
// zero-filled before the file's bytes are read into it.
#include <cstddef>

namespace trawlix {

class TByteBuffer {
 public:
  TByteBuffer() = default;
  ~TByteBuffer();
  TByteBuffer(TByteBuffer&& other) noexcept;
  TByteBuffer& operator=(TByteBuffer&& other) noexcept;
  TByteBuffer(const TByteBuffer&) = delete;
  TByteBuffer& operator=(const TByteBuffer&) = delete;

  char* Data() const { return data_; }
  size_t Capacity() const { return capacity_; }

  // Makes room for at least `bytes`, keeping the first `keep` bytes (at most the current
  // capacity). The buffer only grows, except that a huge one is given back when far less
  // is needed. Throws EOutOfMemory, leaving the buffer as it was.
  void Reserve(size_t bytes, size_t keep);

 private:
  char* data_ = nullptr;
  size_t capacity_ = 0;

  void Release();
};

}  // namespace trawlix
