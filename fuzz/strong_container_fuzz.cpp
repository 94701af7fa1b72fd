// The strong container kind's header and chunk framing. The first byte
// picks what the rest is:
//   0  a container file (*.mef) as it lies on disk, read by the package
//      reader with the password: the header, its entry of parameters, the
//      cost bounds, the check region and the chunks behind them
//   1  the chunks alone, read by an AeadChunkStream under a fixed key,
//      nonce prefix and header: lengths, tags, flags, ends
// Seeds come from the real writers (fuzz/make_fuzz_seeds.cpp) at a small
// key derivation cost. Oracle besides the sanitizers: form 0 writes only
// inside its work folder, which is gone after the cleanup; form 1 ends
// with the chunk layer's own codes only.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "container/container_stream.h"
#include "container/package_reader.h"
#include "container/strong_header.h"
#include "crypto/aead_chunk_stream.h"
#include "fs/file_operations.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_sandbox.h"
#include "stream/memory_stream.h"
#include "tools/executable_image.h"

namespace {

using mv::kOk;

// The fixed frame of form 1 (make_fuzz_seeds.cpp seals its seeds with it).
const uint8_t kChunkKey[mv::kGcmKeySize] = {0x5A, 0x17};
const uint8_t kChunkPrefix[mv::AeadChunkStream::kNoncePrefixSize] = {1, 2, 3, 4, 5, 6, 7};
const char kChunkHeader[] = "fuzz header";

void Fail(const char* what) {
  std::fprintf(stderr, "strong container: %s\n", what);
  std::abort();
}

// A derivation costs what the package asks, within bounds meant for real
// machines; the fuzzer could in principle find a header that passes its
// digest and asks for gigabytes on every run. Such inputs are passed over
// here (the bounds themselves are checked by the unit tests).
bool AffordableHere(const mv::String& path) {
  mv::TagRecord header;
  mv::StreamContext context;
  mv::ContainerStream stream;
  if (stream.Open(mv::Stream::kReading, path, mv::Password(""), &header, &context, true, 0) != kOk) return true;
  mv::StrongParameters parameters;
  if (mv::ParseStrongParameters(header, &parameters) != kOk) return true;
  return parameters.cost.memory_kib <= 1024 && parameters.cost.passes <= 2;
}

void ReadPackage(const std::vector<uint8_t>& bytes) {
  static const mv::fuzz::Sandbox sandbox({"work", "package.mef"});
  const mv::String path = sandbox.Path("package.mef");
  if (!mv::tools::WriteWholeFile(path.c_str(), bytes)) Fail("the input cannot be written");
  if (AffordableHere(path)) {
    const mv::String work = sandbox.Path("work/");
    mv::PackageReader reader;
    if (reader.Open(work) != kOk) Fail("the work folder cannot be made");
    reader.Decrypt(path, mv::Password("fuzz password"), nullptr);
    sandbox.CheckConfined();
    reader.Cleanup(nullptr);
    mv::fuzz::Sandbox::CheckGone(work);
  }
  mv::RemoveFile(path);
}

void ReadChunks(const std::vector<uint8_t>& bytes) {
  mv::MemoryStream source;
  source.OpenRead(bytes);
  mv::AeadChunkStream chunks;
  const mv::ByteRange header{kChunkHeader, sizeof kChunkHeader - 1};
  if (chunks.Open(&source, kChunkKey, kChunkPrefix, header, bytes.size()) != kOk) Fail("the chunk stream does not open");
  std::vector<uint8_t> buffer(4096);
  mv::Result r = kOk;
  while (r == kOk) r = chunks.Read(buffer.data(), static_cast<uint32_t>(buffer.size()));
  if (r != mv::kShortRead && r != mv::kPackageDamaged && r != mv::kPackageTruncated) Fail("an unexpected code");
  chunks.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  mv::fuzz::Input input(data, size);
  const uint8_t form = input.Byte() & 1;
  if (form == 0) {
    ReadPackage(input.Rest());
  } else {
    ReadChunks(input.Rest());
  }
  return 0;
}
