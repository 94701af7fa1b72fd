// The wipe on real files: what each pass leaves on disk before the file is
// truncated (seen through the pass hook), flags, cancel, and whole trees.
#include "container/secure_wipe.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "base/progress.h"
#include "fs/disk_query.h"
#include "platform/files.h"
#include "platform/system_faults.h"
#include "platform/temporary_area.h"
#include "tests/archive/entry_test_files.h"
#include "tests/fs/fs_test_files.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

using test::MakeTestFolder;
using test::ReadTestFile;
using test::S;
using test::TreeOf;
using test::WriteTestFile;

// What one overwrite pass left in the file: the bytes it wrote, the file's
// size, and its bytes as "00" or "FF" when all alike, else "mixed".
struct PassSeen {
  uint64_t written;
  uint32_t size;
  std::string pattern;
};
std::vector<PassSeen> g_passes;

void RecordPass(const String& path, uint64_t written) {
  std::string bytes = ReadTestFile(path.c_str());
  bool alike = std::all_of(bytes.begin(), bytes.end(), [&](char c) { return c == bytes[0]; });
  std::string pattern = bytes.empty() ? "" : !alike ? "mixed" : bytes[0] == '\0' ? "00" : bytes[0] == '\xFF' ? "FF" : "other";
  g_passes.push_back({written, QueryFileSize(path), pattern});
}

// Records the phases begun and refuses the position reports once
// reports_left runs out.
struct Listener {
  int reports_left;
  std::vector<int32_t> phases;
};

Result Listen(int32_t code, int32_t value, uintptr_t word1, uintptr_t) {
  auto* listener = reinterpret_cast<Listener*>(word1);
  if (code == kProgressBeginPhase) listener->phases.push_back(value);
  if (code != kProgressPosition) return kOk;
  return --listener->reports_left < 0 ? kCancelled : kOk;
}

class SecureWipeTest : public testing::Test {
 protected:
  void SetUp() override {
    g_passes.clear();
    SetWipePassHookForTesting(&RecordPass);
  }
  void TearDown() override { SetWipePassHookForTesting(nullptr); }

  test::TempFolder temp_;
};

// A read-only, hidden file is wiped like any other.
TEST_F(SecureWipeTest, ThreePassesWriteOnesZerosAndRandomOverWholeClusters) {
  std::string path = temp_.Join("f.bin");
  WriteTestFile(path, std::string(10000, 'q'));
  ASSERT_TRUE(platform::WriteAttributes(path.c_str(), platform::kAttributeReadOnly | platform::kAttributeHidden));
  uint32_t cluster = ClusterSize(S(path));
  uint64_t whole = (10000 + cluster - 1) / cluster * cluster;
  Listener listener{1 << 30, {}};
  ProgressCallback progress{&Listen, reinterpret_cast<uintptr_t>(&listener), 0};
  EXPECT_EQ(WipeFile(S(path), kWipeThreePasses, &progress), kOk);
  EXPECT_EQ(listener.phases, (std::vector<int32_t>{20, 20, 60}));
  ASSERT_EQ(g_passes.size(), 3u);
  for (const PassSeen& pass : g_passes) {
    EXPECT_EQ(pass.written, whole);
    EXPECT_EQ(pass.size, whole);
  }
  EXPECT_EQ(g_passes[0].pattern, "FF");
  EXPECT_EQ(g_passes[1].pattern, "00");
  EXPECT_NE(g_passes[2].pattern, "other");  // one random value per cluster
  EXPECT_TRUE(TreeOf(temp_.path()).empty());
  EXPECT_EQ(WipeFile(S(path), kWipeZeros, nullptr), kBadArgument);
}

TEST_F(SecureWipeTest, ACancelStopsThePassAndLeavesTheFile) {
  std::string path = temp_.Join("big.bin");
  WriteTestFile(path, std::string(200000, 'q'));
  uint32_t cluster = ClusterSize(S(path));
  Listener cancel{2, {}};
  ProgressCallback progress{&Listen, reinterpret_cast<uintptr_t>(&cancel), 0};
  EXPECT_EQ(WipeFile(S(path), kWipeZeros, &progress), kCancelled);
  // Two clusters were overwritten before the third report was refused.
  std::string bytes = ReadTestFile(path);
  ASSERT_EQ(bytes.size(), 200000u);
  EXPECT_EQ(bytes.substr(0, 2 * cluster), std::string(2 * cluster, '\0'));
  EXPECT_EQ(bytes.substr(2 * cluster), std::string(200000 - 2 * cluster, 'q'));
}

class WipeFolderTest : public SecureWipeTest {
 protected:
  void SetUp() override {
    SecureWipeTest::SetUp();
    root_ = temp_.Join("work/");
    for (const char* folder : {"", "a/", "a/b/", "Recycled/"}) MakeTestFolder(root_ + folder);
    for (const char* file : {"top.txt", "a/one.txt", "a/b/two.txt", "Recycled/bin.txt"}) {
      WriteTestFile(root_ + file, std::string(5000, 's'));
    }
    WriteTestFile(root_ + "a/b/locked.txt", "locked");
    ASSERT_TRUE(platform::WriteAttributes((root_ + "a/b/locked.txt").c_str(),
                                          platform::kAttributeReadOnly));
    ASSERT_TRUE(platform::WriteAttributes((root_ + "a/b/").c_str(), platform::kAttributeHidden));
  }

  std::string root_;
};

TEST_F(WipeFolderTest, WipesEveryFileAndRemovesTheTreeWhateverTheProgressAnswers) {
  Listener cancel_everything{0, {}};
  ProgressCallback progress{&Listen, reinterpret_cast<uintptr_t>(&cancel_everything), 0};
  EXPECT_EQ(WipeFolder(S(root_), kWipeZeros, &progress, false), kOk);
  EXPECT_EQ(g_passes.size(), 5u);  // excluded folders are wiped too
  EXPECT_EQ(cancel_everything.phases, std::vector<int32_t>{10});
  EXPECT_TRUE(TreeOf(temp_.path()).empty());
  EXPECT_EQ(WipeFolder(S(root_), kWipeZeros, nullptr, false), kFolderNotFound);
}

TEST_F(WipeFolderTest, KeepRootLeavesTheEmptyRoot) {
  EXPECT_EQ(WipeFolder(S(root_), kWipeZeros, nullptr, true), kOk);
  EXPECT_EQ(TreeOf(temp_.path()), std::vector<std::string>{"work/"});
}

TEST_F(WipeFolderTest, OneFailingFileDoesNotStopTheWipe) {
  std::string outside = temp_.Join("outside.txt");
  WriteTestFile(outside, "must stay");
#ifdef _WIN32
  // A file held open without delete sharing cannot be renamed.
  platform::File held;
  ASSERT_TRUE(held.Open((root_ + "a/one.txt").c_str(), "rb"));
#else
  // A link is never written through: its target outside the tree stays.
  std::filesystem::create_symlink(outside, root_ + "a/link.txt");
#endif
  EXPECT_NE(WipeFolder(S(root_), kWipeZeros, nullptr, false), kOk);
  EXPECT_EQ(ReadTestFile(outside), "must stay");
  // Every other file went through its pass, and the root stays.
  EXPECT_EQ(g_passes.size(), 5u);
  std::vector<std::string> left = TreeOf(temp_.path());
  EXPECT_NE(std::find(left.begin(), left.end(), "work/"), left.end());
  for (const std::string& entry : left) {
    EXPECT_EQ(entry.find("top.txt"), std::string::npos) << entry;
    EXPECT_EQ(entry.find("two.txt"), std::string::npos) << entry;
  }
}

// The system failing under the wipe, through the platform's fault seam: a
// file whose overwrite did not reach the device is never deleted (it keeps
// its folders), one that cannot be renamed or deleted is named in the code,
// and the other files are wiped all the same.
TEST_F(WipeFolderTest, SystemFailuresKeepWhatWasNotWiped) {
  using platform::Fault;
  using platform::SystemCall;
  platform::AreaFacts area;
  const bool durable = !platform::QueryAreaFacts(temp_.path().c_str(), &area) || !area.in_memory;
  const struct {
    const char* name;
    platform::FaultRule rule;
    Result expected;
    size_t files_left;  // of the five
  } cases[] = {
      {"one overwrite fails", {SystemCall::kWrite, Fault::kIoError, 0, 1}, kCannotOverwrite, 1},
      {"the device is full", {SystemCall::kWrite, Fault::kDiskFull}, kCannotOverwrite, 5},
      {"short writes", {SystemCall::kWrite, Fault::kShortWrite}, kOk, 0},
      {"nothing reaches the device", {SystemCall::kFlush, Fault::kIoError}, kCannotOverwrite, 5},
      {"one rename refused", {SystemCall::kRename, Fault::kNoPermission, 1, 1}, kCannotRenameFile, 1},
      {"one deletion refused", {SystemCall::kRemove, Fault::kNoPermission, 0, 1}, kCannotDeleteFile, 1},
  };
  for (const auto& c : cases) {
    if (c.rule.call == SystemCall::kFlush && !durable) continue;  // nothing is waited for in memory
    if (std::filesystem::exists(root_)) {
      ASSERT_EQ(WipeFolder(S(root_), kWipeZeros, nullptr, false), kOk);
    }
    SetUp();
    Result r;
    {
      platform::InjectedFaults faults({c.rule});
      r = WipeFolder(S(root_), kWipeZeros, nullptr, false);
    }
    EXPECT_EQ(r, c.expected) << c.name;
    size_t files = 0;  // the recycle folder included
    if (std::filesystem::exists(root_)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(root_)) files += entry.is_regular_file();
    }
    EXPECT_EQ(files, c.files_left) << c.name;
    EXPECT_EQ(std::filesystem::exists(root_), c.files_left > 0) << c.name;
  }
}

// Files handed over while a copy goes on are wiped behind it, in batches
// as they come; what was not handed over, and every folder, is left for
// the folder's wipe. A file that cannot be wiped is named in the result.
TEST_F(WipeFolderTest, ATrailingWipeWipesWhatItIsHandedAndLeavesTheRest) {
  constexpr int kMany = 150;  // more than one batch
  MakeTestFolder(root_ + "many/");
  for (int i = 0; i < kMany; ++i) WriteTestFile(root_ + "many/f" + std::to_string(i), "m");
  {
    TrailingWipe idle(S(root_), kWipeZeros);
    idle.Copied(String("top.txt"), 5000);
    EXPECT_EQ(idle.Finish(), kOk) << "never started: nothing wiped";
  }
  TrailingWipe wipe(S(root_), kWipeZeros);
  ASSERT_TRUE(wipe.Start());
  wipe.Copied(String("top.txt"), 5000);
  wipe.Copied(String("a/b/locked.txt"), 6);
  for (int i = 0; i < kMany; ++i) wipe.Copied(S("many/f" + std::to_string(i)), 1);
  wipe.Copied(String("a/missing.txt"), 1);
  EXPECT_EQ(wipe.Finish(), kCannotOverwrite);
  EXPECT_EQ(g_passes.size(), kMany + 2u);
  for (const PassSeen& pass : g_passes) EXPECT_EQ(pass.pattern, "00");
  EXPECT_EQ(TreeOf(temp_.path()), (std::vector<std::string>{"work/", "work/a/", "work/a/b/", "work/a/b/two.txt",
                                                             "work/a/one.txt", "work/many/"}));
  EXPECT_TRUE(std::filesystem::exists(root_ + "Recycled/bin.txt"));
  EXPECT_EQ(WipeFolder(S(root_), kWipeZeros, nullptr, false), kOk);
  EXPECT_TRUE(TreeOf(temp_.path()).empty());
}

#ifndef _WIN32
// On a memory file system nothing waits for a device, but every file is
// still overwritten, truncated, renamed and deleted.
TEST_F(SecureWipeTest, InMemoryEveryFileIsStillOverwrittenAndDeleted) {
  platform::AreaFacts facts;
  if (!platform::QueryAreaFacts("/dev/shm/", &facts) || !facts.in_memory) {
    GTEST_SKIP() << "/dev/shm is no memory file system here";
  }
  const std::string root = "/dev/shm/mvtest-wipe-" + std::to_string(getpid()) + "/";
  MakeTestFolder(root);
  MakeTestFolder(root + "a/");
  for (const char* file : {"top.txt", "a/one.txt", "a/empty.txt"}) {
    WriteTestFile(root + file, std::string(file[2] == 'e' ? 0 : 5000, 's'));
  }
  EXPECT_EQ(WipeFolder(S(root), kWipeThreePasses, nullptr, false), kOk);
  EXPECT_EQ(g_passes.size(), 9u);
  for (const PassSeen& pass : g_passes) EXPECT_NE(pass.pattern, "s") << pass.written;
  EXPECT_FALSE(std::filesystem::exists(root));

  // Thousands of files are shared between two threads there: every one is
  // still overwritten once and goes, and so do their folders.
  static std::atomic<int> passes{0};
  SetWipePassHookForTesting([](const String&, uint64_t written) { passes += written > 0 ? 1 : 0; });
  MakeTestFolder(root);
  constexpr int kFiles = 5000;
  for (int folder = 0; folder < 10; ++folder) {
    const std::string sub = root + "d" + std::to_string(folder) + "/";
    MakeTestFolder(sub);
    for (int i = 0; i < kFiles / 10; ++i) WriteTestFile(sub + "f" + std::to_string(i), "x");
  }
  EXPECT_EQ(WipeFolder(S(root), kWipeZeros, nullptr, false), kOk);
  EXPECT_EQ(passes.load(), kFiles);
  EXPECT_FALSE(std::filesystem::exists(root));
}
#endif

}  // namespace
}  // namespace mv
