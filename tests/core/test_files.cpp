#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "CaseNames.h"
#include "FolderEntries.h"
#include "SpecialFiles.h"
#include "TempDir.h"
#include "util/files.h"

using namespace trawlix;

namespace {

struct SeparatorCase {
  const char* path;
  const char* added;
  const char* stripped;
};

class Separators : public testing::TestWithParam<SeparatorCase> {};

TEST_P(Separators, AddAndStrip) {
  EXPECT_EQ(AddTrailingSeparator(GetParam().path), GetParam().added);
  EXPECT_EQ(StripTrailingSeparator(GetParam().path), GetParam().stripped);
  // Adding twice gives the same text as adding once.
  EXPECT_EQ(AddTrailingSeparator(AddTrailingSeparator(GetParam().path)), GetParam().added);
}

INSTANTIATE_TEST_SUITE_P(Table, Separators,
                         testing::Values(SeparatorCase{"/data", "/data/", "/data"},
                                         SeparatorCase{"/data/", "/data/", "/data"},
                                         SeparatorCase{"/data\\", "/data/", "/data"},
                                         SeparatorCase{"/", "/", ""}, SeparatorCase{"", "/", ""},
                                         SeparatorCase{"/a//", "/a//", "/a/"},
                                         SeparatorCase{" \t/data/ \r\n", "/data/", "/data"},
                                         SeparatorCase{"C:\\", "C:/", "C:"}),
                         NamedAfter<&SeparatorCase::path>());

TEST(Separators, StripTwiceStopsAtTheDrive) {
  EXPECT_EQ(StripTrailingSeparator(StripTrailingSeparator("C:\\")), "C:");
}

TEST(Separators, StripLeading) {
  EXPECT_EQ(StripLeadingSeparator("*.*"), "*.*");
  EXPECT_EQ(StripLeadingSeparator("/*.*"), "*.*");
  EXPECT_EQ(StripLeadingSeparator("\\*.*"), "*.*");
  EXPECT_EQ(StripLeadingSeparator(" //a "), "/a");
  for (const char* single : {"", "x", "/", " "}) EXPECT_EQ(StripLeadingSeparator(single), "");
  EXPECT_EQ(StripLeadingSeparator("  "), "");
}

TEST(ListSubfolders, OnlyVisibleFoldersWithOneSeparator) {
  TempDir dir;
  dir.MakeFolder("A");
  dir.MakeFolder("B");
  dir.MakeFolder(".hidden/inner");
  dir.Write("file", "x");
  MakeFifo(dir / "fifo");
  MakeSocket(dir / "sock");
  MakeLink("missing", dir / "broken");
  MakeLink(dir / "A", dir / "linkToA");
  MakeLink(dir / "file", dir / "linkToFile");

  TStringList folders = {"kept"};
  EXPECT_EQ(ListSubfolders(AddTrailingSeparator(dir.Path()) + "*.*", folders), 3);
  std::sort(folders.begin() + 1, folders.end());
  EXPECT_EQ(folders, (TStringList{"kept", dir / "A", dir / "B", dir / "linkToA"}));
}

TEST(ListSubfolders, MissingFolderAppendsNothing) {
  TempDir dir;
  TStringList folders;
  EXPECT_EQ(ListSubfolders(dir / "missing/*.*", folders), 0);
  EXPECT_TRUE(folders.empty());
}

TEST(ListSubfolders, RootGivesSingleSeparator) {
  TStringList folders;
  ListSubfolders("/*.*", folders);
  ASSERT_FALSE(folders.empty());
  for (const std::string& folder : folders) {
    EXPECT_EQ(folder.rfind('/'), 0u) << folder;
    EXPECT_GT(folder.size(), 1u);
  }
}

TEST(ListAllSubfolders, EmptyFolderGivesNothing) {
  TempDir dir;
  dir.Write("only-a-file", "x");
  TStringList folders;
  EXPECT_EQ(ListAllSubfolders(dir.Path() + "/*.*", folders), 0);
  EXPECT_TRUE(folders.empty());
}

// The parent of every entry stands before the parents of the entries after it, and the
// direct subfolders come first: the walk is breadth first.
TEST(ListAllSubfolders, BreadthFirst) {
  TempDir dir;
  for (const char* path : {"A/X/P", "A/Y", "B/Z/Q", "C", "B/.git/objects", "A/X/P/deep"}) {
    dir.MakeFolder(path);
  }
  TStringList folders;
  EXPECT_EQ(ListAllSubfolders(dir.Path() + "/*.*", folders), 9);
  TStringList sorted = folders;
  std::sort(sorted.begin(), sorted.end());
  TStringList expected;
  for (const char* path : {"A", "A/X", "A/X/P", "A/X/P/deep", "A/Y", "B", "B/Z", "B/Z/Q", "C"}) {
    expected.push_back(dir / path);
  }
  EXPECT_EQ(sorted, expected);

  std::map<std::string, long> position;
  long previousParent = -1;
  for (size_t i = 0; i < folders.size(); ++i) {
    const std::string parent = folders[i].substr(0, folders[i].rfind('/'));
    const long parentPosition = parent == dir.Path() ? -1 : position.at(parent);
    EXPECT_GE(parentPosition, previousParent) << folders[i];
    previousParent = parentPosition;
    position[folders[i]] = static_cast<long>(i);
  }
}

TEST(ListAllSubfolders, LinkCycleEnds) {
  TempDir dir;
  dir.MakeFolder("A/B");
  MakeLink(dir.Path(), dir / "A/B/up");
  MakeLink("..", dir / "A/self");
  TStringList folders;
  ListAllSubfolders(dir.Path() + "/*.*", folders);
  std::sort(folders.begin(), folders.end());
  // Each link is listed where it stands, but what it leads to is not walked again.
  EXPECT_EQ(folders, (TStringList{dir / "A", dir / "A/B", dir / "A/B/up", dir / "A/self"}));
}

TEST(ListAllSubfolders, ExpandsEntriesGivenBefore) {
  TempDir dir;
  dir.MakeFolder("start/S");
  dir.MakeFolder("other/O");
  TStringList folders = {dir / "other"};
  EXPECT_EQ(ListAllSubfolders(dir / "start/*.*", folders), 3);
  EXPECT_EQ(folders, (TStringList{dir / "other", dir / "start/S", dir / "other/O"}));
}

TEST(ListAllSubfolders, OddNamesPassThrough) {
  TempDir dir;
  const std::string latin1 = "caf\xe9";
  dir.MakeFolder(latin1 + "/\xff\xfe");
  // A folder name that ends in a blank stays openable: it is never trimmed on the way down.
  dir.MakeFolder("blank /inner");
  TStringList folders;
  ListAllSubfolders(dir.Path() + "/*.*", folders);
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(folders, (TStringList{dir / "blank ", dir / "blank /inner", dir / latin1,
                                  dir / (latin1 + "/\xff\xfe")}));
}

TEST(ListAllSubfoldersOf, KeepsTheListingOfEveryFolderItEnters) {
  TempDir dir;
  dir.Write("top.txt", "x");
  dir.Write("A/a.txt", "x");
  dir.Write("A/X/.hidden", "x");
  dir.Write(".git/config", "x");
  dir.MakeFolder("B");
  dir.MakeFolder("blank ");
  MakeFifo(dir / "A/pipe");
  MakeLink("gone", dir / "B/broken");
  MakeLink(dir.Path(), dir / "A/up");  // leads back to the top, which is not entered again

  TStringList folders;
  TListedFolders listed;
  EXPECT_EQ(ListAllSubfoldersOf(dir.Path(), folders, &listed), 5);
  TStringList plain;
  ListAllSubfolders(dir.Path() + "/*.*", plain);
  EXPECT_EQ(folders, plain);

  // Under the folder as given and each subfolder as in Folders; hidden ones are not walked.
  std::map<std::string, TStringList> expected;
  for (const std::string& folder :
       {dir.Path(), dir / "A", dir / "A/X", dir / "B", dir / "blank "}) {
    expected[folder] = Described(EntriesOf(folder));
  }
  std::map<std::string, TStringList> kept;
  for (const auto& [folder, entries] : listed) kept[folder] = Described(entries);
  EXPECT_EQ(kept, expected);
}

TEST(ListAllSubfoldersOf, AFolderWalkedAgainIsKeptOnce) {
  TempDir dir;
  dir.Write("A/a.txt", "x");
  dir.Write("A/b.txt", "x");
  TListedFolders listed;
  TStringList first;
  TStringList second;
  ListAllSubfoldersOf(dir.Path(), first, &listed);
  ListAllSubfoldersOf(dir / "A", second, &listed);
  EXPECT_EQ(listed.size(), 2u);
  EXPECT_EQ(Described(listed[dir / "A"]), Described(EntriesOf(dir / "A")));
}

TEST(DirectoryExists, FollowsLinks) {
  TempDir dir;
  dir.MakeFolder("A");
  dir.Write("file", "x");
  MakeLink(dir / "A", dir / "link");
  EXPECT_TRUE(DirectoryExists(dir / "A"));
  EXPECT_TRUE(DirectoryExists(dir / "link"));
  EXPECT_FALSE(DirectoryExists(dir / "file"));
  EXPECT_FALSE(DirectoryExists(dir / "missing"));
}

TEST(FolderHandle, KindsAndRepeatedListing) {
  TempDir dir;
  dir.MakeFolder("sub");
  dir.Write("file", "x");
  MakeFifo(dir / "fifo");
  MakeSocket(dir / "sock");
  MakeLink("nowhere", dir / "broken");
  MakeLink("file", dir / "linkToFile");
  MakeLink("sub", dir / "linkToSub");
  using Kind = TFolderHandle::EntryKind;
  const std::map<std::string, Kind> expected = {
      {"sub", Kind::Folder},      {"file", Kind::File},    {"fifo", Kind::Other},
      {"sock", Kind::Other},      {"broken", Kind::Other}, {"linkToFile", Kind::File},
      {"linkToSub", Kind::Folder}};
  const TFolderHandle handle(dir.Path());
  ASSERT_TRUE(handle.Valid());
  for (int round = 0; round < 2; ++round) {
    std::map<std::string, Kind> seen;
    handle.ForEachEntry([&](std::string_view name, Kind kind) { seen[std::string(name)] = kind; });
    EXPECT_EQ(seen, expected) << "round " << round;
  }
  EXPECT_FALSE(TFolderHandle(dir / "file").Valid());
}

}  // namespace
