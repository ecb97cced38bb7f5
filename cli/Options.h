#pragma once
// The command line of trawlix-cli, parsed by hand: short options may be clustered
// ("-wc", "-tTEXT"), long ones take "--name VALUE" or "--name=VALUE", options and folders
// may come in any order, and "--" ends the options.
#include <cstddef>
#include <string>
#include <vector>

namespace trawlix {

struct TCliOptions {
  std::string searchText;  // as typed, not trimmed
  std::string maskText = "*.*";
  bool wholeWord = false;
  bool caseSensitive = false;
  bool recursive = false;
  bool index = false;
  bool samples = false;
  bool crlf = false;
  size_t threads = 0;  // threads that search at once; 0: one for every usable processor
  std::vector<std::string> folders;  // as given
};

struct TParsedCommandLine {
  enum class Action { Search, Help, Version, UsageError };
  Action action = Action::Search;
  TCliOptions options;
  std::string error;  // for UsageError
};

TParsedCommandLine ParseCommandLine(int argc, const char* const* argv);

// The threads a search with these options runs on: as given, else one per usable processor.
size_t SearchThreadsOf(const TCliOptions& options);

extern const char* const kUsageText;
extern const char* const kVersionText;

}  // namespace trawlix
