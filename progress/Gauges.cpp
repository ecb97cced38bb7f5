#include "progress/Gauges.h"

#include <QAccessible>
#include <QPainter>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "util/errors.h"

namespace trawlix {

namespace {

[[noreturn]] void ThrowRange(long long low, long long high) {
  throw EInvalidOperation("Value must be between " + std::to_string(low) + " and " +
                          std::to_string(high));
}

// A size times the percentage, cut toward zero. The factor 0.01 is taken at extended
// precision, where it lies a hair below 0.01, so an exact product can come out one less;
// for the progress window's 248-pixel bars it equals floor(248 * percent / 100).
int ScaledSize(int size, int percent) {
  return static_cast<int>(std::trunc(size * (percent * 0.01L)));
}

// A bitmap of the template's size, filled with the window-frame colour (black).
QImage MakeLike(const QImage& image) {
  QImage bitmap(image.size(), QImage::Format_RGB32);
  bitmap.setDevicePixelRatio(image.devicePixelRatio());
  bitmap.fill(Qt::black);
  return bitmap;
}

void XorInto(QImage& image, const QImage& bitmap) {
  QPainter painter(&image);
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.drawImage(0, 0, bitmap);
}

}  // namespace

TGauge::TGauge(QWidget* parent) : QWidget(parent), pacer_(this) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(100, 100);
}

void TGauge::SetMinValue(int value) {
  if (value == minValue_) return;
  if (value > maxValue_) ThrowRange(-std::numeric_limits<int>::max(), maxValue_ - 1LL);
  minValue_ = value;
  if (progress_ < value) progress_ = value;
  Changed();
}

void TGauge::SetMaxValue(int value) {
  if (value == maxValue_) return;
  if (value < minValue_) ThrowRange(minValue_ + 1LL, std::numeric_limits<int>::max());
  maxValue_ = value;
  if (progress_ > value) progress_ = value;
  Changed();
}

void TGauge::SetProgress(int value) {
  const int oldPercent = Percent();
  if (value < minValue_) {
    value = minValue_;
  } else if (value > maxValue_) {
    value = maxValue_;
  }
  if (value == progress_) return;
  progress_ = value;
  if (Percent() == oldPercent) return;
  Changed();
  if (QAccessible::isActive()) {  // a screen reader listens
    QAccessibleValueChangeEvent event(this, progress_);
    QAccessible::updateAccessibility(&event);
  }
}

void TGauge::SetKind(TGaugeKind value) {
  if (value == kind_) return;
  kind_ = value;
  Changed();
}

void TGauge::SetShowText(bool value) {
  if (value == showText_) return;
  showText_ = value;
  Changed();
}

void TGauge::SetBorderStyle(TGaugeBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  Changed();
}

void TGauge::SetForeColor(const QColor& value) {
  if (value == foreColor_) return;
  foreColor_ = value;
  Changed();
}

void TGauge::SetBackColor(const QColor& value) {
  if (value == backColor_) return;
  backColor_ = value;
  Changed();
}

int TGauge::Percent() const {
  // Differences of 32-bit values taken at 64 bits, so extreme ranges cannot overflow.
  const long long x = static_cast<long long>(progress_) - minValue_;
  const long long z = static_cast<long long>(maxValue_) - minValue_;
  if (z == 0) return 0;
  return static_cast<int>(std::trunc(static_cast<double>(x) * 100.0 / static_cast<double>(z)));
}

QRect TGauge::PaintRect() const {
  return borderStyle_ == bsSingle ? rect().adjusted(1, 1, -1, -1) : rect();
}

QImage TGauge::Picture() const {
  const qreal ratio = devicePixelRatioF();
  QImage image(size() * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::black);
  const QRect r = PaintRect();
  QImage overlay = MakeLike(image);
  DrawKind(overlay, r);
  XorInto(image, overlay);
  if (showText_) DrawPercentText(image, r);
  return image;
}

void TGauge::paintEvent(QPaintEvent*) {
  ++paintCount_;
  QPainter(this).drawImage(0, 0, Picture());
}

// Left, Top, Right and Bottom are the paint rectangle's edges, Right and Bottom exclusive.
void TGauge::DrawKind(QImage& overlay, const QRect& r) const {
  QPainter painter(&overlay);
  const int left = r.left(), top = r.top();
  const int right = r.left() + r.width(), bottom = r.top() + r.height();
  const int border = borderStyle_ == bsSingle ? 1 : 0;
  const QColor color = palette().color(QPalette::Window);
  switch (kind_) {
    case gkText:
      painter.fillRect(r, backColor_);
      break;
    case gkHorizontalBar: {
      painter.fillRect(r, backColor_);
      const int w = right - left + 1, h = bottom - top + 1;
      int fill = ScaledSize(w, Percent());
      if (fill > w) fill = w;
      // The fill size is the bar's right edge, not its width.
      if (fill >= 1)
        painter.fillRect(QRect(QPoint(left, top), QPoint(fill - 1, h - 1)), foreColor_);
      break;
    }
    case gkVerticalBar: {
      painter.fillRect(r, backColor_);
      const int w = right - left + 1, h = bottom - top + 1;
      int fill = ScaledSize(h, Percent());
      if (fill >= h) fill = h - 1;
      if (fill > 0)
        painter.fillRect(QRect(QPoint(left, h - fill), QPoint(w - 1, h - 1)), foreColor_);
      break;
    }
    case gkPie: {
      painter.fillRect(r, color);
      const int w = right - left + border, h = bottom - top + border;
      const QRect box(QPoint(left, top), QPoint(w - 1, h - 1));
      painter.setPen(foreColor_);
      painter.setBrush(backColor_);
      painter.drawEllipse(box);
      if (Percent() > 0) {
        // Counter-clockwise from 90 - 3.6 * percent degrees up to twelve o'clock.
        const int span = static_cast<int>(std::lround(Percent() * 3.6 * 16));
        painter.setBrush(foreColor_);
        painter.drawPie(box, 90 * 16 - span, span);
      }
      break;
    }
    case gkNeedle: {
      painter.fillRect(r, color);
      const QRect box(left, top, r.width(), 2 * r.height());
      painter.setPen(foreColor_);
      painter.setBrush(backColor_);
      painter.drawChord(box, 0, 180 * 16);
      painter.drawLine(left, bottom - 1, right - 1, bottom - 1);
      if (Percent() > 0) {
        const double a = std::numbers::pi * Percent() / 100;
        const double half = width() / 2.0;
        painter.drawLine(QPointF(half, bottom - 1),
                         QPointF(std::round((1 - std::cos(a)) * half),
                                 std::round((1 - std::sin(a)) * (bottom - 1))));
      }
      break;
    }
  }
}

void TGauge::DrawPercentText(QImage& image, const QRect& r) const {
  QImage text = MakeLike(image);
  const QString s = QString::asprintf("%d%%", Percent());
  QFont textFont = font();
  // Letters of one colour, so that inverting them gives exactly two readable colours.
  textFont.setStyleStrategy(QFont::NoAntialias);
  const QFontMetrics metrics(textFont);
  const int textWidth = metrics.horizontalAdvance(s), textHeight = metrics.height();
  // Centred in the paint rectangle's edge distances, as bitmap coordinates.
  const int x = (r.width() + 1 - textWidth) / 2, y = (r.height() + 1 - textHeight) / 2;
  {
    QPainter painter(&text);
    painter.setFont(textFont);
    painter.setPen(Qt::white);
    painter.setClipRect(r);
    painter.drawText(QRect(x, y, textWidth, textHeight), Qt::AlignLeft | Qt::AlignTop, s);
  }
  XorInto(image, text);
}

}  // namespace trawlix
