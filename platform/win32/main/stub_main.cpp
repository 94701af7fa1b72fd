// Process entry of the Windows stub (GUI subsystem).
#include <windows.h>

#include "app/entry.h"
#include "platform/platform.h"

namespace {

// Runs before every other static initialiser of the program: DLLs that are
// loaded later (by the system or on demand) come from System32 only, never
// from the folder the package was started from.
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
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_tail, int) {
  mv::platform::SetModuleHandle(instance);
  return mv::RunEntry(command_tail);
}
