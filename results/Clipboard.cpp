#include "results/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringDecoder>

#include "util/errors.h"

namespace trawlix {

void SetClipboardBytes(const std::string& bytes) {
  // X11 and Wayland have no clipboard lock that another program could hold: taking the
  // selection always succeeds while there is a display. What can fail is having no
  // clipboard at all (no application object).
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) throw EClipboardException("Cannot open clipboard");

  const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
  auto data = std::make_unique<QMimeData>();
  // ConvertInitialBom keeps a leading byte-order mark as text, so nothing is dropped.
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  const QString text = utf8.decode(raw);
  if (!utf8.hasError()) {
    // setText stores "text/plain" itself, as UTF-8: exactly these bytes.
    data->setText(text);
  } else {
    data->setData(QStringLiteral("text/plain"), raw);
  }
  clipboard->setMimeData(data.release());
}

}  // namespace trawlix
