#pragma once
// The result model of a search run: the results lines, the line index that ties each
// line to its match record (or -1), and the records themselves.
//
// Invariant after every step: LineItemIndex has one entry per line; an entry that is not
// -1 names the record whose line index the line shows, under the header of its file.
#include <cstdint>
#include <string>
#include <vector>

#include "search/GrepItemUnit.h"

class TSearchResults {
 public:
  // The results lines, as bytes.
  size_t LineCount() const;
  std::string Line(size_t i) const;

  const std::vector<int32_t>& LineItemIndex() const;
  const std::vector<TGrepItem>& GrepItems() const;

  // The record of results line i, or nullptr for a separator, header or error line.
  const TGrepItem* ItemOfLine(size_t i) const;

  // Empties the lines (the run's step 3) and the records with the line index (step 4).
  void ClearLines();
  void ClearItems();

  // Appends used by the run.
  void AppendSeparator();
  void AppendHeader(const std::shared_ptr<const std::string>& path);
  void AppendText(std::string text);  // one line of an error report
  // Appends the record and its match line "    [n] text".
  void AppendMatch(TGrepItem item);

 private:
  // Implementation's choice: match and header lines derived from records and paths
  // rather than stored as text.
};
