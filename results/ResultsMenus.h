#pragma once
// The results window's two pop-up menus and their commands: popResults on the results
// list, popSample on the context pane. The commands that act on a match take the record
// of the line selected in the list, never the pane's text.
#include <QObject>
#include <functional>

class QAbstractItemView;
class QAction;
class QFileDialog;
class QMenu;
class QWidget;

namespace trawlix {
class TGrepItem;
class TResultsSource;

class TResultsMenus : public QObject {
  Q_OBJECT
 public:
  // The menus belong to `window`, which also owns this object.
  TResultsMenus(QAbstractItemView* lstResults, QWidget* mmoSample, TResultsSource& source,
                QWidget* window);

  // Shows the save dialog modally and returns its result; tests put their own in.
  using TDialogRunner = std::function<int(QFileDialog&)>;
  void SetSaveDialogRunner(TDialogRunner runner);

  QMenu* popResults;
  QAction* Copyresults1;
  QAction* Saveresults1;
  QAction* Openselectedfile1;
  QAction* Copyselectedfilename1;
  QAction* Copyselectedfilecontent1;
  QAction* Opencontainingfolder1;

  QMenu* popSample;
  QAction* CopySample1;
  QAction* Copyfilecontent1;
  QAction* OpenfilewithNotepad1;
  QAction* Copyfilename1;

 public slots:
  void Copyresults1Click();
  void Saveresults1Click();
  void Openselectedfile1Click();
  void Copyselectedfilename1Click();
  void Copyselectedfilecontent1Click();
  void Opencontainingfolder1Click();
  void CopySample1Click();
  void Copyfilecontent1Click();
  void OpenfilewithNotepad1Click();
  void Copyfilename1Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* AddItem(QMenu* menu, const char* name, const char* caption,
                   void (TResultsMenus::*handler)());
  void AttachMenu(QWidget* control, QMenu* menu);
  // The selected line's record; when there is none, says "No match selected" and
  // gives nullptr.
  const TGrepItem* SelectedMatch();
  void CopyFileName();
  void CopyFileContent();
  void OpenFileInEditor();

  QAbstractItemView* lstResults_;
  QWidget* mmoSample_;
  TResultsSource& source_;
  QWidget* window_;
  TDialogRunner saveDialogRunner_;
};

}  // namespace trawlix
