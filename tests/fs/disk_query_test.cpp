// Existence, sizes and drive queries against real files.
#include "fs/disk_query.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/progress.h"
#include "fs/folder_size.h"
#include "platform/files.h"
#include "tests/fs/fs_test_files.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

using test::MakeTestFolder;
using test::S;
using test::WriteTestFile;

class DiskQueryTest : public testing::Test {
 protected:
  void SetUp() override {
    WriteTestFile(folder_.Join("a.txt"), "12345");
    WriteTestFile(folder_.Join("empty.bin"), "");
    MakeTestFolder(folder_.Join("sub/"));
    WriteTestFile(folder_.Join("sub/b.txt"), std::string(3000, 'b'));
  }

  // Bytes per cluster of the disk holding the test folder.
  uint64_t Cluster() {
    platform::DiskSpace space;
    EXPECT_TRUE(platform::QueryDiskSpace(folder_.Join("a.txt").c_str(), &space));
    return static_cast<uint64_t>(space.sectors_per_cluster) * space.bytes_per_sector;
  }

  test::TempFolder folder_;
};

TEST_F(DiskQueryTest, ExistenceAndSizesInBytesAndWholeClusters) {
  const struct {
    std::string path;
    bool file;
    bool folder;
    uint32_t size;
  } cases[] = {
      {folder_.Join("sub/b.txt"), true, false, 3000},
      {folder_.Join("sub/"), false, true, kUnknownSize},
      {folder_.Join("sub"), false, false, kUnknownSize},  // a folder named without its '/'
      {folder_.Join("a.txt/"), false, false, kUnknownSize},
      {folder_.Join("*"), false, false, kUnknownSize},  // never a pattern
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileExists(S(c.path)), c.file) << c.path;
    EXPECT_EQ(FolderExists(S(c.path)), c.folder) << c.path;
    EXPECT_EQ(QueryFileSize(S(c.path)), c.size) << c.path;
  }
  uint64_t cluster = Cluster();
  ASSERT_GT(cluster, 0u);
  EXPECT_EQ(QueryAllocatedSize(S(folder_.Join("sub/b.txt"))), (3000 + cluster - 1) / cluster * cluster);
  EXPECT_EQ(QueryAllocatedSize(S(folder_.Join("empty.bin"))), 0u);
  EXPECT_EQ(QueryAllocatedSize(S(folder_.Join("missing"))), kUnknownSize);
}

TEST_F(DiskQueryTest, FilesOfFourGigabytesOrMoreHaveNoSize) {
  std::string big = folder_.Join("big.bin");
  platform::File file;
  ASSERT_TRUE(file.Open(big.c_str(), "wb"));
  ASSERT_TRUE(file.Truncate(5ULL << 30));  // sparse where the disk allows it
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(QueryFileSize(S(big)), kUnknownSize);
  EXPECT_EQ(QueryAllocatedSize(S(big)), 0u);
  ASSERT_TRUE(file.Open(big.c_str(), "r+b"));
  ASSERT_TRUE(file.Truncate(4ULL << 30));
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(QueryFileSize(S(big)), kUnknownSize) << "the low 32 bits alone would say 0";
}

struct ProgressLog {
  std::vector<std::pair<int32_t, int32_t>> reports;
  Result answer = kOk;  // the answer to position reports
};

Result LogProgress(int32_t code, int32_t value, uintptr_t word1, uintptr_t) {
  auto* log = reinterpret_cast<ProgressLog*>(word1);
  log->reports.emplace_back(code, value);
  return code == kProgressPosition ? log->answer : kOk;
}

TEST_F(DiskQueryTest, FolderSizeSumsFilesSkipsExclusionsAndStopsAtACancel) {
  MakeTestFolder(folder_.Join("Recycled/"));
  WriteTestFile(folder_.Join("Recycled/r.bin"), std::string(100, 'r'));
  EXPECT_EQ(GetFolderSize(S(folder_.path()), nullptr), 3005u) << "excluded folder skipped";
  uint64_t cluster = Cluster();
  uint64_t allocated = cluster + (3000 + cluster - 1) / cluster * cluster + cluster;
  EXPECT_EQ(GetFolderAllocatedSize(S(folder_.path()), nullptr), allocated)
      << "excluded folder included";
  EXPECT_EQ(GetFolderSize(S(folder_.Join("missing/")), nullptr), 0u);

  ProgressLog log;
  log.answer = kCancelled;
  ProgressCallback progress{&LogProgress, reinterpret_cast<uintptr_t>(&log), 0};
  uint32_t size = GetFolderSize(S(folder_.path()), &progress);
  EXPECT_LT(size, 3005u) << "the walk stops at the first position report";
  EXPECT_EQ(log.reports,
            (decltype(log.reports){{kProgressBegin, 100}, {kProgressPosition, 0}, {kProgressEnd, 0}}));
}

// The "drive" used by the tests: C: on Windows; on POSIX, which has no
// drive letters, a folder whose name ends in ':' stands for one.
String TestDrive(const test::TempFolder& folder) {
#ifdef _WIN32
  return "C:";
#else
  test::MakeTestFolder(folder.Join("d:/"));
  return S(folder.Join("d:"));
#endif
}

TEST_F(DiskQueryTest, DriveQueries) {
  String drive = TestDrive(folder_);
  EXPECT_TRUE(IsValidDrive(drive));
  EXPECT_FALSE(IsRemovableDrive(drive));
  uint32_t cluster = GetClusterSize(drive);
  EXPECT_GT(cluster, 0u);
  double free_bytes = GetFreeBytes(drive);
  // Other programs write meanwhile: the figures of two queries may differ by a few clusters.
  constexpr double kDrift = 64.0 * (1 << 20);
  EXPECT_NEAR(free_bytes, static_cast<double>(GetFreeClusters(drive)) * cluster, kDrift);
  EXPECT_NEAR(GetFreeSpace(drive), free_bytes > 4294967295.0 ? 4294967295.0 : free_bytes, kDrift);
  // Too short, a folder, and a name ending in ':' that names nothing.
  for (const String& none : {String(":"), String("C:/"), S(folder_.Join("sub/")), S(folder_.Join("missing:"))}) {
    EXPECT_FALSE(IsValidDrive(none)) << none.c_str();
    EXPECT_EQ(GetClusterSize(none), 0u) << none.c_str();
    EXPECT_EQ(GetFreeBytes(none), 0.0) << none.c_str();
    EXPECT_EQ(GetFreeSpace(none), 0u) << none.c_str();
  }
}

// The free space a copy checks against is that of the volume the target
// will be on, found from its nearest existing folder, with or without ':'.
TEST_F(DiskQueryTest, FreeSpaceOfATargetThatDoesNotExistYet) {
  platform::DiskSpace space;
  ASSERT_TRUE(platform::QueryDiskSpace(folder_.path().c_str(), &space));
  const double expected = static_cast<double>(space.free_clusters) * space.sectors_per_cluster * space.bytes_per_sector;
  const std::string targets[] = {
      folder_.Join("a.txt"),          folder_.Join("sub/"),    folder_.Join("new/deeper/file.bin"),
      folder_.Join("new/deeper/"),
#ifndef _WIN32
      folder_.Join("x:y/file.bin"),   folder_.Join("d:/"),     // ':' is a plain character here
#endif
  };
  for (const std::string& target : targets) {
    uint64_t free_bytes = 0;
    ASSERT_TRUE(QueryFreeBytesFor(S(target), &free_bytes)) << target;
    // Other programs write meanwhile; another volume would differ by far more.
    EXPECT_NEAR(static_cast<double>(free_bytes), expected, 64.0 * (1 << 20)) << target;
  }
}

}  // namespace
}  // namespace mv
