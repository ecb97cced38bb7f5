#include "results/ResultsModel.h"

#include <algorithm>
#include <limits>

#include "search/SearchResults.h"
#include "widgets/ScreenText.h"

namespace trawlix {

void TResultsModel::SetResults(const TSearchResults* results) {
  beginResetModel();
  results_ = results;
  // A view counts rows in an int; lines beyond that cannot be shown.
  rows_ = results ? static_cast<int>(
                        std::min<size_t>(results->LineCount(), std::numeric_limits<int>::max()))
                  : 0;
  endResetModel();
}

int TResultsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

// The list asks for the index of every row when it lays itself out; the base class's
// check of each asks rowCount and columnCount, which took a third of the time a list of
// two million lines took to open.
QModelIndex TResultsModel::index(int row, int column, const QModelIndex& parent) const {
  return row >= 0 && row < rows_ && column == 0 && !parent.isValid() ? createIndex(row, 0)
                                                                     : QModelIndex();
}

QVariant TResultsModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_) return {};
  // ScreenTextStart looks at three bytes past the cut.
  std::string start;
  results_->AppendLineTo(static_cast<size_t>(index.row()), start, kShownRowBytes + 3);
  QString text = ScreenTextStart(start, kShownRowBytes);
  KeepOneLine(text);
  return text;
}

}  // namespace trawlix
