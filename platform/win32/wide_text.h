// The Win32 side's text at the wide calls: program text (Windows-1252) and
// the system's text (UTF-8) to and from UTF-16, through the program's own
// table (base/text_encoding.h), never through the ANSI code page, so a
// name or text reads the same on every Windows whatever its language.
#pragma once

#include <cstddef>
#include <string>

#include "base/string.h"

namespace mv::platform {

// Program text (Windows-1252) -> UTF-16; every byte has a form.
std::wstring WideOf(const char* text);
inline std::wstring WideOf(const String& text) { return WideOf(text.c_str()); }
// A path in the internal form ('/' separators) -> its native UTF-16 form.
std::wstring WidePathOf(const char* path);
// UTF-8 (the system's text) -> UTF-16; invalid bytes come out as U+FFFD,
// which only a message can hold.
std::wstring WideOfUtf8(const char* text);

// UTF-16 -> program text. False (out emptied) when a character has no
// Windows-1252 form: never substituted.
bool ProgramTextOf(const wchar_t* text, size_t count, String* out);
// UTF-16 -> UTF-8 (the system's text). False on a lone surrogate.
bool Utf8Of(const wchar_t* text, size_t count, String* out);

// Writes program text (Windows-1252) or system text (UTF-8) to a standard
// handle: a console gets it wide, every character as it is whatever the
// console's code page; a file or pipe gets its UTF-8 bytes.
void WriteProgramText(void* handle, const char* text);
void WriteSystemText(void* handle, const char* text);

}  // namespace mv::platform
