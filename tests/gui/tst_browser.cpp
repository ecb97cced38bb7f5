// The drive box and the directory list of the folder dialog.
#include <sys/stat.h>
#include <unistd.h>

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "folders/DirectoryListBox.h"
#include "folders/DriveComboBox.h"
#include "folders/DriveList.h"
#include "tests/gui/FolderTestTree.h"
#include "tests/gui/GuiTestSupport.h"
#include "util/errors.h"

using namespace trawlix;

namespace fs = std::filesystem;

namespace {

// As Qt lists them: in mount order, pseudo file systems already left out.
const std::vector<TVolume> kVolumes = {
    {"/", "overlay", "overlay", ""},
    {"/home", "/dev/sda2", "ext4", "HOME"},
    {"/run", "tmpfs", "tmpfs", ""},
    {"/media/USB Stick", "/dev/sdb1", "vfat", "STICK"},
    {"/media/cdrom", "/dev/sr0", "iso9660", ""},
    {"/mnt/nfs", "server:/export", "nfs4", ""},
    {"/mnt/smb", "//server/share", "cifs", ""},
    {"/data", "/dev/sda3", "ext4", "OLD"},
    {"/data", "/dev/sda4", "ext4", ""},
    {"/etc/hosts", "/dev/sda1", "ext4", ""},
};

TDriveProbe FixtureProbe() {
  return {[](const std::string& device) { return device == "/dev/sdb1"; },
          [](const std::string& mountPoint) { return mountPoint != "/etc/hosts"; }};
}

QStringList Names(const TDirectoryListBox& list) {
  QStringList names;
  for (int i = 0; i < list.LineCount(); ++i) names << QString::fromStdString(list.Line(i).name);
  return names;
}

// The depth of a folder: the number of its separators.
int Separators(const std::string& path) {
  return static_cast<int>(std::count(path.begin(), path.end(), '/'));
}

}  // namespace

class TestBrowser : public QObject {
  Q_OBJECT
 private slots:
  void driveListSortsAndLabels() {
    const std::vector<TDrive> drives = ListDrives(kVolumes, FixtureProbe());
    QStringList texts;
    for (const TDrive& drive : drives) texts << QString::fromStdString(drive.text);
    QCOMPARE(texts, (QStringList{"/ []", "/data []", "/home [HOME]", "/media/USB Stick [STICK]",
                                 "/media/cdrom []", "/mnt/nfs server:/export",
                                 "/mnt/smb //server/share", "/run []"}));
  }

  void driveKinds() {
    const std::vector<TDrive> drives = ListDrives(kVolumes, FixtureProbe());
    std::map<std::string, TDriveKind> kinds;
    for (const TDrive& drive : drives) kinds[drive.mountPoint] = drive.kind;
    QCOMPARE(kinds["/"], TDriveKind::Fixed);
    QCOMPARE(kinds["/home"], TDriveKind::Fixed);
    QCOMPARE(kinds["/media/USB Stick"], TDriveKind::Removable);
    QCOMPARE(kinds["/media/cdrom"], TDriveKind::CdRom);
    QCOMPARE(kinds["/run"], TDriveKind::Ram);
    QCOMPARE(kinds["/mnt/nfs"], TDriveKind::Network);
    QCOMPARE(kinds["/mnt/smb"], TDriveKind::Network);
  }

  void rootIsAlwaysListed() {
    const std::vector<TDrive> drives =
        ListDrives({{"/home", "/dev/sda2", "ext4", ""}}, FixtureProbe());
    QCOMPARE(drives.size(), size_t(2));
    QCOMPARE(drives[0].text, std::string("/ []"));
  }

  void mountPointOfLongestPrefix() {
    const std::vector<std::string> points = {"/", "/data", "/data/deep", "/home"};
    QCOMPARE(MountPointOf("/data/deep/x", points), std::string("/data/deep"));
    QCOMPARE(MountPointOf("/data/deeper", points), std::string("/data"));
    QCOMPARE(MountPointOf("/usr", points), std::string("/"));
  }

  void removableFlagIsTheDisks() {
    TFolderTestTree temp;
    const std::string dev = temp.Make("dev");
    std::ofstream(dev + "/sdb1").put('x');
    // A partition's folder lies in its disk's folder, which holds the flag.
    const std::string disk = temp.Make("sys/devices/sdb");
    temp.Make("sys/devices/sdb/sdb1");
    std::ofstream(disk + "/removable") << "1\n";
    std::ofstream(disk + "/sdb1/partition") << "1\n";
    const std::string classBlock = temp.Make("sys/class-block");
    fs::create_symlink("../devices/sdb/sdb1", classBlock + "/sdb1");

    QVERIFY(IsRemovableDevice(dev + "/sdb1", classBlock));
    QVERIFY(!IsRemovableDevice("tmpfs", classBlock));
    std::ofstream(disk + "/removable") << "0\n";
    QVERIFY(!IsRemovableDevice(dev + "/sdb1", classBlock));
  }

  void driveBoxPicksOnlyAnotherDrive() {
    TDriveComboBox box;
    box.Fill(ListDrives(kVolumes, FixtureProbe()));
    QSignalSpy changes(&box, &TDriveComboBox::Change);
    box.SetCurrentDrive("/home");
    QCOMPARE(changes.count(), 1);
    QCOMPARE(box.currentText(), QString("/home [HOME]"));
    QCOMPARE(box.currentData().toInt(), static_cast<int>(TDriveKind::Fixed));
    box.SetCurrentDrive("/home");
    QCOMPARE(changes.count(), 1);
    // Picking the entry that is already current does nothing either.
    emit box.activated(box.currentIndex());
    QCOMPARE(changes.count(), 1);
    emit box.activated(box.findText("/run []"));
    QCOMPARE(changes.count(), 2);
    QCOMPARE(box.CurrentDrive(), std::string("/run"));
  }

  void linesAndIndentation() {
    TFolderTestTree temp;
    const std::string top = temp.Make("Top/Mid");
    for (const char* name : {"b", "A", "a", "C", ".hidden", "B"})
      temp.Make(std::string("Top/Mid/") + name);
    std::ofstream(top + "/file.txt") << "not a folder";
    fs::create_symlink(top + "/C", top + "/link-to-C");
    fs::create_symlink(top + "/missing", top + "/broken");
    mkfifo((top + "/fifo").c_str(), 0600);

    TDirectoryListBox list;
    list.SetCurrentDir(top);
    QCOMPARE(list.CurrentDir(), top);
    QStringList expected{"/"};
    for (const auto& part : fs::path(top).relative_path())
      expected << QString::fromStdString(part.string());
    const int pathLines = static_cast<int>(expected.size());
    expected << "A"
             << "a"
             << "B"
             << "b"
             << "C"
             << "link-to-C";
    QCOMPARE(Names(list), expected);

    for (int i = 0; i < list.LineCount(); ++i) {
      const TDirectoryLine& line = list.Line(i);
      if (i < pathLines - 1) {
        QCOMPARE(line.picture, TFolderPicture::Open);
        QCOMPARE(line.indent, i * 4 + 2);
      } else if (i == pathLines - 1) {
        QCOMPARE(line.picture, TFolderPicture::Current);
        QCOMPARE(line.indent, i * 4 + 2);
      } else {
        QCOMPARE(line.picture, TFolderPicture::Closed);
        QCOMPARE(line.indent, Separators(top) * 4 + 6);
      }
    }
    QCOMPARE(list.currentIndex().row(), pathLines - 1);
    QCOMPARE(list.LinePath(0), std::string("/"));
    QCOMPARE(list.LinePath(pathLines - 2), temp.Path() + "/Top");
    QCOMPARE(list.LinePath(pathLines - 1), top);
    QCOMPARE(list.LinePath(pathLines), top + "/A");
  }

  void rootShowsOneCurrentLine() {
    TDirectoryListBox list;
    list.SetCurrentDir("/");
    QCOMPARE(list.Line(0).name, std::string("/"));
    QCOMPARE(list.Line(0).picture, TFolderPicture::Current);
    QVERIFY(list.LineCount() > 1);
    QCOMPARE(list.Line(1).picture, TFolderPicture::Closed);
    QCOMPARE(list.LinePath(1), "/" + list.Line(1).name);
  }

  void openingLines() {
    TFolderTestTree temp;
    const std::string top = temp.Make("Top");
    temp.Make("Top/Sub");
    TDirectoryListBox list;
    list.SetCurrentDir(top);
    const int current = list.currentIndex().row();
    // A single selection only highlights.
    list.setCurrentIndex(list.model()->index(current + 1, 0));
    QCOMPARE(list.CurrentDir(), top);
    list.OpenLine(current);
    QCOMPARE(list.CurrentDir(), top);
    list.OpenLine(current + 1);
    QCOMPARE(list.CurrentDir(), top + "/Sub");
    list.OpenLine(current);  // the former current line is now Top, an ancestor
    QCOMPARE(list.CurrentDir(), top);
    // The double click is what opens a line.
    list.resize(300, 400);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QRect subLine = list.visualRect(list.model()->index(current + 1, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, subLine.center());
    QCOMPARE(list.CurrentDir(), top);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, subLine.center());
    QCOMPARE(list.CurrentDir(), top + "/Sub");
  }

  void relativeNamesResolveAgainstShownFolder() {
    TFolderTestTree temp;
    const std::string top = temp.Make("Top");
    temp.Make("Top/Sub/Deeper");
    TDirectoryListBox list;
    list.SetCurrentDir(top);
    list.SetCurrentDir("Sub/./Deeper/");
    QCOMPARE(list.CurrentDir(), top + "/Sub/Deeper");
    list.SetCurrentDir("../..");
    QCOMPARE(list.CurrentDir(), top);
    QVERIFY(std::string(getcwd(nullptr, 0)) != top);  // the process stays where it was
  }

  void vanishedFolderThrowsAndChangesNothing() {
    TFolderTestTree temp;
    const std::string top = temp.Make("Top");
    const std::string gone = temp.Make("Top/Gone");
    QLabel label;
    label.resize(2000, 20);
    TDirectoryListBox list;
    list.SetDirLabel(&label);
    list.SetCurrentDir(top);
    const QStringList before = Names(list);
    const QString labelBefore = label.text();
    QCOMPARE(labelBefore, QString::fromStdString(top));
    fs::remove(gone);
    try {
      list.OpenLine(list.LineCount() - 1);
      QFAIL("entering a vanished folder must fail");
    } catch (const EInOutError& error) {
      QCOMPARE(error.Message(), std::string("File not found"));
    }
    QCOMPARE(list.CurrentDir(), top);
    QCOMPARE(Names(list), before);
    QCOMPARE(label.text(), labelBefore);
  }

  // Through the real list view: the error is caught at the slot and reaches the error
  // box, instead of unwinding through Qt's item-view code.
  void vanishedFolderDoubleClickedReachesTheErrorBox() {
    TFolderTestTree temp;
    const std::string top = temp.Make("Top");
    temp.Make("Top/Gone");
    TDirectoryListBox list;
    list.resize(300, 200);
    list.SetCurrentDir(top);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    fs::remove(top + "/Gone");
    const QRect gone = list.visualRect(list.model()->index(list.LineCount() - 1, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, gone.center());
    TMessageBoxReader box;
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, gone.center());
    QVERIFY(box.seen);
    QCOMPARE(box.text, QString("File not found."));
    QCOMPARE(list.CurrentDir(), top);
  }

  void fileIsAnInvalidFolderName() {
    TFolderTestTree temp;
    std::ofstream(temp.Path() + "/plain") << "x";
    TDirectoryListBox list;
    QVERIFY_THROWS_EXCEPTION(EInOutError, list.SetCurrentDir(temp.Path() + "/plain"));
  }

  // Root passes every permission check, so the texts of EACCES and the other numbers
  // are checked on the mapping itself.
  void errorTexts_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("ENOENT") << ENOENT << "File not found";
    QTest::newRow("ENOTDIR") << ENOTDIR << "Invalid filename";
    QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << "Invalid filename";
    QTest::newRow("EMFILE") << EMFILE << "Too many open files";
    QTest::newRow("ENFILE") << ENFILE << "Too many open files";
    QTest::newRow("EACCES") << EACCES << "File access denied";
    QTest::newRow("EPERM") << EPERM << "File access denied";
    QTest::newRow("EIO") << EIO << QString("I/O error %1").arg(EIO);
    QTest::newRow("ELOOP") << ELOOP << QString("I/O error %1").arg(ELOOP);
  }
  void errorTexts() {
    QFETCH(int, error);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(EnterFolderErrorText(error)), text);
  }

  void labelShowsShortenedFolder() {
    TFolderTestTree temp;
    const std::string deep = temp.Make("aaaaaaaa/bbbbbbbb/cccccccc/name");
    QLabel label;
    label.resize(label.fontMetrics().horizontalAdvance("/.../cccccccc/name"), 20);
    TDirectoryListBox list;
    list.SetDirLabel(&label);
    list.SetCurrentDir(deep);
    QCOMPARE(label.text(), QString("/.../cccccccc/name"));
  }

  void driveChangeGoesToLastFolderOnThatDrive() {
    TFolderTestTree temp;
    const std::string a = temp.Make("A");
    const std::string deepA = temp.Make("A/deep");
    const std::string b = temp.Make("B");
    const std::string deepB = temp.Make("B/deep");
    TDirectoryListBox list;
    list.SetMountPoints({"/", a, b});
    list.SetCurrentDrive(a);
    QCOMPARE(list.CurrentDir(), a);
    list.SetCurrentDir(deepA);
    list.SetCurrentDrive(b);
    QCOMPARE(list.CurrentDir(), b);
    list.SetCurrentDir(deepB);
    list.SetCurrentDrive(b);  // the current drive: nothing happens
    QCOMPARE(list.CurrentDir(), deepB);
    list.SetCurrentDrive(a);
    QCOMPARE(list.CurrentDir(), deepA);
    // A remembered folder that has gone leaves the drive's own root.
    fs::remove(deepB);
    list.SetCurrentDrive(b);
    QCOMPARE(list.CurrentDir(), b);
  }
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
