#include "crypto/crypto_backend.h"

#include <gcrypt.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "base/memory.h"

namespace mv {
namespace {

Result InitOnce() {
  if (gcry_check_version(GCRYPT_VERSION) == nullptr) return kCipherFailed;
  // No secure-memory pool: it needs privileges on POSIX and is not needed,
  // the engines wipe their state when released.
  gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
  gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  return kOk;
}

gcry_md_hd_t AsHash(void* handle) { return static_cast<gcry_md_hd_t>(handle); }
gcry_cipher_hd_t AsCipher(void* handle) { return static_cast<gcry_cipher_hd_t>(handle); }

}  // namespace

Result InitCrypto() {
  // A function-local static runs the set-up exactly once, thread-safely.
  static const Result result = InitOnce();
  return result;
}

namespace {

Result HashOfRanges(int algorithm, const ByteRange* ranges, size_t count, uint8_t* digest) {
  if (count > kMaxSha1Ranges || (count != 0 && ranges == nullptr)) return kBadArgument;
  if (InitCrypto() != kOk) return kCipherFailed;
  gcry_buffer_t pieces[kMaxSha1Ranges] = {};
  for (size_t i = 0; i < count; ++i) {
    pieces[i].size = ranges[i].size;
    pieces[i].len = ranges[i].size;
    pieces[i].data = const_cast<void*>(ranges[i].data);
  }
  if (gcry_md_hash_buffers(algorithm, 0, digest, pieces, static_cast<int>(count)) != 0) return kCipherFailed;
  return kOk;
}

// The library hands every lane's share of a slice to dispatch_job and then
// waits for all of them; each share runs on a thread of its own. A slice
// begins with its first share: cancelled is read then, and a negative
// answer makes the library give up with GPG_ERR_CANCELED (the shares
// already running are joined when the threads go).
struct LaneThreads {
  std::vector<std::thread> threads;
  const std::atomic<bool>* cancelled = nullptr;

  static int Dispatch(void* context, gcry_kdf_job_fn_t job, void* job_data) {
    auto* self = static_cast<LaneThreads*>(context);
    if (self->threads.empty() && self->cancelled != nullptr && self->cancelled->load()) return -1;
    try {
      self->threads.emplace_back(job, job_data);
    } catch (const std::system_error&) {
      job(job_data);  // no thread to be had: the share runs here instead
    }
    return 0;
  }
  static int WaitAll(void* context) {
    auto* self = static_cast<LaneThreads*>(context);
    for (std::thread& thread : self->threads) thread.join();
    self->threads.clear();
    return 0;
  }
  ~LaneThreads() { WaitAll(this); }
};

// The derivations whose callers stopped waiting. A new derivation waits
// until they have ended, so that two never hold their memory at once. The
// end of the program does not wait: the process ends them with itself.
class LeftDerivations {
 public:
  void Add() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++running_;
  }
  void Ended() {
    std::lock_guard<std::mutex> lock(mutex_);
    --running_;
    none_running_.notify_all();
  }
  void WaitForAll() {
    std::unique_lock<std::mutex> lock(mutex_);
    none_running_.wait(lock, [this] { return running_ == 0; });
  }
 private:
  std::mutex mutex_;
  std::condition_variable none_running_;
  int running_ = 0;
};

// Never destroyed: a derivation left running may report its end while the
// program's statics are being destroyed.
LeftDerivations& LeftOnes() {
  static LeftDerivations* const left = new LeftDerivations;
  return *left;
}

// One derivation with copies of its inputs, so that it can outlive the
// call that started it: a caller told to stop returns at once and leaves
// the derivation to end at its next slice, wipe its memory and go.
struct Derivation {
  std::vector<uint8_t> password, salt, secret, associated;
  unsigned long parameters[4] = {};
  std::vector<uint8_t> out;
  // Set (under mutex) when the caller stopped waiting: the lanes end at
  // their next slice and the derivation, ending, tells the left ones.
  std::atomic<bool> cancelled{false};
  std::mutex mutex;
  std::condition_variable ended_signal;
  bool ended = false;
  gcry_error_t error = 0;

  Derivation(const ByteRange& password_range, const ByteRange& salt_range, const ByteRange& secret_range,
             const ByteRange& associated_range, size_t out_length)
      : password(Copy(password_range)),
        salt(Copy(salt_range)),
        secret(Copy(secret_range)),
        associated(Copy(associated_range)),
        out(out_length) {}
  ~Derivation() {
    for (std::vector<uint8_t>* secret_bytes : {&password, &secret, &out}) {
      if (!secret_bytes->empty()) SecureWipe(secret_bytes->data(), secret_bytes->size());
    }
  }
  static std::vector<uint8_t> Copy(const ByteRange& range) {
    const auto* bytes = static_cast<const uint8_t*>(range.data);
    return bytes == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(bytes, bytes + range.size);
  }
  static const void* BytesOf(const std::vector<uint8_t>& bytes) {
    // The library reads the password even when it is empty.
    static const uint8_t kNothing = 0;
    return bytes.empty() ? &kNothing : bytes.data();
  }

  void Run() {
    gcry_kdf_hd_t handle = nullptr;
    gcry_error_t result = gcry_kdf_open(&handle, GCRY_KDF_ARGON2, GCRY_KDF_ARGON2ID, parameters, 4,
                                        BytesOf(password), password.size(), BytesOf(salt), salt.size(),
                                        secret.empty() ? nullptr : secret.data(), secret.size(),
                                        associated.empty() ? nullptr : associated.data(), associated.size());
    if (result == 0) {
      LaneThreads lanes;
      lanes.cancelled = &cancelled;
      const gcry_kdf_thread_ops_t ops = {&lanes, &LaneThreads::Dispatch, &LaneThreads::WaitAll};
      result = gcry_kdf_compute(handle, &ops);
      if (result == 0) result = gcry_kdf_final(handle, out.size(), out.data());
    }
    // Closing wipes the memory the derivation filled.
    if (handle != nullptr) gcry_kdf_close(handle);
    bool left;
    {
      std::lock_guard<std::mutex> lock(mutex);
      error = result;
      ended = true;
      left = cancelled.load();
      ended_signal.notify_all();
    }
    if (left) LeftOnes().Ended();
  }
};

// How often a waiting caller asks whether to stop.
constexpr auto kStopPollInterval = std::chrono::milliseconds(10);

gcry_cipher_hd_t AsGcm(void* handle) { return static_cast<gcry_cipher_hd_t>(handle); }

}  // namespace

Result Sha1OfRanges(const ByteRange* ranges, size_t count, uint8_t digest[kSha1DigestSize]) {
  return HashOfRanges(GCRY_MD_SHA1, ranges, count, digest);
}

Result Sha256OfRanges(const ByteRange* ranges, size_t count, uint8_t digest[kSha256DigestSize]) {
  return HashOfRanges(GCRY_MD_SHA256, ranges, count, digest);
}

Result HmacSha256(const ByteRange& key, const ByteRange* ranges, size_t count, uint8_t mac[kSha256DigestSize]) {
  if (count > kMaxSha1Ranges || (count != 0 && ranges == nullptr) || key.data == nullptr) return kBadArgument;
  if (InitCrypto() != kOk) return kCipherFailed;
  gcry_mac_hd_t handle = nullptr;
  if (gcry_mac_open(&handle, GCRY_MAC_HMAC_SHA256, 0, nullptr) != 0) return kCipherFailed;
  bool ok = gcry_mac_setkey(handle, key.data, key.size) == 0;
  for (size_t i = 0; ok && i < count; ++i) {
    if (ranges[i].size != 0) ok = gcry_mac_write(handle, ranges[i].data, ranges[i].size) == 0;
  }
  size_t length = kSha256DigestSize;
  ok = ok && gcry_mac_read(handle, mac, &length) == 0 && length == kSha256DigestSize;
  // Closing wipes the keyed state.
  gcry_mac_close(handle);
  return ok ? kOk : kCipherFailed;
}

Result Argon2id(const ByteRange& password, const ByteRange& salt, const Argon2Cost& cost, uint8_t* out,
                size_t out_length, const ByteRange& secret, const ByteRange& associated, StopQuery stop) {
  if (out == nullptr || out_length == 0 || salt.data == nullptr) return kBadArgument;
  if (InitCrypto() != kOk) return kCipherFailed;
  // The library takes the output length as an unsigned long (32 bits on
  // Windows); no caller asks for anywhere near that much.
  if (out_length > 0xFFFFFFFFu) return kBadArgument;
  std::shared_ptr<Derivation> derivation;
  try {
    derivation = std::make_shared<Derivation>(password, salt, secret, associated, out_length);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  const unsigned long parameters[4] = {static_cast<unsigned long>(out_length), cost.passes, cost.memory_kib,
                                       cost.lanes};
  std::copy(std::begin(parameters), std::end(parameters), derivation->parameters);
  LeftOnes().WaitForAll();
  if (stop == nullptr) {
    derivation->Run();
  } else if (stop()) {
    return kCancelled;  // told before it began
  } else {
    std::thread worker;
    try {
      worker = std::thread([derivation] { derivation->Run(); });
    } catch (const std::system_error&) {
      // No thread to be had: the derivation runs here, without stops.
    }
    if (!worker.joinable()) {
      derivation->Run();
    } else {
      std::unique_lock<std::mutex> lock(derivation->mutex);
      while (!derivation->ended_signal.wait_for(lock, kStopPollInterval, [&] { return derivation->ended; })) {
        lock.unlock();
        const bool stopping = stop();
        lock.lock();
        if (stopping && !derivation->ended) {
          // The worker holds its own reference and ends at its next slice.
          derivation->cancelled = true;
          LeftOnes().Add();
          lock.unlock();
          worker.detach();
          return kCancelled;
        }
      }
      lock.unlock();
      worker.join();
    }
  }
  const gcry_error_t error = derivation->error;
  if (error == 0) {
    std::memcpy(out, derivation->out.data(), out_length);
    return kOk;
  }
  if (gcry_err_code(error) == GPG_ERR_CANCELED) return kCancelled;
  return gcry_err_code(error) == GPG_ERR_ENOMEM ? kOutOfMemory : kCipherFailed;
}

Result Pbkdf2Sha256(const ByteRange& password, const ByteRange& salt, uint32_t iterations, uint8_t* out,
                    size_t out_length) {
  if (out == nullptr || password.data == nullptr || salt.data == nullptr) return kBadArgument;
  if (InitCrypto() != kOk) return kCipherFailed;
  return gcry_kdf_derive(password.data, password.size, GCRY_KDF_PBKDF2, GCRY_MD_SHA256, salt.data, salt.size,
                         iterations, out_length, out) == 0
             ? kOk
             : kCipherFailed;
}

bool EqualInConstantTime(const uint8_t* a, const uint8_t* b, size_t length) {
  uint8_t difference = 0;
  for (size_t i = 0; i < length; ++i) difference |= static_cast<uint8_t>(a[i] ^ b[i]);
  return difference == 0;
}

Sha1Engine::~Sha1Engine() { Release(); }

void Sha1Engine::Release() {
  // Closing wipes the library's copy of the state.
  if (handle_ != nullptr) gcry_md_close(AsHash(handle_));
  handle_ = nullptr;
}

Result Sha1Engine::Start() {
  Release();
  if (InitCrypto() != kOk) return kCipherFailed;
  gcry_md_hd_t hash = nullptr;
  if (gcry_md_open(&hash, GCRY_MD_SHA1, 0) != 0) return kOutOfMemory;
  handle_ = hash;
  return kOk;
}

void Sha1Engine::Add(const void* bytes, size_t length) {
  if (handle_ == nullptr || bytes == nullptr || length == 0) return;
  gcry_md_write(AsHash(handle_), bytes, length);
}

Result Sha1Engine::Finish(uint8_t digest[kSha1DigestSize]) {
  if (handle_ == nullptr) return kNotOpen;
  const unsigned char* result = gcry_md_read(AsHash(handle_), GCRY_MD_SHA1);
  if (result == nullptr) {
    Release();
    return kCipherFailed;
  }
  std::memcpy(digest, result, kSha1DigestSize);
  Release();
  return kOk;
}

CbcEngine::~CbcEngine() { Reset(); }

void CbcEngine::Reset() {
  // Closing wipes the key schedule and the vector.
  if (handle_ != nullptr) gcry_cipher_close(AsCipher(handle_));
  handle_ = nullptr;
  block_size_ = 0;
}

size_t CbcEngine::BlockSize(CbcAlgorithm algorithm) {
  return algorithm == CbcAlgorithm::kAes128 ? 16 : 8;
}

Result CbcEngine::Start(CbcAlgorithm algorithm, const uint8_t* key, const uint8_t* vector) {
  Reset();
  if (key == nullptr || vector == nullptr) return kBadArgument;
  if (InitCrypto() != kOk) return kCipherFailed;
  int id = algorithm == CbcAlgorithm::kAes128 ? GCRY_CIPHER_AES128 : GCRY_CIPHER_BLOWFISH;
  size_t block = BlockSize(algorithm);
  gcry_cipher_hd_t cipher = nullptr;
  if (gcry_cipher_open(&cipher, id, GCRY_CIPHER_MODE_CBC, 0) != 0) return kCipherFailed;
  // Every 16-byte key is a valid Blowfish key; the library's check for
  // repeated S-box entries would refuse a few passwords outright.
  gcry_cipher_ctl(cipher, GCRYCTL_SET_ALLOW_WEAK_KEY, nullptr, 1);
  gcry_error_t key_error = gcry_cipher_setkey(cipher, key, kCipherKeySize);
  bool key_ok = key_error == 0 || gcry_err_code(key_error) == GPG_ERR_WEAK_KEY;
  if (!key_ok || gcry_cipher_setiv(cipher, vector, block) != 0) {
    gcry_cipher_close(cipher);
    return kCipherFailed;
  }
  handle_ = cipher;
  block_size_ = block;
  return kOk;
}

Result CbcEngine::Encrypt(uint8_t* bytes, size_t length) { return Run(true, bytes, length); }

Result CbcEngine::Decrypt(uint8_t* bytes, size_t length) { return Run(false, bytes, length); }

Result CbcEngine::Run(bool encrypt, uint8_t* bytes, size_t length) {
  if (handle_ == nullptr) return kNotOpen;
  // The library refuses partial blocks; check here so that the caller's
  // buffer is never touched by a refused call.
  if (length % block_size_ != 0) return kBadBlockLength;
  if (length == 0) return kOk;
  if (bytes == nullptr) return kBadArgument;
  gcry_error_t error = encrypt ? gcry_cipher_encrypt(AsCipher(handle_), bytes, length, nullptr, 0)
                               : gcry_cipher_decrypt(AsCipher(handle_), bytes, length, nullptr, 0);
  return error == 0 ? kOk : kCipherFailed;
}

GcmEngine::~GcmEngine() { Reset(); }

void GcmEngine::Reset() {
  // Closing wipes the key schedule and the hash key.
  if (handle_ != nullptr) gcry_cipher_close(AsGcm(handle_));
  handle_ = nullptr;
}

Result GcmEngine::Start(const uint8_t key[kGcmKeySize]) {
  Reset();
  if (key == nullptr) return kBadArgument;
  if (InitCrypto() != kOk) return kCipherFailed;
  gcry_cipher_hd_t cipher = nullptr;
  if (gcry_cipher_open(&cipher, GCRY_CIPHER_AES256, GCRY_CIPHER_MODE_GCM, 0) != 0) return kCipherFailed;
  if (gcry_cipher_setkey(cipher, key, kGcmKeySize) != 0) {
    gcry_cipher_close(cipher);
    return kCipherFailed;
  }
  handle_ = cipher;
  return kOk;
}

Result GcmEngine::Begin(const uint8_t nonce[kGcmNonceSize], const ByteRange& associated) {
  if (handle_ == nullptr) return kNotOpen;
  // Setting the nonce starts a new message.
  if (gcry_cipher_setiv(AsGcm(handle_), nonce, kGcmNonceSize) != 0) return kCipherFailed;
  if (associated.size != 0 && gcry_cipher_authenticate(AsGcm(handle_), associated.data, associated.size) != 0) {
    return kCipherFailed;
  }
  return kOk;
}

Result GcmEngine::Seal(const uint8_t nonce[kGcmNonceSize], const ByteRange& associated, uint8_t* bytes,
                       size_t length, uint8_t tag[kGcmTagSize]) {
  Result r = Begin(nonce, associated);
  if (r != kOk) return r;
  if (length != 0 && gcry_cipher_encrypt(AsGcm(handle_), bytes, length, nullptr, 0) != 0) return kCipherFailed;
  return gcry_cipher_gettag(AsGcm(handle_), tag, kGcmTagSize) == 0 ? kOk : kCipherFailed;
}

Result GcmEngine::Open(const uint8_t nonce[kGcmNonceSize], const ByteRange& associated, uint8_t* bytes,
                       size_t length, const uint8_t tag[kGcmTagSize]) {
  Result r = Begin(nonce, associated);
  if (r != kOk) return r;
  if (length != 0 && gcry_cipher_decrypt(AsGcm(handle_), bytes, length, nullptr, 0) != 0) return kCipherFailed;
  gcry_error_t error = gcry_cipher_checktag(AsGcm(handle_), tag, kGcmTagSize);
  if (error == 0) return kOk;
  return gcry_err_code(error) == GPG_ERR_CHECKSUM ? kPackageDamaged : kCipherFailed;
}

}  // namespace mv
