#include "folders/Pictures.h"

#include <QApplication>
#include <QFile>

QIcon Picture(const char* resourcePath, QStyle::StandardPixmap fallback) {
  if (QFile::exists(QString::fromLatin1(resourcePath)))
    return QIcon(QString::fromLatin1(resourcePath));
  return QApplication::style()->standardIcon(fallback);
}
