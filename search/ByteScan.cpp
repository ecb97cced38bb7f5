#include "search/ByteScan.h"

#include <cstring>

#include "util/text.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

#if defined(__SSE2__)
constexpr size_t kLanes = 16;

inline __m128i Load(const char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline unsigned Bits(__m128i v) {
  return static_cast<unsigned>(_mm_movemask_epi8(v));
}
#endif

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

bool EqualIgnoringCase(const char* text, std::string_view upperPattern) {
  for (size_t k = 0; k < upperPattern.size(); ++k) {
    if (UpCase(text[k]) != upperPattern[k]) return false;
  }
  return true;
}

bool EqualAt(const char* text, std::string_view pattern, bool ignoreCase) {
  return ignoreCase ? EqualIgnoringCase(text, pattern)
                    : std::memcmp(text, pattern.data(), pattern.size()) == 0;
}

// A byte of the pattern as the filter compares it: letters are folded by setting bit 0x20,
// which maps exactly A-Z and a-z onto a-z, so the filter's hits are exact for that byte.
struct FoldedByte {
  unsigned char orMask;
  unsigned char value;
};

FoldedByte Fold(char c, bool ignoreCase) {
  const auto b = static_cast<unsigned char>(c);
  if (ignoreCase && b >= 'A' && b <= 'Z') return {0x20, static_cast<unsigned char>(b | 0x20)};
  return {0, b};
}

}  // namespace

size_t FindLineEnd(const char* text, size_t from, size_t to) {
  size_t p = from;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; p + kLanes <= to; p += kLanes) {
    const __m128i v = Load(text + p);
    const unsigned hits = Bits(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
    if (hits != 0) return p + static_cast<size_t>(__builtin_ctz(hits));
  }
#endif
  for (; p < to; ++p) {
    if (IsLineEnd(text[p])) return p;
  }
  return to;
}

LineEnds CountLineEnds(const char* text, size_t from, size_t to) {
  LineEnds ends;
  size_t p = from;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  // Each chunk also reads the byte after it, to see CR LF pairs that cross chunks.
  for (; p + kLanes < to; p += kLanes) {
    const __m128i v = Load(text + p);
    const __m128i isCr = _mm_cmpeq_epi8(v, cr);
    const unsigned lfBits = Bits(_mm_cmpeq_epi8(v, lf));
    const unsigned crBits = Bits(isCr);
    if ((lfBits | crBits) == 0) continue;
    const unsigned pairs = Bits(_mm_and_si128(isCr, _mm_cmpeq_epi8(Load(text + p + 1), lf)));
    ends.count += static_cast<size_t>(__builtin_popcount(lfBits) + __builtin_popcount(crBits) -
                                      __builtin_popcount(pairs));
    ends.lastByte = p + 31 - static_cast<size_t>(__builtin_clz(lfBits | crBits));
  }
#endif
  for (; p < to; ++p) {
    const char c = text[p];
    if (!IsLineEnd(c)) continue;
    ends.lastByte = p;
    // The LF of a pair counts; its CR does not.
    if (c == '\n' || p + 1 >= to || text[p + 1] != '\n') ++ends.count;
  }
  return ends;
}

size_t FindPattern(const char* text, size_t from, size_t to, std::string_view pattern,
                   bool ignoreCase) {
  const size_t m = pattern.size();
  if (m == 0 || to < from || to - from < m) return kNotFound;
  const FoldedByte first = Fold(pattern.front(), ignoreCase);
  const FoldedByte last = Fold(pattern.back(), ignoreCase);
  const size_t lastStart = to - m;  // the last offset where an occurrence can begin
  size_t p = from;
#if defined(__SSE2__)
  // Filter on the first and the last byte of the pattern, sixteen positions at a time,
  // and compare the whole pattern only where both agree.
  const __m128i firstOr = _mm_set1_epi8(static_cast<char>(first.orMask));
  const __m128i firstValue = _mm_set1_epi8(static_cast<char>(first.value));
  const __m128i lastOr = _mm_set1_epi8(static_cast<char>(last.orMask));
  const __m128i lastValue = _mm_set1_epi8(static_cast<char>(last.value));
  for (; p + kLanes - 1 <= lastStart; p += kLanes) {
    const __m128i a = _mm_cmpeq_epi8(_mm_or_si128(Load(text + p), firstOr), firstValue);
    const __m128i b = _mm_cmpeq_epi8(_mm_or_si128(Load(text + p + m - 1), lastOr), lastValue);
    for (unsigned hits = Bits(_mm_and_si128(a, b)); hits != 0; hits &= hits - 1) {
      const size_t at = p + static_cast<size_t>(__builtin_ctz(hits));
      if (EqualAt(text + at, pattern, ignoreCase)) return at;
    }
  }
#endif
  for (; p <= lastStart; ++p) {
    const auto head = static_cast<unsigned char>(text[p]);
    const auto tail = static_cast<unsigned char>(text[p + m - 1]);
    if ((head | first.orMask) == first.value && (tail | last.orMask) == last.value &&
        EqualAt(text + p, pattern, ignoreCase)) {
      return p;
    }
  }
  return kNotFound;
}
