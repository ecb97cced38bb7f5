#include "search/SearchResults.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string_view>
#include <utility>

#include "util/errors.h"

namespace trawlix {

namespace {

// Grows a vector ahead of a push_back, so that the push itself cannot fail.
template <typename Vector>
void MakeRoomForOne(Vector& v) {
  if (v.size() == v.capacity()) v.reserve(v.size() < 16 ? 16 : v.size() * 2);
}

// The line index stores record numbers as 32-bit values; more records than that cannot
// be told apart, so the model refuses them as it refuses any other allocation.
void CheckIndexRoom(size_t count, size_t limit) {
  if (count >= limit) throw EOutOfMemory("Out of memory");
}

}  // namespace

size_t TSearchResults::LineCount() const {
  return lines_.size();
}

std::string TSearchResults::Line(size_t i) const {
  std::string text;
  AppendLineTo(i, text);
  return text;
}

void TSearchResults::AppendLineTo(size_t i, std::string& out, size_t maxBytes) const {
  const auto put = [&](std::string_view part) {
    const size_t taken = std::min(part.size(), maxBytes);
    out.append(part.substr(0, taken));
    maxBytes -= taken;
  };
  const Entry& entry = lines_[i];
  switch (entry.kind) {
    case Kind::Separator:
      break;
    case Kind::Header:
      put(*headers_[entry.index]);
      break;
    case Kind::Text:
      put(texts_[entry.index]);
      break;
    case Kind::Match: {
      // "    [n] " is put together first: printing a million lines makes two appends a line.
      const TGrepItem& item = items_[static_cast<size_t>(lineItemIndex_[i])];
      char head[32] = "    [";
      char* end = std::to_chars(head + 5, head + sizeof head - 2, item.LineIndex()).ptr;
      *end++ = ']';
      *end++ = ' ';
      put(std::string_view(head, static_cast<size_t>(end - head)));
      put(item.Line());
      break;
    }
  }
}

const std::vector<int32_t>& TSearchResults::LineItemIndex() const {
  return lineItemIndex_;
}

const TGrepItems& TSearchResults::GrepItems() const {
  return items_;
}

const TGrepItem* TSearchResults::ItemOfLine(size_t i) const {
  int32_t item = lineItemIndex_[i];
  return item < 0 ? nullptr : &items_[static_cast<size_t>(item)];
}

// The line index goes with the lines, so the model stays consistent between the
// two steps of a new run that empty it.
void TSearchResults::ClearLines() {
  lines_.clear();
  lineItemIndex_.clear();
  headers_.clear();
  texts_.clear();
  reports_ = 0;
}

// Match lines are made from their records, so they cannot outlive them.
void TSearchResults::ClearItems() {
  ClearLines();
  items_.clear();
  samples_.Clear();
  otherSamples_.clear();
}

TSampleStore& TSearchResults::AddSampleStore() {
  return *otherSamples_.emplace_back(std::make_unique<TSampleStore>());
}

void TSearchResults::StartFile() {
  samples_.StartFile();
}

TGrepItem TSearchResults::NewItem(int64_t lineIndex, std::string_view line,
                                  std::shared_ptr<const std::string> fileName,
                                  const TSampleView& sample) {
  return TGrepItem(lineIndex, line, std::move(fileName), sample, samples_);
}

void TSearchResults::ReserveLine() {
  lines_.ReserveOne();
  MakeRoomForOne(lineItemIndex_);
}

void TSearchResults::PushLine(Kind kind, size_t index, int32_t item) {
  lines_.emplace_back(Entry{static_cast<uint32_t>(index), kind});
  lineItemIndex_.push_back(item);
}

void TSearchResults::AppendSeparator() {
  ReserveLine();
  PushLine(Kind::Separator, 0, -1);
}

void TSearchResults::AppendHeader(const std::shared_ptr<const std::string>& path) {
  CheckIndexRoom(headers_.size(), std::numeric_limits<uint32_t>::max());
  ReserveLine();
  headers_.push_back(path);
  PushLine(Kind::Header, headers_.size() - 1, -1);
}

void TSearchResults::AppendText(std::string text) {
  CheckIndexRoom(texts_.size(), std::numeric_limits<uint32_t>::max());
  ReserveLine();
  texts_.push_back(std::move(text));
  PushLine(Kind::Text, texts_.size() - 1, -1);
}

void TSearchResults::AppendErrorReport(const char* heading, const std::string& path,
                                       const Exception& error) {
  AppendText(heading);
  AppendText("\"" + path + "\"");
  AppendText("because an exception occurred:");
  AppendText(std::string(error.TypeName()) + ": " + error.Message());
  AppendText("");
  ++reports_;
}

void TSearchResults::AppendMatch(TGrepItem item) {
  CheckIndexRoom(items_.size(), static_cast<size_t>(std::numeric_limits<int32_t>::max()));
  ReserveLine();
  items_.emplace_back(std::move(item));
  PushLine(Kind::Match, 0, static_cast<int32_t>(items_.size() - 1));
}

}  // namespace trawlix
