#pragma once
// The results lines as a list model: each line is built and decoded only when the view
// asks for it, so a million lines open at once.
#include <QAbstractListModel>

namespace trawlix {

class TSearchResults;

class TResultsModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  // Shows the given results (nullptr: none). The results must not change while shown.
  void SetResults(const TSearchResults* results);
  const TSearchResults* Results() const { return results_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const TSearchResults* results_ = nullptr;
  int rows_ = 0;  // the lines shown, counted once: the results do not change meanwhile
};

}  // namespace trawlix
