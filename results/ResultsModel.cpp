#include "results/ResultsModel.h"

#include <limits>

#include "app/ScreenText.h"
#include "search/SearchResults.h"

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
  return ScreenText(results_->Line(static_cast<size_t>(index.row())));
}
