#include "app/self_extractor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "base/progress.h"
#include "base/text_id.h"
#include "container/container_format.h"
#include "container/secure_wipe.h"
#include "fs/directory_copy.h"
#include "platform/confined_folder.h"
#include "platform/system_faults.h"
#include "stream/memory_stream.h"
#include "tests/archive/entry_test_files.h"
#include "tests/support/file_tree.h"
#include "tests/support/package_builder.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_env.h"
#include "tools/executable_image.h"

namespace mv {
namespace {

// Sets environment variables for as long as it lives; by default points
// the system's temporary folder at a folder of the test's own, so that what
// an extraction leaves behind can be listed exactly. "" unsets a variable.
class EnvironmentOverride {
 public:
  EnvironmentOverride() = default;
  explicit EnvironmentOverride(std::string temporary_folder) {
#ifdef _WIN32
    for (char& c : temporary_folder) c = c == '/' ? '\\' : c;
    for (const char* name : {"TMP", "TEMP"}) Set(name, temporary_folder);
#else
    Set("TMPDIR", temporary_folder);
#endif
  }
  ~EnvironmentOverride() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Put(it->first, it->second);
  }

  void Set(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old == nullptr ? "" : old);
    Put(name, value);
  }

 private:
  static void Put(const std::string& name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value.c_str());
#else
    value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
#endif
  }
  std::vector<std::pair<std::string, std::string>> saved_;
};

Result CancelOnPosition(int32_t code, int32_t, uintptr_t, uintptr_t) {
  return code == kProgressPosition ? kCancelled : kOk;
}

// The bytes of a container at path (written first) whose content is a list
// of the given raw entries, with no checks on them.
std::vector<uint8_t> CraftedContainer(const std::string& path, const std::vector<std::vector<uint8_t>>& entries) {
  uint32_t length = 4;
  for (const auto& entry : entries) length += static_cast<uint32_t>(entry.size());
  MemoryStream list;
  list.OpenWrite();
  list.WriteU16(kTypeList);
  list.WriteU16(0);
  list.WriteU32(length);
  list.WriteU32(static_cast<uint32_t>(entries.size()));
  for (const auto& entry : entries) list.Write(entry.data(), static_cast<uint32_t>(entry.size()));
  EXPECT_EQ(test::WriteCraftedPackageBytes(path, test::StandardHeader(), kCipherAes, std::vector<uint8_t>(16, 0x5A), 1,
                                           "secret", list.GetData()),
            kOk);
  tools::Bytes bytes;
  EXPECT_TRUE(tools::ReadWholeFile(path, &bytes));
  return bytes;
}

// A container whose one entry tries to leave the folder it is extracted into.
std::vector<uint8_t> HostileContainer(const test::TempFolder& folder) {
  std::string body = "escaped";
  return CraftedContainer(folder.Join("hostile.mef"), {test::EncodeRawEntry(kEntryKindFile, "", "../escaped.txt", &body)});
}

class SelfExtractorTest : public testing::Test {
 protected:
  void SetUp() override {
    test::MakeTree(source_, test::SampleTree());
    container_ = test::PackageBytes(source_, "Message\nwith two lines", "secret");
  }

  test::TempFolder folder_;
  std::string source_ = folder_.Join("source/");
  std::vector<uint8_t> container_;
};

TEST_F(SelfExtractorTest, LeavesNothingBehindWhateverTheOutcome) {
  std::vector<uint8_t> corrupt = container_;
  corrupt[corrupt.size() / 2] ^= 0x55;
  std::vector<uint8_t> beyond = test::SectionWith(container_);
  beyond[8] = 0xFF;  // a data size past the end of the section
  beyond[9] = 0xFF;
  beyond[10] = 0xFF;

  std::vector<uint8_t> evil_bytes = HostileContainer(folder_);

  struct Case {
    const char* name;
    std::vector<uint8_t> section;
    const char* password;
    bool cancel;
    Result expected;
  } cases[] = {
      {"success", test::SectionWith(container_), "secret", false, kOk},
      {"wrong password", test::SectionWith(container_), "Secret", false, kWrongPassword},
      {"cancelled", test::SectionWith(container_), "secret", true, kCancelled},
      {"corrupt data", test::SectionWith(corrupt), "secret", false, kOk /* any failure */},
      {"refused entry", test::SectionWith(evil_bytes), "secret", false, kUnsafeEntryPath},
      {"no payload", std::vector<uint8_t>(4096, 0), "secret", false, kNoPayload},
      {"data beyond the section", beyond, "secret", false, kMalformedRecord},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempFolder temp;
    EnvironmentOverride override_temp(temp.path());
    ProgressCallback cancel{&CancelOnPosition, 0, 0};
    {
      SelfExtractor extractor;
      PayloadView view = FindPayloadHeaderIn(c.section.data(), c.section.size());
      Result r = extractor.ExtractFrom(view, Password(c.password), c.cancel ? &cancel : nullptr);
      if (std::string(c.name) == "corrupt data") {
        EXPECT_NE(r, kOk);
      } else {
        EXPECT_EQ(r, c.expected);
      }
      if (r == kOk) {
        EXPECT_EQ(test::TakeSnapshot(extractor.GetWorkFolder().c_str()).entries, test::TakeSnapshot(source_).entries);
        String message;
        extractor.GetMessageText(message);
        EXPECT_STREQ(message.c_str(), "Message\nwith two lines");
      }
    }
    EXPECT_EQ(test::ListNames(temp.path()), std::vector<std::string>{});
  }
  EXPECT_FALSE(std::filesystem::exists(folder_.Join("escaped.txt")));
}

#ifndef _WIN32
// A memory area that turns out to be full during the decryption (the system
// made to say so through the platform's fault seam): what went there is
// wiped, the receiver is told, and the work is done again on the disk.
Result RecordStatus(int32_t code, int32_t value, uintptr_t texts, uintptr_t) {
  if (code == kProgressStatusText) reinterpret_cast<std::vector<int32_t>*>(texts)->push_back(value);
  return kOk;
}

TEST_F(SelfExtractorTest, AMemoryAreaThatFillsUpGivesWayToTheDisk) {
  test::TempFolder memory;
  EnvironmentOverride environment;
  environment.Set("TMPDIR", "");
  environment.Set("XDG_RUNTIME_DIR", memory.path());
  std::vector<int32_t> texts;
  ProgressCallback progress{&RecordStatus, reinterpret_cast<uintptr_t>(&texts), 0};
  const std::vector<uint8_t> section = test::SectionWith(container_);
  std::string work;
  {
    using platform::Fault;
    using platform::SystemCall;
    platform::InjectedFaults faults(
        {{SystemCall::kAreaFacts, Fault::kMemoryFileSystem}, {SystemCall::kWrite, Fault::kDiskFull, 0, 1}});
    SelfExtractor extractor;
    ASSERT_EQ(extractor.ExtractFrom(FindPayloadHeaderIn(section.data(), section.size()), Password("secret"), &progress),
              kOk);
    work = extractor.GetWorkFolder().c_str();
    EXPECT_EQ(work.rfind(memory.path(), 0), std::string::npos) << work;
    EXPECT_FALSE(extractor.IsWorkInMemory());
    EXPECT_EQ(test::TakeSnapshot(work).entries, test::TakeSnapshot(source_).entries);
    EXPECT_TRUE(test::ListNames(memory.path()).empty()) << "wiped before the disk saw anything";
  }
  EXPECT_NE(std::find(texts.begin(), texts.end(), static_cast<int32_t>(TextId::kMemoryAreaFull)), texts.end());
  EXPECT_FALSE(std::filesystem::exists(work));
}
#endif

// Paths within the entries' bound, however long they become on the system,
// are decrypted, copied and wiped whole; a name no file system here can
// hold refuses the package before anything reaches a target. Every file
// the wipe deletes has been overwritten first.
int g_wiped_files = 0;
void CountPass(const String&, uint64_t) { ++g_wiped_files; }

// A path of components of up to width letters (each letter one byte of
// the program's code page), joined by '/', name last.
std::string LongPath(size_t letters, char letter, size_t width, const std::string& name) {
  std::string path;
  while (letters > 0) {
    const size_t n = std::min(width, letters);
    path += std::string(n, letter) + "/";
    letters -= n;
  }
  return path + name;
}

TEST(LongPathTest, CopiedAndWipedWholeOrRefusedBeforeAnythingIsWritten) {
  const std::string ascii_4096 = LongPath(4096 - 21 - 8, 'a', 200, "deep.txt");  // 21 separators
  const std::string accents = LongPath(2047, '\xE4', 120, "xx");  // 2,067 letters, 4,114 bytes of UTF-8
  const struct {
    const char* name;
    std::string path;
    Result extracted;
  } cases[] = {
      {"4,096 bytes", ascii_4096, kOk},
      {"2,067 letters, twice as long in UTF-8", accents, kOk},
      {"301 bytes", LongPath(292, 'w', 100, "f.txt"), kOk},
      {"2,000 bytes", LongPath(1980, 'm', 250, "f.txt"), kOk},
      {"a name of 256 bytes", LongPath(10, 'b', 10, std::string(256, 'n')), kPathTooLong},
  };
  ASSERT_EQ(ascii_4096.size(), 4096u);
  ASSERT_EQ(accents.size(), 2067u);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempFolder temp;
    const size_t accented = static_cast<size_t>(std::count_if(c.path.begin(), c.path.end(), [](char b) { return b < 0; }));
    if (test::UnixPathTooLongUnderWine(temp.path().size() + c.path.size() + accented)) {
      std::printf("skipped under Wine (%s): Wine renames and deletes by Unix paths of at most 4,096 bytes\n", c.name);
      continue;
    }
    EnvironmentOverride override_temp(temp.Join("tmp"));
    std::filesystem::create_directory(temp.Join("tmp"));
    const std::string body = "the deep file";
    const std::string other_body = "beside it";
    const std::vector<uint8_t> container =
        CraftedContainer(temp.Join("long.mef"), {test::EncodeRawEntry(kEntryKindFile, "", "top.txt", &other_body),
                                                 test::EncodeRawEntry(kEntryKindFile, "", c.path.c_str(), &body)});
    const std::vector<uint8_t> section = test::SectionWith(container);
    const String target(temp.Join("out/").c_str());
    g_wiped_files = 0;
    SetWipePassHookForTesting(&CountPass);
    {
      SelfExtractor extractor;
      ASSERT_EQ(extractor.ExtractFrom(FindPayloadHeaderIn(section.data(), section.size()), Password("secret"), nullptr),
                c.extracted);
      if (c.extracted == kOk) {
        ASSERT_EQ(DirectoryCopy(extractor.GetWorkFolder(), target, false, nullptr), kOk);
        platform::ConfinedFolder tree;
        ASSERT_TRUE(tree.Open(target.c_str()));
        platform::SourceFile copied;
        ASSERT_EQ(tree.OpenSource(c.path.c_str(), &copied), platform::ConfinedStatus::kOk);
        std::string read(64, '\0');
        read.resize(static_cast<size_t>(copied.Read(read.data(), read.size())));
        EXPECT_EQ(read, body);
      }
    }
    // The work folder and the temporary file are gone, and each file
    // written into the work folder was overwritten before it went.
    EXPECT_EQ(test::ListNames(temp.Join("tmp/")), std::vector<std::string>{});
    EXPECT_EQ(g_wiped_files, c.extracted == kOk ? 2 : 1);
    // The target, whose paths no path-based call could take, goes the same way.
    if (c.extracted == kOk) {
      EXPECT_EQ(WipeFolder(target, kWipeZeros, nullptr, false), kOk);
    }
    EXPECT_FALSE(std::filesystem::exists(temp.Join("out")));
    SetWipePassHookForTesting(nullptr);
  }
}

}  // namespace
}  // namespace mv
