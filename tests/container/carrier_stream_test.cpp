// The matrix encoding of carrier bits (at most one unit changes per group,
// the stored value reads back, the bit order across groups), and payloads
// hidden in synthetic BMP and WAV carriers: round trips through
// every accepted format, what the carrier keeps (size, header bytes,
// untouched samples, read-only flag and times), and the refusals.
#include "container/carrier_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"
#include "stream/carrier_format.h"
#include "stream/matrix_code.h"
#include "stream/tag_record.h"
#include "stream/tag_value.h"
#include "tests/stream/carrier_test_files.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

const char kPassword[] = "Sesam, oeffne dich";
const uint8_t kSalt[8] = {0x5A, 0x17, 0x00, 0xC3, 0x99, 0x01, 0xFE, 0x42};

struct CarrierKind {
  const char* name;
  uint32_t format;
  uint32_t data_offset;
  uint32_t unit_bytes;
};
// Each with 40,000 units after its data offset: a capacity of 4,969 bytes.
const CarrierKind kKinds[] = {
    {"picture8.bmp", kCarrierBmp8, 1088, 1},
    {"picture24.bmp", kCarrierBmp24, 64, 1},
    {"sound8.wav", kCarrierWav8, 65, 1},
    {"sound16.WAV", kCarrierWav16, 65, 2},
};
constexpr uint32_t kUnits = 40000;
constexpr uint32_t kCapacity = kUnits / 8 - 31;

size_t CarrierSize(const CarrierKind& kind) { return kind.data_offset + size_t{kUnits} * kind.unit_bytes; }

// A fresh noise carrier of kind in folder; its bytes go to *bytes if given.
std::string PlaceCarrier(const test::TempFolder& folder, const CarrierKind& kind,
                         std::vector<uint8_t>* bytes = nullptr) {
  const std::string path = folder.Join(kind.name);
  const std::vector<uint8_t> content = test::CarrierBytes(kind.format, CarrierSize(kind));
  EXPECT_TRUE(tools::WriteWholeFile(path, content));
  if (bytes != nullptr) *bytes = content;
  return path;
}

TagRecord WriterHeader(uint32_t payload_size) {
  TagRecord header;
  header.SetU32(kCarrierTagPayloadSize, payload_size, true);
  header.Set(kCarrierTagSalt, test::BlobOf(std::vector<uint8_t>(kSalt, kSalt + 8)), true);
  return header;
}

// Writes payload as the whole stream; *k receives the group size chosen.
Result Hide(const std::string& path, uint32_t format, const std::vector<uint8_t>& payload,
            const char* password, TagRecord header, uint32_t* k = nullptr) {
  CarrierStream stream;
  Result result = stream.Open(Stream::kWriting, path.c_str(), format, password, header, nullptr);
  if (result != kOk) return result;
  if (k != nullptr) *k = stream.GetActive()->GetGroupBits();
  if (!payload.empty()) result = stream.Write(payload.data(), static_cast<uint32_t>(payload.size()));
  const Result closed = stream.Close();
  return result != kOk ? result : closed;
}

Result Hide(const std::string& path, uint32_t format, const std::vector<uint8_t>& payload,
            uint32_t* k = nullptr) {
  return Hide(path, format, payload, kPassword, WriterHeader(static_cast<uint32_t>(payload.size())), k);
}

// Reads the whole payload that the carrier announces.
Result Reveal(const std::string& path, uint32_t format, const char* password, TagRecord* header,
              std::vector<uint8_t>* payload) {
  CarrierStream stream;
  Result result = stream.Open(Stream::kReading, path.c_str(), format, password, *header, nullptr);
  if (result != kOk) return result;
  payload->assign(stream.GetPayloadSize(), 0);
  if (!payload->empty()) result = stream.Read(payload->data(), static_cast<uint32_t>(payload->size()));
  stream.Close();
  return result;
}

// Read-only, with times in the past: hiding clears the flag for the write
// and puts flag and times back.
constexpr platform::FileTime kPast = 125000000000000000ULL;

void MarkCarrier(const std::string& path) {
  platform::FileTimes times;
  times.last_access = times.last_write = kPast;
  times.has_last_access = times.has_last_write = true;
  ASSERT_TRUE(platform::WriteFileTimes(path.c_str(), times));
  ASSERT_TRUE(platform::WriteAttributes(path.c_str(), platform::kAttributeReadOnly));
}

TEST(CarrierStream, RoundTripInEveryFormatKeepsTheCarrier) {
  struct Payload {
    uint32_t size;
    uint32_t k;
  } payloads[] = {{1, 8}, {4000, 1}};
  test::TempFolder folder;
  for (const CarrierKind& kind : kKinds) {
    for (const Payload& p : payloads) {
      const std::string what = std::string(kind.name) + " with " + std::to_string(p.size);
      const std::string path = folder.Join(std::to_string(p.size) + kind.name);
      const std::vector<uint8_t> original = test::CarrierBytes(kind.format, CarrierSize(kind), p.size);
      ASSERT_TRUE(tools::WriteWholeFile(path, original));
      ASSERT_EQ(CarrierCapacity(path.c_str()), kCapacity);
      MarkCarrier(path);

      const std::vector<uint8_t> payload = test::Noise(p.size, 77 + p.size);
      uint32_t k = 0;
      ASSERT_EQ(Hide(path, kind.format, payload, &k), kOk) << what;
      EXPECT_EQ(k, p.k) << what;

      TagRecord header;
      std::vector<uint8_t> back;
      ASSERT_EQ(Reveal(path, kind.format, kPassword, &header, &back), kOk) << what;
      EXPECT_EQ(back, payload) << what;
      TagValue salt;
      header.Get(salt, kCarrierTagSalt);
      EXPECT_EQ(test::BytesOf(salt), std::vector<uint8_t>(kSalt, kSalt + 8)) << what;
      platform::FileTimes times;
      ASSERT_TRUE(platform::ReadFileTimes(path.c_str(), &times));
      EXPECT_TRUE(times.last_write == kPast && times.last_access == kPast) << what;
      EXPECT_EQ(platform::ReadAttributes(path.c_str()) & ~platform::kAttributeArchive, platform::kAttributeReadOnly)
          << what;

      // Only the carrier bits of the units in use changed, at most one unit
      // per group: 192 groups of one unit for the carrier header, then the
      // payload's groups.
      const std::vector<uint8_t> now = test::ReadWholeFile(path);
      ASSERT_EQ(now.size(), original.size()) << what;
      const size_t used_end =
          kind.data_offset + (192 + MatrixUnitCount(p.size, k)) * size_t{kind.unit_bytes};
      uint32_t changed = 0;
      for (size_t i = 0; i < now.size(); ++i) {
        const uint8_t x = now[i] ^ original[i];
        if (x == 0) continue;
        const bool carrier_bit = i >= kind.data_offset && i < used_end &&
                                 (i - kind.data_offset) % kind.unit_bytes == 0 && x == 1;
        ASSERT_TRUE(carrier_bit) << what << ": byte " << i << " changed";
        ++changed;
      }
      EXPECT_LE(changed, 192 + (p.size * 8 + k - 1) / k) << what;
    }
  }
}

TEST(CarrierStream, WrongPasswordOrNothingHiddenGives781) {
  test::TempFolder folder;
  for (const CarrierKind& kind : kKinds) {
    const std::string hidden = folder.Join(std::string("hidden") + kind.name);
    ASSERT_TRUE(tools::WriteWholeFile(hidden, test::CarrierBytes(kind.format, CarrierSize(kind))));
    ASSERT_EQ(Hide(hidden, kind.format, test::Noise(300, 3)), kOk);
    TagRecord header;
    std::vector<uint8_t> back;
    EXPECT_EQ(Reveal(hidden, kind.format, "Sesam, oeffne dich!", &header, &back), kNoHiddenData)
        << kind.name;

    const std::string plain = folder.Join(std::string("plain") + kind.name);
    ASSERT_TRUE(tools::WriteWholeFile(plain, test::CarrierBytes(kind.format, CarrierSize(kind))));
    EXPECT_EQ(Reveal(plain, kind.format, kPassword, &header, &back), kNoHiddenData) << kind.name;
  }
}

TEST(CarrierStream, RefusedFormatsGive310AndLeaveTheFileAlone) {
  test::TempFolder folder;
  const std::string packed = folder.Join("packed.bmp");
  const std::vector<uint8_t> bytes = test::CarrierBytes(kCarrierBmpPacked, 64 + kUnits);
  ASSERT_TRUE(tools::WriteWholeFile(packed, bytes));
  const uint32_t detected = DetectCarrierFormat(packed.c_str());
  EXPECT_EQ(detected, 0x10032u);
  EXPECT_EQ(Hide(packed, detected, test::Noise(10, 1)), kNotAContainer);
  TagRecord header;
  std::vector<uint8_t> back;
  EXPECT_EQ(Reveal(packed, detected, kPassword, &header, &back), kNotAContainer);
  EXPECT_EQ(Hide(packed, kCarrierBmpLow, test::Noise(10, 1)), kNotAContainer);
  EXPECT_EQ(test::ReadWholeFile(packed), bytes);

  // A WAV without its 'W' at byte 8 is no carrier at all.
  std::vector<uint8_t> wav = test::CarrierBytes(kCarrierWav16, 65 + 2 * kUnits);
  wav[8] = 'w';
  ASSERT_TRUE(tools::WriteWholeFile(folder.Join("odd.wav"), wav));
  EXPECT_EQ(DetectCarrierFormat(folder.Join("odd.wav").c_str()), 0u);
  EXPECT_EQ(CarrierCapacity(folder.Join("odd.wav").c_str()), 0u);
}

TEST(CarrierStream, PayloadThatDoesNotFitGives780BeforeAnythingChanges) {
  test::TempFolder folder;
  const CarrierKind& kind = kKinds[1];
  std::vector<uint8_t> bytes;
  const std::string path = PlaceCarrier(folder, kind, &bytes);
  const uint32_t units = kCapacity - kCarrierHeaderSize;
  // Above the capacity with the carrier header; then within it, but without
  // the reserve of one 32-byte buffer that even one bit per unit needs.
  for (uint32_t size : {kCapacity, units - 32, 0xFFFFFFFFu}) {
    EXPECT_EQ(Hide(path, kind.format, std::vector<uint8_t>(), kPassword, WriterHeader(size)),
              kCarrierTooSmall) << size;
  }
  EXPECT_EQ(test::ReadWholeFile(path), bytes);

  // One byte less than that is the largest payload the carrier takes.
  const std::vector<uint8_t> payload = test::Noise(units - 33, 5);
  uint32_t k = 0;
  ASSERT_EQ(Hide(path, kind.format, payload, &k), kOk);
  EXPECT_EQ(k, 1u);
  TagRecord header;
  std::vector<uint8_t> back;
  ASSERT_EQ(Reveal(path, kind.format, kPassword, &header, &back), kOk);
  EXPECT_EQ(back, payload);
}

TEST(CarrierStream, MovingMoreThanThePayloadGives301) {
  test::TempFolder folder;
  const CarrierKind& kind = kKinds[3];
  const std::string path = PlaceCarrier(folder, kind);
  const std::vector<uint8_t> payload = test::Noise(64, 9);
  {
    TagRecord header = WriterHeader(10);
    CarrierStream stream;
    ASSERT_EQ(stream.Open(Stream::kWriting, path.c_str(), kind.format, kPassword, header, nullptr), kOk);
    EXPECT_EQ(stream.Write(payload.data(), 6), kOk);
    EXPECT_EQ(stream.Write(payload.data() + 6, 5), kPayloadOverrun);
    EXPECT_NE(stream.Write(payload.data() + 6, 4), kOk);
    stream.Close();
  }
  {
    TagRecord header;
    CarrierStream stream;
    ASSERT_EQ(stream.Open(Stream::kReading, path.c_str(), kind.format, kPassword, header, nullptr), kOk);
    std::vector<uint8_t> back(11);
    EXPECT_EQ(stream.Read(back.data(), 6), kOk);
    EXPECT_EQ(stream.Read(back.data(), 5), kPayloadOverrun);
    stream.Close();
  }
}

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
