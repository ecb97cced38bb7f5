#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "search/ChunkedList.h"
#include "search/MappedMemory.h"

using namespace trawlix;

namespace {

// Blocks of every size class, small ones and ones larger than a chunk, stay apart and
// keep what is written to them until the arena is emptied.
TEST(MemoryArena, BlocksStayApartUntilCleared) {
  TMemoryArena arena;
  for (int round = 0; round < 2; ++round) {
    std::vector<std::pair<unsigned char*, size_t>> blocks;
    for (size_t size : {size_t{1}, size_t{0}, size_t{24}, size_t{5} << 20, size_t{40} << 20,
                        size_t{100}, size_t{33} << 20, size_t{7}}) {
      auto* block = reinterpret_cast<unsigned char*>(arena.Allocate(size));
      std::memset(block, static_cast<int>(blocks.size() + 1), size);
      blocks.emplace_back(block, size);
    }
    for (size_t k = 0; k < blocks.size(); ++k) {
      const auto [block, size] = blocks[k];
      if (size == 0) continue;
      for (size_t at : {size_t{0}, size / 2, size - 1})
        EXPECT_EQ(block[at], k + 1) << "block " << k;
    }
    arena.Clear();
  }
}

// Only the last block grows, and only while its chunk has room; a grown block keeps its
// bytes and the next block begins after it.
TEST(MemoryArena, LastBlockGrowsInPlace) {
  TMemoryArena arena;
  char* first = arena.Allocate(10);
  char* second = arena.Allocate(5);
  EXPECT_FALSE(arena.Extend(first + 10, 1));
  std::memset(second, 'a', 5);
  ASSERT_TRUE(arena.Extend(second + 5, 100));
  std::memset(second + 5, 'b', 100);
  char* third = arena.Allocate(3);
  EXPECT_EQ(third, second + 105);
  EXPECT_EQ(std::string(second, 6), "aaaaab");
  EXPECT_FALSE(arena.Extend(third + 3, size_t{64} << 20));  // beyond its chunk
  EXPECT_NE(arena.Allocate(1), nullptr);
}

bool Resident(const char* at) {
  const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  void* start = const_cast<char*>(at - reinterpret_cast<uintptr_t>(at) % page);
  unsigned char resident = 0;
  return mincore(start, 1, &resident) == 0 && (resident & 1) != 0;
}

// A small arena touches only the pages it uses; one that has handed out a step has the
// pages of the next step ready before they are written. The page looked at for the small
// one lies a step away, beyond any huge page that its first write may have filled.
TEST(MemoryArena, PagesArePrefaultedOnlyAheadOfADenseArena) {
  TMemoryArena arena;
  char* small = arena.Allocate(100);
  small[0] = 1;
  EXPECT_FALSE(Resident(small + TMemoryArena::kPrefaultStep));
  char* dense = arena.Allocate(TMemoryArena::kPrefaultStep);
  EXPECT_TRUE(Resident(dense + TMemoryArena::kPrefaultStep + (size_t{1} << 20)));
}

// Counts the live instances, and refuses to be made from a negative number.
struct Counted {
  static inline int live = 0;
  explicit Counted(int v) : value(v) {
    if (v < 0) throw std::runtime_error("refused");
    ++live;
  }
  ~Counted() { --live; }
  Counted(const Counted&) = delete;
  int value;
  char padding[60];
};

// Elements keep their places across blocks while the list grows; a failed add changes
// nothing; clearing destroys every element.
TEST(ChunkedList, ElementsNeverMove) {
  TChunkedList<Counted> list;
  std::vector<const Counted*> places;
  const int count = 100000;  // several blocks of 2 MiB
  for (int i = 0; i < count; ++i) {
    list.emplace_back(i);
    places.push_back(&list[static_cast<size_t>(i)]);
  }
  EXPECT_THROW(list.emplace_back(-1), std::runtime_error);
  ASSERT_EQ(list.size(), static_cast<size_t>(count));
  EXPECT_EQ(Counted::live, count);
  for (int i = 0; i < count; i += 997) {
    EXPECT_EQ(&list[static_cast<size_t>(i)], places[static_cast<size_t>(i)]);
    EXPECT_EQ(list[static_cast<size_t>(i)].value, i);
  }
  list.emplace_back(count);
  EXPECT_EQ(list[static_cast<size_t>(count)].value, count);
  list.clear();
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(Counted::live, 0);
}

}  // namespace
