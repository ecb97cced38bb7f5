#pragma once
// The run's order, owned once: its folders in list order, each listed once with the
// masks, and the turns (folder, file, name) that come after the run's own file, for the
// work done ahead of it. The run and the work ahead take the same listings, so a turn
// ahead names exactly the file that the run names at that turn.
#include <compare>
#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "search/SearchHost.h"
#include "util/StringList.h"
#include "util/files.h"

namespace trawlix {

// A folder of the run, open: its files are opened through it.
struct TOpenFolder {
  std::string path;  // as the run named it
  TFolderHandle handle;
};

// A folder of the run, listed: its matching files and why its listing failed (0 for none).
// Only a folder with matching files is kept open; `opened` tells whether it could be.
struct TListedFolder {
  size_t index = 0;
  std::string path;
  std::shared_ptr<const TOpenFolder> open;
  TStringList files;
  int error = 0;
  bool opened = false;
};

// Folder `index`, open as `handle`, listed into `listed`: from the entries its host listed
// when there are any, else from the folder itself. The error kept is why the folder could
// not be listed in full (its open, or the listing that stopped short), or 0.
void ListFolderFiles(TSearchInputs& host, const TFolderHandle& handle, size_t index,
                     const TStringList& masks, TListedFolder& listed);

// Where a file's turn stands in the run's order.
struct TTurnKey {
  size_t folder = 0;
  size_t file = 0;
  auto operator<=>(const TTurnKey&) const = default;
};

// A file's turn, as the work ahead sees it.
struct TTurn {
  TTurnKey key;
  std::shared_ptr<const TOpenFolder> folder;
  std::string name;
};

class TRunOrder {
 public:
  // At most `foldersOpen` folders after the run's own are held open, and `foldersAhead`
  // listed, whatever the tree.
  TRunOrder(TSearchInputs& host, const TStringList& masks, size_t folderCount, size_t foldersOpen,
            size_t foldersAhead);

  // The run enters folder `index`, which its host names `path` now: the listing made
  // ahead where it was made under that path, else one made now. `relisted`: the turns
  // handed out for this folder or later ones named another listing, and no longer hold.
  const TListedFolder& Enter(size_t index, const std::string& path, bool& relisted);
  // The next turn after those handed out, listing later folders as the host lends them;
  // none where the run's folders end, or the folders held ahead are at their ceiling.
  std::optional<TTurn> Next();
  // The turns handed out from now on start right after `key`.
  void RestartAfter(TTurnKey key);
  // Where the next turn handed out stands, at the earliest.
  TTurnKey NextKey() const { return next_; }

 private:
  TSearchInputs& host_;
  const TStringList& masks_;
  const size_t folderCount_;
  const size_t foldersOpen_;
  const size_t foldersAhead_;
  std::deque<TListedFolder> listed_;  // the run's folder first, then those listed ahead
  size_t openAhead_ = 0;              // of those after the first, the ones held open
  TTurnKey next_;                     // the next turn to hand out
  bool atEnd_ = false;                // no folder after the last one listed can be

  TListedFolder List(size_t index, const std::string& path) const;
  void PassFolder();
  const TListedFolder* FolderOf(size_t index) const;
};

}  // namespace trawlix
