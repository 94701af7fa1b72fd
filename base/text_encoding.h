// Unicode and the packages' code page, without the operating system: the
// Windows-1252 table, byte for byte as Windows maps it, and the UTF-8 and
// UTF-16 forms. Windows-1252 is Latin-1 except for 0x80-0x9F, where 27 bytes
// carry typographic characters and the five bytes without a letter (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the same number, so
// every name a package can hold has a Unicode form. The table is the
// program's own (iconv's WINDOWS-1252 refuses those five bytes, and
// Windows' own conversion depends on the system's tables); both platforms
// use it, so a package's names and texts read the same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/memory.h"
#include "base/string.h"

namespace mv {

// UTF-16 units (Windows' wide text), wiped when they go: they may hold a
// password. Vectors of it throw std::bad_alloc like any other.
using Utf16Units = std::vector<uint16_t, WipingAllocator<uint16_t>>;

// Stands for input that is no character at all (invalid UTF-8, a lone
// surrogate).
inline constexpr uint32_t kNoCharacter = 0xFFFFFFFF;

// The code point of a Windows-1252 byte.
uint32_t CodePointOfWindows1252(uint8_t byte);
// The Windows-1252 byte of a code point; false when it has none.
bool Windows1252ByteOf(uint32_t code_point, uint8_t* byte);

// Decodes one UTF-8 sequence at text, of which at most available bytes may
// be read, refusing overlong forms, surrogates and values beyond U+10FFFF.
// Returns its length, 0 when it is invalid (code_point then kNoCharacter).
size_t DecodeUtf8(const uint8_t* text, size_t available, uint32_t* code_point);
// Calls visit(at, length, code_point) for each character of the
// NUL-terminated UTF-8 text in turn; a byte that begins no valid sequence is
// visited alone, with length 0 (and kNoCharacter), and the walk goes on
// after it.
template <typename Visit>
void ForEachUtf8Character(const char* text, Visit visit) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  for (size_t i = 0, n = std::strlen(text); i < n;) {
    uint32_t code_point = 0;
    const size_t length = DecodeUtf8(bytes + i, n - i, &code_point);
    visit(text + i, length, code_point);
    i += length == 0 ? 1 : length;
  }
}
// Appends the UTF-8 form of code_point (at most 4 bytes) at out; returns
// how many bytes it took.
size_t EncodeUtf8(uint32_t code_point, char* out);
// True when text (length bytes) is valid UTF-8 throughout.
bool IsValidUtf8(const char* text, size_t length);

// Windows-1252 text -> UTF-8. False (out emptied) only when memory runs out.
bool Windows1252ToUtf8(const char* text, String* out);
// UTF-8 text -> Windows-1252. False (out emptied) when the text is not
// valid UTF-8 or holds a character without a Windows-1252 form; never
// substitutes.
bool Utf8ToWindows1252(const char* text, String* out);
// The characters of UTF-8 text that have no Windows-1252 form, each as it
// looks and by its code point, joined by ", " ("П (U+041F), 日 (U+65E5)"),
// in UTF-8; each character once. "" when every character has one.
String CharactersWithoutWindows1252Form(const char* text);

// The same in ASCII, by code point only ("U+041F, U+65E5"), for a text
// that must itself fit the code page (a dialog's message).
String CodePointsWithoutWindows1252Form(const char* text);

// Where UTF-8 text first holds a character without a Windows-1252 form:
// its line (from 1) and the character as CharactersWithoutWindows1252Form
// shows it. False when every character has one.
bool FindCharacterWithoutWindows1252Form(const char* text, int* line, String* shown);

// The text of a file whose length bytes are given, in UTF-8, by one rule on
// every system: a byte-order mark says UTF-8, UTF-16LE or UTF-16BE and is
// dropped; without one, bytes that are valid UTF-8 are UTF-8 and anything
// else is Windows-1252 (what editors of the packages' users write). The
// text ends at its first NUL character; an odd last byte of UTF-16 is
// dropped. False (out emptied) for UTF-16 with a lone surrogate, a file
// marked as UTF-8 that is none, or when memory runs out.
bool DecodeTextFile(const uint8_t* bytes, size_t length, String* out);

// UTF-16 (count units) -> UTF-8. False (out emptied) on a lone surrogate or
// when memory runs out.
bool Utf16ToUtf8(const uint16_t* units, size_t count, String* out);
// UTF-8 -> UTF-16 units, without a terminating NUL. False (out emptied) when
// the text is not valid UTF-8.
bool Utf8ToUtf16(const char* text, Utf16Units* out);
// Windows-1252 -> UTF-16 units, without a terminating NUL.
void Windows1252ToUtf16(const char* text, Utf16Units* out);
// UTF-16 (count units) -> Windows-1252. False (out emptied) when a unit has
// no Windows-1252 form (a surrogate included); never substitutes.
bool Utf16ToWindows1252(const uint16_t* units, size_t count, String* out);

}  // namespace mv
