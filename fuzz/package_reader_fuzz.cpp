// The whole package reader, from the input file to the wiped work folder.
// The first byte picks what the rest is:
//   0  an ordinary container file (*.mef) as it lies on disk
//   1  a BMP carrier (*.bmp) with a hidden container
//   2  a WAV carrier (*.wav) with a hidden container
//   3  a content record that this target seals into a container with the
//      password (the next byte picks cipher and compression), so that the
//      fuzzer reaches the archive entries through the real pipeline
// Oracle: the reader writes only inside its work folder. The work folder
// is top/work/ of the sandbox, beside the input file; after decryption
// nothing else may appear in top/ or above it, and after the cleanup the
// work folder must be gone.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "container/container_format.h"
#include "container/package_reader.h"
#include "crypto/crypt_stack.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_sandbox.h"
#include "fs/file_operations.h"
#include "stream/file_stream.h"
#include "stream/tag_record.h"
#include "tools/executable_image.h"

namespace {

using mv::kOk;
using Bytes = std::vector<uint8_t>;

const char* const kInputNames[] = {"package.mef", "package.bmp", "package.wav", "package.mef"};

// Writes a container the way the system's writer lays it out, with content
// as the plain bytes of the compressed layer.
bool WriteSealed(const mv::String& path, uint8_t choice, const Bytes& content, const mv::String& password) {
  const mv::CipherId cipher = (choice & 1) != 0 ? mv::kCipherAes : mv::kCipherBlowfish;
  const uint32_t compression = ((choice >> 1) & 3) % 3;
  mv::TagRecord header;
  mv::TagValue vector;
  vector.SetBlobSize(mv::BlockCipher::BlockSize(cipher));
  header.Set(mv::kHeaderTagVector, vector, true);
  header.SetText(mv::kHeaderTagFormatMark, mv::kFormatMark, true);
  header.SetU8(mv::kHeaderTagCompression, static_cast<uint8_t>(compression), true);
  header.SetU8(mv::kHeaderTagCipher, cipher, true);

  mv::FileStream file;
  if (file.Open(mv::Stream::kWriting, path, nullptr) != kOk) return false;
  mv::Result r = header.Serialize(file);
  mv::CryptStack crypt;
  if (r == kOk) r = crypt.Open(&file, password, &vector, cipher, compression);
  if (r == kOk && !content.empty()) r = crypt.Write(content.data(), static_cast<uint32_t>(content.size()));
  const mv::Result c = crypt.Close();
  const mv::Result f = file.Close();
  return r == kOk && c == kOk && f == kOk;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const mv::fuzz::Sandbox sandbox({"work", "package.mef", "package.bmp", "package.wav"});
  static const mv::String password("fuzz password");
  mv::fuzz::Input input(data, size);
  const uint8_t form = input.Byte() & 3;
  const mv::String path = sandbox.Path(kInputNames[form]);
  bool written = false;
  if (form == 3) {
    const uint8_t choice = input.Byte();
    written = WriteSealed(path, choice, input.Rest(), password);
  } else {
    written = mv::tools::WriteWholeFile(path.c_str(), input.Rest());
  }
  if (!written) {
    std::fprintf(stderr, "package reader: %s cannot be written\n", path.c_str());
    std::abort();
  }

  const mv::String work = sandbox.Path("work/");
  mv::PackageReader reader;
  if (reader.Open(work) != kOk) {
    std::fprintf(stderr, "package reader: the work folder %s cannot be made\n", work.c_str());
    std::abort();
  }
  reader.Decrypt(path, mv::Password(password.c_str()), nullptr);
  mv::String message;
  reader.GetMessageText(message);
  sandbox.CheckConfined();
  reader.Cleanup(nullptr);
  mv::fuzz::Sandbox::CheckGone(work);
  mv::RemoveFile(path);
  mv::fuzz::Sandbox::CheckGone(path);
  return 0;
}
