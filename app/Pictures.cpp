#include "app/Pictures.h"

#include <QApplication>

QIcon Picture(const char* resourcePath, QStyle::StandardPixmap fallback) {
  QIcon icon(resourcePath);
  // A missing resource, or an SVG without the image plugin, gives no pixmap.
  if (!icon.pixmap(16, 16).isNull()) return icon;
  return QApplication::style()->standardIcon(fallback);
}
