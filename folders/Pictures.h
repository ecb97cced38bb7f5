#pragma once
// The folder dialog's pictures: the program's own from the resources, or the style's
// standard picture while a resource is missing.
#include <QIcon>
#include <QStyle>

QIcon Picture(const char* resourcePath, QStyle::StandardPixmap fallback);
