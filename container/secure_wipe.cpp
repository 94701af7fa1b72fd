#include "container/secure_wipe.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/memory.h"
#include "base/progress.h"
#include "fs/disk_query.h"
#include "fs/file_operations.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "platform/files.h"
#include "platform/overwrite_file.h"
#include "platform/random.h"
#include "platform/temporary_name.h"
#include "stream/file_info.h"

namespace mv {
namespace {

// The block when neither the file system nor the drive can tell one (a
// network path): files are rounded up to this size instead.
constexpr uint32_t kFallbackClusterSize = 4096;
// Files are wiped in batches of up to this many open files (fewer where
// the system allows fewer): each is overwritten, then the batch waits for
// the device once (one flush of the file system rather than one journal
// commit per file) before any is truncated. A flush costs about the same
// for a few files as for thousands, so batches are large.
constexpr size_t kWipeBatch = 8192;
// A file at least this large has its write-back started as soon as it is
// overwritten, so the device works while the next files are; smaller ones
// are left to the batch's flush, which writes them out together.
constexpr uint64_t kEarlyWriteBack = 1 << 20;
// The write of a folder wipe: one pattern, written repeatedly.
constexpr uint32_t kFolderWipeStep = 64 * 1024;

WipePassHook g_pass_hook = nullptr;

struct Pass {
  int32_t span;  // share of the progress range in a multi-pass wipe
  uint8_t pattern;
  bool random;
};

constexpr Pass kZeroPass[] = {{100, 0x00, false}};
constexpr Pass kThreePasses[] = {{20, 0xFF, false}, {20, 0x00, false}, {60, 0x00, true}};

struct Passes {
  const Pass* pass;
  size_t count;
};

Passes PassesOf(uint8_t mode) {
  if (mode == kWipeZeros) return {kZeroPass, 1};
  if (mode == kWipeThreePasses) return {kThreePasses, 3};
  return {nullptr, 0};
}

class PassBuffer {
 public:
  explicit PassBuffer(uint32_t size) : bytes_(static_cast<uint8_t*>(AllocFixed(size))) {}
  ~PassBuffer() { FreeFixed(bytes_); }
  PassBuffer(const PassBuffer&) = delete;
  PassBuffer& operator=(const PassBuffer&) = delete;

  uint8_t* get() const { return bytes_; }

 private:
  uint8_t* bytes_;
};

// The unit a file is rounded up to, so that the slack after its last byte
// is overwritten too: the file system's preferred block, else the drive's
// cluster, else kFallbackClusterSize.
uint32_t BlockOf(const platform::OverwriteFile& file, const String& path) {
  if (file.GetBlockSize() != 0) return file.GetBlockSize();
  const uint32_t cluster = ClusterSize(path);
  return cluster != 0 ? cluster : kFallbackClusterSize;
}

// One pass over the first length bytes of the open file, step bytes per
// write from buffer (step bytes long), the random pass with a new value for
// every write. Reports a level of 100 with a position before every write;
// a non-zero answer stops the pass with that code.
Result WritePass(platform::OverwriteFile& file, uint64_t length, const Pass& pass, uint8_t* buffer,
                 uint32_t step, const ProgressScope& scope) {
  std::memset(buffer, pass.pattern, step);
  scope.Begin();
  const uint64_t per_percent = length / 100 + 1;
  for (uint64_t position = 0; position < length;) {
    Result r = scope.ReportPercent(static_cast<int32_t>(position / per_percent));
    if (r != kOk) return r;
    if (pass.random) {
      uint8_t value = pass.pattern;
      platform::FillRandom(&value, 1);
      std::memset(buffer, value, step);
    }
    const uint64_t left = length - position;
    const size_t n = left < step ? static_cast<size_t>(left) : step;
    if (!file.OverwriteAt(position, buffer, n)) return kCannotOverwrite;
    position += n;
  }
  scope.End();
  return kOk;
}

// The passes of mode over one open file: every pass but the last is on the
// device before the next one starts; the last one's write-back is started
// at once for a large file and waited for by the batch. Progress: one level
// of 100 for a single pass, phases by the passes' spans for several.
Result OverwritePasses(platform::OverwriteFile& file, const String& path, uint8_t mode, uint8_t* buffer,
                       uint32_t step, const ProgressCallback* progress) {
  const uint32_t block = BlockOf(file, path);
  const uint64_t length = (file.GetSize() + block - 1) / block * block;
  const Passes passes = PassesOf(mode);
  const ProgressScope scope(progress);
  const bool phased = passes.count > 1;
  if (phased) scope.Begin();
  for (size_t i = 0; i < passes.count; ++i) {
    if (phased) scope.BeginPhase(passes.pass[i].span);
    Result r = WritePass(file, length, passes.pass[i], buffer, step, scope);
    if (r != kOk) return r;
    if (i + 1 < passes.count && !file.WaitWriteBack()) return kCannotOverwrite;
    if (phased) scope.EndPhase();
    if (g_pass_hook != nullptr) g_pass_hook(path, length);
  }
  if (phased) scope.End();
  if (length >= kEarlyWriteBack) file.StartWriteBack();
  return kOk;
}

// Renames the file or folder at path (without a trailing '/') to a
// meaningless name in its folder: *renamed is the new path. denied is the
// code when the system refuses access, refused when the rename fails.
Result RenameToMeaningless(const String& path, Result denied, Result refused, String* renamed) {
  const String folder = GetFolderPart(path);
  for (int attempt = 0; attempt < 16; ++attempt) {
    char digits[platform::kTemporaryNameDigits + 1];
    if (!platform::NextTemporaryName(digits)) return kNoFreeTempName;
    *renamed = folder + "~" + digits + ".tmp";
    switch (platform::Rename(path.c_str(), renamed->c_str())) {
      case platform::RenameResult::kOk:
        return kOk;
      case platform::RenameResult::kAccessDenied:
        return denied;
      case platform::RenameResult::kFailed:
        if (!PathExists(*renamed)) return refused;
        break;  // the name was taken: another one
    }
  }
  return kNoFreeTempName;
}

// Wipes the files at paths[0..count) together, with the open files of
// batch (at least count of them): each is opened and overwritten, the
// overwrite of all of them is waited for (at once, or each by itself where
// that cannot be done), and only then is each truncated, renamed to a
// meaningless name and deleted, so the overwrite is on the device before
// the blocks are freed. A file that fails is left and the rest go on. The
// result is the latest failure or kOk; a non-zero progress answer
// (progress is only given for a single file) stops the file it came from
// with that code and leaves it present.
Result WipeTogether(const String* const* paths, size_t count, std::vector<platform::OverwriteFile>& batch,
                    uint8_t mode, uint8_t* buffer, uint32_t step, const ProgressCallback* progress) {
  Result latest = kOk;
  for (size_t i = 0; i < count; ++i) {
    platform::OverwriteFile& file = batch[i];
    if (!file.Open(paths[i]->c_str())) {
      latest = kCannotOverwrite;
      continue;
    }
    Result r = OverwritePasses(file, *paths[i], mode, buffer, step, progress);
    if (r != kOk) {
      latest = r;
      file.Close();
    }
  }
  const bool together = platform::OverwriteFile::WaitWriteBackTogether(batch.data(), count);
  for (size_t i = 0; i < count; ++i) {
    platform::OverwriteFile& file = batch[i];
    if (!file.IsOpen()) continue;
    const bool overwritten = (together || file.WaitWriteBack()) && file.TruncateToZero();
    file.Close();
    String renamed;
    Result r = overwritten ? RenameToMeaningless(*paths[i], kCannotRenameFile, kCannotRenameFile, &renamed)
                           : kCannotOverwrite;
    if (r == kOk) r = RemoveFile(renamed);
    if (r != kOk) latest = r;
  }
  return latest;
}

// Collects the tree before anything in it changes: renaming entries of a
// folder that is being listed could make the listing report them again.
Result CollectEntry(const char* root, const char* relative, const char* name, int /*is_folder*/,
                    uintptr_t paths, uintptr_t, uintptr_t) {
  // A folder comes with its own path ending in '/' and an empty name.
  String path = String(root) + relative + name;
  return reinterpret_cast<StringArray*>(paths)->Add(path) < 0 ? kOutOfMemory : kOk;
}

bool IsFolderEntry(const String& path) {
  return path.GetLength() > 0 && path.GetAt(path.GetLength() - 1) == '/';
}

}  // namespace

void SetWipePassHookForTesting(WipePassHook hook) { g_pass_hook = hook; }

uint32_t ClusterSize(const String& path) {
  if (!FileExists(path)) return 0;
  platform::DiskSpace space;
  if (!platform::QueryDiskSpace(path.c_str(), &space)) return 0;
  uint64_t cluster = static_cast<uint64_t>(space.sectors_per_cluster) * space.bytes_per_sector;
  return cluster > 0xFFFFFFFFu ? 0 : static_cast<uint32_t>(cluster);
}

Result WipeFile(const String& path, uint8_t mode, const ProgressCallback* progress) {
  if (!FileExists(path)) return kBadArgument;
  if (ClearFileInfo(path) != kOk) return kCannotOverwrite;
  uint32_t step = ClusterSize(path);
  if (step == 0) step = kFallbackClusterSize;
  PassBuffer buffer(step);
  if (buffer.get() == nullptr) return kOutOfMemory;
  std::vector<platform::OverwriteFile> batch(1);
  const String* paths[] = {&path};
  return WipeTogether(paths, 1, batch, mode, buffer.get(), step, progress);
}

Result EraseFolder(const String& folder) {
  const String path = StripTrailingSlash(folder);
  if (!platform::WriteAttributes(path.c_str(), 0)) return kBadFolder;
  String renamed;
  Result r = RenameToMeaningless(path, kAccessDenied, kCannotRenameFolder, &renamed);
  if (r != kOk) return r;
  // Emptied by the wipe, the folder goes with one call; anything left in it
  // goes with the tree.
  if (platform::RemoveFolder(renamed.c_str())) return kOk;
  return DeleteFolderTree(renamed + "/") == kOk ? kOk : kCannotRemoveFolder;
}

Result WipeFolder(const String& folder, uint8_t mode, const ProgressCallback* progress,
                  bool keep_root) {
  if (!FolderExists(folder)) return kFolderNotFound;
  // Answers to the reports are not acted on: see the header.
  ProgressScope scope(progress);
  scope.Begin();
  scope.BeginPhase(10);
  StringArray paths;
  Result latest = WalkFolder(folder, "", &CollectEntry, reinterpret_cast<uintptr_t>(&paths), 0,
                             kWalkFoldersAfterContents | kWalkIncludeExcluded | kWalkContinueOnError,
                             0);
  scope.EndPhase();
  std::vector<const String*> files;
  for (int32_t i = 0; i < paths.GetCount(); ++i) {
    if (!IsFolderEntry(paths[i])) files.push_back(&paths[i]);
  }
  PassBuffer buffer(kFolderWipeStep);
  if (buffer.get() == nullptr) return kOutOfMemory;
  const size_t batch_size = std::max<size_t>(1, std::min(kWipeBatch, platform::OverwriteFile::BatchLimit()));
  std::vector<platform::OverwriteFile> batch(std::min(batch_size, std::max<size_t>(1, files.size())));
  for (size_t start = 0; start < files.size(); start += batch.size()) {
    const size_t count = std::min(files.size() - start, batch.size());
    Result r = WipeTogether(&files[start], count, batch, mode, buffer.get(), kFolderWipeStep, nullptr);
    if (r != kOk) latest = r;
    scope.ReportPercent(static_cast<int32_t>(10 + 90 * (start + count) / files.size()));
  }
  for (int32_t i = 0; i < paths.GetCount(); ++i) {
    if (!IsFolderEntry(paths[i])) continue;
    Result r = EraseFolder(paths[i]);
    if (r != kOk) latest = r;
  }
  if (latest != kOk) return latest;
  scope.ReportPercent(100);
  scope.End();
  return keep_root ? kOk : EraseFolder(folder);
}

}  // namespace mv
