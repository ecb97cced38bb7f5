// The main window: its defaults, the Ok command from the first click to the results
// window, and what the windows survive.
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "GuiTestSupport.h"
#include "app/StartUp.h"
#include "app/frmmainunit.h"
#include "folders/frmfoldersunit.h"
#include "progress/frmstatusunit.h"
#include "results/frmresultsunit.h"

using namespace trawlix;

namespace {

QStringList ShownLines() {
  QStringList lines;
  const QAbstractItemModel* model = frmResults->lstResults->model();
  for (int row = 0; row < model->rowCount(); ++row) lines << model->index(row, 0).data().toString();
  return lines;
}

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

  // Clicks Ok and returns the lines the results window showed (empty if it did not open).
  QStringList RunAndCollect(bool* shown = nullptr) {
    QStringList lines;
    bool opened = false;
    TModalWatcher results([&](QWidget* window) {
      opened = window == frmResults;
      lines = ShownLines();
      window->close();
    });
    frmMain->cmdOk->click();
    if (shown) *shown = opened;
    return lines;
  }

 private slots:
  void initTestCase() { QVERIFY(StartWindows()); }
  void cleanupTestCase() { DestroyWindows(); }

  void init() {
    frmMain->txtSearch->setText("cat");
    frmMain->cboMask->setCurrentText("*.txt");
    frmMain->chkWholeword->setChecked(false);
    frmMain->chkCaseSense->setChecked(false);
  }

  void defaults() {
    TfrmMain window;
    QCOMPARE(window.windowTitle(), QString("Trawlix v0.05"));
    QCOMPARE(window.cboMask->currentText(), QString("*.txt"));
    QVERIFY(window.cboMask->isEditable());
    QStringList presets;
    for (int i = 0; i < window.cboMask->count(); ++i) presets << window.cboMask->itemText(i);
    QCOMPARE(presets, QStringList({"*.txt", "*.pas", "*.c", "*.cpp", "*.h", "*.hpp", "*.dfm",
                                   "*.bas", "*.cs", "*.vb", "*.zip", "*.arc", "*.dat", "*.*"}));
    QVERIFY(!window.chkWholeword->isChecked());
    QVERIFY(!window.chkCaseSense->isChecked());
    QCOMPARE(window.txtSearch->text(), QString());
    QCOMPARE(window.lstFolders->Count(), 0);
    QVERIFY(!window.Cancelled);
    QCOMPARE(window.Results().LineCount(), size_t(0));
    QCOMPARE(window.chkWholeword->text(), QString("&Whole Word"));
    QCOMPARE(window.chkCaseSense->text(), QString("&Case Sensitive"));
    QCOMPARE(window.cmdOk->text(), QString("&Ok"));
    QCOMPARE(window.cmdFolders->text(), QString("Folders"));
    QCOMPARE(window.Label1->text(), QString("Folders to be searched:"));
    QCOMPARE(window.Label2->text(), QString("Text for which to search:"));
    QCOMPARE(window.lblFileMask->text(), QString("File Masks (semicolon delimited):"));
    QVERIFY(window.cmdOk->isDefault());
    QCOMPARE(window.cmdAbout->focusPolicy(), Qt::NoFocus);
    QVERIFY(!window.cmdAbout->icon().isNull());
    QVERIFY(!window.cmdFolders->icon().isNull());
    QVERIFY(!window.cmdOk->icon().isNull());
  }

  // Not resizable, and every caption fits.
  // A screen reader hears a top-level window (AT-SPI: a frame), not a part of one.
  void accessibleAsAWindow() {
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(frmMain);
    QVERIFY(window != nullptr);
    QCOMPARE(window->role(), QAccessible::Window);
    QCOMPARE(window->text(QAccessible::Name), QString("Trawlix v0.05"));
  }

  void fixedSizeAndCaptionsFit() {
    frmMain->adjustSize();
    QCOMPARE(frmMain->minimumSize(), frmMain->maximumSize());
    for (QLabel* label : {frmMain->Label1, frmMain->Label2, frmMain->lblFileMask}) {
      QVERIFY(label->width() >= label->sizeHint().width());
    }
    for (QWidget* control : std::initializer_list<QWidget*>{
             frmMain->chkWholeword, frmMain->chkCaseSense, frmMain->cmdOk, frmMain->cmdFolders}) {
      QVERIFY(control->width() >= control->sizeHint().width());
    }
  }

  void tabOrder() {
    QList<QWidget*> order;
    QWidget* w = frmMain->cmdFolders;
    do {
      if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && w->isVisibleTo(frmMain) &&
          frmMain->isAncestorOf(w) && !qobject_cast<QLineEdit*>(w->parentWidget()) &&
          !order.contains(w)) {
        order << w;
      }
      w = w->nextInFocusChain();
    } while (w != frmMain->cmdFolders);
    // The mask box takes the focus through its own edit field.
    const QWidget* maskEdit = frmMain->cboMask->lineEdit();
    QList<QWidget*> expected{frmMain->cmdFolders,   frmMain->lstFolders,   frmMain->txtSearch,
                             frmMain->chkWholeword, frmMain->chkCaseSense, frmMain->cboMask,
                             frmMain->cmdOk};
    order.removeIf([&](QWidget* x) { return x == maskEdit; });
    QCOMPARE(order.mid(0, expected.size()), expected);
  }

  void enableControls() {
    frmMain->EnableControls(false);
    QVERIFY(!frmMain->chkCaseSense->isEnabled());
    QVERIFY(!frmMain->cboMask->isEnabled());
    QVERIFY(!frmMain->cmdFolders->isEnabled());
    QVERIFY(!frmMain->txtSearch->isEnabled());
    QVERIFY(frmMain->chkWholeword->isEnabled());
    QVERIFY(frmMain->lstFolders->isEnabled());
    QVERIFY(frmMain->cmdOk->isEnabled());
    QVERIFY(frmMain->cmdAbout->isEnabled());
    frmMain->EnableControls(true);
    QVERIFY(frmMain->txtSearch->isEnabled());
  }

  // Two folders with one matching file each, from Ok to the results window.
  void runToResults() {
    TTempTree tree;
    const std::string a = tree.Folder("a"), b = tree.Folder("b");
    tree.File("a/one.txt", "the cat\nno dog\r\ncat again\n");
    tree.File("a/other.dat", "cat in a file the mask leaves out\n");
    tree.File("b/two.txt", "a cat, a cat, a cat");
    frmFolders->lstFolders->SetItems({a, b});

    QStringList lines;
    bool disabledDuringRun = false, progressClosed = false, nothingSelected = false;
    TModalWatcher results([&](QWidget* window) {
      QCOMPARE(window, static_cast<QWidget*>(frmResults));
      lines = ShownLines();
      disabledDuringRun = !frmMain->txtSearch->isEnabled() && !frmMain->cboMask->isEnabled() &&
                          !frmMain->chkCaseSense->isEnabled() &&
                          !frmMain->cmdFolders->isEnabled() && frmMain->chkWholeword->isEnabled() &&
                          frmMain->cmdOk->isEnabled();
      progressClosed = !frmStatus->isVisible();
      nothingSelected = frmResults->SelectedLine() == -1;
      window->close();
    });
    frmMain->cmdOk->click();

    QCOMPARE(lines, QStringList({Q(a + "/one.txt"), "    [0] the cat", "    [2] cat again", "",
                                 Q(b + "/two.txt"), "    [0] a cat, a cat, a cat"}));
    const std::vector<int32_t> expectedIndex{-1, 0, 1, -1, -1, 2};
    QCOMPARE(frmMain->Results().LineItemIndex(), expectedIndex);
    QCOMPARE(frmMain->Results().GrepItems().size(), size_t(3));
    QVERIFY(disabledDuringRun);
    QVERIFY(progressClosed);
    QVERIFY(nothingSelected);
    QVERIFY(frmMain->txtSearch->isEnabled());
    QVERIFY(frmMain->cboMask->isEnabled());
    QVERIFY(frmMain->chkCaseSense->isEnabled());
    QVERIFY(frmMain->cmdFolders->isEnabled());
    QVERIFY(!frmMain->Cancelled);
    QVERIFY(!frmResults->isVisible());
  }

  // Enter that no control takes presses Ok, from the search text and from the mask box;
  // the run disables that control, and the focus comes back to it afterwards.
  void enterRunsTheSearch_data() {
    QTest::addColumn<bool>("inMaskBox");
    QTest::newRow("search text") << false;
    QTest::newRow("mask box") << true;
  }
  void enterRunsTheSearch() {
    QFETCH(bool, inMaskBox);
    TTempTree tree;
    tree.File("one.txt", "cat\n");
    frmFolders->lstFolders->SetItems({tree.Root()});
    bool shown = false;
    TModalWatcher results([&](QWidget* window) {
      shown = true;
      window->close();
    });
    QWidget* target = inMaskBox ? static_cast<QWidget*>(frmMain->cboMask->lineEdit())
                                : static_cast<QWidget*>(frmMain->txtSearch);
    frmMain->activateWindow();
    QTRY_VERIFY(frmMain->isActiveWindow());
    target->setFocus();
    QVERIFY(target->hasFocus());
    QTest::keyClick(target, Qt::Key_Return);
    QVERIFY(shown);
    frmMain->activateWindow();
    QTRY_VERIFY(frmMain->isActiveWindow());
    QVERIFY(target->hasFocus());
    QCOMPARE(frmMain->cboMask->count(), 14);  // Enter adds nothing to the presets
  }

  void blankMaskBecomesStarDotStar_data() {
    QTest::addColumn<QString>("mask");
    QTest::newRow("empty") << "";
    QTest::newRow("spaces") << "   ";
  }
  void blankMaskBecomesStarDotStar() {
    QFETCH(QString, mask);
    TTempTree tree;
    tree.File("one.dat", "cat\n");
    frmFolders->lstFolders->SetItems({tree.Root()});
    frmMain->cboMask->setCurrentText(mask);
    const QStringList lines = RunAndCollect();
    QCOMPARE(frmMain->cboMask->currentText(), QString("*.*"));
    QCOMPARE(lines.size(), 2);
  }

  // What the windows survive: no folders, no search text, a folder that vanishes during the
  // run and a file that vanishes between its listing and its loading.
  void survivesEmptyInputs() {
    frmFolders->lstFolders->SetItems({});
    bool shown = false;
    QCOMPARE(RunAndCollect(&shown), QStringList());
    QVERIFY(shown);
    QCOMPARE(frmStatus->overallprogress->MaxValue(), 0);

    TTempTree tree;
    tree.File("one.txt", "cat\n");
    frmFolders->lstFolders->SetItems({tree.Root()});
    frmMain->txtSearch->setText("");
    QCOMPARE(RunAndCollect(&shown), QStringList());
    QVERIFY(shown);
  }

  // The results list shows the reports of a file and of folders that cannot be read. The
  // file is a link to the process's memory, which opens but gives an I/O error at once (the
  // search reads files ahead of their turn, so one taken away at its turn may have been
  // read already).
  void survivesVanishingFolderAndFile() {
    TTempTree tree;
    const std::string a = tree.Folder("a"), b = tree.Folder("b"), c = tree.Folder("c");
    const std::string first = tree.File("a/1.txt", "cat one\n");
    const std::string gone = tree.Path("b/2.txt");
    std::filesystem::create_symlink("/proc/self/mem", gone);
    tree.File("c/3.txt", "cat three\n");
    const std::string never = tree.Path("never-there");
    frmFolders->lstFolders->SetItems({a, b, c, never});
    TEventWatcher remove([&] {
      if (frmStatus->lblFilename->text() != Q(first)) return false;
      std::filesystem::remove_all(c);  // gone by its turn
      return true;
    });
    const QStringList lines = RunAndCollect();
    QCOMPARE(lines.size(), 17);
    QCOMPARE(lines.mid(0, 4), QStringList({Q(first), "    [0] cat one", "Unable to load file ",
                                           "\"" + Q(gone) + "\""}));
    QCOMPARE(lines[4], QString("because an exception occurred:"));
    QCOMPARE(lines[5], QString("EReadError: Input/output error"));
    QCOMPARE(lines[6], QString());
    for (const auto& [at, folder] : {std::pair{7, c}, std::pair{12, never}}) {
      QCOMPARE(lines.mid(at, 5), QStringList({"Unable to list folder ", "\"" + Q(folder) + "\"",
                                              "because an exception occurred:",
                                              "EFOpenError: Cannot open folder \"" + Q(folder) +
                                                  "\". No such file or directory",
                                              ""}));
    }
  }

  // The results window learns what the run compared: the text, Case Sensitive, and Whole
  // Word only where every found line was tested with it (it stays enabled during a run).
  void handsOverTheSearchedText_data() {
    QTest::addColumn<bool>("switchedOff");
    QTest::newRow("whole word throughout") << false;
    QTest::newRow("switched off during the run") << true;
  }
  void handsOverTheSearchedText() {
    QFETCH(bool, switchedOff);
    TTempTree tree;
    tree.File("1.txt", "a Cat\n");
    const std::string second = tree.File("2.txt", "b cat\n");
    frmFolders->lstFolders->SetItems({tree.Root()});
    frmMain->txtSearch->setText("CAT");
    frmMain->chkWholeword->setChecked(true);
    TEventWatcher toggle([&] {
      if (!switchedOff || frmStatus->lblFilename->text() != Q(second)) return false;
      frmMain->chkWholeword->setChecked(false);
      return true;
    });
    QCOMPARE(RunAndCollect().size(), 5);
    QCOMPARE(frmResults->SearchedText(), (TSearchedText{"CAT", false, !switchedOff}));
  }

  // Ok pressed again while a run lets events run is refused: one run, one results window.
  void secondOkIgnored() {
    TTempTree tree;
    tree.File("one.txt", "cat\n");
    frmFolders->lstFolders->SetItems({tree.Root(), tree.Root()});
    int clicks = 0;
    TEventWatcher again([&] {
      if (!frmStatus->isVisible()) return false;
      frmMain->cmdOk->click();
      return ++clicks == 3;
    });
    int shown = 0;
    TEventWatcher results([&] {
      if (QApplication::activeModalWidget() != frmResults) return false;
      ++shown;
      frmResults->close();
      return false;
    });
    frmMain->cmdOk->click();
    QCOMPARE(clicks, 3);
    QCOMPARE(shown, 1);
    QCOMPARE(frmMain->Results().GrepItems().size(), size_t(2));
  }

  // Controls come back after a cancelled run too.
  void enabledAfterCancel() {
    TTempTree tree;
    tree.File("one.txt", "cat\n");
    frmFolders->lstFolders->SetItems({tree.Root()});
    TEventWatcher cancel([&] {
      if (!frmStatus->isVisible()) return false;
      frmStatus->cmdCancel->click();
      return true;
    });
    bool shown = false;
    RunAndCollect(&shown);
    QVERIFY(!shown);
    QVERIFY(frmMain->txtSearch->isEnabled());
    QVERIFY(frmMain->cmdFolders->isEnabled());
    QVERIFY(!frmMain->Cancelled);
  }

  void folderExchange() {
    frmMain->lstFolders->SetItems({"/shown"});
    frmFolders->lstFolders->SetItems({"/stale"});
    TModalWatcher accept([](QWidget* window) {
      QCOMPARE(frmFolders->lstFolders->Items(), TStringList({"/shown"}));
      frmFolders->lstFolders->Append("/added");
      static_cast<QDialog*>(window)->accept();
    });
    frmMain->cmdFolders->click();
    QCOMPARE(frmMain->lstFolders->Items(), TStringList({"/shown", "/added"}));

    TModalWatcher reject([](QWidget* window) {
      frmFolders->lstFolders->Append("/dropped");
      static_cast<QDialog*>(window)->reject();
    });
    frmMain->cmdFolders->click();
    QCOMPARE(frmMain->lstFolders->Items(), TStringList({"/shown", "/added"}));
    QCOMPARE(frmFolders->lstFolders->Items(), TStringList({"/shown", "/added", "/dropped"}));
  }

  void aboutBox() {
    TMessageBoxReader about;
    frmMain->cmdAbout->click();
    QVERIFY(about.seen);
    QCOMPARE(about.title, QString("About..."));
    QVERIFY(about.text.startsWith("Trawlix v0.05\r\n"));
    QCOMPARE(about.text.split("\r\n").size(), 2);
    QCOMPARE(about.icon, QMessageBox::NoIcon);
    QCOMPARE(about.buttons, 1);
  }

  // Closing the main window during a run stops the run, and the window closes after it.
  void closeDuringRun() {
    TTempTree tree;
    tree.File("one.txt", "cat\n");
    frmFolders->lstFolders->SetItems({tree.Root()});
    bool refused = false;
    TEventWatcher close([&] {
      if (!frmStatus->isVisible()) return false;
      refused = !frmMain->close();
      return true;
    });
    bool shown = false;
    RunAndCollect(&shown);
    QVERIFY(refused);
    QVERIFY(!shown);
    QVERIFY(!frmMain->isVisible());
    frmMain->show();
    QVERIFY(QTest::qWaitForWindowExposed(frmMain));
    QVERIFY(frmMain->close());
    frmMain->show();
  }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
