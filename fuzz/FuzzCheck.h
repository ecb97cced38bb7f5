#pragma once
// What every fuzz target does when the code under test and its reference disagree:
// say what differed and abort, so that libFuzzer keeps the input.
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace trawlix {

inline void Require(bool holds, std::string_view what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz check failed: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

}  // namespace trawlix
