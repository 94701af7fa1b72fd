// The branch filter of executables: the conversion of single calls and
// jumps, which files it touches, and exact restoring whatever pieces the
// bytes come in.
#include "stream/branch_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/sample_data.h"

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;

// Runs the filter over bytes handed in pieces of piece bytes, as a copy
// loop does: what the filter holds back comes again in front of the next
// piece.
Bytes Filtered(const Bytes& bytes, BranchFilter::Direction direction, size_t piece) {
  BranchFilter filter(direction);
  Bytes out;
  Bytes buffer;
  size_t at = 0;
  do {
    const size_t n = std::min(piece, bytes.size() - at);
    buffer.insert(buffer.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                  bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
    const size_t done = filter.Apply(buffer.data(), buffer.size(), at == bytes.size());
    EXPECT_LE(buffer.size() - done, BranchFilter::kMostHeld);
    out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(done));
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(done));
  } while (at < bytes.size());
  EXPECT_TRUE(buffer.empty());
  return out;
}

Bytes Converted(const Bytes& bytes, size_t piece = SIZE_MAX) {
  return Filtered(bytes, BranchFilter::Direction::kConvert, piece);
}

Bytes Elf(Bytes rest) {
  Bytes bytes = {0x7F, 'E', 'L', 'F'};
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  return bytes;
}

TEST(BranchFilterTest, ConvertsCallsAndJumpsOfExecutablesOnly) {
  struct Case {
    const char* name;
    Bytes plain;
    Bytes converted;
  } cases[] = {
      // At offset 4 the next instruction is at 9: a displacement of 0 names 9.
      {"a call forward", Elf({0xE8, 0, 0, 0, 0}), Elf({0xE8, 9, 0, 0, 0})},
      {"a jump backward to the file's start", Elf({0xE9, 0xF7, 0xFF, 0xFF, 0xFF}), Elf({0xE9, 0, 0, 0, 0})},
      {"a target before the file: bit 24 set", Elf({0xE8, 0xF6, 0xFF, 0xFF, 0xFF}),
       Elf({0xE8, 0xFF, 0xFF, 0xFF, 0xFF})},
      {"a displacement beyond 16 MiB stays", Elf({0xE8, 1, 2, 3, 4}), Elf({0xE8, 1, 2, 3, 4})},
      {"a branch byte inside a skipped displacement stays", Elf({0xE8, 1, 2, 0xE8, 4, 0, 0, 0, 0}),
       Elf({0xE8, 1, 2, 0xE8, 4, 0, 0, 0, 0})},
      {"the next branch after a skipped one converts", Elf({0xE8, 1, 2, 3, 4, 0xE8, 0, 0, 0, 0}),
       Elf({0xE8, 1, 2, 3, 4, 0xE8, 14, 0, 0, 0})},
      {"a branch closer than 5 bytes to the end stays", Elf({0xE8, 0, 0, 0}), Elf({0xE8, 0, 0, 0})},
      {"a Windows program", Bytes{'M', 'Z', 0xE8, 0, 0, 0, 0}, Bytes{'M', 'Z', 0xE8, 7, 0, 0, 0}},
      {"a text file", Bytes{'a', 'b', 'c', 'd', 0xE8, 0, 0, 0, 0}, Bytes{'a', 'b', 'c', 'd', 0xE8, 0, 0, 0, 0}},
      {"part of a mark", Bytes{0x7F, 'E', 'L', 0xE8, 0, 0, 0, 0}, Bytes{0x7F, 'E', 'L', 0xE8, 0, 0, 0, 0}},
      {"a file of one byte", Bytes{'M'}, Bytes{'M'}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (size_t piece : {size_t{1}, size_t{3}, SIZE_MAX}) {
      EXPECT_EQ(Converted(c.plain, piece), c.converted) << "pieces of " << piece;
      EXPECT_EQ(Filtered(c.converted, BranchFilter::Direction::kRestore, piece), c.plain) << "pieces of " << piece;
    }
  }
}

TEST(BranchFilterTest, RestoresEveryByteWhateverThePieces) {
  for (size_t size : {size_t{0}, size_t{3}, size_t{4}, size_t{5}, size_t{9}, size_t{4096}, size_t{100003}}) {
    const Bytes plain = test::ExecutableBytes(size, size + 1);
    const Bytes whole = Converted(plain);
    if (size > 100) {
      EXPECT_NE(whole, plain) << size << " bytes: nothing converted";
    }
    for (size_t piece : {size_t{1}, size_t{2}, size_t{5}, size_t{7}, size_t{4099}, size_t{100000}}) {
      SCOPED_TRACE(testing::Message() << size << " bytes in pieces of " << piece);
      EXPECT_EQ(Converted(plain, piece), whole);
      EXPECT_EQ(Filtered(whole, BranchFilter::Direction::kRestore, piece), plain);
    }
  }
}

}  // namespace
}  // namespace mv
