// Process entry of the packer window (GUI subsystem): the items it was
// started with (dropped on the program or its shortcut, or sent from
// Explorer's Send To menu) go into the window's list.
#include <windows.h>

#include <string>
#include <vector>

#include "fs/path.h"
#include "pack_window/packer_backend.h"
#include "platform/arguments.h"
#include "platform/platform.h"
#include "ui/packer_dialog.h"

namespace {

// Runs before every other static initialiser of the program, so that every
// DLL loaded later comes from System32 only (as in the self-extractor).
__attribute__((constructor(101))) void RestrictDllSearchFirst() { mv::platform::RestrictDllSearch(); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  mv::platform::SetModuleHandle(instance);
  std::vector<std::string> items;
  std::vector<std::string> unfit;
  for (int i = 1; i < mv::platform::GetArgumentCount(); ++i) {
    mv::String item;
    if (mv::platform::GetArgument(i, &item)) {
      items.emplace_back(mv::StripTrailingSlash(mv::ToInternalPath(item)).c_str());
    } else if (mv::platform::GetArgumentUtf8(i, &item)) {
      unfit.emplace_back(item.c_str() == nullptr ? "" : item.c_str());
    }
  }
  mv::pack_window::PackerBackend backend;
  return mv::ui::RunPackerDialog(&backend, items, unfit);
}
