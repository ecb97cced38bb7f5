// Shortening the shown folder to the label's width, and the folder path helpers.
#include <QTest>

#include "folders/FitPathToWidth.h"
#include "util/FolderPaths.h"

using namespace trawlix;

namespace {

// One pixel per byte, so a width of N fits every text of at most N bytes.
int ByteWidth(const std::string& text) {
  return static_cast<int>(text.size());
}

// Every form FitPathToWidth goes through when nothing fits: each one it measures, and the
// last, which it gives back.
QStringList Forms(const std::string& path) {
  QStringList forms;
  const std::string last = FitPathToWidth(path, -1, [&forms](const std::string& form) {
    forms << QString::fromStdString(form);
    return 0;
  });
  forms << QString::fromStdString(last);
  return forms;
}

}  // namespace

class TestFitPath : public QObject {
  Q_OBJECT
 private slots:
  void sequenceOfForms_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("forms");
    QTest::newRow("deep") << "/usr/share/doc/pkg" << QStringList{"/usr/share/doc/pkg",
                                                                 "/.../share/doc/pkg",
                                                                 "/.../doc/pkg",
                                                                 "/.../pkg",
                                                                 ".../pkg",
                                                                 "pkg"};
    QTest::newRow("one folder") << "/usr/pkg"
                                << QStringList{"/usr/pkg", "/.../pkg", ".../pkg", "pkg"};
    QTest::newRow("top folder") << "/home" << QStringList{"/home", "home"};
    // A folder that merely begins with a dot is cut like any other.
    QTest::newRow("dot folders") << "/.a/.b/c"
                                 << QStringList{"/.a/.b/c", "/.../.b/c", "/.../c", ".../c", "c"};
  }
  void sequenceOfForms() {
    QFETCH(QString, path);
    QFETCH(QStringList, forms);
    QCOMPARE(Forms(path.toStdString()), forms);
  }

  void firstFittingFormIsTaken() {
    QCOMPARE(FitPathToWidth("/usr/share/doc/pkg", 18, ByteWidth),
             std::string("/usr/share/doc/pkg"));
    QCOMPARE(FitPathToWidth("/home/share/doc/pkg", 18, ByteWidth),
             std::string("/.../share/doc/pkg"));
    QCOMPARE(FitPathToWidth("/usr/share/doc/pkg", 17, ByteWidth), std::string("/.../doc/pkg"));
    QCOMPARE(FitPathToWidth("/usr/share/doc/pkg", 12, ByteWidth), std::string("/.../doc/pkg"));
    QCOMPARE(FitPathToWidth("/usr/share/doc/pkg", 11, ByteWidth), std::string("/.../pkg"));
  }

  void nameIsNeverCut() {
    QCOMPARE(FitPathToWidth("/a/a-very-long-name", 3, ByteWidth), std::string("a-very-long-name"));
  }

  void measuresWithTheCallback() {
    // Wide letters: only the dots and separators are narrow.
    const TTextWidth wide = [](const std::string& text) {
      int width = 0;
      for (char c : text) width += (c == '.' || c == '/') ? 1 : 10;
      return width;
    };
    QCOMPARE(FitPathToWidth("/usr/share/doc/pkg", 66, wide), std::string("/.../doc/pkg"));
  }

  void normalisesLexically_data() {
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("normal");
    QTest::newRow("absolute") << "/x"
                              << "/a/b"
                              << "/a/b";
    QTest::newRow("relative") << "/x"
                              << "a/b"
                              << "/x/a/b";
    QTest::newRow("from root") << "/"
                               << "a"
                               << "/a";
    QTest::newRow("dot dot") << "/x/y"
                             << ".."
                             << "/x";
    QTest::newRow("above root") << "/x"
                                << "../../.."
                                << "/";
    QTest::newRow("dots and doubles") << "/x"
                                      << "./a//b/./../c/"
                                      << "/x/a/c";
    QTest::newRow("blanks kept") << "/x"
                                 << " a "
                                 << "/x/ a ";
    QTest::newRow("root") << "/x"
                          << "/"
                          << "/";
  }
  void normalisesLexically() {
    QFETCH(QString, base);
    QFETCH(QString, path);
    QFETCH(QString, normal);
    QCOMPARE(QString::fromStdString(NormalisePath(base.toStdString(), path.toStdString())), normal);
  }

  void pathIsInFolder_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("inside");
    QTest::newRow("itself") << "/data/A"
                            << "/data/A" << true;
    QTest::newRow("below") << "/data/A/x"
                           << "/data/A" << true;
    QTest::newRow("longer name") << "/data/AB"
                                 << "/data/A" << false;
    QTest::newRow("other case") << "/data/a/x"
                                << "/data/A" << false;
    QTest::newRow("parent") << "/data"
                            << "/data/A" << false;
    QTest::newRow("root holds all") << "/data"
                                    << "/" << true;
    QTest::newRow("root itself") << "/"
                                 << "/" << true;
  }
  void pathIsInFolder() {
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QFETCH(bool, inside);
    QCOMPARE(PathIsIn(path.toStdString(), folder.toStdString()), inside);
  }
};

QTEST_APPLESS_MAIN(TestFitPath)
#include "tst_fitpath.moc"
