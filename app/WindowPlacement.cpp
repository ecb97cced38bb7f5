#include "app/WindowPlacement.h"

#include <QLayout>
#include <QWidget>

void TFirstShowPlacement::BeforeShow(QWidget* window, const QWidget* owner) {
  if (placed_ || !owner) return;
  placed_ = true;
  window->ensurePolished();
  if (window->layout()) window->layout()->activate();
  QRect frame = window->frameGeometry();
  frame.moveCenter(owner->frameGeometry().center());
  // An explicit move also keeps the dialog code from centring it again on later showings.
  window->move(frame.topLeft());
}
