// Where a decryption keeps its temporary container and its work folder.
//
// Without a temporary folder named by the user (TMPDIR on Linux), the work
// goes to the first memory file system among the system's candidates that
// the process may write to and that has room (platform/temporary_area.h: $XDG_RUNTIME_DIR, /dev/shm, /tmp), so
// that decrypted data never reaches a disk; the temporary folder on the
// disk stays the fall-back. A named folder is used as given. Windows offers
// no memory area: its temporary folder is the only place.
//
// Room is judged before anything is written, for the bytes the work needs
// (the container and its content). A memory area leaves a margin: the work
// may take at most half of the smaller of its free space and the memory the
// system still has available. The disk's folder needs only its free space.
#pragma once

#include <cstdint>
#include <vector>

#include "base/string.h"
#include "platform/temporary_area.h"

namespace mv {

// One place and what the system told about it.
struct WorkPlace {
  String folder;  // internal form, ending in '/'
  bool exists = false;
  platform::AreaFacts facts;
};

// Everything the choice depends on, gathered from the system by
// GatherWorkAreaFacts or made up by a test.
struct WorkAreaFacts {
  bool named = false;             // the user named the temporary folder
  std::vector<WorkPlace> memory;  // candidates, best first (none when named)
  WorkPlace disk;                 // the temporary folder (the named one, if any)
  bool memory_known = false;      // available_memory could be read
  uint64_t available_memory = 0;
};

struct WorkAreaChoice {
  // Where the work goes. When refused, no place has room: missing is the
  // number of bytes the disk's folder (named in folder) lacks.
  String folder;
  bool in_memory = false;
  bool refused = false;
  uint64_t missing = 0;
  // The disk's folder to start once more in when the memory area fills up
  // after all; "" when there is none (the work is not in memory, or the
  // disk's folder is the same place).
  String fallback;
  // The work is not in memory because no memory area had room for it,
  // though there was one to take it: what a user is told.
  bool memory_short = false;
};

WorkAreaFacts GatherWorkAreaFacts();

// The place for needed bytes of work, as described above.
WorkAreaChoice ChooseWorkArea(const WorkAreaFacts& facts, uint64_t needed);

// The bytes that folder lacks for needed more bytes; 0 when it has room
// (or cannot tell).
uint64_t MissingRoom(const String& folder, uint64_t needed);

}  // namespace mv
