// Deterministic sample data for tests and benchmarks: byte strings from
// hexadecimal text, pseudo-random bytes, and mixed data of text-like runs
// (which compress well) and noise runs (which do not); and the move of byte
// strings in and out of blob values. Header-only so that the benchmarks can
// use it without linking the test support.
#pragma once

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "stream/tag_value.h"

namespace mv::test {

// A kTypeBlob holding a copy of bytes.
inline TagValue BlobOf(const std::vector<uint8_t>& bytes) {
  TagValue value;
  value.SetBlob(bytes.data(), static_cast<uint32_t>(bytes.size()));
  return value;
}

// The bytes a value owns; empty when it owns none.
inline std::vector<uint8_t> BytesOf(const TagValue& value) {
  if (value.GetBytes() == nullptr) return {};
  return std::vector<uint8_t>(value.GetBytes(), value.GetBytes() + value.GetLength());
}

// Bytes of a hexadecimal text; blanks are skipped.
inline std::vector<uint8_t> FromHex(const std::string& hex) {
  std::string digits;
  for (char c : hex) digits += std::isxdigit(static_cast<unsigned char>(c)) ? std::string(1, c) : "";
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < digits.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

// xorshift64*: fast, deterministic, and good enough that its output does
// not compress.
class SampleGenerator {
 public:
  explicit SampleGenerator(uint64_t seed) : state_(seed == 0 ? 0x9E3779B97F4A7C15ull : seed) {}

  uint64_t Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
  }
  // Uniform enough in [0, bound) for test data.
  uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(Next() % bound); }

  void Noise(uint8_t* out, size_t size) {
    while (size >= 8) {
      uint64_t word = Next();
      for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(word >> (8 * i));
      out += 8;
      size -= 8;
    }
    uint64_t word = Next();
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(word >> (8 * i));
  }

  // Words from a small vocabulary with blanks and line ends.
  void Text(uint8_t* out, size_t size) {
    static const char* const kWords[] = {
        "package ",  "folder ", "file ",      "archive ",  "the ",    "of ",
        "and ",      "data ",   "password ",  "extract ",  "record ", "stream ",
        "chunk ",    "block ",  "attribute ", "time ",     "copy\n",  "0123456789 ",
        "Morvalis ", "entry ",  "wipe ",      "section\n", "header ", "cipher "};
    constexpr uint32_t kWordCount = sizeof kWords / sizeof kWords[0];
    size_t at = 0;
    while (at < size) {
      const char* word = kWords[Below(kWordCount)];
      for (size_t i = 0; word[i] != '\0' && at < size; ++i)
        out[at++] = static_cast<uint8_t>(word[i]);
    }
  }

 private:
  uint64_t state_;
};

inline std::vector<uint8_t> NoiseBytes(size_t size, uint64_t seed) {
  std::vector<uint8_t> bytes(size);
  SampleGenerator(seed).Noise(bytes.data(), size);
  return bytes;
}

// Runs of text and noise of 1 to 200000 bytes each, about one noise run in
// noise_share_of_8 out of 8 (default 2), so that block and chunk boundaries
// fall inside both kinds and between them.
// Bytes of size that look like an executable to a branch filter: an ELF
// mark, then calls and jumps (E8 / E9) with displacements of either sign
// among other bytes, branch bytes inside displacements and right before
// the end included. Fewer than 4 bytes hold part of the mark only.
inline std::vector<uint8_t> ExecutableBytes(size_t size, uint64_t seed) {
  std::vector<uint8_t> bytes(size);
  SampleGenerator generator(seed);
  generator.Noise(bytes.data(), size);
  for (size_t at = 4; at < size; at += 1 + generator.Below(9)) {
    bytes[at] = generator.Below(2) == 0 ? 0xE8 : 0xE9;
    if (at + 4 < size && generator.Below(4) != 0) bytes[at + 4] = generator.Below(2) == 0 ? 0x00 : 0xFF;
  }
  const uint8_t mark[] = {0x7F, 'E', 'L', 'F'};
  for (size_t i = 0; i < size && i < sizeof mark; ++i) bytes[i] = mark[i];
  return bytes;
}

inline std::vector<uint8_t> MixedBytes(size_t size, uint64_t seed, uint32_t noise_share_of_8 = 2) {
  std::vector<uint8_t> bytes(size);
  SampleGenerator generator(seed);
  size_t at = 0;
  while (at < size) {
    size_t run = 1 + generator.Below(200000);
    if (run > size - at) run = size - at;
    if (generator.Below(8) < noise_share_of_8) {
      generator.Noise(bytes.data() + at, run);
    } else {
      generator.Text(bytes.data() + at, run);
    }
    at += run;
  }
  return bytes;
}

}  // namespace mv::test
