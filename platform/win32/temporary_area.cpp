// Win32 side of temporary_area.h: the temporary folder on its drive is the
// only place for temporary work, and nothing is swept (a file another
// process holds open cannot be deleted there anyway).
#include <windows.h>

#include "platform/system_faults.h"
#include "platform/temporary_area.h"
#include "platform/win32/wide_text.h"

namespace mv::platform {

bool QueryAreaFacts(const char* folder, AreaFacts* facts) {
  const Fault answer = NextFault(SystemCall::kAreaFacts);
  const Fault space = NextFault(SystemCall::kFreeSpace);
  if ((answer != Fault::kNone && answer != Fault::kMemoryFileSystem) ||
      (space != Fault::kNone && space != Fault::kDiskFull)) {
    return false;
  }
  const std::wstring native = WidePathOf(folder);
  const DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  *facts = AreaFacts();
  facts->writable = (attributes & FILE_ATTRIBUTE_READONLY) == 0;
  ULARGE_INTEGER available;
  if (GetDiskFreeSpaceExW(native.c_str(), &available, nullptr, nullptr)) {
    facts->free_known = true;
    facts->free_bytes = available.QuadPart;
  }
  facts->in_memory = answer == Fault::kMemoryFileSystem;
  if (space == Fault::kDiskFull) {
    facts->free_known = true;
    facts->free_bytes = 0;
  }
  return true;
}

bool QueryChosenTempFolder(String*) { return false; }

StringArray ListMemoryAreaCandidates() { return StringArray(); }

bool LifeLock::Hold(const char*) { return true; }

bool LifeLock::TakeAbandoned(const char*, bool, LeftoverFacts*) { return false; }

void LifeLock::Release() { handle_ = -1; }

}  // namespace mv::platform
