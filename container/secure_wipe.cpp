#include "container/secure_wipe.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "base/memory.h"
#include "base/progress.h"
#include "fs/disk_query.h"
#include "fs/file_operations.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "platform/confined_folder.h"
#include "platform/files.h"
#include "platform/overwrite_file.h"
#include "platform/random.h"
#include "platform/temporary_area.h"
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
// In memory: files per batch, and how many files make a wipe that two
// threads share.
constexpr size_t kMemoryWipeBatch = 256;
constexpr size_t kSharedWipeFiles = 4096;
// A trailing wipe's thread is woken for this many files, or bytes, handed
// over: once per file would cost more in waking than small files in wiping.
constexpr size_t kTrailingBatchFiles = 64;
constexpr uint64_t kTrailingBatchBytes = 1 << 20;
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

// Bytes per cluster of the drive holding path (a file or folder); 0 when
// the drive cannot tell.
uint32_t DriveCluster(const String& path) {
  platform::DiskSpace space;
  if (!platform::QueryDiskSpace(path.c_str(), &space)) return 0;
  uint64_t cluster = static_cast<uint64_t>(space.sectors_per_cluster) * space.bytes_per_sector;
  return cluster > 0xFFFFFFFFu ? 0 : static_cast<uint32_t>(cluster);
}

// The unit a file is rounded up to, so that the slack after its last byte
// is overwritten too: the file system's preferred block, else the drive's
// cluster (0: unknown), else kFallbackClusterSize.
uint32_t BlockOf(const platform::OverwriteFile& file, uint32_t cluster) {
  if (file.GetBlockSize() != 0) return file.GetBlockSize();
  return cluster != 0 ? cluster : kFallbackClusterSize;
}

// One pass over the first length bytes of the open file, step bytes per
// write from buffer (step bytes long), the random pass with a new value for
// every write. Reports a level of 100 with a position before every write;
// a non-zero answer stops the pass with that code.
Result WritePass(platform::OverwriteFile& file, uint64_t length, const Pass& pass, uint8_t* buffer,
                 uint32_t step, const ProgressScope& scope) {
  // Only what the writes use is filled: a tiny file's pass writes one
  // block, not the whole buffer, and the fill would otherwise cost more
  // than the write.
  const size_t used = length < step ? static_cast<size_t>(length) : step;
  std::memset(buffer, pass.pattern, used);
  scope.Begin();
  const uint64_t per_percent = length / 100 + 1;
  for (uint64_t position = 0; position < length;) {
    Result r = scope.ReportPercent(static_cast<int32_t>(position / per_percent));
    if (r != kOk) return r;
    if (pass.random) {
      uint8_t value = pass.pattern;
      platform::FillRandom(&value, 1);
      std::memset(buffer, value, used);
    }
    const uint64_t left = length - position;
    const size_t n = left < step ? static_cast<size_t>(left) : step;
    if (!file.OverwriteAt(position, buffer, n)) return kCannotOverwrite;
    position += n;
  }
  scope.End();
  return kOk;
}

// What a wipe works on: the tree of its folder, reached by descriptors so
// that files at any depth are reached, the drive's cluster, and whether the
// overwrite must reach a device: everywhere but on a memory file system,
// whose pages are all there is.
struct WipeSite {
  platform::ConfinedFolder& tree;
  String root;  // the tree's folder, for the pass hook's paths
  uint32_t cluster;
  bool durable;
  std::vector<const String*> left = {};  // files not wiped (relative paths)
};

// The passes of mode over one open file: on a durable file system every
// pass but the last is on the device before the next one starts, and the
// last one's write-back is started at once for a large file and waited for
// by the batch; in memory nothing is waited for. Progress: one level of 100
// for a single pass, phases by the passes' spans for several.
Result OverwritePasses(platform::OverwriteFile& file, const WipeSite& site, const String& relative, uint8_t mode,
                       uint8_t* buffer, uint32_t step, const ProgressCallback* progress) {
  const uint32_t block = BlockOf(file, site.cluster);
  const uint64_t length = (file.GetSize() + block - 1) / block * block;
  const Passes passes = PassesOf(mode);
  const ProgressScope scope(progress);
  const bool phased = passes.count > 1;
  if (phased) scope.Begin();
  for (size_t i = 0; i < passes.count; ++i) {
    if (phased) scope.BeginPhase(passes.pass[i].span);
    Result r = WritePass(file, length, passes.pass[i], buffer, step, scope);
    if (r != kOk) return r;
    if (site.durable && i + 1 < passes.count && !file.WaitWriteBack()) return kCannotOverwrite;
    if (phased) scope.EndPhase();
    if (g_pass_hook != nullptr) g_pass_hook(site.root + relative, length);
  }
  if (phased) scope.End();
  if (site.durable && length >= kEarlyWriteBack) file.StartWriteBack();
  return kOk;
}

bool IsDurable(const String& folder) {
  platform::AreaFacts facts;
  return !platform::QueryAreaFacts(folder.c_str(), &facts) || !facts.in_memory;
}

// Renames the file or folder at relative (a folder with its trailing '/')
// to a meaningless name in its folder: *renamed is the new relative path
// (without a trailing '/'). refused is the code when the rename fails.
Result RenameToMeaningless(platform::ConfinedFolder& tree, const String& relative, Result refused,
                           String* renamed) {
  const String path = StripTrailingSlash(relative);
  const String folder = GetFolderPart(path);
  for (int attempt = 0; attempt < 16; ++attempt) {
    char digits[platform::kTemporaryNameDigits + 1];
    if (!platform::NextTemporaryName(digits)) return kNoFreeTempName;
    const String name = String("~") + digits + ".tmp";
    const platform::ConfinedStatus status = tree.Rename(path.c_str(), name.c_str());
    if (status == platform::ConfinedStatus::kOk) {
      *renamed = folder + name;
      return kOk;
    }
    if (status != platform::ConfinedStatus::kExists) return refused;
    // The name was taken: another one.
  }
  return kNoFreeTempName;
}

// Wipes the files at relatives[0..count) below the site together, with
// the open files of batch (at least count of them): each is opened and
// overwritten, on a durable site the overwrite of all of them is waited for
// (at once, or each by itself where that cannot be done), and only then is
// each truncated, renamed to a meaningless name and deleted, so the
// overwrite is on the device before the blocks are freed; in memory the
// overwrite itself clears the pages. A file that fails is left, never
// deleted without its overwrite, and the rest go on. The result is the
// latest failure or kOk; a non-zero progress answer (progress is only given
// for a single file) stops the file it came from with that code and leaves
// it present.
Result WipeTogether(WipeSite& site, const String* const* relatives, size_t count,
                    std::vector<platform::OverwriteFile>& batch, uint8_t mode, uint8_t* buffer, uint32_t step,
                    const ProgressCallback* progress) {
  Result latest = kOk;
  for (size_t i = 0; i < count; ++i) {
    platform::OverwriteFile& file = batch[i];
    if (site.tree.OpenOverwrite(relatives[i]->c_str(), &file) != platform::ConfinedStatus::kOk) {
      latest = kCannotOverwrite;
      site.left.push_back(relatives[i]);
      continue;
    }
    Result r = OverwritePasses(file, site, *relatives[i], mode, buffer, step, progress);
    if (r != kOk) {
      latest = r;
      site.left.push_back(relatives[i]);
      file.Close();
    }
  }
  const bool together = !site.durable || platform::OverwriteFile::WaitWriteBackTogether(batch.data(), count);
  for (size_t i = 0; i < count; ++i) {
    platform::OverwriteFile& file = batch[i];
    if (!file.IsOpen()) continue;
    const bool overwritten = (together || file.WaitWriteBack()) && file.TruncateToZero();
    file.Close();
    String renamed;
    Result r = overwritten ? RenameToMeaningless(site.tree, *relatives[i], kCannotRenameFile, &renamed)
                           : kCannotOverwrite;
    if (r == kOk && site.tree.Remove(renamed.c_str()) != platform::ConfinedStatus::kOk) r = kCannotDeleteFile;
    if (r != kOk) {
      latest = r;
      site.left.push_back(relatives[i]);
    }
  }
  return latest;
}

// Whether a file left behind lies below the folder at relative (ending in
// '/'; "" for the root).
bool HoldsLeftFile(const WipeSite& site, const String& relative) {
  for (const String* left : site.left) {
    if (left->GetLength() > relative.GetLength() && left->Left(relative.GetLength()) == relative) return true;
  }
  return false;
}

// Removes the emptied folder at relative (ending in '/') below the tree:
// renamed to a meaningless name, then deleted. Whatever is still in it (a
// file that could not be overwritten) keeps it: nothing is deleted here
// that was not wiped. kOk; kNoFreeTempName or kCannotRenameFolder (not
// renamed); kCannotRemoveFolder (renamed, not deleted).
Result EraseEmptiedFolder(platform::ConfinedFolder& tree, const String& relative) {
  String renamed;
  Result r = RenameToMeaningless(tree, relative, kCannotRenameFolder, &renamed);
  if (r != kOk) return r;
  return tree.Remove((renamed + "/").c_str()) == platform::ConfinedStatus::kOk ? kOk : kCannotRemoveFolder;
}

// Collects the tree before anything in it changes: renaming entries of a
// folder that is being listed could make the listing report them again.
Result CollectEntry(const char* /*root*/, const char* relative, const char* name, int /*is_folder*/,
                    uintptr_t paths, uintptr_t, uintptr_t) {
  // A folder comes with its own path ending in '/' and an empty name.
  String path = String(relative) + name;
  return reinterpret_cast<StringArray*>(paths)->Add(path) < 0 ? kOutOfMemory : kOk;
}

bool IsFolderEntry(const String& path) {
  return path.GetLength() > 0 && path.GetAt(path.GetLength() - 1) == '/';
}

// Wipes files[0..count) below the site in batches; the latest failure or
// kOk. Reports positions from 10 to 100 to scope when given.
Result WipeFiles(WipeSite& site, const String* const* files, size_t count, uint8_t mode, uint8_t* buffer,
                 const ProgressScope* scope) {
  // A batch waits for the device together; in memory there is nothing to
  // wait for, and a small batch holds few descriptors (of at most half the
  // process's share: two threads may wipe at once there).
  const size_t open_files = platform::OverwriteFile::BatchLimit();
  const size_t batch_size = site.durable ? std::min(kWipeBatch, open_files)
                                         : std::min(kMemoryWipeBatch, open_files / 2);
  std::vector<platform::OverwriteFile> batch(std::min(std::max<size_t>(1, batch_size), std::max<size_t>(1, count)));
  Result latest = kOk;
  for (size_t start = 0; start < count; start += batch.size()) {
    const size_t n = std::min(count - start, batch.size());
    Result r = WipeTogether(site, &files[start], n, batch, mode, buffer, kFolderWipeStep, nullptr);
    if (r != kOk) latest = r;
    if (scope != nullptr) scope->ReportPercent(static_cast<int32_t>(10 + 90 * (start + n) / count));
  }
  return latest;
}

// WipeFiles for many files in memory: nothing waits for a device there, the
// kernel's work per file is all the wipe costs, and a second thread halves
// it. The second half goes to a thread with a tree, buffer and site of its
// own; where that cannot be had, this thread wipes everything.
Result WipeFilesShared(WipeSite& site, const std::vector<const String*>& files, uint8_t mode, uint8_t* buffer,
                       const ProgressScope* scope) {
  platform::ConfinedFolder other_tree;
  PassBuffer other_buffer(kFolderWipeStep);
  if (!other_tree.Open(site.root.c_str()) || other_buffer.get() == nullptr) {
    return WipeFiles(site, files.data(), files.size(), mode, buffer, scope);
  }
  WipeSite other{other_tree, site.root, site.cluster, site.durable};
  const size_t half = files.size() / 2;
  Result other_result = kOk;
  std::thread helper;
  try {
    helper = std::thread([&] {
      other_result = WipeFiles(other, files.data() + half, files.size() - half, mode, other_buffer.get(), nullptr);
    });
  } catch (...) {
    return WipeFiles(site, files.data(), files.size(), mode, buffer, scope);
  }
  Result mine = WipeFiles(site, files.data(), half, mode, buffer, scope);
  helper.join();
  site.left.insert(site.left.end(), other.left.begin(), other.left.end());
  return other_result != kOk ? other_result : mine;
}

}  // namespace

void SetWipePassHookForTesting(WipePassHook hook) { g_pass_hook = hook; }

uint32_t ClusterSize(const String& path) { return FileExists(path) ? DriveCluster(path) : 0; }

Result WipeFile(const String& path, uint8_t mode, const ProgressCallback* progress) {
  if (!FileExists(path)) return kBadArgument;
  if (ClearFileInfo(path) != kOk) return kCannotOverwrite;
  uint32_t step = ClusterSize(path);
  if (step == 0) step = kFallbackClusterSize;
  PassBuffer buffer(step);
  if (buffer.get() == nullptr) return kOutOfMemory;
  // The file's folder is the caller's own; the name is opened from it.
  String folder = GetFolderPart(path);
  if (folder.IsEmpty()) folder = "./";
  platform::ConfinedFolder tree;
  if (!tree.Open(folder.c_str())) return kCannotOverwrite;
  WipeSite site{tree, folder, step, IsDurable(folder)};
  std::vector<platform::OverwriteFile> batch(1);
  const String name = GetFileName(path);
  const String* names[] = {&name};
  return WipeTogether(site, names, 1, batch, mode, buffer.get(), step, progress);
}

Result EraseFolder(const String& folder) {
  const String path = StripTrailingSlash(folder);
  if (!platform::WriteAttributes(path.c_str(), 0)) return kBadFolder;
  String parent = GetFolderPart(path);
  if (parent.IsEmpty()) parent = "./";
  platform::ConfinedFolder tree;
  if (!tree.Open(parent.c_str())) return kBadFolder;
  return EraseEmptiedFolder(tree, GetFileName(path) + "/");
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
  {
    // Closed before the folder itself goes: Windows holds the folders it
    // works in open against renaming.
    platform::ConfinedFolder tree;
    if (!tree.Open(folder.c_str())) return kBadFolder;
    WipeSite site{tree, folder, DriveCluster(folder), IsDurable(folder)};
    Result r = site.durable || files.size() < kSharedWipeFiles
                   ? WipeFiles(site, files.data(), files.size(), mode, buffer.get(), &scope)
                   : WipeFilesShared(site, files, mode, buffer.get(), &scope);
    if (r != kOk) latest = r;
    // Deepest first: the walk reported every folder after its contents. A
    // file that could not be wiped keeps its folders where they are.
    for (int32_t i = 0; i < paths.GetCount(); ++i) {
      if (!IsFolderEntry(paths[i]) || HoldsLeftFile(site, paths[i])) continue;
      platform::WriteAttributes((folder + paths[i]).c_str(), 0);
      Result r = EraseEmptiedFolder(tree, paths[i]);
      if (r != kOk) latest = r;
    }
    if (HoldsLeftFile(site, String(""))) keep_root = true;
  }
  // The folder itself is erased whatever failed below it, unless a file
  // that could not be wiped is still in it.
  if (!keep_root) {
    Result r = EraseFolder(folder);
    if (r != kOk) latest = r;
  }
  if (latest != kOk) return latest;
  scope.ReportPercent(100);
  scope.End();
  return kOk;
}

TrailingWipe::TrailingWipe(const String& folder, uint8_t mode) : folder_(folder), mode_(mode) {}

TrailingWipe::~TrailingWipe() { Finish(); }

bool TrailingWipe::Start() {
  if (thread_.joinable()) return true;
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (...) {
    return false;
  }
  return true;
}

void TrailingWipe::Copied(const String& relative, uint64_t size) {
  if (!thread_.joinable()) return;
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back(relative);
    pending_bytes_ += size;
    if (!woken_ && (pending_.size() >= kTrailingBatchFiles || pending_bytes_ >= kTrailingBatchBytes)) {
      woken_ = wake = true;
    }
  }
  if (wake) ready_.notify_one();
}

Result TrailingWipe::Finish() {
  if (!thread_.joinable()) return latest_;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  ready_.notify_one();
  thread_.join();
  return latest_;
}

void TrailingWipe::Run() {
  platform::ConfinedFolder tree;
  PassBuffer buffer(kFolderWipeStep);
  const bool usable = tree.Open(folder_.c_str()) && buffer.get() != nullptr;
  WipeSite site{tree, folder_, DriveCluster(folder_), IsDurable(folder_)};
  std::vector<String> taken;
  std::vector<const String*> files;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      ready_.wait(lock, [this] { return woken_ || closing_; });
      if (pending_.empty() && closing_) return;
      taken.swap(pending_);
      pending_bytes_ = 0;
      woken_ = false;
    }
    // Without its tree the files stay for WipeFolder.
    if (!usable) {
      latest_ = kCannotOverwrite;
      taken.clear();
      continue;
    }
    files.clear();
    for (const String& relative : taken) files.push_back(&relative);
    Result r = WipeFiles(site, files.data(), files.size(), mode_, buffer.get(), nullptr);
    if (r != kOk) latest_ = r;
    site.left.clear();
    taken.clear();
  }
}

}  // namespace mv
