#pragma once
// The application object and its general error report: an error that a command does not
// handle itself ends that command and is shown in a message box; the event loop goes on.
#include <QApplication>
#include <QString>
#include <concepts>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace trawlix {

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

  // Delivers the event; an error that escapes its handler goes to ReportError. Only a
  // last net: handlers catch at their own boundary (Guarded, RunReportingErrors).
  bool notify(QObject* receiver, QEvent* event) override;

 protected:
  // A modal message box titled with the program's title, with a stop icon and one OK button.
  virtual void ReportError(const std::string& message);

  friend void ReportUnhandledError(const std::string& message);
};

// Hands the message to the application's error report (the message box alone when the
// application object is not a TApplication).
void ReportUnhandledError(const std::string& message);

// Runs work(); an error it throws goes to the error report instead of on through Qt's
// frames, which an exception may not cross. Returns whether work() ended normally.
template <typename Work>
bool RunReportingErrors(Work&& work) {
  try {
    work();
    return true;
  } catch (const std::exception& error) {
    ReportUnhandledError(error.what());
  } catch (...) {
    ReportUnhandledError("Unknown error");
  }
  return false;
}

// A slot for connect() that runs `handler` with the signal's arguments, reporting what it
// throws: connect(button, &QPushButton::clicked, this, Guarded([this] { Run(); })).
// Like a plain functor it takes the signal's first arguments that the handler accepts.
template <typename Handler>
auto Guarded(Handler handler) {
  return [handler = std::move(handler)]<typename... Arguments>(
      Arguments && ... arguments) requires std::invocable<const Handler&, Arguments...> {
    RunReportingErrors([&] { handler(std::forward<Arguments>(arguments)...); });
  };
}

}  // namespace trawlix
