#pragma once
// Collects text pieces and joins them in one allocation.
#include <string>
#include <string_view>

#include "util/StringList.h"

namespace trawlix {

class TStringBuilder {
 public:
  void Append(std::string_view s);
  void Clear();
  std::string Build() const;

 private:
  TStringList Pieces;
};

// The builder's self-test, run at every start before any window exists.
bool UnitTest();

}  // namespace trawlix
