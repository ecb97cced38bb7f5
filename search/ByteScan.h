#pragma once
// Vectorised scans over a loaded file's bytes: line ends and the search text.
// Ranges are [from, to) of text; results are offsets into text.
#include <cstddef>
#include <string>
#include <string_view>

namespace trawlix {

inline constexpr size_t kNotFound = static_cast<size_t>(-1);

// The first CR, LF or NUL in the range, or `to`: where a line ends, or the text.
size_t FindLineEnd(const char* text, size_t from, size_t to);
// Where the line after the line end at `end` begins: a CR LF pair is one end. `length`
// when the text ends there first.
inline size_t SkipLineEnd(const char* text, size_t end, size_t length) {
  if (end >= length) return length;
  return end + (text[end] == '\r' && end + 1 < length && text[end + 1] == '\n' ? 2 : 1);
}
// The last CR or LF in the range, or kNotFound.
size_t FindLastLineEnd(const char* text, size_t from, size_t to);

struct LineEnds {
  size_t count = 0;             // CR, LF and CR LF each count once
  size_t lastByte = kNotFound;  // offset of the last CR or LF byte in the range
};
// The line ends in the range. A CR LF pair counts once when both bytes lie in the range;
// a CR at to - 1 counts as a line end of its own. It may read any byte of text[0, to).
LineEnds CountLineEnds(const char* text, size_t from, size_t to);

// A sample's shape in one pass: its line ends, as CountLineEnds counts them, in all and in
// [0, at), and whether it holds a NUL.
struct TTextShape {
  size_t ends = 0;
  size_t endsBefore = 0;
  bool nul = false;
};
TTextShape ShapeOf(const char* text, size_t length, size_t at);

// A search text made ready for the scans once, since a search scans for it again after
// every hit: the scans test its two rarest bytes before comparing it whole.
struct TPattern {
  // text: not empty, holding no NUL; with ignoreCase upper-cased already, and text bytes
  // a-z then count as A-Z.
  TPattern(std::string_view text, bool ignoreCase);

  // A byte as the scans compare it: letters are folded by setting bit 0x20, which maps
  // exactly A-Z and a-z onto a-z, so a probe's hits are exact for its byte.
  struct Probe {
    size_t at;  // its position in the text
    unsigned char orMask;
    unsigned char value;
  };
  std::string text;
  bool ignoreCase;
  Probe first;   // the rarest byte
  Probe second;  // the rarest of those that differ from it (the last byte if none does)
};

// The first offset in the range at which the pattern begins or a NUL byte lies, or
// kNotFound: one pass finds a file's hits and the NUL that may end its text before them.
// The byte at the offset tells which was found.
size_t FindPatternOrNul(const char* text, size_t from, size_t to, const TPattern& pattern);

// The instructions the scans use: the widest the processor offers, chosen at start.
// Every level gives the same results; tests run each one the processor has.
enum class TScanLevel { Scalar, Sse2, Avx2 };
TScanLevel BestScanLevel();
TScanLevel ScanLevel();
void SetScanLevel(TScanLevel level);  // at most BestScanLevel()

}  // namespace trawlix
