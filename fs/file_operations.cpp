#include "fs/file_operations.h"

#include <cstdint>
#include <cstring>

#include "fs/disk_query.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "platform/files.h"

namespace mv {
namespace {

// A name that stays inside its folder.
bool IsPlainName(const String& name) {
  if (name.IsEmpty() || name == "." || name == "..") return false;
  return std::strpbrk(name.c_str(), "/\\") == nullptr;
}

Result DeleteEntry(const char* root, const char* relative, const char* name, int is_folder,
                   uintptr_t, uintptr_t, uintptr_t) {
  String path = String(root) + relative;
  if (is_folder != 0) return DeleteFolderTree(path);
  return RemoveFile(path + name);
}

}  // namespace

Result MakeFolder(const String& folder) {
  if (folder.IsEmpty() || !IsFolderPath(folder)) return kBadArgument;
  if (FolderExists(folder)) return kOk;
  if (platform::CreateFolder(folder.c_str(), platform::FolderAccess::kShared)) return kOk;
  if (MakeFolder(GetFolderPart(StripTrailingSlash(folder))) != kOk) return kFolderNotMade;
  return platform::CreateFolder(folder.c_str(), platform::FolderAccess::kShared) ? kOk : kFailed;
}

Result RemoveFile(const String& path) {
  return platform::RemoveFile(path.c_str()) ? kOk : kCannotDeleteFile;
}

Result RemoveEmptyFolder(const String& folder) {
  if (!FolderExists(folder)) return kOk;
  return platform::RemoveFolder(folder.c_str()) ? kOk : kCannotRemoveFolder;
}

Result DeleteFolderTree(const String& folder) {
  Result r = WalkFolder(folder, "", &DeleteEntry, 0, 0,
                        kWalkFoldersAfterContents | kWalkIncludeExcluded, 0);
  if (r != kOk) return r;
  return RemoveEmptyFolder(folder);
}

Result RenameFile(const String& path, const String& new_name) {
  if (!FileExists(path)) return kFileNotFound;
  if (!IsPlainName(new_name)) return kCannotRenameFile;
  String target = GetFolderPart(path) + new_name;
  if (FileExists(target)) return kCannotRenameFile;
  return platform::Rename(path.c_str(), target.c_str()) == platform::RenameResult::kOk
             ? kOk
             : kCannotRenameFile;
}

Result RenameFolder(const String& folder, const String& new_name) {
  if (!FolderExists(folder)) return kFolderNotFound;
  String parent = GetParentFolder(folder);
  String target;
  if (new_name.Find(':') < 0 && new_name.Find('/') < 0) {
    if (!IsPlainName(new_name)) return kCannotRenameFolder;
    target = parent + new_name + "/";
  } else {
    if (GetParentFolder(new_name) != parent) return kBadFolder;
    target = new_name;
  }
  if (FolderExists(target)) return kCannotRenameFolder;
  switch (platform::Rename(StripTrailingSlash(folder).c_str(), StripTrailingSlash(target).c_str())) {
    case platform::RenameResult::kOk:
      return kOk;
    case platform::RenameResult::kAccessDenied:
      return kAccessDenied;
    default:
      return kCannotRenameFolder;
  }
}

}  // namespace mv
