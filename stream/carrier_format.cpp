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

constexpr uint32_t kFamilyBmp = 0x10000;
constexpr uint32_t kFamilyWav = 0x20000;

// The data offsets are fixed numbers past the BMP header and palette or the
// WAV header.
constexpr CarrierFormatInfo kFormats[] = {
    {kCarrierBmp8, "BMP, 8 bits per pixel", true, true, {1088, 8}},
    {kCarrierBmp24, "BMP, 24 bits per pixel", true, true, {64, 8}},
    {kCarrierWav8, "WAV, 8 bits per sample", true, true, {65, 8}},
    {kCarrierWav16, "WAV, 16 bits per sample", true, true, {65, 16}},
    // Recognised, never accepted; BMP16's layout serves its capacity only.
    {kCarrierBmp16, "BMP, 16 bits per pixel", false, true, {0x40040, 16}},
    {kCarrierBmpLow, "BMP, fewer than 8 bits per pixel", false, false, {0, 0}},
    {kCarrierBmpPacked, "compressed BMP", false, false, {0, 0}},
};

// A family's format of these bits per unit, when the table has one.
uint32_t FormatOf(uint32_t family, uint32_t bits) {
  const CarrierFormatInfo* row = FindCarrierFormat(family | bits);
  return row != nullptr && row->has_layout ? row->format : kCarrierNone;
}

uint32_t ClassifyBmp(const uint8_t* header) {
  if (header[kBmpCompressionOffset] != 0) return kCarrierBmpPacked;
  const int8_t bits = static_cast<int8_t>(header[kBmpPixelBitsOffset]);
  if (bits < 8) return kCarrierBmpLow;
  return FormatOf(kFamilyBmp, static_cast<uint32_t>(bits));
}

}  // namespace

std::span<const CarrierFormatInfo> CarrierFormats() { return kFormats; }

const CarrierFormatInfo* FindCarrierFormat(uint32_t format) {
  for (const CarrierFormatInfo& row : kFormats) {
    if (row.format == format) return &row;
  }
  return nullptr;
}

bool GetCarrierLayout(uint32_t format, CarrierLayout* layout) {
  const CarrierFormatInfo* row = FindCarrierFormat(format);
  if (row == nullptr || !row->has_layout) return false;
  *layout = row->layout;
  return true;
}

String AcceptedCarrierNames() {
  String names("");
  for (const CarrierFormatInfo& row : kFormats) {
    if (!row.accepted) continue;
    if (!names.IsEmpty()) names += "; ";
    names += row.name;
  }
  return names;
}

uint32_t DetectCarrierFormat(const String& path) {
  if (!FileExists(path)) return kCarrierNone;
  uint8_t header[kProbeBytes];
  {
    platform::File file;
    if (!file.Open(path.c_str(), "rb") || file.Read(header, kProbeBytes) != kProbeBytes) {
      return kCarrierNone;
    }
  }
  const String extension = GetFileExtension(path);
  // "At or after" in case-blind order: WAV and BMP in any case, and every
  // extension sorting behind them, are judged by their header bytes.
  if (extension.CompareNoCase("WAV") >= 0) {
    if (header[kWavMarkOffset] != 'W') return kCarrierNone;
    // Other sample sizes go on to the BMP test.
    const uint32_t format = FormatOf(kFamilyWav, header[kWavSampleBitsOffset]);
    if (format != kCarrierNone) return format;
  }
  if (extension.CompareNoCase("BMP") >= 0 && header[0] == 'B') return ClassifyBmp(header);
  return kCarrierNone;
}

bool IsAcceptedCarrier(uint32_t format) {
  const CarrierFormatInfo* row = FindCarrierFormat(format);
  return row != nullptr && row->accepted;
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
