#include "stream/file_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "fs/path.h"
#include "tests/fs/fs_test_files.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

using test::ReadTestFile;
using test::S;
using test::WriteTestFile;

TEST(FileStreamTest, ReadingPastTheEndFailsAndStaysFailedUntilReopened) {
  test::TempFolder temp;
  WriteTestFile(temp.Join("six.bin"), "abcdef");
  FileStream stream;
  // The native form is accepted as well.
  ASSERT_EQ(stream.Open(Stream::kReading, ToNativePath(S(temp.Join("six.bin"))), nullptr), kOk);
  char buffer[10] = {};
  EXPECT_EQ(stream.Read(buffer, 10), kShortRead);
  EXPECT_EQ(stream.Read(buffer, 1), kShortRead);
  ASSERT_EQ(stream.Open(Stream::kReading, S(temp.Join("six.bin")), nullptr), kOk);
  EXPECT_EQ(stream.Read(buffer, 6), kOk);
  EXPECT_EQ(std::string(buffer, 6), "abcdef");
}

TEST(FileStreamTest, WritingMakesMissingFoldersAndReplacesOldContent) {
  test::TempFolder temp;
  String path = S(temp.Join("a/b/c/data.bin"));
  for (const char* text : {"a longer first content", "new"}) {
    FileStream out;
    ASSERT_EQ(out.Open(Stream::kWriting, path, nullptr), kOk);
    out.WriteString(text);
    EXPECT_EQ(out.Close(), kOk);
  }
  FileStream in;
  ASSERT_EQ(in.Open(Stream::kReading, path, nullptr), kOk);
  String text;
  EXPECT_EQ(in.ReadString(text), kOk);
  EXPECT_STREQ(text.c_str(), "new");
  uint8_t more = 0;
  EXPECT_EQ(in.ReadU8(more), kShortRead);
}

TEST(FileStreamTest, SaveTextFileWritesThePlatformsLineEnds) {
  test::TempFolder temp;
  WriteTestFile(temp.Join("message.txt"), "an old and longer message text");
  EXPECT_EQ(SaveTextFile(S(temp.Join("message.txt")), "Hallo\nWelt\n"), kOk);
#ifdef _WIN32
  EXPECT_EQ(ReadTestFile(temp.Join("message.txt")), "Hallo\r\nWelt\r\n");
#else
  EXPECT_EQ(ReadTestFile(temp.Join("message.txt")), "Hallo\nWelt\n");
#endif
  EXPECT_EQ(SaveTextFile(S(temp.Join("no/folder/m.txt")), "text"), kShortWrite);
}

}  // namespace
}  // namespace mv
