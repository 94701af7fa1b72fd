#include "tests/support/package_builder.h"

#include <gtest/gtest.h>

#include "archive/archive_entry.h"
#include "archive/folder_entries.h"
#include "base/progress.h"
#include "container/container_file.h"
#include "container/container_format.h"
#include "crypto/crypt_stack.h"
#include "stream/file_stream.h"
#include "stream/memory_stream.h"
#include "tests/support/file_tree.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_folder.h"
#include "tools/executable_image.h"

namespace mv::test {
namespace {

Result CountProgress(int32_t, int32_t, uintptr_t word1, uintptr_t) {
  ++*reinterpret_cast<int*>(word1);
  return kOk;
}

void PutWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

TagRecord ContentOf(const std::string& root, const std::string& message) {
  RegisterArchiveEntries();
  TagRecord content;
  EXPECT_EQ(AddFolderEntries(String(root.c_str()), kContentTagEntry, &content), kOk);
  if (!message.empty()) content.SetText(kContentTagMessage, message.c_str(), true);
  return content;
}

Result WritePackage(const std::string& path, const std::string& root, const std::string& message,
                    const std::string& password, uint32_t compression, bool with_progress, TagRecord* header) {
  TagRecord content = ContentOf(root, message);
  TagRecord written;
  int notifications = 0;
  ProgressCallback progress{&CountProgress, reinterpret_cast<uintptr_t>(&notifications), 0};
  ContainerJob job;
  job.path = path.c_str();
  job.password = Password(password.c_str());
  job.base_folder = root.c_str();
  job.progress = with_progress ? &progress : nullptr;
  job.compression = compression;
  Result r = WriteContainer(job, &written, &content);
  if (header != nullptr) *header = written;
  return r;
}

Result WriteStrongPackage(const std::string& path, const std::string& root, const std::string& password,
                          const Argon2Cost& cost) {
  ContainerJob job;
  job.path = path.c_str();
  job.password = Password(password.c_str());
  job.base_folder = root.c_str();
  job.compression = 0;
  job.package_kind = PackageKind::kStrong;
  job.kdf_cost = cost;
  TagRecord header;
  TagRecord content = ContentOf(root, "");
  return WriteContainer(job, &header, &content);
}

TagRecord StandardHeader(uint8_t vector_byte) {
  TagRecord header;
  std::vector<uint8_t> vector(16, vector_byte);
  header.Set(kHeaderTagVector, BlobOf(vector), true);
  header.SetText(kHeaderTagFormatMark, kFormatMark, true);
  header.SetU8(kHeaderTagCompression, 1, true);
  header.SetU8(kHeaderTagCipher, kCipherAes, true);
  return header;
}

Result WriteCraftedPackage(const std::string& path, TagRecord header, CipherId cipher,
                           const std::vector<uint8_t>& vector, uint32_t compression, const std::string& password,
                           TagRecord content, const std::string& root) {
  StreamContext context{root.c_str(), nullptr, 0, 0};
  MemoryStream bytes;
  bytes.OpenWrite(&context);
  Result r = content.Serialize(bytes);
  if (r != kOk) return r;
  return WriteCraftedPackageBytes(path, header, cipher, vector, compression, password, bytes.GetData());
}

Result WriteCraftedPackageBytes(const std::string& path, TagRecord header, CipherId cipher,
                                const std::vector<uint8_t>& vector, uint32_t compression,
                                const std::string& password, const std::vector<uint8_t>& content) {
  FileStream file;
  Result r = file.Open(Stream::kWriting, String(path.c_str()), nullptr);
  if (r != kOk) return r;
  r = header.Serialize(file);
  if (r != kOk) return r;
  CryptStack crypt;
  TagValue iv = BlobOf(vector);
  r = crypt.Open(&file, String(password.c_str()), &iv, cipher, compression);
  if (r == kOk && !content.empty()) r = crypt.Write(content.data(), static_cast<uint32_t>(content.size()));
  Result c = crypt.Close();
  Result f = file.Close();
  return r != kOk ? r : (c != kOk ? c : f);
}

std::vector<uint8_t> PackageBytes(const std::string& root, const std::string& message, const std::string& password) {
  TempFolder folder;
  std::string path = folder.Join("package.mef");
  EXPECT_EQ(WritePackage(path, root, message, password, 1, false), kOk);
  tools::Bytes bytes;
  EXPECT_TRUE(tools::ReadWholeFile(path, &bytes));
  return bytes;
}

std::vector<uint8_t> SectionWith(const std::vector<uint8_t>& container) {
  std::vector<uint8_t> section(12 + container.size());
  PutWord(section, 0, 12);
  PutWord(section, 4, 23);
  PutWord(section, 8, static_cast<uint32_t>(container.size()));
  std::copy(container.begin(), container.end(), section.begin() + 12);
  if (section.size() < 4096) section.resize(4096, 0);
  return section;
}

}  // namespace mv::test
