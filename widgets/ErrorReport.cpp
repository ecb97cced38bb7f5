#include "widgets/ErrorReport.h"

#include <QMessageBox>
#include <exception>

#include "widgets/ScreenText.h"

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
  // No error may cross the event loop: every handler's escape ends here.
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ReportError(error.what());
  } catch (...) {
    ReportError("Unknown error");
  }
  return false;
}

void TApplication::ReportError(const std::string& message) {
  QMessageBox box(QMessageBox::Critical, ApplicationTitle(), ScreenText(ErrorReportText(message)),
                  QMessageBox::Ok, activeWindow());
  box.exec();
}
