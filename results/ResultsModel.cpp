#include "results/ResultsModel.h"

#include <limits>

#include "search/SearchResults.h"
#include "widgets/ScreenText.h"

namespace trawlix {

namespace {
// Several screen widths of the narrowest characters.
constexpr size_t kShownRowBytes = 4096;
}  // namespace

void TResultsModel::SetResults(const TSearchResults* results) {
  beginResetModel();
  results_ = results;
  endResetModel();
}

// A view counts rows in an int; lines beyond that cannot be shown.
int TResultsModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !results_) return 0;
  return static_cast<int>(std::min<size_t>(results_->LineCount(), std::numeric_limits<int>::max()));
}

QVariant TResultsModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  // A row is clipped at the list's right edge: only a line's start can ever show, and a
  // minified file's line of megabytes is neither copied nor decoded nor laid out whole.
  std::string start;
  results_->AppendLineTo(static_cast<size_t>(index.row()), start, kShownRowBytes + 3);
  // A line separator would lay the row out two lines high, and with uniform row sizes
  // every row with it: it shows as the newline symbol instead.
  return ScreenTextStart(start, kShownRowBytes).replace(QChar::LineSeparator, QChar(0x2424));
}

}  // namespace trawlix
