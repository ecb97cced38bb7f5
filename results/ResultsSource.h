#pragma once
// What the results commands need from the results window: the shown result model and
// the match record of the selected line.

namespace trawlix {

class TGrepItem;
class TSearchResults;

class TResultsSource {
 public:
  virtual ~TResultsSource() = default;
  // The result model shown (never null while the window is shown).
  virtual const TSearchResults& Results() const = 0;
  // The record of the selected results line, or nullptr.
  virtual const TGrepItem* SelectedGrepItem() const = 0;
};

}  // namespace trawlix
