#include "progress/PathLabel.h"

#include <QPainter>

namespace trawlix {

TPathLabel::TPathLabel(QWidget* parent) : QWidget(parent), pacer_(this) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TPathLabel::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  pacer_.Changed();
}

QSize TPathLabel::sizeHint() const {
  return {345, qMax(17, fontMetrics().height())};
}

void TPathLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setClipRect(rect());
  painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
}

}  // namespace trawlix
