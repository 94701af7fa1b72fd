// Text crossing between the program's 8-bit code page and the system's own
// text, for names and paths handed to or read from the operating system.
// Windows: the ANSI entry points take the program's code page, so both
// directions copy the text unchanged. POSIX: the program's code page is
// Windows-1252 (the code page of the program's users) and the system speaks
// UTF-8, so "Übersicht.txt" names the same file on both platforms.
#pragma once

#include <cstddef>

#include "base/string.h"

namespace mv::platform {

// Program text -> system text. False (and out emptied) when the text has no
// form in the system's encoding or memory runs out.
bool ToSystemText(const char* text, String* out);
// System text -> program text. False (and out emptied) when the text holds
// a character without a Windows-1252 form or is not valid UTF-8.
bool FromSystemText(const char* text, String* out);
// UTF-8 text (a file that says it is UTF-8) -> program text. False (and out
// emptied) when the text is not valid UTF-8 or holds a character without a
// Windows-1252 form. POSIX: the same as FromSystemText.
bool FromUtf8Text(const char* text, String* out);
// UTF-16LE text of length bytes (a file that says it is UTF-16LE, without
// its mark) -> program text. False (and out emptied) when a character has
// no Windows-1252 form (a surrogate included).
bool FromUtf16LeText(const unsigned char* bytes, size_t length, String* out);

// True for a byte of the program's code page that stands for a control
// character: C0, DEL, and the five bytes without a letter (0x81, 0x8D, 0x8F,
// 0x90, 0x9D), which stand for the C1 controls of the same number.
inline bool IsControlCharacter(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

// True when text holds a byte IsControlCharacter stands for.
inline bool HasControlCharacter(const String& text) {
  for (int32_t i = 0; i < text.GetLength(); ++i) {
    if (IsControlCharacter(static_cast<unsigned char>(text.GetAt(i)))) return true;
  }
  return false;
}

// A name as the system holds it (POSIX: UTF-8, valid or not), in the
// system's text, for a message about a name the program's code page cannot
// hold: shown is the name as a terminal of the system shows it, with control
// characters and bytes that are no UTF-8 written as \xNN; lacking lists the
// characters that have no Windows-1252 form, each as it looks and by its
// code point, joined by ", " (e.g. "日 (U+65E5), 本 (U+672C)", or "the byte
// \xE9"). Windows: every name holds only characters of the code page, so
// shown is the name and lacking is "".
void ShowSystemName(const char* name, String* shown, String* lacking);

}  // namespace mv::platform
