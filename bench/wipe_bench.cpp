// Cost of wiping a work folder against the cost of writing its data once.
// The wipe overwrites every file over its whole clusters with one sync per
// file, then truncates, renames and deletes it; writing the same files once
// with one sync each is the floor any honest wipe has to pay. The ratio of
// the two, measured in the same run, is printed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "base/string.h"
#include "bench/bench_support.h"
#include "container/secure_wipe.h"
#include "fs/file_operations.h"
#include "fs/temp_names.h"
#include "platform/files.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

constexpr int kFileCount = 2000;
constexpr int kFilesPerFolder = 100;
constexpr uint64_t kTotalBytes = 256ull * 1024 * 1024;

struct WorkTree {
  std::vector<String> folders;
  std::vector<String> files;
  std::vector<size_t> sizes;
  std::vector<uint8_t> data;  // every file's bytes are taken from here
};

// File sizes from half to one and a half times the average, adding up to
// exactly kTotalBytes.
WorkTree PlanTree(const String& root) {
  WorkTree tree;
  test::SampleGenerator generator(4711);
  const uint64_t average = kTotalBytes / kFileCount;
  uint64_t planned = 0;
  for (int i = 0; i < kFileCount; ++i) {
    if (i % kFilesPerFolder == 0) {
      String folder;
      String::Format(folder, "%sfolder%02d/", root.c_str(), i / kFilesPerFolder);
      tree.folders.push_back(folder);
    }
    String file;
    String::Format(file, "%sfile%04d.bin", tree.folders.back().c_str(), i);
    tree.files.push_back(file);
    uint64_t size = i + 1 == kFileCount ? kTotalBytes - planned
                                        : average / 2 + generator.Below(static_cast<uint32_t>(average));
    tree.sizes.push_back(static_cast<size_t>(size));
    planned += size;
  }
  size_t largest = 0;
  for (size_t size : tree.sizes) largest = size > largest ? size : largest;
  tree.data.resize(largest);
  generator.Noise(tree.data.data(), tree.data.size());
  return tree;
}

void MakeFolders(const String& root, const WorkTree& tree) {
  MakeFolder(root);
  for (const String& folder : tree.folders) MakeFolder(folder);
}

// Writes every file once and syncs each to the device.
bool WriteFiles(const WorkTree& tree) {
  for (size_t i = 0; i < tree.files.size(); ++i) {
    platform::File file;
    if (!file.Open(tree.files[i].c_str(), "wb") ||
        file.Write(tree.data.data(), tree.sizes[i]) != tree.sizes[i] || !file.Sync() ||
        !file.Close()) {
      return false;
    }
  }
  return true;
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double g_write_seconds = 0;
double g_wipe_seconds = 0;

// Each iteration writes the work folder once with a sync per file (the
// floor) and then wipes it, so that both see the same state of the disk
// and its caches; the iteration's time is the wipe's.
void BM_WipeAgainstWritingOnce(benchmark::State& state) {
  bench::BenchFolder folder("wipe_bench_");
  if (!folder.IsReady()) state.SkipWithError("no temporary folder");
  String root = folder.Path() + "work/";
  WorkTree tree = PlanTree(root);
  double write_seconds = 0;
  double wipe_seconds = 0;
  for (auto _ : state) {
    MakeFolders(root, tree);
    auto start = std::chrono::steady_clock::now();
    if (!WriteFiles(tree)) state.SkipWithError("writing the work folder failed");
    write_seconds += Seconds(start);
    start = std::chrono::steady_clock::now();
    if (WipeFolder(root, kWipeZeros, nullptr, false) != kOk) state.SkipWithError("wipe failed");
    double seconds = Seconds(start);
    wipe_seconds += seconds;
    state.SetIterationTime(seconds);
  }
  double runs = static_cast<double>(state.iterations());
  state.counters["write_once_ms"] = 1000 * write_seconds / runs;
  state.counters["wipe_ms"] = 1000 * wipe_seconds / runs;
  state.counters["ratio"] = wipe_seconds / write_seconds;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTotalBytes));
  g_write_seconds += write_seconds;
  g_wipe_seconds += wipe_seconds;
}

BENCHMARK(BM_WipeAgainstWritingOnce)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mv

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (mv::g_write_seconds > 0) {
    std::printf("wipe of %d files (%llu MiB) / writing them once with a sync each: %.2f\n",
                mv::kFileCount, static_cast<unsigned long long>(mv::kTotalBytes >> 20),
                mv::g_wipe_seconds / mv::g_write_seconds);
  }
  return 0;
}
