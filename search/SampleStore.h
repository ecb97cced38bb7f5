#pragma once
// The bytes of the context samples of a run's records. A sample is kept as the file's own
// bytes from its first line's start to its last line's end, and neighbouring matches of a
// file share the bytes their samples have in common: dense matches then cost the file's
// text about once, not eleven lines per match.
#include <cstddef>

#include "search/MappedMemory.h"

namespace trawlix {

class TSampleStore {
 public:
  // The samples kept from now on are of a newly loaded file: none shares the bytes of an
  // earlier one, whose text may have lain at the same addresses.
  void StartFile();
  // Keeps the bytes [from, to) of the current file's text and returns their copy, which
  // lives until Clear. A range that begins within the one kept last (samples advance
  // through a file) shares its bytes and adds only those after them. Throws
  // std::bad_alloc.
  const char* Keep(const char* from, const char* to);
  void Clear();
  // The bytes kept since the store was made or cleared.
  size_t Kept() const { return kept_; }

 private:
  TMemoryArena memory_;
  // The range of the file's text that was kept last, and its copy.
  const char* keptFrom_ = nullptr;
  const char* keptTo_ = nullptr;
  char* copy_ = nullptr;
  size_t kept_ = 0;
};

}  // namespace trawlix
