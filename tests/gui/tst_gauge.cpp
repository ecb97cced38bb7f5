// The progress gauge: range rules, percentage, when it paints, and its picture.
#include <QtTest>

#include "progress/Gauges.h"
#include "util/errors.h"

using namespace trawlix;

namespace {

const QColor Navy(0, 0, 128);
const QColor LightYellow(255, 255, 127);

// A gauge as the progress window has it: 249 x 17, navy bar, bold text.
struct ProgramGauge {
  TGauge gauge;
  ProgramGauge() {
    gauge.resize(249, 17);
    gauge.SetForeColor(Navy);
    QFont bold = gauge.font();
    bold.setBold(true);
    gauge.setFont(bold);
  }
  QImage Grab() { return gauge.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

QColor At(const QImage& image, int x, int y) {
  return image.pixelColor(x, y);
}

}  // namespace

class TestGauge : public QObject {
  Q_OBJECT
 private slots:
  void defaults() {
    TGauge gauge;
    QCOMPARE(gauge.MinValue(), 0);
    QCOMPARE(gauge.MaxValue(), 100);
    QCOMPARE(gauge.Progress(), 0);
    QCOMPARE(gauge.Kind(), gkHorizontalBar);
    QVERIFY(gauge.ShowText());
    QCOMPARE(gauge.BorderStyle(), bsSingle);
    QCOMPARE(gauge.ForeColor(), QColor(Qt::black));
    QCOMPARE(gauge.BackColor(), QColor(Qt::white));
    QCOMPARE(gauge.size(), QSize(100, 100));
  }

  void rangeErrors_data() {
    QTest::addColumn<bool>("setMax");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("max below min") << true << -1 << "Value must be between 1 and 2147483647";
    QTest::newRow("min above max") << false << 101 << "Value must be between -2147483647 and 99";
  }
  void rangeErrors() {
    QFETCH(bool, setMax);
    QFETCH(int, value);
    QFETCH(QString, message);
    TGauge gauge;
    gauge.SetProgress(40);
    try {
      setMax ? gauge.SetMaxValue(value) : gauge.SetMinValue(value);
      QFAIL("no error");
    } catch (const EInvalidOperation& error) {
      QCOMPARE(QString::fromStdString(error.Message()), message);
    }
    QCOMPARE(gauge.MinValue(), 0);
    QCOMPARE(gauge.MaxValue(), 100);
    QCOMPARE(gauge.Progress(), 40);
  }

  void equalBoundsAllowedAndShowZero() {
    TGauge gauge;
    gauge.SetProgress(50);
    gauge.SetMaxValue(0);
    QCOMPARE(gauge.MaxValue(), 0);
    QCOMPARE(gauge.Progress(), 0);
    QCOMPARE(gauge.Percent(), 0);
    gauge.SetMinValue(0);
    gauge.SetMaxValue(5);
    gauge.SetMinValue(5);
    QCOMPARE(gauge.Progress(), 5);
    QCOMPARE(gauge.Percent(), 0);
  }

  void clamping() {
    TGauge gauge;
    gauge.SetMaxValue(3);
    gauge.SetProgress(5);
    QCOMPARE(gauge.Progress(), 3);
    QCOMPARE(gauge.Percent(), 100);
    gauge.SetProgress(-1);
    QCOMPARE(gauge.Progress(), 0);
    gauge.SetMaxValue(10);
    gauge.SetProgress(10);
    gauge.SetMaxValue(3);
    QCOMPARE(gauge.Progress(), 3);
    QCOMPARE(gauge.Percent(), 100);
  }

  void percent_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("progress");
    QTest::addColumn<int>("percent");
    QTest::newRow("1 of 3") << 0 << 3 << 1 << 33;
    QTest::newRow("2 of 3") << 0 << 3 << 2 << 66;
    QTest::newRow("3 of 3") << 0 << 3 << 3 << 100;
    QTest::newRow("1 of 4") << 0 << 4 << 1 << 25;
    QTest::newRow("199 of 200") << 0 << 200 << 199 << 99;
    QTest::newRow("shifted range") << 10 << 20 << 15 << 50;
    QTest::newRow("negative range") << -10 << -5 << -9 << 20;
    QTest::newRow("huge range") << 0 << 2147483647 << 2147483646 << 99;
    QTest::newRow("widest range") << -2147483647 << 2147483647 << 0 << 50;
  }
  void percent() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, progress);
    QFETCH(int, percent);
    TGauge gauge;
    if (max > gauge.MaxValue()) {
      gauge.SetMaxValue(max);
      gauge.SetMinValue(min);
    } else {
      gauge.SetMinValue(min);
      gauge.SetMaxValue(max);
    }
    gauge.SetProgress(progress);
    QCOMPARE(gauge.Percent(), percent);
  }

  // Painting happens only when the whole-number percentage changes; the first change
  // paints at once, inside the setter.
  void paintsOnlyOnPercentageChange() {
    ProgramGauge program;
    TGauge& gauge = program.gauge;
    gauge.SetMaxValue(1000);
    gauge.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gauge));
    QTest::qWait(50);
    int paints = gauge.PaintCount();

    gauge.SetProgress(10);  // 1%: a frame has passed, so it paints now
    QCOMPARE(gauge.PaintCount(), paints + 1);
    paints = gauge.PaintCount();

    gauge.SetProgress(11);  // still 1%
    gauge.SetProgress(19);
    gauge.SetProgress(19);  // same value
    QTest::qWait(60);
    QCOMPARE(gauge.PaintCount(), paints);

    gauge.SetProgress(20);  // 2%
    QTRY_COMPARE(gauge.PaintCount(), paints + 1);
    paints = gauge.PaintCount();

    gauge.SetForeColor(Navy);  // the same colour again
    gauge.SetMaxValue(1000);   // the same maximum again
    QTest::qWait(60);
    QCOMPARE(gauge.PaintCount(), paints);

    gauge.SetMaxValue(2000);  // a new maximum always paints
    QTRY_COMPARE(gauge.PaintCount(), paints + 1);
  }

  // Many changes within one frame paint once, and that paint shows the last state.
  void manyChangesPaintTheLastState() {
    ProgramGauge program;
    TGauge& gauge = program.gauge;
    gauge.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gauge));
    gauge.SetProgress(1);
    const int paints = gauge.PaintCount();
    for (int p = 2; p <= 100; ++p) gauge.SetProgress(p);
    QVERIFY(gauge.PaintCount() <= paints + 1);
    QTRY_VERIFY(gauge.PaintCount() > paints);
    QTest::qWait(40);
    QVERIFY(gauge.PaintCount() <= paints + 2);
    QCOMPARE(gauge.Percent(), 100);
  }

  // A change waiting for its frame paints at once when asked, without events running:
  // before a long file, whose search would keep the frame's timer from firing.
  void pendingChangePaintsWhenAsked() {
    ProgramGauge program;
    TGauge& gauge = program.gauge;
    gauge.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gauge));
    QTest::qWait(40);
    gauge.SetProgress(1);
    const int paints = gauge.PaintCount();
    gauge.SetProgress(50);  // within the same frame: waits
    QCOMPARE(gauge.PaintCount(), paints);
    gauge.PaintPending();
    QCOMPARE(gauge.PaintCount(), paints + 1);
    gauge.PaintPending();  // nothing waits now
    QCOMPARE(gauge.PaintCount(), paints + 1);
  }

  void frameAndBar_data() {
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("progress");
    QTest::addColumn<int>("lastBarColumn");  // 0: no bar
    QTest::newRow("1 of 3") << 3 << 1 << 80;
    QTest::newRow("2 of 3") << 3 << 2 << 162;  // floor(248 * 66 / 100) = 163
    QTest::newRow("0%") << 3 << 0 << 0;
    QTest::newRow("empty range") << 0 << 0 << 0;
    QTest::newRow("100%") << 3 << 3 << 247;
  }
  void frameAndBar() {
    QFETCH(int, max);
    QFETCH(int, progress);
    QFETCH(int, lastBarColumn);
    ProgramGauge program;
    program.gauge.SetShowText(false);
    program.gauge.SetMaxValue(max);
    program.gauge.SetProgress(progress);
    const QImage image = program.Grab();
    QCOMPARE(image.size(), QSize(249, 17));
    for (int x = 0; x < 249; ++x) {
      QCOMPARE(At(image, x, 0), QColor(Qt::black));
      QCOMPARE(At(image, x, 16), QColor(Qt::black));
    }
    for (int y = 0; y < 17; ++y) {
      QCOMPARE(At(image, 0, y), QColor(Qt::black));
      QCOMPARE(At(image, 248, y), QColor(Qt::black));
    }
    for (int y = 1; y <= 15; ++y) {
      for (int x = 1; x <= 247; ++x) {
        const QColor expected = x <= lastBarColumn ? Navy : QColor(Qt::white);
        if (At(image, x, y) != expected) QFAIL(qPrintable(QString("pixel %1,%2").arg(x).arg(y)));
      }
    }
  }

  // The bar's length is taken with 0.01 a hair below its value: 5% of 100 gives 4.
  void barLengthRule() {
    TGauge gauge;
    gauge.resize(101, 10);  // W = inner width + 1 = 100
    gauge.SetShowText(false);
    gauge.SetForeColor(Navy);
    gauge.SetProgress(5);
    const QImage image = gauge.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(At(image, 3, 5), Navy);
    QCOMPARE(At(image, 4, 5), QColor(Qt::white));
  }

  void noBorder() {
    TGauge gauge;
    gauge.resize(50, 10);
    gauge.SetShowText(false);
    gauge.SetBorderStyle(bsNone);
    gauge.SetProgress(100);
    const QImage image = gauge.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(At(image, 0, 0), QColor(Qt::black));  // ForeColor black fills everything
    gauge.SetForeColor(Navy);
    const QImage navy = gauge.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(At(navy, 0, 0), Navy);
    QCOMPARE(At(navy, 49, 9), Navy);
  }

  // The text is inverted against what lies beneath: black on white, light yellow on navy.
  void textColours_data() {
    QTest::addColumn<int>("progress");
    QTest::addColumn<bool>("overWhite");
    QTest::addColumn<bool>("overNavy");
    QTest::newRow("0%") << 0 << true << false;
    QTest::newRow("50% straddles the bar's end") << 50 << true << true;
    QTest::newRow("100%") << 100 << false << true;
  }
  void textColours() {
    QFETCH(int, progress);
    QFETCH(bool, overWhite);
    QFETCH(bool, overNavy);
    ProgramGauge program;
    program.gauge.SetProgress(progress);
    const QImage image = program.Grab();
    const int barEnd = 248 * program.gauge.Percent() / 100;  // first column without bar
    int black = 0, yellow = 0;
    for (int y = 1; y <= 15; ++y) {
      for (int x = 1; x <= 247; ++x) {
        const QColor c = At(image, x, y);
        const bool inBar = x < barEnd;
        if (inBar) {
          QVERIFY2(c == Navy || c == LightYellow, qPrintable(c.name()));
          yellow += c == LightYellow;
        } else {
          QVERIFY2(c == QColor(Qt::white) || c == QColor(Qt::black), qPrintable(c.name()));
          black += c == QColor(Qt::black);
        }
      }
    }
    QCOMPARE(black > 0, overWhite);
    QCOMPARE(yellow > 0, overNavy);
  }

  void textOnOff() {
    ProgramGauge program;
    program.gauge.SetProgress(42);
    const QImage withText = program.Grab();
    program.gauge.SetShowText(false);
    const QImage without = program.Grab();
    QVERIFY(withText != without);
  }

  // The kinds this program does not use still draw inside the frame without failing.
  void otherKinds_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("text") << int(gkText);
    QTest::newRow("vertical bar") << int(gkVerticalBar);
    QTest::newRow("pie") << int(gkPie);
    QTest::newRow("needle") << int(gkNeedle);
  }
  void otherKinds() {
    QFETCH(int, kind);
    TGauge gauge;
    gauge.resize(60, 60);
    gauge.SetShowText(false);
    gauge.SetForeColor(Navy);
    gauge.SetKind(static_cast<TGaugeKind>(kind));
    gauge.SetProgress(0);
    const QImage empty = gauge.grab().toImage();
    gauge.SetProgress(60);
    const QImage filled = gauge.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(At(filled, 0, 0), QColor(Qt::black));
    if (kind == gkText) {
      QCOMPARE(empty, gauge.grab().toImage());
    } else {
      QVERIFY(empty != gauge.grab().toImage());
    }
    if (kind == gkVerticalBar) {
      QCOMPARE(At(filled, 30, 55), Navy);  // bottom part filled
      QCOMPARE(At(filled, 30, 5), QColor(Qt::white));
    }
  }
};

QTEST_MAIN(TestGauge)
#include "tst_gauge.moc"
