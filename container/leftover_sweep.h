// What runs that were killed (SIGKILL, a power cut) leave in a temporary
// folder, and its removal by the next run.
//
// Every run holds a lock on its work folder and on its container copy for
// as long as they live (platform/temporary_area.h); the kernel drops it
// however the process ends. So a work folder "QZDX_..." or a container copy
// "qzp_....mef" that belongs to the user the process runs as and whose lock
// nobody holds is left over, whatever its age: a work folder is wiped as
// the run would have wiped it, a container copy (encrypted bytes only) is
// deleted. A work folder takes its name only once it is locked, so an
// unlocked one goes even when empty. A new work folder "QZDW_..." and an
// empty container copy may be ones whose maker has just created them and
// not yet locked them: they go only once unchanged for kIdleBeforeRemoval
// seconds. A folder in which others could swap an entry for a link is not
// swept.
#pragma once

#include <cstdint>

#include "base/string.h"

namespace mv {

inline constexpr uint64_t kIdleBeforeRemoval = 600;

// Sweeps the leftovers in folder (internal form, ending in '/'); the number
// of leftovers removed.
int SweepLeftovers(const String& folder);

}  // namespace mv
