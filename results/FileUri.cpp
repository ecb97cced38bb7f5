#include "results/FileUri.h"

#include <limits.h>

#include <QByteArrayView>
#include <QStringDecoder>

namespace trawlix {

namespace {

bool IsUtf8(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  // The decoder works when its result is taken as a QString.
  const QString text =
      utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  return !utf8.hasError();
}

// RFC 3986's unreserved characters, and the separator: escaping any other byte is always
// read back the same.
bool StaysUnescaped(unsigned char byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~' ||
         byte == '/';
}

}  // namespace

std::optional<std::string> FileUri(const std::string& path) {
  // PATH_MAX counts a path's ending NUL: a longer path cannot be opened.
  if (!path.starts_with('/') || path.size() >= PATH_MAX || !IsUtf8(path)) return std::nullopt;
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (StaysUnescaped(byte)) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0xF];
    }
  }
  return uri;
}

}  // namespace trawlix
