// Carrier files: uncompressed BMP images and WAV sounds whose samples carry
// hidden data in their least significant bits. One table (CarrierFormats)
// lists every format a file can be classified as, with its name, whether a
// carrier stream takes it and where its hidden data lies; classification,
// acceptance, the packer's texts and the carrier stream all read it. This
// file also tells how many bytes a carrier can hold and the group size of the
// matrix encoding for a payload.
//
// A format code is an unsigned 32-bit number: the high half is the file
// family (1 BMP, 2 WAV), the low half the bits per pixel or sample.
//
// To add a format: its code here and its row in the table
// (stream/carrier_format.cpp); a new family also needs its probe in
// DetectCarrierFormat.
#pragma once

#include <cstdint>
#include <span>

#include "base/string.h"

namespace mv {

inline constexpr uint32_t kCarrierNone = 0;            // not a usable carrier
inline constexpr uint32_t kCarrierBmpLow = 0x10002;    // BMP with fewer than 8 bits per pixel
inline constexpr uint32_t kCarrierBmp8 = 0x10008;      // BMP, 8 bits per pixel (accepted)
inline constexpr uint32_t kCarrierBmp16 = 0x10010;     // BMP, 16 bits per pixel
inline constexpr uint32_t kCarrierBmp24 = 0x10018;     // BMP, 24 bits per pixel (accepted)
inline constexpr uint32_t kCarrierBmpPacked = 0x10032; // BMP whose compression field is not 0
inline constexpr uint32_t kCarrierWav8 = 0x20008;      // WAV, 8 bits per sample (accepted)
inline constexpr uint32_t kCarrierWav16 = 0x20010;     // WAV, 16 bits per sample (accepted)

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

struct CarrierFormatInfo {
  uint32_t format;
  const char* name;       // "BMP, 8 bits per pixel"
  bool accepted;          // a carrier stream takes it
  bool has_layout;        // layout holds (also for a capacity only)
  CarrierLayout layout;
};

// Every format a file can be classified as (kCarrierNone aside).
std::span<const CarrierFormatInfo> CarrierFormats();

// The format's row; null for kCarrierNone and unknown codes.
const CarrierFormatInfo* FindCarrierFormat(uint32_t format);

// The layout of an accepted format, and of kCarrierBmp16 for its capacity;
// false for every other code.
bool GetCarrierLayout(uint32_t format, CarrierLayout* layout);

// The accepted formats' names, for a person: "BMP, 8 bits per pixel; BMP,
// 24 bits per pixel; ...".
String AcceptedCarrierNames();

// Classifies the file at path by its extension and its first 100 bytes:
// kCarrierNone when the file does not exist or is shorter than 100 bytes.
// An extension sorting at or after "WAV" (case ignored) needs byte 8 to be
// 'W' (else kCarrierNone); byte 34, the bits per sample, then gives
// kCarrierWav8 or kCarrierWav16, and any other value falls through to the BMP
// test. An extension sorting at or after "BMP" with byte 0 'B': a non-zero
// compression byte 30 gives kCarrierBmpPacked, otherwise byte 28 (signed)
// below 8 gives kCarrierBmpLow, and 8, 16, 24 the matching codes. Anything
// else is kCarrierNone.
uint32_t DetectCarrierFormat(const String& path);

// True for the formats a carrier stream can use (the table's accepted rows).
bool IsAcceptedCarrier(uint32_t format);

// Payload bytes the carrier at path holds at one bit per unit, less a
// reserve of 31 bytes: (file size - data offset) / divisor - 31. 0 when the
// file does not exist, its size is unknown (4 GiB or more), it is shorter
// than its data offset, or its format has no layout (kCarrierNone,
// kCarrierBmpLow, kCarrierBmpPacked).
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
