// Why something could not be written at a path, asked of the system after
// the write failed, so that a report can say where and why: the nearest
// existing part of the path and what about it stands in the way. The answer
// is taken afresh; a cause that is gone by then is not found.
#pragma once

#include <cstdint>

#include "base/string.h"

namespace mv::platform {

enum class WriteProblem {
  kNone,             // nothing found in the way
  kNotAFolder,       // where is a file (or other non-folder) where a folder is needed
  kIsFolder,         // where, the path itself, is a folder
  kReadOnlyFile,     // where, the path itself, is a file without write permission
  kNoPermission,     // where is a folder the user may not write into (POSIX)
  kReadOnlyDevice,   // where lies on a file system mounted read-only (POSIX)
  kNoSpace,          // the file system holding where has fewer free bytes than needed
};

struct WriteDiagnosis {
  WriteProblem problem = WriteProblem::kNone;
  String where;             // internal form; "" with kNone
  uint64_t free_bytes = 0;  // with kNoSpace
};

// path: a file or folder that was to be written (internal form, program
// code page); needed: the bytes it needed (0: any free byte will do).
WriteDiagnosis DiagnoseWrite(const char* path, uint64_t needed);

}  // namespace mv::platform
