// Win32 side of the process services of platform.h.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace mv::platform {
namespace {
void* g_module_handle = nullptr;
constexpr char kSectionName[IMAGE_SIZEOF_SHORT_NAME] = {'_', 'q', 'z', 'p', 'k', '_', 0, 0};

// DLLs that system DLLs load through delay imports of their own: Wine
// resolves those with the program's folder first, past the restriction
// below (uxtheme's msimg32). Loaded here by their System32 path, they are
// found already loaded when asked for by name.
void LoadDelayImportsOfSystemDlls() {
  static constexpr const char* kNames[] = {"msimg32.dll"};
  char folder[MAX_PATH];
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  for (const char* name : kNames) {
    char path[MAX_PATH + 32];
    if (std::snprintf(path, sizeof path, "%s\\%s", folder, name) > 0) LoadLibraryA(path);
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
  // from starting at all. SetDllDirectoryA("") at least removes the current
  // folder from the search there.
  using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  auto set_default = kernel == nullptr ? nullptr
                                       : reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void*>(
                                             GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set_default != nullptr) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryA("");
  LoadDelayImportsOfSystemDlls();
}

void SetModuleHandle(void* handle) { g_module_handle = handle; }
void* GetModuleHandle() { return g_module_handle; }

bool GetPayloadSection(SectionView* view) {
  // The image's own headers as the loader mapped them.
  auto* base = reinterpret_cast<const uint8_t*>(::GetModuleHandleA(nullptr));
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
  MessageBoxA(nullptr, text, caption, flags);
}

void WriteStdout(const char* text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE || text == nullptr) return;
  size_t length = std::strlen(text);
  while (length > 0) {
    DWORD chunk = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
    DWORD written = 0;
    if (!WriteFile(out, text, chunk, &written, nullptr) || written == 0) return;
    text += written;
    length -= written;
  }
}

bool ReadStdinLine(String* line, size_t max_length) {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  if (in == nullptr || in == INVALID_HANDLE_VALUE) return false;
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
