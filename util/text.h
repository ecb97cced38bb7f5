#pragma once
// Text helpers: blank stripping, ASCII case, and the ParseX splitter.
#include <string>
#include <string_view>

#include "util/StringList.h"

namespace trawlix {

// Remove spaces (byte 32 only) from the start, the end, or both ends.
std::string StripLeadingSpaces(std::string_view s);
std::string StripTrailingSpaces(std::string_view s);
std::string StripSpaces(std::string_view s);

// Remove every byte of code 32 or less from both ends.
std::string_view Trim(std::string_view s);

// ASCII upper-casing: only a-z change; every other byte stays.
inline char UpCase(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
std::string UpperCase(std::string_view s);
// Equal after ASCII upper-casing of both sides.
bool SameText(std::string_view a, std::string_view b);

// Splits Text at Delimiter into List (emptied first), with optional double-quoted,
// single-quoted and brace sections. Returns the number of entries in List.
// Throws Exception("Stack overflow in function Text.ParseX.") if the section stack
// ever reaches 255 (it cannot, since sections do not nest).
int ParseX(std::string_view text, std::string_view delimiter, bool doubleQuotes, bool singleQuotes,
           bool braces, TStringList& list);

}  // namespace trawlix
