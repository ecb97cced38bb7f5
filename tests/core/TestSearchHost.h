#pragma once
// A scripted search host for tests: answers the run's questions from its fields and logs
// every call in order. Tests hook the callbacks to press Cancel, change inputs or disturb
// files at chosen moments.
#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "search/SearchRun.h"

namespace trawlix {

class TTestHost : public TSearchHost {
 public:
  TTestHost() = default;
  TTestHost(std::vector<std::string> folderList, std::string text)
      : folders(std::move(folderList)), searchText(std::move(text)) {}

  std::string maskText = "*.*";
  std::vector<std::string> folders;
  std::string searchText = "foo";
  bool caseSensitive = false;
  bool wholeWord = false;
  std::deque<bool> wholeWordAnswers;  // used first, one per question, then wholeWord
  bool cancelled = false;
  size_t threads = 1;
  bool lendsUpcoming = false;  // lends the later folders to be read ahead

  std::function<void(int call)> onProcessEvents;  // call counts from 1
  std::function<void(const std::string& path, size_t number)> onFileStarted;
  std::function<void(int call)> onSearchText;
  std::function<void()> onWholeWord;

  std::vector<std::string> log;
  int processEventsCalls = 0;
  int searchTextCalls = 0;

  bool Logged(const std::string& entry) const {
    return std::find(log.begin(), log.end(), entry) != log.end();
  }
  size_t Count(const std::string& entry) const {
    return static_cast<size_t>(std::count(log.begin(), log.end(), entry));
  }

  std::string MaskText() override { return Note("MaskText"), maskText; }
  void SetMaskText(const std::string& text) override {
    Note("SetMaskText " + text);
    maskText = text;
  }
  size_t FolderCount() override { return Note("FolderCount"), folders.size(); }
  std::string Folder(size_t i) override {
    Note("Folder " + std::to_string(i));
    return folders.at(i);
  }
  std::string SearchText() override {
    Note("SearchText");
    if (onSearchText) onSearchText(++searchTextCalls);
    return searchText;
  }
  bool CaseSensitive() override { return Note("CaseSensitive"), caseSensitive; }
  size_t SearchThreads() override { return threads; }
  std::optional<std::string> UpcomingFolder(size_t i) override {
    if (!lendsUpcoming) return std::nullopt;
    return folders.at(i);
  }
  bool WholeWord() override {
    Note("WholeWord");
    if (onWholeWord) onWholeWord();
    if (wholeWordAnswers.empty()) return wholeWord;
    bool answer = wholeWordAnswers.front();
    wholeWordAnswers.pop_front();
    return answer;
  }
  void ResetProgress(size_t folderCount) override {
    Note("ResetProgress " + std::to_string(folderCount));
  }
  void ShowProgress() override { Note("ShowProgress"); }
  void FolderStarted(size_t number) override { Note("FolderStarted " + std::to_string(number)); }
  void FilesListed(size_t count) override { Note("FilesListed " + std::to_string(count)); }
  void FileStarted(const std::string& fullPath, size_t number) override {
    Note("FileStarted " + fullPath + " " + std::to_string(number));
    if (onFileStarted) onFileStarted(fullPath, number);
  }
  void ProcessEvents() override {
    Note("ProcessEvents");
    if (onProcessEvents) onProcessEvents(++processEventsCalls);
  }
  void ShowProgressNow() override { Note("ShowProgressNow"); }
  void CloseProgress() override { Note("CloseProgress"); }
  void ShowResults() override { Note("ShowResults"); }
  bool Cancelled() override { return Note("Cancelled"), cancelled; }
  void ClearCancelled() override {
    Note("ClearCancelled");
    cancelled = false;
  }

 private:
  void Note(std::string entry) { log.push_back(std::move(entry)); }
};

// A host that hands the run the entries it holds for a folder's path.
class TListedHost : public TTestHost {
 public:
  TListedFolders listed;

  const TFolderEntries* ListedEntries(size_t i) override {
    const auto kept = listed.find(folders.at(i));
    return kept == listed.end() ? nullptr : &kept->second;
  }
};

// The five lines that report a file that could not be loaded or searched, or with the
// folder's heading, a folder that could not be listed.
inline std::vector<std::string> ErrorBlock(const std::string& path, const std::string& error,
                                           const std::string& heading = "Unable to load file ") {
  return {heading, "\"" + path + "\"", "because an exception occurred:", error, ""};
}
inline std::vector<std::string> FolderErrorBlock(const std::string& path,
                                                 const std::string& error) {
  return ErrorBlock(path, error, "Unable to list folder ");
}

}  // namespace trawlix
