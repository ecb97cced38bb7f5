#include "search/ByteBuffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <utility>

#include "util/errors.h"

namespace {

constexpr size_t kFirstBuffer = size_t{64} << 10;
constexpr size_t kPage = size_t{4} << 10;
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kDoublingLimit = size_t{8} << 20;
// A buffer above this size is given back when the next file needs less than a quarter.
constexpr size_t kKeptBuffer = size_t{64} << 20;

size_t RoundUp(size_t bytes, size_t unit) {
  return (bytes + unit - 1) / unit * unit;
}

[[noreturn]] void ThrowOutOfMemory() {
  throw EOutOfMemory("Out of memory");
}

char* MapOrNull(size_t bytes) {
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : static_cast<char*>(p);
}

// A buffer of `capacity` bytes (a multiple of the page, or of the huge page for a large
// one). A large one is placed on a huge-page boundary, from a mapping one huge page longer
// whose ends are given back.
char* Map(size_t capacity) {
  if (capacity < kHugePage) {
    char* p = MapOrNull(capacity);
    if (p == nullptr) ThrowOutOfMemory();
    return p;
  }
  char* raw = MapOrNull(capacity + kHugePage);
  if (raw == nullptr) ThrowOutOfMemory();
  const auto address = reinterpret_cast<uintptr_t>(raw);
  char* p = raw + (RoundUp(address, kHugePage) - address);
  if (p > raw) munmap(raw, static_cast<size_t>(p - raw));
  munmap(p + capacity, static_cast<size_t>(raw + capacity + kHugePage - (p + capacity)));
  madvise(p, capacity, MADV_HUGEPAGE);  // a hint: the buffer works without
  return p;
}

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
  if (data_ != nullptr) munmap(data_, capacity_);
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
  if (wanted > SIZE_MAX - 2 * kHugePage) ThrowOutOfMemory();
  const size_t capacity = RoundUp(wanted, wanted < kHugePage ? kPage : kHugePage);
  char* data = Map(capacity);
  if (keep > 0) std::memcpy(data, data_, keep < capacity_ ? keep : capacity_);
  Release();
  data_ = data;
  capacity_ = capacity;
}
