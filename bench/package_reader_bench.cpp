// Decrypting a whole package through PackageReader into its work folder,
// against plain zlib's uncompress of the same frames in the same run:
//   DecryptPackage: Decrypt (AES, compression 1) of a package of a tree of
//     mixed files, every file written to the work folder; the reader's Open
//     and Cleanup (the wipe) are outside the timed part.
//   PlainZlib: uncompress of the frames the package carries inside its
//     cipher into one reused buffer, no files.
//   PlainZlibToFiles: the same, its bytes written into files of the tree's
//     sizes through a copy buffer of the reader's size with plain POSIX
//     calls: the floor for any reader that writes files here. Its ratio
//     tells the reader's own overhead apart from the file system's.
// Throughput is plain bytes per second of processor time (user and system
// time of the process, so the file writes' system calls count; the kernel's
// later write-back does not). The ratio must be at least 0.8.
//
// Peak heap: every malloc, calloc, realloc and aligned allocation of the
// process (operator new, libgcrypt, zlib and stdio all allocate through
// them) is counted by its usable size while it lives; the figure is the
// highest level reached during Decrypt above the level at its start. It must
// stay below 8 MiB whatever the package's size: compare --mv_size_mib=16
// with the default 256.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "archive/folder_entries.h"
#include "bench/bench_support.h"
#include "container/container_file.h"
#include "container/container_format.h"
#include "container/package_reader.h"
#include "fs/disk_query.h"

// --- Heap accounting ---------------------------------------------------------

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<int64_t> g_heap_live{0};
std::atomic<int64_t> g_heap_peak{0};

void CountIn(void* block) {
  if (block == nullptr) return;
  int64_t live = g_heap_live.fetch_add(static_cast<int64_t>(malloc_usable_size(block)),
                                       std::memory_order_relaxed) +
                 static_cast<int64_t>(malloc_usable_size(block));
  int64_t peak = g_heap_peak.load(std::memory_order_relaxed);
  while (live > peak && !g_heap_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
  }
}

void CountOut(void* block) {
  if (block != nullptr) {
    g_heap_live.fetch_sub(static_cast<int64_t>(malloc_usable_size(block)), std::memory_order_relaxed);
  }
}

}  // namespace

extern "C" {
void* malloc(size_t size) {
  void* block = __libc_malloc(size);
  CountIn(block);
  return block;
}
void* calloc(size_t count, size_t size) {
  void* block = __libc_calloc(count, size);
  CountIn(block);
  return block;
}
void* realloc(void* block, size_t size) {
  CountOut(block);
  void* moved = __libc_realloc(block, size);
  // A failed realloc leaves the old block in place.
  CountIn(moved != nullptr || size == 0 ? moved : block);
  return moved;
}
void free(void* block) {
  CountOut(block);
  __libc_free(block);
}
void* memalign(size_t alignment, size_t size) {
  void* block = __libc_memalign(alignment, size);
  CountIn(block);
  return block;
}
void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, size_t alignment, size_t size) {
  void* block = memalign(alignment, size);
  if (block == nullptr) return ENOMEM;
  *out = block;
  return 0;
}
}

namespace mv {
namespace {

size_t g_size = size_t{256} << 20;
const char kPassword[] = "benchmark password";
int64_t g_peak_heap = 0;  // the highest of all Decrypt calls

// The tree, its package written by the system's container writer, and the
// frames inside the package's cipher; made once per run.
struct Package {
  bench::BenchFolder folder{"package_reader_bench_"};
  String package_path;
  std::vector<uint8_t> frames;
  std::vector<size_t> file_sizes;
  bool ready = false;
};

const Package& GetPackage() {
  static Package package;
  static bool made = false;
  if (made) return package;
  made = true;
  const String root = package.folder.Path() + "tree/";
  if (!package.folder.IsReady() || !bench::WriteMixedTree(root, g_size, 2024, &package.file_sizes)) return package;
  RegisterArchiveEntries();
  TagRecord content;
  if (AddFolderEntries(root, kContentTagEntry, &content) != kOk) return package;
  package.frames = bench::FramesOfContent(content, root.c_str());
  ContainerJob job;
  job.path = package.folder.Path() + "package.mef";
  job.password = Password(kPassword);
  job.base_folder = root.c_str();
  job.compression = 1;
  TagRecord header;
  if (package.frames.empty() || WriteContainer(job, &header, &content) != kOk) return package;
  package.package_path = job.path;
  package.ready = true;
  std::printf("package: %zu bytes of files in %d entries, %zu bytes of frames, %llu bytes sealed\n", g_size,
              content.GetCount(), package.frames.size(),
              static_cast<unsigned long long>(QueryFileSize(package.package_path)));
  return package;
}

void DecryptPackage(benchmark::State& state) {
  const Package& package = GetPackage();
  if (!package.ready) {
    state.SkipWithError("the package could not be made");
    return;
  }
  int64_t peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    PackageReader reader;
    if (reader.Open(String("")) != kOk) {
      state.SkipWithError("no work folder");
      break;
    }
    const int64_t before = g_heap_live.load();
    g_heap_peak.store(before);
    state.ResumeTiming();
    Result r = reader.Decrypt(package.package_path, Password(kPassword), nullptr);
    state.PauseTiming();
    peak = std::max(peak, g_heap_peak.load() - before);
    reader.Cleanup(nullptr);
    state.ResumeTiming();
    if (r != kOk) {
      state.SkipWithError("decrypt failed");
      break;
    }
  }
  state.counters["peak_heap_KiB"] = static_cast<double>(peak) / 1024;
  g_peak_heap = std::max(g_peak_heap, peak);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * g_size));
}

void PlainZlib(benchmark::State& state) {
  const Package& package = GetPackage();
  if (!package.ready) {
    state.SkipWithError("the package could not be made");
    return;
  }
  std::vector<uint8_t> out(size_t{1} << 20);
  for (auto _ : state) {
    if (!bench::UncompressFrames(package.frames, out)) {
      state.SkipWithError("uncompress failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * g_size));
}

// Writes a byte stream into new files of the given sizes below folder,
// kFilesPerFolder to a subfolder, through one copy buffer; bytes past the
// last file are dropped.
class FileSink {
 public:
  FileSink(const std::string& folder, const std::vector<size_t>& sizes)
      : folder_(folder), sizes_(sizes), buffer_(ArchiveEntry::kCopyBufferSize) {}
  ~FileSink() {
    if (fd_ >= 0) close(fd_);
  }

  bool Write(const uint8_t* data, size_t length) {
    while (length > 0 && index_ < sizes_.size()) {
      if (fd_ < 0 && !OpenNext()) return false;
      size_t take = std::min({length, remaining_ - buffered_, buffer_.size() - buffered_});
      std::memcpy(buffer_.data() + buffered_, data, take);
      buffered_ += take;
      data += take;
      length -= take;
      if (buffered_ == buffer_.size() || buffered_ == remaining_) {
        if (write(fd_, buffer_.data(), buffered_) != static_cast<ssize_t>(buffered_)) return false;
        remaining_ -= buffered_;
        buffered_ = 0;
      }
      if (remaining_ == 0) {
        if (close(fd_) != 0) return false;
        fd_ = -1;
        ++index_;
      }
    }
    return true;
  }

 private:
  bool OpenNext() {
    char path[64];
    const int folder = static_cast<int>(index_) / bench::kFilesPerFolder;
    std::snprintf(path, sizeof path, "folder%03d", folder);
    const std::string subfolder = folder_ + path;
    if (index_ % bench::kFilesPerFolder == 0 && mkdir(subfolder.c_str(), 0700) != 0) return false;
    std::snprintf(path, sizeof path, "/file%04zu.dat", index_);
    fd_ = open((subfolder + path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    remaining_ = sizes_[index_];
    return fd_ >= 0;
  }

  std::string folder_;
  const std::vector<size_t>& sizes_;
  std::vector<uint8_t> buffer_;
  size_t index_ = 0;
  size_t remaining_ = 0;
  size_t buffered_ = 0;
  int fd_ = -1;
};

void PlainZlibToFiles(benchmark::State& state) {
  const Package& package = GetPackage();
  if (!package.ready) {
    state.SkipWithError("the package could not be made");
    return;
  }
  const String folder = package.folder.Path() + "floor/";
  std::vector<uint8_t> out(size_t{1} << 20);
  for (auto _ : state) {
    state.PauseTiming();
    MakeFolder(folder);
    state.ResumeTiming();
    bool ok;
    {
      FileSink sink(folder.c_str(), package.file_sizes);
      ok = bench::UncompressFrames(package.frames, out,
                                   [&sink](const uint8_t* data, size_t length) { return sink.Write(data, length); });
    }
    state.PauseTiming();
    DeleteFolderTree(folder);
    state.ResumeTiming();
    if (!ok) {
      state.SkipWithError("uncompress or a file write failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * g_size));
}

BENCHMARK(DecryptPackage)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(PlainZlib)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(PlainZlibToFiles)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace
}  // namespace mv

int main(int argc, char** argv) {
  return mv::bench::RunWithRatios(argc, argv, &mv::g_size, [](const mv::bench::RatioReporter& reporter) {
    reporter.PrintRatio("decrypt (PackageReader AES, compression 1, files written / uncompress)",
                        "DecryptPackage", "PlainZlib", 0.8);
    reporter.PrintRatio("decrypt / (uncompress + the same file writes)", "DecryptPackage", "PlainZlibToFiles", 0);
    std::printf("peak heap during Decrypt of %zu MiB: %.1f KiB (%s 8 MiB)\n", mv::g_size >> 20,
                static_cast<double>(mv::g_peak_heap) / 1024, mv::g_peak_heap < (8 << 20) ? "below" : "NOT below");
  });
}
