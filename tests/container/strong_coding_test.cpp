// The strong kind's content coding over whole packages: round trips at
// every compression setting across chunk and block boundaries, executables
// restored exactly as their coding says, an empty package, and hostile
// Zstandard content sealed with the right password, each refused with its
// code and nothing left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "container/container_file.h"
#include "container/container_format.h"
#include "container/package_reader.h"
#include "archive/archive_entry.h"
#include "container/strong_header.h"
#include "crypto/aead_chunk_stream.h"
#include "stream/memory_stream.h"
#include "stream/zstd_memory.h"
#include "tests/support/file_tree.h"
#include "tests/support/package_builder.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_env.h"
#include "tests/support/zstd_frames.h"
#include "tools/executable_image.h"

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr Argon2Cost kCheapCost{1, 256, 2};
const char kPassword[] = "zstd password";

Bytes Joined(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class StrongCodingTest : public testing::Test {
 protected:
  // Writes the content of root (or an empty content) at compression.
  Bytes Write(const std::string& root, uint32_t compression, TagRecord* header = nullptr) {
    ContainerJob job;
    const std::string path = folder_.Join("written.mef");
    job.path = path.c_str();
    job.password = Password(kPassword);
    job.base_folder = root.c_str();
    job.compression = compression;
    job.package_kind = PackageKind::kStrong;
    job.kdf_cost = kCheapCost;
    TagRecord written;
    TagRecord content = root.empty() ? TagRecord() : test::ContentOf(root, "");
    EXPECT_EQ(WriteContainer(job, &written, &content), kOk);
    if (header != nullptr) *header = written;
    Bytes bytes;
    EXPECT_TRUE(tools::ReadWholeFile(path, &bytes));
    return bytes;
  }

  // Decrypts bytes into a target folder the reader makes; on success the
  // snapshot of what arrived, on failure the code with the folder gone.
  Result Extract(const Bytes& bytes, test::Snapshot* files, const std::string& password = kPassword) {
    const std::string path = folder_.Join("read.mef");
    EXPECT_TRUE(tools::WriteWholeFile(path, bytes));
    const std::string target = folder_.Join("target/");
    PackageReader reader;
    EXPECT_EQ(reader.Open(String(target.c_str())), kOk);
    const Result r = reader.Decrypt(String(path.c_str()), Password(password.c_str()), nullptr);
    if (r == kOk) {
      *files = test::TakeSnapshot(target);
      std::filesystem::remove_all(target);
    } else {
      reader.Cleanup(nullptr);
    }
    EXPECT_FALSE(std::filesystem::exists(target));
    return r;
  }

  // The serialised content record of root, as the chunks carry it.
  Bytes RecordOf(const std::string& root) {
    TagRecord content = test::ContentOf(root, "");
    StreamContext context{root.c_str(), nullptr, 0, 0};
    MemoryStream sink;
    sink.OpenWrite(&context);
    EXPECT_EQ(content.Serialize(sink), kOk);
    return sink.GetData();
  }

  // A package sealed byte by byte under kPassword: the writer's header for
  // a Zstandard frame of total bytes, its tag 40 changed by tweak, and
  // plain as the sealed content.
  Bytes Sealed(const Bytes& plain, uint32_t total, const std::function<void(Bytes&)>& tweak = nullptr) {
    TagRecord header;
    header.SetText(kHeaderTagFormatMark, kFormatMark, true);
    header.SetU8(kHeaderTagCompression, 1, true);
    header.SetU32(kHeaderTagTotal, total, true);
    StrongParameters parameters;
    EXPECT_EQ(PrepareStrongHeader(kCheapCost, 1, &header, &parameters), kOk);
    if (tweak) {
      TagValue value;
      header.Get(value, kHeaderTagStrong);
      Bytes entry = test::BytesOf(value);
      tweak(entry);
      header.Set(kHeaderTagStrong, test::BlobOf(entry), true);
    }
    MemoryStream header_sink;
    header_sink.OpenWrite();
    EXPECT_EQ(header.Serialize(header_sink), kOk);
    const Bytes header_bytes = header_sink.GetData();
    StrongKeys keys;
    Bytes region(kCheckRegionSize);
    EXPECT_EQ(SealStrongHeader(header_bytes, parameters, Password(kPassword), &keys, region.data()), kOk);
    MemoryStream sink;
    sink.OpenWrite();
    AeadChunkStream chunks;
    EXPECT_EQ(chunks.Open(&sink, keys.payload, parameters.nonce_prefix, ByteRange{header_bytes.data(), header_bytes.size()}, 0), kOk);
    if (!plain.empty()) chunks.Write(plain.data(), static_cast<uint32_t>(plain.size()));
    EXPECT_EQ(chunks.Close(), kOk);
    return Joined(Joined(header_bytes, region), sink.GetData());
  }

  test::TempFolder folder_;
};

TEST_F(StrongCodingTest, RoundTripsAtEverySettingAcrossChunkAndBlockBoundaries) {
  const uint32_t chunk = AeadChunkStream::kChunkCapacity;
  for (uint32_t compression : {0u, 1u, 2u}) {
    for (uint32_t size : {0u, 1u, chunk - 1, chunk, chunk + 1, 3 * chunk + 7}) {
      SCOPED_TRACE(testing::Message() << "compression " << compression << ", a file of " << size << " bytes");
      const std::string root = folder_.Join("tree" + std::to_string(compression) + "_" + std::to_string(size) + "/");
      const Bytes data = test::MixedBytes(size, size);
      const Bytes program = test::ExecutableBytes(size, size);
      test::MakeTree(root, {{"f/", ""},
                            {"f/data.bin", std::string(data.begin(), data.end())},
                            {"f/program", std::string(program.begin(), program.end())}});
      TagRecord header;
      const Bytes package = Write(root, compression, &header);
      StrongParameters parameters;
      ASSERT_EQ(ParseStrongParameters(header, &parameters), kOk);
      EXPECT_EQ(parameters.version, kStrongVersion);
      EXPECT_EQ(parameters.coding.method, compression == 0 ? ContentCoding::kFrames : ContentCoding::kZstdFiltered);
      test::Snapshot files;
      ASSERT_EQ(Extract(package, &files), kOk);
      EXPECT_EQ(files.entries, test::TakeSnapshot(root).entries);
    }
  }
}

// The content record as chunks carry it is the same for both Zstandard
// codings; only coding 2 restores the executables in it, so the same frame
// gives the files back under coding 1 and changes the program under 2.
TEST_F(StrongCodingTest, ExecutablesAreRestoredOnlyUnderTheFilteringCoding) {
  const std::string root = folder_.Join("tree/");
  // Across the copy loop's piece of 100,000 bytes, a branch at its edge.
  Bytes program = test::ExecutableBytes(2 * ArchiveEntry::kCopyBufferSize + 3, 5);
  program[ArchiveEntry::kCopyBufferSize - 2] = 0xE8;
  program[ArchiveEntry::kCopyBufferSize + 2] = 0x00;
  test::MakeTree(root, {{"bin/", ""},
                        {"bin/program", std::string(program.begin(), program.end())},
                        {"bin/notes.txt", "E8 in a text file: \xE8\x00\x00\x00\x00"}});
  const Bytes record = RecordOf(root);
  const auto total = static_cast<uint32_t>(record.size());
  const Bytes frame = test::LibraryFrame(record, 20, true);
  test::Snapshot files;
  ASSERT_EQ(Extract(Sealed(frame, total, [](Bytes& e) { e[38] = ContentCoding::kZstd; }), &files), kOk);
  EXPECT_EQ(files.entries, test::TakeSnapshot(root).entries);
  ASSERT_EQ(Extract(Sealed(frame, total), &files), kOk);
  auto expected = test::TakeSnapshot(root).entries;
  EXPECT_NE(files.entries["bin/program"], expected["bin/program"]);
  files.entries.erase("bin/program");
  expected.erase("bin/program");
  EXPECT_EQ(files.entries, expected);
}

TEST_F(StrongCodingTest, AnEmptyPackageOpens) {
  for (uint32_t compression : {0u, 1u, 2u}) {
    SCOPED_TRACE(compression);
    test::Snapshot files;
    EXPECT_EQ(Extract(Write("", compression), &files), kOk);
    EXPECT_TRUE(files.entries.empty());
  }
}

TEST_F(StrongCodingTest, HostileFramesSealedWithTheRightPasswordAreRefused) {
  const std::string root = folder_.Join("tree/");
  test::MakeTree(root, test::SampleTree());
  const Bytes record = RecordOf(root);
  const auto total = static_cast<uint32_t>(record.size());
  auto frame_of = [](const Bytes& plain, bool pledge, int window_log) {
    return test::LibraryFrame(plain, window_log, pledge);
  };
  const Bytes frame = frame_of(record, true, 20);
  const Bytes skippable = {0x50, 0x2A, 0x4D, 0x18, 3, 0, 0, 0, 'a', 'b', 'c'};
  // The first frame with a dictionary id: its header descriptor's two low
  // bits give the id's size, which goes right after the window byte.
  Bytes with_dictionary = frame;
  ASSERT_EQ(with_dictionary[4] & 3, 0);
  const size_t id_at = 5 + ((with_dictionary[4] & 0x20) == 0 ? 1 : 0);
  with_dictionary[4] |= 1;
  with_dictionary.insert(with_dictionary.begin() + id_at, 7);
  struct Case {
    const char* name;
    Bytes package;
    Result expected;
  } cases[] = {
      {"the writer's kind of frame", Sealed(frame, total), kOk},
      {"a window log of 28 in the header", Sealed(frame, total, [](Bytes& e) { e[40] = 28; }), kWindowTooLarge},
      {"a frame asking 256 MiB", Sealed(frame_of(record, false, 28), total), kWindowTooLarge},
      {"a frame larger than the header's window", Sealed(frame, total, [](Bytes& e) { e[40] = 12; }),
       kWindowTooLarge},
      {"two frames", Sealed(Joined(frame, frame), total), kDecompressionFailed},
      {"a skippable frame after the frame", Sealed(Joined(frame, skippable), total), kDecompressionFailed},
      {"a skippable frame before the frame", Sealed(Joined(skippable, frame), total), kDecompressionFailed},
      {"a dictionary id", Sealed(with_dictionary, total), kDecompressionFailed},
      {"the frame cut short", Sealed(Bytes(frame.begin(), frame.end() - 40), total), kDecompressionFailed},
      {"a total below the frame's", Sealed(frame, total - 1), kDecompressionFailed},
      {"a level of 0", Sealed(frame, total, [](Bytes& e) { e[39] = 0; }), kMalformedRecord},
      {"an unknown coding", Sealed(frame, total, [](Bytes& e) { e[38] = 3; }), kMalformedRecord},
      {"another password form", Sealed(frame, total, [](Bytes& e) { e[37] = 2; }), kMalformedRecord},
      {"the entry of version 1's size", Sealed(frame, total, [](Bytes& e) { e.resize(kStrongEntrySize1); }),
       kMalformedRecord},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::Snapshot files;
    EXPECT_EQ(Extract(c.package, &files), c.expected);
    if (c.expected == kOk) {
      EXPECT_EQ(files.entries, test::TakeSnapshot(root).entries);
    }
  }
}

}  // namespace
}  // namespace mv
