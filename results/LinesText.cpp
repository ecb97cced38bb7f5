#include "results/LinesText.h"

#include "search/FileLines.h"
#include "search/SearchResults.h"

namespace trawlix {

namespace {
constexpr char kLineEnd[] = "\r\n";
}

std::string LinesText(const TStringList& lines) {
  size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) text.append(line).append(kLineEnd);
  return text;
}

std::string LinesText(TFileLines& lines) {
  const int64_t count = lines.Count();
  std::string text;
  text.reserve(lines.Text().size() + 2 * static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) text.append(lines.Line(i)).append(kLineEnd);
  return text;
}

void AppendLineText(const TSearchResults& results, size_t i, std::string& out) {
  results.AppendLineTo(i, out);
  out.append(kLineEnd);
}

std::string LinesText(const TSearchResults& results) {
  // The lines are made on demand, so their total size is unknown here; the string's
  // doubling growth keeps the copying linear.
  std::string text;
  for (size_t i = 0; i < results.LineCount(); ++i) AppendLineText(results, i, text);
  return text;
}

}  // namespace trawlix
