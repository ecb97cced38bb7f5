#pragma once
// Paints the results list's rows: a match line with its hits marked, and shown from a few
// dozen characters before its first hit when that hit lies beyond the row's right edge.
// The marks are found from the bytes being painted, at every paint; other rows are
// painted as the style paints them.
#include <QStyledItemDelegate>
#include <optional>

#include "results/MatchMarks.h"

class QTextLayout;

namespace trawlix {

class TResultsModel;

class TResultsDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  // Both must outlive the delegate; `hits` is read at every paint.
  TResultsDelegate(const TResultsModel& model, const THitFinder& hits, QObject* parent);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  // The text a match row paints in option.rect, with its marks; nothing for any other row
  // (or a match line without a hit), which the style paints as it is.
  std::optional<TMarkedText> ShownRow(const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const;

 private:
  // The shown row laid out on one line of `width` into `layout`; `option` is initialised.
  std::optional<TMarkedText> LayOutRow(const QStyleOptionViewItem& option, const QModelIndex& index,
                                       int width, QTextLayout& layout) const;

  const TResultsModel& model_;
  const THitFinder& hits_;
};

}  // namespace trawlix
