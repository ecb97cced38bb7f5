// The results window's menus and commands, on result models filled by real search runs.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractListModel>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "../core/TempDir.h"
#include "../core/TestSearchHost.h"
#include "StubPrograms.h"
#include "results/LinesText.h"
#include "results/ResultsMenus.h"
#include "results/ResultsSource.h"
#include "results/SaveResults.h"
#include "search/SearchResults.h"
#include "search/SearchRun.h"
#include "util/errors.h"
#include "widgets/ScreenText.h"

using namespace trawlix;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

std::string ClipboardBytes() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data == nullptr ? std::string() : data->data(QStringLiteral("text/plain")).toStdString();
}

class TLinesModel : public QAbstractListModel {
 public:
  explicit TLinesModel(const TSearchResults& results) : results_(results) {}
  int rowCount(const QModelIndex& = {}) const override {
    return static_cast<int>(results_.LineCount());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole) return {};
    return ScreenText(results_.Line(static_cast<size_t>(index.row())));
  }
  void Reset() {
    beginResetModel();
    endResetModel();
  }

 private:
  const TSearchResults& results_;
};

// A stand-in for the results window: the list, the pane and the menus on them.
class TTestWindow : public TResultsSource {
 public:
  TTestWindow() : model(results) {
    list = new QListView(&window);
    list->setModel(&model);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    pane = new QPlainTextEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(list);
    layout->addWidget(pane);
    menus = new TResultsMenus(list, pane, *this, &window);
    window.resize(400, 300);
  }
  const TSearchResults& Results() const override { return results; }
  const TGrepItem* SelectedGrepItem() const override {
    const QModelIndexList selected = list->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return nullptr;
    return results.ItemOfLine(static_cast<size_t>(selected.first().row()));
  }
  void Search(const std::vector<std::string>& folders, const std::string& text) {
    TTestHost host(folders, text);
    host.maskText = "*.txt";
    RunSearch(host, results);
    model.Reset();
  }
  void Select(int row) { list->setCurrentIndex(model.index(row)); }
  int Row(const std::string& line) const {
    for (size_t i = 0; i < results.LineCount(); ++i) {
      if (results.Line(i) == line) return static_cast<int>(i);
    }
    return -1;
  }

  TSearchResults results;
  TLinesModel model;
  QWidget window;
  QListView* list;
  QPlainTextEdit* pane;
  TResultsMenus* menus;
};

struct TMessageSeen {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  qsizetype buttons;
};

// Runs `command`, closing every modal message box it shows; returns the last one seen.
std::optional<TMessageSeen> RunClosingMessages(const std::function<void()>& command) {
  std::optional<TMessageSeen> seen;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    seen = TMessageSeen{box->windowTitle(), box->text(), box->icon(), box->buttons().size()};
    box->button(QMessageBox::Ok)->click();
  });
  timer.start(5);
  command();
  return seen;
}

}  // namespace

class TestCommands : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<TempDir>();
    root_ = dir_->Path();
    one_ = root_ + "/one";
    two_ = root_ + "/two";
    dir_->Write("one/a.txt", "first\nhello world\nlast\n");
    dir_->Write("two/b.txt", "x\r\nHello again\rend");
    w_ = std::make_unique<TTestWindow>();
    w_->Search({one_, two_}, "hello");
    QGuiApplication::clipboard()->setText(QStringLiteral("held before"));
  }
  void cleanup() {
    w_.reset();
    dir_.reset();
  }

  void menusHoldTheItemsInOrder() {
    const QList<QPair<QString, QString>> results = {
        {"Copyresults1", "&Copy results"},
        {"Saveresults1", "&Save results"},
        {"Openselectedfile1", "&Open selected file with notepad"},
        {"Copyselectedfilename1", "Copy selected &filename"},
        {"Copyselectedfilecontent1", "Copy selected file content"},
        {"Opencontainingfolder1", "Open containing folder"}};
    const QList<QPair<QString, QString>> sample = {
        {"CopySample1", "&Copy sample"},
        {"Copyfilecontent1", "Copy file content"},
        {"OpenfilewithNotepad1", "Open file with Notepad"},
        {"Copyfilename1", "Copy filename"}};
    auto check = [](QMenu* menu, const QList<QPair<QString, QString>>& expected) {
      const QList<QAction*> items = menu->actions();
      QCOMPARE(items.size(), expected.size());
      for (qsizetype i = 0; i < items.size(); ++i) {
        QCOMPARE(items[i]->objectName(), expected[i].first);
        QCOMPARE(items[i]->text(), expected[i].second);
        QVERIFY(items[i]->isEnabled());
        QVERIFY(items[i]->shortcut().isEmpty());
      }
    };
    check(w_->menus->popResults, results);
    check(w_->menus->popSample, sample);
  }

  void choosingAnItemRunsItsCommand() {
    // Queued: the command runs once the event loop takes over from the menu.
    w_->Select(w_->Row("    [1] hello world"));
    w_->menus->Copyfilename1->trigger();
    QTRY_COMPARE(ClipboardBytes(), one_ + "/a.txt");
    w_->menus->Copyresults1->trigger();
    QTRY_VERIFY(ClipboardBytes().find("\r\n") != std::string::npos);
  }

  void copyResultsGivesEveryLineWithCrLf() {
    w_->menus->Copyresults1Click();
    const std::string expected =
        one_ + "/a.txt\r\n    [1] hello world\r\n\r\n" + two_ + "/b.txt\r\n    [1] Hello again\r\n";
    QCOMPARE(ClipboardBytes(), expected);
    QCOMPARE(QGuiApplication::clipboard()->text().toStdString(), expected);
  }

  void copyResultsOfAnEmptyListIsEmpty() {
    w_->Search({one_}, "not there");
    QCOMPARE(w_->results.LineCount(), size_t{0});
    w_->menus->Copyresults1Click();
    QCOMPARE(ClipboardBytes(), std::string());
  }

  void clipboardKeepsBytesThatAreNotUtf8() {
    dir_->Write("one/a.txt", "caf\xe9 hello \xff\xfe\n");
    w_->Search({one_}, "hello");
    w_->menus->Copyresults1Click();
    QCOMPARE(ClipboardBytes(), one_ + "/a.txt\r\n    [0] caf\xe9 hello \xff\xfe\r\n");
  }

  void clipboardOffersValidUtf8AsText() {
    // A leading byte-order mark and multi-byte letters stay exactly as they were.
    dir_->Write("one/a.txt", "\xef\xbb\xbfh\xc3\xa9llo hello\n");
    w_->Search({one_}, "hello");
    w_->Select(1);
    w_->menus->CopySample1Click();
    const std::string expected = "--> \xef\xbb\xbfh\xc3\xa9llo hello\r\n";
    QCOMPARE(ClipboardBytes(), expected);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8(expected));
  }

  void copySampleTakesTheRecordNotThePane() {
    w_->Select(w_->Row("    [1] hello world"));
    w_->pane->setPlainText(QStringLiteral("typed by the user"));
    w_->menus->CopySample1Click();
    QCOMPARE(ClipboardBytes(), std::string("    first\r\n--> hello world\r\n    last\r\n"));
  }

  void copyFileNameHasNoLineBreak() {
    w_->Select(w_->Row("    [1] Hello again"));
    w_->menus->Copyselectedfilename1Click();
    QCOMPARE(ClipboardBytes(), two_ + "/b.txt");
    QGuiApplication::clipboard()->clear();
    w_->menus->Copyfilename1Click();
    QCOMPARE(ClipboardBytes(), two_ + "/b.txt");
  }

  void copyFileContentReadsTheFileAsItIsNow() {
    w_->Select(w_->Row("    [1] Hello again"));
    w_->menus->Copyselectedfilecontent1Click();
    QCOMPARE(ClipboardBytes(), std::string("x\r\nHello again\r\nend\r\n"));

    // Changed since the search: LF and lone CR become CR LF, a NUL ends the text.
    dir_->Write("two/b.txt", std::string("new\nlines\r\rtail\0hidden\n", 23));
    w_->menus->Copyfilecontent1Click();
    QCOMPARE(ClipboardBytes(), std::string("new\r\nlines\r\n\r\ntail\r\n"));
  }

  void copyFileContentOfAnEmptiedFileIsEmpty() {
    w_->Select(w_->Row("    [1] Hello again"));
    dir_->Write("two/b.txt", "");
    w_->menus->Copyfilecontent1Click();
    QCOMPARE(ClipboardBytes(), std::string());
  }

  void copyFileContentOfAVanishedFileRaisesAndKeepsTheClipboard() {
    w_->Select(w_->Row("    [1] Hello again"));
    std::filesystem::remove(two_ + "/b.txt");
    try {
      w_->menus->Copyfilecontent1Click();
      QFAIL("no error raised");
    } catch (const EFOpenError& e) {
      QCOMPARE(e.Message(), "Cannot open file \"" + two_ + "/b.txt\". No such file or directory");
    }
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("held before"));
  }

  void commandsNeedingAMatchSayNoMatchSelected_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("row");  // -1: nothing selected
    const QStringList items = {
        "Openselectedfile1",     "Copyselectedfilename1", "Copyselectedfilecontent1",
        "Opencontainingfolder1", "CopySample1",           "Copyfilecontent1",
        "OpenfilewithNotepad1",  "Copyfilename1"};
    // Rows of the fixture: 0 header, 2 separator, and 5 an error line added below.
    for (const QString& item : items) {
      for (int row : {-1, 0, 2, 5}) {
        QTest::addRow("%s row %d", qPrintable(item), row) << item << row;
      }
    }
  }
  void commandsNeedingAMatchSayNoMatchSelected() {
    QFETCH(QString, item);
    QFETCH(int, row);
    w_->results.AppendText("Unable to load file ");
    w_->model.Reset();
    if (row >= 0) w_->Select(row);
    QCOMPARE(w_->SelectedGrepItem(), nullptr);
    // An empty PATH, so that a fault here could not start a real editor or browser.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray(root_.c_str()));
    bool invoked = false;
    const std::optional<TMessageSeen> seen = RunClosingMessages([&] {
      invoked =
          QMetaObject::invokeMethod(w_->menus, qPrintable(item + "Click"), Qt::DirectConnection);
    });
    qputenv("PATH", path);
    QVERIFY(invoked);
    QVERIFY(seen.has_value());
    QCOMPARE(seen->text, QStringLiteral("No match selected"));
    QCOMPARE(seen->title, QStringLiteral("Tst_commands"));
    QCOMPARE(seen->icon, QMessageBox::NoIcon);
    QCOMPARE(seen->buttons, 1);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("held before"));
  }

  void copyResultsAndSaveNeedNoSelection() {
    const std::optional<TMessageSeen> seen =
        RunClosingMessages([&] { w_->menus->Copyresults1Click(); });
    QVERIFY(!seen.has_value());
    QVERIFY(ClipboardBytes().find("hello world") != std::string::npos);
  }

  void editorAndFolderCommandsGetTheMatchFile() {
    TStubPrograms stubs;  // no xdg-mime: the first listed editor found is used
    stubs.AddRecorder("xdg-open");
    stubs.AddRecorder("gedit");
    w_->Select(w_->Row("    [1] Hello again"));
    w_->pane->setPlainText(QStringLiteral("/not/this/one.txt"));
    using TArguments = std::vector<std::string>;
    w_->menus->Opencontainingfolder1Click();
    QCOMPARE(stubs.WaitForRecord("xdg-open"), std::optional<TArguments>({two_ + "/"}));
    for (const char* item : {"Openselectedfile1Click", "OpenfilewithNotepad1Click"}) {
      std::filesystem::remove(stubs.Root() + "/records/gedit");
      QVERIFY(QMetaObject::invokeMethod(w_->menus, item, Qt::DirectConnection));
      // At the match's line, counted from 1: "[1]" is the file's second line.
      QCOMPARE(stubs.WaitForRecord("gedit"), std::optional<TArguments>({two_ + "/b.txt", "+2"}));
    }
  }

  void saveDialogHasOnlyThePlatformDefaults() {
    const std::string target = root_ + "/saved";
    bool acceptSave = false;
    bool noQuestion = false;
    QString suffix = QStringLiteral("unset");
    w_->menus->SetSaveDialogRunner([&](QFileDialog& dialog) {
      acceptSave = dialog.acceptMode() == QFileDialog::AcceptSave;
      noQuestion = dialog.testOption(QFileDialog::DontConfirmOverwrite);
      suffix = dialog.defaultSuffix();
      dialog.selectFile(QString::fromStdString(target));
      return int(QDialog::Accepted);
    });
    w_->menus->Saveresults1Click();
    QVERIFY(acceptSave);
    QVERIFY(noQuestion);
    QCOMPARE(suffix, QString());
    QCOMPARE(ReadFile(target), one_ + "/a.txt\r\n    [1] hello world\r\n\r\n" + two_ +
                                   "/b.txt\r\n    [1] Hello again\r\n");
  }

  void saveReplacesAnExistingFileAndAddsNoExtension() {
    const std::string target = dir_->Write("results", std::string(10000, 'z'));
    QPointer<QFileDialog> shown;
    w_->menus->SetSaveDialogRunner([&](QFileDialog& dialog) {
      shown = &dialog;
      dialog.selectFile(QString::fromStdString(target));
      return int(QDialog::Accepted);
    });
    w_->Search({one_}, "hello");
    w_->menus->Saveresults1Click();
    QCOMPARE(ReadFile(target), one_ + "/a.txt\r\n    [1] hello world\r\n");
    QVERIFY(!std::filesystem::exists(target + ".txt"));
    QVERIFY(shown.isNull());  // the dialog lives for one command only
  }

  void saveOfAnEmptyListWritesZeroBytes() {
    const std::string target = dir_->Write("empty.txt", "old");
    w_->Search({one_}, "not there");
    w_->menus->SetSaveDialogRunner([&](QFileDialog& dialog) {
      dialog.selectFile(QString::fromStdString(target));
      return int(QDialog::Accepted);
    });
    w_->menus->Saveresults1Click();
    QCOMPARE(std::filesystem::file_size(target), uintmax_t{0});
  }

  void saveCancelledWritesNothing() {
    // The real dialog, shown modally and cancelled.
    const auto before = std::distance(std::filesystem::directory_iterator(root_),
                                      std::filesystem::directory_iterator());
    QPointer<QFileDialog> seen;
    bool shown = false;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] {
      if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        shown = true;
        seen = dialog;
        dialog->reject();
      }
    });
    timer.start(5);
    w_->menus->Saveresults1Click();
    timer.stop();
    QVERIFY(shown);
    QVERIFY(seen.isNull());
    QCOMPARE(std::distance(std::filesystem::directory_iterator(root_),
                           std::filesystem::directory_iterator()),
             before);
  }

  void saveErrorsPropagateAfterTheDialogIsGone_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message");
    // Permission denial cannot be shown as root, so the failures come from the path.
    QTest::addRow("missing folder")
        << "/missing/saved.txt"
        << "Cannot create file \"%1/missing/saved.txt\". No such file or directory";
    QTest::addRow("under a file")
        << "/one/a.txt/saved.txt"
        << "Cannot create file \"%1/one/a.txt/saved.txt\". Not a directory";
    QTest::addRow("a folder") << "/one"
                              << "Cannot create file \"%1/one\". Is a directory";
    QTest::addRow("full disk") << "/dev/full"
                               << "Stream write error";
  }
  void saveErrorsPropagateAfterTheDialogIsGone() {
    QFETCH(QString, target);
    QFETCH(QString, message);
    const QString root = QString::fromStdString(root_);
    const std::string path = (target.startsWith("/dev/") ? target : root + target).toStdString();
    QPointer<QFileDialog> shown;
    w_->menus->SetSaveDialogRunner([&](QFileDialog& dialog) {
      shown = &dialog;
      dialog.selectFile(QString::fromStdString(path));
      return int(QDialog::Accepted);
    });
    try {
      w_->menus->Saveresults1Click();
      QFAIL("no error raised");
    } catch (const EStreamError& e) {
      QCOMPARE(QString::fromStdString(e.Message()),
               message.contains("%1") ? message.arg(root) : message);
      QCOMPARE(e.TypeName(), message.startsWith("Stream") ? "EWriteError" : "EFCreateError");
    }
    QVERIFY(shown.isNull());
  }

  void saveTakesTheNameAsBytes() {
    // A name that is not UTF-8 reaches the file system unchanged.
    const std::string target = root_ + "/r\xe9sultats\xff";
    SaveResults(target, w_->results);
    QVERIFY(ReadFile(target).starts_with(one_ + "/a.txt\r\n"));
    QCOMPARE(std::filesystem::file_size(target), ReadFile(target).size());
  }

  void saveToAFifoWithoutReaderFailsAtOnce() {
    const std::string fifo = root_ + "/fifo";
    QCOMPARE(mkfifo(fifo.c_str(), 0600), 0);
    try {
      SaveResults(fifo, w_->results);
      QFAIL("no error raised");
    } catch (const EFCreateError& e) {
      QCOMPARE(e.Message(), "Cannot create file \"" + fifo + "\". No such device or address");
    }
    std::filesystem::remove(fifo);
  }

  void aMillionLinesCopyAndSaveWhole() {
    TSearchResults& results = w_->results;
    results.ClearLines();
    results.ClearItems();
    size_t expectedSize = 0;
    for (int i = 0; i < 1000000; ++i) {
      std::string line = "line " + std::to_string(i);
      expectedSize += line.size() + 2;
      results.AppendText(std::move(line));
    }
    w_->model.Reset();
    w_->menus->Copyresults1Click();
    const std::string copied = ClipboardBytes();
    QCOMPARE(copied.size(), expectedSize);
    QVERIFY(copied.starts_with("line 0\r\nline 1\r\n"));
    QVERIFY(copied.ends_with("line 999998\r\nline 999999\r\n"));

    const std::string target = root_ + "/million.txt";
    SaveResults(target, results);
    QCOMPARE(ReadFile(target), copied);
    std::filesystem::remove(target);
  }

  void rightClickKeepsTheSelectionAndOpensTheListMenu() {
    w_->window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w_->window));
    const int selected = w_->Row("    [1] hello world");
    w_->Select(selected);
    const QPoint other = w_->list->visualRect(w_->model.index(selected + 2)).center();
    QTest::mouseClick(w_->list->viewport(), Qt::RightButton, {}, other);
    QTest::mouseDClick(w_->list->viewport(), Qt::RightButton, {}, other);
    QCOMPARE(w_->list->currentIndex().row(), selected);
    QCOMPARE(w_->list->selectionModel()->selectedIndexes().value(0).row(), selected);

    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, other,
                                w_->list->viewport()->mapToGlobal(other));
    QApplication::sendEvent(w_->list->viewport(), &menuEvent);
    QTRY_VERIFY(w_->menus->popResults->isVisible());
    w_->menus->popResults->close();

    // A left click still selects.
    QTest::mouseClick(w_->list->viewport(), Qt::LeftButton, {}, other);
    QCOMPARE(w_->list->currentIndex().row(), selected + 2);
  }

  void thePaneShowsItsOwnMenuNotTheEditMenu() {
    w_->window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w_->window));
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                w_->pane->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(w_->pane->viewport(), &menuEvent);
    QTRY_VERIFY(w_->menus->popSample->isVisible());
    w_->menus->popSample->close();
    QVERIFY(!w_->menus->popResults->isVisible());
  }

  void menuKeysOpenTheMenuOfTheFocusedControl_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addRow("menu key") << int(Qt::Key_Menu) << int(Qt::NoModifier);
    QTest::addRow("shift F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
  }
  void menuKeysOpenTheMenuOfTheFocusedControl() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    w_->window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w_->window));
    w_->Select(1);
    QTest::keyClick(w_->list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_VERIFY(w_->menus->popResults->isVisible());
    QVERIFY(!w_->menus->popSample->isVisible());
    w_->menus->popResults->close();
    QCOMPARE(w_->list->currentIndex().row(), 1);

    QTest::keyClick(w_->pane, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_VERIFY(w_->menus->popSample->isVisible());
    QVERIFY(!w_->menus->popResults->isVisible());
    w_->menus->popSample->close();
    QVERIFY(w_->pane->toPlainText().isEmpty());  // the key typed nothing
  }

  void linesTextEndsEveryLineWithCrLf_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("text");
    QTest::addRow("none") << QStringList{} << QByteArray();
    QTest::addRow("one empty") << QStringList{""} << QByteArray("\r\n");
    QTest::addRow("two") << QStringList{"a", "b c"} << QByteArray("a\r\nb c\r\n");
    QTest::addRow("empty inside") << QStringList{"a", "", "b"} << QByteArray("a\r\n\r\nb\r\n");
  }
  void linesTextEndsEveryLineWithCrLf() {
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, text);
    TStringList list;
    for (const QString& line : lines) list.push_back(line.toStdString());
    QCOMPARE(QByteArray::fromStdString(LinesText(list)), text);
  }

 private:
  std::unique_ptr<TempDir> dir_;
  std::string root_;
  std::string one_;
  std::string two_;
  std::unique_ptr<TTestWindow> w_;
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
