// Attribute flags and times through the file-information record, on real
// files: the interesting part on Windows, mapped by the POSIX side.
#include "stream/file_info.h"

#include <gtest/gtest.h>

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
  TagRecord all;
  for (uint16_t tag : kFlagTags) all.SetU8(tag, 1, true);
  ASSERT_EQ(SetFileInfo(S(file_), &all), kOk);
  TagRecord got;
  ASSERT_EQ(GetFileInfo(S(file_), &got), kOk);
  std::vector<uint16_t> expected = {kInfoTagSystem, kInfoTagReadOnly, kInfoTagHidden};
  if (!ignore_archive_) expected.insert(expected.begin() + 2, kInfoTagArchive);
  EXPECT_EQ(FlagsIn(got, ignore_archive_), expected);

  // Only a u8 of value one sets a flag; flags left out are cleared.
  TagRecord odd;
  odd.SetU8(kInfoTagHidden, 2, true);
  TagValue wide;
  wide.SetU32Value(1);
  odd.Set(kInfoTagReadOnly, wide, true);
  odd.SetU8(kInfoTagSystem, 1, true);
  ASSERT_EQ(SetFileInfo(S(file_), &odd), kOk);
  TagRecord got_odd;
  ASSERT_EQ(GetFileInfo(S(file_), &got_odd), kOk);
  EXPECT_EQ(FlagsIn(got_odd, ignore_archive_), std::vector<uint16_t>{kInfoTagSystem});

  ASSERT_EQ(ClearFileInfo(S(file_)), kOk);
  TagRecord cleared;
  ASSERT_EQ(GetFileInfo(S(file_), &cleared), kOk);
  EXPECT_TRUE(FlagsIn(cleared, ignore_archive_).empty()) << "ClearFileInfo drops every flag";
}

TEST_F(FileInfoTest, TimesRoundTripAsLittleEndianBlobsOnReadOnlyFilesToo) {
  TagRecord read_only;
  read_only.SetU8(kInfoTagReadOnly, 1, true);
  ASSERT_EQ(SetFileInfo(S(file_), &read_only), kOk);
  ASSERT_NE(platform::ReadAttributes(file_.c_str()) & platform::kAttributeReadOnly, 0u);
  TagRecord info;
  PutTime(&info, kInfoTagCreationTime, kTimeA);
  PutTime(&info, kInfoTagLastAccessTime, kTimeB);
  PutTime(&info, kInfoTagLastWriteTime, kTimeA);
  ASSERT_EQ(SetFileInfo(S(file_), &info), kOk);
  platform::FileTimes times = TimesOf(file_);
  EXPECT_EQ(platform::ReadAttributes(file_.c_str()) & platform::kAttributeReadOnly, 0u) << "cleared first";
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
  ASSERT_EQ(blob.GetType(), kTypeBlob);
  ASSERT_EQ(blob.GetLength(), 8u);
  // Low half first, each half little-endian.
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(blob.GetBytes()[i], static_cast<uint8_t>(kTimeA >> (8 * i))) << "byte " << i;
  }
  EXPECT_EQ(got.Find(kInfoTagCreationTime) >= 0, times.has_creation)
      << "a creation time is stored exactly when the system tells it";

  // Times that are not 8 bytes, a time of 0 (Windows' "not set"), or no
  // record at all, leave the file's times.
  TagRecord misshapen;
  PutTime(&misshapen, kInfoTagLastWriteTime, kTimeB, 7);
  PutTime(&misshapen, kInfoTagLastAccessTime, 0);
  ASSERT_EQ(SetFileInfo(S(file_), &misshapen), kOk);
  EXPECT_EQ(TimesOf(file_).last_access, kTimeB);
  ASSERT_EQ(SetFileInfo(S(file_), nullptr), kOk);
  EXPECT_EQ(TimesOf(file_).last_write, kTimeA);
}

TEST_F(FileInfoTest, FoldersCarryFlagsButNoTimesAndMissingPathsFail) {
  std::string folder = folder_.Join("hidden/");
  MakeTestFolder(folder);
  TagRecord info;
  info.SetU8(kInfoTagHidden, 1, true);
  PutTime(&info, kInfoTagLastWriteTime, kTimeA);
  ASSERT_EQ(SetFolderInfo(S(folder), &info), kOk);
  TagRecord got;
  ASSERT_EQ(GetFolderInfo(S(folder), &got), kOk);
  EXPECT_EQ(FlagsIn(got), std::vector<uint16_t>{kInfoTagHidden});
  for (uint16_t tag : {kInfoTagCreationTime, kInfoTagLastAccessTime, kInfoTagLastWriteTime}) {
    EXPECT_LT(got.Find(tag), 0) << tag;
  }
  // A read-only folder can still be filled.
  info.SetU8(kInfoTagReadOnly, 1, true);
  ASSERT_EQ(SetFolderInfo(S(folder), &info), kOk);
  WriteTestFile(folder + "inside.txt", "x");
  EXPECT_EQ(ClearFolderInfo(S(folder)), kOk);

  // Missing paths, and files and folders taken for each other.
  info = TagRecord();
  String missing = S(folder_.Join("missing.txt"));
  EXPECT_EQ(GetFileInfo(missing, &info), kFileNotFound);
  EXPECT_EQ(SetFileInfo(missing, &info), kFileNotFound);
  EXPECT_EQ(GetFileInfo(S(folder_.path()), &info), kFileNotFound) << "a folder is no file";
  EXPECT_EQ(SetFolderInfo(S(folder_.Join("missing/")), &info), kFailed);
  EXPECT_EQ(GetFolderInfo(S(file_), &info), kFailed) << "a file is no folder";
  EXPECT_EQ(info.GetCount(), 0);
}

}  // namespace
}  // namespace mv
