#pragma once
// Lines as the results window shows them, with the hits marked: the text to paint and
// where in it the marks stand, found from the bytes being shown; and the marks' colours.
#include <QColor>
#include <QPalette>
#include <QString>
#include <string_view>
#include <vector>

#include "results/HitFinder.h"

namespace trawlix {

class TGrepItem;

// A mark: `length` characters of the shown text from `start`.
struct TMark {
  qsizetype start;
  qsizetype length;
  bool operator==(const TMark&) const = default;
};

struct TMarkedText {
  QString text;
  std::vector<TMark> marks;

  // Appends `shown` unmarked.
  TMarkedText& operator+=(const QString& shown);
  // Appends line[from, to), decoded as ScreenText decodes it, with a mark for each run of
  // hits in it (the line's bytes around the range count for Whole Word).
  void AppendPart(std::string_view line, size_t from, size_t to, const THitFinder& hits);
};

// A line shown from its hit rather than its start begins some characters before it: a
// row a few dozen, the pane fewer, since its cut begins with a mark and the window at its
// first size should show the mark and the hit together.
inline constexpr size_t kRowLeadCharacters = 32;
inline constexpr size_t kPaneLeadCharacters = 16;
// Where a line shown from the hit at `hit` begins: `characters` before it as UTF-8 counts
// them (the line's start if there are fewer), never inside a character.
size_t LeadStart(std::string_view line, size_t hit, size_t characters);

// A match line's row: "    [N] " and the line, from its start (`from` 0) or from `from`
// after "…", with at most TResultsModel::kShownRowBytes bytes in all, as the model cuts them.
TMarkedText MatchRow(const TGrepItem& item, const THitFinder& hits, size_t from);

// A sample line as the context pane shows it: the prefix and the text, cut to at most
// `budget` bytes with a mark at each cut end that tells how many bytes are left out there.
// The text is shown from its start unless that would cut off its first hit: then from
// kPaneLeadCharacters before the hit.
TMarkedText SampleLine(std::string_view prefix, std::string_view text, const THitFinder& hits,
                       size_t budget);

// How a mark is painted.
struct TMarkColours {
  QColor background;
  QColor text;
};
// The marks' colours on text painted in `group` of `palette`, in a selected row or not:
// the background lies halfway between Base and Highlight, so that a mark stands out both
// on the list and on the selection; the text keeps its colour (HighlightedText when
// selected, else Text) where that contrasts with the mark by 4.5 : 1 or more, and is
// otherwise black or white, whichever contrasts more (one of them always reaches 4.58 : 1).
TMarkColours MarkColours(const QPalette& palette, QPalette::ColorGroup group, bool selected);
// The contrast ratio of two colours (1 to 21), from their relative luminance.
double ContrastRatio(const QColor& a, const QColor& b);

}  // namespace trawlix
