#pragma once
// A list that grows by whole blocks and never moves its elements: a million records are
// written once instead of being copied at every doubling. The first block is touched only
// as far as it is filled; a list that outgrows it is likely to fill the next ones, whose
// pages are prefaulted as each is mapped.
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

#include "search/MappedMemory.h"

namespace trawlix {

template <typename T>
class TChunkedList {
 public:
  TChunkedList() = default;
  ~TChunkedList() { clear(); }
  TChunkedList(const TChunkedList&) = delete;
  TChunkedList& operator=(const TChunkedList&) = delete;

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const T& operator[](size_t i) const { return blocks_[i / kPerBlock][i % kPerBlock]; }

  // Makes room for one more element, so that adding it cannot fail for want of memory.
  // Throws std::bad_alloc.
  void ReserveOne() {
    if (size_ < blocks_.size() * kPerBlock) return;
    blocks_.reserve(blocks_.size() + 1);
    size_t bytes = kBlockBytes;
    void* block = MapMemory(bytes);
    if (block == nullptr) throw std::bad_alloc();
    if (!blocks_.empty()) PrefaultMemory(block, bytes);
    blocks_.push_back(static_cast<T*>(block));
  }
  // Adds an element made from args; if making it throws, the list is unchanged.
  template <typename... Args>
  void emplace_back(Args&&... args) {
    ReserveOne();
    new (blocks_[size_ / kPerBlock] + size_ % kPerBlock) T(std::forward<Args>(args)...);
    ++size_;
  }
  // Destroys the elements and gives every block back.
  void clear() {
    for (size_t i = 0; i < size_; ++i) blocks_[i / kPerBlock][i % kPerBlock].~T();
    for (T* block : blocks_) UnmapMemory(block, kBlockBytes);
    blocks_.clear();
    size_ = 0;
  }

 private:
  static constexpr size_t kBlockBytes = size_t{2} << 20;
  static constexpr size_t kPerBlock = kBlockBytes / sizeof(T);
  static_assert(kPerBlock > 0 && alignof(T) <= 4096);

  std::vector<T*> blocks_;
  size_t size_ = 0;
};

}  // namespace trawlix
