// The process-level services the system asks of the operating system. This
// is the only interface through which code outside platform/ reaches the OS
// for these things; platform/win32 and platform/posix each implement it.
// File-system services live in platform/files.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/string.h"

namespace mv::platform {

// From now on, DLLs that are loaded later (by the system or on demand) come
// from System32 only, never from the folder the program was started from.
// The stub calls it before every other static initialiser: the loader has
// resolved only the program's direct imports by then, and those are kept to
// DLLs whose imports stay among the KnownDLLs; user32, gdi32, the shell, COM
// and the common controls and dialogs are delay-loaded
// (cmake/delay_imports.cmake), so their first call, and every DLL they bring
// along, comes after this. Nothing on POSIX.
void RestrictDllSearch();

// Bytes of memory the system could give this process now without swapping
// (Linux: MemAvailable of /proc/meminfo, else the free pages; Windows: the
// available physical memory); 0 when it cannot be told.
uint64_t AvailableMemory();

// The instance handle of the program's module, stored once by the entry
// point and used later to load resources. Opaque above the seam.
void SetModuleHandle(void* handle);
void* GetModuleHandle();

// The live _qzpk_ section of the running image, read in place: Windows walks
// the image's own in-memory PE headers, Linux takes the section's start
// symbol and the end of the PT_LOAD segment that maps it. The executable file
// is never opened. Returns false (and sets nothing) when the image has no
// such section, as in the test programs.
struct SectionView {
  const uint8_t* data = nullptr;
  size_t size = 0;
};
bool GetPayloadSection(SectionView* view);

// Message box flags, Win32 values; POSIX ignores them.
inline constexpr uint32_t kMessageOk = 0x0;
inline constexpr uint32_t kMessageIconError = 0x10;
inline constexpr uint32_t kMessageIconInfo = 0x40;
inline constexpr uint32_t kMessageTaskModal = 0x2000;

// Shows text (program code page) in a message box with the caption and waits
// for it to be closed. POSIX has no message box: the text goes to standard
// error as one line, in the locale's UTF-8 (and in German for a German user
// where the program has the text in German).
void ShowMessage(const char* text, const char* caption, uint32_t flags);

// Writes text (program code page) to standard output unbuffered; a GUI
// program on Windows still reaches a caller's pipe or file. POSIX converts
// it to UTF-8 first.
void WriteStdout(const char* text);

// Reads the first line of standard input (at most max_length bytes, without
// its line end, up to its first NUL) as the bytes came: from a pipe or a
// file, whatever they encode (the caller decodes them as a text file); from
// a Windows console, the typed text in UTF-8. False when nothing could be
// read.
bool ReadStdinLine(String* line, size_t max_length);
}  // namespace mv::platform
