// Matrix encoding of hidden bits in carrier units: k message bits are
// carried by a group of g = 2^k - 1 consecutive units, and storing them
// changes the hidden bit of at most one unit of the group.
//
// A unit is unit_bytes (1 or 2) bytes of the carrier; its hidden bit is
// bit 0 of its first byte (for a 16-bit little-endian sample, the sample's
// least significant bit). The value of a group is its syndrome: the XOR of
// the 1-based indices of the units whose hidden bit is 1.
//
// Bit order: bytes are taken in order and each from bit 0 to bit 7; stream
// bit b (= byte x 8 + bit) is bit (b mod k) of the value of group b div k.
// Groups follow each other without gaps.
#pragma once

#include <cstdint>

namespace mv {

// The largest group size in bits; groups then span 65535 units.
inline constexpr uint32_t kMaxMatrixGroupBits = 16;

// Units of one group of k bits (1 <= k <= kMaxMatrixGroupBits).
inline uint32_t MatrixGroupUnits(uint32_t k) { return (uint32_t{1} << k) - 1; }

// Units that carry length bytes at k bits per group: whole groups, the last
// one possibly only partly used.
uint64_t MatrixUnitCount(uint32_t length, uint32_t k);

// The syndrome of the group of 2^k - 1 units at units.
uint32_t ReadMatrixGroup(const uint8_t* units, uint32_t unit_bytes, uint32_t k);
// Makes the group's syndrome value (its low k bits) by flipping the hidden
// bit of the one unit whose index is syndrome XOR value; nothing changes when
// the group already holds value.
void WriteMatrixGroup(uint8_t* units, uint32_t unit_bytes, uint32_t k, uint32_t value);

// Stores the bits of length bytes of data in the MatrixUnitCount(length, k)
// units at units. A last group that receives fewer than k bits stores them
// with the missing high bits 0.
void EmbedMatrixBits(const uint8_t* data, uint32_t length, uint32_t k, uint8_t* units,
                     uint32_t unit_bytes);
// Rebuilds length bytes from the syndromes of the MatrixUnitCount(length, k)
// units at units.
void ExtractMatrixBits(const uint8_t* units, uint32_t unit_bytes, uint32_t k, uint8_t* data,
                       uint32_t length);

}  // namespace mv
