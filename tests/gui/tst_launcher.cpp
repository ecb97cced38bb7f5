// Opening a file in the editor and showing it in the file browser: desktop entries, the
// editor's choice, detached starts with byte-exact arguments, and the file manager asked
// over the test's private session bus.
#include <limits.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QtTest>
#include <cerrno>

#include "StubPrograms.h"
#include "results/DesktopEntry.h"
#include "results/DetachedProcess.h"
#include "results/FileManager.h"
#include "results/FileUri.h"
#include "results/Launcher.h"

using namespace trawlix;

using TArguments = std::vector<std::string>;
Q_DECLARE_METATYPE(TArguments)
Q_DECLARE_METATYPE(std::optional<TArguments>)

namespace {
// Blanks, both quotes, ";", "$", a backslash, a newline and bytes that are not UTF-8.
const std::string kOddPath = "/tmp/a b/\"q\" 'x';$HOME\\n\nline\xff\xfe.pas";
// A stand-in for the desktop's file manager, on a connection of its own to the test's
// session bus: it records each call as "Method uri...", and answers it unless told to stay
// silent.
class TFakeFileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

 public:
  explicit TFakeFileManager(bool answers = true)
      : answers_(answers),
        bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-file-manager")) {
    registered = bus_.registerObject("/org/freedesktop/FileManager1", this,
                                     QDBusConnection::ExportAllSlots) &&
                 bus_.registerService("org.freedesktop.FileManager1");
  }
  ~TFakeFileManager() override {
    // Given back at once, so that the next test's stand-in can take the name.
    bus_.unregisterService("org.freedesktop.FileManager1");
    QDBusConnection::disconnectFromBus("fake-file-manager");
  }

  bool registered = false;
  QStringList calls;

 public slots:
  void ShowItems(const QStringList& uris, const QString&, const QDBusMessage& message) {
    Record("ShowItems", uris, message);
  }
  void ShowFolders(const QStringList& uris, const QString&, const QDBusMessage& message) {
    Record("ShowFolders", uris, message);
  }

 private:
  void Record(const QString& method, const QStringList& uris, const QDBusMessage& message) {
    calls << (QStringList{method} + uris).join(' ');
    if (!answers_) message.setDelayedReply(true);  // and no reply ever comes
  }

  bool answers_;
  QDBusConnection bus_;
};

// Stand-in programs with a recording xdg-open, and the stand-in file manager.
struct TFileManagerScene {
  explicit TFileManagerScene(bool answers = true) : fileManager(answers) {
    stubs.AddRecorder("xdg-open");
  }
  TStubPrograms stubs;
  TFakeFileManager fileManager;
};

}  // namespace

class TestLauncher : public QObject {
  Q_OBJECT

 private slots:
  void execLineBecomesArguments_data() {
    QTest::addColumn<QString>("exec");
    QTest::addColumn<std::optional<TArguments>>("expected");
    const std::string f = kOddPath;
    auto args = [](TArguments a) { return std::optional<TArguments>(std::move(a)); };
    QTest::addRow("file code") << "gedit %U" << args({"gedit", f});
    QTest::addRow("each file code") << "ed %f" << args({"ed", f});
    QTest::addRow("inside an argument") << "ed --file=%f -x" << args({"ed", "--file=" + f, "-x"});
    QTest::addRow("no file code appends") << "mousepad -n" << args({"mousepad", "-n", f});
    QTest::addRow("dropped codes") << "kate %i %c %k -b %F" << args({"kate", "-b", f});
    QTest::addRow("percent") << "ed 100%% %u" << args({"ed", "100%", f});
    QTest::addRow("quoted program")
        << "\"/opt/my editor/ed\" --title \"a \\\"b\\\" \\`c\\` \\$d \\\\e\" %f"
        << args({"/opt/my editor/ed", "--title", "a \"b\" `c` $d \\e", f});
    QTest::addRow("empty quoted argument") << "ed \"\" %f" << args({"ed", "", f});
    QTest::addRow("many blanks") << "  ed   -a  %f  " << args({"ed", "-a", f});
    QTest::addRow("unclosed quote") << "ed \"open %f" << std::optional<TArguments>();
    QTest::addRow("lone percent at end") << "ed %" << std::optional<TArguments>();
    QTest::addRow("empty") << "" << std::optional<TArguments>();
    QTest::addRow("only a dropped code") << "%i" << std::optional<TArguments>();
  }
  void execLineBecomesArguments() {
    QFETCH(QString, exec);
    QFETCH(std::optional<TArguments>, expected);
    QCOMPARE(ExecArguments(exec.toStdString(), kOddPath), expected);
  }

  void desktopEntryKeys() {
    const auto entry = ParseDesktopEntry(
        "# comment\n[Desktop Action new]\nExec=wrong\n[Desktop Entry]\nName=Ed\n"
        "Exec = \"/opt/my\\sed\" \"--path=\\\\\\\\x\" "
        "%F\r\nTerminal=false\n[Other]\nTerminal=true\n");
    QVERIFY(entry.has_value());
    QCOMPARE(entry->exec, std::string("\"/opt/my ed\" \"--path=\\\\x\" %F"));
    QVERIFY(!entry->terminal);
    QCOMPARE(ExecArguments(entry->exec, "f"),
             (std::optional<TArguments>({"/opt/my ed", "--path=\\x", "f"})));

    QVERIFY(ParseDesktopEntry("[Desktop Entry]\nExec=vim %F\nTerminal=true\n")->terminal);
    QVERIFY(!ParseDesktopEntry("[Desktop Entry]\nName=No command\n").has_value());
    QVERIFY(!ParseDesktopEntry("[Desktop Action x]\nExec=ed\n").has_value());
  }

  void desktopEntryIsFoundInTheDataFolders() {
    TStubPrograms stubs;
    const std::string second = stubs.Root() + "/second";
    std::filesystem::create_directories(second + "/applications");
    std::ofstream(second + "/applications/b.desktop") << "B";
    std::ofstream(stubs.Root() + "/data/applications/a.desktop") << "A home";
    std::ofstream(second + "/applications/a.desktop") << "A system";
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString("/nonexistent::" + second));
    QCOMPARE(ReadDesktopEntry("a.desktop"), std::optional<std::string>("A home"));
    QCOMPARE(ReadDesktopEntry("b.desktop"), std::optional<std::string>("B"));
    QVERIFY(!ReadDesktopEntry("c.desktop").has_value());
    QVERIFY(!ReadDesktopEntry("../applications/a.desktop").has_value());
    QVERIFY(!ReadDesktopEntry("").has_value());
  }

  void containingFolder_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("folder");
    QTest::addRow("file") << QByteArray("/data/x y/a.txt") << QByteArray("/data/x y/");
    QTest::addRow("in the root") << QByteArray("/a.txt") << QByteArray("/");
    QTest::addRow("no separator") << QByteArray("a.txt") << QByteArray("");
    QTest::addRow("existing folder") << QByteArray("/tmp") << QByteArray("/tmp");
    QTest::addRow("existing folder with separator") << QByteArray("/tmp/") << QByteArray("/tmp/");
    QTest::addRow("missing folder") << QByteArray("/no/such/dir") << QByteArray("/no/such/");
  }
  void containingFolder() {
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, folder);
    QCOMPARE(QByteArray::fromStdString(ContainingFolder(path.toStdString())), folder);
  }

  void findProgramSearchesPath() {
    TStubPrograms stubs;
    stubs.AddRecorder("tool");
    const std::string bin = stubs.Root() + "/bin";
    std::ofstream(bin + "/plain") << "not executable";
    std::filesystem::create_directory(bin + "/folder");
    chmod((bin + "/folder").c_str(), 0755);
    qputenv("PATH", QByteArray::fromStdString("/nonexistent:" + bin));
    QCOMPARE(FindProgram("tool"), bin + "/tool");
    QCOMPARE(FindProgram(bin + "/tool"), bin + "/tool");
    QCOMPARE(FindProgram("folder"), std::string());
    QCOMPARE(FindProgram("missing"), std::string());
    QCOMPARE(FindProgram(""), std::string());
    QCOMPARE(FindProgram("plain"), std::string());
  }

  void startProgramPassesBytesAndLeavesNoChild() {
    TStubPrograms stubs;
    stubs.AddRecorder("tool");
    QVERIFY(StartProgram({"tool", kOddPath, "", "second"}));
    QCOMPARE(stubs.WaitForRecord("tool"), (std::optional<TArguments>({kOddPath, "", "second"})));
    // The intermediate child has been reaped and the program is not ours.
    errno = 0;
    QCOMPARE(waitpid(-1, nullptr, WNOHANG), -1);
    QCOMPARE(errno, ECHILD);
    QVERIFY(!StartProgram({"missing"}));
    QVERIFY(!StartProgram({}));
  }

  void startedProgramReadsNothingFromUs() {
    TStubPrograms stubs;
    stubs.AddScript(
        "probe",
        "/bin/readlink /proc/self/fd/0 > \"$TRAWLIX_TEST_RECORDS/probe.part\"\n"
        "/bin/mv \"$TRAWLIX_TEST_RECORDS/probe.part\" \"$TRAWLIX_TEST_RECORDS/probe\"\n");
    QVERIFY(StartProgram({"probe"}));
    QVERIFY(stubs.WaitForRecord("probe").has_value());
    std::ifstream record(stubs.Root() + "/records/probe");
    std::string stdinTarget;
    std::getline(record, stdinTarget);
    QCOMPARE(stdinTarget, std::string("/dev/null"));
  }

  void editorIsTheDefaultTextApplication() {
    TStubPrograms stubs;
    stubs.AddRecorder("fakeedit");
    stubs.AddRecorder("gedit");
    stubs.SetDefaultApplication("org.example.Fake.desktop",
                                "[Desktop Entry]\nExec=fakeedit --new-window %F\n");
    OpenInEditor(kOddPath, 1);
    QCOMPARE(stubs.WaitForRecord("fakeedit"),
             (std::optional<TArguments>({"--new-window", kOddPath})));
    QVERIFY(!stubs.Recorded("gedit"));
  }

  void editorFallsBackToAListedEditor_data() {
    QTest::addColumn<QString>("defaultEntry");  // empty: xdg-mime names nothing
    QTest::addRow("no default") << "";
    QTest::addRow("terminal program") << "[Desktop Entry]\nExec=fakeedit %F\nTerminal=true\n";
    QTest::addRow("program not installed") << "[Desktop Entry]\nExec=notinstalled %F\n";
    QTest::addRow("malformed exec") << "[Desktop Entry]\nExec=fakeedit \"%F\n";
  }
  void editorFallsBackToAListedEditor() {
    QFETCH(QString, defaultEntry);
    TStubPrograms stubs;
    stubs.AddRecorder("fakeedit");
    stubs.AddRecorder("mousepad");
    stubs.AddRecorder("pluma");
    stubs.AddRecorder("xdg-open");
    if (defaultEntry.isEmpty()) {
      stubs.AddScript("xdg-mime", "exit 0\n");
    } else {
      stubs.SetDefaultApplication("fake.desktop", defaultEntry.toStdString());
    }
    OpenInEditor(kOddPath, 1);
    QCOMPARE(stubs.WaitForRecord("mousepad"), (std::optional<TArguments>({"--line=1", kOddPath})));
    QVERIFY(!stubs.Recorded("pluma"));
    QVERIFY(!stubs.Recorded("fakeedit"));
    QVERIFY(!stubs.Recorded("xdg-open"));
  }

  // Each editor known to take a line is told it in its own form, before or after the file
  // and beside the arguments its desktop entry gives; any other editor gets the file alone.
  void editorOpensAtTheLine() {
    const std::string f = kOddPath;
    const struct {
      std::string editor, exec;  // the default's Exec, BIN/ the stubs' folder; "": none
      TArguments expected;
    } cases[] = {
        {"emacs", "BIN/emacs %F", {"+42", f}},
        {"featherpad", "featherpad %U", {"+42", f}},
        {"geany", "geany %F", {"+42", f}},
        {"gedit", "gedit %U", {f, "+42"}},
        {"gvim", "gvim -f %F", {"-f", "+42", f}},
        {"kate", "kate -b %U", {"-b", "--line", "42", f}},
        {"kwrite", "", {"--line", "42", f}},  // from the list of editors
        {"mousepad", "mousepad %U", {"--line=42", f}},
        {"pluma", "pluma --new-window", {"--new-window", "+42", f}},  // the file appended
        {"code", "BIN/code --unity-launch %F", {"--unity-launch", "--goto", f + ":42"}},
        {"codium", "codium %F", {"--goto", f + ":42"}},
        {"sublime_text", "BIN/sublime_text %F", {f + ":42"}},
        {"subl", "subl -n %F", {"-n", f + ":42"}},
        {"xed", "xed %U", {"+42", f}},
        {"notepadqq", "notepadqq %U", {"--line", "42", f}},
        {"kate", "kate --url=%u -n", {"--line", "42", "--url=" + f, "-n"}},
        {"gnome-text-editor", "gnome-text-editor %U", {f}},
        {"fakeedit", "fakeedit --new %F", {"--new", f}},
    };
    for (const auto& c : cases) {
      TStubPrograms stubs;
      stubs.AddRecorder(c.editor);
      std::string exec = c.exec;
      if (exec.starts_with("BIN/")) exec.replace(0, 4, stubs.Root() + "/bin/");
      if (exec.empty()) stubs.AddScript("xdg-mime", "exit 0\n");
      if (!exec.empty()) stubs.SetDefaultApplication("e.desktop", "[Desktop Entry]\nExec=" + exec);
      OpenInEditor(kOddPath, 42);
      QCOMPARE(stubs.WaitForRecord(c.editor), std::optional<TArguments>(c.expected));
    }
  }

  void editorLastResortIsXdgOpen() {
    TStubPrograms stubs;  // no xdg-mime, no editor
    stubs.AddRecorder("xdg-open");
    OpenInEditor(kOddPath, 1);
    QCOMPARE(stubs.WaitForRecord("xdg-open"), (std::optional<TArguments>({kOddPath})));
  }

  void theQueryRunsWhileTheWindowGoesOn() {
    // The query answers only once the test, back from OpenInEditor, lets it: a launch
    // that waited for the query would give it up and start the fallback editor.
    TStubPrograms stubs;
    stubs.SetDefaultApplication("fake.desktop", "[Desktop Entry]\nExec=fakeedit %F\n");
    const std::string release = stubs.Root() + "/release";
    stubs.AddScript("xdg-mime", "while [ ! -e '" + release +
                                    "' ]; do /bin/sleep 0.05; done\n"
                                    "echo fake.desktop\n");
    stubs.AddRecorder("fakeedit");
    stubs.AddRecorder("gedit");
    OpenInEditor(kOddPath, 1);
    std::ofstream(release) << "";
    QCOMPARE(stubs.WaitForRecord("fakeedit"), (std::optional<TArguments>({kOddPath})));
    QVERIFY(!stubs.Recorded("gedit"));
  }

  void aStuckQueryIsGivenUp() {
    TStubPrograms stubs;
    stubs.AddScript("xdg-mime", "exec /bin/sleep 30\n");
    stubs.AddRecorder("gedit");
    OpenInEditor(kOddPath, 1);
    QCOMPARE(stubs.WaitForRecord("gedit"), (std::optional<TArguments>({kOddPath, "+1"})));
  }

  void fileUri_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("uri");  // empty: the path cannot be one
    QTest::addRow("reserved and blank")
        << QByteArray("/a-b_c.~1/a b/%;#?:@&=+$,!'()*[]\"\n")
        << QByteArray(
               "file:///a-b_c.~1/a%20b/"
               "%25%3B%23%3F%3A%40%26%3D%2B%24%2C%21%27%28%29%2A%5B%5D%22%0A");
    QTest::addRow("UTF-8") << QByteArray("/d\xC3\xA9j\xC3\xA0/\xE2\x82\xAC")
                           << QByteArray("file:///d%C3%A9j%C3%A0/%E2%82%AC");
    QTest::addRow("not UTF-8") << QByteArray("/data/caf\xE9.txt") << QByteArray();
    QTest::addRow("relative") << QByteArray("data/x.txt") << QByteArray();
    QTest::addRow("longest") << "/" + QByteArray(PATH_MAX - 2, 'a')
                             << "file:///" + QByteArray(PATH_MAX - 2, 'a');
    QTest::addRow("too long") << "/" + QByteArray(PATH_MAX - 1, 'a') << QByteArray();
  }
  void fileUri() {
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, uri);
    const std::optional<std::string> made = FileUri(path.toStdString());
    QCOMPARE(made.has_value(), !uri.isEmpty());
    if (made) QCOMPARE(QByteArray::fromStdString(*made), uri);
  }

  void theFileManagerShowsTheFileSelected() {
    TFileManagerScene scene;
    QVERIFY(scene.fileManager.registered);
    const std::string folder = scene.stubs.Root() + "/a b";
    std::filesystem::create_directory(folder);
    OpenContainingFolder(folder + "/\xC3\xA9t\xC3\xA9.txt");
    OpenContainingFolder(folder);
    QTRY_COMPARE(scene.fileManager.calls.size(), 2);
    const QString uri = QString::fromStdString(*FileUri(folder));
    QCOMPARE(scene.fileManager.calls,
             QStringList({"ShowItems " + uri + "/%C3%A9t%C3%A9.txt", "ShowFolders " + uri}));
    // The answers come back; nothing falls back to opening the folder.
    QTest::qWait(300);
    QVERIFY(!scene.stubs.Recorded("xdg-open"));
  }

  void withoutAFileManagerXdgOpenGetsTheFolder() {
    TStubPrograms stubs;
    stubs.AddRecorder("xdg-open");
    const std::string folder = stubs.Root() + "/a b";
    OpenContainingFolder(folder + "/file.txt");
    QCOMPARE(stubs.WaitForRecord("xdg-open"), (std::optional<TArguments>({folder + "/"})));
  }

  void aSilentFileManagerIsGivenUpWithoutWaiting() {
    TFileManagerScene scene(false);
    QVERIFY(scene.fileManager.registered);
    const std::string root = scene.stubs.Root();
    QElapsedTimer clock;
    clock.start();
    OpenContainingFolder(root + "/file.txt");
    QVERIFY(clock.elapsed() < kFileManagerAnswerMs / 5);
    QTRY_COMPARE(scene.fileManager.calls.size(), 1);
    QVERIFY(!scene.stubs.Recorded("xdg-open"));
    QCOMPARE(scene.stubs.WaitForRecord("xdg-open"), (std::optional<TArguments>({root + "/"})));
  }

  // Not UTF-8: no URI a file manager would read back, so xdg-open opens the folder.
  void folderOpensInTheBrowser() {
    TStubPrograms stubs;
    stubs.AddRecorder("xdg-open");
    const std::string folder = stubs.Root() + "/odd \"name\";\n\xff";
    std::filesystem::create_directory(folder);
    OpenContainingFolder(folder + "/file.txt");
    QCOMPARE(stubs.WaitForRecord("xdg-open"), (std::optional<TArguments>({folder + "/"})));
    std::filesystem::remove(stubs.Root() + "/records/xdg-open");
    OpenContainingFolder(folder);
    QCOMPARE(stubs.WaitForRecord("xdg-open"), (std::optional<TArguments>({folder})));
  }
};

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"
