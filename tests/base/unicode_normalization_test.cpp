// Normal form C: one password, however it was typed.
#include "base/unicode_normalization.h"

#include <gtest/gtest.h>

#include <string>

namespace mv {
namespace {

TEST(UnicodeNormalization, EveryWayOfTypingACharacterGivesOneForm) {
  struct Case {
    const char* name;
    const char* typed;
    const char* nfc;
  } cases[] = {
      {"a combining acute accent", "Cafe\xCC\x81", "Caf\xC3\xA9"},
      {"already composed", "Caf\xC3\xA9", "Caf\xC3\xA9"},
      {"the Angstrom sign", "\xE2\x84\xAB", "\xC3\x85"},
      {"two marks, reordered", "a\xCC\x87\xCC\xA3", "\xE1\xBA\xA1\xCC\x87"},
      {"Hangul jamo", "\xE1\x84\x80\xE1\x85\xA1", "\xEA\xB0\x80"},
      {"Cyrillic short i from its parts", "\xD0\xB8\xCC\x86", "\xD0\xB9"},
      {"Japanese ga from ka and a voicing mark", "\xE3\x81\x8B\xE3\x82\x99", "\xE3\x81\x8C"},
      {"no change for ASCII", "Passwort 5!", "Passwort 5!"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    String out;
    ASSERT_TRUE(ToNfc(c.typed, &out)) << c.name;
    EXPECT_EQ(std::string(out.c_str() == nullptr ? "" : out.c_str()), c.nfc) << c.name;
  }
  // Long input that decomposes a lot (each character into three).
  std::string many;
  for (int i = 0; i < 2000; ++i) many += "\xE1\xBA\xA4";  // Ấ
  String out;
  ASSERT_TRUE(ToNfc(many.c_str(), &out));
  EXPECT_EQ(std::string(out.c_str()), many);
}

TEST(UnicodeNormalization, TextThatIsNoUtf8IsRefused) {
  String out("left over");
  EXPECT_FALSE(ToNfc("pa\xDFwort", &out));
  EXPECT_TRUE(out.IsEmpty());
}

}  // namespace
}  // namespace mv
