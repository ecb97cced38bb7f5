#pragma once
// Paths and folders: separators, subfolder enumeration, and the folder handle
// through which a folder's files are listed and opened.
#include <fcntl.h>
#include <sys/types.h>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "util/FileDescriptor.h"
#include "util/StringList.h"

namespace trawlix {

// The path separator on this system.
inline constexpr char PathDelim = '/';

// Trim, then remove one trailing "\" or "/" if any ("/" gives "").
std::string StripTrailingSeparator(std::string_view path);
// StripTrailingSeparator, then "/".
std::string AddTrailingSeparator(std::string_view path);
// "" for a text of at most one character; else trimmed and one leading "\" or "/" removed.
std::string StripLeadingSeparator(std::string_view name);

// Appends the visible subfolders of the pattern's folder ("/data/" + "*.*") to Folders,
// each as folder + name without a trailing separator. Returns how many were appended.
// Hidden ("." names) and system entries (neither file nor folder once links are followed)
// are skipped; a folder that cannot be listed appends nothing.
int ListSubfolders(std::string_view pattern, TStringList& folders);
// Breadth-first walk of every subfolder below the pattern's folder, appended to Folders.
// A folder already entered (same device and inode) is never entered again, so link
// cycles end. Returns the final number of entries in Folders.
int ListAllSubfolders(std::string_view pattern, TStringList& folders);

// Opens name (relative to folderFd) read-only, or returns -1 with errno set. O_NONBLOCK
// keeps the open itself from waiting on a FIFO swapped in after the listing, and reads of
// kernel files that would wait for news (/proc/kmsg, trace pipes) from waiting; regular
// files on disk ignore it. O_NOATIME spares the disk a write where the file's owner
// allows it; once refused (the files are someone else's), `noAtime` is cleared so that
// later files pay no second open.
int OpenForReading(int folderFd, const std::string& name, bool& noAtime);

// Reads from fd's position what the page cache holds already, without waiting for the
// disk: the bytes read, or -1 where nothing was read, with `refusal` set to the error
// (EAGAIN: not cached; EOPNOTSUPP: the file system cannot tell).
ssize_t ReadCached(int fd, char* into, size_t wanted, int& refusal);

// What holds an open file. The kernel's own file systems (/proc, /sys and the like, or
// one that cannot be asked) hold views of kernel state, some of them of device memory,
// to be read only, never mapped, and never waiting for a disk. Memory (tmpfs, ramfs)
// never waits either. Disks keep what they read in the page cache; network shares and
// FUSE file systems may answer each read over a wire, and cannot tell whether a read
// would wait.
enum class TFileSystemKind : unsigned char { Kernel, Memory, Disk, Remote };
TFileSystemKind FileSystemKindOf(int fd);

// A path of any length, as the system can take it: `rest`, opened from `folder`. A path
// that fits in PATH_MAX stands as it is, from AT_FDCWD. A longer one is walked in runs of
// whole names that fit, each run's folder opened O_PATH from the one before (which needs
// only the search permission that the system's own lookup needs): `folder` is the last
// of them (-1, with errno set, where a run cannot be reached) and `rest` what follows it.
struct TPathStart {
  TFileDescriptor reached;  // the last run's folder, for a long path
  int folder = AT_FDCWD;
  std::string rest;
};
TPathStart StartOfPath(const std::string& path);

// Whether the path names an existing directory (links followed).
bool DirectoryExists(const std::string& path);

// An open folder: its entries are listed and its files opened through one descriptor.
// A folder that cannot be opened gives an invalid handle and lists nothing. The handle
// keeps why, and why a listing stopped short, for whoever lists it to report.
class TFolderHandle {
 public:
  explicit TFolderHandle(const std::string& folder);

  bool Valid() const { return fd_.Valid(); }
  int Fd() const { return fd_.Get(); }
  // The error number that kept the folder from opening (Valid() is false), or that ended
  // its last listing before the end (read it after ForEachEntry); 0 for neither.
  int Error() const { return error_; }

  enum class EntryKind : unsigned char { File, Folder, Other };
  // Calls visit(name, kind) for every entry but "." and "..", in listing order.
  // Links are followed to find the kind; FIFOs, sockets, devices and broken links are Other.
  template <typename Visit>
  void ForEachEntry(Visit&& visit) const;

 private:
  TFileDescriptor fd_;
  mutable int error_ = 0;
  mutable bool listed_ = false;  // a second listing must start again from the beginning
  void ListEntries(void (*callback)(void*, std::string_view, EntryKind), void* context) const;
};

template <typename Visit>
void TFolderHandle::ForEachEntry(Visit&& visit) const {
  ListEntries([](void* context, std::string_view name,
                 EntryKind kind) { (*static_cast<Visit*>(context))(name, kind); },
              &visit);
}

// A folder's entries as ForEachEntry gave them, kept after the listing. A tree holds
// hundreds of thousands, so the names lie one after another in one block.
class TFolderEntries {
 public:
  using Kind = TFolderHandle::EntryKind;
  void Add(std::string_view name, Kind kind);
  void Clear();
  // The listing's own failure, kept with what it gave (TFolderHandle::Error).
  void SetError(int error) { error_ = error; }
  int Error() const { return error_; }
  // Calls visit(name, kind) for every entry, in the order added.
  template <typename Visit>
  void ForEach(Visit&& visit) const;

 private:
  std::string names_;  // each name followed by a NUL, which no name holds
  std::vector<Kind> kinds_;
  int error_ = 0;
};

template <typename Visit>
void TFolderEntries::ForEach(Visit&& visit) const {
  const char* name = names_.data();
  for (const Kind kind : kinds_) {
    const std::string_view entry(name);
    visit(entry, kind);
    name += entry.size() + 1;
  }
}

// Kept listings, each under its folder's path exactly as the folder list spells it.
using TListedFolders = std::unordered_map<std::string, TFolderEntries>;

// ListAllSubfolders below Folder (as the pattern Folder + "/*.*") that, given Listed, also
// keeps there the entries of each folder it lists: Folder's under Folder, every other
// under its entry in Folders. The walk lists each folder to find its subfolders; keeping
// the other entries spares listing it again for its files. A folder it does not enter
// (reached again through a link, or one that cannot be opened) is not kept. With threads
// above 1, the folders are listed ahead by threads of their own (TListingsAhead).
int ListAllSubfoldersOf(const std::string& folder, TStringList& folders,
                        TListedFolders* listed = nullptr, size_t threads = 1);

}  // namespace trawlix
