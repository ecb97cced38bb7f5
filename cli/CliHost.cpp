#include "cli/CliHost.h"

#include <charconv>
#include <utility>

#include "cli/Output.h"
#include "search/SearchResults.h"

namespace trawlix {

TCliHost::TCliHost(const TCliOptions& options, TStringList folders, TListedFolders listed,
                   const TSearchResults& results, TOutput& output)
    : options_(options),
      maskText_(options.maskText),
      folders_(std::move(folders)),
      listed_(std::move(listed)),
      results_(results),
      output_(output) {}

size_t TCliHost::SearchThreads() {
  return SearchThreadsOf(options_);
}

// The walk's listing of the folder, under its path as the folder list spells it.
const TFolderEntries* TCliHost::ListedEntries(size_t i) {
  const auto kept = listed_.find(folders_[i]);
  return kept == listed_.end() ? nullptr : &kept->second;
}

// Prints the results lines not printed yet as the results window lists them, optionally
// each with its line index entry and each match with its context sample.
void TCliHost::LinesAdded() {
  const std::vector<int32_t>& lineItemIndex = results_.LineItemIndex();
  for (; printed_ < results_.LineCount() && !output_.Stopped(); ++printed_) {
    const size_t i = printed_;
    std::string& line = output_.Buffer();
    if (options_.index) {
      char number[16];
      line.append(number, std::to_chars(number, number + sizeof number, lineItemIndex[i]).ptr);
      line += '\t';
    }
    results_.AppendLineTo(i, line);
    output_.EndLine();
    const TGrepItem* item = options_.samples ? results_.ItemOfLine(i) : nullptr;
    if (item == nullptr) continue;
    item->VisitSample([this](std::string_view prefix, std::string_view text) {
      output_.Buffer().append("\t").append(prefix).append(text);
      output_.EndLine();
    });
  }
}

// What the run added since it last said so (a last folder's report) is printed here.
void TCliHost::ShowResults() {
  LinesAdded();
}

}  // namespace trawlix
