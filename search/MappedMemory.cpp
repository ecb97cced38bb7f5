#include "search/MappedMemory.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <new>

namespace trawlix {

namespace {

constexpr size_t kPage = size_t{4} << 10;
constexpr size_t kArenaChunk = size_t{32} << 20;

std::atomic<size_t> budget{SIZE_MAX};
std::atomic<size_t> inUse{0};

}  // namespace

void* MapMemory(size_t& bytes) {
  if (bytes > SIZE_MAX - kPage) return nullptr;
  bytes = RoundUp(bytes == 0 ? 1 : bytes, kPage);
  const size_t before = inUse.fetch_add(bytes);
  if (before + bytes < before || before + bytes > budget.load()) {
    inUse.fetch_sub(bytes);
    return nullptr;
  }
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p != MAP_FAILED) return p;
  inUse.fetch_sub(bytes);
  return nullptr;
}

// The size is rounded as MapMemory rounded it.
void UnmapMemory(void* block, size_t bytes) {
  if (block == nullptr) return;
  bytes = RoundUp(bytes == 0 ? 1 : bytes, kPage);
  munmap(block, bytes);
  inUse.fetch_sub(bytes);
}

void PrefaultMemory(void* block, size_t bytes) {
  madvise(block, bytes, MADV_POPULATE_WRITE);
}

void SetMemoryBudget(size_t bytes) {
  budget.store(bytes);
}

size_t MemoryBudget() {
  return budget.load();
}

size_t MemoryInUse() {
  return inUse.load();
}

TMemoryArena::~TMemoryArena() {
  Clear();
}

char* TMemoryArena::Allocate(size_t bytes) {
  if (bytes == 0) bytes = 1;
  if (static_cast<size_t>(end_ - next_) < bytes) AddChunk(bytes);
  char* block = next_;
  next_ += bytes;
  PrefaultAhead();
  return block;
}

bool TMemoryArena::Extend(const char* blockEnd, size_t more) {
  if (blockEnd != next_ || static_cast<size_t>(end_ - next_) < more) return false;
  next_ += more;
  PrefaultAhead();
  return true;
}

void TMemoryArena::PrefaultAhead() {
  if (next_ <= prefaulted_) return;
  const size_t ahead = RoundUp(static_cast<size_t>(next_ - prefaulted_), kPrefaultStep);
  const size_t bytes = std::min(ahead, static_cast<size_t>(end_ - prefaulted_));
  PrefaultMemory(prefaulted_, bytes);
  prefaulted_ += bytes;
}

void TMemoryArena::AddChunk(size_t atLeast) {
  chunks_.reserve(chunks_.size() + 1);
  size_t size = atLeast > kArenaChunk ? atLeast : kArenaChunk;
  void* base = MapMemory(size);
  if (base == nullptr) throw std::bad_alloc();
  chunks_.push_back({base, size});
  next_ = static_cast<char*>(base);
  end_ = next_ + size;
  // The first step of the first chunk is left to be touched as it is used.
  prefaulted_ = chunks_.size() > 1 ? next_ : next_ + std::min(size, kPrefaultStep);
}

void TMemoryArena::Clear() {
  for (const Chunk& chunk : chunks_) UnmapMemory(chunk.base, chunk.size);
  chunks_.clear();
  next_ = nullptr;
  end_ = nullptr;
  prefaulted_ = nullptr;
}

}  // namespace trawlix
