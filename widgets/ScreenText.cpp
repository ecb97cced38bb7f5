#include "widgets/ScreenText.h"

#include <QStringDecoder>

namespace trawlix {

QString ScreenText(std::string_view bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return text;
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString ScreenTextStart(std::string_view bytes, size_t maxBytes) {
  if (bytes.size() <= maxBytes) return ScreenText(bytes);
  // A continuation byte just after the cut belongs to a character the cut would split.
  size_t cut = maxBytes;
  for (int back = 0; back < 3 && cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80;
       ++back) {
    --cut;
  }
  return ScreenText(bytes.substr(0, cut));
}

std::string BytesOf(const QString& text) {
  return text.toUtf8().toStdString();
}

}  // namespace trawlix
