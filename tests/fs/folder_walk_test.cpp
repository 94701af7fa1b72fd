// Walk options, cancel and error rules and exclusions,
// on real trees in a per-test folder.
#include "fs/folder_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "stream/file_info.h"
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
  std::map<std::string, Result> failures;  // entries whose callback fails
  std::string root;                        // the root every call must carry
};

Result Record(const char* root, const char* relative, const char* name, int is_folder,
              uintptr_t user1, uintptr_t user2, uintptr_t user3) {
  auto* recorder = reinterpret_cast<Recorder*>(user1);
  EXPECT_EQ(user2, 22u);
  EXPECT_EQ(user3, 33u);
  EXPECT_EQ(recorder->root, root);
  if (is_folder != 0) {
    EXPECT_STREQ(name, "") << relative;
  }
  std::string entry = std::string(is_folder != 0 ? "D " : "F ") + relative + name;
  recorder->seen.push_back(entry);
  auto failure = recorder->failures.find(entry);
  return failure == recorder->failures.end() ? kOk : failure->second;
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
    for (size_t j = 0; j < seen.size() && seen[i][0] == 'D'; ++j) {
      if (j == i || seen[j].compare(2, seen[i].size() - 2, seen[i], 2) != 0) continue;
      EXPECT_EQ(j > i, !after) << seen[i] << " against " << seen[j];
    }
  }
}

const std::vector<std::string> kAllButExcluded = {
    "D empty/", "D sub/", "D sub/deep/", "F a.txt", "F sub/b.txt", "F sub/deep/c.txt"};

const struct {
  uint32_t options;
  std::vector<std::string> expected;
} kOptionCases[] = {
    {0, kAllButExcluded},
    {kWalkFoldersAfterContents, kAllButExcluded},
    {kWalkFilesOnly | kWalkFoldersAfterContents, {"F a.txt", "F sub/b.txt", "F sub/deep/c.txt"}},  // still walked
    {kWalkTopOnly | kWalkIncludeExcluded, {"F a.txt"}},
    {kWalkIncludeExcluded,
     {"D Recycled/", "D empty/", "D sub/", "D sub/RECYCLER/", "D sub/deep/", "F Recycled/x.txt",
      "F a.txt", "F sub/b.txt", "F sub/deep/c.txt"}},
    {kWalkContinueOnError | 1 | 4 | 128, kAllButExcluded},  // unknown bits are ignored
};

TEST_F(FolderWalkTest, OptionsChooseWhatIsReportedAndInWhichOrder) {
  for (const auto& c : kOptionCases) {
    Recorder recorder;
    EXPECT_EQ(Walk(&recorder, c.options), kOk) << "options " << c.options;
    EXPECT_EQ(Sorted(recorder.seen), Sorted(c.expected)) << "options " << c.options;
    ExpectFolderOrder(recorder.seen, (c.options & kWalkFoldersAfterContents) != 0);
  }
}

TEST_F(FolderWalkTest, CallbackFailuresEndTheWalkUnlessContinuingThenTheLatestCounts) {
  struct Case {
    uint32_t options;
    std::map<std::string, Result> failures;
    bool visits_all;
  } cases[] = {
      // A cancel stops at once whatever the options.
      {kWalkFoldersAfterContents | kWalkContinueOnError, {{"F sub/deep/c.txt", kCancelled}}, false},
      {0, {{"F sub/b.txt", kCannotDeleteFile}}, false},
      {kWalkContinueOnError, {{"F a.txt", kCannotDeleteFile}, {"D sub/deep/", kCannotRemoveFolder}}, true},
  };
  for (const Case& c : cases) {
    Recorder recorder;
    recorder.failures = c.failures;
    Result r = Walk(&recorder, c.options);
    Result latest = kOk;
    for (const std::string& entry : recorder.seen) {
      if (c.failures.count(entry) != 0) latest = c.failures.at(entry);
    }
    EXPECT_EQ(r, latest) << "options " << c.options;
    if (c.visits_all) {
      EXPECT_EQ(Sorted(recorder.seen), Sorted(kAllButExcluded));
    } else {
      ASSERT_FALSE(recorder.seen.empty());
      EXPECT_EQ(c.failures.count(recorder.seen.back()), 1u) << "no call after the failure, options " << c.options;
    }
  }
}

TEST_F(FolderWalkTest, BadArgumentsAndRelativeStart) {
  Recorder recorder;
  EXPECT_EQ(WalkFolder(S(folder_.path()), "", nullptr, 0, 0, 0, 0), kBadArgument);
  auto user = reinterpret_cast<uintptr_t>(&recorder);
  EXPECT_EQ(WalkFolder(S(folder_.Join("sub")), "", &Record, user, 22, 0, 33), kBadFolder) << "no '/'";
  EXPECT_EQ(Walk(&recorder, 0, "missing/"), kFolderNotFound);
  EXPECT_TRUE(recorder.seen.empty());
  EXPECT_EQ(Walk(&recorder, kWalkFilesOnly, "sub/"), kOk) << "starts below the root";
  EXPECT_EQ(Sorted(recorder.seen), Sorted({"F sub/b.txt", "F sub/deep/c.txt"}));
}

TEST_F(FolderWalkTest, ExclusionRules) {
  MakeTestFolder(folder_.Join("Temporary Internet Files/"));
  MakeTestFolder(folder_.Join("recycled.old/"));
  EXPECT_TRUE(IsExcludedFolder(S(folder_.Join("Recycled/"))));
  EXPECT_TRUE(IsExcludedFolder(S(folder_.Join("sub/RECYCLER/"))));
  EXPECT_FALSE(IsExcludedFolder(S(folder_.Join("recycled.old/"))));
  EXPECT_FALSE(IsExcludedFolder(S(folder_.Join("recycler/")))) << "does not exist";
  String cache = S(folder_.Join("Temporary Internet Files/"));
  EXPECT_FALSE(IsExcludedFolder(cache)) << "no system flag yet";
  TagRecord info;
  info.SetU8(kInfoTagSystem, 1, true);
  ASSERT_EQ(SetFolderInfo(cache, &info), kOk);
  EXPECT_TRUE(IsExcludedFolder(cache)) << "with the system flag";

  // An excluded root is skipped unless included.
  Recorder recorder;
  recorder.root = folder_.Join("Recycled/");
  auto user = reinterpret_cast<uintptr_t>(&recorder);
  EXPECT_EQ(WalkFolder(S(recorder.root), "", &Record, user, 22, 0, 33), kOk);
  EXPECT_TRUE(recorder.seen.empty());
  EXPECT_EQ(WalkFolder(S(recorder.root), "", &Record, user, 22, kWalkIncludeExcluded, 33), kOk);
  EXPECT_EQ(recorder.seen, std::vector<std::string>{"F x.txt"});
}

}  // namespace
}  // namespace mv
