// Free names for temporary files and folders, and the numbered folder
// series, against real folders.
#include "fs/temp_names.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fs/disk_query.h"
#include "fs/file_operations.h"
#include "platform/files.h"
#include "tests/fs/fs_test_files.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

using test::MakeTestFolder;
using test::S;
using test::WriteTestFile;

// The number between prefix and suffix of name, or -1 when the name does
// not have the shape prefix + decimal digits + suffix.
long NumberIn(const std::string& name, const std::string& prefix, const std::string& suffix) {
  if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix)) return -1;
  const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  return digits.size() <= 5 && digits.find_first_not_of("0123456789") == std::string::npos ? std::stol(digits) : -1;
}

TEST(TempNamesTest, UniqueFileNamesHaveTheirShapeAndCreationIsExclusive) {
  test::TempFolder folder;
  String name = MakeUniqueFileName(S(folder.path()), "", "x");
  long number = NumberIn(name.c_str(), "", ".x");
  EXPECT_GE(number, 0) << name.c_str();
  EXPECT_LT(number, 32768) << name.c_str();

  platform::File file;
  String path;
  ASSERT_EQ(CreateUniqueFile(S(folder.path()), "qzp_", "mef", &file, &path), kOk);
  EXPECT_GE(NumberIn(path.c_str(), folder.path() + "qzp_", ".mef"), 0) << path.c_str();
  EXPECT_EQ(QueryFileSize(path), 0u);
  ASSERT_EQ(file.Write("data", 4), 4u);
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(test::ReadTestFile(path.c_str()), "data");
  EXPECT_FALSE(file.CreateNew(path.c_str())) << "an existing name is never created anew";

  String missing = S(folder.Join("missing/"));
  EXPECT_TRUE(MakeUniqueFilePath(missing, "a", "b").IsEmpty());
  EXPECT_EQ(CreateUniqueFile(missing, "a", "b", &file, &path), kFolderNotFound);
}

TEST(TempNamesTest, TempFoldersAreNewFoldersWithThreeDigitsAtMost) {
  test::TempFolder parent;
  String first = MakeTempFolder(S(parent.path()), "QZDX_");
  String second = MakeTempFolder(S(parent.path()), "QZDX_");
  for (const String& made : {first, second}) {
    EXPECT_TRUE(FolderExists(made)) << made.c_str();
    long number = NumberIn(made.c_str(), parent.path() + "QZDX_", "/");
    EXPECT_GE(number, 0) << made.c_str();
    EXPECT_LT(number, 1000) << made.c_str();
  }
  EXPECT_NE(first, second) << "an existing folder is never handed out again";

  // A missing parent falls back to the system temporary folder, in internal form.
  String made = MakeTempFolder(S(parent.Join("missing/")), "mvfs_");
  EXPECT_LT(GetTempFolder().Find('\\'), 0);
  EXPECT_GE(NumberIn(made.c_str(), std::string(GetTempFolder().c_str()) + "mvfs_", "/"), 0) << made.c_str();
  EXPECT_EQ(RemoveEmptyFolder(made), kOk);
}

TEST(TempNamesTest, TempFolderGoesOnWithALongSuffixWhenTheSeriesIsTaken) {
  test::TempFolder parent;
  // Every name a folder "t" + the last three digits of 0..32767 can get;
  // files and folders both occupy a name.
  for (int n = 0; n < 1000; ++n) {
    std::string digits = std::to_string(n);
    WriteTestFile(parent.Join("t" + digits), "");
    char padded[8];
    std::snprintf(padded, sizeof padded, "t%03d/", n);
    if (n < 100) MakeTestFolder(parent.Join(padded));
  }
  String made;
  ASSERT_EQ(CreateTempFolder(S(parent.path()), "t", &made), kOk);
  const std::string name = made.c_str() + parent.path().size();
  EXPECT_EQ(name.size(), 1 + 16 + 1) << name;
  EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 1), 17u) << name;
}

TEST(TempNamesTest, NumberedFolderSeries) {
  struct Case {
    std::vector<std::string> folders;
    std::vector<std::string> files;
    const char* expected;
  } cases[] = {
      {{"out (1)/"}, {}, "out/"},
      {{"out/"}, {"out (1)"}, "out (2)/"},  // files occupy names too
      {{"out/", "out (2)/"}, {}, "out (1)/"},
  };
  for (const Case& c : cases) {
    test::TempFolder folder;
    for (const std::string& f : c.folders) MakeTestFolder(folder.Join(f));
    for (const std::string& f : c.files) WriteTestFile(folder.Join(f), "");
    String got = MakeUniqueFolderPath(S(folder.Join("out/")));
    EXPECT_EQ(std::string(got.c_str()), folder.Join(c.expected));
  }
}

}  // namespace
}  // namespace mv
