// Matrix encoding of carrier bits: at most one unit changes per group, the
// stored value reads back, and the bit order across groups.
#include "stream/matrix_code.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/stream/carrier_test_files.h"

namespace mv {
namespace {

// Units whose bytes differ anywhere, and whether any difference lies outside
// bit 0 of a unit's first byte.
struct UnitDiff {
  uint32_t changed_units = 0;
  bool outside_carrier_bit = false;
};

UnitDiff Diff(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, uint32_t unit_bytes) {
  UnitDiff diff;
  for (size_t unit = 0; unit * unit_bytes < a.size(); ++unit) {
    bool changed = false;
    for (uint32_t i = 0; i < unit_bytes; ++i) {
      const uint8_t x = a[unit * unit_bytes + i] ^ b[unit * unit_bytes + i];
      if (x != 0) changed = true;
      if (x & (i == 0 ? 0xFE : 0xFF)) diff.outside_carrier_bit = true;
    }
    if (changed) ++diff.changed_units;
  }
  return diff;
}

TEST(CarrierMatrixCode, EveryValueStoresWithAtMostOneChange) {
  for (uint32_t unit_bytes : {1u, 2u}) {
    for (uint32_t k = 1; k <= 8; ++k) {
      const uint32_t g = MatrixGroupUnits(k);
      const std::vector<uint8_t> original = test::Noise(g * unit_bytes, k * 31 + unit_bytes);
      const uint32_t held = ReadMatrixGroup(original.data(), unit_bytes, k);
      for (uint32_t value = 0; value <= g; ++value) {
        std::vector<uint8_t> units = original;
        WriteMatrixGroup(units.data(), unit_bytes, k, value);
        ASSERT_EQ(ReadMatrixGroup(units.data(), unit_bytes, k), value) << k << "/" << value;
        const UnitDiff diff = Diff(original, units, unit_bytes);
        ASSERT_EQ(diff.changed_units, value == held ? 0u : 1u) << k << "/" << value;
        ASSERT_FALSE(diff.outside_carrier_bit) << k << "/" << value;
      }
    }
  }
}

TEST(CarrierMatrixCode, BitOrderAcrossGroups) {
  // 0xB5 = bits 1,0,1,0,1,1,0,1 from bit 0: groups of 3 carry 5 (1,0,1),
  // 6 (0,1,1) and 2 (0,1 and a missing high bit 0). In zeroed units each
  // value flips the unit of that index.
  const uint8_t data[1] = {0xB5};
  ASSERT_EQ(MatrixUnitCount(1, 3), 21u);
  std::vector<uint8_t> units(21, 0);
  EmbedMatrixBits(data, 1, 3, units.data(), 1);
  std::vector<uint8_t> expected(21, 0);
  expected[0 + 5 - 1] = 1;
  expected[7 + 6 - 1] = 1;
  expected[14 + 2 - 1] = 1;
  EXPECT_EQ(units, expected);
}

}  // namespace
}  // namespace mv
