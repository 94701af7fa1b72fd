#include "container/leftover_sweep.h"

#include <cstring>
#include <vector>

#include "container/package_reader.h"
#include "container/secure_wipe.h"
#include "fs/file_operations.h"
#include "platform/files.h"
#include "platform/temporary_area.h"

namespace mv {
namespace {

struct Candidate {
  String name;
  bool folder;
};

bool StartsWith(const String& text, const char* prefix) {
  return std::strncmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

bool IsLeftoverName(const platform::FolderEntry& entry) {
  if (entry.is_folder) {
    return StartsWith(entry.name, kWorkFolderPrefix) || StartsWith(entry.name, kNewWorkFolderPrefix);
  }
  const String extension = String(".") + kContainerCopyExtension;
  return StartsWith(entry.name, kContainerCopyPrefix) && entry.name.GetLength() > extension.GetLength() &&
         entry.name.Right(extension.GetLength()) == extension;
}

}  // namespace

int SweepLeftovers(const String& folder) {
  platform::AreaFacts area;
  if (!platform::QueryAreaFacts(folder.c_str(), &area) || area.shared_unguarded) return 0;
  // Listed before anything changes: a folder being changed could list an
  // entry twice.
  std::vector<Candidate> candidates;
  {
    platform::FolderListing listing;
    if (!listing.Open(folder.c_str())) return 0;
    platform::FolderEntry entry;
    while (listing.Next(&entry)) {
      if (IsLeftoverName(entry)) candidates.push_back({entry.name, entry.is_folder});
    }
  }
  int removed = 0;
  for (const Candidate& candidate : candidates) {
    const String path = folder + candidate.name;
    platform::LifeLock lock;
    platform::LeftoverFacts found;
    if (!lock.TakeAbandoned(path.c_str(), candidate.folder, &found)) continue;
    // A work folder was locked before it took its name; a new one, or a
    // container copy, may still be waiting for its maker's lock.
    const bool locked_when_named = candidate.folder && StartsWith(candidate.name, kWorkFolderPrefix);
    if (!locked_when_named && found.empty && found.idle_seconds < kIdleBeforeRemoval) continue;
    // The lock is held until the entry is gone, so no other run sweeps it
    // at the same time.
    const Result r = candidate.folder ? WipeFolder(path + "/", kWipeZeros, nullptr, false) : RemoveFile(path);
    if (r == kOk) ++removed;
  }
  return removed;
}

}  // namespace mv
