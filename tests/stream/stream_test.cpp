// The base stream's admission rules, sticky errors, typed little-endian
// transfers and length-prefixed texts; the filter base; the memory stream;
// the file stream and the saving of a text file.
#include "stream/stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fs/path.h"
#include "stream/file_stream.h"
#include "stream/filter_stream.h"
#include "stream/memory_stream.h"
#include "tests/fs/fs_test_files.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

using test::ReadTestFile;
using test::S;
using test::WriteTestFile;

const uint8_t kBytes[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

// One row per admission rule, for the plain stream (the whole transfer) and
// a filter over a counting sink (which reports its error field instead).
TEST(StreamTest, AdmissionRules) {
  enum Op { kRead, kWrite };
  struct Case {
    const char* name;
    uint32_t mode;
    Op op;
    const uint8_t* buffer;
    uint32_t length;
    Result base_result;
    Result filter_result;
    Result error_after;
  } cases[] = {
      {"write admitted", Stream::kWriting, kWrite, kBytes, 4, kOk, kOk, kOk},
      {"read admitted", Stream::kReading, kRead, kBytes, 4, kOk, kOk, kOk},
      {"empty write", Stream::kWriting, kWrite, kBytes, 0, kBadArgument, kOk, kOk},
      {"null write", Stream::kWriting, kWrite, nullptr, 4, kBadArgument, kOk, kOk},
      {"read while writing", Stream::kWriting, kRead, kBytes, 4, kWrongDirection,
       kWrongDirection, kWrongDirection},
      {"write while reading", Stream::kReading, kWrite, kBytes, 4, kWrongDirection,
       kWrongDirection, kWrongDirection},
  };
  for (const Case& c : cases) {
    Stream base;
    base.Open(c.mode, nullptr);
    Stream inner;
    inner.Open(c.mode, nullptr);
    FilterStream filter;
    ASSERT_EQ(filter.Open(&inner), kOk);
    auto run = [&](Stream& s) {
      void* buffer = const_cast<uint8_t*>(c.buffer);
      return c.op == kRead ? s.Read(buffer, c.length) : s.Write(buffer, c.length);
    };
    EXPECT_EQ(run(base), c.base_result) << c.name;
    EXPECT_EQ(base.GetError(), c.error_after) << c.name;
    EXPECT_EQ(run(filter), c.filter_result) << c.name;
    EXPECT_EQ(filter.GetError(), c.error_after) << c.name;
  }
}

TEST(StreamTest, FirstFailureSticksUntilClose) {
  Stream stream;
  stream.Open(Stream::kWriting, nullptr);
  uint8_t byte = 0;
  EXPECT_EQ(stream.ReadU8(byte), kWrongDirection);
  EXPECT_EQ(stream.Write(kBytes, 4), kBadArgument);
  EXPECT_EQ(stream.RecordError(kShortRead), kWrongDirection) << "the first cause is kept";
  EXPECT_EQ(stream.GetCount(), 0u);
  EXPECT_EQ(stream.Close(), kOk);
  EXPECT_EQ(stream.GetError(), kOk);
}

TEST(StreamTest, TypedTransfersAreLittleEndian) {
  MemoryStream out;
  out.OpenWrite();
  out.WriteU8(0x01);
  out.WriteU16(0x0302);
  out.WriteU32(0x07060504);
  out.WriteU64(0x0F0E0D0C0B0A0908ull);
  out.WriteU64(0x13121110u, 0x17161514u);
  out.WriteDouble(1.5);
  ASSERT_EQ(out.GetError(), kOk);
  std::vector<uint8_t> expected;
  for (int i = 1; i <= 0x17; ++i) expected.push_back(static_cast<uint8_t>(i));
  for (uint8_t b : {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}) expected.push_back(b);
  EXPECT_EQ(out.GetData(), expected);

  MemoryStream in;
  in.OpenRead(expected);
  uint8_t u8;
  uint16_t u16;
  uint32_t u32;
  uint64_t u64, second;
  double d;
  in.ReadU8(u8);
  in.ReadU16(u16);
  in.ReadU32(u32);
  in.ReadU64(u64);
  in.ReadU64(second);
  in.ReadDouble(d);
  EXPECT_TRUE(u8 == 0x01 && u16 == 0x0302 && u32 == 0x07060504u && u64 == 0x0F0E0D0C0B0A0908ull &&
              second == 0x1716151413121110ull && d == 1.5);
  EXPECT_EQ(in.ReadU32(u32), kShortRead);
  EXPECT_EQ(u32, 0u) << "a failed read leaves the output 0";
}

TEST(StreamTest, StringPrefixIsOneByteBelow255ElseFive) {
  for (size_t length : {size_t{254}, size_t{255}, size_t{70000}}) {
    std::string text(length, 'x');
    MemoryStream out;
    out.OpenWrite();
    EXPECT_EQ(out.WriteString(String(text.c_str())), kOk);
    EXPECT_EQ(out.GetCount(), length + (length < 255 ? 1 : 5)) << length;
    EXPECT_EQ(out.GetData()[0], length < 255 ? length : 255);
    MemoryStream in;
    in.OpenRead(out.GetData());
    String back("old");
    EXPECT_EQ(in.ReadString(back), kOk);
    EXPECT_EQ(std::string(back.c_str()), text) << length;
  }
}

TEST(StreamTest, ReadStringRefusesBadLengths) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    Result result;
  } cases[] = {
      {"zero prefix reads nothing more", {0, 'a', 'b'}, kOk},
      {"just above the cap", {255, 0x01, 0x00, 0x00, 0x01}, kMalformedRecord},
      {"truncated length", {255, 0x10, 0x00}, kShortRead},
      {"truncated text", {5, 'a', 'b'}, kShortRead},
  };
  for (const Case& c : cases) {
    MemoryStream in;
    in.OpenRead(c.bytes);
    String text("old");
    EXPECT_EQ(in.ReadString(text), c.result) << c.name;
    EXPECT_TRUE(text.IsEmpty()) << c.name;
    EXPECT_TRUE(c.result != kOk || in.GetRemaining() == 2u) << c.name;
  }
}

TEST(StreamTest, MemoryStreamMayReadItsOwnBuffer) {
  MemoryStream stream;
  stream.OpenWrite();
  for (int i = 0; i < 1000; ++i) stream.Write(kBytes, sizeof kBytes);
  EXPECT_EQ(stream.OpenRead(stream.GetData()), kOk);
  uint8_t chunk[16];
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(stream.Read(chunk, 16), kOk);
  EXPECT_EQ(stream.Read(chunk, 1), kShortRead);
}

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

TEST(FileStreamTest, ARangeConfinesReadingAndWritesInPlace) {
  test::TempFolder temp;
  WriteTestFile(temp.Join("image.bin"), "head[middle]tail");
  FileRange range;
  range.offset = 5;
  range.length = 6;
  FileStream in;
  ASSERT_EQ(in.Open(Stream::kReading, S(temp.Join("image.bin")), nullptr, range), kOk);
  EXPECT_EQ(in.GetRemaining(), 6u);
  char buffer[8] = {};
  EXPECT_EQ(in.Read(buffer, 4), kOk);
  EXPECT_EQ(std::string(buffer, 4), "midd");
  EXPECT_EQ(in.Read(buffer, 3), kShortRead);  // "]" lies beyond the range
  in.Close();

  // In place: the bytes around stay, nothing is cut; a write past the
  // range's length is refused.
  FileStream out;
  ASSERT_EQ(out.Open(Stream::kWriting, S(temp.Join("image.bin")), nullptr, range), kOk);
  EXPECT_EQ(out.Write("MIDDLE", 6), kOk);
  EXPECT_EQ(out.Write("!", 1), kShortWrite);
  out.Close();
  EXPECT_EQ(ReadTestFile(temp.Join("image.bin")), "head[MIDDLE]tail");
  // A range with no end grows the file from its offset on.
  range.length = FileRange::kToFileEnd;
  ASSERT_EQ(out.Open(Stream::kWriting, S(temp.Join("image.bin")), nullptr, range), kOk);
  EXPECT_EQ(out.Write("MIDDLE]tail and more", 20), kOk);
  EXPECT_EQ(out.Close(), kOk);
  EXPECT_EQ(ReadTestFile(temp.Join("image.bin")), "head[MIDDLE]tail and more");
  // In place needs the file: none is made.
  EXPECT_EQ(out.Open(Stream::kWriting, S(temp.Join("missing.bin")), nullptr, range), kCannotOpen);
  EXPECT_FALSE(std::filesystem::exists(temp.Join("missing.bin")));
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
