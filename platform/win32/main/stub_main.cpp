// Process entry of the Windows stub (GUI subsystem).
#include <windows.h>

#include <cstdio>

#include "app/entry.h"
#include "platform/platform.h"

namespace {

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

// Runs before every other static initialiser of the program: DLLs that are
// loaded later (by the system or on demand) come from System32 only, never
// from the folder the package was started from. The loader has resolved
// only the program's direct imports by then, and those are kept to DLLs
// whose imports stay among the KnownDLLs; user32, gdi32, the shell, COM and
// the common controls and dialogs are delay-loaded (cmake/delay_imports.cmake),
// so their first call, and every DLL they bring along, comes after this.
// SetDefaultDllDirectories is looked up rather than imported: a Windows 7
// without its loader update lacks it, and an import would stop the program
// from starting at all. SetDllDirectoryA("") at least removes the current
// folder from the search there.
__attribute__((constructor(101))) void RestrictDllSearch() {
  using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto set_default = kernel == nullptr ? nullptr
                                       : reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void*>(
                                             GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set_default != nullptr) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryA("");
  LoadDelayImportsOfSystemDlls();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_tail, int) {
  mv::platform::SetModuleHandle(instance);
  return mv::RunEntry(command_tail);
}
