#include "results/ResultsDelegate.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

#include "results/MatchMarks.h"
#include "results/ResultsModel.h"
#include "search/SearchResults.h"

namespace trawlix {

namespace {

// The colour group the style paints an item's text in.
QPalette::ColorGroup TextGroup(const QStyleOptionViewItem& option) {
  if (!(option.state & QStyle::State_Enabled)) return QPalette::Disabled;
  return option.state & QStyle::State_Active ? QPalette::Normal : QPalette::Inactive;
}

// A row laid out on one line of `width`, as the style lays out an item's text (whose
// ManualWrap gives the same one line, but clamps cursorToX at the line's width), its marks
// in the layout's own formats.
void LayOut(QTextLayout& layout, const TMarkedText& row, const QStyleOptionViewItem& option,
            int width) {
  const bool selected = option.state & QStyle::State_Selected;
  const TMarkColours colours = MarkColours(option.palette, TextGroup(option), selected);
  QTextCharFormat markFormat;
  markFormat.setBackground(colours.background);
  markFormat.setForeground(colours.text);
  QList<QTextLayout::FormatRange> formats;
  for (const TMark& mark : row.marks) {
    formats.append({static_cast<int>(mark.start), static_cast<int>(mark.length), markFormat});
  }
  layout.setText(row.text);
  layout.setFont(option.font);
  layout.setFormats(formats);
  QTextOption textOption;
  textOption.setWrapMode(QTextOption::NoWrap);
  textOption.setTextDirection(option.direction);
  textOption.setAlignment(QStyle::visualAlignment(option.direction, option.displayAlignment));
  layout.setTextOption(textOption);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  line.setLineWidth(width);
  line.setPosition(QPointF(0, 0));
  layout.endLayout();
}

// Where the style puts an item's text when the item has neither picture nor check box:
// its rectangle less the margins the style leaves on either side, and no further right
// than the view shows. A list of uniform rows gives each the width of its last, which
// may be the width of a line of thousands of characters.
QRect TextRect(const QStyleOptionViewItem& option) {
  const QWidget* widget = option.widget;
  const QStyle* style = widget ? widget->style() : QApplication::style();
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  QRect text = option.rect.adjusted(margin, 0, -margin, 0);
  if (const auto* view = qobject_cast<const QAbstractScrollArea*>(widget)) {
    text.setRight(std::min(text.right(), view->viewport()->width() - 1 - margin));
  }
  return text;
}

}  // namespace

TResultsDelegate::TResultsDelegate(const TResultsModel& model, const THitFinder& hits,
                                   QObject* parent)
    : QStyledItemDelegate(parent), model_(model), hits_(hits) {}

std::optional<TMarkedText> TResultsDelegate::LayOutRow(const QStyleOptionViewItem& option,
                                                       const QModelIndex& index, int width,
                                                       QTextLayout& layout) const {
  const TSearchResults* results = model_.Results();
  const TGrepItem* item =
      results && index.isValid() ? results->ItemOfLine(static_cast<size_t>(index.row())) : nullptr;
  const size_t hit = item ? hits_.FirstHit(item->Line()) : kNotFound;
  if (hit == kNotFound) return std::nullopt;
  TMarkedText row = MatchRow(*item, hits_, 0);
  LayOut(layout, row, option, width);
  // A first hit that would end beyond the right edge (or beyond the bytes a row shows)
  // is brought into view.
  const TMark* first = row.marks.empty() ? nullptr : &row.marks.front();
  if (!first || layout.lineAt(0).cursorToX(first->start + first->length) > width) {
    row = MatchRow(*item, hits_, LeadStart(item->Line(), hit, kRowLeadCharacters));
    LayOut(layout, row, option, width);
  }
  return row;
}

std::optional<TMarkedText> TResultsDelegate::ShownRow(const QStyleOptionViewItem& option,
                                                      const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  QTextLayout layout;
  return LayOutRow(opt, index, TextRect(opt).width(), layout);
}

void TResultsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QRect textRect = TextRect(opt);
  QTextLayout layout;
  const std::optional<TMarkedText> row = LayOutRow(opt, index, textRect.width(), layout);
  if (!row) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }

  // The style paints the row without its text: background, selection and focus frame.
  opt.text.clear();
  const QWidget* widget = opt.widget;
  (widget ? widget->style() : QApplication::style())
      ->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

  const int height = static_cast<int>(layout.lineAt(0).height());
  const QRect lineRect = QStyle::alignedRect(opt.direction, opt.displayAlignment,
                                             QSize(textRect.width(), height), textRect);
  painter->save();
  painter->setClipRect(opt.rect);
  const bool selected = opt.state & QStyle::State_Selected;
  painter->setPen(
      opt.palette.color(TextGroup(opt), selected ? QPalette::HighlightedText : QPalette::Text));
  layout.draw(painter, QPointF(textRect.left(), lineRect.top()));
  painter->restore();
}

}  // namespace trawlix
