// Process entry of the Windows stub (GUI subsystem).
#include <windows.h>

#include "app/entry.h"
#include "platform/platform.h"

namespace {

// Runs before every other static initialiser of the program: DLLs that are
// loaded later (by the system or on demand) come from System32 only, never
// from the folder the package was started from.
__attribute__((constructor(101))) void RestrictDllSearch() {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryA("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_tail, int) {
  mv::platform::SetModuleHandle(instance);
  return mv::RunEntry(command_tail);
}
