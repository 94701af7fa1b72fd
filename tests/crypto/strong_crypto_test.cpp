// The strong kind's primitives through the crypto seam, against published
// answers: Argon2id (RFC 9106, four lanes on threads), AES-256-GCM (test
// case 16 of McGrew and Viega's GCM paper) and HKDF-SHA256 (RFC 5869); and the
// bounds a package's key derivation cost must keep.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crypto/crypto_backend.h"
#include "crypto/hkdf.h"
#include "crypto/strong_keys.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;

ByteRange RangeOf(const Bytes& bytes) { return ByteRange{bytes.data(), bytes.size()}; }

TEST(StrongCryptoTest, Argon2idGivesTheRfc9106Answer) {
  const Bytes password(32, 0x01), salt(16, 0x02), secret(8, 0x03), associated(12, 0x04);
  Bytes tag(32);
  ASSERT_EQ(Argon2id(RangeOf(password), RangeOf(salt), Argon2Cost{3, 32, 4}, tag.data(), tag.size(),
                     RangeOf(secret), RangeOf(associated)),
            kOk);
  EXPECT_EQ(tag, test::FromHex("0d640df58d78766c08c037a34a8b53c9d01ef0452d75b65eb52520e96b01e659"));
}

// The stop query of a derivation: how often it was asked, and the ask
// (from 1) at which it answers true; 0 never.
int g_asked = 0;
int g_stop_at = 0;
bool StopAtTheChosenAsk() { return ++g_asked == g_stop_at; }

// A derivation that may be stopped runs beside its caller: unstopped it
// gives the same answer as one without a stop query; stopped it delivers
// nothing, and the derivation it left behind neither disturbs the next one
// nor holds its memory beside it (a row of stops in a row, each followed by
// a whole derivation, checks both).
TEST(StrongCryptoTest, Argon2idStopsWhenToldAndLeavesTheNextDerivationWhole) {
  const Bytes password(8, 0x01), salt(16, 0x02);
  const Bytes untouched(32, 0xEE);
  // Long enough for a few asks: two passes over 32 MiB.
  const Argon2Cost cost{2, 32 * 1024, 2};
  Bytes expected(32);
  ASSERT_EQ(Argon2id(RangeOf(password), RangeOf(salt), cost, expected.data(), expected.size()), kOk);
  struct Case {
    int stop_at;
    Result result;
  } const cases[] = {{0, kOk}, {1, kCancelled}, {2, kCancelled}, {1, kCancelled}, {0, kOk}};
  for (const Case& c : cases) {
    g_asked = 0;
    g_stop_at = c.stop_at;
    Bytes tag = untouched;
    EXPECT_EQ(Argon2id(RangeOf(password), RangeOf(salt), cost, tag.data(), tag.size(), {nullptr, 0}, {nullptr, 0},
                       &StopAtTheChosenAsk),
              c.result)
        << c.stop_at;
    EXPECT_EQ(tag, c.result == kOk ? expected : untouched) << c.stop_at;
    if (c.result != kOk) {
      EXPECT_EQ(g_asked, c.stop_at);
    }
  }
}

TEST(StrongCryptoTest, GcmSealsAndOpensThePublishedCase) {
  const Bytes key = test::FromHex("feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308");
  const Bytes nonce = test::FromHex("cafebabefacedbaddecaf888");
  const Bytes associated = test::FromHex("feedfacedeadbeeffeedfacedeadbeefabaddad2");
  const Bytes plain = test::FromHex(
      "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de"
      "657ba637b39");
  const Bytes cipher = test::FromHex(
      "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0"
      "abcc9f662");
  const Bytes expected_tag = test::FromHex("76fc6ece0f4e1768cddf8853bb2d551b");

  GcmEngine engine;
  ASSERT_EQ(engine.Start(key.data()), kOk);
  Bytes bytes = plain;
  Bytes tag(kGcmTagSize);
  ASSERT_EQ(engine.Seal(nonce.data(), RangeOf(associated), bytes.data(), bytes.size(), tag.data()), kOk);
  EXPECT_EQ(bytes, cipher);
  EXPECT_EQ(tag, expected_tag);
  ASSERT_EQ(engine.Open(nonce.data(), RangeOf(associated), bytes.data(), bytes.size(), tag.data()), kOk);
  EXPECT_EQ(bytes, plain);

  // One changed bit anywhere, associated data included, fails the tag.
  Bytes changed = cipher;
  changed[10] ^= 0x01;
  EXPECT_EQ(engine.Open(nonce.data(), RangeOf(associated), changed.data(), changed.size(), tag.data()),
            kPackageDamaged);
  Bytes other_associated = associated;
  other_associated[0] ^= 0x80;
  changed = cipher;
  EXPECT_EQ(engine.Open(nonce.data(), RangeOf(other_associated), changed.data(), changed.size(), tag.data()),
            kPackageDamaged);
}

TEST(StrongCryptoTest, HkdfGivesTheRfc5869Answers) {
  struct Case {
    const char* name;
    Bytes input, salt, info;
    const char* output;
  } cases[] = {
      {"basic", Bytes(22, 0x0b), test::FromHex("000102030405060708090a0b0c"),
       test::FromHex("f0f1f2f3f4f5f6f7f8f9"),
       "3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf34007208d5b887185865"},
      {"no salt, no info", Bytes(22, 0x0b), {}, {},
       "8da4e775a563c18f715f802a063c5a31b8a11f5c5ee1879ec3454e5f3c738d2d9d201395faa4b61a96c8"},
  };
  for (const Case& c : cases) {
    const Bytes expected = test::FromHex(c.output);
    Bytes out(expected.size());
    ASSERT_EQ(HkdfSha256(RangeOf(c.salt), RangeOf(c.input), RangeOf(c.info), out.data(), out.size()), kOk) << c.name;
    EXPECT_EQ(out, expected) << c.name;
  }
  // Three blocks and a part: RFC 5869's longer inputs.
  Bytes input, salt, info;
  for (int i = 0; i < 0x50; ++i) {
    input.push_back(static_cast<uint8_t>(i));
    salt.push_back(static_cast<uint8_t>(0x60 + i));
    info.push_back(static_cast<uint8_t>(0xb0 + i));
  }
  Bytes out(82);
  ASSERT_EQ(HkdfSha256(RangeOf(salt), RangeOf(input), RangeOf(info), out.data(), out.size()), kOk);
  EXPECT_EQ(out, test::FromHex("b11e398dc80327a1c8e7f78c596a49344f012eda2d4efad8a050cc4c19afa97c59045a99cac7827271cb41"
                               "c65e590e09da3275600c2f09b8367793a9aca3db71cc30c58179ec3e87c14c01d5c1f3434f1d87"));
  EXPECT_EQ(HkdfSha256(RangeOf(salt), RangeOf(input), RangeOf(info), out.data(), kMaxHkdfOutput + 1), kBadArgument);
}

TEST(StrongCryptoTest, KdfCostsBeyondTheBoundsAreRefused) {
  constexpr uint64_t kGiB = uint64_t{1} << 30;
  struct Case {
    const char* name;
    Argon2Cost cost;
    uint64_t available;
    Result expected;
  } cases[] = {
      {"default profile", kKdfDefault, 8 * kGiB, kOk},
      {"largest allowed", {kMaxKdfPasses, kMaxKdfMemoryKib, kMaxKdfLanes}, 0, kOk},
      {"too many passes", {kMaxKdfPasses + 1, 1024, 1}, 0, kKdfTooCostly},
      {"too much memory", {1, kMaxKdfMemoryKib + 1, 1}, 0, kKdfTooCostly},
      {"most memory a u32 names", {1, 0xFFFFFFFF, 1}, 0, kKdfTooCostly},
      {"too many lanes", {1, 1024, kMaxKdfLanes + 1}, 0, kKdfTooCostly},
      {"more than is available", kKdfHigh, 200u << 20, kKdfTooCostly},
      {"no pass", {0, 1024, 1}, 0, kMalformedRecord},
      {"no lane", {1, 1024, 0}, 0, kMalformedRecord},
      {"less than 8 KiB a lane", {1, 31, 4}, 0, kMalformedRecord},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckKdfCost(c.cost, c.available), c.expected) << c.name;
}

TEST(StrongCryptoTest, KeysDependOnPasswordAndSaltAndDifferByPurpose) {
  const uint8_t salt[kStrongSaltSize] = {1, 2, 3};
  const Argon2Cost cost{1, 64, 2};
  StrongKeys a, b, c;
  ASSERT_EQ(DeriveStrongKeys(String("pa\xDFwort"), salt, cost, &a), kOk);
  ASSERT_EQ(DeriveStrongKeys(String("pa\xDFwort"), salt, cost, &b), kOk);
  ASSERT_EQ(DeriveStrongKeys(String("passwort"), salt, cost, &c), kOk);
  EXPECT_EQ(Bytes(a.payload, a.payload + 32), Bytes(b.payload, b.payload + 32));
  EXPECT_NE(Bytes(a.payload, a.payload + 32), Bytes(c.payload, c.payload + 32));
  EXPECT_NE(Bytes(a.payload, a.payload + 32), Bytes(a.check, a.check + 32));
}

}  // namespace
}  // namespace mv
