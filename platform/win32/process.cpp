// Win32 side of the process services of platform.h.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "base/memory.h"
#include "base/text_encoding.h"
#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace mv::platform {
namespace {
void* g_module_handle = nullptr;
constexpr char kSectionName[IMAGE_SIZEOF_SHORT_NAME] = {'_', 'q', 'z', 'p', 'k', '_', 0, 0};

// DLLs that system DLLs load through delay imports of their own: Wine
// resolves those with the program's folder first, past the restriction
// below (uxtheme's msimg32). Loaded here by their System32 path, they are
// found already loaded when asked for by name.
void LoadDelayImportsOfSystemDlls() {
  static constexpr const wchar_t* kNames[] = {L"msimg32.dll"};
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  for (const wchar_t* name : kNames) LoadLibraryW((std::wstring(folder, length) + L"\\" + name).c_str());
}

// Writes text to handle: a console gets it wide (every character as it is,
// whatever the console's code page), a file or pipe its UTF-8 bytes.
void WriteText(HANDLE handle, const std::wstring& wide, const char* utf8, size_t length) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    for (size_t at = 0; at < wide.size();) {
      DWORD chunk = wide.size() - at > 0x4000 ? 0x4000 : static_cast<DWORD>(wide.size() - at);
      DWORD written = 0;
      if (!WriteConsoleW(handle, wide.c_str() + at, chunk, &written, nullptr) || written == 0) return;
      at += written;
    }
    return;
  }
  while (length > 0) {
    DWORD chunk = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
    DWORD written = 0;
    if (!WriteFile(handle, utf8, chunk, &written, nullptr) || written == 0) return;
    utf8 += written;
    length -= written;
  }
}

}  // namespace

uint64_t AvailableMemory() {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? status.ullAvailPhys : 0;
}

void RestrictDllSearch() {
  // SetDefaultDllDirectories is looked up rather than imported: a Windows 7
  // without its loader update lacks it, and an import would stop the program
  // from starting at all. SetDllDirectoryW(L"") at least removes the current
  // folder from the search there.
  using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  auto set_default = kernel == nullptr ? nullptr
                                       : reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void*>(
                                             GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set_default != nullptr) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
  LoadDelayImportsOfSystemDlls();
}

void SetModuleHandle(void* handle) { g_module_handle = handle; }
void* GetModuleHandle() { return g_module_handle; }

bool GetPayloadSection(SectionView* view) {
  // The image's own headers as the loader mapped them.
  auto* base = reinterpret_cast<const uint8_t*>(::GetModuleHandleW(nullptr));
  if (base == nullptr) return false;
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  const DWORD image_size = nt->OptionalHeader.SizeOfImage;
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (std::memcmp(section->Name, kSectionName, sizeof(kSectionName)) != 0) continue;
    DWORD size = section->Misc.VirtualSize;
    if (section->VirtualAddress >= image_size) return false;
    if (size > image_size - section->VirtualAddress) size = image_size - section->VirtualAddress;
    view->data = base + section->VirtualAddress;
    view->size = size;
    return true;
  }
  return false;
}

void ShowMessage(const char* text, const char* caption, uint32_t flags) {
  MessageBoxW(nullptr, WideOf(text).c_str(), WideOf(caption).c_str(), flags);
}

void WriteProgramText(void* handle, const char* text) {
  if (text == nullptr) return;
  String utf8;
  Windows1252ToUtf8(text, &utf8);
  WriteText(handle, WideOf(text), utf8.c_str(), static_cast<size_t>(utf8.GetLength()));
}

void WriteSystemText(void* handle, const char* text) {
  if (text == nullptr) return;
  WriteText(handle, WideOfUtf8(text), text, std::strlen(text));
}

void WriteStdout(const char* text) { WriteProgramText(GetStdHandle(STD_OUTPUT_HANDLE), text); }

bool ReadStdinLine(String* line, size_t max_length) {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  if (in == nullptr || in == INVALID_HANDLE_VALUE) return false;
  DWORD mode = 0;
  if (GetConsoleMode(in, &mode)) {
    // Typed at a console: read wide, so that no character passes through
    // the console's code page, and handed on in UTF-8.
    Utf16Units typed;
    wchar_t unit = 0;
    DWORD got = 0;
    bool any = false;
    try {
      while (typed.size() < max_length && ReadConsoleW(in, &unit, 1, &got, nullptr) && got == 1) {
        any = true;
        if (unit == L'\n') break;
        typed.push_back(static_cast<uint16_t>(unit));
      }
    } catch (const std::bad_alloc&) {
      return false;
    }
    SecureWipe(&unit, sizeof unit);
    if (!typed.empty() && typed.back() == '\r') typed.pop_back();
    return any && Utf16ToUtf8(typed.data(), typed.size(), line);
  }
  char* buffer = line->GetBuffer(static_cast<int32_t>(max_length));
  if (buffer == nullptr) return false;
  size_t used = 0;
  bool any = false;
  char c;
  DWORD got = 0;
  while (used < max_length && ReadFile(in, &c, 1, &got, nullptr) && got == 1) {
    any = true;
    if (c == '\n') break;
    buffer[used++] = c;
  }
  if (used > 0 && buffer[used - 1] == '\r') --used;
  buffer[used] = '\0';
  line->ReleaseBuffer();
  return any;
}

}  // namespace mv::platform
