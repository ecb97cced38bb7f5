#include "widgets/ErrorReport.h"

#include <QMessageBox>

#include "widgets/ScreenText.h"

namespace trawlix {

std::string ApplicationTitleOf(std::string_view programFile) {
  const size_t slash = programFile.rfind('/');
  std::string_view name =
      slash == std::string_view::npos ? programFile : programFile.substr(slash + 1);
  name = name.substr(0, name.find('.'));
  std::string title(name);
  for (size_t i = 0; i < title.size(); ++i) {
    const char c = title[i];
    if (i == 0 && c >= 'a' && c <= 'z') title[i] = static_cast<char>(c - 'a' + 'A');
    if (i > 0 && c >= 'A' && c <= 'Z') title[i] = static_cast<char>(c - 'A' + 'a');
  }
  return title;
}

QString ApplicationTitle() {
  return ScreenText(ApplicationTitleOf(QCoreApplication::applicationFilePath().toStdString()));
}

std::string ErrorReportText(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  RunReportingErrors([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

namespace {

void ShowErrorBox(const std::string& message) {
  QMessageBox box(QMessageBox::Critical, ApplicationTitle(), ScreenText(ErrorReportText(message)),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

}  // namespace

void TApplication::ReportError(const std::string& message) {
  ShowErrorBox(message);
}

void ReportUnhandledError(const std::string& message) {
  if (auto* application = qobject_cast<TApplication*>(QCoreApplication::instance())) {
    application->ReportError(message);
  } else {
    ShowErrorBox(message);  // the window tests run under a plain application object
  }
}

}  // namespace trawlix
