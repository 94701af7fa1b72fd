// Whole trees through a record of entries: what a producer writes, what a
// reader makes of it in another folder, and what a hostile record cannot
// make a reader do.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "archive/entry_path.h"
#include "archive/folder_entries.h"
#include "fs/file_info.h"
#include "platform/files.h"
#include "stream/memory_stream.h"
#include "stream/tag_record.h"
#include "stream/tag_value_array.h"
#include "tests/archive/entry_test_files.h"
#include "tests/fs/fs_test_files.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

using test::EncodeRawEntry;
using test::MakeTestFolder;
using test::ReadTestFile;
using test::ReadValue;
using test::S;
using test::TreeOf;
using test::WriteTestFile;

constexpr uint16_t kEntriesTag = 7;
// 2003-04-05 06:07:08.9 UTC, as a file time; each file gets its own.
constexpr platform::FileTime kBaseTime = (1049522828ULL + 11644473600ULL) * 10000000ULL + 9000000;

platform::FileTime LastWrite(const std::string& path) {
  platform::FileTimes times;
  EXPECT_TRUE(platform::ReadFileTimes(path.c_str(), &times)) << path;
  EXPECT_TRUE(times.has_last_write) << path;
  return times.last_write;
}

void SetLastWrite(const std::string& path, platform::FileTime time) {
  platform::FileTimes times;
  times.last_write = time;
  times.has_last_write = true;
  ASSERT_TRUE(platform::WriteFileTimes(path.c_str(), times)) << path;
}

TEST(EntryTreeTest, ATreeRoundTripsWithExactTimesAndFlags) {
  test::TempFolder source;
  test::TempFolder target;
  // Large content and names outside ASCII go through the package reader's
  // round trip; here the exact times, flags and empty folders.
  const std::vector<std::pair<std::string, std::string>> files = {
      {"top.txt", "at the top"},
      {"empty.txt", ""},
      {"a/b/two.bin", std::string(3000, 'b')},
      {"locked.txt", "read-only"},
  };
  for (const char* folder : {"a/", "a/b/", "a/b/c/", "a/b/c/d/", "void/"}) {
    MakeTestFolder(source.Join(folder));
  }
  platform::FileTime time = kBaseTime;
  for (const auto& [name, content] : files) {
    WriteTestFile(source.Join(name), content);
    SetLastWrite(source.Join(name), time);
    time += 86400ULL * 10000000ULL + 1230;
  }
  ASSERT_TRUE(platform::WriteAttributes(source.Join("locked.txt").c_str(),
                                        platform::kAttributeReadOnly));

  TagRecord record;
  ASSERT_EQ(AddFolderEntries(S(source.path()), kEntriesTag, &record), kOk);
  StreamContext context;
  context.base_folder = source.path().c_str();
  MemoryStream out;
  out.OpenWrite(&context);
  ASSERT_EQ(record.Serialize(out), kOk);
  std::vector<uint8_t> bytes = out.GetData();

  TagRecord read;
  EXPECT_EQ(ReadValue(bytes, target.path().c_str(), &read), kOk);
  EXPECT_EQ(read.GetCount(), record.GetCount());
  EXPECT_EQ(TreeOf(target.path()), TreeOf(source.path()));
  for (const auto& [name, content] : files) {
    EXPECT_EQ(LastWrite(target.Join(name)), LastWrite(source.Join(name))) << name;
    EXPECT_TRUE(ReadTestFile(target.Join(name)) == content) << name;
  }
  EXPECT_EQ(platform::ReadAttributes(target.Join("locked.txt").c_str()) &
                platform::kAttributeReadOnly,
            platform::kAttributeReadOnly);
}

// A reader unpacks into base, which lies inside parent; a refused entry
// leaves both exactly as they were.
class HostileEntryTest : public testing::Test {
 protected:
  void SetUp() override {
    base_ = parent_.Join("base/");
    MakeTestFolder(base_);
  }

  void ExpectNothingWritten(const char* what) {
    EXPECT_EQ(TreeOf(parent_.path()), std::vector<std::string>{"base/"}) << what;
  }

  test::TempFolder parent_;
  std::string base_;
};

TEST_F(HostileEntryTest, EntriesLeavingTheBaseFolderAreRefused) {
  std::string content = "owned";
  const std::pair<const char*, const char*> cases[] = {
      {"", "../x"}, {"", "..\\x"}, {"/", "x"}, {"C:/", "x"}, {"", "sub/../../x"}, {"logs/", "COM1 .log"},
  };
  for (const auto& [folder, name] : cases) {
    std::vector<uint8_t> bytes = EncodeRawEntry(0, folder, name, &content);
    TagValue value;
    size_t left = 0;
    EXPECT_EQ(ReadValue(bytes, base_.c_str(), &value, &left), kUnsafeEntryPath) << folder << name;
    EXPECT_EQ(left, 4 + content.size()) << folder << name << ": content was read";
    ExpectNothingWritten(name);
  }
}

TEST_F(HostileEntryTest, PathsTooLongOrTooDeepAreRefusedBeforeAnythingIsMade) {
  std::string deep;
  for (uint32_t i = 0; i <= kMaxEntryPathDepth; ++i) deep += "d/";
  std::string wide(kMaxEntryPathBytes / 2, 'w');
  const std::pair<std::string, int> cases[] = {{deep, kEntryKindFolder}, {wide + "/" + wide + "/", kEntryKindFolder}};
  for (const auto& [folder, kind] : cases) {
    TagValue value;
    EXPECT_EQ(ReadValue(EncodeRawEntry(kind, folder.c_str(), "", nullptr), base_.c_str(), &value), kPathTooLong);
    ExpectNothingWritten("long path");
  }
}

// Other writers split an entry's path between its folder and its name as
// they like, put the trailing '/' of a folder into its name, write short
// texts with the long length prefix, and name files before their folders.
TEST_F(HostileEntryTest, EveryLayoutOfTheSamePathUnpacks) {
  std::string content = "x";
  std::vector<uint8_t> bytes = EncodeRawEntry(kEntryKindFolder, "top/", "sub/", nullptr);
  std::vector<uint8_t> file = EncodeRawEntry(kEntryKindFile, "top/", "sub/deeper/x.txt", &content);
  // The name "x.txt" again, with a long length prefix: 255, then 4 bytes.
  std::vector<uint8_t> renamed = EncodeRawEntry(kEntryKindFile, "", "y.txt", &content);
  const std::vector<uint8_t> short_form = {5, 'y', '.', 't', 'x', 't'};
  auto at = std::search(renamed.begin(), renamed.end(), short_form.begin(), short_form.end());
  ASSERT_NE(at, renamed.end());
  at = renamed.erase(at);
  renamed.insert(at, {255, 5, 0, 0, 0});
  bytes.insert(bytes.end(), file.begin(), file.end());
  bytes.insert(bytes.end(), renamed.begin(), renamed.end());
  MemoryStream in;
  StreamContext context;
  context.base_folder = base_.c_str();
  in.OpenRead(bytes, &context);
  for (int i = 0; i < 3; ++i) {
    TagValue value;
    ASSERT_EQ(value.Serialize(in), kOk) << i;
  }
  EXPECT_EQ(TreeOf(base_), (std::vector<std::string>{"top/", "top/sub/", "top/sub/deeper/",
                                                     "top/sub/deeper/x.txt", "y.txt"}));
}

TEST_F(HostileEntryTest, ANameHidingANulIsRefused) {
  std::string content = "owned";
  std::vector<uint8_t> bytes = EncodeRawEntry(0, "", "a.txt_.exe", &content);
  std::string placeholder = "a.txt_";
  auto at = std::search(bytes.begin(), bytes.end(), placeholder.begin(), placeholder.end());
  ASSERT_NE(at, bytes.end());
  at[5] = '\0';
  TagValue value;
  EXPECT_EQ(ReadValue(bytes, base_.c_str(), &value), kUnsafeEntryPath);
  ExpectNothingWritten("NUL in the name");
}

TEST_F(HostileEntryTest, AnEntryNestedInItsOwnRecordIsRefusedWithoutRecursion) {
  // An entry whose record claims to be an entry, a hundred thousand times.
  MemoryStream out;
  out.OpenWrite();
  for (int i = 0; i < 100000; ++i) {
    out.WriteU16(TypeEntry);
    out.WriteU16(0);
    out.WriteU32(0x7FFFFFFF);
  }
  TagValue value;
  EXPECT_EQ(ReadValue(out.GetData(), base_.c_str(), &value), kMalformedRecord);
  ExpectNothingWritten("nested entries");
}

}  // namespace
}  // namespace mv
