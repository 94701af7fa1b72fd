// Unsigned 32-bit values stored little-endian and unaligned, as every
// format of this system stores them.
#pragma once

#include <cstdint>

namespace mv {

inline uint32_t LoadU32Le(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
         static_cast<uint32_t>(at[3]) << 24;
}

inline void StoreU32Le(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace mv
