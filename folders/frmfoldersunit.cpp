#include "folders/frmfoldersunit.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

#include "util/FolderPaths.h"
#include "util/SystemCpus.h"
#include "util/files.h"
#include "util/lists.h"
#include "widgets/ErrorReport.h"
#include "widgets/Pictures.h"
#include "widgets/ScreenText.h"

namespace trawlix {

TfrmFolders* frmFolders = nullptr;

namespace {

// The busy cursor for as long as the guard lives, whichever way the operation ends.
class TBusyCursor {
 public:
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

QToolButton* ToolButton(QWidget* parent, const char* picture, QStyle::StandardPixmap fallback,
                        const char* hint) {
  auto* button = new QToolButton(parent);
  button->setIcon(Picture(picture, fallback));
  button->setToolTip(hint);
  // Picture only: the hint is what a screen reader announces.
  button->setAccessibleName(hint);
  button->setFocusPolicy(Qt::NoFocus);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

TfrmFolders::TfrmFolders(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Select Folders");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setWindowIcon(Picture(":/icons/folder-open.svg", QStyle::SP_DirIcon));
  BuildNewFolderGroup();
  BuildSelectedFoldersGroup();
  cmdOk = new QPushButton(OkPicture(), "&Ok", this);
  cmdCancel = new QPushButton(CancelPicture(), "&Cancel", this);
  cmdOk->setDefault(true);
  connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);  // Esc as well
  BuildMenu();
  BuildLayout();
  QWidget* const order[] = {txtUNC, cmdUNC, cboDrive, lstDirectory, lstFolders, cmdOk, cmdCancel};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void TfrmFolders::BuildNewFolderGroup() {
  GroupBox1 = new QGroupBox("New Folder", this);
  lblDir = new QLabel(GroupBox1);
  lblDir->setToolTip("This is the currently specified folder.");
  lblDir->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  lblDir->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  lblDir->setMinimumHeight(17);
  lblDir->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  lblDir->setAutoFillBackground(true);
  QPalette white = lblDir->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  lblDir->setPalette(white);

  txtUNC = new QLineEdit(GroupBox1);
  txtUNC->setToolTip("Type a folder name");
  // The menu's Ctrl shortcuts come before the field's own keys (Ctrl+X clears the list).
  txtUNC->installEventFilter(this);
  connect(txtUNC, &QLineEdit::textChanged, this, Guarded([this] { txtUNCChange(); }));
  cmdUNC = new QPushButton("-->", GroupBox1);
  cmdUNC->setToolTip("Select the folder name you typed.");
  // A small button beside the field, not a full-width push button.
  cmdUNC->setFixedWidth(std::max(21, cmdUNC->fontMetrics().horizontalAdvance("-->") + 12));
  connect(cmdUNC, &QPushButton::clicked, this, Guarded([this] { cmdUNCClick(); }));

  cboDrive = new TDriveComboBox(GroupBox1);
  cboDrive->setToolTip("Select a mapped drive");
  connect(cboDrive, &TDriveComboBox::Change, this, Guarded([this] { cboDriveChange(); }));

  lstDirectory = new TDirectoryListBox(GroupBox1);
  lstDirectory->setToolTip("Traverse the folders visually...");
  lstDirectory->setAccessibleName(lstDirectory->toolTip());
  lstDirectory->SetMountPoints(cboDrive->MountPoints());
  lstDirectory->SetDirLabel(lblDir);

  auto* layout = new QGridLayout(GroupBox1);
  layout->setSpacing(3);
  layout->addWidget(lblDir, 0, 0, 1, 2);
  layout->addWidget(txtUNC, 1, 0);
  layout->addWidget(cmdUNC, 1, 1);
  layout->addWidget(cboDrive, 2, 0, 1, 2);
  layout->addWidget(lstDirectory, 3, 0, 1, 2);
  layout->setRowStretch(3, 1);
}

void TfrmFolders::BuildSelectedFoldersGroup() {
  GroupBox2 = new QGroupBox("Selected Folders", this);
  spdCLS =
      ToolButton(GroupBox2, ":/icons/clear.svg", QStyle::SP_DialogResetButton, "Clear all folders");
  spdAddAll = ToolButton(GroupBox2, ":/icons/add-all.svg", QStyle::SP_FileDialogNewFolder,
                         "Add new folder and all subfolders");
  spdAddOne = ToolButton(GroupBox2, ":/icons/add-one.svg", QStyle::SP_ArrowRight, "Add new folder");
  spdDropOne = ToolButton(GroupBox2, ":/icons/remove-one.svg", QStyle::SP_ArrowLeft,
                          "Remove folder from selection");
  spdDropAll = ToolButton(GroupBox2, ":/icons/remove-all.svg", QStyle::SP_TrashIcon,
                          "Remove folder and all subfolders from selection");
  connect(spdCLS, &QToolButton::clicked, this, Guarded([this] { spdCLSClick(); }));
  connect(spdAddAll, &QToolButton::clicked, this, Guarded([this] { spdAddAllClick(); }));
  connect(spdAddOne, &QToolButton::clicked, this, Guarded([this] { spdAddOneClick(); }));
  connect(spdDropOne, &QToolButton::clicked, this, Guarded([this] { spdDropOneClick(); }));
  connect(spdDropAll, &QToolButton::clicked, this, Guarded([this] { spdDropAllClick(); }));
  lstFolders = new TStringListBox(GroupBox2);
  lstFolders->setAccessibleName(GroupBox2->title());

  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(2);
  for (QToolButton* button : {spdCLS, spdAddAll, spdAddOne, spdDropOne, spdDropAll})
    buttons->addWidget(button);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(GroupBox2);
  layout->addLayout(buttons);
  layout->addWidget(lstFolders, 1);
}

void TfrmFolders::BuildMenu() {
  folderMenu = new QMenuBar(this);
  Selection1 = folderMenu->addMenu("&Selection");
  const auto item = [this](const char* caption, QKeyCombination shortcut,
                           void (TfrmFolders::*click)()) {
    QAction* action = Selection1->addAction(caption);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, Guarded([this, click] { (this->*click)(); }));
    return action;
  };
  Clear1 = item("&Clear", Qt::CTRL | Qt::Key_X, &TfrmFolders::Clear1Click);
  AddAll1 = item("Add &All", Qt::CTRL | Qt::Key_A, &TfrmFolders::AddAll1Click);
  AddOne1 = item("Ad&d One", Qt::CTRL | Qt::Key_D, &TfrmFolders::AddOne1Click);
  RemoveOne1 = item("&Remo&ve One", Qt::CTRL | Qt::Key_O, &TfrmFolders::RemoveOne1Click);
  RemoveAll1 = item("&Remove All", Qt::CTRL | Qt::Key_R, &TfrmFolders::RemoveAll1Click);
}

void TfrmFolders::BuildLayout() {
  // The left group keeps its size; the right one and its list grow with the window.
  GroupBox1->setFixedSize(QSize(289, 225).expandedTo(GroupBox1->sizeHint()));
  auto* groups = new QHBoxLayout;
  groups->addWidget(GroupBox1, 0, Qt::AlignTop);
  groups->addWidget(GroupBox2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOk);
  buttons->addWidget(cmdCancel);
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(folderMenu);
  layout->addLayout(groups, 1);
  layout->addLayout(buttons);
  resize(QSize(608, 262 + folderMenu->sizeHint().height()).expandedTo(sizeHint()));
}

bool TfrmFolders::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtUNC && event->type() == QEvent::ShortcutOverride) {
    const QKeySequence keys(static_cast<QKeyEvent*>(event)->keyCombination());
    for (const QAction* action : Selection1->actions()) {
      if (action->shortcut() == keys) {
        // Left unaccepted, the key goes to the menu's shortcut, not to the field.
        event->ignore();
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmFolders::txtUNCChange() {
  cmdUNC->setDefault(true);
}

void TfrmFolders::cmdUNCClick() {
  cmdOk->setDefault(true);
  // Taken as typed, not trimmed: blanks at either end belong to a Linux name.
  const std::string typed = BytesOf(txtUNC->text());
  if (typed.empty() || !DirectoryExists(ResolvePath(lstDirectory->CurrentDir(), typed))) return;
  lstDirectory->SetCurrentDir(typed);
  txtUNC->clear();
}

void TfrmFolders::cboDriveChange() {
  lstDirectory->SetCurrentDrive(cboDrive->CurrentDrive());
}

// Linux names distinguish case, so entries keep the file system's spelling: an upper-cased
// "/home/Ann/notes" would name another folder or none. Comparisons stay exact, byte-wise.
void TfrmFolders::AddFolder() {
  lstFolders->Append(lstDirectory->CurrentDir());
  CollapseDuplicates();
}

void TfrmFolders::AddFolderTree() {
  const TBusyCursor busy;
  TStringList folders = lstFolders->Items();
  AppendFolderTree(lstDirectory->CurrentDir(), folders, nullptr, UsableCpus());
  ReplaceFolders(std::move(folders));
}

void TfrmFolders::RemoveFolder() {
  const int selected = lstFolders->ItemIndex();
  if (selected < 0) return;
  lstFolders->Remove(selected);
  // The list would select a neighbour, which a second command would then act on unpicked.
  lstFolders->SetItemIndex(-1);
}

void TfrmFolders::RemoveFolderTree() {
  const TBusyCursor busy;
  const int selected = lstFolders->ItemIndex();
  if (selected < 0) return;
  // Entries carry no trailing separator but the root's. Nothing is trimmed: blanks at
  // the ends are part of a Linux name.
  std::string top = lstFolders->Item(selected);
  if (top.size() > 1 && top.back() == '/') top.pop_back();
  TStringList folders = lstFolders->Items();
  std::erase_if(folders, [&top](const std::string& folder) { return PathIsIn(folder, top); });
  ReplaceFolders(std::move(folders));
}

void TfrmFolders::ClearFolders() {
  lstFolders->Clear();
}

void TfrmFolders::CollapseDuplicates() {
  TStringList folders = lstFolders->Items();
  if (trawlix::CollapseDuplicates(folders)) ReplaceFolders(std::move(folders));
}

void TfrmFolders::ReplaceFolders(TStringList folders) {
  const int selected = lstFolders->ItemIndex();
  const std::string selectedFolder = selected >= 0 ? lstFolders->Item(selected) : std::string();
  lstFolders->SetItems(std::move(folders));
  if (selected >= 0 && selected < lstFolders->Count() &&
      lstFolders->Item(selected) == selectedFolder)
    lstFolders->SetItemIndex(selected);
}

}  // namespace trawlix
