#include "stream/carrier_format.h"

#include "base/least_common_multiple.h"
#include "fs/disk_query.h"
#include "fs/path.h"
#include "platform/files.h"

namespace mv {
namespace {

// Header bytes that classify a carrier; a file shorter than this is none.
constexpr uint32_t kProbeBytes = 100;

constexpr uint32_t kWavMarkOffset = 8;           // the 'W' of "WAVE"
constexpr uint32_t kWavSampleBitsOffset = 34;    // bits per sample, format chunk
constexpr uint32_t kBmpPixelBitsOffset = 28;     // bits per pixel
constexpr uint32_t kBmpCompressionOffset = 30;   // compression field, low byte

// Only up to this group size does the carrier take its data; also the last
// group size whose groups (65535 units) keep the unit counts in 32 bits.
constexpr uint32_t kMaxGroupBits = 16;

struct LayoutRow {
  uint32_t format;
  CarrierLayout layout;
};
constexpr LayoutRow kLayouts[] = {
    {CarrierBmp8, {1088, 8}},
    {CarrierBmp24, {64, 8}},
    {CarrierWav8, {65, 8}},
    {CarrierWav16, {65, 16}},
    {CarrierBmp16, {0x40040, 16}},  // for its capacity only; never accepted
};

uint32_t ClassifyBmp(const uint8_t* header) {
  if (header[kBmpCompressionOffset] != 0) return CarrierBmpPacked;
  const int8_t bits = static_cast<int8_t>(header[kBmpPixelBitsOffset]);
  if (bits < 8) return CarrierBmpLow;
  switch (bits) {
    case 8: return CarrierBmp8;
    case 16: return CarrierBmp16;
    case 24: return CarrierBmp24;
    default: return CarrierNone;
  }
}

}  // namespace

bool GetCarrierLayout(uint32_t format, CarrierLayout* layout) {
  for (const LayoutRow& row : kLayouts) {
    if (row.format == format) {
      *layout = row.layout;
      return true;
    }
  }
  return false;
}

uint32_t DetectCarrierFormat(const String& path) {
  if (!FileExists(path)) return CarrierNone;
  uint8_t header[kProbeBytes];
  {
    platform::File file;
    if (!file.Open(path.c_str(), "rb") || file.Read(header, kProbeBytes) != kProbeBytes) {
      return CarrierNone;
    }
  }
  const String extension = GetFileExtension(path);
  // "At or after" in case-blind order: WAV and BMP in any case, and every
  // extension sorting behind them, are judged by their header bytes.
  if (extension.CompareNoCase("WAV") >= 0) {
    if (header[kWavMarkOffset] != 'W') return CarrierNone;
    // Other sample sizes go on to the BMP test.
    if (header[kWavSampleBitsOffset] == 8) return CarrierWav8;
    if (header[kWavSampleBitsOffset] == 16) return CarrierWav16;
  }
  if (extension.CompareNoCase("BMP") >= 0 && header[0] == 'B') return ClassifyBmp(header);
  return CarrierNone;
}

bool IsAcceptedCarrier(uint32_t format) {
  return format == CarrierBmp8 || format == CarrierBmp24 || format == CarrierWav8 ||
         format == CarrierWav16;
}

uint32_t CarrierCapacity(const String& path) {
  if (!FileExists(path)) return 0;
  const uint32_t file_size = QueryFileSize(path);
  if (file_size == kUnknownSize) return 0;
  CarrierLayout layout;
  if (!GetCarrierLayout(DetectCarrierFormat(path), &layout)) return 0;
  if (file_size < layout.data_offset) return 0;
  constexpr uint32_t kReserve = 31;
  const uint32_t bytes = (file_size - layout.data_offset) / layout.CapacityDivisor();
  return bytes > kReserve ? bytes - kReserve : 0;
}

uint32_t CarrierBufferSize(uint32_t k) { return 4 * LeastCommonMultiple(8, k); }

uint32_t ChooseGroupBits(int64_t units, int64_t size) {
  // 64-bit arithmetic: the same values as 32-bit signed arithmetic wherever
  // that does not overflow, and no overflow for carriers near 4 GiB.
  const int64_t payload_bits = size * 8;
  for (uint32_t k = 1; k <= kMaxGroupBits + 1; ++k) {
    const int64_t group = (int64_t{1} << k) - 1;
    const int64_t room = (units * 8 / group) * k - 8 * int64_t{CarrierBufferSize(k)};
    if (room <= payload_bits) return k - 1;
  }
  return kMaxGroupBits;
}

}  // namespace mv
