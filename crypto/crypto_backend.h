// The one place where the cryptographic library is reached: SHA-1 and the
// two CBC block ciphers (Blowfish with a 128-bit key, AES-128). Everything
// above works with these engines and never sees the library's types, so the
// library can be swapped by rewriting crypto_backend.cpp alone.
//
// Random numbers do not come from here: the library's generator is not used
// (on Windows it reports to standard error); see platform/random.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/result.h"

namespace mv {

inline constexpr size_t kSha1DigestSize = 20;
inline constexpr size_t kCipherKeySize = 16;

// Initialises the library once per process: version check, no secure memory
// pool (keys live in ordinary memory that the engines wipe on release),
// initialisation finished. Safe to call any number of times and from any
// thread; the engines below call it themselves, so an explicit call at start
// only moves the one-time cost. kCipherFailed when the linked library is
// older than the headers the program was built with.
Result InitCrypto();

// A piece of a message that is hashed as if all pieces were concatenated.
struct ByteRange {
  const void* data;
  size_t size;
};

// SHA-1 over the concatenation of at most kMaxSha1Ranges pieces, written to
// digest, without allocating. kBadArgument for more pieces; kCipherFailed if
// the library refuses (it does not for SHA-1 outside a crippled build).
inline constexpr size_t kMaxSha1Ranges = 4;
Result Sha1OfRanges(const ByteRange* ranges, size_t count, uint8_t digest[kSha1DigestSize]);

// An incremental SHA-1 computation. Start, any number of Add, Finish; then
// Start again for another message. Releasing it wipes the state.
class Sha1Engine {
 public:
  Sha1Engine() = default;
  Sha1Engine(const Sha1Engine&) = delete;
  Sha1Engine& operator=(const Sha1Engine&) = delete;
  ~Sha1Engine();

  // kOutOfMemory when the state cannot be allocated.
  Result Start();
  // Ignored unless started.
  void Add(const void* bytes, size_t length);
  // Writes the digest and ends the computation; kNotOpen when not started.
  Result Finish(uint8_t digest[kSha1DigestSize]);

 private:
  void Release();
  void* handle_ = nullptr;
};

enum class CbcAlgorithm { kBlowfish128, kAes128 };

// One CBC chain: a key schedule and the current vector, which every call
// carries on to the next, so consecutive calls continue one chain exactly as
// one call over the concatenated data would. No padding is applied.
class CbcEngine {
 public:
  CbcEngine() = default;
  CbcEngine(const CbcEngine&) = delete;
  CbcEngine& operator=(const CbcEngine&) = delete;
  ~CbcEngine();

  // Block size of the algorithm in bytes: 8 for Blowfish, 16 for AES.
  static size_t BlockSize(CbcAlgorithm algorithm);

  // Sets the key (kCipherKeySize bytes) and the first vector (BlockSize
  // bytes). Replaces any earlier set-up. kCipherFailed when the library
  // refuses; the engine is then not ready.
  Result Start(CbcAlgorithm algorithm, const uint8_t* key, const uint8_t* vector);
  bool IsReady() const { return handle_ != nullptr; }
  // Forgets key and vector (wiped); the engine is then not ready.
  void Reset();

  // In place over length bytes. kNotOpen before a successful Start,
  // kBadBlockLength when length is not a whole number of blocks (the buffer
  // is then untouched), kCipherFailed when the library fails.
  Result Encrypt(uint8_t* bytes, size_t length);
  Result Decrypt(uint8_t* bytes, size_t length);

 private:
  Result Run(bool encrypt, uint8_t* bytes, size_t length);
  void* handle_ = nullptr;
  size_t block_size_ = 0;
};

}  // namespace mv
