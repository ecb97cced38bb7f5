#pragma once
// Load buffers kept for the next loads: a buffer that has held a file is handed to the
// next load rather than freed and allocated again. A few, none of them large, so that
// what is kept stays small.
#include <cstddef>
#include <memory>
#include <vector>

#include "search/FileBytes.h"

namespace trawlix {

class TSpareBuffers {
 public:
  TSpareBuffers(size_t most, size_t largest) : most_(most), largest_(largest) {}

  std::unique_ptr<TFileBytes> Take() {
    if (spare_.empty()) return std::make_unique<TFileBytes>();
    std::unique_ptr<TFileBytes> bytes = std::move(spare_.back());
    spare_.pop_back();
    return bytes;
  }
  void Give(std::unique_ptr<TFileBytes> bytes) {
    if (!bytes || spare_.size() >= most_ || bytes->BufferSize() > largest_) return;
    bytes->Clear();
    spare_.push_back(std::move(bytes));
  }

 private:
  const size_t most_;
  const size_t largest_;
  std::vector<std::unique_ptr<TFileBytes>> spare_;
};

}  // namespace trawlix
