#include "results/ResultsMenus.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>

#include "results/Clipboard.h"
#include "results/Launcher.h"
#include "results/LinesText.h"
#include "results/ResultsSource.h"
#include "results/SaveResults.h"
#include "search/FileLines.h"
#include "search/GrepItemUnit.h"
#include "widgets/ErrorReport.h"

namespace trawlix {

namespace {

// Scroll areas report menu positions in their viewport's coordinates.
QWidget* PositionOrigin(QWidget* control) {
  auto* area = qobject_cast<QAbstractScrollArea*>(control);
  return area != nullptr ? area->viewport() : control;
}

// Where a menu opened from the keyboard appears: under the current line of the list or
// the text cursor of the pane, else at the control's corner.
QPoint KeyboardMenuPosition(QWidget* control) {
  if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
    const QRect line = view->visualRect(view->currentIndex());
    if (line.isValid() && view->viewport()->rect().intersects(line)) return line.bottomLeft();
  } else if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
    return edit->cursorRect().bottomLeft();
  }
  return {};
}

void Popup(QMenu* menu, QWidget* control, QPoint position) {
  menu->popup(PositionOrigin(control)->mapToGlobal(position));
}

bool IsMenuKey(const QKeyEvent& key) {
  return key.key() == Qt::Key_Menu ||
         (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
}

}  // namespace

TResultsMenus::TResultsMenus(QAbstractItemView* lstResults, QWidget* mmoSample,
                             TResultsSource& source, QWidget* window)
    : QObject(window),
      lstResults_(lstResults),
      mmoSample_(mmoSample),
      source_(source),
      window_(window),
      saveDialogRunner_([](QFileDialog& dialog) { return dialog.exec(); }) {
  popResults = new QMenu(window);
  popResults->setObjectName(QStringLiteral("popResults"));
  Copyresults1 =
      AddItem(popResults, "Copyresults1", "&Copy results", &TResultsMenus::Copyresults1Click);
  Saveresults1 =
      AddItem(popResults, "Saveresults1", "&Save results", &TResultsMenus::Saveresults1Click);
  Openselectedfile1 = AddItem(popResults, "Openselectedfile1", "&Open selected file with notepad",
                              &TResultsMenus::Openselectedfile1Click);
  Copyselectedfilename1 = AddItem(popResults, "Copyselectedfilename1", "Copy selected &filename",
                                  &TResultsMenus::Copyselectedfilename1Click);
  Copyselectedfilecontent1 =
      AddItem(popResults, "Copyselectedfilecontent1", "Copy selected file content",
              &TResultsMenus::Copyselectedfilecontent1Click);
  Opencontainingfolder1 = AddItem(popResults, "Opencontainingfolder1", "Open containing folder",
                                  &TResultsMenus::Opencontainingfolder1Click);

  popSample = new QMenu(window);
  popSample->setObjectName(QStringLiteral("popSample"));
  CopySample1 = AddItem(popSample, "CopySample1", "&Copy sample", &TResultsMenus::CopySample1Click);
  Copyfilecontent1 = AddItem(popSample, "Copyfilecontent1", "Copy file content",
                             &TResultsMenus::Copyfilecontent1Click);
  OpenfilewithNotepad1 = AddItem(popSample, "OpenfilewithNotepad1", "Open file with Notepad",
                                 &TResultsMenus::OpenfilewithNotepad1Click);
  Copyfilename1 =
      AddItem(popSample, "Copyfilename1", "Copy filename", &TResultsMenus::Copyfilename1Click);

  AttachMenu(lstResults_, popResults);
  AttachMenu(mmoSample_, popSample);
  lstResults_->viewport()->installEventFilter(this);
}

void TResultsMenus::SetSaveDialogRunner(TDialogRunner runner) {
  saveDialogRunner_ = std::move(runner);
}

QAction* TResultsMenus::AddItem(QMenu* menu, const char* name, const char* caption,
                                void (TResultsMenus::*handler)()) {
  QAction* item = menu->addAction(QString::fromLatin1(caption));
  item->setObjectName(QString::fromLatin1(name));
  // Queued: the command runs from the event loop after the menu has closed, not inside
  // the menu's mouse or key handling, so its dialogs and errors meet no half-done menu.
  connect(item, &QAction::triggered, this, Guarded([this, handler] { (this->*handler)(); }),
          Qt::QueuedConnection);
  return item;
}

void TResultsMenus::AttachMenu(QWidget* control, QMenu* menu) {
  // Replaces the control's own menu (the pane's edit menu).
  control->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(control, &QWidget::customContextMenuRequested, menu,
          [menu, control](QPoint position) { Popup(menu, control, position); });
  control->installEventFilter(this);
}

bool TResultsMenus::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      // A right click on the list must not move its selection: the commands act on the
      // line selected before the menu opened. The menu itself comes with the
      // separate context-menu event.
      return watched == lstResults_->viewport() &&
             static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
    case QEvent::ContextMenu:
      // Some platforms send a menu event for the menu key besides the key itself; the
      // key opens the menu below, so the menu opens once.
      return (watched == lstResults_ || watched == mmoSample_) &&
             static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
    case QEvent::KeyPress: {
      if (!IsMenuKey(*static_cast<QKeyEvent*>(event))) return false;
      if (watched == lstResults_) {
        Popup(popResults, lstResults_, KeyboardMenuPosition(lstResults_));
        return true;
      }
      if (watched == mmoSample_) {
        Popup(popSample, mmoSample_, KeyboardMenuPosition(mmoSample_));
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

const TGrepItem* TResultsMenus::SelectedMatch() {
  const TGrepItem* item = source_.SelectedGrepItem();
  if (item == nullptr) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), QStringLiteral("No match selected"),
                    QMessageBox::Ok, window_);
    box.exec();
  }
  return item;
}

void TResultsMenus::Copyresults1Click() {
  SetClipboardBytes(LinesText(source_.Results()));
}

void TResultsMenus::Saveresults1Click() {
  // Destroyed on every way out, also when writing fails.
  QFileDialog dialog(window_);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setSizeGripEnabled(true);
  if (saveDialogRunner_(dialog) != QDialog::Accepted) return;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return;
  SaveResults(QFile::encodeName(chosen.first()).toStdString(), source_.Results());
}

void TResultsMenus::CopySample1Click() {
  if (const TGrepItem* item = SelectedMatch()) SetClipboardBytes(LinesText(item->Sample()));
}

void TResultsMenus::CopyFileName() {
  if (const TGrepItem* item = SelectedMatch()) SetClipboardBytes(item->FileName());
}

void TResultsMenus::CopyFileContent() {
  const TGrepItem* item = SelectedMatch();
  if (item == nullptr) return;
  // The file as it is now; an error leaves the clipboard untouched.
  TFileLines lines;
  lines.Load(item->FileName());
  SetClipboardBytes(LinesText(lines));
}

void TResultsMenus::OpenFileInEditor() {
  // The list counts lines from 0, the editors from 1.
  if (const TGrepItem* item = SelectedMatch()) {
    OpenInEditor(item->FileName(), item->LineIndex() + 1);
  }
}

void TResultsMenus::Opencontainingfolder1Click() {
  if (const TGrepItem* item = SelectedMatch()) OpenContainingFolder(item->FileName());
}

void TResultsMenus::Openselectedfile1Click() {
  OpenFileInEditor();
}
void TResultsMenus::Copyselectedfilename1Click() {
  CopyFileName();
}
void TResultsMenus::Copyselectedfilecontent1Click() {
  CopyFileContent();
}
void TResultsMenus::Copyfilecontent1Click() {
  CopyFileContent();
}
void TResultsMenus::OpenfilewithNotepad1Click() {
  OpenFileInEditor();
}
void TResultsMenus::Copyfilename1Click() {
  CopyFileName();
}

}  // namespace trawlix
