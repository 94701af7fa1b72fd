#include "stream/matrix_code.h"

#include <cstring>

namespace mv {
namespace {

uint64_t GroupCount(uint32_t length, uint32_t k) {
  return (uint64_t{length} * 8 + k - 1) / k;
}

bool StreamBit(const uint8_t* data, uint64_t b) { return ((data[b / 8] >> (b % 8)) & 1) != 0; }

}  // namespace

uint64_t MatrixUnitCount(uint32_t length, uint32_t k) {
  return GroupCount(length, k) * MatrixGroupUnits(k);
}

uint32_t ReadMatrixGroup(const uint8_t* units, uint32_t unit_bytes, uint32_t k) {
  const uint32_t g = MatrixGroupUnits(k);
  uint32_t syndrome = 0;
  for (uint32_t i = 1; i <= g; ++i) {
    if ((units[(i - 1) * unit_bytes] & 1) != 0) syndrome ^= i;
  }
  return syndrome;
}

void WriteMatrixGroup(uint8_t* units, uint32_t unit_bytes, uint32_t k, uint32_t value) {
  const uint32_t d = ReadMatrixGroup(units, unit_bytes, k) ^ (value & MatrixGroupUnits(k));
  if (d != 0) units[(d - 1) * unit_bytes] ^= 1;
}

void EmbedMatrixBits(const uint8_t* data, uint32_t length, uint32_t k, uint8_t* units,
                     uint32_t unit_bytes) {
  const uint64_t bits = uint64_t{length} * 8;
  const uint64_t group_bytes = uint64_t{MatrixGroupUnits(k)} * unit_bytes;
  const uint64_t groups = GroupCount(length, k);
  for (uint64_t j = 0; j < groups; ++j) {
    uint32_t value = 0;
    for (uint32_t t = 0; t < k && j * k + t < bits; ++t) {
      if (StreamBit(data, j * k + t)) value |= uint32_t{1} << t;
    }
    WriteMatrixGroup(units + j * group_bytes, unit_bytes, k, value);
  }
}

void ExtractMatrixBits(const uint8_t* units, uint32_t unit_bytes, uint32_t k, uint8_t* data,
                       uint32_t length) {
  if (length == 0) return;
  std::memset(data, 0, length);
  const uint64_t bits = uint64_t{length} * 8;
  const uint64_t group_bytes = uint64_t{MatrixGroupUnits(k)} * unit_bytes;
  const uint64_t groups = GroupCount(length, k);
  for (uint64_t j = 0; j < groups; ++j) {
    const uint32_t value = ReadMatrixGroup(units + j * group_bytes, unit_bytes, k);
    for (uint32_t t = 0; t < k && j * k + t < bits; ++t) {
      if (((value >> t) & 1) != 0) {
        const uint64_t b = j * k + t;
        data[b / 8] |= static_cast<uint8_t>(1u << (b % 8));
      }
    }
  }
}

}  // namespace mv
