// The results window: mapping the selected line to its record, the context pane, the
// hand-over, the splitter, the keys, placement, and a million lines.
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>
#include <memory>

#include "GuiTestSupport.h"
#include "app/StartUp.h"
#include "app/frmmainunit.h"
#include "results/MatchMarks.h"
#include "results/frmresultsunit.h"
#include "search/SearchResults.h"

using namespace trawlix;

namespace {

TGrepItem Item(int64_t line, const std::string& text,
               const std::shared_ptr<const std::string>& path) {
  return TGrepItem(line, text, path, {"    before " + text, "--> " + text, "    after " + text});
}

QString SampleText(const TGrepItem& item) {
  QStringList lines;
  for (const std::string& line : item.Sample()) lines << QString::fromStdString(line);
  return lines.join('\n');
}

// Lines: 0 header a, 1 match 0, 2 match 1, 3 separator, 4..8 error report,
// 9 separator, 10 header b, 11 match 2.
std::unique_ptr<TSearchResults> SampleResults() {
  auto results = std::make_unique<TSearchResults>();
  const auto a = std::make_shared<const std::string>("/data/a.txt");
  const auto b = std::make_shared<const std::string>("/data/b.txt");
  results->AppendHeader(a);
  results->AppendMatch(Item(0, "first cat", a));
  results->AppendMatch(Item(7, "second cat", a));
  results->AppendSeparator();
  results->AppendText("Unable to load file ");
  results->AppendText("\"/data/x.txt\"");
  results->AppendText("because an exception occurred:");
  results->AppendText("EFOpenError: Cannot open file \"/data/x.txt\". Permission denied");
  results->AppendText("");
  results->AppendSeparator();
  results->AppendHeader(b);
  results->AppendMatch(Item(3, "third cat", b));
  return results;
}

}  // namespace

class TestResults : public QObject {
  Q_OBJECT
  std::unique_ptr<TSearchResults> results_;

  void Select(int row) {
    frmResults->lstResults->setCurrentIndex(frmResults->lstResults->model()->index(row, 0));
  }

  // Drags splitter1's handle so that its top edge lands at `top` (splitter coordinates).
  void DragSplitterTo(int top) {
    QSplitter* splitter = frmResults->splitter1;
    QSplitterHandle* handle = splitter->handle(1);
    const int offset = handle->height() / 2;
    const QPoint pressLocal(handle->width() / 2, offset);
    const QPoint releaseInSplitter(handle->width() / 2, top + offset);
    QMouseEvent press(QEvent::MouseButtonPress, pressLocal, handle->mapToGlobal(pressLocal),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &press);
    const QPoint global = splitter->mapToGlobal(releaseInSplitter);
    const QPoint local = handle->mapFromGlobal(global);
    QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(handle, &release);
  }

  int PaneHeight() const { return frmResults->splitter1->sizes()[1]; }
  int ListHeight() const { return frmResults->splitter1->sizes()[0]; }

 private slots:
  void initTestCase() { QVERIFY(StartWindows()); }
  void cleanupTestCase() { DestroyWindows(); }

  void init() {
    results_ = SampleResults();
    frmResults->SetSearchedText({});
    frmResults->SetResults(*results_);
  }
  void cleanup() { frmResults->hide(); }

  void startsEmpty() {
    TfrmResults fresh;
    QCOMPARE(fresh.windowTitle(), QString("Results"));
    QCOMPARE(fresh.lstResults->model()->rowCount(), 0);
    QCOMPARE(fresh.mmoSample->toPlainText(), QString());
    QCOMPARE(fresh.mmoSample->document()->blockCount(), 1);
    QVERIFY(!fresh.SelectedGrepItem());
    QVERIFY(fresh.cmdOk->isDefault());
    QCOMPARE(fresh.mmoSample->lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(!fresh.mmoSample->isReadOnly());
    QCOMPARE(fresh.lstResults->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(fresh.lstResults->uniformItemSizes());
  }

  void linesShown() {
    QCOMPARE(frmResults->lstResults->model()->rowCount(), 12);
    const auto text = [](int row) {
      return frmResults->lstResults->model()->index(row, 0).data().toString();
    };
    QCOMPARE(text(0), QString("/data/a.txt"));
    QCOMPARE(text(1), QString("    [0] first cat"));
    QCOMPARE(text(3), QString());
    QCOMPARE(text(7), QString("EFOpenError: Cannot open file \"/data/x.txt\". Permission denied"));
    QCOMPARE(text(11), QString("    [3] third cat"));
  }

  void selectedGrepItem_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("record");  // -1: none
    QTest::newRow("header") << 0 << -1;
    QTest::newRow("first match") << 1 << 0;
    QTest::newRow("second match") << 2 << 1;
    QTest::newRow("separator") << 3 << -1;
    QTest::newRow("error report first line") << 4 << -1;
    QTest::newRow("error report type line") << 7 << -1;
    QTest::newRow("error report empty line") << 8 << -1;
    QTest::newRow("second header") << 10 << -1;
    QTest::newRow("match after an error report") << 11 << 2;
  }
  void selectedGrepItem() {
    QFETCH(int, row);
    QFETCH(int, record);
    QVERIFY(!frmResults->SelectedGrepItem());
    frmResults->mmoSample->setPlainText("old text");
    Select(row);
    QCOMPARE(frmResults->SelectedLine(), row);
    const TGrepItem* item = frmResults->SelectedGrepItem();
    if (record < 0) {
      QVERIFY(!item);
      QCOMPARE(frmResults->mmoSample->toPlainText(), QString());
    } else {
      QCOMPARE(item, &results_->GrepItems()[static_cast<size_t>(record)]);
      QCOMPARE(frmResults->mmoSample->toPlainText(), SampleText(*item));
    }
  }

  void typedTextLostOnNextSelection() {
    Select(1);
    frmResults->mmoSample->appendPlainText("typed by the user");
    Select(2);
    QCOMPARE(frmResults->mmoSample->toPlainText(), SampleText(results_->GrepItems()[1]));
    Select(1);
    QCOMPARE(frmResults->mmoSample->toPlainText(), SampleText(results_->GrepItems()[0]));
    QCOMPARE(results_->GrepItems()[0].SampleCount(), size_t(3));
  }

  // Only the match line's hits are marked, over the pane's text, which stays editable and
  // is shown again, marks and all, at the next refresh.
  void paneMarksTheHits() {
    const auto marked = [] {
      QStringList texts;  // "line:text"
      for (const QTextEdit::ExtraSelection& mark : frmResults->mmoSample->extraSelections()) {
        texts << QString::number(mark.cursor.block().blockNumber()) + ":" +
                     mark.cursor.selectedText();
      }
      return texts;
    };
    frmResults->SetSearchedText({"CAT", false, false});
    Select(1);
    QCOMPARE(marked(), QStringList({"1:cat"}));
    frmResults->mmoSample->selectAll();
    frmResults->mmoSample->insertPlainText("typed over");
    Select(2);
    Select(1);
    QCOMPARE(frmResults->mmoSample->toPlainText(), SampleText(results_->GrepItems()[0]));
    QCOMPARE(marked(), QStringList({"1:cat"}));
    frmResults->SetSearchedText({"CAT", true, false});
    Select(2);
    QCOMPARE(marked(), QStringList());
  }

  void arrowKeysUpdatePane() {
    frmResults->show();
    QVERIFY(QTest::qWaitForWindowExposed(frmResults));
    Select(1);
    QTest::keyClick(frmResults->lstResults, Qt::Key_Down);
    QCOMPARE(frmResults->SelectedLine(), 2);
    QCOMPARE(frmResults->mmoSample->toPlainText(), SampleText(results_->GrepItems()[1]));
    QTest::keyClick(frmResults->lstResults, Qt::Key_Down);
    QCOMPARE(frmResults->mmoSample->toPlainText(), QString());
    QTest::keyClick(frmResults->lstResults, Qt::Key_End);
    QCOMPARE(frmResults->mmoSample->toPlainText(), SampleText(results_->GrepItems()[2]));
  }

  // A key first refreshes the pane for the line still selected, before the list moves.
  void keyPressShowsSelectedLineFirst() {
    Select(1);
    frmResults->mmoSample->setPlainText("typed");
    QTest::keyClick(frmResults->lstResults, Qt::Key_AsciiTilde);  // no line begins with it
    QCOMPARE(frmResults->SelectedLine(), 1);
    QCOMPARE(frmResults->mmoSample->toPlainText(), SampleText(results_->GrepItems()[0]));
  }

  // A new hand-over selects nothing and leaves the pane as it was until the user selects.
  void handOverKeepsPaneAndSelectsNothing() {
    Select(2);
    const QString shown = frmResults->mmoSample->toPlainText();
    frmResults->DetachResults();
    auto second = SampleResults();
    frmResults->SetResults(*second);
    frmResults->show();
    QVERIFY(QTest::qWaitForWindowExposed(frmResults));
    QCOMPARE(frmResults->SelectedLine(), -1);
    QVERIFY(!frmResults->SelectedGrepItem());
    QCOMPARE(frmResults->mmoSample->toPlainText(), shown);
    QCOMPARE(&frmResults->Results(), second.get());
    frmResults->hide();
    frmResults->SetResults(*results_);
  }

  void keys() {
    frmResults->show();
    QVERIFY(QTest::qWaitForWindowExposed(frmResults));
    frmResults->mmoSample->setFocus();
    frmResults->mmoSample->setPlainText("x");
    QTest::keyClick(frmResults->mmoSample, Qt::Key_Escape);
    QVERIFY(frmResults->isVisible());
    QTest::keyClick(frmResults->mmoSample, Qt::Key_Return);
    QVERIFY(frmResults->isVisible());
    QCOMPARE(frmResults->mmoSample->document()->blockCount(), 2);

    // Only a key that types a character shows the sample of the line it is typed on.
    frmResults->lstResults->setFocus();
    frmResults->mmoSample->setPlainText("left as it was");
    QTest::keyClick(frmResults->lstResults, Qt::Key_Shift);
    QTest::keyClick(frmResults->lstResults, Qt::Key_F5);
    QCOMPARE(frmResults->mmoSample->toPlainText(), QString("left as it was"));
    QTest::keyClick(frmResults->lstResults, Qt::Key_Q);
    QVERIFY(frmResults->mmoSample->toPlainText() != QString("left as it was"));

    frmResults->setResult(QDialog::Rejected);
    QTest::keyClick(frmResults->lstResults, Qt::Key_Escape);
    QVERIFY(!frmResults->isVisible());
    QCOMPARE(frmResults->result(), int(QDialog::Accepted));  // Esc presses Ok

    frmResults->show();
    frmResults->lstResults->setFocus();
    QTest::keyClick(frmResults->lstResults, Qt::Key_Return);
    QVERIFY(!frmResults->isVisible());
    QCOMPARE(frmResults->result(), int(QDialog::Accepted));
  }

  void splitterRules() {
    frmResults->show();
    QVERIFY(QTest::qWaitForWindowExposed(frmResults));
    QVERIFY(!frmResults->splitter1->opaqueResize());
    const int total = ListHeight() + PaneHeight();
    const int handle = frmResults->splitter1->handleWidth();

    DragSplitterTo(total - 40);  // pane 40: stays open
    QCOMPARE(PaneHeight(), 40);
    DragSplitterTo(total - 31);
    QCOMPARE(PaneHeight(), 31);
    DragSplitterTo(total - 30);  // pane 30: collapses
    QCOMPARE(PaneHeight(), 0);
    DragSplitterTo(total - 100);  // and opens again
    QCOMPARE(PaneHeight(), 100);
    DragSplitterTo(0);  // the list never gets lower than 30
    QCOMPARE(ListHeight(), 30);
    QVERIFY(frmResults->splitter1->height() > 30 + handle);
    DragSplitterTo(total - 180);
    QCOMPARE(PaneHeight(), 180);

    // Enlarging gives all extra height to the list; the pane keeps its height.
    const int list = ListHeight();
    frmResults->resize(frmResults->width() + 50, frmResults->height() + 100);
    QTRY_COMPARE(ListHeight(), list + 100);
    QCOMPARE(PaneHeight(), 180);
    const QRect ok = frmResults->cmdOk->geometry();
    QCOMPARE(frmResults->height() - ok.bottom() - 1, 8);
    QCOMPARE(frmResults->width() - ok.right() - 1, 4);
  }

  // Centred over the main window the first time; later where and as large as it was left.
  void placement() {
    frmMain->move(300, 150);
    TfrmResults window(frmMain);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(CentredOver(window, *frmMain));
    const QRect moved(window.x() + 30, window.y() + 20, window.width() + 40, window.height() + 10);
    window.setGeometry(moved);
    window.hide();
    frmMain->move(frmMain->pos() + QPoint(50, 50));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.geometry(), moved);
    frmMain->move(frmMain->pos() - QPoint(50, 50));
  }

  void millionLines() {
    TSearchResults many;
    const auto path = std::make_shared<const std::string>("/data/many.txt");
    many.AppendHeader(path);
    for (int i = 0; i < 1000000; ++i) many.AppendText("error line " + std::to_string(i));
    many.AppendMatch(Item(41, "last", path));
    frmResults->SetResults(many);
    frmResults->show();
    QVERIFY(QTest::qWaitForWindowExposed(frmResults));
    QCOMPARE(frmResults->lstResults->model()->rowCount(), 1000002);
    frmResults->lstResults->scrollToBottom();
    Select(1000001);
    QCOMPARE(frmResults->SelectedGrepItem(), &many.GrepItems()[0]);
    QCOMPARE(frmResults->lstResults->model()->index(500000, 0).data().toString(),
             QString("error line 499999"));
    frmResults->hide();
    frmResults->SetResults(*results_);
  }

  void minifiedLine() {
    // One line of 8 MB, as in a minified script, with a line separator; a two-byte
    // character straddles the list row's cut (4096 bytes, the row's "    [0] " included).
    frmResults->show();
    QVERIFY(QTest::qWaitForWindowExposed(frmResults));
    const int oneLine =
        frmResults->lstResults->visualRect(frmResults->lstResults->model()->index(0, 0)).height();
    std::string line(size_t{8} << 20, '#');
    line.replace(10, 1, "\xe2\x80\xa8");
    line.replace(4087, 2, "\xc3\xa9");
    line.replace(5'000'000, 6, "needle");
    TSearchResults minified;
    const auto path = std::make_shared<const std::string>("/data/min.js");
    minified.AppendHeader(path);
    minified.AppendMatch(TGrepItem(0, line, path, {"--> " + line}));
    frmResults->SetResults(minified);
    frmResults->show();
    QVERIFY(QTest::qWaitForWindowExposed(frmResults));
    QListView* list = frmResults->lstResults;

    const QString row = list->model()->index(1, 0).data().toString();
    QVERIFY(row.startsWith("    [0] ####"));
    // The character is left out whole: a split one would turn the row into Latin-1.
    QCOMPARE(row.size(), 4093);
    QCOMPARE(list->visualRect(list->model()->index(1, 0)).height(), oneLine);

    Select(1);
    QTextBlock block = frmResults->mmoSample->document()->firstBlock();
    const QString mark = " … (8380422 bytes left out)";
    QVERIFY(block.text().endsWith(mark));
    // The cut is a byte count; the separator and the "é" before it are 3 and 2 bytes.
    QCOMPARE(block.text().size(), qsizetype(TfrmResults::kPaneLineBytes - 3) + mark.size());
    // Glyphs stand where the monospaced font puts them, also at the far end of the line;
    // Qt's fixed-point positions wrap far enough out, and glyphs then land on one another.
    frmResults->mmoSample->grab();
    const qreal advance = QFontMetricsF(frmResults->mmoSample->font()).horizontalAdvance('#');
    const int far = static_cast<int>(TfrmResults::kPaneLineBytes) - 100;
    const QTextLine laid = block.layout()->lineForTextPosition(far);  // after the separator
    const int start = laid.textStart();
    QVERIFY(qAbs(laid.cursorToX(far) - laid.cursorToX(start) - (far - start) * advance) < 1);

    // Searched for, the hit is shown with the lead before it, marked.
    frmResults->SetSearchedText({"needle", true, false});
    Select(0);
    Select(1);
    block = frmResults->mmoSample->document()->firstBlock();
    const QString head = QString("--> (%1 bytes left out) … ").arg(5'000'000 - kPaneLeadCharacters);
    QVERIFY(block.text().startsWith(head + QString(kPaneLeadCharacters, '#') + "needle"));
    const QList<QTextEdit::ExtraSelection> marks = frmResults->mmoSample->extraSelections();
    QCOMPARE(marks.size(), 1);
    QCOMPARE(marks[0].cursor.selectedText(), QString("needle"));
    QCOMPARE(marks[0].cursor.selectionStart(), head.size() + kPaneLeadCharacters);
    frmResults->hide();
    frmResults->SetResults(*results_);
  }
};

QTEST_MAIN(TestResults)
#include "tst_results.moc"
