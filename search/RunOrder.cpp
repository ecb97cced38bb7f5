#include "search/RunOrder.h"

#include <utility>

#include "util/lists.h"

namespace trawlix {

// The folder is opened all the same, for its files are opened through it; one that cannot
// be opened gives no files either way.
void ListFolderFiles(TSearchInputs& host, const TFolderHandle& handle, size_t index,
                     const TStringList& masks, TListedFolder& listed) {
  listed.files.clear();
  const TFolderEntries* entries = handle.Valid() ? host.ListedEntries(index) : nullptr;
  if (entries != nullptr) {
    ListMatchingFiles(*entries, masks, 0, listed.files);
    listed.error = entries->Error();
  } else {
    ListMatchingFiles(handle, masks, 0, listed.files);
    listed.error = handle.Error();
  }
}

TRunOrder::TRunOrder(TSearchInputs& host, const TStringList& masks, size_t folderCount,
                     size_t foldersOpen, size_t foldersAhead)
    : host_(host),
      masks_(masks),
      folderCount_(folderCount),
      foldersOpen_(foldersOpen),
      foldersAhead_(foldersAhead) {}

// A folder without matching files lets its descriptor go at once: a tree of thousands
// of such folders must not hold thousands open.
TListedFolder TRunOrder::List(size_t index, const std::string& path) const {
  TListedFolder listed;
  listed.index = index;
  listed.path = path;
  auto open = std::make_shared<const TOpenFolder>(TOpenFolder{path, TFolderHandle(path)});
  listed.opened = open->handle.Valid();
  ListFolderFiles(host_, open->handle, index, masks_, listed);
  if (!listed.files.empty()) listed.open = std::move(open);
  return listed;
}

void TRunOrder::PassFolder() {
  listed_.pop_front();
  if (!listed_.empty() && listed_.front().open) --openAhead_;
}

const TListedFolder& TRunOrder::Enter(size_t index, const std::string& path, bool& relisted) {
  while (!listed_.empty() && listed_.front().index < index) PassFolder();
  relisted = false;
  if (listed_.empty() || listed_.front().path != path) {
    relisted = !listed_.empty();
    listed_.clear();
    openAhead_ = 0;
    atEnd_ = false;
    listed_.push_back(List(index, path));
  }
  if (relisted || next_ < TTurnKey{index, 0}) next_ = {index, 0};
  return listed_.front();
}

void TRunOrder::RestartAfter(TTurnKey key) {
  next_ = {key.folder, key.file + 1};
  atEnd_ = false;
}

const TListedFolder* TRunOrder::FolderOf(size_t index) const {
  if (listed_.empty() || index < listed_.front().index) return nullptr;
  const size_t at = index - listed_.front().index;
  return at < listed_.size() ? &listed_[at] : nullptr;
}

std::optional<TTurn> TRunOrder::Next() {
  for (;;) {
    const TListedFolder* folder = FolderOf(next_.folder);
    if (folder != nullptr && next_.file < folder->files.size()) {
      TTurn turn{next_, folder->open, folder->files[next_.file]};
      ++next_.file;
      return turn;
    }
    if (folder != nullptr && next_.folder + 1 < listed_.front().index + listed_.size()) {
      next_ = {next_.folder + 1, 0};  // listed already, as the run went back
      continue;
    }
    // The folder after the last one listed, as the host lends it ahead of its turn (the
    // list may still change: the run's turn then lists the folder again).
    const size_t index = listed_.empty() ? next_.folder : listed_.back().index + 1;
    if (atEnd_ || folder == nullptr || index >= folderCount_ || openAhead_ >= foldersOpen_ ||
        listed_.size() > foldersAhead_) {
      return std::nullopt;
    }
    const std::optional<std::string> path = host_.UpcomingFolder(index);
    if (!path) {
      atEnd_ = true;
      return std::nullopt;
    }
    listed_.push_back(List(index, *path));
    if (listed_.back().open) ++openAhead_;
    next_ = {index, 0};
  }
}

}  // namespace trawlix
