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

// The target folder, made and opened when the first file needs it (an
// empty source leaves no target folder behind).
class TargetTree {
 public:
  explicit TargetTree(const String& folder) : folder_(folder) {}

  // The target itself is the caller's own path: a link there is followed
  // as the system follows it (the caller decided to write there).
  Result Get(platform::ConfinedFolder** tree) {
    if (!tree_.IsOpen() && !tree_.Open(folder_.c_str())) {
      Result r = MakeFolder(folder_);
      if (r != kOk) return r;
      if (!tree_.Open(folder_.c_str())) return kFolderNotMade;
    }
    *tree = &tree_;
    return kOk;
  }
  const String& GetFolder() const { return folder_; }
  // The buffer of every file's copy; null when it cannot be had.
  char* GetBuffer() {
    if (!buffer_) buffer_.reset(new (std::nothrow) char[kCopyBufferSize]);
    return buffer_.get();
  }

  // Whether the file system holding the target has size bytes free. It is
  // asked once per copy; the files copied since count against the answer
  // (a device filled by others meanwhile still fails the write with
  // kDiskFull). True when the system cannot tell.
  bool HasRoomFor(uint64_t size) {
    if (!free_known_) {
      free_known_ = true;
      if (!QueryFreeBytesFor(folder_, &free_bytes_)) free_bytes_ = UINT64_MAX;
    }
    if (free_bytes_ < size) return false;
    if (free_bytes_ != UINT64_MAX) free_bytes_ -= size;
    return true;
  }

 private:
  String folder_;
  platform::ConfinedFolder tree_;
  std::unique_ptr<char[]> buffer_;
  bool free_known_ = false;
  uint64_t free_bytes_ = 0;
};

// Copies the file at source to relative below the target: written under a
// temporary name beside its final one and renamed over it, never through a
// link, replacing an existing file only when replace is set. Size, times
// and flags come from the open source file; a source that ends before its
// size is a short read, not a shorter copy.
Result CopyFileInto(TargetTree& target, const String& relative, const String& source, bool replace,
                    const ProgressScope& progress) {
  platform::SourceFile in;
  if (!in.Open(source.c_str())) return kCannotOpen;
  const uint64_t size = in.GetSize();
  if (!target.HasRoomFor(size)) return kDiskFull;

  char* buffer = target.GetBuffer();
  if (buffer == nullptr) return kOutOfMemory;
  platform::ConfinedFolder* tree = nullptr;
  Result r = target.Get(&tree);
  if (r != kOk) return r;
  platform::ConfinedFile out;
  const auto mode = replace ? platform::CreateMode::kReplace : platform::CreateMode::kNew;
  r = ConfinedResult(tree->BeginFile(relative.c_str(), mode, &out), kCannotOpen);
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
// ends in '/' and is only counted).
Result CopyListed(TargetTree& tree, const String& root, const String& path, bool replace, String* failed_entry,
                  StringArray* failed_entries) {
  if (path.GetAt(path.GetLength() - 1) == '/') return kOk;
  String tail = path.Mid(root.GetLength(), path.GetLength() - root.GetLength());
  ProgressRange file_progress(nullptr);
  Result r = CopyFileInto(tree, tail, path, replace, file_progress);
  if (r != kOk && r != kCancelled && failed_entry != nullptr) *failed_entry = tail;
  if (r != kOk && r != kCancelled && failed_entries != nullptr) failed_entries->Add(tail);
  return r;
}

}  // namespace

Result CopySingleFile(const String& source, const String& target_path, bool replace,
                      const ProgressCallback* progress_callback) {
  ProgressRange progress(progress_callback);

  if (!FileExists(source)) return kFileNotFound;
  String target = target_path;
  if (!IsFilePath(target) && IsFolderPath(target)) target += GetFileName(source);
  if (!IsFilePath(target)) return kBadArgument;
  if (!replace && FileExists(target)) return kTargetFileExists;
  TargetTree tree(GetFolderPart(target));
  return CopyFileInto(tree, GetFileName(target), source, replace, progress);
}

Result DirectoryCopy(const String& source, const String& target, bool replace,
                     const ProgressCallback* progress_callback, String* failed_entry, StringArray* failed_entries) {
  if (failed_entry != nullptr) failed_entry->Empty();
  if (failed_entries != nullptr) failed_entries->RemoveAll();
  if (!FolderExists(source)) return kFolderNotFound;
  // Anything at the target's name counts as existing, a link to a folder
  // included: the copy never goes through one unasked.
  if (!replace && PathExists(target)) return kTargetFolderExists;

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
  TargetTree tree(target);
  r = kOk;
  for (int32_t i = 0; i < count; ++i) {
    Result step = progress.ReportPercent(i + 1);
    if (step == kOk) step = CopyListed(tree, source, entries[i], replace, failed_entry, failed_entries);
    if (step == kCancelled) {
      r = step;
      break;
    }
    if (step != kOk) r = step;
  }
  if (r == kOk) progress.ReportPercent(count);
  progress.End();
  progress.EndPhase();
  progress.ReportPercent(100);
  progress.End();
  return r;
}

}  // namespace mv
