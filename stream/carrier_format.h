// Carrier files: uncompressed BMP images and WAV sounds whose samples carry
// hidden data in their least significant bits. This file classifies a file
// by its header bytes, gives the fixed layout of the hidden data for each
// usable kind, how many bytes a carrier can hold, and the group size of the
// matrix encoding for a payload.
//
// A format code is an unsigned 32-bit number: the high half is the file
// family (1 BMP, 2 WAV), the low half the bits per pixel or sample.
#pragma once

#include <cstdint>

#include "base/string.h"

namespace mv {

enum CarrierFormat : uint32_t {
  CarrierNone = 0,            // not a usable carrier
  CarrierBmpLow = 0x10002,    // BMP with fewer than 8 bits per pixel
  CarrierBmp8 = 0x10008,      // BMP, 8 bits per pixel (accepted)
  CarrierBmp16 = 0x10010,     // BMP, 16 bits per pixel
  CarrierBmp24 = 0x10018,     // BMP, 24 bits per pixel (accepted)
  CarrierBmpPacked = 0x10032, // BMP whose compression field is not 0
  CarrierWav8 = 0x20008,      // WAV, 8 bits per sample (accepted)
  CarrierWav16 = 0x20010,     // WAV, 16 bits per sample (accepted)
};

// Where the hidden data of one kind of carrier lies. The offsets are fixed
// numbers past the BMP header and palette or the WAV header, never read from
// the file. The carrier bit of a unit is bit 0 of its first byte (for 16-bit
// samples the least significant bit of the little-endian sample).
struct CarrierLayout {
  uint32_t data_offset;  // bytes from the start of the file
  uint32_t unit_bits;    // 8 or 16
  // File bytes per hidden byte at one bit per unit (8 x unit bytes).
  uint32_t CapacityDivisor() const { return unit_bits; }
};

// The layout of an accepted format, and of CarrierBmp16 for its capacity;
// false for every other code.
bool GetCarrierLayout(uint32_t format, CarrierLayout* layout);

// Classifies the file at path by its extension and its first 100 bytes:
// CarrierNone when the file does not exist or is shorter than 100 bytes.
// An extension sorting at or after "WAV" (case ignored) needs byte 8 to be
// 'W' (else CarrierNone); byte 34, the bits per sample, then gives
// CarrierWav8 or CarrierWav16, and any other value falls through to the BMP
// test. An extension sorting at or after "BMP" with byte 0 'B': a non-zero
// compression byte 30 gives CarrierBmpPacked, otherwise byte 28 (signed)
// below 8 gives CarrierBmpLow, and 8, 16, 24 the matching codes. Anything
// else is CarrierNone.
uint32_t DetectCarrierFormat(const String& path);

// True for the formats a carrier stream can use: CarrierBmp8, CarrierBmp24,
// CarrierWav8 and CarrierWav16.
bool IsAcceptedCarrier(uint32_t format);

// Payload bytes the carrier at path holds at one bit per unit, less a
// reserve of 31 bytes: (file size - data offset) / divisor - 31. 0 when the
// file does not exist, its size is unknown (4 GiB or more), it is shorter
// than its data offset, or its format has no layout (CarrierNone,
// CarrierBmpLow, CarrierBmpPacked).
uint32_t CarrierCapacity(const String& path);

// The group size k (1 to 16) of the matrix encoding for size payload bytes
// in a carrier of capacity units bytes: the largest k whose room, after
// reserving one full buffer of 4 x lcm(8, k) bytes, still exceeds the
// payload. room(k) = (units x 8 / (2^k - 1)) x k - 32 x lcm(8, k) bits.
// 0 when not even k = 1 leaves that room: the payload does not fit.
uint32_t ChooseGroupBits(int64_t units, int64_t size);

// Bytes of one full buffer for group size k: 4 x lcm(8, k), a whole number
// of k-bit groups (32 bytes for k = 1, 96 for k = 6, 480 for k = 15).
uint32_t CarrierBufferSize(uint32_t k);

}  // namespace mv
