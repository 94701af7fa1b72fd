// What one wrong password guess costs whoever tries passwords against a
// package, per kind and key derivation profile, next to two formats' own
// published derivations computed with the same library:
//   classic      the 2-byte password check: one SHA-1 of the password (a
//                wrong guess is rejected almost always right there)
//   strong/...   Argon2id with the profile's cost, then the key check's
//                HMAC-SHA256 over a header (no cheaper rejection exists)
//   7-Zip        SHA-256 over 2^19 rounds of the UTF-16 password and an
//                8-byte counter (7-Zip's AES key; built in memory first,
//                which costs the same hashing)
//   RAR5         PBKDF2-HMAC-SHA256 with 2^15 iterations, plus the 32 more
//                of its check value
// Wall time: the strong kind's lanes run on threads, so the figure shrinks
// with cores; `taskset -c 0 build/native/guess_cost_bench` gives one core's.
// The max profile needs 2 GiB and is skipped where that is not available.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "crypto/key_derivation.h"
#include "crypto/crypto_backend.h"
#include "crypto/strong_keys.h"
#include "platform/platform.h"

namespace mv {
namespace {

const String kGuess("benchmark guess");
const uint8_t kSalt[kStrongSaltSize] = {0x5A, 1, 2, 3};

void ClassicGuess(benchmark::State& state) {
  uint16_t verifier = 0;
  for (auto _ : state) {
    ComputeVerifier(kGuess, verifier);
    benchmark::DoNotOptimize(verifier);
  }
}
BENCHMARK(ClassicGuess)->Name("guess/classic");

void StrongGuess(benchmark::State& state, Argon2Cost cost) {
  if (CheckKdfCost(cost, platform::AvailableMemory()) != kOk) {
    state.SkipWithError("the profile's memory is not available here");
    return;
  }
  const std::vector<uint8_t> header(120, 0x33);
  uint8_t check[kKeyCheckSize];
  for (auto _ : state) {
    StrongKeys keys;
    if (DeriveStrongKeys(kGuess, kSalt, cost, &keys) != kOk ||
        ComputeKeyCheck(keys, ByteRange{header.data(), header.size()}, check) != kOk) {
      state.SkipWithError("the derivation failed");
      return;
    }
    benchmark::DoNotOptimize(check);
  }
}
BENCHMARK_CAPTURE(StrongGuess, default, kKdfDefault)->Name("guess/strong/default")->UseRealTime()
    ->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_CAPTURE(StrongGuess, high, kKdfHigh)->Name("guess/strong/high")->UseRealTime()
    ->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(StrongGuess, max, kKdfMax)->Name("guess/strong/max")->UseRealTime()
    ->Unit(benchmark::kMillisecond)->Iterations(2);

void SevenZipGuess(benchmark::State& state) {
  std::vector<uint8_t> round;
  for (char c : std::string(kGuess.c_str())) {
    round.push_back(static_cast<uint8_t>(c));
    round.push_back(0);
  }
  const size_t counter_at = round.size();
  round.resize(counter_at + 8);
  constexpr uint64_t kRounds = uint64_t{1} << 19;
  std::vector<uint8_t> input;
  input.reserve(round.size() * kRounds);
  for (uint64_t i = 0; i < kRounds; ++i) {
    for (int b = 0; b < 8; ++b) round[counter_at + b] = static_cast<uint8_t>(i >> (8 * b));
    input.insert(input.end(), round.begin(), round.end());
  }
  uint8_t key[kSha256DigestSize];
  const ByteRange whole{input.data(), input.size()};
  for (auto _ : state) {
    Sha256OfRanges(&whole, 1, key);
    benchmark::DoNotOptimize(key);
  }
}
BENCHMARK(SevenZipGuess)->Name("guess/7-Zip (2^19 SHA-256 rounds)")->Unit(benchmark::kMillisecond);

void Rar5Guess(benchmark::State& state) {
  uint8_t key[kSha256DigestSize];
  const ByteRange password{kGuess.c_str(), static_cast<size_t>(kGuess.GetLength())};
  for (auto _ : state) {
    Pbkdf2Sha256(password, ByteRange{kSalt, sizeof kSalt}, (1u << 15) + 32, key, sizeof key);
    benchmark::DoNotOptimize(key);
  }
}
BENCHMARK(Rar5Guess)->Name("guess/RAR5 (PBKDF2-SHA256, 2^15)")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mv

BENCHMARK_MAIN();
