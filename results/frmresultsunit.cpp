#include "results/frmresultsunit.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "results/MatchMarks.h"
#include "results/ResultsDelegate.h"
#include "results/ResultsMenus.h"
#include "search/SearchResults.h"
#include "widgets/ErrorReport.h"
#include "widgets/Pictures.h"

namespace trawlix {

TfrmResults* frmResults = nullptr;

namespace {

// What the window shows before its first hand-over.
const TSearchResults& NoResults() {
  static const TSearchResults none;
  return none;
}

}  // namespace

TfrmResults::TfrmResults(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      pnlMain(new QWidget(this)),
      lstResults(new QListView(pnlMain)),
      splitter1(new QSplitter(Qt::Vertical, pnlMain)),
      mmoSample(new QPlainTextEdit(pnlMain)),
      cmdOk(new QPushButton(OkPicture(), "&Ok", this)),
      model_(new TResultsModel(this)) {
  setWindowTitle("Results");
  setWindowIcon(ResultsPicture());

  lstResults->setModel(model_);
  lstResults->setItemDelegate(new TResultsDelegate(*model_, hits_, lstResults));
  // No label stands beside the two panes; these are the names a screen reader announces.
  lstResults->setAccessibleName("Matching lines");
  mmoSample->setAccessibleName("Context of the selected match");
  lstResults->setSelectionMode(QAbstractItemView::SingleSelection);
  lstResults->setUniformItemSizes(true);
  lstResults->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lstResults->setTextElideMode(Qt::ElideNone);
  lstResults->setMinimumHeight(CollapseHeight);
  lstResults->installEventFilter(this);
  // A model reset replaces the selection model's contents, not the object: connect once.
  connect(lstResults->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          Guarded([this] { lstResultsClick(); }));

  mmoSample->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  mmoSample->setLineWrapMode(QPlainTextEdit::NoWrap);
  mmoSample->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmoSample->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmoSample->setMinimumHeight(1);

  splitter1->addWidget(lstResults);
  splitter1->addWidget(mmoSample);
  splitter1->setHandleWidth(8);
  splitter1->setOpaqueResize(false);
  splitter1->setCollapsible(0, false);
  splitter1->setCollapsible(1, true);
  splitter1->setStretchFactor(0, 1);
  splitter1->setStretchFactor(1, 0);
  splitter1->setSizes({128, 180});
  connect(splitter1, &QSplitter::splitterMoved, this, Guarded([this] { splitter1Moved(); }));

  auto* panel = new QVBoxLayout(pnlMain);
  panel->setContentsMargins(0, 0, 0, 0);
  panel->addWidget(splitter1);

  cmdOk->setDefault(true);
  cmdOk->setMinimumSize(75, 25);
  connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOk);

  auto* window = new QVBoxLayout(this);
  window->setContentsMargins(8, 8, 4, 8);
  window->setSpacing(8);
  window->addWidget(pnlMain, 1);
  window->addLayout(buttons);

  setTabOrder(lstResults, mmoSample);
  setTabOrder(mmoSample, cmdOk);
  resize(438, 365);

  new TResultsMenus(lstResults, mmoSample, *this, this);
}

void TfrmResults::SetResults(const TSearchResults& results) {
  model_->SetResults(&results);
}

const TSearchResults& TfrmResults::Results() const {
  return model_->Results() ? *model_->Results() : NoResults();
}

void TfrmResults::DetachResults() {
  model_->SetResults(nullptr);
}

void TfrmResults::SetSearchedText(const TSearchedText& searched) {
  searched_ = searched;
  hits_ = THitFinder(searched);
  lstResults->viewport()->update();
}

int TfrmResults::SelectedLine() const {
  const QModelIndexList rows = lstResults->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

const TGrepItem* TfrmResults::SelectedGrepItem() const {
  const int line = SelectedLine();
  if (line < 0 || !model_->Results()) return nullptr;
  return model_->Results()->ItemOfLine(static_cast<size_t>(line));
}

void TfrmResults::ShowSample() {
  const TGrepItem* item = SelectedGrepItem();
  if (!item) {
    mmoSample->clear();
    mmoSample->setExtraSelections({});
    return;
  }
  // The marks lie on top of the text, which stays as it is and editable.
  const THitFinder none;
  QStringList lines;
  std::vector<TMark> marks;
  qsizetype start = 0;  // of the line in the pane's text
  item->VisitSample([&](std::string_view prefix, std::string_view text) {
    const TMarkedText shown =
        SampleLine(prefix, text, prefix == "--> " ? hits_ : none, kPaneLineBytes);
    for (const TMark& mark : shown.marks) marks.push_back({start + mark.start, mark.length});
    start += shown.text.size() + 1;
    lines << shown.text;
  });
  mmoSample->setPlainText(lines.join('\n'));
  const TMarkColours colours = MarkColours(mmoSample->palette(), QPalette::Active, false);
  QList<QTextEdit::ExtraSelection> selections;
  for (const TMark& mark : marks) {
    QTextEdit::ExtraSelection selection{QTextCursor(mmoSample->document()), {}};
    selection.cursor.setPosition(static_cast<int>(mark.start));
    selection.cursor.setPosition(static_cast<int>(mark.start + mark.length),
                                 QTextCursor::KeepAnchor);
    selection.format.setBackground(colours.background);
    selection.format.setForeground(colours.text);
    selections << selection;
  }
  mmoSample->setExtraSelections(selections);
  // The text cursor stands at the first hit, which the pane scrolls to where it lies
  // beyond the right edge.
  if (!marks.empty()) {
    QTextCursor cursor(mmoSample->document());
    cursor.setPosition(static_cast<int>(marks[0].start));
    mmoSample->setTextCursor(cursor);
    mmoSample->ensureCursorVisible();
  }
}

void TfrmResults::setVisible(bool visible) {
  if (visible && !isVisible()) placement_.BeforeShow(this, parentWidget());
  QDialog::setVisible(visible);
}

bool TfrmResults::eventFilter(QObject* watched, QEvent* event) {
  // Before the list moves its selection for the key: the pane first shows the line the
  // key was typed on, then the selection change shows the line it moved to. Only keys
  // that type a character count: arrows, function keys and Shift alone type none.
  if (watched == lstResults && event->type() == QEvent::KeyPress &&
      !static_cast<QKeyEvent*>(event)->text().isEmpty()) {
    lstResultsKeyPress();
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmResults::keyPressEvent(QKeyEvent* event) {
  // Esc in the pane belongs to the pane, not to the window's cancel button.
  if (event->key() == Qt::Key_Escape && focusWidget() == mmoSample) return;
  // Ok is also the cancel button: Esc presses it, and the window closes with OK.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    cmdOk->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TfrmResults::splitter1Moved() {
  const QList<int> sizes = splitter1->sizes();
  if (sizes[1] > 0 && sizes[1] <= CollapseHeight) splitter1->setSizes({sizes[0] + sizes[1], 0});
}

}  // namespace trawlix
