#include "fs/directory_copy.h"

#include <cstdint>
#include <memory>
#include <new>

#include "base/progress.h"
#include "fs/confined_result.h"
#include "fs/disk_query.h"
#include "fs/file_operations.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "platform/confined_folder.h"
#include "platform/files.h"

namespace mv {
namespace {

// Bytes moved per step (and per progress report) of a file's copy, and the
// buffer they pass through where the system cannot copy by itself.
constexpr size_t kCopyStep = 1 << 20;
constexpr size_t kCopyBufferSize = 64 * 1024;

// What one copy shares between its files: the buffer and the free space
// of the target's file system.
class CopyState {
 public:
  explicit CopyState(const String& folder) : room_(folder) {}

  // The buffer of every file's copy; null when it cannot be had.
  char* GetBuffer() {
    if (!buffer_) buffer_.reset(new (std::nothrow) char[kCopyBufferSize]);
    return buffer_.get();
  }

  bool HasRoomFor(uint64_t size) { return room_.HasRoomFor(size); }

 private:
  std::unique_ptr<char[]> buffer_;
  TargetRoom room_;
};

// How much a file's failure weighs when one code must speak for a whole
// copy: a link refused in the target (something tried to lead the copy
// elsewhere) before a full disk before any other failure.
int Weight(Result r) {
  if (r == kOk) return 0;
  if (HasResultProperty(r, result_property::kOutweighsAll)) return 3;
  return HasResultProperty(r, result_property::kOutweighs) ? 2 : 1;
}

// How a file is put at its place below tree: in a target folder the copy
// made itself every name is new, and the file is created there at once
// (exclusively, never through a link); elsewhere it is written under a
// temporary name beside its final one and renamed over it, replacing an
// existing file only when replace is set.
platform::CreateMode ModeFor(const platform::ConfinedFolder& tree, bool replace) {
  if (tree.MadeTarget()) return platform::CreateMode::kFresh;
  return replace ? platform::CreateMode::kReplace : platform::CreateMode::kNew;
}

// Copies the open source file in to relative below the target tree, put at
// its place as ModeFor says, never through a link. Size, times and flags
// come from the open source file; a source that ends before its size is a
// short read, not a shorter copy.
Result CopyFileInto(platform::ConfinedFolder& tree, CopyState& state, const String& relative,
                    platform::SourceFile& in, bool replace, const ProgressScope& progress) {
  const uint64_t size = in.GetSize();
  if (!state.HasRoomFor(size)) return kDiskFull;
  char* buffer = state.GetBuffer();
  if (buffer == nullptr) return kOutOfMemory;
  platform::ConfinedFile out;
  Result r = ConfinedResult(tree.BeginFile(relative.c_str(), ModeFor(tree, replace), &out), kCannotOpen);
  if (r != kOk) return r;

  if (size == 0) progress.ReportPercent(0);
  for (uint64_t copied = 0; copied < size;) {
    const uint64_t left = size - copied;
    size_t n = 0;
    // A failed write leaves nothing behind: the temporary file goes with out.
    r = ConfinedResult(out.CopyFrom(in, left < kCopyStep ? static_cast<size_t>(left) : kCopyStep, buffer,
                                    kCopyBufferSize, &n),
                       kTargetFileExists);
    if (r != kOk) return r;
    if (n == 0) return kShortRead;
    copied += n;
    r = progress.ReportPercent(static_cast<int32_t>(copied * 100 / size));
    if (r != kOk) return r;
  }
  return ConfinedResult(out.Finish(in.GetTimes(), in.GetAttributes(), nullptr), kTargetFileExists);
}

// Copies one listed entry of the source (root + relative path; a folder
// ends in '/' and is only counted, *relative stays empty), reaching the
// target first; *size is the file's size.
Result CopyListed(platform::ConfinedFolder& source, TargetFolder& target, CopyState& state, const String& root,
                  const String& path, String* relative, uint64_t* size) {
  if (path.GetAt(path.GetLength() - 1) == '/') return kOk;
  *relative = path.Mid(root.GetLength(), path.GetLength() - root.GetLength());
  Result r = target.Reach();
  if (r != kOk) return r;
  platform::SourceFile in;
  if (source.OpenSource(relative->c_str(), &in) != platform::ConfinedStatus::kOk) return kCannotOpen;
  *size = in.GetSize();
  ProgressRange file_progress(nullptr);
  return CopyFileInto(target.GetTree(), state, *relative, in, target.Replaces(), file_progress);
}

// The form in which two spellings of one folder compare equal.
String FolderKey(const String& relative) {
  String key = relative;
  if (platform::kCaseBlindNames) key.MakeLower();
  return key;
}

}  // namespace

bool TargetRoom::HasRoomFor(uint64_t size) {
  if (!free_known_) {
    free_known_ = true;
    if (!QueryFreeBytesFor(folder_, &free_bytes_)) free_bytes_ = UINT64_MAX;
  }
  if (free_bytes_ < size) return false;
  if (free_bytes_ != UINT64_MAX) free_bytes_ -= size;
  return true;
}

TargetDelivery::TargetDelivery(TargetFolder* target) : target_(target), room_(target->GetFolder()) {}

void TargetDelivery::NoteFolder(const String& relative, uint32_t attributes) {
  const String folder = StripTrailingSlash(relative);
  if ((attributes & platform::kAttributeSystem) != 0 &&
      ExclusionByName(GetFileName(folder)) == FolderExclusion::kWithSystemAttribute) {
    system_folders_.Add(FolderKey(folder));
  }
}

bool TargetDelivery::Takes(const String& relative) const {
  // Every folder on the file's way, from the top.
  for (int32_t end = relative.Find('/'); end >= 0; end = relative.Find('/', end + 1)) {
    const String folder = relative.Left(end);
    const FolderExclusion exclusion = ExclusionByName(GetFileName(folder));
    if (exclusion == FolderExclusion::kAlways) return false;
    if (exclusion == FolderExclusion::kWithSystemAttribute) {
      const String key = FolderKey(folder);
      for (int32_t i = 0; i < system_folders_.GetCount(); ++i) {
        if (system_folders_[i] == key) return false;
      }
    }
  }
  return true;
}

Result TargetDelivery::Begin(uint64_t size, platform::ConfinedFolder** tree, platform::CreateMode* mode) {
  // Refused as the copy refuses it, before the folder is reached.
  if (target_->IsTaken()) return kTargetFolderExists;
  const Result r = target_->Reach();
  if (r != kOk) return r;
  if (!room_.HasRoomFor(size)) return kDiskFull;
  *tree = &target_->GetTree();
  *mode = ModeFor(target_->GetTree(), target_->Replaces());
  return kOk;
}

Result TargetDelivery::Failed(const String& relative, Result code) {
  // Without a target folder no file can be delivered.
  if (!target_->IsReached()) {
    result_ = code;
    return code;
  }
  failures_.push_back(CopyFailure{relative, code});
  if (Weight(code) > Weight(result_)) result_ = code;
  return kOk;
}

bool TargetFolder::IsTaken() const { return !replace_ && !IsReached() && PathExists(folder_); }

Result TargetFolder::Reach() {
  if (!tried_) {
    tried_ = true;
    const platform::ConfinedStatus status = tree_.OpenTarget(folder_.c_str(), replace_);
    // A taken name is the target folder's own code; the rest as for files.
    reached_ = status == platform::ConfinedStatus::kExists ? kTargetFolderExists
                                                           : ConfinedResult(status, kFolderNotMade);
  }
  return reached_;
}

Result CopySingleFile(const String& source, const String& target_path, bool replace,
                      const ProgressCallback* progress_callback) {
  ProgressRange progress(progress_callback);

  if (!FileExists(source)) return kFileNotFound;
  String target = target_path;
  if (!IsFilePath(target) && IsFolderPath(target)) target += GetFileName(source);
  if (!IsFilePath(target)) return kBadArgument;
  if (!replace && FileExists(target)) return kTargetFileExists;
  platform::SourceFile in;
  if (!in.Open(source.c_str())) return kCannotOpen;
  // The target's folder is the caller's own path.
  const String folder = GetFolderPart(target);
  platform::ConfinedFolder tree;
  if (!tree.Open(folder.c_str())) {
    Result r = MakeFolder(folder);
    if (r != kOk) return r;
    if (!tree.Open(folder.c_str())) return kFolderNotMade;
  }
  CopyState state(folder);
  return CopyFileInto(tree, state, GetFileName(target), in, replace, progress);
}

Result DirectoryCopy(const String& source, const String& target, bool replace,
                     const ProgressCallback* progress_callback, std::vector<CopyFailure>* failures) {
  TargetFolder folder(target, replace);
  return DirectoryCopy(source, &folder, progress_callback, failures);
}

Result DirectoryCopy(const String& source, TargetFolder* target, const ProgressCallback* progress_callback,
                     std::vector<CopyFailure>* failures, CopyListener* listener) {
  if (failures != nullptr) failures->clear();
  platform::ConfinedFolder source_tree;
  if (!FolderExists(source) || !source_tree.Open(source.c_str())) return kFolderNotFound;
  // Anything at the target's name counts as existing, a link to a folder
  // included: refused before anything is listed. (The folder is made new
  // when it is reached, so a name taken meanwhile is refused then.)
  if (target->IsTaken()) return kTargetFolderExists;

  ProgressScope progress(progress_callback);
  progress.Begin(100);
  progress.BeginPhase(10);
  StringArray entries;
  Result r = ListFolder(source, &entries);
  progress.EndPhase();
  if (r != kOk) {
    progress.End();
    return r;
  }
  const int32_t count = entries.GetCount();
  progress.ReportPercent(10);
  progress.BeginPhase(90);
  progress.Begin(count);

  // The listing that sized the range is the walk: every file and folder in
  // the walk's order, folders before their contents.
  CopyState state(target->GetFolder());
  r = kOk;
  for (int32_t i = 0; i < count; ++i) {
    Result step = progress.ReportPercent(i + 1);
    String relative;
    uint64_t size = 0;
    if (step == kOk) step = CopyListed(source_tree, *target, state, source, entries[i], &relative, &size);
    if (step == kCancelled) {
      r = step;
      break;
    }
    if (step == kOk) {
      if (listener != nullptr && !relative.IsEmpty()) listener->Copied(relative, size);
      continue;
    }
    if (!target->IsReached()) {
      // Without a target folder no file can be copied.
      r = step;
      break;
    }
    if (failures != nullptr) failures->push_back(CopyFailure{relative, step});
    if (Weight(step) > Weight(r)) r = step;
  }
  if (r == kOk) progress.ReportPercent(count);
  progress.End();
  progress.EndPhase();
  progress.ReportPercent(100);
  progress.End();
  return r;
}

}  // namespace mv
