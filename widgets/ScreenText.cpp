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
  return ScreenText(bytes.substr(0, ScreenTextCut(bytes, maxBytes)));
}

size_t ScreenTextCut(std::string_view bytes, size_t maxBytes) {
  if (bytes.size() <= maxBytes) return bytes.size();
  // A continuation byte just after the cut belongs to a character the cut would split.
  size_t cut = maxBytes;
  for (int back = 0; back < 3 && cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80;
       ++back) {
    --cut;
  }
  return cut;
}

void ScreenTextPositions(std::string_view bytes, const QString& shown,
                         std::vector<size_t>& offsets) {
  // Latin-1 shows each byte as one character, and so does UTF-8 that is all ASCII; any
  // other UTF-8 text comes out shorter than its bytes.
  if (static_cast<size_t>(shown.size()) == bytes.size()) return;
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";  // the decoder drops it
  size_t byte = bytes.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  size_t position = 0;
  for (size_t& offset : offsets) {
    for (; byte < offset; ++byte) {
      const auto b = static_cast<unsigned char>(bytes[byte]);
      if ((b & 0xC0) != 0x80) position += b >= 0xF0 ? 2 : 1;
    }
    offset = position;
  }
}

std::string BytesOf(const QString& text) {
  return text.toUtf8().toStdString();
}

}  // namespace trawlix
