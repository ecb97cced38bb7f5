#pragma once
// Keeps the disk busy while the run searches one file at a time.
//
// A run over a cold page cache (the first search after start-up) would otherwise wait
// for every file in turn, with one read in flight and the disk idle between them. Once a load has
// had to wait, the files that come next in the run's order are opened ahead of it and the system is
// asked to read them into its page cache (POSIX_FADV_WILLNEED), a bounded window of files and bytes
// ahead: the process itself holds none of their bytes, and nothing changes in what the run reads or
// when. Where the loads find their files cached, it stops until a load waits again, so a warm
// search pays nothing.
#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "util/StringList.h"
#include "util/files.h"

namespace trawlix {

class TSearchInputs;

class TReadAhead {
 public:
  TReadAhead(TSearchInputs& host, const TStringList& masks, size_t folderCount);
  ~TReadAhead();

  // A load had to wait for the disk (read ahead from now on), or did not: loads that find
  // their files cached, one after another, end the reading ahead until one waits again.
  void Loaded(bool waited);
  // The run starts file `file` of folder `folder`, whose files are `files`, opened
  // through `folderFd`; both stay valid during the folder's turn.
  void Started(size_t folder, size_t file, const TStringList& files, int folderFd);

  // How far ahead it reads: files, and bytes of them (the system reads a file's first
  // part on such a hint, so each counts with at most kHintedPerFile).
  static constexpr size_t kFilesAhead = 256;
  static constexpr size_t kBytesAhead = size_t{64} << 20;
  static constexpr size_t kHintedPerFile = size_t{2} << 20;
  // Loads in a row that did not wait before it stops.
  static constexpr size_t kCachedToStop = 256;

 private:
  struct Position {
    size_t folder;
    size_t file;
    bool operator<=(const Position& other) const {
      return folder < other.folder || (folder == other.folder && file <= other.file);
    }
  };
  struct Hinted {
    Position at;
    size_t bytes;
  };

  TSearchInputs& host_;
  const TStringList& masks_;
  size_t folderCount_;
  bool active_ = false;
  bool noAtime_ = true;
  size_t loadsWithoutWait_ = 0;
  std::deque<Hinted> hinted_;
  size_t bytesAhead_ = 0;
  // The next file to hint: in the run's own folder, or in a later one that it listed.
  Position next_{0, 0};
  const TStringList* nextFiles_ = nullptr;
  int nextFd_ = -1;
  TStringList ownFiles_;
  std::unique_ptr<TFolderHandle> ownFolder_;
  bool atEnd_ = false;  // no folder after the last one hinted can be listed

  void Restart(size_t folder, size_t file, const TStringList& files, int folderFd);
  bool Advance();
  bool ListFolder(size_t folder);
  size_t Hint(const std::string& name);
};

}  // namespace trawlix
