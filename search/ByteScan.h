#pragma once
// Vectorised scans over a loaded file's bytes: line ends and the search text.
// Ranges are [from, to) of text; results are offsets into text.
#include <cstddef>
#include <string_view>

inline constexpr size_t kNotFound = static_cast<size_t>(-1);

// The first CR or LF in the range, or `to`.
size_t FindLineEnd(const char* text, size_t from, size_t to);

struct LineEnds {
  size_t count = 0;             // CR, LF and CR LF each count once
  size_t lastByte = kNotFound;  // offset of the last CR or LF byte in the range
};
// The line ends in the range. A CR LF pair counts once when both bytes lie in the range;
// a CR at to - 1 counts as a line end of its own.
LineEnds CountLineEnds(const char* text, size_t from, size_t to);

// The first offset in the range at which either pattern (not empty, holding no NUL)
// begins or a NUL byte lies, or kNotFound: one pass finds a file's hits and the NUL that
// may end its text before them. The byte at the offset tells which was found. With
// ignoreCase, pattern must be upper-cased already and text bytes a-z count as A-Z.
size_t FindPatternOrNul(const char* text, size_t from, size_t to, std::string_view pattern,
                        bool ignoreCase);

// The instructions the scans use: the widest the processor offers, chosen at start.
// Every level gives the same results; tests run each one the processor has.
enum class TScanLevel { Scalar, Sse2, Avx2 };
TScanLevel BestScanLevel();
TScanLevel ScanLevel();
void SetScanLevel(TScanLevel level);  // at most BestScanLevel()
