#include "folders/PictureLineDelegate.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>

namespace trawlix {

namespace {

constexpr int kPictureSize = 16;
constexpr int kDefaultIndent = 2;
constexpr int kTextGap = 4;

int IndentOf(const QModelIndex& index) {
  const QVariant indent = index.data(PictureIndentRole);
  return indent.isValid() ? indent.toInt() : kDefaultIndent;
}

}  // namespace

void TPictureLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  QStyleOptionViewItem background(option);
  initStyleOption(&background, index);
  const QIcon icon = background.icon;
  const QString text = background.text;
  // The style draws the background, selection and focus; picture and text go where they belong.
  background.text.clear();
  background.icon = QIcon();
  background.features &= ~QStyleOptionViewItem::HasDecoration;
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

  const QRect& line = option.rect;
  const QRect pictureRect(line.left() + IndentOf(index),
                          line.top() + (line.height() - kPictureSize) / 2, kPictureSize,
                          kPictureSize);
  icon.paint(painter, pictureRect);
  const QRect textRect(pictureRect.right() + 1 + kTextGap, line.top(),
                       line.right() - pictureRect.right() - kTextGap, line.height());
  painter->save();
  painter->setPen(option.palette.color(
      option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  painter->restore();
}

QSize TPictureLineDelegate::sizeHint(const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
  const int textWidth = option.fontMetrics.horizontalAdvance(index.data().toString());
  return {IndentOf(index) + kPictureSize + kTextGap + textWidth,
          std::max(kPictureSize + 1, option.fontMetrics.height())};
}

}  // namespace trawlix
