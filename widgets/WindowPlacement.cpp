#include "widgets/WindowPlacement.h"

#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace trawlix {

void TFirstShowPlacement::BeforeShow(QWidget* window, const QWidget* owner) {
  if (placed_ || !owner) return;
  placed_ = true;
  window->ensurePolished();
  if (window->layout()) window->layout()->activate();
  QRect frame = window->frameGeometry();
  frame.moveCenter(owner->frameGeometry().center());
  // Wholly on the owner's screen where it fits.
  if (const QScreen* screen = owner->screen()) {
    const QRect available = screen->availableGeometry();
    frame.moveLeft(
        std::max(available.left(), std::min(frame.left(), available.right() - frame.width() + 1)));
    frame.moveTop(
        std::max(available.top(), std::min(frame.top(), available.bottom() - frame.height() + 1)));
  }
  // An explicit move also keeps the dialog code from centring it again on later showings.
  window->move(frame.topLeft());
}

}  // namespace trawlix
