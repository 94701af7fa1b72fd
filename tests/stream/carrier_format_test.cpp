// Classification of carrier files by extension and header bytes, their
// capacity, and the choice of group size and buffer size for a payload.
#include "stream/carrier_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"
#include "tests/stream/carrier_test_files.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

TEST(CarrierFormat, ChooseGroupBits) {
  EXPECT_EQ(CarrierBufferSize(6), 96u);
  EXPECT_EQ(CarrierBufferSize(1), 32u);
  struct Case {
    int64_t units;
    int64_t size;
    uint32_t expected;
  } cases[] = {
      // A 24-bit BMP of 1,000,064 bytes holds 124,969 bytes; its carrier
      // header takes 24 of them.
      {124945, 10000, 6},
      {124945, 100000, 1},
      // room(1) = units x 8 - 256 bits must exceed the payload's bits.
      {100, 67, 1},
      {100, 68, 0},
      {33, 0, 1},
      {-24, 0, 0},
      // Even an empty payload stops at the largest group size.
      {100000000, 0, 16},
      // The largest carrier a 32-bit size allows does not overflow.
      {0xFFFFFFFFll / 8, 0xFFFFFFFFll / 8 - 64, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseGroupBits(c.units, c.size), c.expected) << c.units << ", " << c.size;
  }
}

// A file of 100 bytes unless given; changes are (offset, byte) pairs over a
// neutral base that is neither a BMP nor a WAV (0x11 everywhere but an
// uncompressed byte 30).
struct DetectCase {
  const char* name;
  std::vector<std::pair<size_t, uint8_t>> bytes;
  uint32_t expected;
  size_t size = 100;
};

TEST(CarrierFormat, DetectByExtensionAndHeaderBytes) {
  const std::vector<std::pair<size_t, uint8_t>> wav8 = {{8, 'W'}, {34, 8}};
  const std::vector<std::pair<size_t, uint8_t>> bmp24 = {{0, 'B'}, {28, 24}};
  const DetectCase cases[] = {
      {"a.WAV", {{8, 'W'}, {34, 16}}, kCarrierWav16},
      // Byte 8 decides before anything else for WAV and later extensions.
      {"a.wav", {{8, 'X'}, {34, 8}}, kCarrierNone},
      {"a.zzz", {{0, 'B'}, {28, 24}}, kCarrierNone},
      // Another sample size goes on to the BMP test.
      {"a.wav", {{8, 'W'}, {34, 24}}, kCarrierNone},
      {"a.wav", {{0, 'B'}, {8, 'W'}, {34, 24}, {28, 8}}, kCarrierBmp8},
      {"a.zzz", wav8, kCarrierWav8},
      // Extensions before WAV skip the WAV test.
      {"a.bmp", wav8, kCarrierNone},
      {"a.BMP", {{0, 'B'}, {28, 16}}, kCarrierBmp16},
      {"a.bmp", {{0, 'B'}, {28, 0x80}}, kCarrierBmpLow},  // signed: -128
      {"a.bmp", {{0, 'B'}, {28, 32}}, kCarrierNone},
      // Bits that spell another row's code are still no format of theirs.
      {"a.bmp", {{0, 'B'}, {28, 0x32}}, kCarrierNone},
      {"a.wav", {{8, 'W'}, {34, 2}}, kCarrierNone},
      {"a.bmp", {{0, 'B'}, {28, 24}, {30, 1}}, kCarrierBmpPacked},
      {"a.bmp", {{0, 'b'}, {28, 24}}, kCarrierNone},
      {"a.txt", bmp24, kCarrierBmp24},
      // Extensions sorting before BMP are never carriers.
      {"a.abc", bmp24, kCarrierNone},
      // A file shorter than 100 bytes is no carrier.
      {"a.txt", bmp24, kCarrierNone, 99},
  };
  test::TempFolder folder;
  int index = 0;
  for (const DetectCase& c : cases) {
    std::vector<uint8_t> bytes(c.size, 0x11);
    bytes[30] = 0;
    for (const auto& [offset, value] : c.bytes) bytes[offset] = value;
    // A folder of its own per case keeps the names as the table gives them.
    const std::string dir = folder.Join(std::to_string(index++));
    ASSERT_TRUE(platform::CreateFolder((dir + "/").c_str(), platform::FolderAccess::kShared));
    const std::string path = dir + "/" + c.name;
    ASSERT_TRUE(tools::WriteWholeFile(path, bytes));
    EXPECT_EQ(DetectCarrierFormat(path.c_str()), c.expected) << c.name << " case " << index - 1;
  }
}

TEST(CarrierFormat, TheTableAgreesWithItself) {
  // Every accepted format has a layout a carrier stream can use, its code
  // names its family and bits, and the packer's list names exactly these.
  const std::string names = AcceptedCarrierNames().c_str();
  int accepted = 0;
  for (const CarrierFormatInfo& row : CarrierFormats()) {
    EXPECT_EQ(IsAcceptedCarrier(row.format), row.accepted) << row.name;
    EXPECT_EQ(FindCarrierFormat(row.format), &row) << row.name;
    if (!row.accepted) {
      EXPECT_EQ(names.find(row.name), std::string::npos) << row.name;
      continue;
    }
    ++accepted;
    ASSERT_TRUE(row.has_layout) << row.name;
    EXPECT_EQ(row.layout.unit_bits, (row.format & 0xFFFF) == 16 ? 16u : 8u) << row.name;
    EXPECT_GT(row.layout.data_offset, 0u) << row.name;
    EXPECT_NE(names.find(row.name), std::string::npos) << row.name;
  }
  EXPECT_EQ(accepted, 4);
  EXPECT_EQ(FindCarrierFormat(kCarrierNone), nullptr);
  EXPECT_FALSE(IsAcceptedCarrier(kCarrierNone));
}

TEST(CarrierFormat, CapacityPerFormat) {
  struct Case {
    const char* name;
    uint32_t format;
    size_t size;
    uint32_t expected;
  } cases[] = {
      // A 24-bit BMP of 1,000,064 bytes holds 124,969 bytes.
      {"big.bmp", kCarrierBmp24, 1000064, 124969},
      {"d.wav", kCarrierWav16, 65 + 16015, 1000 - 31},
      {"e.bmp", kCarrierBmp16, 0x40040 + 16000, 1000 - 31},
      // The reserve of 31 bytes leaves nothing: no capacity at all.
      {"f.bmp", kCarrierBmp24, 64 + 256, 1},
      {"g.bmp", kCarrierBmp24, 64 + 255, 0},
      // Shorter than the data offset; formats without a layout.
      {"i.bmp", kCarrierBmp8, 1000, 0},
      {"l.bmp", kCarrierBmpLow, 100000, 0},
  };
  test::TempFolder folder;
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = test::CarrierBytes(c.format, c.size);
    if (c.format == kCarrierBmpLow) bytes[28] = 4;
    const std::string path = folder.Join(c.name);
    ASSERT_TRUE(tools::WriteWholeFile(path, bytes));
    EXPECT_EQ(CarrierCapacity(path.c_str()), c.expected) << c.name;
  }
  EXPECT_EQ(CarrierCapacity(folder.Join("missing.bmp").c_str()), 0u);
}

}  // namespace
}  // namespace mv
