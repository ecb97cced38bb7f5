#pragma once
// Large blocks of memory mapped straight from the system: nothing is written to them
// before their user does, and they go back to the system as soon as they are given back.
// They lie on ordinary pages. Huge pages are not asked for: on a virtual machine that hands
// free memory back to its host, a huge page is made of exactly such memory, and touching
// it first costs more than small pages taken from memory freed recently, and varies
// widely from run to run.
#include <cstddef>
#include <vector>

namespace trawlix {

// `bytes` rounded up to a whole number of `unit`s.
inline size_t RoundUp(size_t bytes, size_t unit) {
  return (bytes + unit - 1) / unit * unit;
}

// Maps at least `bytes` (rounded up, the result stored back), or returns nullptr: also
// where the block would take the process's blocks past the budget below.
void* MapMemory(size_t& bytes);
void UnmapMemory(void* block, size_t bytes);
// Has the system give a mapped block (page-aligned, in whole pages) all its pages at once.
// A block written page by page takes one fault per page, and on a virtual machine a fault
// costs several times the clearing of its page; a block about to be filled is cheaper
// prefaulted in one call. Where the system cannot, the pages come one fault at a time.
void PrefaultMemory(void* block, size_t bytes);

// The bytes that the blocks mapped here may take together, so that no input (a pseudo
// file that never ends, millions of matches) makes the process grow past what the
// machine can give without swapping: a block beyond it is refused, which its user
// reports as running out of memory. Unlimited until set.
void SetMemoryBudget(size_t bytes);
size_t MemoryBudget();
size_t MemoryInUse();  // the bytes of the blocks mapped now

// Bytes for many small blocks that are all given back at once: they are handed out in
// order from large mapped chunks, unaligned, and the last block can grow in place. Once
// the arena has handed out a first step of bytes, it prefaults its pages a step ahead of
// use: a small search touches only what it uses, a dense one takes its pages in batches.
class TMemoryArena {
 public:
  TMemoryArena() = default;
  ~TMemoryArena();
  TMemoryArena(const TMemoryArena&) = delete;
  TMemoryArena& operator=(const TMemoryArena&) = delete;

  // Throws std::bad_alloc.
  char* Allocate(size_t bytes);
  // Grows the block that ends at `blockEnd` by `more` bytes if it is the last one handed
  // out and its chunk has room; returns whether it did.
  bool Extend(const char* blockEnd, size_t more);
  // Gives back every block.
  void Clear();

  static constexpr size_t kPrefaultStep = size_t{2} << 20;

 private:
  struct Chunk {
    void* base;
    size_t size;
  };
  std::vector<Chunk> chunks_;
  char* next_ = nullptr;
  char* end_ = nullptr;
  char* prefaulted_ = nullptr;  // the current chunk is prefaulted, or left alone, up to here

  void AddChunk(size_t atLeast);
  void PrefaultAhead();
};

}  // namespace trawlix
