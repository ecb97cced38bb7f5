#pragma once
// TGauge: a progress gauge that shows a value within a range as a bar (or text, pie or
// needle) with its whole-number percentage. It paints only when the percentage changes,
// and then at once, so a long operation shows its progress between its steps.
#include <QColor>
#include <QImage>
#include <QWidget>

#include "progress/PaintPacer.h"

namespace trawlix {

enum TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };
enum TGaugeBorderStyle { bsNone, bsSingle };

class TGauge : public QWidget {
  Q_OBJECT
 public:
  explicit TGauge(QWidget* parent = nullptr);

  int MinValue() const { return minValue_; }
  int MaxValue() const { return maxValue_; }
  int Progress() const { return progress_; }
  TGaugeKind Kind() const { return kind_; }
  bool ShowText() const { return showText_; }
  TGaugeBorderStyle BorderStyle() const { return borderStyle_; }
  QColor ForeColor() const { return foreColor_; }
  QColor BackColor() const { return backColor_; }

  // Throw EInvalidOperation when the range would be empty the wrong way round.
  void SetMinValue(int value);
  void SetMaxValue(int value);
  // Clamped into MinValue..MaxValue.
  void SetProgress(int value);
  void SetKind(TGaugeKind value);
  void SetShowText(bool value);
  void SetBorderStyle(TGaugeBorderStyle value);
  void SetForeColor(const QColor& value);
  void SetBackColor(const QColor& value);

  // The whole-number percentage of the range that Progress has reached.
  int Percent() const;
  // The gauge's picture as it is painted.
  QImage Picture() const;
  // How often the gauge has painted itself.
  int PaintCount() const { return paintCount_; }
  // Paints a change that still waits for its frame.
  void PaintPending() { pacer_.PaintPending(); }

  QSize sizeHint() const override { return {100, 100}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect PaintRect() const;
  void DrawKind(QImage& overlay, const QRect& r) const;
  void DrawPercentText(QImage& image, const QRect& r) const;
  void Changed() { pacer_.Changed(); }

  int minValue_ = 0;
  int maxValue_ = 100;
  int progress_ = 0;
  TGaugeKind kind_ = gkHorizontalBar;
  bool showText_ = true;
  TGaugeBorderStyle borderStyle_ = bsSingle;
  QColor foreColor_ = Qt::black;
  QColor backColor_ = Qt::white;
  int paintCount_ = 0;
  TPaintPacer pacer_;
};

}  // namespace trawlix
