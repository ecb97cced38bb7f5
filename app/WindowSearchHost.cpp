#include "app/WindowSearchHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <limits>

#include "app/frmmainunit.h"
#include "folders/frmfoldersunit.h"
#include "progress/frmstatusunit.h"
#include "results/frmresultsunit.h"
#include "util/SystemCpus.h"
#include "widgets/ScreenText.h"

namespace trawlix {

namespace {

// The gauges count in 32 bits; a count beyond that shows as full.
int GaugeValue(size_t count) {
  return static_cast<int>(std::min<size_t>(count, std::numeric_limits<int>::max()));
}

}  // namespace

std::string TWindowSearchHost::MaskText() {
  return BytesOf(main_.cboMask->currentText());
}

void TWindowSearchHost::SetMaskText(const std::string& text) {
  main_.cboMask->setCurrentText(ScreenText(text));
}

size_t TWindowSearchHost::FolderCount() {
  return frmFolders->lstFolders->Items().size();
}

// The list may have changed while events ran; a folder that is gone is searched as empty.
std::string TWindowSearchHost::Folder(size_t i) {
  const TStringList& folders = frmFolders->lstFolders->Items();
  return i < folders.size() ? folders[i] : std::string();
}

std::optional<std::string> TWindowSearchHost::UpcomingFolder(size_t i) {
  return Folder(i);
}

std::string TWindowSearchHost::SearchText() {
  return BytesOf(main_.txtSearch->text());
}

bool TWindowSearchHost::CaseSensitive() {
  return main_.chkCaseSense->isChecked();
}

bool TWindowSearchHost::WholeWord() {
  const bool wholeWord = main_.chkWholeword->isChecked();
  wholeWordThroughout_ = wholeWordThroughout_ && wholeWord;
  return wholeWord;
}

size_t TWindowSearchHost::SearchThreads() {
  return UsableCpus();
}

void TWindowSearchHost::ResetProgress(size_t folderCount) {
  frmStatus->lblFilename->setText(QString());
  frmStatus->overallprogress->SetMaxValue(GaugeValue(folderCount));
  frmStatus->overallprogress->SetProgress(0);
  frmStatus->fileprogress->SetProgress(0);
}

void TWindowSearchHost::ShowProgress() {
  frmStatus->show();
}

void TWindowSearchHost::FolderStarted(size_t number) {
  frmStatus->overallprogress->SetProgress(GaugeValue(number));
}

void TWindowSearchHost::FilesListed(size_t count) {
  frmStatus->fileprogress->SetMaxValue(GaugeValue(count));
}

void TWindowSearchHost::FileStarted(const std::string& fullPath, size_t number) {
  frmStatus->lblFilename->setText(ScreenText(fullPath));
  frmStatus->fileprogress->SetProgress(GaugeValue(number));
}

// Runs every pending event, Cancel among them. The label and the gauges paint at most once
// a frame (TPaintPacer), so a run over many small files does not paint once per file.
void TWindowSearchHost::ProcessEvents() {
  QCoreApplication::processEvents();
}

// The pacer's timer cannot fire while a large or uncached file is searched: the file's
// label and gauges are painted before it instead.
void TWindowSearchHost::ShowProgressNow() {
  frmStatus->PaintPending();
}

void TWindowSearchHost::CloseProgress() {
  frmStatus->hide();
}

void TWindowSearchHost::ShowResults() {
  // The search text and Case Sensitive cannot change while the run goes on.
  frmResults->SetSearchedText({SearchText(), CaseSensitive(), wholeWordThroughout_});
  frmResults->SetResults(results_);
  frmResults->exec();
}

bool TWindowSearchHost::Cancelled() {
  return main_.Cancelled;
}

void TWindowSearchHost::ClearCancelled() {
  main_.Cancelled = false;
}

}  // namespace trawlix
