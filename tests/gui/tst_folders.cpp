// The folder dialog: building the folder list, the typed folder, the menu's shortcuts,
// and the main window's Folders command.
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "folders/FoldersCommand.h"
#include "folders/frmfoldersunit.h"
#include "tests/gui/FolderTestTree.h"
#include "widgets/ScreenText.h"

using namespace trawlix;

namespace fs = std::filesystem;

namespace {

QStringList Entries(const TStringListBox& list) {
  QStringList entries;
  for (const std::string& entry : list.Items()) entries << QString::fromStdString(entry);
  return entries;
}

void Select(TStringListBox& list, const std::string& entry) {
  const auto& items = list.Items();
  list.SetItemIndex(static_cast<int>(std::find(items.begin(), items.end(), entry) - items.begin()));
}

}  // namespace

class TestFolders : public QObject {
  Q_OBJECT
 private:
  std::unique_ptr<TfrmFolders> dialog_;

  // Shows the dialog as the active window, as the user sees it.
  void ShowDialog() {
    dialog_->show();
    dialog_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
  }

 private slots:
  void init() {
    dialog_ = std::make_unique<TfrmFolders>();
    frmFolders = dialog_.get();
  }
  void cleanup() {
    frmFolders = nullptr;
    dialog_.reset();
  }

  void menuItems() {
    const QList<QAction*> items = dialog_->Selection1->actions();
    QStringList captions, shortcuts;
    for (const QAction* item : items) {
      captions << item->text();
      shortcuts << item->shortcut().toString(QKeySequence::PortableText);
    }
    QCOMPARE(dialog_->Selection1->title(), QString("&Selection"));
    QCOMPARE(captions,
             (QStringList{"&Clear", "Add &All", "Ad&d One", "&Remo&ve One", "&Remove All"}));
    QCOMPARE(shortcuts, (QStringList{"Ctrl+X", "Ctrl+A", "Ctrl+D", "Ctrl+O", "Ctrl+R"}));
    QVERIFY(dialog_->cmdOk->isDefault());
    QCOMPARE(dialog_->windowTitle(), QString("Select Folders"));
  }

  void addOneCollapsesNeighboursOnly() {
    TFolderTestTree temp;
    const std::string a = temp.Make("A");
    const std::string b = temp.Make("b");
    dialog_->lstDirectory->SetCurrentDir(a);
    dialog_->spdAddOne->click();
    dialog_->spdAddOne->click();
    QCOMPARE(Entries(*dialog_->lstFolders), QStringList{QString::fromStdString(a)});
    dialog_->lstDirectory->SetCurrentDir(b);
    dialog_->spdAddOne->click();
    dialog_->lstDirectory->SetCurrentDir(a);
    dialog_->AddOne1->trigger();
    // Kept as spelled, lower case included.
    QCOMPARE(Entries(*dialog_->lstFolders),
             (QStringList{QString::fromStdString(a), QString::fromStdString(b),
                          QString::fromStdString(a)}));
  }

  void removeOneLeavesNeighboursThatMeet() {
    TFolderTestTree temp;
    const std::string a = temp.Make("A");
    dialog_->lstFolders->SetItems({a, "/x", a});
    dialog_->spdDropOne->click();  // nothing selected: nothing goes
    QCOMPARE(dialog_->lstFolders->Count(), 3);
    Select(*dialog_->lstFolders, "/x");
    dialog_->spdDropOne->click();
    QCOMPARE(dialog_->lstFolders->Count(), 2);
    // No entry is selected after it, so a second Remove One or Remove All does nothing.
    QCOMPARE(dialog_->lstFolders->ItemIndex(), -1);
    dialog_->spdDropOne->click();
    dialog_->spdDropAll->click();
    QCOMPARE(dialog_->lstFolders->Count(), 2);
    // The next add merges the neighbours that met.
    dialog_->lstDirectory->SetCurrentDir(a);
    dialog_->spdAddOne->click();
    QCOMPARE(Entries(*dialog_->lstFolders), QStringList{QString::fromStdString(a)});
  }

  void addAllIsBreadthFirst() {
    TFolderTestTree temp;
    const std::string data = temp.Make("Data");
    temp.Make("Data/A/X");
    temp.Make("Data/b");
    temp.Make("Data/.hidden/Y");
    const std::string odd = temp.Make("Data/b/caf\xe9");
    dialog_->lstFolders->SetItems({"/earlier"});
    dialog_->lstDirectory->SetCurrentDir(data);
    dialog_->spdAddAll->click();
    const TStringList& entries = dialog_->lstFolders->Items();
    QCOMPARE(entries.size(), size_t(6));
    QCOMPARE(entries[0], std::string("/earlier"));
    QCOMPARE(entries[1], data);
    // Siblings come in the file system's order.
    QVERIFY((entries[2] == data + "/A" && entries[3] == data + "/b") ||
            (entries[2] == data + "/b" && entries[3] == data + "/A"));
    const std::string deeperFirst = entries[2] == data + "/A" ? data + "/A/X" : odd;
    const std::string deeperSecond = entries[2] == data + "/A" ? odd : data + "/A/X";
    QCOMPARE(entries[4], deeperFirst);
    QCOMPARE(entries[5], deeperSecond);
    // The name that is not UTF-8 is stored as its bytes and shown byte for byte.
    const int oddRow = entries[4] == odd ? 4 : 5;
    QCOMPARE(dialog_->lstFolders->model()->index(oddRow, 0).data().toString(), ScreenText(odd));
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // The tree again: equal entries that are not neighbours stay.
    dialog_->AddAll1->trigger();
    QCOMPARE(dialog_->lstFolders->Count(), 11);
  }

  void addAllOnFolderWithoutSubfolders() {
    TFolderTestTree temp;
    const std::string leaf = temp.Make("Leaf");
    dialog_->lstDirectory->SetCurrentDir(leaf);
    dialog_->spdAddAll->click();
    QCOMPARE(Entries(*dialog_->lstFolders), QStringList{QString::fromStdString(leaf)});
  }

  void addAllEndsInLinkCycles() {
    TFolderTestTree temp;
    const std::string data = temp.Make("Data/A");
    fs::create_directory_symlink(temp.Path() + "/Data", data + "/up");
    dialog_->lstDirectory->SetCurrentDir(temp.Path() + "/Data");
    dialog_->spdAddAll->click();
    QVERIFY(dialog_->lstFolders->Count() <= 3);
    QCOMPARE(dialog_->lstFolders->Item(1), temp.Path() + "/Data/A");
  }

  void addAllTakesManyFolders() {
    TFolderTestTree temp;
    const std::string many = temp.Make("Many");
    for (int i = 0; i < 400; ++i) fs::create_directory(many + "/" + std::to_string(i));
    dialog_->lstDirectory->SetCurrentDir(many);
    QCOMPARE(dialog_->lstDirectory->LineCount(),
             400 + 1 + static_cast<int>(std::count(many.begin(), many.end(), '/')));
    dialog_->spdAddAll->click();
    QCOMPARE(dialog_->lstFolders->Count(), 401);
  }

  void removeTreeByExactPrefix() {
    dialog_->lstFolders->SetItems(
        {"/data/A", "/data/A/x", "/data/AB", "/data/a/x", "/data", "/data/A/y/z", "/data/A "});
    Select(*dialog_->lstFolders, "/data/A");
    dialog_->spdDropAll->click();
    QCOMPARE(Entries(*dialog_->lstFolders),
             (QStringList{"/data/AB", "/data/a/x", "/data", "/data/A "}));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    // A name ending in a blank is a folder of its own.
    Select(*dialog_->lstFolders, "/data/A ");
    dialog_->RemoveAll1->trigger();
    QCOMPARE(Entries(*dialog_->lstFolders), (QStringList{"/data/AB", "/data/a/x", "/data"}));
  }

  void removeTreeOfRootRemovesAll() {
    dialog_->lstFolders->SetItems({"/x", "/", "/y/z"});
    dialog_->spdDropAll->click();  // nothing selected
    QCOMPARE(dialog_->lstFolders->Count(), 3);
    Select(*dialog_->lstFolders, "/");
    dialog_->spdDropAll->click();
    QCOMPARE(dialog_->lstFolders->Count(), 0);
  }

  void clearEmptiesTheList() {
    dialog_->lstFolders->SetItems({"/x", "/y"});
    dialog_->spdCLS->click();
    QCOMPARE(dialog_->lstFolders->Count(), 0);
  }

  void typedFolderWithEnter() {
    TFolderTestTree temp;
    const std::string target = temp.Make("Target");
    const std::string start = temp.Make("Start");
    dialog_->lstDirectory->SetCurrentDir(start);
    ShowDialog();
    dialog_->txtUNC->setFocus();
    QTest::keyClicks(dialog_->txtUNC, QString::fromStdString(target));
    QVERIFY(dialog_->cmdUNC->isDefault());
    QVERIFY(!dialog_->cmdOk->isDefault());
    QTest::keyClick(dialog_->txtUNC, Qt::Key_Return);
    QCOMPARE(dialog_->lstDirectory->CurrentDir(), target);
    QCOMPARE(dialog_->txtUNC->text(), QString());
    // Emptying the field is a change too: Enter presses "-->" once more, with no text.
    QVERIFY(dialog_->cmdUNC->isDefault());
    QTest::keyClick(dialog_->txtUNC, Qt::Key_Return);
    QVERIFY(dialog_->isVisible());
    QCOMPARE(dialog_->lstDirectory->CurrentDir(), target);
    QVERIFY(dialog_->cmdOk->isDefault());
    QTest::keyClick(dialog_->txtUNC, Qt::Key_Return);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
  }

  void typedFolderThatDoesNotExist() {
    TFolderTestTree temp;
    dialog_->lstDirectory->SetCurrentDir(temp.Path());
    ShowDialog();
    dialog_->txtUNC->setFocus();
    QTest::keyClicks(dialog_->txtUNC, "no such folder");
    QTest::keyClick(dialog_->txtUNC, Qt::Key_Return);
    QCOMPARE(dialog_->txtUNC->text(), QString("no such folder"));
    QCOMPARE(dialog_->lstDirectory->CurrentDir(), temp.Path());
    QVERIFY(dialog_->isVisible());
    QVERIFY(dialog_->cmdOk->isDefault());
    QTest::keyClick(dialog_->txtUNC, Qt::Key_Return);
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
  }

  void typedRelativeFolder() {
    TFolderTestTree temp;
    const std::string sub = temp.Make("Shown/Sub");
    const std::string other = temp.Make("Other");
    dialog_->lstDirectory->SetCurrentDir(temp.Path() + "/Shown");
    const QString driveShown = dialog_->cboDrive->currentText();
    ShowDialog();
    dialog_->txtUNC->setFocus();
    QTest::keyClicks(dialog_->txtUNC, "Sub");
    QTest::keyClick(dialog_->txtUNC, Qt::Key_Return);
    QCOMPARE(dialog_->lstDirectory->CurrentDir(), sub);
    QTest::keyClicks(dialog_->txtUNC, "../../Other");
    dialog_->cmdUNC->click();
    QCOMPARE(dialog_->lstDirectory->CurrentDir(), other);
    // A file is no folder: the text stays.
    fs::path file = fs::path(other) / "file";
    std::fclose(std::fopen(file.c_str(), "w"));
    QTest::keyClicks(dialog_->txtUNC, "file");
    dialog_->cmdUNC->click();
    QCOMPARE(dialog_->txtUNC->text(), QString("file"));
    QCOMPARE(dialog_->cboDrive->currentText(), driveShown);
  }

  void menuShortcutsComeBeforeTheField() {
    TFolderTestTree temp;
    dialog_->lstDirectory->SetCurrentDir(temp.Path());
    dialog_->lstFolders->SetItems({"/x", "/y"});
    ShowDialog();
    dialog_->txtUNC->setFocus();
    QTest::keyClicks(dialog_->txtUNC, "typed");
    dialog_->txtUNC->selectAll();
    QTest::keyClick(dialog_->txtUNC, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(dialog_->lstFolders->Count(), 0);
    QCOMPARE(dialog_->txtUNC->text(), QString("typed"));
    dialog_->txtUNC->deselect();
    QTest::keyClick(dialog_->txtUNC, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(Entries(*dialog_->lstFolders), QStringList{QString::fromStdString(temp.Path())});
    QVERIFY(!dialog_->txtUNC->hasSelectedText());
    QTest::keyClick(dialog_->txtUNC, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(dialog_->lstFolders->Count(), 1);
    dialog_->lstFolders->setFocus();
    dialog_->lstFolders->SetItemIndex(0);
    QTest::keyClick(dialog_->lstFolders, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(dialog_->lstFolders->Count(), 0);
  }

  void enterInDirectoryListPressesDefault() {
    ShowDialog();
    const std::string shown = dialog_->lstDirectory->CurrentDir();
    dialog_->lstDirectory->setFocus();
    const int current = dialog_->lstDirectory->currentIndex().row();
    if (current + 1 < dialog_->lstDirectory->LineCount())
      dialog_->lstDirectory->setCurrentIndex(dialog_->lstDirectory->model()->index(current + 1, 0));
    QTest::keyClick(dialog_->lstDirectory, Qt::Key_Return);
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
    QCOMPARE(dialog_->lstDirectory->CurrentDir(), shown);
  }

  void foldersCommandOk() {
    TStringListBox mainList;
    mainList.SetItems({"/one", "/two"});
    dialog_->lstFolders->SetItems({"/left over"});
    QStringList seen;
    QTimer::singleShot(0, this, [&] {
      seen = Entries(*dialog_->lstFolders);
      dialog_->lstFolders->Append("/three");
      dialog_->cmdOk->click();
    });
    RunFoldersCommand(mainList);
    QCOMPARE(seen, (QStringList{"/one", "/two"}));
    QCOMPARE(Entries(mainList), (QStringList{"/one", "/two", "/three"}));
  }

  void foldersCommandCancelKeepsMainList() {
    TStringListBox mainList;
    mainList.SetItems({"/one"});
    QTimer::singleShot(0, this, [&] {
      dialog_->spdCLS->click();
      QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    });
    RunFoldersCommand(mainList);
    QCOMPARE(Entries(mainList), QStringList{"/one"});
    QCOMPARE(dialog_->lstFolders->Count(), 0);  // the edits stay until the next showing

    mainList.Clear();
    QTimer::singleShot(0, this, [&] { dialog_->reject(); });
    RunFoldersCommand(mainList);
    QCOMPARE(dialog_->lstFolders->Count(), 0);
  }
};

QTEST_MAIN(TestFolders)
#include "tst_folders.moc"
