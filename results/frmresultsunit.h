#pragma once
// The results window: the lines of a search run grouped by file, and below them a pane
// with the context sample of the match on the selected line.
#include <QDialog>

#include "results/HitFinder.h"
#include "results/ResultsModel.h"
#include "results/ResultsSource.h"
#include "widgets/WindowPlacement.h"

class QListView;
class QPlainTextEdit;
class QPushButton;
class QSplitter;

namespace trawlix {

class TfrmResults : public QDialog, public TResultsSource {
  Q_OBJECT
 public:
  explicit TfrmResults(QWidget* parent = nullptr);

  QWidget* pnlMain;
  QListView* lstResults;
  QSplitter* splitter1;
  QPlainTextEdit* mmoSample;
  QPushButton* cmdOk;

  // The hand-over, just before the window is shown: the main window's own result model.
  void SetResults(const TSearchResults& results);
  // Lets go of the result model while a run refills it.
  void DetachResults();
  // What the run looked for, handed over with its results: the list and the pane mark its
  // hits. It stays until the next hand-over.
  void SetSearchedText(const TSearchedText& searched);
  const TSearchedText& SearchedText() const { return searched_; }

  const TSearchResults& Results() const override;
  const TGrepItem* SelectedGrepItem() const override;
  // The selected line, or -1.
  int SelectedLine() const;
  void ShowSample();

  void setVisible(bool visible) override;

  // A pane dragged this low or lower closes; the list never gets lower by dragging.
  static constexpr int CollapseHeight = 30;
  // The pane shows a longer sample line cut here, with a mark at each cut end that tells
  // how many bytes are left out there. Qt lays glyphs out in 26.6 fixed point, whose
  // positions wrap some 33 million pixels out (glyphs then land on one another), and lays
  // a line out whole before it paints any of it: this many bytes, dozens of screen widths,
  // stay far inside the one and paint within a frame.
  static constexpr size_t kPaneLineBytes = 8192;

 public slots:
  void lstResultsClick() { ShowSample(); }
  void lstResultsKeyPress() { ShowSample(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void splitter1Moved();

  TResultsModel* model_;
  TSearchedText searched_;
  THitFinder hits_;  // of searched_
  TFirstShowPlacement placement_;
};

extern TfrmResults* frmResults;

}  // namespace trawlix
