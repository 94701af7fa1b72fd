#include "crypto/crypto_backend.h"

#include <gcrypt.h>

#include <cstring>

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

Result Sha1OfRanges(const ByteRange* ranges, size_t count, uint8_t digest[kSha1DigestSize]) {
  if (count > kMaxSha1Ranges || (count != 0 && ranges == nullptr)) return kBadArgument;
  if (InitCrypto() != kOk) return kCipherFailed;
  gcry_buffer_t pieces[kMaxSha1Ranges] = {};
  for (size_t i = 0; i < count; ++i) {
    pieces[i].size = ranges[i].size;
    pieces[i].len = ranges[i].size;
    pieces[i].data = const_cast<void*>(ranges[i].data);
  }
  if (gcry_md_hash_buffers(GCRY_MD_SHA1, 0, digest, pieces, static_cast<int>(count)) != 0) {
    return kCipherFailed;
  }
  return kOk;
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

}  // namespace mv
