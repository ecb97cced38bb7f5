#pragma once
// The line rules written out plainly, for comparing the loader and the matching with.
#include <algorithm>
#include <string>
#include <string_view>

#include "util/StringList.h"

namespace trawlix {

// Cut at the first NUL; CR, LF and CR LF end a line; no empty line after a final end.
inline TStringList ReferenceLines(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\0'));
  TStringList lines;
  std::string current;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') {
      current += c;
      continue;
    }
    lines.push_back(current);
    current.clear();
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

inline std::string ReferenceUpper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return s;
}

// The first line after start whose (upper-cased) text contains the (upper-cased) search text.
inline long ReferenceFindNextMatch(const std::string& text, const TStringList& lines,
                                   bool caseSensitive, long start) {
  const std::string pattern = caseSensitive ? text : ReferenceUpper(text);
  if (pattern.empty()) return -1;
  for (long i = start + 1; i < static_cast<long>(lines.size()); ++i) {
    const std::string line = caseSensitive ? lines[i] : ReferenceUpper(lines[i]);
    if (line.find(pattern) != std::string::npos) return i;
  }
  return -1;
}

// The sample of count lines from start, the match marked.
inline TStringList ReferenceSample(const TStringList& lines, long start, long count, long match) {
  TStringList sample;
  const long last = std::min(start + count - 1, static_cast<long>(lines.size()) - 1);
  for (long i = start; i <= last; ++i) sample.push_back((i == match ? "--> " : "    ") + lines[i]);
  return sample;
}

// Whether " text " occurs in " line ".
inline bool ReferenceWholeWord(const std::string& text, const std::string& line,
                               bool caseSensitive) {
  std::string padded = " " + line + " ";
  std::string pattern = " " + text + " ";
  if (!caseSensitive) {
    padded = ReferenceUpper(padded);
    pattern = ReferenceUpper(pattern);
  }
  return padded.find(pattern) != std::string::npos;
}

}  // namespace trawlix
