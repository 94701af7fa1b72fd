#include "fs/folder_size.h"

#include "base/progress.h"
#include "base/result.h"
#include "fs/disk_query.h"
#include "fs/folder_walk.h"

namespace mv {
namespace {

using SizeQuery = uint32_t (*)(const String& path);

struct Total {
  SizeQuery query;
  uint32_t bytes = 0;
  const ProgressCallback* progress;
};

Result AddFileSize(const char* root, const char* relative, const char* name, int,
                   uintptr_t user1, uintptr_t, uintptr_t) {
  auto* total = reinterpret_cast<Total*>(user1);
  total->bytes += total->query(String(root) + relative + name);
  return NotifyProgress(total->progress, kProgressPosition, 0);
}

uint32_t SumFolder(const String& folder, const ProgressCallback* progress, SizeQuery query,
                   uint32_t options) {
  NotifyProgress(progress, kProgressBegin, 100);
  Total total{query, 0, progress};
  if (FolderExists(folder) &&
      WalkFolder(folder, "", &AddFileSize, reinterpret_cast<uintptr_t>(&total), 0, options, 0) == kOk) {
    NotifyProgress(progress, kProgressPosition, 100);
  }
  NotifyProgress(progress, kProgressEnd, 0);
  return total.bytes;
}

}  // namespace

uint32_t GetFolderSize(const String& folder, const ProgressCallback* progress) {
  return SumFolder(folder, progress, &QueryFileSize, kWalkFilesOnly);
}

uint32_t GetFolderAllocatedSize(const String& folder, const ProgressCallback* progress) {
  return SumFolder(folder, progress, &QueryAllocatedSize, kWalkFilesOnly | kWalkIncludeExcluded);
}

}  // namespace mv
