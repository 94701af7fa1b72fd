// Win32 side of the process services of platform.h.
#include <windows.h>

#include <cstring>

#include "platform/platform.h"

namespace mv::platform {
namespace {
void* g_module_handle = nullptr;
constexpr char kSectionName[IMAGE_SIZEOF_SHORT_NAME] = {'_', 'q', 'z', 'p', 'k', '_', 0, 0};
}  // namespace

uint64_t AvailableMemory() {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? status.ullAvailPhys : 0;
}

void* AllocFixed(size_t n) {
  HGLOBAL handle = GlobalAlloc(GMEM_FIXED, n);
  return handle == nullptr ? nullptr : GlobalLock(handle);
}

void FreeFixed(void* p) {
  if (p == nullptr) return;
  HGLOBAL handle = GlobalHandle(p);
  if (handle == nullptr) return;
  GlobalUnlock(handle);
  GlobalFree(handle);
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
