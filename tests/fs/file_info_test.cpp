// Attribute flags and times through the file-information record, on real
// files: the interesting part on Windows, mapped by the POSIX side.
#include "fs/file_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"
#include "stream/tag_record.h"
#include "tests/fs/fs_test_files.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

using test::MakeTestFolder;
using test::S;
using test::WriteTestFile;

// 2001-02-03 04:05:06.1234567 UTC and a day later, as file times.
constexpr platform::FileTime kTimeA = (981173106ULL + 11644473600ULL) * 10000000ULL + 1234567;
constexpr platform::FileTime kTimeB = kTimeA + 864000000000ULL;

const uint16_t kFlagTags[] = {kInfoTagSystem, kInfoTagReadOnly, kInfoTagArchive, kInfoTagHidden};
const uint16_t kTimeTags[] = {kInfoTagCreationTime, kInfoTagLastAccessTime, kInfoTagLastWriteTime};

// Wine reports the archive flag on every file, whatever was set; there the
// flag cannot be told apart and is left out of the comparisons.
bool SystemKeepsArchiveFlag(const std::string& file) {
  platform::WriteAttributes(file.c_str(), 0);
  return (platform::ReadAttributes(file.c_str()) & platform::kAttributeArchive) != 0;
}

std::vector<uint16_t> FlagsIn(const TagRecord& info, bool ignore_archive = false) {
  std::vector<uint16_t> flags;
  for (uint16_t tag : kFlagTags) {
    if (ignore_archive && tag == kInfoTagArchive) continue;
    if (info.Find(tag) >= 0) {
      EXPECT_EQ(info.GetU8(tag, 0), 1) << "tag " << tag;
      flags.push_back(tag);
    }
  }
  return flags;
}

void PutTime(TagRecord* info, uint16_t tag, platform::FileTime time, uint32_t size = 8) {
  uint8_t bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(time >> (8 * i));
  TagValue value;
  value.SetBlob(bytes, size);
  info->Set(tag, value, true);
}

platform::FileTimes TimesOf(const std::string& path) {
  platform::FileTimes times;
  EXPECT_TRUE(platform::ReadFileTimes(path.c_str(), &times)) << path;
  return times;
}

class FileInfoTest : public testing::Test {
 protected:
  void SetUp() override {
    WriteTestFile(file_, "content");
    ignore_archive_ = SystemKeepsArchiveFlag(file_);
  }

  test::TempFolder folder_;
  std::string file_ = folder_.Join("f.txt");
  bool ignore_archive_ = false;
};

TEST_F(FileInfoTest, FlagsRoundTripExactlyAndClear) {
  const std::vector<std::vector<uint16_t>> cases = {
      {},
      {kInfoTagArchive},
      {kInfoTagSystem, kInfoTagHidden},
      {kInfoTagSystem, kInfoTagReadOnly, kInfoTagArchive, kInfoTagHidden},
      {kInfoTagReadOnly, kInfoTagArchive},
  };
  for (const auto& flags : cases) {
    TagRecord wanted;
    for (uint16_t tag : flags) wanted.SetU8(tag, 1, true);
    ASSERT_EQ(SetFileInfo(S(file_), &wanted), kOk);
    TagRecord got;
    ASSERT_EQ(GetFileInfo(S(file_), &got), kOk);
    std::vector<uint16_t> expected;
    for (uint16_t tag : flags) {
      if (!ignore_archive_ || tag != kInfoTagArchive) expected.push_back(tag);
    }
    std::vector<uint16_t> actual = FlagsIn(got, ignore_archive_);
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected) << "flag set of " << flags.size();
  }
  ASSERT_EQ(ClearFileInfo(S(file_)), kOk);
  TagRecord cleared;
  ASSERT_EQ(GetFileInfo(S(file_), &cleared), kOk);
  EXPECT_TRUE(FlagsIn(cleared, ignore_archive_).empty()) << "ClearFileInfo drops every flag";
}

TEST_F(FileInfoTest, OnlyTheValueOneSetsAFlag) {
  TagRecord info;
  info.SetU8(kInfoTagHidden, 2, true);
  TagValue wide;
  wide.SetU32Value(1);
  info.Set(kInfoTagReadOnly, wide, true);  // a u32 is not a u8
  info.SetU8(kInfoTagSystem, 1, true);
  ASSERT_EQ(SetFileInfo(S(file_), &info), kOk);
  TagRecord got;
  ASSERT_EQ(GetFileInfo(S(file_), &got), kOk);
  EXPECT_EQ(FlagsIn(got, ignore_archive_), std::vector<uint16_t>{kInfoTagSystem});
}

TEST_F(FileInfoTest, TimesRoundTripAsLittleEndianBlobs) {
  TagRecord info;
  PutTime(&info, kInfoTagCreationTime, kTimeA);
  PutTime(&info, kInfoTagLastAccessTime, kTimeB);
  PutTime(&info, kInfoTagLastWriteTime, kTimeA);
  ASSERT_EQ(SetFileInfo(S(file_), &info), kOk);
  platform::FileTimes times = TimesOf(file_);
  ASSERT_TRUE(times.has_last_access && times.has_last_write);
  EXPECT_EQ(times.last_access, kTimeB);
  EXPECT_EQ(times.last_write, kTimeA);
#ifdef _WIN32
  ASSERT_TRUE(times.has_creation);
  EXPECT_EQ(times.creation, kTimeA);
#endif

  TagRecord got;
  ASSERT_EQ(GetFileInfo(S(file_), &got), kOk);
  TagValue blob;
  got.Get(blob, kInfoTagLastWriteTime);
  ASSERT_EQ(blob.GetType(), TypeBlob);
  ASSERT_EQ(blob.GetLength(), 8u);
  // Low half first, each half little-endian.
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(blob.GetBytes()[i], static_cast<uint8_t>(kTimeA >> (8 * i))) << "byte " << i;
  }
  EXPECT_EQ(got.Find(kInfoTagCreationTime) >= 0, times.has_creation)
      << "a creation time is stored exactly when the system tells it";
}

TEST_F(FileInfoTest, MissingOrMisshapenTimesLeaveTheFileTimes) {
  TagRecord first;
  PutTime(&first, kInfoTagLastAccessTime, kTimeA);
  PutTime(&first, kInfoTagLastWriteTime, kTimeA);
  ASSERT_EQ(SetFileInfo(S(file_), &first), kOk);

  TagRecord second;
  second.SetU8(kInfoTagHidden, 1, true);
  PutTime(&second, kInfoTagLastWriteTime, kTimeB, 7);  // not 8 bytes
  ASSERT_EQ(SetFileInfo(S(file_), &second), kOk);
  platform::FileTimes times = TimesOf(file_);
  EXPECT_EQ(times.last_access, kTimeA);
  EXPECT_EQ(times.last_write, kTimeA);

  ASSERT_EQ(SetFileInfo(S(file_), nullptr), kOk);
  EXPECT_EQ(TimesOf(file_).last_write, kTimeA);
}

TEST_F(FileInfoTest, ReadOnlyFileIsClearedBeforeItsTimesAreSet) {
  TagRecord read_only;
  read_only.SetU8(kInfoTagReadOnly, 1, true);
  ASSERT_EQ(SetFileInfo(S(file_), &read_only), kOk);
  ASSERT_NE(platform::ReadAttributes(file_.c_str()) & platform::kAttributeReadOnly, 0u);

  TagRecord info;
  info.SetU8(kInfoTagArchive, 1, true);
  PutTime(&info, kInfoTagLastWriteTime, kTimeB);
  ASSERT_EQ(SetFileInfo(S(file_), &info), kOk);
  EXPECT_EQ(platform::ReadAttributes(file_.c_str()) & platform::kAttributeReadOnly, 0u);
  EXPECT_EQ(TimesOf(file_).last_write, kTimeB);
  platform::File writable;
  EXPECT_TRUE(writable.Open(file_.c_str(), "r+b"));
}

TEST_F(FileInfoTest, FoldersCarryFlagsButNoTimes) {
  std::string folder = folder_.Join("hidden/");
  MakeTestFolder(folder);
  TagRecord info;
  info.SetU8(kInfoTagHidden, 1, true);
  PutTime(&info, kInfoTagLastWriteTime, kTimeA);
  ASSERT_EQ(SetFolderInfo(S(folder), &info), kOk);
  TagRecord got;
  ASSERT_EQ(GetFolderInfo(S(folder), &got), kOk);
  EXPECT_EQ(FlagsIn(got), std::vector<uint16_t>{kInfoTagHidden});
  for (uint16_t tag : kTimeTags) EXPECT_LT(got.Find(tag), 0) << tag;

  ASSERT_EQ(ClearFolderInfo(S(folder)), kOk);
  TagRecord cleared;
  ASSERT_EQ(GetFolderInfo(S(folder), &cleared), kOk);
  EXPECT_TRUE(FlagsIn(cleared).empty());
  // A read-only folder can still be filled.
  info.SetU8(kInfoTagReadOnly, 1, true);
  ASSERT_EQ(SetFolderInfo(S(folder), &info), kOk);
  WriteTestFile(folder + "inside.txt", "x");
  ClearFolderInfo(S(folder));
}

TEST_F(FileInfoTest, MissingPaths) {
  TagRecord info;
  String missing = S(folder_.Join("missing.txt"));
  EXPECT_EQ(GetFileInfo(missing, &info), kFileNotFound);
  EXPECT_EQ(SetFileInfo(missing, &info), kFileNotFound);
  EXPECT_EQ(ClearFileInfo(missing), kFileNotFound);
  EXPECT_EQ(GetFileInfo(S(folder_.path()), &info), kFileNotFound) << "a folder is no file";
  String missing_folder = S(folder_.Join("missing/"));
  EXPECT_EQ(GetFolderInfo(missing_folder, &info), kFailed);
  EXPECT_EQ(SetFolderInfo(missing_folder, &info), kFailed);
  EXPECT_EQ(ClearFolderInfo(missing_folder), kFailed);
  EXPECT_EQ(GetFolderInfo(S(file_), &info), kFailed) << "a file is no folder";
  EXPECT_EQ(info.GetCount(), 0);
}

}  // namespace
}  // namespace mv
