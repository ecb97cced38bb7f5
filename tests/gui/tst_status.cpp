// The progress window: its look, Cancel by click, Enter and Esc at the run's folder and
// file points, and its place.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "GuiTestSupport.h"
#include "app/StartUp.h"
#include "app/frmmainunit.h"
#include "folders/frmfoldersunit.h"
#include "progress/frmstatusunit.h"
#include "results/frmresultsunit.h"

using namespace trawlix;

class TestStatus : public QObject {
  Q_OBJECT

  // How the Cancel button is pressed.
  enum Press { Click, Enter, Escape };
  static void PressCancel(Press how) {
    switch (how) {
      case Click:
        frmStatus->cmdCancel->click();
        break;
      case Enter:
        QTest::keyClick(frmStatus, Qt::Key_Return);
        break;
      case Escape:
        QTest::keyClick(frmStatus, Qt::Key_Escape);
        break;
    }
  }

 private slots:
  void initTestCase() { QVERIFY(StartWindows()); }
  void cleanupTestCase() { DestroyWindows(); }

  void look() {
    QVERIFY(frmStatus->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!frmStatus->isModal());
    QCOMPARE(frmStatus->Label2->text(), QString("Overall Progress"));
    QCOMPARE(frmStatus->Label1->text(), QString("File Progress"));
    QCOMPARE(frmStatus->cmdCancel->text(), QString("&Cancel"));
    QVERIFY(frmStatus->cmdCancel->isDefault());
    for (TGauge* gauge : {frmStatus->overallprogress, frmStatus->fileprogress}) {
      QCOMPARE(gauge->width(), 249);
      QVERIFY(gauge->height() >= 17);
      QCOMPARE(gauge->ForeColor(), QColor(0, 0, 128));
      QVERIFY(gauge->font().bold());
      QCOMPARE(gauge->Progress(), 0);
    }
    // The two gauges share one frame line.
    QCOMPARE(frmStatus->fileprogress->y(),
             frmStatus->overallprogress->y() + frmStatus->overallprogress->height() - 1);
  }

  // A long path stays on one line and does not widen the window.
  void longPathIsClipped() {
    frmStatus->show();
    QVERIFY(QTest::qWaitForWindowExposed(frmStatus));
    const int width = frmStatus->sizeHint().width();
    frmStatus->lblFilename->setText(QString("/very/long/path").repeated(100));
    QCOMPARE(frmStatus->sizeHint().width(), width);
    QCOMPARE(frmStatus->lblFilename->width(), frmStatus->lblFilename->sizeHint().width());
    frmStatus->lblFilename->setText(QString());
    frmStatus->hide();
  }

  void cancelKeysOnlySetTheFlag_data() {
    QTest::addColumn<int>("press");
    QTest::newRow("click") << int(Click);
    QTest::newRow("enter") << int(Enter);
    QTest::newRow("escape") << int(Escape);
  }
  void cancelKeysOnlySetTheFlag() {
    QFETCH(int, press);
    frmStatus->show();
    QVERIFY(QTest::qWaitForWindowExposed(frmStatus));
    frmMain->Cancelled = false;
    PressCancel(static_cast<Press>(press));
    QVERIFY(frmMain->Cancelled);
    QVERIFY(frmStatus->isVisible());
    PressCancel(static_cast<Press>(press));  // twice is as once
    QVERIFY(frmMain->Cancelled);
    QVERIFY(frmStatus->isVisible());
    frmStatus->hide();
    frmMain->Cancelled = false;
  }

  // Cancel at a folder's point: its files are listed but none is loaded; no results window.
  // Cancel at a file's point: the files before it are searched, nothing after it.
  void cancelDuringRun_data() {
    QTest::addColumn<int>("press");
    QTest::addColumn<bool>("atFile");
    QTest::newRow("folder, click") << int(Click) << false;
    QTest::newRow("folder, enter") << int(Enter) << false;
    QTest::newRow("file, escape") << int(Escape) << true;
    QTest::newRow("file, click") << int(Click) << true;
  }
  void cancelDuringRun() {
    QFETCH(int, press);
    QFETCH(bool, atFile);
    TTempTree tree;
    const std::string a = tree.Folder("a"), b = tree.Folder("b");
    tree.File("a/one.txt", "cat in a\n");
    const std::string second = tree.File("b/two.txt", "cat in b\n");
    frmFolders->lstFolders->SetItems({a, b});
    frmMain->txtSearch->setText("cat");
    frmMain->cboMask->setCurrentText("*.txt");

    bool resultsShown = false;
    TModalWatcher results([&](QWidget* window) {
      resultsShown = true;
      window->close();
    });
    int overallAtCancel = -1;
    bool enabledDuringRun = true;
    TEventWatcher cancel([&] {
      const bool here = atFile ? frmStatus->lblFilename->text() == QString::fromStdString(second)
                               : frmStatus->overallprogress->Progress() == 1;
      if (!here || !frmStatus->isVisible()) return false;
      overallAtCancel = frmStatus->overallprogress->Progress();
      enabledDuringRun = frmMain->txtSearch->isEnabled();
      PressCancel(static_cast<Press>(press));
      return true;
    });
    frmMain->cmdOk->click();

    QVERIFY(cancel.Done());
    QCOMPARE(overallAtCancel, atFile ? 2 : 1);
    QVERIFY(!enabledDuringRun);
    QVERIFY(!resultsShown);
    QVERIFY(!frmStatus->isVisible());
    QVERIFY(!frmMain->Cancelled);
    QVERIFY(frmMain->txtSearch->isEnabled());
    QVERIFY(frmMain->cboMask->isEnabled());
    if (atFile) {
      QCOMPARE(frmMain->Results().LineCount(), size_t(2));  // a's header and match only
      QCOMPARE(frmMain->Results().GrepItems().size(), size_t(1));
    } else {
      QCOMPARE(frmMain->Results().LineCount(), size_t(0));
      QCOMPARE(frmStatus->fileprogress->MaxValue(), 1);  // the folder's files were listed
    }

    // The next run starts afresh and shows its results.
    TModalWatcher next([&](QWidget* window) {
      resultsShown = true;
      window->close();
    });
    frmMain->cmdOk->click();
    QVERIFY(resultsShown);
    QCOMPARE(frmMain->Results().GrepItems().size(), size_t(2));
  }

  // Gauges during a run: three folders show 33, 66 and 100%; four files 25% ... 100%.
  void gaugesFollowTheRun() {
    TTempTree tree;
    TStringList folders;
    for (const char* name : {"x", "y", "z"}) folders.push_back(tree.Folder(name));
    for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt"})
      tree.File(std::string("z/") + name, "-");
    frmFolders->lstFolders->SetItems(folders);
    frmMain->cboMask->setCurrentText("*.txt");
    QStringList seen;
    TEventWatcher watch([&] {
      if (frmStatus->isVisible()) {
        const QString state = QString("%1/%2")
                                  .arg(frmStatus->overallprogress->Percent())
                                  .arg(frmStatus->fileprogress->Percent());
        if (seen.isEmpty() || seen.last() != state) seen << state;
      }
      return false;
    });
    TModalWatcher results([](QWidget* window) { window->close(); });
    frmMain->cmdOk->click();
    QVERIFY(seen.contains("33/0") || seen.contains("33/100"));
    QVERIFY(seen.contains("66/0") || seen.contains("66/100"));
    for (const char* state : {"100/25", "100/50", "100/75", "100/100"}) {
      QVERIFY2(seen.contains(state), qPrintable(seen.join(' ')));
    }
  }

  // Centred over the main window the first time, then always at that same place.
  void placement() {
    frmMain->move(300, 150);
    TfrmStatus window(frmMain);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint first = window.pos();
    QVERIFY(CentredOver(window, *frmMain));
    window.hide();
    frmMain->move(frmMain->pos() + QPoint(40, 30));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.pos(), first);
    frmMain->move(frmMain->pos() - QPoint(40, 30));
  }
};

QTEST_MAIN(TestStatus)
#include "tst_status.moc"
