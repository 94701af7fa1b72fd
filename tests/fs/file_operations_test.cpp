// Folder creation, deletion of files and trees, and renames, on real files.
#include "fs/file_operations.h"

#include <gtest/gtest.h>

#include <string>

#include "fs/disk_query.h"
#include "fs/file_info.h"
#include "stream/tag_record.h"
#include "tests/fs/fs_test_files.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

using test::MakeTestFolder;
using test::S;
using test::WriteTestFile;

class FileOperationsTest : public testing::Test {
 protected:
  String P(const std::string& relative) { return S(folder_.Join(relative)); }

  void SetFlag(const std::string& relative, uint16_t tag) {
    TagRecord info;
    info.SetU8(tag, 1, true);
    ASSERT_EQ(SetFileInfo(P(relative), &info), kOk) << relative;
  }

  test::TempFolder folder_;
};

TEST_F(FileOperationsTest, MakeFolderCreatesMissingAncestors) {
  WriteTestFile(folder_.Join("f.txt"), "x");
  MakeTestFolder(folder_.Join("old/"));
  struct Case {
    std::string relative;
    Result expected;
    bool exists_after;
  } cases[] = {
      {"a/b/c/", kOk, true},
      {"a/b/c/", kOk, true},  // exists already
      {"old/", kOk, true},
      {"a/d", kBadArgument, false},  // no trailing '/'
      {"a/d?/", kBadArgument, false},
      {"f.txt/", kFailed, false},  // its parent exists, a file holds the name
      {"f.txt/x/", kFolderNotMade, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeFolder(P(c.relative)), c.expected) << c.relative;
    EXPECT_EQ(FolderExists(P(c.relative)), c.exists_after) << c.relative;
  }
  EXPECT_EQ(MakeFolder(""), kBadArgument);
}

TEST_F(FileOperationsTest, RemoveFileRefusesReadOnlyFilesAndFolders) {
  WriteTestFile(folder_.Join("plain.txt"), "x");
  WriteTestFile(folder_.Join("locked.txt"), "x");
  WriteTestFile(folder_.Join("hidden.txt"), "x");
  SetFlag("locked.txt", kInfoTagReadOnly);
  SetFlag("hidden.txt", kInfoTagHidden);
  MakeTestFolder(folder_.Join("sub/"));
  struct Case {
    std::string relative;
    Result expected;
    bool exists_after;
  } cases[] = {
      {"plain.txt", kOk, false},
      {"hidden.txt", kOk, false},
      {"locked.txt", kCannotDeleteFile, true},
      {"missing.txt", kCannotDeleteFile, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RemoveFile(P(c.relative)), c.expected) << c.relative;
    EXPECT_EQ(FileExists(P(c.relative)), c.exists_after) << c.relative;
  }
  EXPECT_EQ(RemoveFile(P("sub")), kCannotDeleteFile);
  EXPECT_TRUE(FolderExists(P("sub/")));
}

TEST_F(FileOperationsTest, FolderRemoval) {
  MakeTestFolder(folder_.Join("tree/"));
  MakeTestFolder(folder_.Join("tree/a/"));
  MakeTestFolder(folder_.Join("tree/a/b/"));
  MakeTestFolder(folder_.Join("tree/Recycled/"));
  MakeTestFolder(folder_.Join("tree/empty/"));
  WriteTestFile(folder_.Join("tree/top.txt"), "1");
  WriteTestFile(folder_.Join("tree/a/b/deep.txt"), "2");
  WriteTestFile(folder_.Join("tree/Recycled/bin.txt"), "3");
  WriteTestFile(folder_.Join("tree/a/hidden.txt"), "4");
  SetFlag("tree/a/hidden.txt", kInfoTagHidden);
  // Excluded folders go too.
  WriteTestFile(folder_.Join("tree/a/b/locked.txt"), "5");
  SetFlag("tree/a/b/locked.txt", kInfoTagReadOnly);
  EXPECT_EQ(DeleteFolderTree(P("tree/")), kCannotDeleteFile) << "stops at a read-only file";
  EXPECT_TRUE(FileExists(P("tree/a/b/locked.txt")));
  ASSERT_EQ(ClearFileInfo(P("tree/a/b/locked.txt")), kOk);
  EXPECT_EQ(DeleteFolderTree(P("tree/")), kOk);
  EXPECT_FALSE(FolderExists(P("tree/")));
  EXPECT_TRUE(FolderExists(S(folder_.path())));
  EXPECT_EQ(DeleteFolderTree(P("missing/")), kBadFolder);

  MakeTestFolder(folder_.Join("empty/"));
  MakeTestFolder(folder_.Join("full/"));
  WriteTestFile(folder_.Join("full/x"), "x");
  EXPECT_EQ(RemoveEmptyFolder(P("empty/")), kOk);
  EXPECT_FALSE(FolderExists(P("empty/")));
  EXPECT_EQ(RemoveEmptyFolder(P("missing/")), kOk);
  EXPECT_EQ(RemoveEmptyFolder(P("full/")), kCannotRemoveFolder);
}

TEST_F(FileOperationsTest, RenameFile) {
  WriteTestFile(folder_.Join("a.txt"), "a");
  WriteTestFile(folder_.Join("taken.txt"), "t");
  MakeTestFolder(folder_.Join("sub/"));
  struct Case {
    const char* from;
    const char* name;
    Result expected;
  } cases[] = {
      {"missing.txt", "x.txt", kFileNotFound},
      {"a.txt", "taken.txt", kCannotRenameFile},
      {"a.txt", "sub/a.txt", kCannotRenameFile},  // would leave the folder
      {"a.txt", "../a.txt", kCannotRenameFile},
      {"a.txt", "..", kCannotRenameFile},
      {"a.txt", "", kCannotRenameFile},
      {"a.txt", "b.txt", kOk},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RenameFile(P(c.from), c.name), c.expected) << c.from << " -> " << c.name;
  }
  EXPECT_EQ(test::ReadTestFile(folder_.Join("b.txt")), "a");
  EXPECT_EQ(test::ReadTestFile(folder_.Join("taken.txt")), "t");
  EXPECT_FALSE(FileExists(P("a.txt")));
  EXPECT_FALSE(FileExists(P("sub/a.txt")));
}

TEST_F(FileOperationsTest, RenameFolder) {
  MakeTestFolder(folder_.Join("a/"));
  MakeTestFolder(folder_.Join("a/x/"));
  WriteTestFile(folder_.Join("a/x/f.txt"), "f");
  MakeTestFolder(folder_.Join("a/taken/"));
  MakeTestFolder(folder_.Join("b/"));
  std::string full_same_parent = folder_.Join("a/z/");
  std::string full_other_parent = folder_.Join("b/y/");
  struct Case {
    const char* from;
    std::string name;
    Result expected;
  } cases[] = {
      {"a/missing/", "y", kFolderNotFound},
      {"a/x/", "taken", kCannotRenameFolder},
      {"a/x/", full_other_parent, kBadFolder},
      {"a/x/", "..", kCannotRenameFolder},
      {"a/x/", "y", kOk},
      {"a/y/", full_same_parent, kOk},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RenameFolder(P(c.from), S(c.name)), c.expected) << c.from << " -> " << c.name;
  }
  EXPECT_EQ(test::ReadTestFile(folder_.Join("a/z/f.txt")), "f");
  EXPECT_FALSE(FolderExists(P("a/x/")));
  EXPECT_FALSE(FolderExists(P("b/y/")));
  EXPECT_TRUE(FolderExists(P("a/taken/")));
}

}  // namespace
}  // namespace mv
