#include "widgets/Pictures.h"

#include <QApplication>

// The pictures live in the program's static library, whose resource registration the
// linker would drop unless something refers to it. Outside the namespace: the macro
// declares the registration function where it stands.
static void RegisterPictures() {
  Q_INIT_RESOURCE(trawlix);
}

namespace trawlix {

namespace {

// A missing resource, or an SVG without the image plugin, gives no pixmap.
bool Loads(const char* resourcePath) {
  return !QIcon(resourcePath).pixmap(16, 16).isNull();
}

}  // namespace

QIcon Picture(const char* resourcePath, QStyle::StandardPixmap fallback, const char* disabledPath) {
  static const bool registered = (RegisterPictures(), true);
  (void)registered;
  if (!Loads(resourcePath)) return QApplication::style()->standardIcon(fallback);
  QIcon icon(resourcePath);
  if (disabledPath && Loads(disabledPath)) icon.addFile(disabledPath, {}, QIcon::Disabled);
  return icon;
}

}  // namespace trawlix
