// Compression frames at every setting. The first byte picks the setting
// (3 is refused), how the data is cut into writes and reads and whether a
// worker thread takes part; the rest is
//  - read as frames, as the decrypted body of a damaged or hostile
//    container presents them (never more than one block's worth per frame);
//  - written and read back, which must give the same bytes, with no frame
//    left over; with bit 6 set it is repeated past one block so that block
//    boundaries are crossed.
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

void ReadFrames(const Bytes& frames, uint32_t setting, uint32_t piece, unsigned workers) {
  mv::MemoryStream source;
  source.OpenRead(frames);
  CompressionStream compression;
  compression.SetWorkerCount(workers);
  if (compression.Open(&source, setting) != kOk) return;
  mv::fuzz::ReadUntilFailure(compression, piece, kReadLimit);
  compression.Close();
}

void RoundTrip(const Bytes& data, uint32_t setting, uint32_t piece, unsigned workers) {
  mv::MemoryStream sink;
  sink.OpenWrite();
  CompressionStream writer;
  writer.SetWorkerCount(workers);
  if (writer.Open(&sink, setting) != kOk) Fail("not opened for writing", setting);
  if (mv::fuzz::WriteInPieces(writer, data, piece) != kOk) Fail("write failed", setting);
  if (writer.Close() != kOk) Fail("close after writing failed", setting);

  mv::MemoryStream source;
  source.OpenRead(sink.GetData());
  CompressionStream reader;
  reader.SetWorkerCount(workers);
  if (reader.Open(&source, setting) != kOk) Fail("not opened for reading", setting);
  if (!mv::fuzz::ReadsBackExactly(reader, data, piece)) Fail("did not read back exactly what was written", setting);
  reader.Close();
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

  // Bit 7: a worker thread compresses and inflates blocks beside the
  // caller, as on a machine with cores to spare; else all work is on the
  // caller's thread.
  const unsigned workers = (control & 0x80) != 0 ? 1 : 0;
  ReadFrames(rest, setting, piece, workers);
  if (!CompressionStream::IsValidCompressionSetting(setting)) return 0;

  if ((control & 0x40) != 0 && !rest.empty()) {
    // Whole copies of rest until past one block, doubling what is there.
    const size_t length = (CompressionStream::kBlockCapacity / rest.size() + 1) * rest.size();
    Bytes longer(length);
    std::memcpy(longer.data(), rest.data(), rest.size());
    for (size_t filled = rest.size(); filled < length;) {
      const size_t n = filled < length - filled ? filled : length - filled;
      std::memcpy(longer.data() + filled, longer.data(), n);
      filled += n;
    }
    rest.swap(longer);
  }
  RoundTrip(rest, setting, piece, workers);
  return 0;
}
