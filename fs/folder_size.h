// Size totals of the files below a folder, with progress reports.
#pragma once

#include <cstdint>

#include "base/string.h"

namespace mv {

struct ProgressCallback;

// The bytes of all files below folder (excluded folders skipped), summed in
// 32 bits (wrapping). Reports a range of 100 (kProgressBegin), position 0
// per file, position 100 when the walk completed, and kProgressEnd. 0 when
// the folder does not exist; a position report answered with a non-zero
// code (a cancel) ends the walk early and the total so far is returned.
uint32_t GetFolderSize(const String& folder, const ProgressCallback* progress);
// The same with every file's size rounded up to whole clusters, excluded
// folders included.
uint32_t GetFolderAllocatedSize(const String& folder, const ProgressCallback* progress);

}  // namespace mv
