#include "fs/folder_walk.h"

#include "fs/disk_query.h"
#include "fs/path.h"
#include "platform/files.h"

namespace mv {
namespace {

bool IsDotEntry(const String& name) { return name == "." || name == ".."; }

// Folds one result into the walk: true when the walk must end now with
// *result.
bool StopsWalk(Result r, uint32_t options, Result* remembered, Result* result) {
  if (r == kOk) return false;
  if (r == kCancelled || (options & kWalkContinueOnError) == 0) {
    *result = r;
    return true;
  }
  *remembered = r;
  return false;
}

Result AppendEntry(const char* root, const char* relative, const char* name, int,
                   uintptr_t user1, uintptr_t, uintptr_t) {
  auto* files = reinterpret_cast<StringArray*>(user1);
  String path = String(root) + relative + name;
  return files->Add(path) < 0 ? kOutOfMemory : kOk;
}

// The walk below the checks WalkFolder makes once: root is an existing
// folder, and current (root + rel, listed by listing) is not an excluded
// one. Each subfolder is listed from its parent's listing, never by its
// whole path and never through a link, so any depth can be walked.
Result WalkBelow(const String& root, const String& rel, platform::FolderListing& listing, WalkCallback callback,
                 uintptr_t user1, uintptr_t user2, uint32_t options, uintptr_t user3) {
  const bool skip_excluded = (options & kWalkIncludeExcluded) == 0;
  Result remembered = kOk;
  Result result = kOk;
  platform::FolderEntry entry;
  while (listing.Next(&entry)) {
    if (!entry.is_folder) {
      Result r = callback(root.c_str(), rel.c_str(), entry.name.c_str(), 0, user1, user2, user3);
      if (StopsWalk(r, options, &remembered, &result)) return result;
      continue;
    }
    if (IsDotEntry(entry.name)) continue;
    if ((options & kWalkTopOnly) != 0) continue;
    String sub = rel + entry.name + "/";
    if (skip_excluded && IsExcludedFolder(root + sub)) continue;
    bool report = (options & kWalkFilesOnly) == 0;
    bool after = (options & kWalkFoldersAfterContents) != 0;
    if (report && !after) {
      Result r = callback(root.c_str(), sub.c_str(), "", 1, user1, user2, user3);
      if (StopsWalk(r, options, &remembered, &result)) return result;
    }
    platform::FolderListing sub_listing;
    Result r = sub_listing.OpenSub(listing, entry.name.c_str())
                   ? WalkBelow(root, sub, sub_listing, callback, user1, user2, options, user3)
                   : kFolderNotFound;
    sub_listing.Close();
    if (StopsWalk(r, options, &remembered, &result)) return result;
    if (report && after) {
      r = callback(root.c_str(), sub.c_str(), "", 1, user1, user2, user3);
      if (StopsWalk(r, options, &remembered, &result)) return result;
    }
  }
  return remembered;
}

}  // namespace

Result WalkFolder(const String& root, const String& relative, WalkCallback callback,
                  uintptr_t user1, uintptr_t user2, uint32_t options, uintptr_t user3) {
  if (callback == nullptr) return kBadArgument;
  if (!FolderExists(root)) return kBadFolder;
  String rel = relative.c_str() == nullptr ? String("") : relative;
  if ((options & kWalkIncludeExcluded) == 0 && IsExcludedFolder(root + rel)) return kOk;
  platform::FolderListing listing;
  if (!listing.Open((root + rel).c_str())) return kFolderNotFound;
  return WalkBelow(root, rel, listing, callback, user1, user2, options, user3);
}

FolderExclusion ExclusionByName(const String& name) {
  String lower = name;
  lower.MakeLower();
  if (lower == "recycled" || lower == "recycler") return FolderExclusion::kAlways;
  return lower == "temporary internet files" ? FolderExclusion::kWithSystemAttribute : FolderExclusion::kNone;
}

bool IsExcludedFolder(const String& folder) {
  // The name decides first: only a folder of one of these names is asked
  // of the system.
  const FolderExclusion exclusion = ExclusionByName(GetFileName(StripTrailingSlash(folder)));
  if (exclusion == FolderExclusion::kNone) return false;
  if (!FolderExists(folder)) return false;
  if (exclusion == FolderExclusion::kAlways) return true;
  const uint32_t attributes = platform::ReadAttributes(StripTrailingSlash(folder).c_str());
  return attributes != platform::kInvalidAttributes && (attributes & platform::kAttributeSystem) != 0;
}

Result ListFolder(const String& root, StringArray* files) {
  if (files == nullptr) return kBadArgument;
  return WalkFolder(root, "", &AppendEntry, reinterpret_cast<uintptr_t>(files), 0, 0, 0);
}

}  // namespace mv
