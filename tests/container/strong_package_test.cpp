// The strong kind over real packages: what it delivers, the chunk layer's
// rule for the last chunk, and one table of packages damaged or changed on
// their way, each refused with its code before anything reaches the target
// folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "container/container_file.h"
#include "container/container_format.h"
#include "container/package_reader.h"
#include "container/strong_header.h"
#include "crypto/aead_chunk_stream.h"
#include "fs/directory_copy.h"
#include "platform/interruption.h"
#include "stream/memory_stream.h"
#include "tests/support/earlier_packages.h"
#include "tests/support/file_tree.h"
#include "tests/support/package_builder.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_folder.h"
#include "tools/executable_image.h"

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr Argon2Cost kCheapCost{1, 256, 2};
const char kPassword[] = "pa\xC3\x9Fwort";  // paßwort, as typed

uint32_t U32At(const Bytes& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

// Where the parts of a strong package lie.
struct Layout {
  size_t header = 0;             // bytes of the header record
  size_t strong_entry = 0;       // offset of tag 40's bytes
  std::vector<size_t> chunks;    // offset of each chunk's length field
  size_t ChunkEnd(size_t i, const Bytes& bytes) const { return chunks[i] + 4 + U32At(bytes, chunks[i]) + 16; }
};

Layout LayoutOf(const Bytes& bytes) {
  Layout layout;
  layout.header = 8 + U32At(bytes, 4);
  const uint8_t entry_head[] = {1, 0, kHeaderTagStrong, 0, kStrongEntrySize, 0, 0, 0};
  layout.strong_entry = std::search(bytes.begin(), bytes.begin() + layout.header, std::begin(entry_head),
                                    std::end(entry_head)) - bytes.begin() + sizeof entry_head;
  for (size_t at = layout.header + kCheckRegionSize; at < bytes.size(); at += 4 + U32At(bytes, at) + 16) {
    layout.chunks.push_back(at);
  }
  return layout;
}

class StrongPackageTest : public testing::Test {
 protected:
  void SetUp() override {
    test::MakeTree(source_, test::SampleTree());
    ASSERT_EQ(test::WriteStrongPackage(package_, source_, kPassword, kCheapCost), kOk);
    ASSERT_TRUE(tools::ReadWholeFile(package_, &original_));
  }

  struct Outcome {
    Result result;
    uint32_t chunk;
    test::Snapshot files;
  };

  // Decrypts bytes into a target folder that the reader makes and, on
  // failure, wipes; or, delivering, with the files put straight into a
  // target that must then stay unmade.
  Outcome Extract(const Bytes& bytes, const std::string& password, bool deliver = false) {
    const std::string path = folder_.Join("changed.mef");
    EXPECT_TRUE(tools::WriteWholeFile(path, bytes));
    const std::string target = folder_.Join("target/");
    Outcome outcome{kOk, 0, {}};
    {
      // The target is let go (Windows keeps its folders open while they
      // are written) before it is looked at.
      PackageReader reader;
      TargetFolder folder(String(target.c_str()), false);
      TargetDelivery delivery(&folder);
      if (deliver) reader.SetDelivery(&delivery);
      EXPECT_EQ(reader.Open(deliver ? String("") : String(target.c_str())), kOk);
      outcome.result = reader.Decrypt(String(path.c_str()), Password(password.c_str()), nullptr);
      if (outcome.result == kOk) outcome.result = delivery.GetResult();
      outcome.chunk = reader.GetFailedChunk();
      if (deliver || outcome.result != kOk) reader.Cleanup(nullptr);
    }
    if (outcome.result == kOk) {
      outcome.files = test::TakeSnapshot(target);
      std::filesystem::remove_all(target);
    }
    EXPECT_FALSE(std::filesystem::exists(target));
    return outcome;
  }

  test::TempFolder folder_;
  std::string source_ = folder_.Join("source/");
  std::string package_ = folder_.Join("package.mef");
  Bytes original_;
};

TEST_F(StrongPackageTest, DeliversTheTreeAndNamesItsKind) {
  const Outcome outcome = Extract(original_, kPassword);
  ASSERT_EQ(outcome.result, kOk);
  EXPECT_EQ(outcome.files.entries, test::TakeSnapshot(source_).entries);
  const Layout layout = LayoutOf(original_);
  EXPECT_GE(layout.chunks.size(), 4u);
  EXPECT_EQ(layout.ChunkEnd(layout.chunks.size() - 1, original_), original_.size());
  EXPECT_EQ(original_[layout.header - 1], kCipherStrong) << "tag 20 closes the header";
}

// An interruption noted while the key is derived (Ctrl-C, SIGTERM, SIGHUP)
// ends the derivation as a cancel: the run can clean up and end at once.
// In a child process, since a noted interruption stays noted.
TEST_F(StrongPackageTest, AnInterruptionEndsTheKeyDerivation) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        platform::RequestInterruption();
        const Outcome outcome = Extract(original_, kPassword);
        std::_Exit(outcome.result == kCancelled && outcome.chunk == 0 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(StrongPackageTest, EveryChangeOnTheWayIsRefusedAndNothingIsDelivered) {
  const Layout at = LayoutOf(original_);
  const size_t last = at.chunks.size() - 1;
  auto flip = [&](size_t offset) {
    Bytes bytes = original_;
    bytes[offset] ^= 0x10;
    return bytes;
  };
  auto chunk = [&](size_t i) { return Bytes(original_.begin() + at.chunks[i], original_.begin() + at.ChunkEnd(i, original_)); };
  auto with_chunks = [&](size_t first, size_t second) {
    Bytes bytes(original_.begin(), original_.begin() + at.chunks[1]);
    const Bytes a = chunk(first), b = chunk(second);
    bytes.insert(bytes.end(), a.begin(), a.end());
    bytes.insert(bytes.end(), b.begin(), b.end());
    bytes.insert(bytes.end(), original_.begin() + at.chunks[3], original_.end());
    return bytes;
  };
  auto with_cost = [&](uint32_t field, uint32_t value) {
    Bytes bytes = original_;
    for (int i = 0; i < 4; ++i) bytes[at.strong_entry + field + i] = static_cast<uint8_t>(value >> (8 * i));
    return bytes;
  };
  auto with_byte = [&](size_t offset, uint8_t value) {
    Bytes bytes = original_;
    bytes[offset] = value;
    return bytes;
  };
  auto with_u32 = [&](size_t offset, uint32_t value) {
    Bytes bytes = original_;
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    return bytes;
  };
  struct Case {
    const char* name;
    Bytes bytes;
    Result expected;
    uint32_t chunk;  // the chunk named, 0 for none
    std::string password = kPassword;
  } cases[] = {
      {"the right password, unchanged", original_, kOk, 0},
      {"a wrong password", original_, kWrongPassword, 0, "passwort"},
      {"a bit of the salt", flip(at.strong_entry + 14), kPackageDamaged, 0},
      {"a bit of the key check", flip(at.header + 3), kPackageDamaged, 0},
      {"a bit of the header's digest", flip(at.header + kKeyCheckSize), kPackageDamaged, 0},
      {"a bit of chunk 2's data", flip(at.chunks[1] + 100), kPackageDamaged, 2},
      {"a bit of chunk 1's tag", flip(at.ChunkEnd(0, original_) - 1), kPackageDamaged, 1},
      {"a chunk length raised", flip(at.chunks[0] + 2), kPackageDamaged, 1},
      {"chunks 2 and 3 swapped", with_chunks(2, 1), kPackageDamaged, 2},
      {"chunk 2 in place of chunk 3", with_chunks(1, 1), kPackageDamaged, 3},
      {"cut inside chunk 2", Bytes(original_.begin(), original_.begin() + at.chunks[1] + 1000), kPackageTruncated, 2},
      {"cut inside a length field", Bytes(original_.begin(), original_.begin() + at.chunks[2] + 2), kPackageTruncated, 3},
      {"cut after chunk 3", Bytes(original_.begin(), original_.begin() + at.chunks[3]), kPackageTruncated, 4},
      {"cut before the last chunk", Bytes(original_.begin(), original_.begin() + at.chunks[last]), kPackageTruncated,
       static_cast<uint32_t>(last + 1)},
      {"cut inside the check region", Bytes(original_.begin(), original_.begin() + at.header + 20), kPackageTruncated, 0},
      {"a byte appended", [&] { Bytes b = original_; b.push_back(0); return b; }(), kPackageDamaged,
       static_cast<uint32_t>(last + 1)},
      {"passes raised to 17", with_cost(2, kMaxKdfPasses + 1), kKdfTooCostly, 0},
      {"memory raised past 2 GiB", with_cost(6, kMaxKdfMemoryKib + 1), kKdfTooCostly, 0},
      {"lanes raised to 17", with_cost(10, kMaxKdfLanes + 1), kKdfTooCostly, 0},
      {"passes raised within the bounds", with_cost(2, 2), kPackageDamaged, 0},
      // Only the strong kind has tag 40: another cipher id beside it is
      // damage, told before any derivation, not a wrong password.
      {"the cipher id made the classic kind's AES", with_byte(at.header - 1, 2), kPackageDamaged, 0},
      {"the cipher id made Blowfish", with_byte(at.header - 1, 0), kPackageDamaged, 0},
      {"the cipher id made unknown", with_byte(at.header - 1, 1), kPackageDamaged, 0},
      // The header's bound holds before the record is read: a head asking
      // for 50 MB is refused, not read up to the package's end.
      {"a header claiming 50 MB", with_u32(4, 50000000), kMalformedRecord, 0},
      {"a header one byte above 4 KiB", with_u32(4, kMaxStrongHeaderSize - 8 + 1), kMalformedRecord, 0},
      {"a record shorter than its head says", with_u32(4, U32At(original_, 4) + 4), kMalformedRecord, 0},
  };
  // Delivered straight into the target, every chunk is authenticated
  // before the first file is written: a change anywhere, the last chunk
  // included, leaves no target folder at all.
  for (bool deliver : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (deliver ? ", delivered" : ""));
      const Outcome outcome = Extract(c.bytes, c.password, deliver);
      EXPECT_EQ(outcome.result, c.expected);
      EXPECT_EQ(outcome.chunk, c.chunk);
    }
  }
}

// What a delivery puts into the user's folder is what a copy from the work
// folder puts there: folders only for the files in them, no recycle bin, a
// file that cannot be written told and the others delivered, an existing
// target refused without replace.
TEST(StrongPackageDelivery, DeliversWhatACopyOfTheWorkFolderDelivers) {
  test::TempFolder folder;
  const std::string source = folder.Join("source/");
  test::MakeTree(source, {{"a.txt", "alpha"},
                          {"empty/", ""},
                          {"sub/b.txt", "beta"},
                          {"sub/RECYCLED/c.txt", "gamma"},
                          {"Recycler/d.txt", "delta"},
                          {"sub/deep/e.txt", std::string(200000, 'e')}});
  const std::string package = folder.Join("package.mef");
  ASSERT_EQ(test::WriteStrongPackage(package, source, kPassword, kCheapCost), kOk);
  const std::map<std::string, std::string> delivered = {
      {"a.txt", "alpha"}, {"sub/", ""}, {"sub/b.txt", "beta"}, {"sub/deep/", ""},
      {"sub/deep/e.txt", std::string(200000, 'e')}};

  struct Case {
    const char* name;
    bool replace;
    // Prepares the target; "" when it could, else why not (the case is
    // then skipped).
    std::function<std::string(const std::string& target)> prepare;
    Result expected;
    std::vector<std::string> failed;  // below the target
  } cases[] = {
      {"a new target", false, [](const std::string&) { return std::string(); }, kOk, {}},
      {"an existing target without replace", false,
       [](const std::string& target) {
         test::MakeTree(target, {{"old.txt", "old"}});
         return std::string();
       },
       kTargetFolderExists, {}},
      {"an existing target with replace", true,
       [](const std::string& target) {
         test::MakeTree(target, {{"a.txt", "old"}, {"old.txt", "old"}});
         return std::string();
       },
       kOk, {}},
      {"a link below the target", true,
       [&folder](const std::string& target) {
         test::MakeTree(target, {{"elsewhere/", ""}});
         return test::MakeLink(test::LinkKind::kFolderSymlink, folder.Join("elsewhere"), target + "sub");
       },
       kLinkInTarget, {"sub/b.txt", "sub/deep/e.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string target = folder.Join("target/");
    std::filesystem::remove_all(target);
    std::filesystem::create_directories(folder.Join("elsewhere"));
    const std::string unprepared = c.prepare(target);
    if (!unprepared.empty()) {
      std::cout << "skipped: " << unprepared << "\n";
      continue;
    }
    const test::Snapshot before = std::filesystem::exists(target) ? test::TakeSnapshot(target) : test::Snapshot();
    TargetFolder to(String(target.c_str()), c.replace);
    TargetDelivery delivery(&to);
    Result read = kOk;
    {
      PackageReader reader;
      reader.SetDelivery(&delivery);
      ASSERT_EQ(reader.Open(String("")), kOk);
      read = reader.Decrypt(String(package.c_str()), Password(kPassword), nullptr);
      const std::string work = reader.GetWorkFolderPath().c_str();
      EXPECT_TRUE(test::ListNames(work).empty()) << "nothing decrypted into the work folder";
      reader.Cleanup(nullptr);
    }
    // A target refused ends the read with its code; a file that failed
    // leaves the read whole.
    EXPECT_EQ(read, c.expected == kTargetFolderExists ? kTargetFolderExists : kOk);
    EXPECT_EQ(delivery.GetResult(), c.expected);
    std::vector<std::string> failed;
    for (const CopyFailure& failure : delivery.GetFailures()) failed.push_back(failure.path.c_str());
    EXPECT_EQ(failed, c.failed);
    const test::Snapshot after = test::TakeSnapshot(target);
    if (c.expected == kTargetFolderExists) {
      EXPECT_EQ(after, before) << "an existing target is left as it was";
      continue;
    }
    for (const auto& [path, content] : delivered) {
      if (path.rfind("sub/", 0) == 0 && !c.failed.empty()) continue;
      EXPECT_EQ(after.entries.count(path), 1u) << path;
      if (after.entries.count(path) != 0) {
        EXPECT_EQ(after.entries.at(path), content) << path;
      }
    }
    EXPECT_EQ(after.entries.count("empty/"), 0u) << "an empty folder is not delivered";
    EXPECT_EQ(after.entries.count("Recycler/"), 0u);
    EXPECT_EQ(after.entries.count("sub/RECYCLED/"), 0u);
    if (c.failed.empty()) {
      EXPECT_EQ(after.times.at("a.txt"), test::TakeSnapshot(source).times.at("a.txt"));
    }
    EXPECT_TRUE(test::ListNames(folder.Join("elsewhere/")).empty()) << "nothing written through a link";
  }
}

// Only authenticated content goes straight to the user: the classic kind
// is refused before anything is delivered.
TEST(StrongPackageDelivery, TheClassicKindIsNotDelivered) {
  test::TempFolder folder;
  const std::string source = folder.Join("source/");
  test::MakeTree(source, {{"a.txt", "alpha"}});
  const std::string package = folder.Join("classic.mef");
  ASSERT_EQ(test::WritePackage(package, source, "", "x", 1, false), kOk);
  const std::string target = folder.Join("target/");
  PackageReader reader;
  TargetFolder to(String(target.c_str()), false);
  TargetDelivery delivery(&to);
  reader.SetDelivery(&delivery);
  ASSERT_EQ(reader.Open(String("")), kOk);
  EXPECT_EQ(reader.Decrypt(String(package.c_str()), Password("x"), nullptr), kUnsupported);
  reader.Cleanup(nullptr);
  EXPECT_FALSE(std::filesystem::exists(target));
}

// The strong kind takes a password in any script, as typed: the same
// characters open the package however they were typed (composed or with
// combining marks), and a look-alike of the same length, such as what an
// ANSI code page makes of it, does not.
TEST(StrongPackagePasswords, AnyScriptOpensAndEveryWayOfTypingItIsOnePassword) {
  test::TempFolder folder;
  const std::string source = folder.Join("source/");
  test::MakeTree(source, {{"a.txt", "alpha"}});
  struct Case {
    const char* name;
    const char* written;
    const char* typed;
    Result result;
  } cases[] = {
      {"Cyrillic", "\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C" "1",
       "\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C" "1", kOk},
      {"Cyrillic, what the ANSI code page made of it", "\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C" "1",
       "??????1", kWrongPassword},
      {"Cyrillic, another word of that length", "\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C" "1",
       "\xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87\xD0\xB8\xD0\xBA" "1", kWrongPassword},
      {"Japanese", "\xE3\x83\x91\xE3\x82\xB9\xE3\x83\xAF\xE3\x83\xBC\xE3\x83\x89",
       "\xE3\x83\x91\xE3\x82\xB9\xE3\x83\xAF\xE3\x83\xBC\xE3\x83\x89", kOk},
      {"Japanese, the voiced mark typed apart", "\xE3\x83\x91\xE3\x82\xB9\xE3\x83\xAF\xE3\x83\xBC\xE3\x83\x89",
       "\xE3\x83\x8F\xE3\x82\x9A\xE3\x82\xB9\xE3\x83\xAF\xE3\x83\xBC\xE3\x83\x88\xE3\x82\x99", kOk},
      {"composed, typed decomposed", "Caf\xC3\xA9", "Cafe\xCC\x81", kOk},
      {"decomposed, typed composed", "Cafe\xCC\x81", "Caf\xC3\xA9", kOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.Join("package.mef");
    ContainerJob job;
    job.path = path.c_str();
    job.password = Password(c.written);
    job.base_folder = source.c_str();
    job.package_kind = PackageKind::kStrong;
    job.kdf_cost = kCheapCost;
    TagRecord header;
    TagRecord content = test::ContentOf(source, "");
    ASSERT_EQ(WriteContainer(job, &header, &content), kOk);
    EXPECT_EQ(PasswordFormOf(header), PasswordForm::kUtf8Nfc);
    PackageReader reader;
    ASSERT_EQ(reader.Open(String("")), kOk);
    EXPECT_EQ(reader.Decrypt(String(path.c_str()), Password(c.typed), nullptr), c.result);
    reader.Cleanup(nullptr);
  }
}

// Packages written before keep opening with the password typed as then:
// the strong kind's first version and the classic kind hash its
// Windows-1252 bytes, whatever form it arrives in.
TEST(StrongPackagePasswords, PackagesWrittenBeforeOpenWithTheSamePassword) {
  struct Case {
    const char* name;
    Bytes package;
    const char* typed;
    Result result;
  } cases[] = {
      {"strong, first version", Bytes(std::begin(test::kStrongVersion1Package), std::end(test::kStrongVersion1Package)),
       "pa\xC3\x9Fwort", kOk},
      {"strong, first version, another password", Bytes(std::begin(test::kStrongVersion1Package),
                                                        std::end(test::kStrongVersion1Package)),
       "passwort", kWrongPassword},
      {"strong, first version, a password it could not hold",
       Bytes(std::begin(test::kStrongVersion1Package), std::end(test::kStrongVersion1Package)), "\xD0\x9F", kBadArgument},
      {"classic", Bytes(std::begin(test::kClassicPackage), std::end(test::kClassicPackage)), "pa\xC3\x9Fwort", kOk},
      {"classic, another password", Bytes(std::begin(test::kClassicPackage), std::end(test::kClassicPackage)),
       "pa\xC3\x9Fworte", kWrongPassword},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempFolder folder;
    const std::string path = folder.Join("earlier.mef");
    ASSERT_TRUE(tools::WriteWholeFile(path, c.package));
    PackageReader reader;
    ASSERT_EQ(reader.Open(String(folder.Join("out/").c_str())), kOk);
    ASSERT_EQ(reader.Decrypt(String(path.c_str()), Password(c.typed), nullptr), c.result);
    if (c.result == kOk) {
      EXPECT_EQ(test::ReadFileText(folder.Join("out/Unterlagen/\xDC" "bersicht.txt")), "Hallo\n");
    }
    reader.Cleanup(nullptr);
  }
}

// The classic kind cannot hold what Windows-1252 lacks: such a password is
// refused, never turned into another one.
TEST(StrongPackagePasswords, TheClassicKindRefusesWhatItCannotHold) {
  test::TempFolder folder;
  const std::string source = folder.Join("source/");
  test::MakeTree(source, {{"a.txt", "alpha"}});
  ContainerJob job;
  const std::string path = folder.Join("classic.mef");
  job.path = path.c_str();
  job.password = Password("\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C" "1");
  job.base_folder = source.c_str();
  job.package_kind = PackageKind::kClassic;
  TagRecord header;
  TagRecord content = test::ContentOf(source, "");
  EXPECT_EQ(WriteContainer(job, &header, &content), kBadArgument);
  EXPECT_FALSE(std::filesystem::exists(path));
}

// The last chunk is always shorter than a full one, so content that fills
// whole chunks ends with an empty chunk that carries the flag.
TEST(AeadChunkStreamTest, TheLastChunkIsShortAndCarriesTheFlag) {
  const uint8_t key[kGcmKeySize] = {7};
  const uint8_t prefix[AeadChunkStream::kNoncePrefixSize] = {1, 2, 3};
  const Bytes header = {'h', 'e', 'a', 'd'};
  const uint32_t full = AeadChunkStream::kChunkCapacity;
  for (uint32_t size : {0u, 1u, full - 1, full, full + 1, 2 * full}) {
    SCOPED_TRACE(size);
    const Bytes plain = test::NoiseBytes(size, size);
    MemoryStream sink;
    sink.OpenWrite();
    AeadChunkStream writer;
    ASSERT_EQ(writer.Open(&sink, key, prefix, ByteRange{header.data(), header.size()}, 0), kOk);
    if (size != 0) writer.Write(plain.data(), size);
    ASSERT_EQ(writer.Close(), kOk);
    const Bytes sealed = sink.GetData();
    EXPECT_EQ(sealed.size(), size + (size / full + 1) * AeadChunkStream::kChunkOverhead);

    for (bool whole : {true, false}) {
      // Without its last chunk the stream ends early, however many bytes the
      // chunks before it held.
      const size_t length = whole ? sealed.size() : sealed.size() - (size % full) - AeadChunkStream::kChunkOverhead;
      MemoryStream source;
      source.OpenRead(sealed.data(), length);
      AeadChunkStream reader;
      ASSERT_EQ(reader.Open(&source, key, prefix, ByteRange{header.data(), header.size()}, length), kOk);
      Bytes read(size + 1);
      Result r = size == 0 ? kOk : reader.Read(read.data(), size);
      if (whole) {
        EXPECT_EQ(r, kOk);
        EXPECT_TRUE(std::equal(plain.begin(), plain.end(), read.begin()));
        EXPECT_EQ(reader.CheckEnd(), kOk) << "the flagged chunk is there";
        EXPECT_EQ(reader.Read(read.data(), 1), kShortRead) << "nothing follows the flagged chunk";
        EXPECT_EQ(reader.CheckEnd(), kOk) << "a read that found the end";
      } else {
        // A content of whole chunks seems complete without its last one;
        // the end check reads on and finds it missing.
        if (r == kOk) r = reader.CheckEnd();
        EXPECT_EQ(r, kPackageTruncated);
      }
    }
    // Bytes after the end, and content the layer above left unread.
    Bytes appended = sealed;
    appended.push_back(0);
    const struct {
      const char* name;
      const Bytes& bytes;
      uint32_t taken;
    } tails[] = {{"a byte appended", appended, size}, {"the last byte unread", sealed, size == 0 ? 0 : size - 1}};
    for (const auto& tail : tails) {
      if (size == 0 && tail.bytes.size() == sealed.size()) continue;
      SCOPED_TRACE(tail.name);
      MemoryStream source;
      source.OpenRead(tail.bytes);
      AeadChunkStream reader;
      ASSERT_EQ(reader.Open(&source, key, prefix, ByteRange{header.data(), header.size()}, tail.bytes.size()), kOk);
      Bytes read(size + 1);
      Result r = tail.taken == 0 ? kOk : reader.Read(read.data(), tail.taken);
      if (r == kOk) r = reader.CheckEnd();
      EXPECT_EQ(r, kPackageDamaged);
    }
  }
}

}  // namespace
}  // namespace mv
