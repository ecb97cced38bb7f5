// TMaskComparer against a slow reference that follows the matching rules word for word:
// 1-based positions, the mask split into segments at "*", each segment found left-most
// from the running start (no backtracking), the last one pinned to the end unless a star
// follows it, and the table of empty parts at the end. The reference is checked against
// the rules' own examples before any input is tried.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "util/MaskComparerUnit.h"

using namespace trawlix;

namespace {

using Pieces = std::vector<std::string>;

char Up(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Characters from..to (1-based, inclusive); empty when to < from.
std::string Copy(const std::string& s, long from, long to) {
  if (to < from) return "";
  return s.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from + 1));
}

Pieces Split(const std::string& text, const std::string& delimiter) {
  Pieces pieces;
  const long length = static_cast<long>(text.size());
  const long d = static_cast<long>(delimiter.size());
  long start = 1;
  for (long p = 1; p <= length; ++p) {
    if (d > 0 && p + d - 1 <= length && Copy(text, p, p + d - 1) == delimiter) {
      pieces.push_back(Copy(text, start, p - 1));
      start = p + d;
    }
  }
  pieces.push_back(Copy(text, start, length));
  return pieces;
}

struct Parts {
  std::string base, extension;
};

Parts SplitExtension(const std::string& name) {
  const Pieces pieces = Split(name, ".");
  if (pieces.size() < 2) return {name, ""};
  const std::string& extension = pieces.back();
  return {name.substr(0, name.size() - extension.size() - 1), extension};
}

bool SegmentMatchesAt(const std::string& name, const std::string& segment, long position) {
  for (long k = 0; k < static_cast<long>(segment.size()); ++k) {
    const char c = segment[static_cast<size_t>(k)];
    if (c == '?') continue;
    const long p = position + k;
    const bool hasCharacter = p >= 1 && p <= static_cast<long>(name.size());
    if (!hasCharacter || Up(c) != Up(name[static_cast<size_t>(p - 1)])) return false;
  }
  return true;
}

long FindSegment(const std::string& name, const std::string& segment, long start) {
  if (segment.empty()) return 1;
  for (long p = start; p <= static_cast<long>(name.size()); ++p) {
    if (SegmentMatchesAt(name, segment, p)) return p;
  }
  return -1;
}

bool MatchPart(const std::string& name, const std::string& mask) {
  const Pieces segments = Split(mask, "*");
  const bool beginsWithStar = segments.front().empty();
  const bool endsWithStar = segments.back().empty();
  long start = 1;
  for (size_t i = 0; i < segments.size(); ++i) {
    const std::string& segment = segments[i];
    const long length = static_cast<long>(segment.size());
    long position;
    if (i + 1 == segments.size() && !endsWithStar) {
      position = static_cast<long>(name.size()) - length + 1;
      if (position < start || !SegmentMatchesAt(name, segment, position)) return false;
    } else {
      position = FindSegment(name, segment, start);
      if (position == -1) return false;
    }
    if (i == 0 && !beginsWithStar && position != 1) return false;
    start = position + length;
  }
  return true;
}

bool Matches(const std::string& fileName, const std::string& mask) {
  const Parts name = SplitExtension(fileName);
  const Parts pattern = SplitExtension(mask);
  if (!MatchPart(name.base, pattern.base) || !MatchPart(name.extension, pattern.extension)) {
    return false;
  }
  const bool mb = !pattern.base.empty(), me = !pattern.extension.empty();
  const bool nb = !name.base.empty(), ne = !name.extension.empty();
  return (mb && !me && nb && !ne) || (mb && me && nb) || (me && !nb && ne);
}

struct Example {
  const char* mask;
  const char* name;
  bool matches;
};

constexpr Example kExamples[] = {
    {"*.*", "readme.txt", true},    {"*.*", "readme", true},           {"*.*", ".profile", true},
    {"*.txt", "NOTES.TXT", true},   {"*.txt", "notes.txt.bak", false}, {"*.txt", "readme", false},
    {"*", "readme", true},          {"*", "readme.txt", false},        {"a*", "abc.txt", false},
    {"*.t?t", "a.txt", true},       {"*.??", "a.txt", false},          {"*.c", "x.cpp", false},
    {"*.c*", "x.cpp", true},        {"*e.txt", "readme.txt", true},    {"*.gz", "a.tar.gz", true},
    {"*.tar.gz", "a.tar.gz", true}, {"a*a.txt", "a.txt", false},       {"a**a.txt", "a.txt", true},
    {"ab?.txt", "ab.txt", false},   {"ab?*.txt", "ab.txt", true},      {"", "readme", false},
    {" *.txt", "a.txt", false},
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (const Example& e : kExamples) {
    Require(Matches(e.name, e.mask) == e.matches,
            std::string("reference: ") + e.mask + " " + e.name);
  }
  Require(Split("", "*") == Pieces{""} && Split("a**", "*") == Pieces{"a", "", ""},
          "reference split");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string mask = input.ConsumeRandomLengthString(64);
  const std::string name = input.ConsumeRandomLengthString(64);
  const std::string delimiter = input.ConsumeRandomLengthString(4);

  const TMaskComparer comparer;
  Require(comparer.Matches(name, mask) == Matches(name, mask),
          "Matches(" + name + ", " + mask + ")");
  TStringList pieces;
  for (const std::string& d : {std::string("*"), std::string("."), delimiter}) {
    if (d.empty()) continue;
    comparer.Split(mask, d, pieces);
    Require(pieces == Split(mask, d), "Split(" + mask + ", " + d + ")");
  }
  return 0;
}
