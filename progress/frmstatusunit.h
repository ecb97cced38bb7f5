#pragma once
// The progress window: shown without being modal while a search runs, with the progress
// over the folders and over the current folder's files, the file being read, and Cancel.
#include <QDialog>

#include "progress/Gauges.h"
#include "progress/PathLabel.h"
#include "widgets/WindowPlacement.h"

class QFrame;
class QLabel;
class QPushButton;

namespace trawlix {

class TfrmStatus : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmStatus(QWidget* parent = nullptr);

  QFrame* Bevel1;
  QLabel* Label2;
  TGauge* overallprogress;
  QLabel* Label1;
  TGauge* fileprogress;
  TPathLabel* lblFilename;
  QPushButton* cmdCancel;

  void setVisible(bool visible) override;
  // Paints the label and gauges where a change still waits for its frame.
  void PaintPending();

 public slots:
  // Only asks the search run to stop (CancelRequested); the run closes this window when it
  // has.
  void cmdCancelClick();

 signals:
  // The owner of the search run connects this to the run's cancel flag.
  void CancelRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  TGauge* NewGauge(QWidget* parent);
  TFirstShowPlacement placement_;
};

extern TfrmStatus* frmStatus;

}  // namespace trawlix
