// Walk options, cancel and error rules, exclusions and the plain listing,
// on real trees in a per-test folder.
#include "fs/folder_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fs/file_info.h"
#include "stream/tag_record.h"
#include "tests/fs/fs_test_files.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

using test::MakeTestFolder;
using test::S;
using test::WriteTestFile;

// One reported entry: "D sub/" for a folder, "F sub/b.txt" for a file.
struct Recorder {
  std::vector<std::string> seen;
  std::string fail_at;   // the entry whose callback fails
  Result fail_with = kOk;
  std::string root;      // the root every call must carry
};

Result Record(const char* root, const char* relative, const char* name, int is_folder,
              uintptr_t user1, uintptr_t user2, uintptr_t user3) {
  auto* recorder = reinterpret_cast<Recorder*>(user1);
  EXPECT_EQ(user2, 22u);
  EXPECT_EQ(user3, 33u);
  EXPECT_EQ(recorder->root, root);
  if (is_folder != 0) EXPECT_STREQ(name, "") << relative;
  std::string entry = std::string(is_folder != 0 ? "D " : "F ") + relative + name;
  recorder->seen.push_back(entry);
  return entry == recorder->fail_at ? recorder->fail_with : kOk;
}

class FolderWalkTest : public testing::Test {
 protected:
  void SetUp() override {
    WriteTestFile(folder_.Join("a.txt"), "a");
    MakeTestFolder(folder_.Join("sub/"));
    WriteTestFile(folder_.Join("sub/b.txt"), "bb");
    MakeTestFolder(folder_.Join("sub/deep/"));
    WriteTestFile(folder_.Join("sub/deep/c.txt"), "ccc");
    MakeTestFolder(folder_.Join("empty/"));
    MakeTestFolder(folder_.Join("Recycled/"));
    WriteTestFile(folder_.Join("Recycled/x.txt"), "x");
    MakeTestFolder(folder_.Join("sub/RECYCLER/"));
  }

  Result Walk(Recorder* recorder, uint32_t options, const char* relative = "") {
    recorder->root = folder_.path();
    return WalkFolder(S(folder_.path()), relative, &Record, reinterpret_cast<uintptr_t>(recorder),
                      22, options, 33);
  }

  test::TempFolder folder_;
};

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// Checks that every folder is reported before (or after) everything inside.
void ExpectFolderOrder(const std::vector<std::string>& seen, bool after) {
  for (size_t i = 0; i < seen.size(); ++i) {
    if (seen[i][0] != 'D') continue;
    std::string folder = seen[i].substr(2);
    for (size_t j = 0; j < seen.size(); ++j) {
      std::string other = seen[j].substr(2);
      if (j == i || other.compare(0, folder.size(), folder) != 0) continue;
      EXPECT_EQ(j > i, !after) << seen[i] << " against " << seen[j];
    }
  }
}

struct OptionCase {
  uint32_t options;
  std::vector<std::string> expected;
};

const std::vector<std::string> kAllButExcluded = {
    "D empty/", "D sub/", "D sub/deep/", "F a.txt", "F sub/b.txt", "F sub/deep/c.txt"};
const std::vector<std::string> kFilesButExcluded = {"F a.txt", "F sub/b.txt", "F sub/deep/c.txt"};

const OptionCase kOptionCases[] = {
    {0, kAllButExcluded},
    {kWalkFoldersAfterContents, kAllButExcluded},
    {kWalkFilesOnly, kFilesButExcluded},
    {kWalkFilesOnly | kWalkFoldersAfterContents, kFilesButExcluded},  // 8 wins, still walked
    {kWalkTopOnly, {"F a.txt"}},
    {kWalkTopOnly | kWalkFoldersAfterContents, {"F a.txt"}},
    {kWalkTopOnly | kWalkIncludeExcluded, {"F a.txt"}},
    {kWalkIncludeExcluded,
     {"D Recycled/", "D empty/", "D sub/", "D sub/RECYCLER/", "D sub/deep/", "F Recycled/x.txt",
      "F a.txt", "F sub/b.txt", "F sub/deep/c.txt"}},
    {kWalkIncludeExcluded | kWalkFilesOnly,
     {"F Recycled/x.txt", "F a.txt", "F sub/b.txt", "F sub/deep/c.txt"}},
    {kWalkContinueOnError | 1 | 4 | 128, kAllButExcluded},  // unknown bits are ignored
};

TEST_F(FolderWalkTest, OptionsChooseWhatIsReportedAndInWhichOrder) {
  for (const OptionCase& c : kOptionCases) {
    Recorder recorder;
    EXPECT_EQ(Walk(&recorder, c.options), kOk) << "options " << c.options;
    EXPECT_EQ(Sorted(recorder.seen), Sorted(c.expected)) << "options " << c.options;
    ExpectFolderOrder(recorder.seen, (c.options & kWalkFoldersAfterContents) != 0);
  }
}

TEST_F(FolderWalkTest, CallbackFailuresEndTheWalkUnlessContinuing) {
  struct Case {
    uint32_t options;
    std::string fail_at;
    Result fail_with;
    bool visits_all;
  } cases[] = {
      // A cancel stops at once whatever the options.
      {0, "F sub/deep/c.txt", kCancelled, false},
      {kWalkFoldersAfterContents | kWalkContinueOnError, "F sub/deep/c.txt", kCancelled, false},
      {0, "F sub/b.txt", kCannotDeleteFile, false},
      {kWalkContinueOnError, "D sub/deep/", kCannotRemoveFolder, true},
  };
  for (const Case& c : cases) {
    Recorder recorder;
    recorder.fail_at = c.fail_at;
    recorder.fail_with = c.fail_with;
    EXPECT_EQ(Walk(&recorder, c.options), c.fail_with) << c.options << " " << c.fail_at;
    if (c.visits_all) {
      EXPECT_EQ(Sorted(recorder.seen), Sorted(kAllButExcluded));
    } else {
      ASSERT_FALSE(recorder.seen.empty());
      EXPECT_EQ(recorder.seen.back(), c.fail_at) << "no call after the failure, options " << c.options;
    }
  }
}

Result FailEveryFile(const char*, const char*, const char* name, int is_folder, uintptr_t user1,
                     uintptr_t, uintptr_t) {
  auto* order = reinterpret_cast<std::vector<std::string>*>(user1);
  if (is_folder != 0) return kOk;
  order->push_back(name);
  return static_cast<Result>(1000 + name[0]);  // a distinct code per file
}

TEST_F(FolderWalkTest, ContinueOptionRemembersTheLatestError) {
  std::vector<std::string> order;
  Result r = WalkFolder(S(folder_.path()), "", &FailEveryFile, reinterpret_cast<uintptr_t>(&order),
                        0, kWalkContinueOnError, 0);
  ASSERT_EQ(order.size(), 3u);
  EXPECT_EQ(r, static_cast<Result>(1000 + order.back()[0]));
}

TEST_F(FolderWalkTest, BadArgumentsMissingRootsAndRelativeStart) {
  Recorder recorder;
  EXPECT_EQ(WalkFolder(S(folder_.path()), "", nullptr, 0, 0, 0, 0), kBadArgument);
  String missing = S(folder_.Join("missing/"));
  EXPECT_EQ(WalkFolder(missing, "", &Record, reinterpret_cast<uintptr_t>(&recorder), 22, 0, 33),
            kBadFolder);
  String without_slash = S(folder_.Join("sub"));
  EXPECT_EQ(WalkFolder(without_slash, "", &Record, reinterpret_cast<uintptr_t>(&recorder), 22, 0, 33),
            kBadFolder);
  EXPECT_EQ(Walk(&recorder, 0, "missing/"), kFolderNotFound);
  EXPECT_TRUE(recorder.seen.empty());
  // A relative folder starts the walk below the root.
  EXPECT_EQ(Walk(&recorder, kWalkFilesOnly, "sub/"), kOk);
  EXPECT_EQ(Sorted(recorder.seen), Sorted({"F sub/b.txt", "F sub/deep/c.txt"}));
}

TEST_F(FolderWalkTest, ExcludedRootIsSkippedUnlessIncluded) {
  Recorder recorder;
  recorder.root = folder_.Join("Recycled/");
  auto user = reinterpret_cast<uintptr_t>(&recorder);
  EXPECT_EQ(WalkFolder(S(recorder.root), "", &Record, user, 22, 0, 33), kOk);
  EXPECT_TRUE(recorder.seen.empty());
  EXPECT_EQ(WalkFolder(S(recorder.root), "", &Record, user, 22, kWalkIncludeExcluded, 33), kOk);
  EXPECT_EQ(recorder.seen, std::vector<std::string>{"F x.txt"});
}

TEST_F(FolderWalkTest, ExclusionRules) {
  MakeTestFolder(folder_.Join("Temporary Internet Files/"));
  MakeTestFolder(folder_.Join("temporary internet files (2)/"));
  MakeTestFolder(folder_.Join("recycled.old/"));
  struct Case {
    std::string folder;
    bool excluded;
  } cases[] = {
      {folder_.Join("Recycled/"), true},
      {folder_.Join("sub/RECYCLER/"), true},
      {folder_.Join("recycled.old/"), false},
      {folder_.Join("Temporary Internet Files/"), false},  // no system flag yet
      {folder_.Join("temporary internet files (2)/"), false},
      {folder_.Join("recycler/"), false},  // does not exist
      {folder_.Join("sub/"), false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsExcludedFolder(S(c.folder)), c.excluded) << c.folder;

  TagRecord info;
  info.SetU8(kInfoTagSystem, 1, true);
  String cache = S(folder_.Join("Temporary Internet Files/"));
  ASSERT_EQ(SetFolderInfo(cache, &info), kOk);
  EXPECT_TRUE(IsExcludedFolder(cache)) << "with the system flag";
}

TEST_F(FolderWalkTest, ListFolderGivesFullPathsFoldersFirst) {
  test::TempFolder small;
  WriteTestFile(small.Join("a.txt"), "a");
  MakeTestFolder(small.Join("sub/"));
  WriteTestFile(small.Join("sub/b.txt"), "b");
  StringArray files;
  ASSERT_EQ(ListFolder(S(small.path()), &files), kOk);
  std::vector<std::string> listed;
  for (int32_t i = 0; i < files.GetCount(); ++i) listed.push_back(files[i].c_str());
  EXPECT_EQ(Sorted(listed), Sorted({small.Join("a.txt"), small.Join("sub/"), small.Join("sub/b.txt")}));
  auto sub = std::find(listed.begin(), listed.end(), small.Join("sub/"));
  auto inside = std::find(listed.begin(), listed.end(), small.Join("sub/b.txt"));
  EXPECT_LT(sub, inside);
  EXPECT_EQ(ListFolder(S(small.path()), nullptr), kBadArgument);
}

}  // namespace
}  // namespace mv
