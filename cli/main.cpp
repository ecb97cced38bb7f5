// trawlix-cli: the search run without windows, printing the results list.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "cli/CliHost.h"
#include "cli/FolderList.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "search/SearchResults.h"
#include "search/SearchRun.h"
#include "util/OpenFileLimit.h"
#include "util/errors.h"

using namespace trawlix;

namespace {

// The exit statuses, as grep's.
constexpr int kFound = 0;
constexpr int kNoMatch = 1;
constexpr int kTrouble = 2;

int Search(const TCliOptions& options) {
  TFolderList folders =
      BuildFolderList(options.folders, options.recursive, SearchThreadsOf(options));
  for (const std::string& missing : folders.missing) {
    std::fprintf(stderr, "trawlix-cli: no such folder: %s\n", missing.c_str());
  }
  TSearchResults results;
  TOutput output(STDOUT_FILENO, options.crlf);
  TCliHost host(options, std::move(folders.folders), std::move(folders.listed), results, output);
  RunSearch(host, results);
  output.Flush();
  if (output.Error() != 0) {
    std::fprintf(stderr, "trawlix-cli: cannot write the results: %s\n",
                 SystemErrorText(output.Error()).c_str());
    return kTrouble;
  }
  // A file or folder that could not be read leaves the search incomplete, matches or not.
  if (!folders.missing.empty() || results.ReportCount() > 0) return kTrouble;
  return results.GrepItems().empty() ? kNoMatch : kFound;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that goes away shows as EPIPE, which ends the output quietly.
  std::signal(SIGPIPE, SIG_IGN);
  RaiseOpenFileLimit();
  TParsedCommandLine command = ParseCommandLine(argc, argv);
  switch (command.action) {
    case TParsedCommandLine::Action::Help:
      std::fputs(kUsageText, stdout);
      return std::fflush(stdout) == 0 ? kFound : kTrouble;
    case TParsedCommandLine::Action::Version:
      std::fputs(kVersionText, stdout);
      return std::fflush(stdout) == 0 ? kFound : kTrouble;
    case TParsedCommandLine::Action::UsageError:
      std::fprintf(stderr, "trawlix-cli: %s\n%s", command.error.c_str(), kUsageText);
      return kTrouble;
    case TParsedCommandLine::Action::Search:
      break;
  }
  try {
    return Search(command.options);
  } catch (const std::bad_alloc&) {
    std::fputs("trawlix-cli: out of memory\n", stderr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "trawlix-cli: %s\n", e.what());
  }
  return kTrouble;
}
