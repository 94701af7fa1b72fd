// Until the dialog flow exists, the interactive mode does the least that is
// correct: look for the package and report whether there is one (1: no
// payload header).
#include "app/entry.h"
#include "app/payload.h"

namespace mv {

int RunInteractive() {
  PayloadLayout layout;
  return static_cast<int>(LoadLayout(&layout));
}

}  // namespace mv
