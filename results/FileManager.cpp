#include "results/FileManager.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include "widgets/ErrorReport.h"

namespace trawlix {

void ShowInFileManager(const std::string& uri, bool folder, std::function<void()> otherwise) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    otherwise();
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"),
      QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"),
      folder ? QStringLiteral("ShowFolders") : QStringLiteral("ShowItems"));
  // The URIs, and no startup id, which the interface allows.
  call << QStringList{QString::fromStdString(uri)} << QString();
  // Parented to the application, a call still waiting at exit goes with it.
  auto* answer = new QDBusPendingCallWatcher(bus.asyncCall(call, kFileManagerAnswerMs),
                                             QCoreApplication::instance());
  QObject::connect(answer, &QDBusPendingCallWatcher::finished, answer,
                   Guarded([answer, otherwise = std::move(otherwise)] {
                     answer->deleteLater();
                     if (answer->isError()) otherwise();
                   }));
}

}  // namespace trawlix
