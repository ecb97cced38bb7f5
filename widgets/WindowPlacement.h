#pragma once
// Places a secondary window centred over its owner the first time it is shown; every
// later showing keeps the place (and size) the window had when it was last hidden, also
// when the owner has moved meanwhile.
class QWidget;

namespace trawlix {

class TFirstShowPlacement {
 public:
  // Call just before the window becomes visible.
  void BeforeShow(QWidget* window, const QWidget* owner);

 private:
  bool placed_ = false;
};

}  // namespace trawlix
