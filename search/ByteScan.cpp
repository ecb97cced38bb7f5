#include "search/ByteScan.h"

#include <cstdint>
#include <cstring>

#include "util/text.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace trawlix {

namespace {

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// How common each byte is in source code and prose (a log scale, 0 for never): the
// scans test the pattern's two rarest bytes first, which lets fewest false hits through.
constexpr unsigned char kByteFrequency[256] = {
    0,   0,   0,   0,   0,   0,   0,   0,   0,   144, 155, 0,   1,   100, 0,   0,    //
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    //
    196, 36,  77,  44,  10,  19,  65,  48,  110, 110, 103, 53,  115, 139, 114, 93,   //
    108, 92,  90,  68,  69,  59,  63,  40,  66,  42,  96,  107, 59,  133, 94,  10,   //
    16,  99,  65,  97,  87,  103, 76,  65,  60,  100, 10,  49,  91,  85,  93,  90,   //
    95,  22,  91,  98,  106, 75,  65,  47,  49,  45,  10,  51,  24,  51,  33,  145,  //
    87,  160, 120, 151, 146, 177, 133, 121, 138, 161, 31,  111, 148, 131, 159, 159,  //
    138, 70,  161, 162, 170, 140, 115, 105, 95,  111, 56,  67,  63,  67,  53,  0,    //
    30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,   //
    30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,   //
    30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,   //
    30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,   //
    30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,   //
    30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,   //
    30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,   //
    30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,  30,   //
};

unsigned Frequency(char c, bool ignoreCase) {
  const auto b = static_cast<unsigned char>(c);
  const unsigned own = kByteFrequency[b];
  if (!ignoreCase || b < 'A' || b > 'Z') return own;
  const unsigned lower = kByteFrequency[b | 0x20];
  return own > lower ? own : lower;
}

TPattern::Probe Fold(std::string_view pattern, size_t at, bool ignoreCase) {
  const auto b = static_cast<unsigned char>(pattern[at]);
  if (ignoreCase && b >= 'A' && b <= 'Z') return {at, 0x20, static_cast<unsigned char>(b | 0x20)};
  return {at, 0, b};
}

bool EqualAt(const char* text, const TPattern& pattern) {
  const std::string_view bytes = pattern.text;
  if (!pattern.ignoreCase) return std::memcmp(text, bytes.data(), bytes.size()) == 0;
  for (size_t k = 0; k < bytes.size(); ++k) {
    if (UpCase(text[k]) != bytes[k]) return false;
  }
  return true;
}

bool Passes(const char* text, const TPattern::Probe& b) {
  return (static_cast<unsigned char>(text[b.at]) | b.orMask) == b.value;
}

size_t ScalarFindLineEnd(const char* text, size_t from, size_t to) {
  for (size_t p = from; p < to; ++p) {
    if (IsLineEnd(text[p]) || text[p] == '\0') return p;
  }
  return to;
}

size_t ScalarFindLastLineEnd(const char* text, size_t from, size_t to) {
  for (size_t p = to; p > from; --p) {
    if (IsLineEnd(text[p - 1])) return p - 1;
  }
  return kNotFound;
}

// Counts the line ends in [tailFrom, to) onto `count` (those in [from, tailFrom) already),
// and finds the last line-end byte in [from, to).
LineEnds CountLineEndsTail(const char* text, size_t from, size_t tailFrom, size_t to,
                           size_t count) {
  LineEnds ends;
  ends.count = count;
  for (size_t p = tailFrom; p < to; ++p) {
    const char c = text[p];
    // The LF of a pair counts; its CR does not.
    if (c == '\n' || (c == '\r' && (p + 1 >= to || text[p + 1] != '\n'))) ++ends.count;
  }
  if (ends.count > 0) ends.lastByte = FindLastLineEnd(text, from, to);
  return ends;
}

LineEnds ScalarCountLineEnds(const char* text, size_t from, size_t to) {
  return CountLineEndsTail(text, from, from, to, 0);
}

// Adds the line ends and NULs of [from, length) to `shape`, those before `at` apart; the
// LF of a pair counts, its CR does not (the one CR that the range [0, at) counts alone,
// before an LF at `at`, is added by ShapeOf).
TTextShape ShapeTail(const char* text, size_t from, size_t length, size_t at, TTextShape shape) {
  for (size_t p = from; p < length; ++p) {
    const char c = text[p];
    if (c == '\0') shape.nul = true;
    const bool end = c == '\n' || (c == '\r' && (p + 1 >= length || text[p + 1] != '\n'));
    shape.ends += end;
    if (p < at) shape.endsBefore += end;
  }
  return shape;
}

TTextShape ScalarShapeOf(const char* text, size_t length, size_t at) {
  return ShapeTail(text, 0, length, at, {});
}

size_t ScalarFindPatternOrNul(const char* text, size_t from, size_t to, const TPattern& pattern) {
  const size_t m = pattern.text.size();
  for (size_t p = from; p < to; ++p) {
    if (text[p] == '\0') return p;
    if (to - p >= m && Passes(text + p, pattern.first) && Passes(text + p, pattern.second) &&
        EqualAt(text + p, pattern)) {
      return p;
    }
  }
  return kNotFound;
}

#if defined(__x86_64__)

namespace sse2 {

#define KERNEL

struct Vec {
  using V = __m128i;
  static constexpr size_t kLanes = 16;
  static V Load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
  static V Splat(char c) { return _mm_set1_epi8(c); }
  static V Zero() { return _mm_setzero_si128(); }
  static V Eq(V a, V b) { return _mm_cmpeq_epi8(a, b); }
  static V Or(V a, V b) { return _mm_or_si128(a, b); }
  static V And(V a, V b) { return _mm_and_si128(a, b); }
  static V AndNot(V a, V b) { return _mm_andnot_si128(a, b); }  // b without a
  static V SubBytes(V a, V b) { return _mm_sub_epi8(a, b); }
  static uint32_t Bits(V v) { return static_cast<uint32_t>(_mm_movemask_epi8(v)); }
  static size_t SumBytes(V v) {
    const V sums = _mm_sad_epu8(v, Zero());
    return static_cast<size_t>(_mm_cvtsi128_si64(sums)) +
           static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
  }
};

#include "search/ByteScanKernels.inc"

#undef KERNEL

}  // namespace sse2

namespace avx2 {

#define KERNEL __attribute__((target("avx2,popcnt")))

struct Vec {
  using V = __m256i;
  static constexpr size_t kLanes = 32;
  KERNEL static V Load(const char* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
  KERNEL static V Splat(char c) { return _mm256_set1_epi8(c); }
  KERNEL static V Zero() { return _mm256_setzero_si256(); }
  KERNEL static V Eq(V a, V b) { return _mm256_cmpeq_epi8(a, b); }
  KERNEL static V Or(V a, V b) { return _mm256_or_si256(a, b); }
  KERNEL static V And(V a, V b) { return _mm256_and_si256(a, b); }
  KERNEL static V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }  // b without a
  KERNEL static V SubBytes(V a, V b) { return _mm256_sub_epi8(a, b); }
  KERNEL static uint32_t Bits(V v) { return static_cast<uint32_t>(_mm256_movemask_epi8(v)); }
  KERNEL static size_t SumBytes(V v) {
    const V sums = _mm256_sad_epu8(v, Zero());
    const __m128i half =
        _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
    return static_cast<size_t>(_mm_cvtsi128_si64(half)) +
           static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(half, half)));
  }
};

#include "search/ByteScanKernels.inc"

#undef KERNEL

}  // namespace avx2

TScanLevel DetectScanLevel() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? TScanLevel::Avx2 : TScanLevel::Sse2;
}

#else

TScanLevel DetectScanLevel() {
  return TScanLevel::Scalar;
}

#endif

const TScanLevel kBestScanLevel = DetectScanLevel();
TScanLevel currentScanLevel = kBestScanLevel;

}  // namespace

TScanLevel BestScanLevel() {
  return kBestScanLevel;
}

TScanLevel ScanLevel() {
  return currentScanLevel;
}

void SetScanLevel(TScanLevel level) {
  currentScanLevel = level < kBestScanLevel ? level : kBestScanLevel;
}

// The scan of the current level.
template <typename Scan>
Scan AtLevel(Scan scalar, [[maybe_unused]] Scan sse2, [[maybe_unused]] Scan avx2) {
  switch (currentScanLevel) {
    case TScanLevel::Avx2:
      return avx2;
    case TScanLevel::Sse2:
      return sse2;
    default:
      return scalar;
  }
}
#if defined(__x86_64__)
#define SCAN(name) AtLevel(Scalar##name, sse2::name, avx2::name)
#else
#define SCAN(name) Scalar##name
#endif

TPattern::TPattern(std::string_view text, bool ignoreCase) : text(text), ignoreCase(ignoreCase) {
  size_t rarest = 0;
  for (size_t k = 1; k < text.size(); ++k) {
    if (Frequency(text[k], ignoreCase) < Frequency(text[rarest], ignoreCase)) rarest = k;
  }
  first = Fold(text, rarest, ignoreCase);
  size_t next = text.size() - 1;
  bool found = false;
  for (size_t k = 0; k < text.size(); ++k) {
    if (Fold(text, k, ignoreCase).value == first.value) continue;
    if (!found || Frequency(text[k], ignoreCase) < Frequency(text[next], ignoreCase)) {
      next = k;
      found = true;
    }
  }
  second = Fold(text, next, ignoreCase);
}

size_t FindLineEnd(const char* text, size_t from, size_t to) {
  return SCAN(FindLineEnd)(text, from, to);
}

size_t FindLastLineEnd(const char* text, size_t from, size_t to) {
  return SCAN(FindLastLineEnd)(text, from, to);
}

LineEnds CountLineEnds(const char* text, size_t from, size_t to) {
  return SCAN(CountLineEnds)(text, from, to);
}

TTextShape ShapeOf(const char* text, size_t length, size_t at) {
  TTextShape shape = SCAN(ShapeOf)(text, length, at);
  if (at > 0 && at < length && text[at - 1] == '\r' && text[at] == '\n') ++shape.endsBefore;
  return shape;
}

size_t FindPatternOrNul(const char* text, size_t from, size_t to, const TPattern& pattern) {
  if (to <= from) return kNotFound;
  return SCAN(FindPatternOrNul)(text, from, to, pattern);
}

}  // namespace trawlix
