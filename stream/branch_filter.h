// BranchFilter: the x86 branch conversion of an executable's bytes. Calls
// and jumps (E8 / E9 followed by a 32-bit displacement) name their targets
// relative to where they stand, so calls to one function from many places
// differ in every byte; converted, the displacement becomes the target's
// offset in the file, the calls repeat the same five bytes and compress
// better. The conversion is exact both ways for any bytes.
//
// Which files: one whose bytes begin with an executable's mark, 7F 45 4C 46
// ("\x7fELF") or 4D 5A ("MZ"). The conversion never changes those bytes,
// so a reader tells a converted file by the same test. Other files pass
// unchanged.
//
// The rule, at the file's offsets i = 0, 1, ... while i + 5 <= size:
//   byte i is E8 or E9 and byte i + 4 is 00 or FF: the bytes i + 1 to
//     i + 4, a u32 v (little-endian), become w = v + (i + 5) when
//     converting, v - (i + 5) when restoring (modulo 2^32): bytes i + 1 to
//     i + 3 the low 24 bits of w, byte i + 4 FF when bit 24 of w is set,
//     else 00; then i += 5;
//   byte i is E8 or E9 otherwise: i += 5, the four bytes left as they are;
//   any other byte: i += 1.
// Fewer than 5 bytes from the end nothing is converted. Skipping the four
// bytes after every E8 / E9 keeps the decisions of both directions on bytes
// neither has changed yet.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mv {

class BranchFilter {
 public:
  enum class Direction { kConvert, kRestore };
  // The most bytes Apply holds back at a time.
  static constexpr size_t kMostHeld = 4;

  explicit BranchFilter(Direction direction) : direction_(direction) {}

  // Converts the next n bytes of one file in place (a new filter per
  // file). Returns how many leading bytes of data are final; the others, at
  // most 4, wait for what follows them and must come again at the front of
  // the next call. With end (data reaches the file's end) all n are final.
  size_t Apply(uint8_t* data, size_t n, bool end);

 private:
  enum class State { kUndecided, kOn, kOff };

  Direction direction_;
  State state_ = State::kUndecided;
  uint32_t offset_ = 0;  // the file offset of the next call's data[0], modulo 2^32
};

}  // namespace mv
