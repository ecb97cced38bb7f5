#include "search/ByteBuffer.h"

#include <cstring>
#include <utility>

#include "search/MappedMemory.h"
#include "util/errors.h"

namespace trawlix {

namespace {

constexpr size_t kFirstBuffer = size_t{64} << 10;
constexpr size_t kDoublingLimit = size_t{8} << 20;
// A buffer above this size is given back when the next file needs less than a quarter.
constexpr size_t kKeptBuffer = size_t{64} << 20;

}  // namespace

TByteBuffer::~TByteBuffer() {
  Release();
}

TByteBuffer::TByteBuffer(TByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)) {}

TByteBuffer& TByteBuffer::operator=(TByteBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

void TByteBuffer::Release() {
  UnmapMemory(data_, capacity_);
  data_ = nullptr;
  capacity_ = 0;
}

void TByteBuffer::Reserve(size_t bytes, size_t keep) {
  if (keep == 0 && capacity_ > kKeptBuffer && bytes < capacity_ / 4) Release();
  if (bytes <= capacity_) return;
  // Growing at least twofold keeps a run of ever larger files from mapping (and touching)
  // fresh memory for each of them; past a few megabytes the file's own size is taken, so
  // that memory stays close to the largest file.
  size_t wanted = bytes;
  if (capacity_ <= kDoublingLimit / 2 && wanted < 2 * capacity_) wanted = 2 * capacity_;
  if (wanted < kFirstBuffer) wanted = kFirstBuffer;
  size_t capacity = wanted;
  char* data = static_cast<char*>(MapMemory(capacity));
  if (data == nullptr) throw EOutOfMemory("Out of memory");
  if (keep > 0) std::memcpy(data, data_, keep < capacity_ ? keep : capacity_);
  Release();
  data_ = data;
  capacity_ = capacity;
}

}  // namespace trawlix
