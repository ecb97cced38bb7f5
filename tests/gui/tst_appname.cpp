// Start-up and the general error report: the program's title, the report's text, errors
// escaping event handlers, and the start without a display.
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "GuiTestSupport.h"
#include "app/StartUp.h"
#include "util/errors.h"
#include "widgets/ErrorReport.h"

using namespace trawlix;

namespace {

// Records the reports instead of showing them.
class TRecordingApplication : public TApplication {
 public:
  using TApplication::TApplication;
  std::vector<std::string> reports;
  bool showBox = false;

 protected:
  void ReportError(const std::string& message) override {
    reports.push_back(message);
    if (showBox) TApplication::ReportError(message);
  }
};

TRecordingApplication* App() {
  return static_cast<TRecordingApplication*>(qApp);
}

// A button whose click handler fails.
class TFailingButton : public QPushButton {
 public:
  std::function<void()> fail;
  TFailingButton() {
    connect(this, &QPushButton::clicked, [this] { fail(); });
  }
};

}  // namespace

class TestAppName : public QObject {
  Q_OBJECT
 private slots:
  void title_data() {
    QTest::addColumn<QString>("programFile");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << "trawlix"
                           << "Trawlix";
    QTest::newRow("with folder") << "/usr/bin/trawlix"
                                 << "Trawlix";
    QTest::newRow("upper case") << "/opt/TRAWLIX.EXE"
                                << "Trawlix";
    QTest::newRow("everything from the first dot") << "./bin/trawlix.v2.bin"
                                                   << "Trawlix";
    QTest::newRow("mixed") << "tRaWlIx-Cli"
                           << "Trawlix-cli";
    QTest::newRow("digit first") << "2find"
                                 << "2find";
    QTest::newRow("dot in folder only") << "/home/a.b/trawlix"
                                        << "Trawlix";
    QTest::newRow("hidden name") << "/x/.trawlix"
                                 << "";
    QTest::newRow("bytes beyond ASCII kept") << "\xc3\x84RGER"
                                             << "\xc3\x84rger";
  }
  void title() {
    QFETCH(QString, programFile);
    QFETCH(QString, title);
    QCOMPARE(QString::fromStdString(ApplicationTitleOf(programFile.toStdString())), title);
  }

  void runningTitle() { QCOMPARE(ApplicationTitle(), QString("Tst_appname")); }

  void reportText_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Cannot open clipboard"
                            << "Cannot open clipboard.";
    QTest::newRow("full stop") << "Stack overflow in function Text.ParseX."
                               << "Stack overflow in function Text.ParseX.";
    QTest::newRow("digit") << "I/O error 5"
                           << "I/O error 5.";
    QTest::newRow("slash sorts after") << "path/"
                                       << "path/.";
    QTest::newRow("closing bracket") << "(x)"
                                     << "(x)";
    QTest::newRow("exclamation") << "Stop!"
                                 << "Stop!";
    QTest::newRow("comma") << "a,"
                           << "a,";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("beyond ASCII") << "caf\xc3\xa9"
                                  << "caf\xc3\xa9.";
  }
  void reportText() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(ErrorReportText(message.toStdString())), shown);
  }

  // An error escaping a click handler is reported and the event loop goes on.
  void handlerErrorsAreReported() {
    App()->reports.clear();
    TFailingButton button;
    button.fail = [] { throw EClipboardException("Cannot open clipboard"); };
    QTest::mouseClick(&button, Qt::LeftButton);
    button.fail = [] { throw std::runtime_error("plain failure"); };
    QTest::mouseClick(&button, Qt::LeftButton);
    button.fail = [] { throw 42; };
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(App()->reports,
             std::vector<std::string>({"Cannot open clipboard", "plain failure", "Unknown error"}));
    bool ranOn = false;
    QTimer::singleShot(0, [&] { ranOn = true; });
    QTRY_VERIFY(ranOn);
  }

  // The report itself: stop icon, the program's title, one OK button, the full stop.
  void reportBox() {
    App()->reports.clear();
    App()->showBox = true;
    TMessageBoxReader box;
    TFailingButton button;
    button.fail = [] { throw EInvalidOperation("Value must be between 1 and 2147483647"); };
    QTest::mouseClick(&button, Qt::LeftButton);
    App()->showBox = false;
    QVERIFY(box.seen);
    QCOMPARE(box.title, QString("Tst_appname"));
    QCOMPARE(box.text, QString("Value must be between 1 and 2147483647."));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, 1);
  }

  // Without a display the program says how to search without windows, and fails.
  void noDisplay() {
    const QString cli = qEnvironmentVariable("TRAWLIX_CLI");
    if (cli.isEmpty()) QSKIP("TRAWLIX_CLI is not set");
    const QString program = QFileInfo(cli).absolutePath() + "/trawlix";
    if (!QFileInfo::exists(program)) QSKIP("the program is not built");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      environment.remove(name);
    }
    process.setProcessEnvironment(environment);
    process.start(program, {});
    QVERIFY(process.waitForFinished(30000));
    QVERIFY(process.exitCode() != 0);
    QVERIFY(process.readAllStandardError().contains("trawlix-cli"));
    QVERIFY(!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || DisplayAvailable());
  }
};

int main(int argc, char** argv) {
  TRecordingApplication application(argc, argv);
  TestAppName test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_appname.moc"
