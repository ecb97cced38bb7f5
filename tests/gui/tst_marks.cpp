// The hits marked in the results window: which bytes are hits, where their marks stand in
// the decoded text, a long line shown around its hit, the rows the list paints, and the
// marks' colours.
#include <QListView>
#include <QStyleFactory>
#include <QtTest>
#include <random>

#include "GuiTestSupport.h"
#include "results/MatchMarks.h"
#include "results/ResultsDelegate.h"
#include "results/frmresultsunit.h"
#include "search/GrepItemUnit.h"
#include "search/SearchResults.h"
#include "util/text.h"

using namespace trawlix;

namespace {

// The shown text with each mark in brackets.
QString Bracketed(const TMarkedText& shown) {
  QString text = shown.text;
  for (auto mark = shown.marks.rbegin(); mark != shown.marks.rend(); ++mark) {
    text.insert(mark->start + mark->length, ']').insert(mark->start, '[');
  }
  return text;
}

THitFinder Hits(const std::string& text, bool caseSensitive = false, bool wholeWord = false) {
  return THitFinder({text, caseSensitive, wholeWord});
}

TGrepItem Item(int64_t index, const std::string& line) {
  return TGrepItem(index, line, std::make_shared<const std::string>("/a"), {"--> " + line});
}

}  // namespace

class TestMarks : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(StartWindows()); }
  void cleanupTestCase() { DestroyWindows(); }

  void hitSpans() {
    using TSpans = std::vector<TByteSpan>;
    const std::string line = "a Cat, cat concat cat. CAT";
    QCOMPARE(Hits("cat", true).Spans(line, 0, line.size()), (TSpans{{7, 10}, {14, 17}, {18, 21}}));
    QCOMPARE(Hits("cat").Spans(line, 0, line.size()).size(), size_t(5));
    QCOMPARE(Hits("cat", false, true).Spans(line, 0, line.size()), (TSpans{{7, 10}, {23, 26}}));
    QCOMPARE(Hits("a cat", false, true).Spans("a cat a cats a cat", 0, 18),
             (TSpans{{0, 5}, {13, 18}}));
    QCOMPARE(Hits("aa", true).Spans("aaaa b aa", 0, 9), (TSpans{{0, 4}, {7, 9}}));  // overlapping
    QCOMPARE(Hits("\xc3\xa9").Spans("\xc3\xa9 \xc3\x89", 0, 5), (TSpans{{0, 2}}));  // é is not É
    // A hit that runs over an end of the range is cut there; Whole Word looks beyond it.
    QCOMPARE(Hits("cat").Spans("xx cat cat", 4, 8), (TSpans{{4, 6}, {7, 8}}));
    QCOMPARE(Hits("cat", false, true).Spans("cats", 0, 3), TSpans{});
    QCOMPARE(Hits("").FirstHit("cat"), kNotFound);
    QCOMPARE(Hits("c\n").FirstHit("c\n"), kNotFound);
  }

  // The hits of the lines the run finds: FindNextMatch's substring test and IsWholeWord.
  void hitsAgreeWithTheRun() {
    std::mt19937 random(11);
    const auto bytes = [&random](std::string_view alphabet, size_t size) {
      std::string s;
      for (size_t i = 0; i < size; ++i) s += alphabet[random() % alphabet.size()];
      return s;
    };
    for (int round = 0; round < 20000; ++round) {
      const std::string line = bytes("aAb \t", random() % 14);
      const std::string text = bytes("aAb ", 1 + random() % 3);
      const bool caseSensitive = round % 2 == 0;
      const size_t plain = caseSensitive ? line.find(text) : UpperCase(line).find(UpperCase(text));
      QCOMPARE(Hits(text, caseSensitive).FirstHit(line),
               plain == std::string::npos ? kNotFound : plain);
      QCOMPARE(Hits(text, caseSensitive, true).FirstHit(line) != kNotFound,
               IsWholeWord(text, line, caseSensitive));
    }
  }

  // Marks stand on the characters of their bytes, however the line decodes.
  void marksStandOnTheirCharacters_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("shown");
    QTest::addRow("UTF-8") << QByteArray("caf\xc3\xa9 cat \xc3\xa9t\xc3\xa9 Cat")
                           << QString("café [cat] été [Cat]");
    QTest::addRow("beyond U+FFFF")
        << QByteArray("\xf0\x9f\x90\x88 cat") << QString("\U0001F408 [cat]");
    QTest::addRow("Latin-1") << QByteArray("caf\xe9 cat") << QString("café [cat]");
    // Decoded apart from its prefix, the line loses its byte-order mark, which has no width.
    QTest::addRow("byte-order mark") << QByteArray(
                                            "\xef\xbb\xbf"
                                            "cat")
                                     << QString("[cat]");
  }
  void marksStandOnTheirCharacters() {
    QFETCH(QByteArray, line);
    QFETCH(QString, shown);
    QCOMPARE(Bracketed(MatchRow(Item(7, line.toStdString()), Hits("cat"), 0)), "    [7] " + shown);
    QCOMPARE(Bracketed(SampleLine("--> ", line.toStdString(), Hits("cat"), 8192)), "--> " + shown);
  }

  void longLineShownAroundItsHit() {
    std::string line(1'000'000, '#');
    line.replace(600'000, 6, "needle");
    line.replace(599'990, 2, "\xc3\xa9");  // within the lead: no cut may split it
    const size_t budget = TfrmResults::kPaneLineBytes;
    const TMarkedText pane = SampleLine("--> ", line, Hits("needle"), budget);
    const size_t from = 600'000 - kPaneLeadCharacters - 1;
    const QString after = QString(" … (%1 bytes left out)").arg(line.size() - from - (budget - 4));
    QVERIFY(Bracketed(pane).startsWith(QString("--> (%1 bytes left out) … ").arg(from) +
                                       QString(7, '#') + "é" + QString(8, '#') + "[needle]"));
    QVERIFY(pane.text.endsWith(after));
    // A hit within the first cut: the line is cut as before, at its end only.
    QVERIFY(Bracketed(SampleLine("--> ", "needle" + line, Hits("needle"), budget))
                .startsWith("--> [needle]#"));
    const TMarkedText row =
        MatchRow(Item(0, line), Hits("needle"), LeadStart(line, 600'000, kRowLeadCharacters));
    QVERIFY(Bracketed(row).startsWith("    [0] …" + QString(23, '#') + "é" + QString(8, '#') +
                                      "[needle]"));
  }

  // The list shows a row from its hit only where the hit would end beyond its edge.
  void rowsBringTheirHitIntoView() {
    TSearchResults results;
    const auto path = std::make_shared<const std::string>("/a");
    results.AppendHeader(path);
    for (const std::string& line : {std::string("a cat"), std::string(300, 'x') + " cat",
                                    std::string(3'000'000, 'x') + " cat"}) {
      results.AppendMatch(TGrepItem(2, line, path, {"--> " + line}));
    }
    frmResults->SetSearchedText({"cat", false, false});
    frmResults->SetResults(results);
    frmResults->show();
    QVERIFY(QTest::qWaitForWindowExposed(frmResults));
    QListView* list = frmResults->lstResults;
    const auto shown = [list](int row) {
      QStyleOptionViewItem option;
      option.initFrom(list);
      option.rect = list->visualRect(list->model()->index(row, 0));
      option.widget = list;
      return qobject_cast<TResultsDelegate*>(list->itemDelegate())
          ->ShownRow(option, list->model()->index(row, 0));
    };
    QVERIFY(!shown(0).has_value());  // the header
    QCOMPARE(shown(1)->text, list->model()->index(1, 0).data().toString());
    QCOMPARE(Bracketed(*shown(1)), QString("    [2] a [cat]"));
    QCOMPARE(Bracketed(*shown(2)), "    [2] …" + QString(31, 'x') + " [cat]");
    QCOMPARE(Bracketed(*shown(3)), "    [2] …" + QString(31, 'x') + " [cat]");
    frmResults->resize(3000, frmResults->height());  // wide enough for the second line
    QTRY_VERIFY(shown(2)->text.startsWith("    [2] xxx"));
    frmResults->hide();
  }

  void markColoursAreLegible() {
    QPalette dark;
    for (const auto& [role, colour] : {std::pair{QPalette::Base, "#3d3d3d"},
                                       {QPalette::Text, "#ffffff"},
                                       {QPalette::Highlight, "#12608a"},
                                       {QPalette::HighlightedText, "#f9f9f9"}}) {
      dark.setColor(role, QColor(colour));
    }
    for (const QPalette& palette : {QStyleFactory::create("Fusion")->standardPalette(), dark}) {
      for (const bool selected : {false, true}) {
        const TMarkColours colours = MarkColours(palette, QPalette::Active, selected);
        QVERIFY(ContrastRatio(colours.text, colours.background) >= 4.5);
        // The mark shows on the list and on the selection alike.
        QVERIFY(colours.background != palette.color(QPalette::Base));
        QVERIFY(colours.background != palette.color(QPalette::Highlight));
      }
    }
  }
};

QTEST_MAIN(TestMarks)
#include "tst_marks.moc"
