#include "container/package_reader.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "base/progress.h"
#include "container/container_file.h"
#include "container/container_format.h"
#include "platform/files.h"
#include "stream/carrier_format.h"
#include "tests/stream/carrier_test_files.h"
#include "tests/support/file_tree.h"
#include "tests/support/package_builder.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_folder.h"
#include "tools/executable_image.h"
#include "tests/fs/fs_test_files.h"

namespace mv {
namespace {

using test::Snapshot;
using test::TakeSnapshot;

class PackageReaderTest : public testing::Test {
 protected:
  void SetUp() override { test::MakeTree(source_, test::SampleTree()); }

  struct Outcome {
    Result result = kOk;
    Snapshot files;
    std::string message;
    bool read_only_readme = false;
  };

  // Decrypts path with a fresh reader and takes what it produced before the
  // reader's work folder is wiped.
  Outcome Decrypt(const std::string& path, const std::string& password, const ProgressCallback* progress = nullptr) {
    PackageReader reader;
    Outcome outcome;
    EXPECT_EQ(reader.Open(String("")), kOk);
    outcome.result = reader.Decrypt(String(path.c_str()), Password(password.c_str()), progress);
    std::string work = reader.GetWorkFolderPath().c_str();
    outcome.files = TakeSnapshot(work);
    outcome.read_only_readme = platform::ReadAttributes((work + "readme.txt").c_str()) & platform::kAttributeReadOnly;
    String message;
    reader.GetMessageText(message);
    outcome.message = test::Text(message);
    EXPECT_EQ(reader.Cleanup(nullptr), kOk);
    EXPECT_TRUE(test::ListNames(work).empty());
    EXPECT_FALSE(reader.IsOpen());
    return outcome;
  }

  test::TempFolder folder_;
  std::string source_ = folder_.Join("source/");
};

Result CountingProgress(int32_t, int32_t, uintptr_t word1, uintptr_t) {
  ++*reinterpret_cast<int*>(word1);
  return kOk;
}

// Contents, times, empty folders, names outside ASCII and the read-only flag
// (which the wipe of the work folder must get past).
TEST_F(PackageReaderTest, EveryCompressionSettingRoundTripsWithAndWithoutProgress) {
  ASSERT_TRUE(platform::WriteAttributes((source_ + "readme.txt").c_str(), platform::kAttributeReadOnly));
  const Snapshot expected = TakeSnapshot(source_);
  const std::string message = "Hello,\nthe attachments are in the folder.\n\xC4rger? Nein.";
  for (uint32_t compression : {0u, 1u, 2u}) {
    for (bool with_progress : {false, true}) {
      SCOPED_TRACE("compression " + std::to_string(compression) + (with_progress ? " with progress" : ""));
      std::string path = folder_.Join("pack" + std::to_string(compression) + (with_progress ? "p" : "") + ".mef");
      TagRecord header;
      ASSERT_EQ(test::WritePackage(path, source_, message, "pa\xC3\x9Fwort", compression, with_progress, &header), kOk);
      EXPECT_GT(header.GetU32(kHeaderTagTotal, 0), 0u) << "the progress total is written by every writer";
      int notifications = 0;
      ProgressCallback progress{&CountingProgress, reinterpret_cast<uintptr_t>(&notifications), 0};
      Outcome outcome = Decrypt(path, "pa\xC3\x9Fwort", &progress);
      ASSERT_EQ(outcome.result, kOk);
      EXPECT_EQ(outcome.files.entries, expected.entries);
      EXPECT_EQ(outcome.files.times, expected.times);
      EXPECT_EQ(outcome.message, message);
      EXPECT_TRUE(outcome.read_only_readme);
      EXPECT_GT(notifications, 0);
    }
  }
}

// A listing reads every record past the files' bytes: every entry is kept
// with its path and size, the work folder stays empty, and the password is
// checked as for a decryption.
TEST_F(PackageReaderTest, AListingKeepsEveryEntryAndWritesNothing) {
  const std::string path = folder_.Join("list.mef");
  ASSERT_EQ(test::WritePackage(path, source_, "m", "pw", 1, false), kOk);
  std::map<std::string, std::string> listed;
  {
    PackageReader reader;
    reader.SetListOnly(true);
    ASSERT_EQ(reader.Open(String("")), kOk);
    ASSERT_EQ(reader.Decrypt(String(path.c_str()), Password("pw"), nullptr), kOk);
    EXPECT_TRUE(test::ListNames(reader.GetWorkFolderPath().c_str()).empty());
    for (int32_t i = 0; i < reader.GetContent().GetCount(); ++i) {
      const ArchiveEntry* entry = ArchiveEntry::FromValue(reader.GetContent().Member(i));
      if (entry == nullptr) continue;
      const bool folder = entry->GetU8(kEntryTagKind, kEntryKindFile) == kEntryKindFolder;
      String path;
      String name;
      entry->GetText(path, kEntryTagFolder, "");
      entry->GetText(name, kEntryTagName, "");
      listed[(path + name).c_str()] = folder ? "" : std::to_string(entry->GetContentSize());
    }
    String message;
    reader.GetMessageText(message);
    EXPECT_STREQ(message.c_str(), "m");
    EXPECT_EQ(reader.Cleanup(nullptr), kOk);
  }
  std::map<std::string, std::string> expected;
  for (const auto& [relative, content] : TakeSnapshot(source_).entries) {
    expected[relative] = relative.back() == '/' ? "" : std::to_string(content.size());
  }
  EXPECT_EQ(listed, expected);
  PackageReader wrong;
  wrong.SetListOnly(true);
  ASSERT_EQ(wrong.Open(String("")), kOk);
  EXPECT_EQ(wrong.Decrypt(String(path.c_str()), Password("other"), nullptr), kWrongPassword);
  wrong.Cleanup(nullptr);
}

// A header without the cipher tag means Blowfish.
TEST_F(PackageReaderTest, BlowfishIsTheDefaultCipher) {
  const std::vector<uint8_t> vector(8, 0x5A);
  TagRecord header;
  header.Set(kHeaderTagVector, test::BlobOf(vector), true);
  header.SetText(kHeaderTagFormatMark, kFormatMark, true);
  header.SetU8(kHeaderTagCompression, 1, true);
  std::string path = folder_.Join("blowfish.mef");
  ASSERT_EQ(test::WriteCraftedPackage(path, header, kCipherBlowfish, vector, 1, "pw", test::ContentOf(source_, "m"), source_),
            kOk);
  Outcome outcome = Decrypt(path, "pw");
  ASSERT_EQ(outcome.result, kOk);
  EXPECT_EQ(outcome.files.entries, TakeSnapshot(source_).entries);
  EXPECT_EQ(outcome.message, "m");
}

TEST_F(PackageReaderTest, RefusesWhatIsNotAUsableContainer) {
  const std::string good = folder_.Join("good.mef");
  ASSERT_EQ(test::WritePackage(good, source_, "", "right", 1, false), kOk);
  tools::Bytes good_bytes;
  ASSERT_TRUE(tools::ReadWholeFile(good, &good_bytes));
  TagRecord content = test::ContentOf(source_, "");

  struct Case {
    const char* name;
    std::string file;
    Result expected;
  };
  std::vector<Case> cases;
  auto crafted = [&](const char* name, TagRecord header) {
    std::string path = folder_.Join(std::string(name) + ".mef");
    test::WriteCraftedPackage(path, header, kCipherAes, std::vector<uint8_t>(16, 0x5A), 1, "right", content, source_);
    return path;
  };
  auto file = [&](const char* name, const tools::Bytes& bytes) {
    tools::WriteWholeFile(folder_.Join(name), bytes);
    return folder_.Join(name);
  };
  TagRecord h = test::StandardHeader();
  h.SetText(kHeaderTagFormatMark, "Morvalis Encrypted Fil", true);
  cases.push_back({"wrong mark", crafted("mark", h), kNotAContainer});
  h = test::StandardHeader();
  h.SetU8(kHeaderTagCipher, kCipherReserved, true);
  cases.push_back({"reserved cipher", crafted("cipher1", h), kNotAContainer});
  h = test::StandardHeader();
  h.SetU8(kHeaderTagCompression, 3, true);
  cases.push_back({"compression 3", crafted("comp3", h), kBadCompression});
  cases.push_back({"wrong password", good, kWrongPassword});
  const std::string older = "MorvalisEncryptedFile" + std::string(40, '\0');
  cases.push_back({"older layout", file("older.MEF", tools::Bytes(older.begin(), older.end())), kOldFormat});
  cases.push_back({"mef with a further extension", file("package.mef.txt", good_bytes), kNotAContainer});
  cases.push_back({"truncated chunk", file("truncated.mef", tools::Bytes(good_bytes.begin(), good_bytes.end() - 100)),
                   kShortRead});
  // The length block of the first chunk, flipped: the decrypted length is
  // garbage and far above the chunk limit. The header takes 86 bytes plus 12
  // for the progress total.
  tools::Bytes corrupt = good_bytes;
  corrupt[86 + 12 + 2 + 3] ^= 0xFF;
  cases.push_back({"corrupt length block", file("corrupt.mef", corrupt), kCipherFailed});
  cases.push_back({"no such file", folder_.Join("missing.mef"), kFileNotFound});
  // A file entry in the cleartext header: nothing a header holds may reach
  // the disk, neither before the password check nor after it.
  h = test::StandardHeader();
  TagValue planted;
  planted.SetType(kTypeEntry);
  ArchiveEntry* entry = ArchiveEntry::FromValue(planted);
  ASSERT_NE(entry, nullptr);
  entry->SetText(kEntryTagName, "planted.txt", true);
  test::WriteFileText(folder_.Join("planted/planted.txt"), "planted");
  entry->SetSourceFolder(String(folder_.Join("planted/").c_str()));
  h.Set(77, planted, false);
  cases.push_back({"entry in the header", crafted("planted", h), kMalformedRecord});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome outcome = Decrypt(c.file, c.expected == kWrongPassword ? "wrong" : "right");
    EXPECT_EQ(outcome.result, c.expected);
    EXPECT_TRUE(outcome.files.entries.empty()) << "nothing is written";
  }
}

TEST_F(PackageReaderTest, CarriersAreReadAsContainers) {
  for (bool wav : {false, true}) {
    SCOPED_TRACE(wav ? "wav" : "bmp");
    std::string carrier = folder_.Join(wav ? "sound.Wav" : "photo.Bmp");
    tools::WriteWholeFile(carrier, test::CarrierBytes(wav ? kCarrierWav16 : kCarrierBmp24, 3 << 20));
    std::string small = folder_.Join("small/");
    test::MakeTree(small, {{"a.txt", "carried text"}, {"sub/b.txt", "more"}});
    TagRecord header;
    TagRecord content = test::ContentOf(small, "hidden note");
    ContainerJob job;
    job.kind = kContainerCarrier;
    job.carrier_format = DetectCarrierFormat(String(carrier.c_str()));
    job.path = carrier.c_str();
    job.password = Password("carrier");
    job.base_folder = small.c_str();
    ASSERT_EQ(WriteContainer(job, &header, &content), kOk);
    Outcome outcome = Decrypt(carrier, "carrier");
    ASSERT_EQ(outcome.result, kOk);
    EXPECT_EQ(outcome.files.entries, TakeSnapshot(small).entries);
    EXPECT_EQ(outcome.message, "hidden note");
    EXPECT_EQ(Decrypt(carrier, "other").result, kNoHiddenData);
  }
  std::string packed = folder_.Join("packed.bmp");
  tools::WriteWholeFile(packed, test::CarrierBytes(kCarrierBmpPacked, 4000));  // not a usable carrier
  EXPECT_EQ(Decrypt(packed, "x").result, kNotAContainer);
}

}  // namespace
}  // namespace mv
