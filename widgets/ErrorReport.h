#pragma once
// The application object and its general error report: an error that a command does not
// handle itself ends that command and is shown in a message box; the event loop goes on.
#include <QApplication>
#include <QString>
#include <string>
#include <string_view>

// The program's title: the program file's name without its folder and without everything
// from its first "." on, with every letter after the first in lower case ("Trawlix").
std::string ApplicationTitleOf(std::string_view programFile);
// The title of the running program.
QString ApplicationTitle();

// The report's text: the message, with a full stop added when its last character sorts
// after ".".
std::string ErrorReportText(std::string message);

class TApplication : public QApplication {
  Q_OBJECT
 public:
  TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  // Delivers the event; an error that escapes its handler goes to ReportError.
  bool notify(QObject* receiver, QEvent* event) override;

 protected:
  // A modal message box titled with the program's title, with a stop icon and one OK button.
  virtual void ReportError(const std::string& message);
};
