// The interactive mode where the platform has no dialogs. Windows runs the
// dialog flow of ui/dialog_flow.cpp instead; here the program only says how
// to use it and whether it carries a package (1: no payload header).
#if !defined(_WIN32)

#include "app/entry.h"
#include "app/payload.h"
#include "base/system_helpers.h"
#include "platform/platform.h"

namespace mv {

int RunInteractive() {
  PayloadLayout layout;
  const Result loaded = LoadLayout(&layout);
  String usage("There are no dialogs on this platform. Decrypt the package with the decrypt command:\n  ");
  usage += GetProgramFileName();
  usage += " decrypt -pwd=PASSWORD -targetdir=FOLDER [-messagefile=FILE]\n";
  platform::WriteStdout(usage.c_str());
  return static_cast<int>(loaded);
}

}  // namespace mv

#endif  // !_WIN32
