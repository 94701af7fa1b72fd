// Folder creation, deletion of files and trees, and renames, on real files.
#include "fs/file_operations.h"

#include <gtest/gtest.h>

#include <string>

#include "fs/disk_query.h"
#include "stream/file_info.h"
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
      {"old/", kOk, true},           // exists already
      {"a/d", kBadArgument, false},  // no trailing '/'
      {"f.txt/", kFailed, false},  // its parent exists, a file holds the name
      {"f.txt/x/", kFolderNotMade, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeFolder(P(c.relative)), c.expected) << c.relative;
    EXPECT_EQ(FolderExists(P(c.relative)), c.exists_after) << c.relative;
  }
}

TEST_F(FileOperationsTest, ReadOnlyFilesAreNeverDeleted) {
  MakeTestFolder(folder_.Join("tree/"));
  MakeTestFolder(folder_.Join("tree/a/"));
  MakeTestFolder(folder_.Join("tree/a/b/"));
  MakeTestFolder(folder_.Join("tree/Recycled/"));
  WriteTestFile(folder_.Join("tree/Recycled/bin.txt"), "3");  // excluded folders go too
  WriteTestFile(folder_.Join("tree/a/hidden.txt"), "4");
  SetFlag("tree/a/hidden.txt", kInfoTagHidden);
  WriteTestFile(folder_.Join("tree/a/b/locked.txt"), "5");
  SetFlag("tree/a/b/locked.txt", kInfoTagReadOnly);
  WriteTestFile(folder_.Join("plain.txt"), "x");

  EXPECT_EQ(RemoveFile(P("tree/a/b/locked.txt")), kCannotDeleteFile);
  EXPECT_EQ(RemoveFile(P("tree/a")), kCannotDeleteFile) << "a folder";
  EXPECT_EQ(RemoveFile(P("missing.txt")), kCannotDeleteFile);
  EXPECT_EQ(RemoveFile(P("plain.txt")), kOk);
  EXPECT_FALSE(FileExists(P("plain.txt")));
  EXPECT_EQ(DeleteFolderTree(P("tree/")), kCannotDeleteFile) << "stops at a read-only file";
  EXPECT_TRUE(FileExists(P("tree/a/b/locked.txt")));
  ASSERT_EQ(ClearFileInfo(P("tree/a/b/locked.txt")), kOk);
  EXPECT_EQ(DeleteFolderTree(P("tree/")), kOk);
  EXPECT_FALSE(FolderExists(P("tree/")));
  EXPECT_EQ(DeleteFolderTree(P("missing/")), kBadFolder);

  MakeTestFolder(folder_.Join("empty/"));
  WriteTestFile(folder_.Join("empty/x"), "x");
  EXPECT_EQ(RemoveEmptyFolder(P("empty/")), kCannotRemoveFolder);
  ASSERT_EQ(RemoveFile(P("empty/x")), kOk);
  EXPECT_EQ(RemoveEmptyFolder(P("empty/")), kOk);
  EXPECT_FALSE(FolderExists(P("empty/")));
}

TEST_F(FileOperationsTest, RenamesStayInTheirFolder) {
  MakeTestFolder(folder_.Join("a/"));
  MakeTestFolder(folder_.Join("a/x/"));
  WriteTestFile(folder_.Join("a/x/f.txt"), "f");
  WriteTestFile(folder_.Join("a/x/taken.txt"), "t");
  MakeTestFolder(folder_.Join("a/taken/"));
  MakeTestFolder(folder_.Join("b/"));
  struct Case {
    bool folder;
    const char* from;
    std::string name;
    Result expected;
  } cases[] = {
      {false, "a/missing.txt", "x.txt", kFileNotFound},
      {false, "a/x/f.txt", "taken.txt", kCannotRenameFile},
      {false, "a/x/f.txt", "../f.txt", kCannotRenameFile},  // would leave the folder
      {false, "a/x/f.txt", "..", kCannotRenameFile},
      {false, "a/x/f.txt", "g.txt", kOk},
      {true, "a/missing/", "y", kFolderNotFound},
      {true, "a/x/", "taken", kCannotRenameFolder},
      {true, "a/x/", folder_.Join("b/y/"), kBadFolder},
      {true, "a/x/", "y", kOk},
      {true, "a/y/", folder_.Join("a/z/"), kOk},  // a full path in the same parent
  };
  for (const Case& c : cases) {
    Result r = c.folder ? RenameFolder(P(c.from), S(c.name)) : RenameFile(P(c.from), c.name.c_str());
    EXPECT_EQ(r, c.expected) << c.from << " -> " << c.name;
  }
  EXPECT_EQ(test::ReadTestFile(folder_.Join("a/z/g.txt")), "f");
  EXPECT_EQ(test::ReadTestFile(folder_.Join("a/z/taken.txt")), "t");
  EXPECT_FALSE(FileExists(P("a/f.txt")));
  EXPECT_FALSE(FolderExists(P("b/y/")));
}

}  // namespace
}  // namespace mv
