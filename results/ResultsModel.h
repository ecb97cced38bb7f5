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

  // A row is clipped at the list's right edge: it shows at most this many bytes of its
  // line, several screen widths of the narrowest characters, so a minified file's line of
  // megabytes is neither copied nor decoded nor laid out whole.
  static constexpr size_t kShownRowBytes = 4096;
  // Keeps a row's text on one line: a line separator would lay the row out two lines
  // high, and with uniform row sizes every row with it; it shows as the newline symbol.
  static void KeepOneLine(QString& text) { text.replace(QChar::LineSeparator, QChar(0x2424)); }

  int rowCount(const QModelIndex& parent = {}) const override;
  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const TSearchResults* results_ = nullptr;
  int rows_ = 0;  // the lines shown, counted once: the results do not change meanwhile
};

}  // namespace trawlix
