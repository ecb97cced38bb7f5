#pragma once
// Draws a list line as a 16-pixel picture at the line's indentation (the model's
// PictureIndentRole, 2 pixels when it gives none) and the text 4 pixels right of it.
// The directory list and the drive box draw their lines this way.
#include <QStyledItemDelegate>

namespace trawlix {

inline constexpr int PictureIndentRole = Qt::UserRole + 1;

class TPictureLineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  // A line is never lower than its picture with one pixel to spare, nor than the font.
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace trawlix
