#pragma once
// One thread's means of searching: lines over what it searches, its sample, and the store
// of the results that keeps its records' samples.
#include "search/FileLines.h"
#include "search/GrepItemUnit.h"

namespace trawlix {

class TSampleStore;

struct TSearcher {
  TFileLines lines;
  TSampleView sample;
  TSampleStore* store = nullptr;
};

}  // namespace trawlix
