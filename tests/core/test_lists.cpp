#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "CaseNames.h"
#include "FolderEntries.h"
#include "SpecialFiles.h"
#include "TempDir.h"
#include "util/files.h"
#include "util/lists.h"

using namespace trawlix;

namespace {

long CountOf(const TStringList& list, const std::string& name) {
  return std::count(list.begin(), list.end(), name);
}

// Whether every occurrence of name stands right after another one or starts a run of n.
bool StandsInOneRun(const TStringList& list, const std::string& name, long n) {
  const auto first = std::find(list.begin(), list.end(), name);
  return first != list.end() && list.end() - first >= n &&
         std::all_of(first, first + n, [&](const std::string& s) { return s == name; });
}

TEST(ListMatchingFiles, FilesOncePerMatchingMask) {
  TempDir dir;
  dir.Write("notes.txt", "x");
  dir.Write("readme", "x");
  dir.Write(".hidden.txt", "x");
  dir.Write("NOTES2.TXT", "x");
  dir.MakeFolder("folder.txt");
  ASSERT_EQ(mkfifo((dir / "pipe.txt").c_str(), 0644), 0);
  ASSERT_EQ(symlink("gone", (dir / "broken.txt").c_str()), 0);
  ASSERT_EQ(symlink("notes.txt", (dir / "link.txt").c_str()), 0);
  ASSERT_EQ(symlink("folder.txt", (dir / "dirlink.txt").c_str()), 0);

  TStringList files = {"stale"};
  const int count = ListMatchingFiles(dir.Path(), {"*.txt", "*.*"}, 0, files);
  EXPECT_EQ(count, static_cast<int>(files.size()));
  EXPECT_EQ(files.size(), 7u);
  EXPECT_TRUE(StandsInOneRun(files, "notes.txt", 2));
  EXPECT_TRUE(StandsInOneRun(files, "NOTES2.TXT", 2));
  EXPECT_TRUE(StandsInOneRun(files, "link.txt", 2));
  EXPECT_EQ(CountOf(files, "readme"), 1);
}

TEST(ListMatchingFiles, ListingOrderIsKept) {
  TempDir dir;
  for (const char* name : {"b.txt", "a.txt", "c.txt", "d.pas"}) dir.Write(name, "x");
  TStringList listed;
  TFolderHandle(dir.Path()).ForEachEntry([&](std::string_view name, TFolderHandle::EntryKind) {
    if (name.ends_with(".txt")) listed.emplace_back(name);
  });
  TStringList files;
  ListMatchingFiles(dir.Path(), {"*.TXT"}, 0, files);
  EXPECT_EQ(files, listed);
}

TEST(ListMatchingFiles, BlankBeforeMaskAndEmptyMaskMatchNothing) {
  TempDir dir;
  dir.Write("a.pas", "x");
  dir.Write(" b.pas", "x");
  TStringList files;
  EXPECT_EQ(ListMatchingFiles(dir.Path(), {" *.pas", ""}, 0, files), 1);
  EXPECT_EQ(files, (TStringList{" b.pas"}));
}

TEST(ListMatchingFiles, AttributesAddHiddenFilesAndFolders) {
  TempDir dir;
  dir.Write(".h", "x");
  dir.MakeFolder("d");
  ASSERT_EQ(mkfifo((dir / "p").c_str(), 0644), 0);
  TStringList files;
  EXPECT_EQ(ListMatchingFiles(dir.Path(), {"*"}, 2, files), 0);
  EXPECT_EQ(ListMatchingFiles(dir.Path(), {"*.*"}, 2, files), 1);
  EXPECT_EQ(files, (TStringList{".h"}));
  EXPECT_EQ(ListMatchingFiles(dir.Path(), {"*.*"}, 16 | 4, files), 1);
  EXPECT_EQ(files, (TStringList{"d"}));
}

TEST(ListMatchingFiles, UnlistableFolderGivesNone) {
  TempDir dir;
  TStringList files = {"stale"};
  EXPECT_EQ(ListMatchingFiles(dir / "missing", {"*.*"}, 0, files), 0);
  EXPECT_TRUE(files.empty());
}

TEST(ListMatchingFiles, NonUtf8NamesPassThrough) {
  TempDir dir;
  const std::string name = "\xff\xe9t\xe9.txt";
  dir.Write(name, "x");
  TStringList files;
  ListMatchingFiles(dir.Path(), {"*.txt"}, 0, files);
  EXPECT_EQ(files, (TStringList{name}));
}

// A folder's entries kept from its listing give exactly the files the listing itself gives.
struct KeptCase {
  TStringList masks;
  int attributes;
};

void PrintTo(const KeptCase& kept, std::ostream* out) {
  for (const std::string& mask : kept.masks) *out << '"' << mask << "\" ";
  *out << "attributes " << kept.attributes;
}

class KeptEntries : public ::testing::TestWithParam<KeptCase> {};

TEST_P(KeptEntries, GiveTheFilesOfTheListing) {
  TempDir dir;
  for (const char* name :
       {"notes.txt", "readme", "NOTES2.TXT", ".hidden.txt", ".h", " b.pas", "\xff\xe9t\xe9.txt"}) {
    dir.Write(name, "x");
  }
  dir.MakeFolder("folder.txt");
  dir.MakeFolder(".git");
  MakeFifo(dir / "pipe.txt");
  MakeSocket(dir / "sock.txt");
  MakeLink("gone", dir / "broken.txt");
  MakeLink("notes.txt", dir / "link.txt");
  MakeLink("folder.txt", dir / "dirlink.txt");
  const TFolderEntries entries = EntriesOf(dir.Path());

  const KeptCase& kept = GetParam();
  TStringList listed;
  ListMatchingFiles(dir.Path(), kept.masks, kept.attributes, listed);
  TStringList fromEntries = {"stale"};
  EXPECT_EQ(ListMatchingFiles(entries, kept.masks, kept.attributes, fromEntries),
            static_cast<int>(listed.size()));
  EXPECT_EQ(fromEntries, listed);
}

INSTANTIATE_TEST_SUITE_P(Table, KeptEntries,
                         ::testing::Values(KeptCase{{"*.*"}, 0}, KeptCase{{"*.txt", "*.*"}, 0},
                                           KeptCase{{"*.TXT", " *.pas", ""}, 0},
                                           KeptCase{{"*.*"}, 2}, KeptCase{{"*.*"}, 16},
                                           KeptCase{{"*"}, 16 | 2}, KeptCase{{"*.nomatch"}, 0}),
                         [](const testing::TestParamInfo<KeptCase>& info) {
                           std::string masks;  // as typed: separated by ';'
                           for (const std::string& mask : info.param.masks)
                             masks += (&mask == info.param.masks.data() ? "" : ";") + mask;
                           return NameOfText(masks) + "_attributes_" +
                                  std::to_string(info.param.attributes);
                         });

// The kept entries are taken as they stand: nothing is listed again.
TEST(ListMatchingFiles, EntriesAreTakenAsGiven) {
  using Kind = TFolderHandle::EntryKind;
  const TFolderEntries entries = EntriesFrom({{"b.txt", Kind::File},
                                              {"a.txt", Kind::File},
                                              {"pipe.txt", Kind::Other},
                                              {".h.txt", Kind::File},
                                              {"d.txt", Kind::Folder},
                                              {"readme", Kind::File}});
  TStringList files = {"stale"};
  EXPECT_EQ(ListMatchingFiles(entries, {"*.txt", "*.*"}, 0, files), 5);
  EXPECT_EQ(files, (TStringList{"b.txt", "b.txt", "a.txt", "a.txt", "readme"}));
  EXPECT_EQ(ListMatchingFiles(entries, {"*.txt"}, 16 | 2, files), 4);
  EXPECT_EQ(files, (TStringList{"b.txt", "a.txt", ".h.txt", "d.txt"}));
  EXPECT_EQ(ListMatchingFiles(TFolderEntries(), {"*.*"}, 0, files), 0);
  EXPECT_TRUE(files.empty());
}

TEST(StringLists, UpperCaseLeavesNonAscii) {
  TStringList list = {"/data/caf\xe9", "abc", ""};
  UpperCaseStrings(list);
  EXPECT_EQ(list, (TStringList{"/DATA/CAF\xe9", "ABC", ""}));
}

TEST(StringLists, AppendKeepsOrClears) {
  TStringList dest = {"x", "y"};
  AppendStrings({"a", "a", "b"}, dest, false);
  EXPECT_EQ(dest, (TStringList{"x", "y", "a", "a", "b"}));
  AppendStrings({"c"}, dest, true);
  EXPECT_EQ(dest, (TStringList{"c"}));
  TStringList self = {"p", "q"};
  AppendStrings(self, self, false);
  EXPECT_EQ(self, (TStringList{"p", "q", "p", "q"}));
  AppendStrings(self, self, true);
  EXPECT_TRUE(self.empty());
}

}  // namespace
