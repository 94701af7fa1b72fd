// Compression frames at every setting. The first byte picks the setting
// (3 is refused) and how the data is cut into writes and reads; the rest is
//  - read as frames, as the decrypted body of a damaged or hostile
//    container presents them (never more than one block's worth per frame);
//  - written and read back, which must give the same bytes, with no frame
//    left over; with bit 6 set it is repeated past one block so that block
//    boundaries are crossed;
//  - compressed and inflated as one standalone block, which must also give
//    the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "fuzz/piecewise.h"
#include "stream/compression_stream.h"
#include "stream/memory_stream.h"

namespace {

using mv::CompressionStream;
using mv::kOk;
using Bytes = std::vector<uint8_t>;

// Reading stops here: a frame head and a few bytes may inflate to a whole
// block, so arbitrary input could otherwise ask for gigabytes.
constexpr size_t kReadLimit = 4 * CompressionStream::kBlockCapacity;

void Fail(const char* what, uint32_t setting) {
  std::fprintf(stderr, "compression (setting %u): %s\n", setting, what);
  std::abort();
}

void ReadFrames(const Bytes& frames, uint32_t setting, uint32_t piece) {
  mv::MemoryStream source;
  source.OpenRead(frames);
  CompressionStream compression;
  if (compression.Open(&source, setting) != kOk) return;
  mv::fuzz::ReadUntilFailure(compression, piece, kReadLimit);
  compression.Close();
}

void RoundTrip(const Bytes& data, uint32_t setting, uint32_t piece) {
  mv::MemoryStream sink;
  sink.OpenWrite();
  CompressionStream writer;
  if (writer.Open(&sink, setting) != kOk) Fail("not opened for writing", setting);
  if (mv::fuzz::WriteInPieces(writer, data, piece) != kOk) Fail("write failed", setting);
  if (writer.Close() != kOk) Fail("close after writing failed", setting);

  mv::MemoryStream source;
  source.OpenRead(sink.GetData());
  CompressionStream reader;
  if (reader.Open(&source, setting) != kOk) Fail("not opened for reading", setting);
  if (!mv::fuzz::ReadsBackExactly(reader, data, piece)) Fail("did not read back exactly what was written", setting);
  reader.Close();
}

void BlockRoundTrip(const Bytes& data, uint32_t setting) {
  // An empty block stays empty and is not inflated (zlib has no empty
  // stream of its own).
  if (data.empty()) return;
  mv::TagValue block;
  block.SetBlob(data.data(), static_cast<uint32_t>(data.size()));
  if (CompressionStream::CompressBlock(block, setting) != kOk) return;  // stored raw
  if (CompressionStream::DecompressBlock(block, setting) != kOk) Fail("a compressed block does not inflate", setting);
  if (block.GetLength() != data.size() || std::memcmp(block.GetBytes(), data.data(), data.size()) != 0) {
    Fail("a block inflates to other bytes", setting);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  mv::fuzz::Input input(data, size);
  const uint8_t control = input.Byte();
  const uint32_t setting = control & 3;
  // Transfers of 1, 7, 4096 or 65536 bytes: below, inside and across a block.
  static constexpr uint32_t kPieces[] = {1, 7, 4096, 65536};
  const uint32_t piece = kPieces[(control >> 2) & 3];
  Bytes rest = input.Rest();

  ReadFrames(rest, setting, piece == 1 ? 7 : piece);
  if (!CompressionStream::IsValidCompressionSetting(setting)) return 0;
  mv::TagValue block;
  block.SetBlob(rest.data(), static_cast<uint32_t>(rest.size()));
  CompressionStream::DecompressBlock(block, setting);

  if ((control & 0x40) != 0 && !rest.empty()) {
    Bytes longer;
    while (longer.size() <= CompressionStream::kBlockCapacity) longer.insert(longer.end(), rest.begin(), rest.end());
    rest.swap(longer);
  }
  // Byte by byte over a block or more takes too long to be worth it.
  RoundTrip(rest, setting, rest.size() > 4096 && piece == 1 ? 4096 : piece);
  BlockRoundTrip(rest, setting);
  return 0;
}
