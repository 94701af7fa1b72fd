// The sweep of what killed runs leave, on real files: only entries whose
// lock nobody holds go, judged by the lock; age counts only for empty
// entries that may not be locked yet.
#include "container/leftover_sweep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "container/package_reader.h"
#include "platform/temporary_area.h"
#include "tests/fs/fs_test_files.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

using test::MakeTestFolder;
using test::S;
using test::WriteTestFile;

#ifdef _WIN32
constexpr bool kSweeps = false;  // Windows keeps no such locks and sweeps nothing
#else
constexpr bool kSweeps = true;
#endif

class LeftoverSweepTest : public testing::Test {
 protected:
  std::vector<std::string> Left() const {
    std::vector<std::string> names = test::ListNames(temp_.path());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempFolder temp_;
};

TEST_F(LeftoverSweepTest, OnlyUnlockedLeftoversGo) {
  const std::string t = temp_.path();
  // Left by killed runs: a work folder with decrypted files, a container copy.
  MakeTestFolder(t + "QZDX_1/");
  MakeTestFolder(t + "QZDX_1/sub/");
  WriteTestFile(t + "QZDX_1/sub/secret.txt", "plaintext");
  WriteTestFile(t + "qzp_1.mef", "encrypted");
  // A live run's: both locked.
  MakeTestFolder(t + "QZDX_2/");
  WriteTestFile(t + "QZDX_2/secret.txt", "plaintext");
  WriteTestFile(t + "qzp_2.mef", "encrypted");
  platform::LifeLock live_folder;
  platform::LifeLock live_file;
  ASSERT_TRUE(live_folder.Hold((t + "QZDX_2/").c_str()));
  ASSERT_TRUE(live_file.Hold((t + "qzp_2.mef").c_str()));
  // Just made, not yet locked: empty and fresh, so they stay.
  MakeTestFolder(t + "QZDW_3/");
  WriteTestFile(t + "qzp_3.mef", "");
  // A work folder is locked before it takes its name: empty and unlocked,
  // it is a leftover (a run killed before it wrote anything).
  MakeTestFolder(t + "QZDX_4/");
  // Names of other things.
  WriteTestFile(t + "qzp_4.bmp", "picture");
  WriteTestFile(t + "QZDX_file", "not a folder");
  WriteTestFile(t + "other.mef", "x");

  EXPECT_EQ(SweepLeftovers(S(t)), kSweeps ? 3 : 0);
  std::vector<std::string> expected = {"QZDW_3", "QZDX_2", "QZDX_file", "other.mef", "qzp_2.mef", "qzp_3.mef",
                                       "qzp_4.bmp"};
  if (!kSweeps) expected = {"QZDW_3", "QZDX_1", "QZDX_2", "QZDX_4", "QZDX_file", "other.mef", "qzp_1.mef",
                            "qzp_2.mef", "qzp_3.mef", "qzp_4.bmp"};
  EXPECT_EQ(Left(), expected);
  EXPECT_EQ(test::ReadTestFile(t + "QZDX_2/secret.txt"), "plaintext");

  // Once the live run is gone, its leftovers go with the next sweep.
  live_folder.Release();
  live_file.Release();
  EXPECT_EQ(SweepLeftovers(S(t)), kSweeps ? 2 : 0);
}

#ifndef _WIN32
TEST_F(LeftoverSweepTest, LinksAreNeverFollowed) {
  const std::string t = temp_.path();
  MakeTestFolder(t + "elsewhere/");
  WriteTestFile(t + "elsewhere/keep.txt", "keep");
  std::filesystem::create_symlink(t + "elsewhere", t + "QZDX_link");
  std::filesystem::create_symlink(t + "elsewhere/keep.txt", t + "qzp_link.mef");
  EXPECT_EQ(SweepLeftovers(S(t)), 0);
  EXPECT_EQ(test::ReadTestFile(t + "elsewhere/keep.txt"), "keep");
  EXPECT_EQ(Left(), (std::vector<std::string>{"QZDX_link", "elsewhere", "qzp_link.mef"}));
}

TEST_F(LeftoverSweepTest, AFolderOthersMayChangeIsNotSwept) {
  const std::string t = temp_.path();
  MakeTestFolder(t + "QZDX_1/");
  WriteTestFile(t + "QZDX_1/secret.txt", "plaintext");
  std::filesystem::permissions(t, std::filesystem::perms::others_write, std::filesystem::perm_options::add);
  EXPECT_EQ(SweepLeftovers(S(t)), 0);
  std::filesystem::permissions(t, std::filesystem::perms::sticky_bit, std::filesystem::perm_options::add);
  EXPECT_EQ(SweepLeftovers(S(t)), 1);
}
#endif

// A reader's work folder is locked from the moment it is made until it is
// wiped; a reader that ends without wiping (as a killed process does)
// leaves it to the next sweep.
TEST_F(LeftoverSweepTest, AWorkFolderIsLockedForItsWholeLife) {
  const std::string t = temp_.path();
  {
    PackageReader reader;
    ASSERT_EQ(reader.OpenTemporary(S(t)), kOk);
    const std::string work = reader.GetWorkFolderPath().c_str();
    EXPECT_EQ(work.rfind(t + kWorkFolderPrefix, 0), 0u) << work;
    EXPECT_EQ(Left().size(), 1u) << "the new folder took the work folder's name";
    EXPECT_EQ(SweepLeftovers(S(t)), 0) << "locked, though still empty";
    WriteTestFile(work + "secret.txt", "plaintext");
    EXPECT_EQ(SweepLeftovers(S(t)), 0);
    EXPECT_EQ(test::ReadTestFile(work + "secret.txt"), "plaintext");
  }
  EXPECT_EQ(Left().size(), 1u);
  EXPECT_EQ(SweepLeftovers(S(t)), kSweeps ? 1 : 0);
  EXPECT_EQ(Left().size(), kSweeps ? 0u : 1u);
}

}  // namespace
}  // namespace mv
