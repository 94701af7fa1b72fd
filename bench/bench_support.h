// What the benchmarks share: the --mv_size_mib flag, an owner-only scratch
// folder, a sample tree of mixed files, the compressed frames a package
// carries inside its cipher, plain zlib's pass over such frames (the bound
// every reader is held against), and a reporter that prints throughput
// ratios. Header-only: each benchmark is one program, and the helper
// programs of the product benchmark use it too.
#pragma once

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/string.h"
#include "crypto/crypto_backend.h"
#include "fs/file_operations.h"
#include "fs/temp_names.h"
#include "platform/files.h"
#include "stream/compression_stream.h"
#include "stream/memory_stream.h"
#include "stream/tag_record.h"
#include "tests/support/sample_data.h"

namespace mv::bench {

// Takes --mv_size_mib=N out of the arguments (before the benchmark library
// sees them) and returns N MiB; fallback when the flag is not given.
inline size_t TakeSizeFlag(int* argc, char** argv, size_t fallback) {
  const std::string flag = "--mv_size_mib=";
  size_t size = fallback;
  int kept = 1;
  for (int i = 1; i < *argc; ++i) {
    std::string arg = argv[i];
    if (arg.rfind(flag, 0) == 0) {
      size = std::stoul(arg.substr(flag.size())) << 20;
    } else {
      argv[kept++] = argv[i];
    }
  }
  *argc = kept;
  return size;
}

// A fresh owner-only folder in the temporary folder, removed with all it
// holds when the object goes.
class BenchFolder {
 public:
  explicit BenchFolder(const char* prefix) { CreateTempFolder("", prefix, &parent_); }
  ~BenchFolder() {
    if (!parent_.IsEmpty()) DeleteFolderTree(parent_);
  }
  BenchFolder(const BenchFolder&) = delete;
  BenchFolder& operator=(const BenchFolder&) = delete;

  bool IsReady() const { return !parent_.IsEmpty(); }
  // The folder itself (ending in '/').
  const String& Path() const { return parent_; }

 private:
  String parent_;
};

// Files to a folder of the sample tree.
inline constexpr int kFilesPerFolder = 32;

// Writes a tree of mixed files below root (made when missing) whose sizes
// add up to exactly total bytes: files of 1 KiB to 2 MiB (1 MiB on
// average), kFilesPerFolder to a folder. Each file is compressible text runs and noise
// runs as the sample data makes them. sizes, when given, receives the files'
// sizes in the order written. False when a file cannot be written.
inline bool WriteMixedTree(const String& root, size_t total, uint64_t seed,
                           std::vector<size_t>* sizes = nullptr) {
  constexpr size_t kSmallest = 1024;
  constexpr uint32_t kSpread = (2u << 20) - 1024;
  MakeFolder(root);
  test::SampleGenerator spread(seed);
  String folder;
  size_t written = 0;
  for (int i = 0; written < total; ++i) {
    if (i % kFilesPerFolder == 0) {
      String::Format(folder, "%sfolder%03d/", root.c_str(), i / kFilesPerFolder);
      if (MakeFolder(folder) != kOk) return false;
    }
    size_t size = std::min(kSmallest + spread.Below(kSpread), total - written);
    std::vector<uint8_t> bytes = test::MixedBytes(size, seed + 1 + static_cast<uint64_t>(i));
    String path;
    String::Format(path, "%sfile%04d.dat", folder.c_str(), i);
    platform::File file;
    if (!file.Open(path.c_str(), "wb") || file.Write(bytes.data(), size) != size || !file.Close()) {
      return false;
    }
    written += size;
    if (sizes != nullptr) sizes->push_back(size);
  }
  return true;
}

// The frames a package of content carries inside its cipher: the content
// record serialised through the compression stream (setting 1), its file
// entries reading their files relative to base_folder. Empty on failure.
inline std::vector<uint8_t> FramesOfContent(TagRecord& content, const char* base_folder) {
  StreamContext context{base_folder, nullptr, 0, 0};
  MemoryStream frames;
  frames.OpenWrite(&context);
  CompressionStream compression;
  Result r = compression.Open(&frames, 1);
  if (r == kOk) r = content.Serialize(compression);
  Result c = compression.Close();
  if (r != kOk || c != kOk) return {};
  return frames.GetData();
}

// uncompress of every flagged frame (a raw frame is copied) into out, one
// block after the other and round again at its end: the least any reader of
// these frames must do. Each block is handed to consume(bytes, length) as it
// is made; out must hold at least one block. False at a frame zlib refuses
// or when consume answers false.
template <typename Consume>
bool UncompressFrames(const std::vector<uint8_t>& frames, std::vector<uint8_t>& out, Consume&& consume) {
  size_t offset = 0;
  for (size_t at = 0; at + 5 <= frames.size();) {
    const uint8_t* head = frames.data() + at;
    uint32_t length = head[1] | head[2] << 8 | head[3] << 16 | static_cast<uint32_t>(head[4]) << 24;
    if (offset + CompressionStream::kBlockCapacity > out.size()) offset = 0;
    uLongf produced = CompressionStream::kBlockCapacity;
    if (head[0] != 0) {
      if (uncompress(out.data() + offset, &produced, head + 5, length) != Z_OK) return false;
    } else {
      std::memcpy(out.data() + offset, head + 5, length);
      produced = length;
    }
    if (!consume(out.data() + offset, static_cast<size_t>(produced))) return false;
    offset += produced;
    at += 5 + length;
    benchmark::DoNotOptimize(out.data());
  }
  return true;
}

inline bool UncompressFrames(const std::vector<uint8_t>& frames, std::vector<uint8_t>& out) {
  return UncompressFrames(frames, out, [](const uint8_t*, size_t) { return true; });
}

// Shows the runs as usual and keeps every repetition's throughput (bytes of
// plain data per second of processor time: the machine is shared, and wall
// time would measure the neighbours as much as the code), so that the
// ratios of two benchmarks can be printed at the end, best against best,
// with the spread of each.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(size_t bytes_per_iteration) : bytes_(static_cast<double>(bytes_per_iteration)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      if (run.cpu_accumulated_time <= 0) continue;
      rates_[run.run_name.function_name].push_back(static_cast<double>(run.iterations) * bytes_ /
                                                  run.cpu_accumulated_time);
    }
  }

  // Best against best; a goal above 0 adds the verdict.
  void PrintRatio(const char* what, const std::string& ours, const std::string& plain, double goal) const {
    auto a = rates_.find(ours);
    auto b = rates_.find(plain);
    if (a == rates_.end() || b == rates_.end()) {
      std::printf("%s: not measured\n", what);
      return;
    }
    const double best_ours = *std::max_element(a->second.begin(), a->second.end());
    const double best_plain = *std::max_element(b->second.begin(), b->second.end());
    const double ratio = best_ours / best_plain;
    char verdict[32] = "";
    if (goal > 0) std::snprintf(verdict, sizeof verdict, " (%s %.2f)", ratio >= goal ? "ok, goal" : "BELOW", goal);
    std::printf("%s: %.1f MB/s (%s) vs %.1f MB/s (%s), ratio %.3f%s\n", what, best_ours / 1e6,
                Spread(a->second).c_str(), best_plain / 1e6, Spread(b->second).c_str(), ratio, verdict);
  }

 private:
  // "best of N, worst W MB/s".
  static std::string Spread(const std::vector<double>& rates) {
    char text[64];
    std::snprintf(text, sizeof text, "best of %zu, worst %.1f", rates.size(),
                  *std::min_element(rates.begin(), rates.end()) / 1e6);
    return text;
  }

  double bytes_;
  std::map<std::string, std::vector<double>> rates_;
};

// The main program of a benchmark with ratios: takes --mv_size_mib into
// *size, starts the benchmark library and the crypto library, runs the
// benchmarks through a RatioReporter and hands it to print_ratios. The exit
// status.
template <typename PrintRatios>
int RunWithRatios(int argc, char** argv, size_t* size, PrintRatios&& print_ratios) {
  *size = TakeSizeFlag(&argc, argv, *size);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (InitCrypto() != kOk) return 1;
  RatioReporter reporter(*size);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  print_ratios(reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace mv::bench
