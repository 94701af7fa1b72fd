// Synthetic carrier files for the carrier tests: noise with just the header
// bytes that classify a BMP or WAV, written and read back whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/files.h"
#include "stream/carrier_format.h"

namespace mv::test {

// Deterministic noise, so every run sees the same carriers.
inline std::vector<uint8_t> Noise(size_t size, uint32_t seed) {
  std::mt19937 generator(seed);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(generator());
  return bytes;
}

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
    bytes[28] = format == CarrierBmpPacked ? 24 : bits;
    bytes[29] = 0;
    bytes[30] = format == CarrierBmpPacked ? 1 : 0;
  }
  return bytes;
}

inline bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  platform::File file;
  return file.Open(path.c_str(), "wb") && file.Write(bytes.data(), bytes.size()) == bytes.size() &&
         file.Close();
}

inline std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  platform::File file;
  std::vector<uint8_t> bytes;
  if (!file.Open(path.c_str(), "rb")) return bytes;
  uint8_t chunk[65536];
  for (size_t n; (n = file.Read(chunk, sizeof chunk)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
  return bytes;
}

}  // namespace mv::test
