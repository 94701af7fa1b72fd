// Synthetic carrier files for the carrier tests: noise with just the header
// bytes that classify a BMP or WAV, and a file's bytes read back whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "stream/carrier_format.h"
#include "tests/support/sample_data.h"
#include "tools/executable_image.h"

namespace mv::test {

// Deterministic noise, so every run sees the same carriers.
inline std::vector<uint8_t> Noise(size_t size, uint32_t seed) { return NoiseBytes(size, seed + 1); }

// size bytes (at least 100) that DetectCarrierFormat classifies as format
// for a file named *.bmp or *.wav as the format's family says. Byte 8 of a
// BMP and byte 0 of a WAV are kept away from the other family's marks.
inline std::vector<uint8_t> CarrierBytes(uint32_t format, size_t size, uint32_t seed = 1) {
  std::vector<uint8_t> bytes = Noise(size, seed);
  const uint8_t bits = static_cast<uint8_t>(format & 0xFFFF);
  if ((format >> 16) == 2) {
    const char riff[] = "RIFF\0\0\0\0WAVEfmt ";
    for (size_t i = 0; i < 16; ++i) bytes[i] = static_cast<uint8_t>(riff[i]);
    bytes[34] = bits;
  } else {
    bytes[0] = 'B';
    bytes[1] = 'M';
    bytes[8] = 0;
    bytes[28] = format == kCarrierBmpPacked ? 24 : bits;
    bytes[29] = 0;
    bytes[30] = format == kCarrierBmpPacked ? 1 : 0;
  }
  return bytes;
}

inline std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  tools::ReadWholeFile(path, &bytes);
  return bytes;
}

}  // namespace mv::test
