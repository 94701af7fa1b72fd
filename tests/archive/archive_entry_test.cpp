// How one entry serialises itself: the base folder, and what reading does
// on disk.
#include "archive/archive_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "stream/memory_stream.h"
#include "tests/archive/entry_test_files.h"
#include "tests/fs/fs_test_files.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

using test::EncodeRawEntry;
using test::MakeEntryValue;
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

}  // namespace
}  // namespace mv
