#include "container/secure_wipe.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/memory.h"
#include "fs/disk_query.h"
#include "fs/file_info.h"
#include "fs/file_operations.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "fs/temp_names.h"
#include "platform/files.h"
#include "platform/overwrite_file.h"
#include "platform/random.h"
#include "stream/progress_stream.h"

namespace mv {
namespace {

// The buffer when the drive cannot tell its cluster size (a network path):
// the file is then rounded up to this size instead, so the pass still makes
// progress.
constexpr uint32_t kFallbackClusterSize = 4096;

WipePassHook g_pass_hook = nullptr;

struct Pass {
  int32_t span;  // share of the progress range in a multi-pass wipe
  uint8_t pattern;
  bool random;
};

constexpr Pass kZeroPass = {100, 0x00, false};
constexpr Pass kThreePasses[] = {{20, 0xFF, false}, {20, 0x00, false}, {60, 0x00, true}};

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

// The file's size rounded up to whole clusters, in 64 bits so that a file
// of 4 GiB or more is overwritten whole too.
uint64_t WipeLength(const String& path, uint32_t cluster) {
  platform::FolderEntry entry;
  if (!platform::QueryEntry(path.c_str(), &entry) || entry.is_folder) return 0;
  return (entry.size + cluster - 1) / cluster * cluster;
}

// Overwrites the first length bytes of the file, one cluster per write.
// Each write goes through the runtime's buffer to the system; the pass ends
// with one sync to the device, which is what makes the overwrite real
// before the file is truncated.
Result OverwritePass(const String& path, uint64_t length, uint32_t cluster, const Pass& pass,
                     const ProgressCallback* progress) {
  PassBuffer buffer(cluster);
  if (buffer.get() == nullptr) return kOutOfMemory;
  platform::File file;
  if (!file.Open(path.c_str(), "r+b")) return kCannotOverwrite;
  std::memset(buffer.get(), pass.pattern, cluster);
  ProgressScope scope(progress);
  scope.Begin();
  const uint64_t step = length / 100 + 1;
  uint64_t position = 0;
  while (position < length) {
    Result r = scope.ReportPercent(static_cast<int32_t>(position / step));
    if (r != kOk) return r;
    if (pass.random) {
      uint8_t value = pass.pattern;
      platform::FillRandom(&value, 1);
      std::memset(buffer.get(), value, cluster);
    }
    uint64_t left = length - position;
    size_t n = left < cluster ? static_cast<size_t>(left) : cluster;
    if (file.Write(buffer.get(), n) != n || !file.Flush()) return kCannotOverwrite;
    position += n;
  }
  if ((position > 0 && !file.Sync()) || !file.Close()) return kCannotOverwrite;
  scope.End();
  if (g_pass_hook != nullptr) g_pass_hook(path, position);
  return kOk;
}

Result RunPasses(const String& path, uint8_t mode, const ProgressCallback* progress) {
  uint32_t cluster = ClusterSize(path);
  if (cluster == 0) cluster = kFallbackClusterSize;
  uint64_t length = WipeLength(path, cluster);
  if (mode == kWipeZeros) return OverwritePass(path, length, cluster, kZeroPass, progress);
  if (mode != kWipeThreePasses) return kOk;
  ProgressScope scope(progress);
  scope.Begin();
  for (const Pass& pass : kThreePasses) {
    scope.BeginPhase(pass.span);
    Result r = OverwritePass(path, length, cluster, pass, progress);
    if (r != kOk) return r;
    scope.EndPhase();
  }
  scope.End();
  return kOk;
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
  Result r = RunPasses(path, mode, progress);
  if (r != kOk) return r;
  platform::File truncated;
  if (!truncated.Open(path.c_str(), "wb") || !truncated.Close()) return kCannotOverwrite;
  ClearFileInfo(path);
  String folder = GetFolderPart(path);
  String name = MakeTempFileName(folder);
  if (name.IsEmpty()) return kNoFreeTempName;
  if (RenameFile(path, name) != kOk) return kCannotRenameFile;
  return RemoveFile(folder + name);
}


namespace {

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
// The overwrite buffer of a folder wipe: one pattern, written repeatedly.
constexpr uint32_t kPatternBytes = 64 * 1024;

// A meaningless name for a file about to be deleted, different on every
// call: a random start from the system's generator, then counted up.
String MeaninglessName() {
  static uint32_t next = [] {
    uint32_t seed = 0;
    platform::FillRandom(&seed, sizeof seed);
    return seed;
  }();
  String name;
  String::Format(name, "~%08X.tmp", __atomic_fetch_add(&next, 1, __ATOMIC_RELAXED));
  return name;
}

// Renames the file or folder at path (without a trailing '/') to a
// meaningless name in its folder: *renamed is the new path. denied is the
// code when the system refuses access, refused when the rename fails.
Result RenameToMeaningless(const String& path, Result denied, Result refused, String* renamed) {
  String folder = GetFolderPart(path);
  for (int attempt = 0; attempt < 16; ++attempt) {
    *renamed = folder + MeaninglessName();
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

// Renames the (truncated) file to a meaningless name in its folder and
// deletes it under that name.
Result RenameAndRemove(const String& path) {
  String renamed;
  Result r = RenameToMeaningless(path, kCannotRenameFile, kCannotRenameFile, &renamed);
  return r == kOk ? RemoveFile(renamed) : r;
}

// The passes of mode over one open file; the write-back of the last pass is
// started early for a large file, never waited for here.
bool OverwriteOpenFile(platform::OverwriteFile& file, const String& path, uint8_t mode, uint32_t cluster,
                       uint8_t* pattern) {
  uint32_t block = file.GetBlockSize() != 0 ? file.GetBlockSize() : cluster;
  uint64_t length = (file.GetSize() + block - 1) / block * block;
  const Pass* passes = mode == kWipeZeros ? &kZeroPass : kThreePasses;
  const size_t count = mode == kWipeZeros ? 1 : mode == kWipeThreePasses ? 3 : 0;
  for (size_t i = 0; i < count; ++i) {
    uint8_t value = passes[i].pattern;
    if (passes[i].random) platform::FillRandom(&value, 1);
    std::memset(pattern, value, kPatternBytes);
    if (!file.OverwriteFromStart(length, pattern, kPatternBytes)) return false;
    // Every pass but the last is on the device before the next one starts.
    if (i + 1 < count && !file.WaitWriteBack()) return false;
    if (g_pass_hook != nullptr) g_pass_hook(path, length);
  }
  if (length >= kEarlyWriteBack) file.StartWriteBack();
  return true;
}

}  // namespace

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
  std::vector<int32_t> files;
  for (int32_t i = 0; i < paths.GetCount(); ++i) {
    if (!IsFolderEntry(paths[i])) files.push_back(i);
  }
  PassBuffer pattern(kPatternBytes);
  if (pattern.get() == nullptr) return kOutOfMemory;
  uint32_t cluster = 0;
  const size_t batch_size = std::max<size_t>(1, std::min(kWipeBatch, platform::OverwriteFile::BatchLimit()));
  std::vector<platform::OverwriteFile> batch(std::min(batch_size, std::max<size_t>(1, files.size())));
  for (size_t start = 0; start < files.size(); start += batch.size()) {
    const size_t end = std::min(files.size(), start + batch.size());
    for (size_t i = start; i < end; ++i) {
      const String& path = paths[files[i]];
      platform::OverwriteFile& file = batch[i - start];
      if (!file.Open(path.c_str())) {
        latest = kCannotOverwrite;
        continue;
      }
      if (cluster == 0 && file.GetBlockSize() == 0) {
        cluster = ClusterSize(path);
        if (cluster == 0) cluster = kFallbackClusterSize;
      }
      if (!OverwriteOpenFile(file, path, mode, cluster, pattern.get())) {
        latest = kCannotOverwrite;
        file.Close();
      }
    }
    // The overwrite is on the device before any file's blocks are freed:
    // the whole batch is waited for at once, or each file by itself where
    // that cannot be done.
    const bool batch_synced = platform::OverwriteFile::WaitWriteBackTogether(&batch[0], end - start);
    for (size_t i = start; i < end; ++i) {
      platform::OverwriteFile& file = batch[i - start];
      if (!file.IsOpen()) continue;
      bool overwritten = (batch_synced || file.WaitWriteBack()) && file.TruncateToZero();
      file.Close();
      Result r = overwritten ? RenameAndRemove(paths[files[i]]) : kCannotOverwrite;
      if (r != kOk) latest = r;
    }
    scope.ReportPercent(static_cast<int32_t>(10 + 90 * end / files.size()));
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
