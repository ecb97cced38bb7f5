#pragma once
// The main window: the folders to search, the search text, Whole Word, Case Sensitive and
// the file masks. Ok runs the search, which shows its progress and then the results.
#include <QWidget>

#include "search/SearchResults.h"
#include "widgets/StringListBox.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace trawlix {

class TfrmMain : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  QPushButton* cmdOk;
  QToolButton* cmdAbout;
  QGroupBox* GroupFolders;
  QLabel* Label1;
  QPushButton* cmdFolders;
  QGroupBox* GroupParameters;
  QCheckBox* chkWholeword;
  QCheckBox* chkCaseSense;
  QComboBox* cboMask;
  QLabel* lblFileMask;
  QLineEdit* txtSearch;
  QLabel* Label2;
  TStringListBox* lstFolders;

  // Set by the progress window's Cancel; tested and cleared by the search run.
  bool Cancelled = false;
  // The last run's records (GrepItems), results lines and line index (LineItemIndex).
  const TSearchResults& Results() const { return results_; }

  // Enables or disables the inputs that a running search reads once or must not change.
  void EnableControls(bool enabled);
  // One search over the folder dialog's list, from the progress window to the results.
  void RunSearch();
  void ShowAbout();

  // The presets of the mask box, in order.
  static const QStringList MaskPresets;

 public slots:
  void cmdOkClick();
  void cmdFoldersClick();
  void cmdAboutClick() { ShowAbout(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildLayout();

  TSearchResults results_;
  bool running_ = false;
  bool closeAfterRun_ = false;
};

extern TfrmMain* frmMain;

}  // namespace trawlix
