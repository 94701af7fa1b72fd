#include "fs/directory_copy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "fs/disk_query.h"
#include "fs/folder_walk.h"
#include "stream/file_info.h"
#include "stream/file_stream.h"
#include "stream/tag_record.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

class DirectoryCopyTest : public testing::Test {
 protected:
  String Path(const std::string& relative) const { return String(folder_.Join(relative).c_str()); }
  test::TempFolder folder_;
};

TEST_F(DirectoryCopyTest, CopiesFilesWithTimesAndReadOnlyButNoEmptyFolders) {
  test::MakeTree(folder_.Join("src/"), test::SampleTree());
  test::MakeTree(folder_.Join("src/"),
                 {{"Recycled/deleted.txt", "gone"}, {"a/RECYCLED/old.txt", "gone"}, {"locked.txt", "locked"}});
  TagRecord flags;
  flags.SetU8(kInfoTagReadOnly, 1, true);
  ASSERT_EQ(SetFileInfo(Path("src/locked.txt"), &flags), kOk);
  ASSERT_EQ(DirectoryCopy(Path("src/"), Path("dst/"), true, nullptr), kOk);

  test::Snapshot expected = test::TakeSnapshot(folder_.Join("src/"));
  test::Snapshot got = test::TakeSnapshot(folder_.Join("dst/"));
  for (const char* dropped : {"docs/deep/empty folder/", "Recycled/", "Recycled/deleted.txt", "a/", "a/RECYCLED/",
                              "a/RECYCLED/old.txt"}) {
    expected.entries.erase(dropped);
    expected.times.erase(dropped);
  }
  EXPECT_EQ(got.entries, expected.entries);
  EXPECT_EQ(got.times, expected.times);
  TagRecord copied;
  ASSERT_EQ(GetFileInfo(Path("dst/locked.txt"), &copied), kOk);
  EXPECT_EQ(copied.GetU8(kInfoTagReadOnly, 0), 1);
  // Every other file is replaced; the read-only one alone is named.
  String last_failed;
  StringArray not_copied;
  EXPECT_EQ(DirectoryCopy(Path("src/"), Path("dst/"), true, nullptr, &last_failed, &not_copied), kCannotOpen)
      << "read-only target";
  ASSERT_EQ(not_copied.GetCount(), 1);
  EXPECT_EQ(std::string(not_copied[0].c_str()), "locked.txt");
}

TEST_F(DirectoryCopyTest, RefusalsAndSingleFileRules) {
  test::MakeTree(folder_.Join("src/"), {{"a.txt", "alpha"}, {"taken.txt", "old"}});
  std::filesystem::create_directories(folder_.Join("empty"));
  const struct {
    const char* name;
    String source;
    String target;
    bool replace;
    Result expected;
  } cases[] = {
      {"no source folder", Path("missing/"), Path("new/"), true, kFolderNotFound},
      {"target folder exists", Path("src/"), Path("empty/"), false, kTargetFolderExists},
      {"empty source", Path("empty/"), Path("never/"), true, kOk},
      {"no source file", Path("missing.txt"), Path("x.txt"), true, kFileNotFound},
      {"target file exists", Path("src/a.txt"), Path("src/taken.txt"), false, kTargetFileExists},
      {"bare name as target", Path("src/a.txt"), String("plain.txt"), true, kBadArgument},
      {"into a folder path", Path("src/a.txt"), Path("into/deep/"), true, kOk},
      {"replacing", Path("src/a.txt"), Path("src/taken.txt"), true, kOk},
  };
  for (const auto& c : cases) {
    bool folder = std::string(c.source.c_str()).back() == '/';
    Result r = folder ? DirectoryCopy(c.source, c.target, c.replace, nullptr)
                      : CopySingleFile(c.source, c.target, c.replace, nullptr);
    EXPECT_EQ(r, c.expected) << c.name;
  }
  EXPECT_FALSE(FolderExists(Path("never/"))) << "an empty source makes no target";
  EXPECT_TRUE(test::ListNames(folder_.Join("empty/")).empty());
  EXPECT_EQ(test::ReadFileText(folder_.Join("into/deep/a.txt")), "alpha");
  EXPECT_EQ(test::ReadFileText(folder_.Join("src/taken.txt")), "alpha");
}

TEST_F(DirectoryCopyTest, GoesOnPastFailuresAndReportsTheLastOne) {
  // Two files whose targets cannot be written: "x.txt" is a folder at the
  // target, and "sub/" is a file there, so sub/y.txt's folder cannot be made.
  test::MakeTree(folder_.Join("src/"), {{"x.txt", "x"}, {"sub/y.txt", "y"}, {"ok1.txt", "1"}, {"zz/ok2.txt", "2"}});
  std::filesystem::create_directories(folder_.Join("dst/x.txt"));
  test::WriteFileText(folder_.Join("dst/sub"), "in the way");

  StringArray order;
  ASSERT_EQ(ListFolder(Path("src/"), &order), kOk);
  int32_t x_at = -1;
  int32_t y_at = -1;
  for (int32_t i = 0; i < order.GetCount(); ++i) {
    if (order[i] == Path("src/x.txt")) x_at = i;
    if (order[i] == Path("src/sub/y.txt")) y_at = i;
  }
  String failed;
  Result r = DirectoryCopy(Path("src/"), Path("dst/"), true, nullptr, &failed);
  EXPECT_EQ(r, x_at > y_at ? kCannotOpen : kFolderNotMade);
  EXPECT_STREQ(failed.c_str(), x_at > y_at ? "x.txt" : "sub/y.txt");
  EXPECT_EQ(test::ReadFileText(folder_.Join("dst/ok1.txt")), "1");
  EXPECT_EQ(test::ReadFileText(folder_.Join("dst/zz/ok2.txt")), "2");
}

// Whatever the target tree holds, nothing is written outside it: links met
// below the target are refused for their file, the copy goes on, and files
// with other hard links are replaced rather than written through.
TEST_F(DirectoryCopyTest, NeverWritesThroughLinksInTheTarget) {
  namespace fs = std::filesystem;
  test::MakeTree(folder_.Join("src/"), {{"sub/deeper/x.txt", "x"}, {"f.txt", "new f"}, {"h.txt", "new h"},
                                        {"ok.txt", "ok"}});
  test::MakeTree(folder_.Join("outside/"), {{"secret.txt", "secret"}, {"h2.txt", "old h"}});
  fs::create_directories(folder_.Join("dst"));
  using test::LinkKind;
  std::string error = test::MakeLink(LinkKind::kFolderSymlink, folder_.Join("outside"), folder_.Join("dst/sub"));
  if (error.empty()) {
    error = test::MakeLink(LinkKind::kFileSymlink, folder_.Join("outside/secret.txt"), folder_.Join("dst/f.txt"));
  }
  if (error.empty()) error = test::MakeLink(LinkKind::kHardLink, folder_.Join("outside/h2.txt"), folder_.Join("dst/h.txt"));
  if (error.empty()) {
    error = test::MakeLink(LinkKind::kFolderSymlink, folder_.Join("outside"), folder_.Join("linked-target"));
  }
  if (!error.empty()) GTEST_SKIP() << "links cannot be made here: " << error;
  const auto outside_before = test::TakeSnapshot(folder_.Join("outside/")).entries;

  String failed;
  Result r = DirectoryCopy(Path("src/"), Path("dst/"), true, nullptr, &failed);
  EXPECT_EQ(r, kLinkInTarget);
  EXPECT_TRUE(failed == "sub/deeper/x.txt" || failed == "f.txt") << failed.c_str();
  EXPECT_EQ(test::ReadFileText(folder_.Join("dst/ok.txt")), "ok") << "the copy goes on past a refused file";
  EXPECT_EQ(test::ReadFileText(folder_.Join("dst/h.txt")), "new h");
  EXPECT_EQ(test::ReadFileText(folder_.Join("outside/h2.txt")), "old h") << "the other hard link keeps its bytes";
  EXPECT_EQ(DirectoryCopy(Path("src/"), Path("linked-target/"), false, nullptr), kTargetFolderExists)
      << "a link at the target's name counts as existing";
  EXPECT_EQ(SaveTextFile(Path("dst/f.txt"), String("message")), kLinkInTarget) << "the message file";
  EXPECT_EQ(test::TakeSnapshot(folder_.Join("outside/")).entries, outside_before);
  EXPECT_FALSE(fs::is_regular_file(fs::symlink_status(folder_.Join("dst/f.txt"))));
}

}  // namespace
}  // namespace mv
