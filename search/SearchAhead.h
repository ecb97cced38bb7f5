#pragma once
// One file's work ahead of the run, as a function of what it is given: a file's turn is
// loaded, or loaded and searched, and what was found is returned by value, for the run to
// take at the file's turn. A file left to its turn returns nothing: the run then loads
// and searches it itself, and meets and reports any failure there.
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "search/FileBytes.h"
#include "search/FileSearch.h"
#include "search/GrepItemUnit.h"
#include "search/RunOrder.h"
#include "search/Searcher.h"

namespace trawlix {

// What the work ahead found for one turn.
struct TFound {
  enum class Kind : unsigned char { Nothing, Bytes, Records } kind = Kind::Nothing;
  std::unique_ptr<TFileBytes> bytes;  // loaded (Bytes), or a buffer to use again
  std::vector<TGrepItem> records;     // found (Records)
  size_t recordBytes = 0;             // what the records and their samples take
};

// What a search ahead answers to: the flags that stop it, the room its records may take
// (asked again only when they outgrow what was given last), and what to call once its
// load waits for the disk.
struct TAheadControl {
  const std::atomic<bool>& dropped;
  const std::atomic<bool>& stopping;
  std::function<size_t()> room;
  std::function<void()> loadWaits;
};

// Loads the turn's file and searches it with `terms`: its records, or nothing where the
// file is left to its turn (it could not be loaded ahead, its search failed or was
// stopped, or its records outgrew their room).
TFound SearchFileAhead(TSearcher& searcher, const TTurn& turn, const TSearchTerms& terms,
                       const TAheadControl& control);
// Loads the turn's file into `buffer`: its bytes, or nothing with the buffer given back.
TFound LoadFileAhead(std::unique_ptr<TFileBytes> buffer, const TTurn& turn,
                     const std::function<void()>& loadWaits);

}  // namespace trawlix
