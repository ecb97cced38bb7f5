#pragma once
// The search of one loaded file, written once for the run's own thread, which asks its
// host for the inputs at every step, and for the workers that search files ahead of the
// run with the inputs it had when they started.
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "search/FileLines.h"
#include "search/GrepItemUnit.h"
#include "util/errors.h"

namespace trawlix {

// What decides the lines a file's search finds.
struct TSearchTerms {
  std::string text;
  bool caseSensitive = false;
  bool wholeWord = false;
  bool operator==(const TSearchTerms&) const = default;
};

// A mapped file's bytes are the file's own: a record made of them that does not hold its
// match was read from a file that changed since the match was found. A file cut short
// has its text end at the cut, which lies before the match: the file's search ends. A
// page that could not be read, or any other change, fails the file.
inline void EndChangedFile(TFileLines& lines) {
  lines.CheckIntact();
  if (!lines.CutShort()) throw EReadError("The file changed while it was read");
}

// Finds the file's matching lines in order, from the line after line `from` on, and hands
// each to the sink as a record. Inputs: SearchText(), CaseSensitive() (asked before every
// step), WholeWord() (after every found line; the rest of the file is not examined once a
// found line fails the whole-word test) and Cancelled() (before every step). Sink:
// NewItem(n, line, sample) makes line n's record, Append(record) keeps it and says whether
// to go on. Returns whether the search went on to the end, with no line left to find.
// Throws what loading and keeping throw. A mapped file is still to be checked as intact.
template <typename Inputs, typename Sink>
bool SearchFileLines(TFileLines& lines, Inputs& inputs, Sink& sink, TSampleView& sample,
                     int64_t from = -1) {
  int64_t n = from;
  while (!inputs.Cancelled()) {
    {
      auto&& text = inputs.SearchText();
      const bool caseSensitive = inputs.CaseSensitive();
      n = FindNextMatch(text, lines, caseSensitive, n);
    }
    if (n == -1) return true;
    const std::string_view line = lines.Line(n);
    if (inputs.WholeWord()) {
      auto&& text = inputs.SearchText();
      const bool caseSensitive = inputs.CaseSensitive();
      if (!IsWholeWord(text, line, caseSensitive)) return false;
    }
    BuildSampleView(lines, Max(0, n - 5), 11, n, sample);
    TGrepItem item = sink.NewItem(n, line, sample);
    if (lines.Mapped() && !item.Holds(lines.LastPattern())) {
      EndChangedFile(lines);
      return false;
    }
    if (!sink.Append(std::move(item))) return false;
  }
  return false;
}

// The inputs of a search that workers make: fixed terms, stopped by either flag.
struct TFixedInputs {
  const TSearchTerms& terms;
  const std::atomic<bool>& stop;
  const std::atomic<bool>& alsoStop;

  const std::string& SearchText() const { return terms.text; }
  bool CaseSensitive() const { return terms.caseSensitive; }
  bool WholeWord() const { return terms.wholeWord; }
  bool Cancelled() const {
    return stop.load(std::memory_order_relaxed) || alsoStop.load(std::memory_order_relaxed);
  }
};

}  // namespace trawlix
