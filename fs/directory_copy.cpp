#include "fs/directory_copy.h"

#include <memory>
#include <new>

#include "fs/disk_query.h"
#include "fs/file_info.h"
#include "fs/file_operations.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "platform/files.h"
#include "stream/progress_stream.h"
#include "stream/tag_record.h"

namespace mv {
namespace {

constexpr size_t kCopyBufferSize = 65535;

struct CopyContext {
  uint32_t entries = 0;
  String target;
  bool replace = false;
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
  return CopySingleFile(String(root) + tail, context->target + tail, context->replace, nullptr);
}

Result CopyFileBody(const String& source, const String& target, uint32_t size, const ProgressScope& progress) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBufferSize]);
  if (!buffer) return kOutOfMemory;
  platform::File in;
  platform::File out;
  if (!in.Open(source.c_str(), "rb") || !out.Open(target.c_str(), "wb")) return kCannotOpen;
  uint32_t copied = 0;
  for (;;) {
    size_t n = in.Read(buffer.get(), kCopyBufferSize);
    if (n == 0) break;
    if (out.Write(buffer.get(), n) != n) return kTargetFileExists;  // a short write: the partial file stays
    copied += static_cast<uint32_t>(n);
    // The percentage of a file that grew while it was copied may pass 100.
    uint32_t percent = size == 0 ? 0 : Percent(copied, size, true);
    Result r = progress.ReportPercent(static_cast<int32_t>(percent));
    if (r != kOk) return r;
  }
  if (copied == 0) progress.ReportPercent(0);
  return out.Close() ? kOk : kTargetFileExists;
}

}  // namespace

Result CopySingleFile(const String& source, const String& target_path, bool replace,
                      const ProgressCallback* progress_callback) {
  ProgressRange progress(progress_callback);

  if (!FileExists(source)) return kFileNotFound;
  if (!replace && FileExists(target_path)) return kTargetFileExists;
  String target = target_path;
  if (!IsFilePath(target) && IsFolderPath(target)) target += GetFileName(source);

  TagRecord info;
  GetFileInfo(source, &info);
  const uint32_t size = QueryFileSize(source);

  uint64_t free_bytes = 0;
  if (size != kUnknownSize && QueryFreeBytesFor(target, &free_bytes) && free_bytes < size) return kDiskFull;

  String folder = GetFolderPart(target);
  if (!FolderExists(folder)) {
    Result r = MakeFolder(folder);
    if (r != kOk) return r;
  }
  Result r = CopyFileBody(source, target, size == kUnknownSize ? 0 : size, progress);
  if (r != kOk) return r;
  SetFileInfo(target, &info);
  return kOk;
}

Result DirectoryCopy(const String& source, const String& target, bool replace,
                     const ProgressCallback* progress_callback) {
  if (!FolderExists(source)) return kFolderNotFound;
  if (!replace && FolderExists(target)) return kTargetFolderExists;

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

  CopyContext context;
  context.target = target;
  context.replace = replace;
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
