// Carriers: detection, capacity and the hidden data of BMP and WAV files.
// The first byte picks the file's extension (bit 0: .wav, else .bmp),
// whether the carrier header is absent (bit 1: the payload size then comes
// from the next four bytes, as for a stored payload), and whether a payload
// of the next byte's length is written first (bit 2). The rest is the
// carrier file. Oracles:
//  - reading hidden data never changes the carrier;
//  - a payload written into a carrier reads back as written, and the
//    carrier keeps its size and every byte before its data offset.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "container/carrier_stream.h"
#include "fs/file_operations.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_sandbox.h"
#include "stream/carrier_format.h"
#include "tools/executable_image.h"

namespace {

using mv::kOk;
using Bytes = std::vector<uint8_t>;

// Reading stops here whatever size the input announces.
constexpr uint32_t kReadLimit = 1u << 20;

const mv::String& Password() {
  static const mv::String password("fuzz password");
  return password;
}

void Fail(const char* what, const mv::String& path) {
  std::fprintf(stderr, "carrier %s: %s\n", path.c_str(), what);
  std::abort();
}

Bytes FileBytes(const mv::String& path) {
  Bytes bytes;
  mv::tools::ReadWholeFile(path.c_str(), &bytes);
  return bytes;
}

mv::TagRecord CarrierHeader(bool stored, uint32_t size) {
  mv::TagRecord header;
  if (stored) {
    header.SetU8(mv::kCarrierTagStored, 1, true);
    header.SetU32(mv::kCarrierTagPayloadSize, size, true);
  }
  return header;
}

// Reads up to limit payload bytes; returns what was read.
Bytes ReadHidden(const mv::String& path, uint32_t format, bool stored, uint32_t size, uint32_t limit) {
  mv::TagRecord header = CarrierHeader(stored, size);
  mv::CarrierStream stream;
  Bytes out;
  if (stream.Open(mv::Stream::kReading, path, format, Password(), header, nullptr) != kOk) return out;
  const uint32_t wanted = std::min<uint32_t>({stream.GetPayloadSize(), limit, kReadLimit});
  Bytes piece(997);
  while (out.size() < wanted) {
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(piece.size(), wanted - out.size()));
    if (stream.Read(piece.data(), n) != kOk) break;
    out.insert(out.end(), piece.begin(), piece.begin() + n);
  }
  stream.Close();
  return out;
}

void WriteAndReadBack(const mv::String& path, uint32_t format, bool stored, uint32_t size) {
  const Bytes before = FileBytes(path);
  Bytes payload(size);
  for (uint32_t i = 0; i < size; ++i) payload[i] = static_cast<uint8_t>(i * 37 + 11);
  mv::TagRecord header = CarrierHeader(stored, size);
  if (!stored) {
    header.SetU32(mv::kCarrierTagPayloadSize, size, true);
    mv::TagValue salt;
    const uint8_t salt_bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    salt.SetBlob(salt_bytes, sizeof salt_bytes);
    header.Set(mv::kCarrierTagSalt, salt, true);
  }
  {
    mv::CarrierStream stream;
    if (stream.Open(mv::Stream::kWriting, path, format, Password(), header, nullptr) != kOk) return;
    const mv::Result written = size == 0 ? kOk : stream.Write(payload.data(), size);
    const mv::Result closed = stream.Close();
    if (written != kOk || closed != kOk) {
      // Refused on the way (a carrier shorter than its header promised).
      return;
    }
  }
  const Bytes after = FileBytes(path);
  mv::CarrierLayout layout{};
  mv::GetCarrierLayout(format, &layout);
  if (after.size() != before.size()) Fail("writing changed the carrier's size", path);
  for (size_t i = 0; i < layout.data_offset && i < after.size(); ++i) {
    if (after[i] != before[i]) Fail("writing changed a byte before the data offset", path);
  }
  if (ReadHidden(path, format, stored, size, size) != payload) Fail("the payload reads back otherwise", path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const mv::fuzz::Sandbox sandbox({"carrier.bmp", "carrier.wav"});
  mv::fuzz::Input input(data, size);
  const uint8_t control = input.Byte();
  const bool stored = (control & 2) != 0;
  const uint32_t stored_size = stored ? input.Word() : 0;
  const uint32_t write_size = (control & 4) != 0 ? input.Byte() : 0;
  const Bytes file = input.Rest();
  const mv::String path = sandbox.Path((control & 1) != 0 ? "carrier.wav" : "carrier.bmp");
  if (!mv::tools::WriteWholeFile(path.c_str(), file)) Fail("cannot be written", path);

  const uint32_t format = mv::DetectCarrierFormat(path);
  const uint32_t capacity = mv::CarrierCapacity(path);
  const uint32_t group_bits = mv::ChooseGroupBits(capacity, stored_size);
  if (group_bits > 16) Fail("a group size above 16 was chosen", path);
  if (group_bits != 0) mv::CarrierBufferSize(group_bits);

  if (mv::IsAcceptedCarrier(format)) {
    ReadHidden(path, format, stored, stored_size, kReadLimit);
    if (FileBytes(path) != file) Fail("reading changed the carrier", path);
    if ((control & 4) != 0) WriteAndReadBack(path, format, stored, write_size);
  }
  sandbox.CheckConfined();
  mv::RemoveFile(path);
  return 0;
}
