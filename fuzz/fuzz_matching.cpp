// Any bytes taken as a loaded file, against the line rules written out plainly: the line
// count, every line, the run's walk over the matches in both case modes, the whole-word
// test, the context sample of each match and the record made from it.
#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <string>
#include <vector>

#include "../tests/core/LineReference.h"
#include "FuzzCheck.h"
#include "search/FileLines.h"
#include "search/GrepItemUnit.h"
#include "search/SampleStore.h"

using namespace trawlix;

namespace {

// The run's walk: each match from the one before, its whole-word test and its sample.
void CompareWalk(TFileLines& file, const TStringList& lines, const std::string& text,
                 bool caseSensitive) {
  TSampleStore store;
  const auto path = std::make_shared<const std::string>("f");
  std::vector<TGrepItem> items;
  long expected = -1;
  int64_t found = -1;
  do {
    expected = ReferenceFindNextMatch(text, lines, caseSensitive, expected);
    found = FindNextMatch(text, file, caseSensitive, found);
    Require(found == expected, "FindNextMatch");
    if (found < 0) break;
    Require(IsWholeWord(text, file.Line(found), caseSensitive) ==
                ReferenceWholeWord(text, lines[expected], caseSensitive),
            "IsWholeWord of a found line");
    const int64_t start = Max(0, found - 5);
    Require(BuildSample(file, start, 11, found) == ReferenceSample(lines, start, 11, expected),
            "BuildSample");
    TSampleView view;
    BuildSampleView(file, start, 11, found, view);
    items.emplace_back(found, file.Line(found), path, view, store);
  } while (true);
  // The records of a file share their samples' bytes, so they are checked once all exist.
  for (const TGrepItem& item : items) {
    const long n = static_cast<long>(item.LineIndex());
    Require(item.Sample() == ReferenceSample(lines, Max(0, n - 5), 11, n), "record's sample");
    Require(item.Line() == lines[static_cast<size_t>(n)], "record's line");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string text = input.ConsumeRandomLengthString(32);
  const std::string bytes = input.ConsumeRemainingBytesAsString();
  const TStringList lines = ReferenceLines(bytes);

  TFileLines file;
  file.Assign(bytes);
  Require(file.Count() == static_cast<int64_t>(lines.size()), "Count");
  for (size_t i = lines.size(); i-- > 0;) Require(file.Line(i) == lines[i], "Line, last first");
  for (size_t i = 0; i < lines.size(); ++i) {
    Require(file.Line(i) == lines[i], "Line, first first");
    for (const bool caseSensitive : {false, true}) {
      Require(IsWholeWord(text, lines[i], caseSensitive) ==
                  ReferenceWholeWord(text, lines[i], caseSensitive),
              "IsWholeWord");
    }
  }
  Require(!file.HasLine(static_cast<int64_t>(lines.size())), "HasLine past the end");
  for (const bool caseSensitive : {false, true}) CompareWalk(file, lines, text, caseSensitive);
  return 0;
}
