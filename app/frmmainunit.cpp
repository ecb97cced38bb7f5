#include "app/frmmainunit.h"

#include <QAccessibleWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/WindowSearchHost.h"
#include "folders/FoldersCommand.h"
#include "progress/frmstatusunit.h"
#include "results/frmresultsunit.h"
#include "search/SearchRun.h"
#include "widgets/AccessibleNames.h"
#include "widgets/ErrorReport.h"
#include "widgets/Pictures.h"

namespace trawlix {

TfrmMain* frmMain = nullptr;

const QStringList TfrmMain::MaskPresets = {"*.txt", "*.pas", "*.c",   "*.cpp", "*.h",
                                           "*.hpp", "*.dfm", "*.bas", "*.cs",  "*.vb",
                                           "*.zip", "*.arc", "*.dat", "*.*"};

namespace {

// The program's name and version, in the title bar and the About box.
constexpr char kProgramVersion[] = "Trawlix v0.05";

// Qt's accessibility knows a window by its Qt class (QMainWindow, QDialog) and takes any
// other widget, this window too, for a part of one: a screen reader would hear a "filler".
QAccessibleInterface* MainWindowAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String(TfrmMain::staticMetaObject.className())) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

QLabel* NewCaption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : QWidget(parent),
      cmdOk(new QPushButton(OkPicture(), "&Ok", this)),
      cmdAbout(new QToolButton(this)),
      GroupFolders(new QGroupBox(this)),
      Label1(NewCaption("Folders to be searched:", GroupFolders)),
      cmdFolders(new QPushButton(FoldersPicture(), "Folders", GroupFolders)),
      GroupParameters(new QGroupBox(this)),
      chkWholeword(new QCheckBox("&Whole Word", GroupParameters)),
      chkCaseSense(new QCheckBox("&Case Sensitive", GroupParameters)),
      cboMask(new QComboBox(GroupParameters)),
      lblFileMask(NewCaption("File Masks (semicolon delimited):", GroupParameters)),
      txtSearch(new QLineEdit(GroupParameters)),
      Label2(NewCaption("Text for which to search:", GroupParameters)),
      lstFolders(new TStringListBox(GroupFolders)) {
  setWindowTitle(kProgramVersion);
  setWindowIcon(ProgramPicture());
  static const bool accessibleAsWindow = [] {
    QAccessible::installFactory(MainWindowAccessible);
    return true;
  }();
  (void)accessibleAsWindow;

  cmdAbout->setIcon(AboutPicture());
  cmdAbout->setAccessibleName("About");
  cmdAbout->setFocusPolicy(Qt::NoFocus);
  cmdAbout->setAutoRaise(true);
  cmdAbout->setFixedSize(25, 25);
  cmdOk->setDefault(true);
  cmdOk->setMinimumSize(75, 25);
  cmdFolders->setMinimumSize(75, 25);
  // Enter on the focused Folders button presses it, as on any focused button.
  cmdFolders->setAutoDefault(true);

  cboMask->setEditable(true);
  cboMask->setInsertPolicy(QComboBox::NoInsert);
  cboMask->addItems(MaskPresets);
  cboMask->setCurrentIndex(0);

  BuildLayout();
  LabelControl(Label1, lstFolders);
  LabelControl(Label2, txtSearch);
  LabelControl(lblFileMask, cboMask);
  setTabOrder(cmdFolders, lstFolders);
  setTabOrder(lstFolders, txtSearch);
  setTabOrder(txtSearch, chkWholeword);
  setTabOrder(chkWholeword, chkCaseSense);
  setTabOrder(chkCaseSense, cboMask);
  setTabOrder(cboMask, cmdOk);

  connect(cmdOk, &QPushButton::clicked, this, Guarded([this] { cmdOkClick(); }));
  connect(cmdFolders, &QPushButton::clicked, this, Guarded([this] { cmdFoldersClick(); }));
  connect(cmdAbout, &QToolButton::clicked, this, Guarded([this] { cmdAboutClick(); }));
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::BuildLayout() {
  auto* folders = new QGridLayout(GroupFolders);
  folders->setContentsMargins(7, 9, 7, 7);
  folders->setHorizontalSpacing(6);
  folders->setVerticalSpacing(6);
  folders->addWidget(cmdFolders, 0, 0);
  folders->addWidget(Label1, 0, 1);
  folders->addWidget(lstFolders, 1, 0, 1, 2);
  lstFolders->setMinimumSize(222, 105);
  lstFolders->setMaximumHeight(105);

  auto* options = new QHBoxLayout;
  options->setSpacing(6);
  options->addWidget(chkWholeword);
  options->addWidget(chkCaseSense);
  options->addStretch();

  auto* parameters = new QVBoxLayout(GroupParameters);
  parameters->setContentsMargins(8, 8, 8, 8);
  parameters->setSpacing(3);
  parameters->addWidget(Label2);
  parameters->addWidget(txtSearch);
  parameters->addLayout(options);
  parameters->addWidget(lblFileMask);
  parameters->addWidget(cboMask);
  txtSearch->setMinimumWidth(217);
  cboMask->setMinimumWidth(216);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(7);
  buttons->addStretch();
  buttons->addWidget(cmdAbout);
  buttons->addWidget(cmdOk);

  auto* window = new QVBoxLayout(this);
  window->setContentsMargins(8, 8, 5, 8);
  window->setSpacing(7);
  window->addWidget(GroupFolders);
  window->addWidget(GroupParameters);
  window->addLayout(buttons);
  // Not resizable: the window keeps the size its layout needs.
  window->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmMain::EnableControls(bool enabled) {
  chkCaseSense->setEnabled(enabled);
  cboMask->setEnabled(enabled);
  cmdFolders->setEnabled(enabled);
  txtSearch->setEnabled(enabled);
}

void TfrmMain::RunSearch() {
  // The run refills the lists while the results window is hidden; it shows them again
  // only when it hands them over.
  frmResults->DetachResults();
  TWindowSearchHost host(*this, results_);
  trawlix::RunSearch(host, results_);
}

void TfrmMain::cmdOkClick() {
  // Ok stays enabled during a run, and the run lets events run: a second Ok is refused.
  if (running_) return;
  running_ = true;
  // Disabling the focused control (say the search text after Enter) hands the focus on to
  // the next one; it comes back afterwards, so typing goes on where it was.
  const QPointer<QWidget> focused = focusWidget();
  EnableControls(false);
  struct RunEnd {
    TfrmMain& window;
    const QPointer<QWidget>& focused;
    ~RunEnd() {
      // Also after an error that ended the run: no progress window left, no stale cancel.
      frmStatus->hide();
      window.Cancelled = false;
      window.running_ = false;
      window.EnableControls(true);
      if (focused && window.focusWidget() != focused) focused->setFocus();
    }
  };
  {
    RunEnd end{*this, focused};
    RunSearch();
  }
  if (closeAfterRun_) close();
}

void TfrmMain::cmdFoldersClick() {
  RunFoldersCommand(*lstFolders);
}

void TfrmMain::ShowAbout() {
  QMessageBox box(QMessageBox::NoIcon, "About...",
                  QString(kProgramVersion) + "\r\nA find-in-files tool for Linux desktops.",
                  QMessageBox::Ok, this);
  box.exec();
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
  // Ok is the window's default button: Enter that no control took presses it.
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    if (cmdOk->isEnabled()) cmdOk->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  // The run fills this window's lists: stop it, and close once it has returned.
  if (running_) {
    Cancelled = true;
    closeAfterRun_ = true;
    event->ignore();
    return;
  }
  closeAfterRun_ = false;
  event->accept();
}

}  // namespace trawlix
