// The one place where the cryptographic library is reached: SHA-1 and the
// two CBC block ciphers (Blowfish with a 128-bit key, AES-128) of the classic
// container; Argon2id, HMAC-SHA256, SHA-256 and AES-256-GCM of the strong
// one. Everything
// above works with these engines and never sees the library's types, so the
// library can be swapped by rewriting crypto_backend.cpp alone.
//
// Random numbers do not come from here: the library's generator is not used
// (on Windows it reports to standard error); see platform/random.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "base/string.h"

namespace mv {

inline constexpr size_t kSha1DigestSize = 20;
inline constexpr size_t kCipherKeySize = 16;
inline constexpr size_t kSha256DigestSize = 32;
inline constexpr size_t kGcmKeySize = 32;
inline constexpr size_t kGcmNonceSize = 12;
inline constexpr size_t kGcmTagSize = 16;

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

// The bytes of text; a never-assigned String has no buffer and counts as
// empty.
inline ByteRange RangeOf(const String& text) {
  return ByteRange{text.c_str(), text.c_str() == nullptr ? 0 : static_cast<size_t>(text.GetLength())};
}

// SHA-1 over the concatenation of at most kMaxSha1Ranges pieces, written to
// digest, without allocating. kBadArgument for more pieces; kCipherFailed if
// the library refuses (it does not for SHA-1 outside a crippled build).
inline constexpr size_t kMaxSha1Ranges = 4;
Result Sha1OfRanges(const ByteRange* ranges, size_t count, uint8_t digest[kSha1DigestSize]);
// The same with SHA-256.
Result Sha256OfRanges(const ByteRange* ranges, size_t count, uint8_t digest[kSha256DigestSize]);

// HMAC-SHA256 under key over the concatenation of at most kMaxSha1Ranges
// pieces. kBadArgument for more pieces or a missing key; kCipherFailed when
// the library refuses.
Result HmacSha256(const ByteRange& key, const ByteRange* ranges, size_t count, uint8_t mac[kSha256DigestSize]);

// The cost of one Argon2id derivation: passes over the memory, the memory in
// KiB, and the lanes, which run side by side on threads of their own.
struct Argon2Cost {
  uint32_t passes = 0;
  uint32_t memory_kib = 0;
  uint32_t lanes = 0;
};

// Argon2id (version 0x13) of password and salt, out_length bytes, with an
// optional secret key and associated data (the container uses neither). The cost
// is used as given: bounding it is the caller's duty, since the library
// allocates memory_kib KiB at once. Each lane's share of a pass runs on a
// thread of its own (on the caller's thread when none can be started).
// kOutOfMemory when the memory cannot be had, kCipherFailed when the library
// refuses the parameters.
//
// A derivation of a high cost runs for seconds. When stop is given it is
// asked on the caller's thread before the derivation begins and then every
// 10 ms while the derivation runs on a thread of its own; a true answer
// returns kCancelled at once, out left unfilled. The derivation is then left to end at the start
// of its next slice (a quarter of a pass), where it wipes and releases its
// memory; the next derivation waits for that, the end of the program does
// not.
using StopQuery = bool (*)();
Result Argon2id(const ByteRange& password, const ByteRange& salt, const Argon2Cost& cost, uint8_t* out,
                size_t out_length, const ByteRange& secret = {nullptr, 0}, const ByteRange& associated = {nullptr, 0},
                StopQuery stop = nullptr);

// PBKDF2-HMAC-SHA256 with the given iteration count, out_length bytes. The
// system's containers do not use it; it measures other formats' cost of a
// password guess beside ours (bench/). kCipherFailed when the library
// refuses.
Result Pbkdf2Sha256(const ByteRange& password, const ByteRange& salt, uint32_t iterations, uint8_t* out,
                    size_t out_length);

// Compares two byte strings in time that depends only on their length.
bool EqualInConstantTime(const uint8_t* a, const uint8_t* b, size_t length);

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


// AES-256 in GCM mode, one message at a time under one key: each Seal or
// Open takes a fresh 12-byte nonce, the associated data and the bytes.
class GcmEngine {
 public:
  GcmEngine() = default;
  GcmEngine(const GcmEngine&) = delete;
  GcmEngine& operator=(const GcmEngine&) = delete;
  ~GcmEngine();

  // Sets the 32-byte key; kCipherFailed when the library refuses.
  Result Start(const uint8_t key[kGcmKeySize]);
  // Forgets the key (wiped).
  void Reset();

  // Encrypts length bytes in place and writes the tag. kNotOpen before
  // Start, kCipherFailed when the library fails.
  Result Seal(const uint8_t nonce[kGcmNonceSize], const ByteRange& associated, uint8_t* bytes, size_t length,
              uint8_t tag[kGcmTagSize]);
  // Decrypts length bytes in place and checks the tag: kPackageDamaged when
  // it does not match (the bytes are then not the plain text and must not
  // be used), kNotOpen before Start, kCipherFailed when the library fails.
  Result Open(const uint8_t nonce[kGcmNonceSize], const ByteRange& associated, uint8_t* bytes, size_t length,
              const uint8_t tag[kGcmTagSize]);

 private:
  Result Begin(const uint8_t nonce[kGcmNonceSize], const ByteRange& associated);
  void* handle_ = nullptr;
};

}  // namespace mv
