// Text crossing between the program's 8-bit code page and the system's own
// text, for names and paths handed to or read from the operating system.
// The program's code page is Windows-1252 (the code page of the packages
// and their users); the system's text is UTF-8 on both systems: POSIX hands
// it to the kernel as it is, Windows converts it to UTF-16 at every wide
// call (never through the ANSI code page). So "Übersicht.txt" names the same
// file on every system, whatever its language.
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
// UTF-8 text (an argument, a file's decoded text) -> program text. False
// (and out emptied) when the text is not valid UTF-8 or holds a character
// without a Windows-1252 form.
bool FromUtf8Text(const char* text, String* out);

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

// The program's code page form of a name as the system holds it (UTF-8,
// valid or not), with '?' for every character (or stray byte) that has no
// form there. False when any was replaced: the name then cannot be reached
// by that form ('?' stands in no name a program can reach).
bool ProgramNameOf(const char* system_name, String* name);

// A name as the system holds it (UTF-8, valid or not), in the system's
// text, for a message about a name the program's code page cannot hold:
// shown is the name as a terminal of the system shows it, with control
// characters and bytes that are no UTF-8 written as \xNN; lacking lists the
// characters that have no Windows-1252 form, each as it looks and by its
// code point, joined by ", " (e.g. "日 (U+65E5), 本 (U+672C)", or "the byte
// \xE9").
void ShowSystemName(const char* name, String* shown, String* lacking);

}  // namespace mv::platform
