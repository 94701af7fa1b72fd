#include "stream/branch_filter.h"

#include <cstring>

#include "base/little_endian.h"

namespace mv {
namespace {

constexpr size_t kWindow = 5;  // the opcode and its displacement
constexpr uint8_t kElfMark[] = {0x7F, 'E', 'L', 'F'};
constexpr uint8_t kMzMark[] = {'M', 'Z'};

bool IsBranch(uint8_t b) { return b == 0xE8 || b == 0xE9; }

}  // namespace

size_t BranchFilter::Apply(uint8_t* data, size_t n, bool end) {
  if (state_ == State::kUndecided) {
    // Until a mark's length has arrived (or the file ended) the bytes wait.
    if (n < sizeof kElfMark && !end) return 0;
    const bool elf = n >= sizeof kElfMark && std::memcmp(data, kElfMark, sizeof kElfMark) == 0;
    const bool mz = n >= sizeof kMzMark && std::memcmp(data, kMzMark, sizeof kMzMark) == 0;
    state_ = elf || mz ? State::kOn : State::kOff;
  }
  if (state_ == State::kOff) return n;
  size_t i = 0;
  while (i + kWindow <= n) {
    uint8_t* p = data + i;
    if (!IsBranch(p[0])) {
      ++i;
      continue;
    }
    if (p[4] == 0x00 || p[4] == 0xFF) {
      const uint32_t v = LoadU32Le(p + 1);
      const uint32_t next = offset_ + static_cast<uint32_t>(i + kWindow);
      const uint32_t w = direction_ == Direction::kConvert ? v + next : v - next;
      // Bit 24 spread over the top byte keeps it 00 or FF.
      StoreU32Le(p + 1, (w & 0x00FFFFFF) | ((w >> 24 & 1) != 0 ? 0xFF000000 : 0));
    }
    i += kWindow;
  }
  const size_t done = end ? n : i;
  offset_ += static_cast<uint32_t>(done);
  return done;
}

}  // namespace mv
