// Helper of bench/product_bench.sh:
//   zlib_baseline tree DIR MIB
//     writes a tree of mixed files adding up to MIB MiB into DIR (made when
//     missing), the same kind of tree package_reader_bench decrypts;
//   zlib_baseline measure RUNS INPUT...
//     builds the content record of INPUT... as the packer does (run it from
//     the packer's folder with the packer's INPUT words), compresses it into
//     the frames a package of it carries inside its cipher, and then times
//     RUNS passes of plain zlib uncompress over those frames into one reused
//     buffer. Prints "frames FRAME_BYTES" and one line "run WALL_S CPU_S"
//     per pass.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "fs/path.h"
#include "tools/package_content.h"

namespace mv {
namespace {

int Usage() {
  std::fprintf(stderr, "usage: zlib_baseline tree DIR MIB | zlib_baseline measure RUNS INPUT...\n");
  return 2;
}

int MakeTree(const char* folder, const char* mib) {
  const String root = AddTrailingSlash(ToInternalPath(String(folder)));
  const size_t size = std::stoul(mib) << 20;
  if (!bench::WriteMixedTree(root, size, 2024)) {
    std::fprintf(stderr, "cannot write the tree into %s\n", folder);
    return 1;
  }
  return 0;
}

int Measure(int runs, const std::vector<std::string>& inputs) {
  TagRecord content;
  tools::PackPlan plan;
  std::string error;
  if (!tools::BuildContent(inputs, String(""), &content, &plan, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  // The packer's entries resolve against its working folder.
  const std::vector<uint8_t> frames = bench::FramesOfContent(content, "./");
  if (frames.empty()) {
    std::fprintf(stderr, "cannot compress the inputs\n");
    return 1;
  }
  std::printf("frames %zu\n", frames.size());
  std::vector<uint8_t> out(size_t{1} << 20);
  for (int i = 0; i < runs; ++i) {
    const auto wall = std::chrono::steady_clock::now();
    const std::clock_t cpu = std::clock();
    if (!bench::UncompressFrames(frames, out)) {
      std::fprintf(stderr, "uncompress failed\n");
      return 1;
    }
    const double cpu_seconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    const double wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    std::printf("run %.6f %.6f\n", wall_seconds, cpu_seconds);
  }
  return 0;
}

}  // namespace
}  // namespace mv

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "tree" && argc == 4) return mv::MakeTree(argv[2], argv[3]);
  if (command == "measure" && argc >= 4) {
    return mv::Measure(std::stoi(argv[2]), std::vector<std::string>(argv + 3, argv + argc));
  }
  return mv::Usage();
}
