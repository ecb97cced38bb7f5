#include "progress/PaintPacer.h"

#include <QWidget>

namespace trawlix {

TPaintPacer::TPaintPacer(QWidget* widget) : QObject(widget), widget_(widget) {
  nextFrame_.setSingleShot(true);
  connect(&nextFrame_, &QTimer::timeout, this, &TPaintPacer::PaintNow);
}

void TPaintPacer::Changed() {
  if (!widget_->isVisible()) return;
  if (!lastPaint_.isValid() || lastPaint_.elapsed() >= FrameMilliseconds) {
    PaintNow();
  } else if (!nextFrame_.isActive()) {
    nextFrame_.start(FrameMilliseconds - static_cast<int>(lastPaint_.elapsed()));
  }
}

void TPaintPacer::PaintPending() {
  if (nextFrame_.isActive()) PaintNow();
}

void TPaintPacer::PaintNow() {
  nextFrame_.stop();
  lastPaint_.restart();
  widget_->repaint();
}

}  // namespace trawlix
