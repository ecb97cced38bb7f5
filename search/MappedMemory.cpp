#include "search/MappedMemory.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace {

constexpr size_t kPage = size_t{4} << 10;
constexpr size_t kArenaChunk = size_t{32} << 20;

}  // namespace

void* MapMemory(size_t& bytes) {
  if (bytes > SIZE_MAX - kPage) return nullptr;
  bytes = RoundUp(bytes == 0 ? 1 : bytes, kPage);
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

// The size is rounded as MapMemory rounded it.
void UnmapMemory(void* block, size_t bytes) {
  if (block == nullptr) return;
  munmap(block, RoundUp(bytes == 0 ? 1 : bytes, kPage));
}

TMemoryArena::~TMemoryArena() {
  Clear();
}

char* TMemoryArena::Allocate(size_t bytes) {
  if (bytes == 0) bytes = 1;
  if (static_cast<size_t>(end_ - next_) < bytes) AddChunk(bytes);
  char* block = next_;
  next_ += bytes;
  return block;
}

bool TMemoryArena::Extend(const char* blockEnd, size_t more) {
  if (blockEnd != next_ || static_cast<size_t>(end_ - next_) < more) return false;
  next_ += more;
  return true;
}

void TMemoryArena::AddChunk(size_t atLeast) {
  chunks_.reserve(chunks_.size() + 1);
  size_t size = atLeast > kArenaChunk ? atLeast : kArenaChunk;
  void* base = MapMemory(size);
  if (base == nullptr) throw std::bad_alloc();
  chunks_.push_back({base, size});
  next_ = static_cast<char*>(base);
  end_ = next_ + size;
}

void TMemoryArena::Clear() {
  for (const Chunk& chunk : chunks_) UnmapMemory(chunk.base, chunk.size);
  chunks_.clear();
  next_ = nullptr;
  end_ = nullptr;
}
