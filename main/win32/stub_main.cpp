// Process entry of the Windows stub (GUI subsystem): the command line, or
// the dialog flow.
#include <windows.h>

#include "app/command_line_mode.h"
#include "app/entry.h"
#include "platform/platform.h"
#include "ui/dialog_flow.h"

namespace {

// Runs before every other static initialiser of the program, so that every
// DLL loaded later comes from System32 only (see RestrictDllSearch).
__attribute__((constructor(101))) void RestrictDllSearchFirst() { mv::platform::RestrictDllSearch(); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_tail, int) {
  mv::platform::SetModuleHandle(instance);
  return mv::SelectMode(command_tail, &mv::ui::RunDialogFlow, &mv::RunCommandLine);
}
