#include "fs/directory_copy.h"

#include <memory>
#include <new>

#include "fs/confined_result.h"
#include "fs/disk_query.h"
#include "fs/file_info.h"
#include "fs/file_operations.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "platform/confined_folder.h"
#include "platform/files.h"
#include "stream/progress_stream.h"
#include "stream/tag_record.h"

namespace mv {
namespace {

constexpr size_t kCopyBufferSize = 65535;

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

 private:
  String folder_;
  platform::ConfinedFolder tree_;
};

// Copies the file at source to relative below the target: written under a
// temporary name beside its final one and renamed over it, never through a
// link, replacing an existing file only when replace is set.
Result CopyFileInto(TargetTree& target, const String& relative, const String& source, bool replace,
                    const ProgressScope& progress) {
  TagRecord info;
  GetFileInfo(source, &info);
  const uint32_t size = QueryFileSize(source);

  String drive = GetDriveSpec(GetFolderPart(target.GetFolder() + relative));
  if (drive.IsEmpty()) drive = GetDriveSpec(source);
  if (!drive.IsEmpty() && size != kUnknownSize && GetFreeSpace(drive) < size) return kDiskFull;

  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBufferSize]);
  if (!buffer) return kOutOfMemory;
  platform::File in;
  if (!in.Open(source.c_str(), "rb")) return kCannotOpen;
  platform::ConfinedFolder* tree = nullptr;
  Result r = target.Get(&tree);
  if (r != kOk) return r;
  platform::ConfinedFile out;
  const auto mode = replace ? platform::CreateMode::kReplace : platform::CreateMode::kNew;
  r = ConfinedResult(tree->BeginFile(relative.c_str(), mode, &out), kCannotOpen);
  if (r != kOk) return r;

  uint32_t copied = 0;
  for (;;) {
    size_t n = in.Read(buffer.get(), kCopyBufferSize);
    if (n == 0) break;
    // A short write leaves nothing behind: the temporary file goes with out.
    r = ConfinedResult(out.Write(buffer.get(), n), kTargetFileExists);
    if (r != kOk) return r;
    copied += static_cast<uint32_t>(n);
    // The percentage of a file that grew while it was copied may pass 100.
    uint32_t percent = size == kUnknownSize || size == 0 ? 0 : Percent(copied, size, true);
    r = progress.ReportPercent(static_cast<int32_t>(percent));
    if (r != kOk) return r;
  }
  if (copied == 0) progress.ReportPercent(0);
  platform::FileTimes times;
  uint32_t attributes = 0;
  DecodeFileInfo(&info, &times, &attributes);
  return ConfinedResult(out.Finish(times, attributes, nullptr), kTargetFileExists);
}

struct CopyContext {
  explicit CopyContext(const String& target) : tree(target) {}
  uint32_t entries = 0;
  TargetTree tree;
  bool replace = false;
  String* failed_entry = nullptr;
};

Result CopyEntry(const char* root, const char* relative, const char* name, int is_folder, uintptr_t user1,
                 uintptr_t, uintptr_t user3) {
  auto* context = reinterpret_cast<CopyContext*>(user1);
  ProgressScope progress(reinterpret_cast<const ProgressCallback*>(user3));
  ++context->entries;
  Result r = progress.ReportPercent(static_cast<int32_t>(context->entries));
  if (r != kOk) return r;
  if (is_folder) return kOk;
  String tail = String(relative) + name;
  ProgressRange file_progress(nullptr);
  r = CopyFileInto(context->tree, tail, String(root) + tail, context->replace, file_progress);
  if (r != kOk && r != kCancelled && context->failed_entry != nullptr) *context->failed_entry = tail;
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
                     const ProgressCallback* progress_callback, String* failed_entry) {
  if (failed_entry != nullptr) failed_entry->Empty();
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

  CopyContext context(target);
  context.replace = replace;
  context.failed_entry = failed_entry;
  r = WalkFolder(source, String(""), &CopyEntry, reinterpret_cast<uintptr_t>(&context), 0, kWalkContinueOnError,
                 reinterpret_cast<uintptr_t>(progress_callback));
  if (r == kOk) progress.ReportPercent(count);
  progress.End();
  progress.EndPhase();
  progress.ReportPercent(100);
  progress.End();
  return r;
}

}  // namespace mv
