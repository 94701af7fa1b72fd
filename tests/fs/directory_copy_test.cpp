#include "fs/directory_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/progress.h"
#include "fs/disk_query.h"
#include "fs/folder_walk.h"
#include "platform/system_faults.h"
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
  std::vector<CopyFailure> not_copied;
  EXPECT_EQ(DirectoryCopy(Path("src/"), Path("dst/"), true, nullptr, &not_copied), kCannotOpen) << "read-only target";
  ASSERT_EQ(not_copied.size(), 1u);
  EXPECT_EQ(std::string(not_copied[0].path.c_str()), "locked.txt");
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

// What the system refuses in the middle of a copy, made to fail through the
// platform's fault seam: the code names the cause, every failed file is
// listed, no file is left half-written or under a temporary name, and a
// file being replaced keeps its old content when its copy fails.
TEST_F(DirectoryCopyTest, SystemFailuresLeaveWholeFilesOnly) {
  using platform::Fault;
  using platform::SystemCall;
  const std::string big(300 * 1024, 'b');  // more than one write's worth
  const std::vector<test::TreeItem> tree = {{"a.txt", "alpha"}, {"big.bin", big}, {"sub/c.txt", "gamma"}};
  test::MakeTree(folder_.Join("src/"), tree);
  const struct {
    const char* name;
    platform::FaultRule rule;
    bool into_old;    // the target exists and every file is replaced
    Result expected;  // the copy's one code
    int failed;       // files named as not copied; -1: at least one (how many writes a
                      // file takes, and the order of the walk, differ between systems)
  } cases[] = {
      {"full disk at the first write", {SystemCall::kWrite, Fault::kDiskFull}, false, kDiskFull, 3},
      {"full disk after two writes", {SystemCall::kWrite, Fault::kDiskFull, 2}, false, kDiskFull, -1},
      {"full disk while replacing", {SystemCall::kWrite, Fault::kDiskFull}, true, kDiskFull, 3},
      {"no free space reported", {SystemCall::kFreeSpace, Fault::kDiskFull}, false, kDiskFull, 3},
      {"short writes", {SystemCall::kWrite, Fault::kShortWrite}, false, kOk, 0},
      {"device error", {SystemCall::kWrite, Fault::kIoError, 0, 1}, false, kTargetFileExists, 1},
      {"no permission to create", {SystemCall::kCreateFile, Fault::kNoPermission, 1, 1}, false, kCannotOpen, 1},
      {"no permission to replace", {SystemCall::kCreateFile, Fault::kNoPermission}, true, kCannotOpen, 3},
      {"a source file vanished", {SystemCall::kOpenSource, Fault::kVanished, 1, 1}, false, kCannotOpen, 1},
      {"the final rename refused", {SystemCall::kRename, Fault::kNoPermission, 0, 1}, true, kTargetFileExists, 1},
  };
  int round = 0;
  for (const auto& c : cases) {
    const std::string target = folder_.Join("dst" + std::to_string(round++) + "/");
    if (c.into_old) {
      test::MakeTree(target, {{"a.txt", "old a"}, {"big.bin", "old big"}, {"sub/c.txt", "old c"}});
    }
    std::vector<CopyFailure> failures;
    Result r;
    {
      platform::InjectedFaults faults({c.rule});
      r = DirectoryCopy(Path("src/"), String(target.c_str()), c.into_old, nullptr, &failures);
      EXPECT_GT(faults.FailedCalls(), 0u) << c.name;
    }
    EXPECT_EQ(r, c.expected) << c.name;
    if (c.failed >= 0) {
      EXPECT_EQ(failures.size(), static_cast<size_t>(c.failed)) << c.name;
    } else {
      EXPECT_FALSE(failures.empty()) << c.name;
    }
    for (const CopyFailure& failure : failures) EXPECT_NE(failure.code, kOk) << c.name;
    const test::Snapshot got = test::TakeSnapshot(target);
    for (const auto& [path, content] : got.entries) {
      if (path.back() == '/') continue;
      const bool whole = content == test::ReadFileText(folder_.Join("src/" + path)) ||
                         (c.into_old && content.rfind("old ", 0) == 0);
      EXPECT_TRUE(whole) << c.name << ": " << path << " holds " << content.size() << " bytes";
    }
    for (const std::string& name : test::ListNames(target)) {
      EXPECT_TRUE(name == "a.txt" || name == "big.bin" || name == "sub") << c.name << ": left behind " << name;
    }
  }
}

// Every file that fails is named, and the one code is the most serious
// failure whatever the walk's order: a link refused in the target outweighs
// the files that fail for other reasons after it.
TEST_F(DirectoryCopyTest, ReportsTheMostSeriousFailureAndEveryFailedFile) {
  // "x.txt" is a folder at the target, "sub/" a file there (so sub/y.txt's
  // folder cannot be made), and "l/" a link out of the target.
  test::MakeTree(folder_.Join("src/"), {{"x.txt", "x"}, {"sub/y.txt", "y"}, {"ok1.txt", "1"}, {"zz/ok2.txt", "2"},
                                        {"l/z.txt", "z"}});
  std::filesystem::create_directories(folder_.Join("dst/x.txt"));
  test::WriteFileText(folder_.Join("dst/sub"), "in the way");
  std::filesystem::create_directories(folder_.Join("outside"));
  std::string error = test::MakeLink(test::LinkKind::kFolderSymlink, folder_.Join("outside"), folder_.Join("dst/l"));
  const bool linked = error.empty();

  // The listener hears of the files that reached their place, and of no other.
  struct Told final : CopyListener {
    void Copied(const String& relative, uint64_t size) override { files.emplace_back(relative.c_str(), size); }
    std::vector<std::pair<std::string, uint64_t>> files;
  } told;
  std::vector<CopyFailure> failures;
  TargetFolder target(Path("dst/"), true);
  Result r = DirectoryCopy(Path("src/"), &target, nullptr, &failures, &told);
  EXPECT_EQ(r, linked ? kLinkInTarget : kFolderNotMade) << error;
  std::sort(told.files.begin(), told.files.end());
  std::vector<std::pair<std::string, uint64_t>> copied = {{"ok1.txt", 1}, {"zz/ok2.txt", 1}};
  if (!linked) copied.insert(copied.begin(), {"l/z.txt", 1});  // no link made: an ordinary folder
  EXPECT_EQ(told.files, copied);
  std::vector<std::pair<std::string, Result>> named;
  for (const CopyFailure& failure : failures) named.emplace_back(failure.path.c_str(), failure.code);
  std::sort(named.begin(), named.end());
  std::vector<std::pair<std::string, Result>> expected = {{"sub/y.txt", kFolderNotMade}, {"x.txt", kCannotOpen}};
  if (linked) expected.insert(expected.begin(), {"l/z.txt", kLinkInTarget});
  EXPECT_EQ(named, expected);
  EXPECT_EQ(test::ReadFileText(folder_.Join("dst/ok1.txt")), "1");
  EXPECT_EQ(test::ReadFileText(folder_.Join("dst/zz/ok2.txt")), "2");
  EXPECT_TRUE(test::ListNames(folder_.Join("outside/")).empty());
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

  std::vector<CopyFailure> failures;
  Result r = DirectoryCopy(Path("src/"), Path("dst/"), true, nullptr, &failures);
  EXPECT_EQ(r, kLinkInTarget);
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_EQ(failures[0].code, kLinkInTarget);
  EXPECT_EQ(failures[1].code, kLinkInTarget);
  EXPECT_EQ(test::ReadFileText(folder_.Join("dst/ok.txt")), "ok") << "the copy goes on past a refused file";
  EXPECT_EQ(test::ReadFileText(folder_.Join("dst/h.txt")), "new h");
  EXPECT_EQ(test::ReadFileText(folder_.Join("outside/h2.txt")), "old h") << "the other hard link keeps its bytes";
  EXPECT_EQ(DirectoryCopy(Path("src/"), Path("linked-target/"), false, nullptr), kTargetFolderExists)
      << "a link at the target's name counts as existing";
  EXPECT_EQ(DirectoryCopy(Path("src/"), Path("linked-target/"), true, nullptr), kLinkInTarget)
      << "and is never followed, not even with replace";
  EXPECT_EQ(SaveTextFile(Path("dst/f.txt"), String("message")), kLinkInTarget) << "the message file";
  EXPECT_EQ(test::TakeSnapshot(folder_.Join("outside/")).entries, outside_before);
  EXPECT_FALSE(fs::is_regular_file(fs::symlink_status(folder_.Join("dst/f.txt"))));
}

// No folder is trusted after one check: a folder of the target moved aside
// and replaced while its files are copied (after its fifth) receives none
// of the later files under its old name. Windows holds the folders it
// writes in against renaming, so the move is refused there; POSIX goes on
// writing into the moved folder through its descriptor.
struct Swap {
  std::string folder;  // the target's subfolder
  bool tried = false;
  bool moved = false;
};

Result SwapAfterFifthFile(int32_t code, int32_t, uintptr_t word1, uintptr_t) {
  auto* swap = reinterpret_cast<Swap*>(word1);
  std::error_code ec;
  if (code != kProgressPosition || swap->tried || !std::filesystem::is_directory(swap->folder, ec)) return kOk;
  if (test::ListNames(swap->folder + "/").size() < 5) return kOk;
  swap->tried = true;
  std::filesystem::rename(swap->folder, swap->folder + "-moved", ec);
  swap->moved = !ec;
  if (swap->moved) std::filesystem::create_directory(swap->folder, ec);  // the replacement
  return kOk;
}

TEST_F(DirectoryCopyTest, AFolderSwappedDuringTheCopyReceivesNothingUnderItsOldName) {
  std::vector<test::TreeItem> items;
  for (int i = 0; i < 30; ++i) items.push_back({"sub/f" + std::to_string(100 + i) + ".txt", "file"});
  test::MakeTree(folder_.Join("src/"), items);
  Swap swap{folder_.Join("dst/sub")};
  ProgressCallback progress{&SwapAfterFifthFile, reinterpret_cast<uintptr_t>(&swap), 0};
  EXPECT_EQ(DirectoryCopy(Path("src/"), Path("dst/"), false, &progress), kOk);
  ASSERT_TRUE(swap.tried);
#ifdef _WIN32
  EXPECT_FALSE(swap.moved) << "a folder being written in is held against renaming";
#endif
  const std::string original = swap.moved ? folder_.Join("dst/sub-moved/") : folder_.Join("dst/sub/");
  EXPECT_EQ(test::ListNames(original).size(), 30u);
  if (swap.moved) {
    EXPECT_TRUE(test::ListNames(folder_.Join("dst/sub/")).empty());
  }
}

// A delivery leaves out the files a copy's walk would leave out: those in a
// recycle bin whatever its attributes, and those in a folder of cached web
// pages only when the package marks that folder a system folder.
TEST(TargetDeliveryTest, TakesWhatTheCopysWalkTakes) {
  TargetFolder target(String("unused/"), false);
  TargetDelivery delivery(&target);
  delivery.NoteFolder(String("a/Temporary Internet Files"), platform::kAttributeSystem);
  delivery.NoteFolder(String("b/Temporary Internet Files/"), platform::kAttributeHidden);
  delivery.NoteFolder(String("c/recycled"), 0);
  const struct {
    const char* path;
    bool taken;
  } cases[] = {
      {"x.txt", true},
      {"recycled", true},  // a file of that name
      {"RECYCLED/x.txt", false},
      {"deep/Recycler/more/x.txt", false},
      {"c/recycled/x.txt", false},
      {"recycled.txt/x.txt", true},
      {"a/Temporary Internet Files/x.htm", false},
      {"a/Temporary Internet Files/sub/x.htm", false},
      {"b/Temporary Internet Files/x.htm", true},  // not a system folder
      {"Temporary Internet Files/x.htm", true},    // never marked
      {"a/Temporary Internet Files.htm", true},
  };
  for (const auto& c : cases) EXPECT_EQ(delivery.Takes(String(c.path)), c.taken) << c.path;
  EXPECT_EQ(delivery.GetResult(), kOk);
  EXPECT_FALSE(target.IsReached()) << "asking reaches nothing";
}

}  // namespace
}  // namespace mv
