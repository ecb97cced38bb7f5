#pragma once
// A file loaded whole and seen as lines: its bytes (TFileBytes: read or mapped) under a
// line cursor (TTextLines: lines found on demand around the hits of a search).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "search/ByteScan.h"
#include "search/FileBytes.h"
#include "search/TextLines.h"
#include "util/StringList.h"

namespace trawlix {

class TFileLines {
 public:
  static constexpr size_t kMappedFrom = TFileBytes::kMappedFrom;

  // Loading: see TFileBytes. Each load starts the lines over on the new bytes; one that
  // fails leaves no lines, rather than lines over the bytes it has dropped.
  void Load(const std::string& fullPath) {
    Clear();
    bytes_.Load(fullPath);
    Loaded();
  }
  void LoadAt(int folderFd, const std::string& name, const std::string& fullPath,
              const std::function<void()>& beforeWait = {}) {
    Clear();
    bytes_.LoadAt(folderFd, name, fullPath, beforeWait);
    Loaded();
  }
  // Loads ahead of the file's turn (see TFileBytes::LoadAheadAt): false, with no lines,
  // where the file is left to its turn.
  bool LoadAheadAt(int folderFd, const std::string& name, const std::function<void()>& beforeWait) {
    const bool loaded = bytes_.LoadAheadAt(folderFd, name, beforeWait);
    Loaded();
    return loaded;
  }
  void Assign(std::string_view bytes) {
    Clear();
    bytes_.Assign(bytes);
    Loaded();
  }
  // Takes over the bytes that `other` loaded (see TFileBytes::TakeBytesOf).
  void Adopt(TFileBytes& other) {
    bytes_.TakeBytesOf(other);
    Loaded();
  }
  // Sees `whole`'s lines from offset `from` (a line's start) on (see TFileBytes::ViewOf):
  // line 0 is the one that begins there.
  void ViewOf(const TFileLines& whole, size_t from) {
    bytes_.ViewOf(whole.bytes_, from);
    Loaded();
  }
  void Clear() {
    bytes_.Clear();
    Loaded();
  }
  bool Mapped() const { return bytes_.Mapped(); }
  void CheckIntact() const { bytes_.CheckIntact(); }
  const char* Data() const { return bytes_.Data(); }
  size_t Length() const { return bytes_.Length(); }
  bool CutShort() const { return bytes_.CutShort(); }

  // The lines: see TTextLines.
  std::string_view Text() { return lines_.Text(); }
  int64_t Count() { return lines_.Count(); }
  bool HasLine(int64_t i) { return lines_.HasLine(i); }
  std::string_view Line(int64_t i) { return lines_.Line(i); }
  TStringList ToStringList() { return lines_.ToStringList(); }
  void GetLines(int64_t start, int64_t count, std::vector<std::string_view>& out) {
    lines_.GetLines(start, count, out);
  }
  size_t Find(size_t from, std::string_view pattern, bool ignoreCase) {
    return lines_.Find(from, pattern, ignoreCase);
  }
  int64_t LineAtOffset(size_t offset) { return lines_.LineAtOffset(offset); }
  size_t LineStart(int64_t i) { return lines_.LineStart(i); }
  const TPattern& LastPattern() const { return lines_.LastPattern(); }
  void LimitSearch(size_t end) { lines_.LimitSearch(end); }
  bool EndsBefore(size_t offset) { return lines_.EndsBefore(offset); }

 private:
  TFileBytes bytes_;
  TTextLines lines_;

  void Loaded() { lines_.Reset(bytes_.Data(), bytes_.Length()); }
};

}  // namespace trawlix
