#pragma once
// The result model of a search run: the results lines, the line index that ties each
// line to its match record (or -1), and the records themselves.
//
// Invariant after every step: LineItemIndex has one entry per line; an entry that is not
// -1 names the record whose line index the line shows, under the header of its file.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "search/ChunkedList.h"
#include "search/GrepItemUnit.h"
#include "search/MappedMemory.h"
#include "search/SampleStore.h"

namespace trawlix {

class Exception;

// The records in the order found.
using TGrepItems = TChunkedList<TGrepItem>;

class TSearchResults {
 public:
  // The results lines, as bytes.
  size_t LineCount() const;
  std::string Line(size_t i) const;
  // Appends line i to `out`: saving or printing a million lines builds no string per line.
  // With `maxBytes`, only the line's first maxBytes bytes (a screen shows no more).
  void AppendLineTo(size_t i, std::string& out, size_t maxBytes = std::string::npos) const;

  const std::vector<int32_t>& LineItemIndex() const;
  const TGrepItems& GrepItems() const;

  // The record of results line i, or nullptr for a separator, header or error line.
  const TGrepItem* ItemOfLine(size_t i) const;

  // Empties the lines (the run's step 3) and the records with the line index (step 4).
  void ClearLines();
  void ClearItems();

  // Appends used by the run.
  void AppendSeparator();
  void AppendHeader(const std::shared_ptr<const std::string>& path);
  void AppendText(std::string text);  // one line of an error report
  // The five lines that say why a file could not be loaded or searched, or a folder
  // listed: the heading ("Unable to load file "), the path in double quotes, "because an
  // exception occurred:", the error's type name, ": " and its message, and an empty line.
  void AppendErrorReport(const char* heading, const std::string& path, const Exception& error);
  // The reports appended since the lines were last emptied.
  size_t ReportCount() const { return reports_; }
  // The records made from now on are of a newly loaded file.
  void StartFile();
  // A record whose sample lives as long as the records of this model (until ClearItems).
  TGrepItem NewItem(int64_t lineIndex, std::string_view line,
                    std::shared_ptr<const std::string> fileName, const TSampleView& sample);
  // Appends the record and its match line "    [n] text".
  void AppendMatch(TGrepItem item);
  // A store for the samples of records made elsewhere (by a worker searching ahead),
  // which lives as long as the records of this model.
  TSampleStore& AddSampleStore();

 private:
  // A results line is a kind and an index: a match line's text is made from its record
  // (LineItemIndex names it), a header's from the shared path, and only error-report
  // lines are stored as text. A million matches thus cost a few bytes of lines each.
  enum class Kind : uint8_t { Separator, Header, Match, Text };
  struct Entry {
    uint32_t index;  // into headers_ or texts_; unused for separators and matches
    Kind kind;
  };
  // Makes room for one more line (and record) first, so that an append either
  // completes in full or changes nothing.
  void ReserveLine();
  void PushLine(Kind kind, size_t index, int32_t item);

  TChunkedList<Entry> lines_;
  std::vector<int32_t> lineItemIndex_;
  TGrepItems items_;
  TSampleStore samples_;  // the samples of the records made by NewItem
  std::vector<std::unique_ptr<TSampleStore>> otherSamples_;
  std::vector<std::shared_ptr<const std::string>> headers_;
  std::vector<std::string> texts_;
  size_t reports_ = 0;
};

}  // namespace trawlix
