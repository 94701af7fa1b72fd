// Throughput of the container body pipeline against plain zlib on the same
// blocks, the bound the pipeline must stay within:
//   reading through CryptStack (AES, setting 1) vs uncompress of the frames,
//   writing through CryptStack (AES, setting 2) vs compress2 level 3.
// Both ratios, of throughputs in processor time, are printed at the end;
// each must be at least 0.9.
//
// The data is mixed: text-like runs that compress well and noise runs that
// are stored raw. --mv_size_mib=N scales it (default 256) for quick runs.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <vector>

#include "bench/bench_support.h"
#include "crypto/crypt_stack.h"
#include "stream/compression_stream.h"
#include "stream/memory_stream.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

size_t g_size = size_t{256} << 20;
const String kPassword("benchmark password");
// The caller's buffer: one, reused for every call.
constexpr size_t kPiece = size_t{1} << 20;

struct Corpus {
  std::vector<uint8_t> plain;
  std::vector<uint8_t> frames;  // CompressionStream output, setting 1
  std::vector<uint8_t> sealed;  // the same frames through the AES cipher stream
};

const Corpus& GetCorpus() {
  static const Corpus corpus = [] {
    Corpus c;
    c.plain = test::MixedBytes(g_size, 2024);
    MemoryStream frames;
    frames.OpenWrite();
    CompressionStream compression;
    compression.Open(&frames, 1);
    compression.Write(c.plain.data(), static_cast<uint32_t>(c.plain.size()));
    compression.Close();
    c.frames = frames.GetData();
    MemoryStream sealed;
    sealed.OpenWrite();
    CipherStream cipher;
    cipher.Open(&sealed, kPassword, nullptr, kCipherAes);
    cipher.Write(c.frames.data(), static_cast<uint32_t>(c.frames.size()));
    cipher.Close();
    c.sealed = sealed.GetData();
    std::printf("corpus: %zu bytes plain, %zu bytes of frames, %zu bytes sealed\n", c.plain.size(),
                c.frames.size(), c.sealed.size());
    return c;
  }();
  return corpus;
}

void ReadCryptStack(benchmark::State& state) {
  const Corpus& corpus = GetCorpus();
  std::vector<uint8_t> out(kPiece);
  for (auto _ : state) {
    state.PauseTiming();
    MemoryStream source;
    source.OpenRead(corpus.sealed);
    state.ResumeTiming();
    CryptStack stack;
    if (stack.Open(&source, kPassword, nullptr, kCipherAes, 1) != kOk) {
      state.SkipWithError("open failed");
      break;
    }
    for (size_t at = 0; at < corpus.plain.size(); at += kPiece) {
      uint32_t n = static_cast<uint32_t>(std::min(kPiece, corpus.plain.size() - at));
      if (stack.Read(out.data(), n) != kOk) {
        state.SkipWithError("read failed");
        break;
      }
      benchmark::DoNotOptimize(out.data());
    }
    stack.Close();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.plain.size()));
}

// Plain zlib over the same frames into the caller's buffer.
void ReadPlainZlib(benchmark::State& state) {
  const Corpus& corpus = GetCorpus();
  std::vector<uint8_t> out(kPiece);
  for (auto _ : state) {
    if (!bench::UncompressFrames(corpus.frames, out)) {
      state.SkipWithError("uncompress failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.plain.size()));
}

void WriteCryptStack(benchmark::State& state) {
  const Corpus& corpus = GetCorpus();
  for (auto _ : state) {
    // The plain stream is a counting sink: it takes the bytes and keeps none.
    Stream sink;
    sink.Open(Stream::kWriting, nullptr);
    CryptStack stack;
    if (stack.Open(&sink, kPassword, nullptr, kCipherAes, 2) != kOk) {
      state.SkipWithError("open failed");
      break;
    }
    for (size_t at = 0; at < corpus.plain.size(); at += kPiece) {
      uint32_t n = static_cast<uint32_t>(std::min(kPiece, corpus.plain.size() - at));
      if (stack.Write(corpus.plain.data() + at, n) != kOk) {
        state.SkipWithError("write failed");
        break;
      }
    }
    if (stack.Close() != kOk) state.SkipWithError("close failed");
    benchmark::DoNotOptimize(sink.GetCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.plain.size()));
}

// compress2 level 3 of the same 65535-byte blocks into one reused buffer.
void WritePlainZlib(benchmark::State& state) {
  const Corpus& corpus = GetCorpus();
  std::vector<uint8_t> out(compressBound(CompressionStream::kBlockCapacity));
  for (auto _ : state) {
    for (size_t at = 0; at < corpus.plain.size(); at += CompressionStream::kBlockCapacity) {
      size_t n = std::min<size_t>(CompressionStream::kBlockCapacity, corpus.plain.size() - at);
      uLongf produced = out.size();
      compress2(out.data(), &produced, corpus.plain.data() + at, n, 3);
      benchmark::DoNotOptimize(produced);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.plain.size()));
}

BENCHMARK(ReadCryptStack)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadPlainZlib)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteCryptStack)->Unit(benchmark::kMillisecond);
BENCHMARK(WritePlainZlib)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mv

int main(int argc, char** argv) {
  return mv::bench::RunWithRatios(argc, argv, &mv::g_size, [](const mv::bench::RatioReporter& reporter) {
    reporter.PrintRatio("read (CryptStack AES, setting 1 / uncompress)", "ReadCryptStack", "ReadPlainZlib", 0.9);
    reporter.PrintRatio("write (CryptStack AES, setting 2 / compress2 level 3)", "WriteCryptStack",
                        "WritePlainZlib", 0.9);
  });
}
