#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "search/MappedMemory.h"

namespace {

// Blocks of every size class, small ones and ones larger than a chunk, stay apart and
// aligned, and keep what is written to them until the arena is emptied.
TEST(MemoryArena, BlocksStayApartUntilCleared) {
  TMemoryArena arena;
  for (int round = 0; round < 2; ++round) {
    std::vector<std::pair<unsigned char*, size_t>> blocks;
    for (size_t size : {size_t{1}, size_t{0}, size_t{24}, size_t{5} << 20, size_t{40} << 20,
                        size_t{100}, size_t{33} << 20, size_t{7}}) {
      auto* block = static_cast<unsigned char*>(arena.Allocate(size));
      EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t), 0u);
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

// Arrays below and above the size at which they are mapped keep their elements as the
// vector grows through both.
TEST(MappedAllocator, VectorGrowsThroughBothKinds) {
  std::vector<uint64_t, TMappedAllocator<uint64_t>> values;
  for (uint64_t i = 0; i < 600000; ++i) values.push_back(i * 3);
  for (uint64_t i = 0; i < values.size(); i += 997) ASSERT_EQ(values[i], i * 3);
  values.resize(10);
  values.shrink_to_fit();
  EXPECT_EQ(values.back(), 27u);
}

}  // namespace
