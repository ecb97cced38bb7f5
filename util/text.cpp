#include "util/text.h"

#include <algorithm>
#include <vector>

#include "util/errors.h"

namespace trawlix {

std::string StripLeadingSpaces(std::string_view s) {
  const size_t first = s.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string() : std::string(s.substr(first));
}

std::string StripTrailingSpaces(std::string_view s) {
  const size_t last = s.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string() : std::string(s.substr(0, last + 1));
}

std::string StripSpaces(std::string_view s) {
  return StripLeadingSpaces(StripTrailingSpaces(s));
}

std::string_view Trim(std::string_view s) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string UpperCase(std::string_view s) {
  std::string result(s);
  for (char& c : result) c = UpCase(c);
  return result;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpCase(a[i]) != UpCase(b[i])) return false;
  }
  return true;
}

namespace {
enum class Section { Normal, DoubleQuoted, SingleQuoted, Brace };
constexpr size_t kMaxSectionDepth = 255;
}  // namespace

int ParseX(std::string_view text, std::string_view delimiter, bool doubleQuotes, bool singleQuotes,
           bool braces, TStringList& list) {
  list.clear();
  Section state = Section::Normal;
  std::vector<Section> stack;
  std::string token;
  size_t matched = 0;  // delimiter characters matched so far
  const size_t d = delimiter.size();

  auto open = [&](Section section) {
    stack.push_back(state);
    state = section;
  };
  auto close = [&] {
    state = stack.back();
    stack.pop_back();
  };

  for (const char c : text) {
    if (stack.size() == kMaxSectionDepth) {
      throw Exception("Stack overflow in function Text.ParseX.");
    }
    switch (state) {
      case Section::Normal:
        // A mismatch resets the count without testing c against the first character again.
        matched = (matched < d && c == delimiter[matched]) ? matched + 1 : 0;
        if (d > 0 && matched == d) {
          token += c;
          // The token may be shorter than the delimiter when a section swallowed part of it.
          token.erase(token.size() - std::min(d, token.size()));
          list.push_back(std::move(token));
          token.clear();
          matched = 0;
        } else if (c == '"' && doubleQuotes) {
          open(Section::DoubleQuoted);
        } else if (c == '\'' && singleQuotes) {
          open(Section::SingleQuoted);
        } else if (c == '{' && braces) {
          open(Section::Brace);
        } else {
          token += c;
        }
        break;
      case Section::DoubleQuoted:
      case Section::SingleQuoted:
        if (c == (state == Section::DoubleQuoted ? '"' : '\'')) {
          close();
        } else {
          token += c;
        }
        break;
      case Section::Brace:
        if (c == '}') close();
        break;
    }
  }
  if (!token.empty()) list.push_back(std::move(token));
  return static_cast<int>(list.size());
}

}  // namespace trawlix
