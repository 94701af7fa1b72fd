// What stands in the way of a write, found after it failed: the nearest
// existing part of the path and the problem with it.
#include "platform/write_problem.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "stream/file_info.h"
#include "stream/tag_record.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_folder.h"
#include "tests/fs/fs_test_files.h"

namespace mv::platform {
namespace {

TEST(WriteProblem, TheNearestPartOfThePathThatStandsInTheWay) {
  test::TempFolder folder;
  test::MakeTree(folder.path(), {{"plain.txt", "x"}, {"locked.txt", "x"}, {"sub/", ""}});
  TagRecord read_only;
  read_only.SetU8(kInfoTagReadOnly, 1, true);
  ASSERT_EQ(SetFileInfo(String(folder.Join("locked.txt").c_str()), &read_only), kOk);
  const std::string sub = folder.Join("sub");
  const struct {
    const char* name;
    std::string path;
    uint64_t needed;
    WriteProblem problem;
    std::string where;
  } cases[] = {
      {"a file where a folder is needed", folder.Join("plain.txt/new/x.txt"), 0, WriteProblem::kNotAFolder,
       folder.Join("plain.txt")},
      {"a folder where a file goes", sub, 0, WriteProblem::kIsFolder, sub},
      {"a read-only file", folder.Join("locked.txt"), 0, WriteProblem::kReadOnlyFile, folder.Join("locked.txt")},
      {"more than the file system holds", folder.Join("sub/a/b.bin"), UINT64_MAX, WriteProblem::kNoSpace, sub},
      {"missing folders below a writable one", folder.Join("sub/a/b/c.txt"), 0, WriteProblem::kNone, ""},
      {"a folder path to an existing folder", folder.Join("sub/"), 0, WriteProblem::kNone, ""},
  };
  for (const auto& c : cases) {
    const WriteDiagnosis found = DiagnoseWrite(c.path.c_str(), c.needed);
    EXPECT_EQ(found.problem, c.problem) << c.name;
    std::string where = test::Text(found.where);
    if (!where.empty() && where.back() == '/') where.pop_back();
    EXPECT_EQ(where, c.where) << c.name;
  }
  TagRecord writable;
  writable.SetU8(kInfoTagReadOnly, 0, true);
  SetFileInfo(String(folder.Join("locked.txt").c_str()), &writable);
}

}  // namespace
}  // namespace mv::platform
