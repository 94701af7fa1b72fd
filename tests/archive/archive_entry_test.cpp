// How one entry serialises itself: the base folder, what reading does on
// disk, and what a hostile record of entries cannot make a reader do (whole
// trees round trip through the package reader's tests).
#include "archive/archive_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive/entry_path.h"
#include "platform/files.h"
#include "stream/memory_stream.h"
#include "tests/archive/entry_test_files.h"
#include "tests/fs/fs_test_files.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

using test::EncodeRawEntry;
using test::MakeEntryValue;
using test::MakeTestFolder;
using test::ReadTestFile;
using test::ReadValue;
using test::TreeOf;
using test::WriteTestFile;

class ArchiveEntryTest : public testing::Test {
 protected:
  std::vector<uint8_t> Write(TagValue& value) {
    StreamContext context;
    context.base_folder = source_.path().c_str();
    MemoryStream out;
    out.OpenWrite(&context);
    EXPECT_EQ(value.Serialize(out), kOk);
    return out.GetData();
  }

  test::TempFolder source_;
  test::TempFolder target_;
};

TEST_F(ArchiveEntryTest, ReadingNeedsAnExistingBaseFolderBeforeReadingAnything) {
  std::string content = "abc";
  std::vector<uint8_t> bytes = EncodeRawEntry(0, "", "a.txt", &content);
  TagValue value;
  size_t left = 0;
  EXPECT_EQ(ReadValue(bytes, target_.Join("missing/").c_str(), &value, &left), kFolderNotFound);
  EXPECT_EQ(left, bytes.size() - 8) << "read past the member's head";
  MemoryStream in;
  in.OpenRead(bytes, nullptr);
  TagValue other;
  EXPECT_EQ(other.Serialize(in), kMalformedRecord) << "no folder receives an entry read without a context";
  EXPECT_TRUE(TreeOf(target_.path()).empty());
}

TEST_F(ArchiveEntryTest, ReadingActsByKind) {
  std::string content = "data";
  struct Case {
    const char* what;
    int kind;
    const char* folder;
    const char* name;
    bool with_content;
    std::vector<std::string> tree;
  };
  const Case cases[] = {
      {"file", 0, "", "a.txt", true, {"a.txt"}},
      {"folder given by name", 1, "sub/", "named", false, {"sub/", "sub/named/"}},
      {"no content for another kind", 2, "", "ghost.txt", false, {}},
  };
  for (const Case& c : cases) {
    test::TempFolder base;
    std::vector<uint8_t> bytes =
        EncodeRawEntry(c.kind, c.folder, c.name, c.with_content ? &content : nullptr);
    TagValue value;
    size_t left = 1;
    EXPECT_EQ(ReadValue(bytes, base.path().c_str(), &value, &left), kOk) << c.what;
    EXPECT_EQ(left, 0u) << c.what;
    EXPECT_EQ(TreeOf(base.path()), c.tree) << c.what;
    ASSERT_NE(ArchiveEntry::FromValue(value), nullptr) << c.what;
    EXPECT_EQ(ArchiveEntry::FromValue(value)->GetBaseFolder(), base.path().c_str()) << c.what;
  }
}

TEST_F(ArchiveEntryTest, ASizeBeyondTheStreamFailsWithoutTakingMemory) {
  TagRecord record;
  record.SetText(kEntryTagName, "huge.bin", true);
  std::vector<uint8_t> bytes = EncodeRawEntry(record, nullptr);
  const uint8_t kTail[] = {0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'};
  bytes.insert(bytes.end(), kTail, kTail + sizeof kTail);
  TagValue value;
  EXPECT_EQ(ReadValue(bytes, target_.path().c_str(), &value), kShortRead);
}

TEST_F(ArchiveEntryTest, EveryPassWritesTheSameRecordAlthoughReadingTouchesTheFile) {
  std::string path = source_.Join("old.txt");
  WriteTestFile(path, "read by the first pass");
  // Long untouched: the first read moves its access time.
  platform::FileTimes old;
  old.last_access = old.last_write = 125000000000000000ULL;
  old.has_last_access = old.has_last_write = true;
  ASSERT_TRUE(platform::WriteFileTimes(path.c_str(), old));
  TagValue value = MakeEntryValue(0, "", "old.txt");
  std::vector<uint8_t> first = Write(value);
  EXPECT_TRUE(Write(value) == first);
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
    out.WriteU16(kTypeEntry);
    out.WriteU16(0);
    out.WriteU32(0x7FFFFFFF);
  }
  TagValue value;
  EXPECT_EQ(ReadValue(out.GetData(), base_.c_str(), &value), kMalformedRecord);
  ExpectNothingWritten("nested entries");
}

}  // namespace
}  // namespace mv
