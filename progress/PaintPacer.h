#pragma once
// Paces a widget's synchronous painting to the screen's frame rate.
//
// The progress window changes once per file, and the search run lets events run once per
// file, so without pacing every file would paint and flush the window to the screen, which
// can cost more than searching a small file. A change paints at once (inside the caller,
// so the new state shows even before events run) when the last paint is at least a frame
// old; a change within the same frame asks for one paint at the next frame instead, so the
// last state always reaches the screen.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

namespace trawlix {

class TPaintPacer : public QObject {
  Q_OBJECT
 public:
  static constexpr int FrameMilliseconds = 16;

  explicit TPaintPacer(QWidget* widget);
  // Call after every change that alters the widget's picture.
  void Changed();
  // Paints at once a change still waiting for its frame: for when the caller is about to
  // be busy for longer than a frame, so that the timer could not fire.
  void PaintPending();

 private:
  void PaintNow();

  QWidget* widget_;
  QElapsedTimer lastPaint_;
  QTimer nextFrame_;
};

}  // namespace trawlix
