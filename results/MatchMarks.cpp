#include "results/MatchMarks.h"

#include <cmath>

#include "results/ResultsModel.h"
#include "search/GrepItemUnit.h"
#include "widgets/ScreenText.h"

namespace trawlix {

namespace {

constexpr double kLegibleContrast = 4.5;

// The relative luminance of an sRGB colour (0 for black, 1 for white).
double Luminance(const QColor& colour) {
  const auto linear = [](double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
         0.0722 * linear(colour.blueF());
}

QColor Halfway(const QColor& a, const QColor& b) {
  return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

}  // namespace

TMarkedText& TMarkedText::operator+=(const QString& shown) {
  text += shown;
  return *this;
}

void TMarkedText::AppendPart(std::string_view line, size_t from, size_t to,
                             const THitFinder& hits) {
  const std::string_view part = line.substr(from, to - from);
  const QString shown = ScreenText(part);
  std::vector<size_t> ends;
  for (const TByteSpan& span : hits.Spans(line, from, to)) {
    ends.push_back(span.begin - from);
    ends.push_back(span.end - from);
  }
  ScreenTextPositions(part, shown, ends);
  for (size_t i = 0; i + 1 < ends.size(); i += 2) {
    marks.push_back({text.size() + static_cast<qsizetype>(ends[i]),
                     static_cast<qsizetype>(ends[i + 1] - ends[i])});
  }
  text += shown;
}

size_t LeadStart(std::string_view line, size_t hit, size_t characters) {
  size_t start = hit;
  for (size_t counted = 0; start > 0 && counted < characters;) {
    --start;
    if ((static_cast<unsigned char>(line[start]) & 0xC0) != 0x80) ++counted;
  }
  return start;
}

TMarkedText MatchRow(const TGrepItem& item, const THitFinder& hits, size_t from) {
  TMarkedText row;
  // As the results line begins: the bytes of "    [N] " are its characters.
  row += QStringLiteral("    [%1] ").arg(item.LineIndex());
  if (from > 0) row += QStringLiteral("…");
  const std::string_view line = item.Line().substr(from);
  const size_t room =
      TResultsModel::kShownRowBytes -
      std::min<size_t>(static_cast<size_t>(row.text.size()), TResultsModel::kShownRowBytes);
  row.AppendPart(item.Line(), from, from + ScreenTextCut(line, room), hits);
  TResultsModel::KeepOneLine(row.text);
  return row;
}

TMarkedText SampleLine(std::string_view prefix, std::string_view text, const THitFinder& hits,
                       size_t budget) {
  TMarkedText shown;
  shown += ScreenText(prefix);
  const size_t room = budget - std::min(budget, prefix.size());
  size_t from = 0;
  if (text.size() > room) {
    const size_t hit = hits.FirstHit(text);
    if (hit != kNotFound && hit + hits.HitLength() > ScreenTextCut(text, room)) {
      from = LeadStart(text, hit, kPaneLeadCharacters);
    }
  }
  const size_t to = from + ScreenTextCut(text.substr(from), room);
  if (from > 0) shown += QStringLiteral("(%1 bytes left out) … ").arg(from);
  shown.AppendPart(text, from, to, hits);
  if (to < text.size()) shown += QStringLiteral(" … (%1 bytes left out)").arg(text.size() - to);
  return shown;
}

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TMarkColours MarkColours(const QPalette& palette, QPalette::ColorGroup group, bool selected) {
  TMarkColours colours;
  colours.background =
      Halfway(palette.color(group, QPalette::Base), palette.color(group, QPalette::Highlight));
  colours.text = palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
  if (ContrastRatio(colours.text, colours.background) < kLegibleContrast) {
    const QColor black(Qt::black), white(Qt::white);
    colours.text =
        ContrastRatio(black, colours.background) >= ContrastRatio(white, colours.background)
            ? black
            : white;
  }
  return colours;
}

}  // namespace trawlix
