// Unicode and the packages' code page: the table both systems share, the
// UTF forms, and the one rule by which every text file is read.
#include "base/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace mv {
namespace {

std::string Text(const String& text) { return text.c_str() == nullptr ? "" : text.c_str(); }

TEST(TextEncoding, EveryWindows1252ByteRoundTripsThroughUtf8AndUtf16) {
  for (int byte = 1; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    String utf8;
    ASSERT_TRUE(Windows1252ToUtf8(one.c_str(), &utf8)) << byte;
    String back;
    ASSERT_TRUE(Utf8ToWindows1252(utf8.c_str(), &back)) << byte;
    EXPECT_EQ(Text(back), one) << byte;
    Utf16Units units;
    Windows1252ToUtf16(one.c_str(), &units);
    ASSERT_EQ(units.size(), 1u) << byte;
    ASSERT_TRUE(Utf16ToWindows1252(units.data(), units.size(), &back)) << byte;
    EXPECT_EQ(Text(back), one) << byte;
  }
  // The typographic bytes and the five without a letter, as Windows maps them.
  struct Case {
    uint8_t byte;
    uint32_t code_point;
  } cases[] = {{0x80, 0x20AC}, {0x81, 0x81}, {0x8A, 0x160}, {0x8D, 0x8D}, {0x8F, 0x8F},
               {0x90, 0x90},   {0x9D, 0x9D}, {0x9F, 0x178}, {0xDF, 0xDF}, {0xFF, 0xFF}};
  for (const Case& c : cases) EXPECT_EQ(CodePointOfWindows1252(c.byte), c.code_point) << int{c.byte};
}

TEST(TextEncoding, WhatHasNoFormIsRefusedNeverSubstituted) {
  struct Case {
    const char* name;
    std::string utf8;
  } cases[] = {
      {"a C1 control Windows-1252 has no byte for", "\xC2\x80"},
      {"Cyrillic", "\xD0\x9F"},
      {"a cut sequence", "ab\xC3"},
      {"an overlong slash", "\xC0\xAF"},
      {"a surrogate in UTF-8", "\xED\xA0\x80"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80"},
      {"a stray continuation byte", "\x80"},
  };
  for (const Case& c : cases) {
    String out("left over");
    EXPECT_FALSE(Utf8ToWindows1252(c.utf8.c_str(), &out)) << c.name;
    EXPECT_TRUE(out.IsEmpty()) << c.name;
  }
  const uint16_t lone[] = {'a', 0xD83D, 'b'};
  String out;
  EXPECT_FALSE(Utf16ToUtf8(lone, 3, &out));
  EXPECT_FALSE(Utf16ToWindows1252(lone, 3, &out));
}

TEST(TextEncoding, Utf16CarriesEveryCharacter) {
  const std::string utf8 = "\xC3\x9C \xD0\x9F \xE6\x97\xA5 \xF0\x9F\x92\xA9";  // Ü П 日 and U+1F4A9
  Utf16Units units;
  ASSERT_TRUE(Utf8ToUtf16(utf8.c_str(), &units));
  const Utf16Units expected = {0xDC, ' ', 0x41F, ' ', 0x65E5, ' ', 0xD83D, 0xDCA9};
  EXPECT_EQ(units, expected);
  String back;
  ASSERT_TRUE(Utf16ToUtf8(units.data(), units.size(), &back));
  EXPECT_EQ(Text(back), utf8);
}

TEST(TextEncoding, CharactersWithoutAFormAreNamedOnceEach) {
  struct Case {
    const char* utf8;
    const char* shown;
    const char* code_points;
  } cases[] = {
      {"Stra\xC3\x9F" "e", "", ""},
      {"\xD0\x9F\xD0\xB0\xD0\x9F", "\xD0\x9F (U+041F), \xD0\xB0 (U+0430)", "U+041F, U+0430"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5 (U+65E5), \xE6\x9C\xAC (U+672C)", "U+65E5, U+672C"},
      {"a\xC2\x85" "b", "U+0085", "U+0085"},  // a control character, by its number
      {"x\xE9y", "the byte \\xE9", "the byte \\xE9"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Text(CharactersWithoutWindows1252Form(c.utf8)), c.shown) << c.utf8;
    EXPECT_EQ(Text(CodePointsWithoutWindows1252Form(c.utf8)), c.code_points) << c.utf8;
  }
  int line = 0;
  String shown;
  EXPECT_FALSE(FindCharacterWithoutWindows1252Form("\xC3\x9C" "bersicht\nGr\xC3\xBC\xC3\x9F" "e", &line, &shown));
  ASSERT_TRUE(FindCharacterWithoutWindows1252Form("one\ntwo\nthree \xE2\x84\xA2 \xD0\x9F\n\xD0\x91", &line, &shown));
  EXPECT_EQ(line, 3);
  EXPECT_EQ(Text(shown), "\xD0\x9F (U+041F)");
}

// One rule for every text file on every system: what a Windows editor
// writes (Notepad: UTF-8 without a mark; PowerShell: UTF-16LE; older
// editors: Windows-1252) reads as the same text.
TEST(TextEncoding, TextFilesAreReadByOneRule) {
  const std::string nul(1, '\0');
  struct Case {
    const char* name;
    std::string bytes;
    bool ok;
    const char* utf8;
  } cases[] = {
      {"UTF-8 without a mark", "Gr\xC3\xBC\xC3\x9F" "e", true, "Gr\xC3\xBC\xC3\x9F" "e"},
      {"UTF-8 with a mark", "\xEF\xBB\xBF" "Gr\xC3\xBC\xC3\x9F" "e", true, "Gr\xC3\xBC\xC3\x9F" "e"},
      {"Windows-1252", "Gr\xFC\xDF" "e \x80", true, "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"},
      {"UTF-16LE", "\xFF\xFEG" + nul + "\xFC" + nul + "\x1F\x04", true, "G\xC3\xBC\xD0\x9F"},
      {"UTF-16BE", "\xFE\xFF" + nul + "G" + nul + "\xFC\x04\x1F", true, "G\xC3\xBC\xD0\x9F"},
      {"UTF-16 with an odd last byte", "\xFF\xFEG" + nul + "x", true, "G"},
      {"UTF-16 ending at a NUL", "\xFF\xFEG" + nul + nul + nul + "H" + nul, true, "G"},
      {"a lone surrogate in UTF-16", "\xFF\xFE\x3D\xD8", false, ""},
      {"a mark over bytes that are no UTF-8", "\xEF\xBB\xBF\xFC", false, ""},
      {"a mark alone", "\xEF\xBB\xBF", true, ""},
      {"empty", "", true, ""},
      {"ends at its first NUL", "abc" + nul + "def", true, "abc"},
  };
  for (const Case& c : cases) {
    String out("left over");
    EXPECT_EQ(DecodeTextFile(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), &out), c.ok) << c.name;
    EXPECT_EQ(Text(out), c.utf8) << c.name;
  }
}

}  // namespace
}  // namespace mv
