#include "util/StringBuilderUnit.h"

#include <algorithm>

#include "util/text.h"

namespace trawlix {

void TStringBuilder::Append(std::string_view s) {
  Pieces.emplace_back(s);
}

void TStringBuilder::Clear() {
  Pieces.clear();
}

std::string TStringBuilder::Build() const {
  size_t length = 0;
  for (const std::string& piece : Pieces) length += piece.size();
  std::string result(length, ' ');
  auto out = result.begin();
  for (const std::string& piece : Pieces) out = std::copy(piece.begin(), piece.end(), out);
  return result;
}

bool UnitTest() {
  TStringBuilder builder;
  builder.Clear();
  std::string expected;
  for (int n = 0; n <= 55; ++n) {
    const std::string digits = std::to_string(n);
    expected += digits;
    builder.Append(digits);
  }
  return SameText(builder.Build(), expected);
}

}  // namespace trawlix
