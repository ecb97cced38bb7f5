#include "progress/frmstatusunit.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "progress/Accessibility.h"
#include "widgets/AccessibleNames.h"
#include "widgets/Pictures.h"

namespace trawlix {

TfrmStatus* frmStatus = nullptr;

namespace {

QLabel* NewRowLabel(const QString& caption, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setMinimumWidth(89);
  return label;
}

}  // namespace

TfrmStatus::TfrmStatus(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      Bevel1(new QFrame(this)),
      Label2(NewRowLabel("Overall Progress", Bevel1)),
      overallprogress(nullptr),
      Label1(NewRowLabel("File Progress", Bevel1)),
      fileprogress(nullptr),
      lblFilename(new TPathLabel(Bevel1)),
      cmdCancel(new QPushButton(CancelPicture(), "&Cancel", Bevel1)) {
  setModal(false);
  InstallProgressAccessibility();
  // Without a title bar the window has no title; this is what a screen reader announces.
  setAccessibleName("Search progress");
  Bevel1->setFrameStyle(QFrame::WinPanel | QFrame::Raised);

  // The two gauges overlap by one pixel, so their frames share the line between them.
  auto* gauges = new QWidget(Bevel1);
  overallprogress = NewGauge(gauges);
  fileprogress = NewGauge(gauges);
  overallprogress->move(0, 0);
  fileprogress->move(0, overallprogress->height() - 1);
  gauges->setFixedSize(overallprogress->width(), 2 * overallprogress->height() - 1);
  LabelControl(Label2, overallprogress);
  LabelControl(Label1, fileprogress);

  cmdCancel->setDefault(true);
  cmdCancel->setMinimumSize(75, 25);
  connect(cmdCancel, &QPushButton::clicked, this, &TfrmStatus::cmdCancelClick);

  auto* grid = new QGridLayout(Bevel1);
  grid->setContentsMargins(8, 8, 8, 8);
  grid->setHorizontalSpacing(7);
  grid->setVerticalSpacing(0);
  grid->addWidget(Label2, 0, 0);
  grid->addWidget(Label1, 1, 0);
  grid->addWidget(gauges, 0, 1, 2, 1);
  grid->addItem(new QSpacerItem(0, 7), 2, 0);
  grid->addWidget(lblFilename, 3, 0, 1, 2);
  grid->addItem(new QSpacerItem(0, 7), 4, 0);
  grid->addWidget(cmdCancel, 5, 0, 1, 2, Qt::AlignHCenter);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(Bevel1);
  outer->setSizeConstraint(QLayout::SetFixedSize);
}

TGauge* TfrmStatus::NewGauge(QWidget* parent) {
  auto* gauge = new TGauge(parent);
  gauge->SetForeColor(QColor(0, 0, 128));
  QFont bold = gauge->font();
  bold.setBold(true);
  gauge->setFont(bold);
  // 17 pixels at 96 dpi; taller where the platform's font would not fit inside the frame.
  gauge->resize(249, qMax(17, QFontMetrics(bold).height() + 2));
  return gauge;
}

void TfrmStatus::setVisible(bool visible) {
  if (visible && !isVisible()) placement_.BeforeShow(this, parentWidget());
  QDialog::setVisible(visible);
}

void TfrmStatus::PaintPending() {
  lblFilename->PaintPending();
  overallprogress->PaintPending();
  fileprogress->PaintPending();
}

void TfrmStatus::cmdCancelClick() {
  emit CancelRequested();
}

void TfrmStatus::keyPressEvent(QKeyEvent* event) {
  // Esc cancels the search like the button; the window stays until the run closes it.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    cmdCancel->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TfrmStatus::closeEvent(QCloseEvent* event) {
  // Closing it from the window system would leave a run without its Cancel: cancel instead.
  if (isVisible()) cmdCancelClick();
  event->ignore();
}

}  // namespace trawlix
