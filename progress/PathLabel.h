#pragma once
// The progress window's file label: one line, left-aligned, clipped at its right edge.
// Its text changes once per file; painting is paced to the screen's frame rate.
#include <QString>
#include <QWidget>

#include "progress/PaintPacer.h"

namespace trawlix {

class TPathLabel : public QWidget {
  Q_OBJECT
 public:
  explicit TPathLabel(QWidget* parent = nullptr);

  QString text() const { return text_; }
  void setText(const QString& text);
  void PaintPending() { pacer_.PaintPending(); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  TPaintPacer pacer_;
};

}  // namespace trawlix
