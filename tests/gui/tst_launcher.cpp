// Opening a file in the editor and a folder in the file browser: desktop entries, the
// editor's choice, and detached starts with byte-exact arguments.
#include <sys/wait.h>
#include <unistd.h>

#include <QtTest>
#include <cerrno>

#include "StubPrograms.h"
#include "results/DesktopEntry.h"
#include "results/DetachedProcess.h"
#include "results/Launcher.h"

using namespace trawlix;

using TArguments = std::vector<std::string>;
Q_DECLARE_METATYPE(TArguments)
Q_DECLARE_METATYPE(std::optional<TArguments>)

namespace {
// Blanks, both quotes, ";", "$", a backslash, a newline and bytes that are not UTF-8.
const std::string kOddPath = "/tmp/a b/\"q\" 'x';$HOME\\n\nline\xff\xfe.pas";
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
