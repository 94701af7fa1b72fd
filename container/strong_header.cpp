#include "container/strong_header.h"

#include <cstring>

#include "base/little_endian.h"
#include "container/container_format.h"
#include "platform/random.h"

namespace mv {
namespace {


Result HeaderDigest(const std::vector<uint8_t>& header_bytes, const uint8_t* key_check,
                    uint8_t digest[kHeaderDigestSize]) {
  const ByteRange pieces[] = {{header_bytes.data(), header_bytes.size()}, {key_check, kKeyCheckSize}};
  uint8_t full[kSha256DigestSize];
  Result r = Sha256OfRanges(pieces, 2, full);
  std::memcpy(digest, full, kHeaderDigestSize);
  return r;
}

}  // namespace

Result PrepareStrongHeader(const Argon2Cost& cost, uint32_t compression, TagRecord* header,
                           StrongParameters* parameters) {
  parameters->version = kStrongVersion;
  parameters->cost = cost;
  if (!platform::FillRandom(parameters->salt, sizeof parameters->salt) ||
      !platform::FillRandom(parameters->nonce_prefix, sizeof parameters->nonce_prefix)) {
    return kNoRandomSource;
  }
  parameters->version = kStrongVersion;
  parameters->password_form = PasswordForm::kUtf8Nfc;
  ContentCoding& coding = parameters->coding;
  coding.setting = compression;
  coding.total = header->GetU32(kHeaderTagTotal, 0);
  if (compression != 0) {
    coding.method = ContentCoding::kZstdFiltered;
    coding.zstd = compression == 1 ? kZstdBest : kZstdFast;
  }
  uint8_t entry[kStrongEntrySize] = {kStrongVersion, kKdfArgon2id};
  StoreU32Le(entry + 2, cost.passes);
  StoreU32Le(entry + 6, cost.memory_kib);
  StoreU32Le(entry + 10, cost.lanes);
  std::memcpy(entry + 14, parameters->salt, kStrongSaltSize);
  std::memcpy(entry + 30, parameters->nonce_prefix, AeadChunkStream::kNoncePrefixSize);
  entry[37] = static_cast<uint8_t>(parameters->password_form);
  entry[38] = coding.method;
  entry[39] = coding.zstd.level;
  entry[40] = coding.zstd.window_log;
  TagValue value;
  value.SetBlob(entry, kStrongEntrySize);
  Result r = value.GetType() == kTypeBlob ? header->Set(kHeaderTagStrong, value, true) : kOutOfMemory;
  if (r == kOk) r = header->SetU8(kHeaderTagCipher, kCipherStrong, true);
  return r;
}

Result ParseStrongParameters(const TagRecord& header, StrongParameters* parameters) {
  TagValue value;
  header.Get(value, kHeaderTagStrong);
  const uint8_t* entry = value.GetBytes();
  if (value.GetType() != kTypeBlob || entry == nullptr || value.GetLength() < 1) return kMalformedRecord;
  const uint8_t version = entry[0];
  const uint32_t size =
      version == kStrongVersion1 ? kStrongEntrySize1 : version == kStrongVersion ? kStrongEntrySize : 0;
  if (size == 0 || value.GetLength() != size || entry[1] != kKdfArgon2id) return kMalformedRecord;
  parameters->version = version;
  parameters->password_form = PasswordForm::kWindows1252;
  parameters->cost = Argon2Cost{LoadU32Le(entry + 2), LoadU32Le(entry + 6), LoadU32Le(entry + 10)};
  std::memcpy(parameters->salt, entry + 14, kStrongSaltSize);
  std::memcpy(parameters->nonce_prefix, entry + 30, AeadChunkStream::kNoncePrefixSize);
  ContentCoding& coding = parameters->coding;
  coding = ContentCoding{};
  coding.setting = header.GetU8(kHeaderTagCompression, 0);
  if (version == kStrongVersion1) return kOk;
  if (entry[37] != static_cast<uint8_t>(PasswordForm::kUtf8Nfc)) return kMalformedRecord;
  parameters->password_form = PasswordForm::kUtf8Nfc;
  coding.method = entry[38];
  coding.zstd = ZstdCoding{entry[39], entry[40]};
  if (coding.method == ContentCoding::kFrames) {
    return coding.zstd.level == 0 && coding.zstd.window_log == 0 ? kOk : kMalformedRecord;
  }
  // A Zstandard frame: the setting that chose it, and the content's size.
  TagValue total;
  header.Get(total, kHeaderTagTotal);
  if (!coding.IsZstd() || (coding.setting != 1 && coding.setting != 2) ||
      total.GetType() != kTypeU32) {
    return kMalformedRecord;
  }
  coding.total = header.GetU32(kHeaderTagTotal, 0);
  const Result r = ZstdCodingCheck(coding.zstd);
  return r == kBadArgument ? kMalformedRecord : r;
}

PasswordForm PasswordFormOf(const TagRecord& header) {
  StrongParameters parameters;
  if (header.GetU8(kHeaderTagCipher, 0) != kCipherStrong || ParseStrongParameters(header, &parameters) != kOk) {
    return PasswordForm::kWindows1252;
  }
  return parameters.password_form;
}

Result SealStrongHeader(const std::vector<uint8_t>& header_bytes, const StrongParameters& parameters,
                        const Password& password, StrongKeys* keys, uint8_t region[kCheckRegionSize],
                        StopQuery stop) {
  String bytes;
  Result r = PasswordBytes(password, parameters.password_form, &bytes);
  if (r == kOk) r = DeriveStrongKeys(bytes, parameters.salt, parameters.cost, keys, stop);
  if (r == kOk) r = ComputeKeyCheck(*keys, ByteRange{header_bytes.data(), header_bytes.size()}, region);
  if (r == kOk) r = HeaderDigest(header_bytes, region, region + kKeyCheckSize);
  return r;
}

Result OpenStrongHeader(const std::vector<uint8_t>& header_bytes, const StrongParameters& parameters,
                        const uint8_t region[kCheckRegionSize], const Password& password, StrongKeys* keys,
                        StopQuery stop) {
  uint8_t digest[kHeaderDigestSize];
  Result r = HeaderDigest(header_bytes, region, digest);
  if (r != kOk) return r;
  if (!EqualInConstantTime(digest, region + kKeyCheckSize, kHeaderDigestSize)) return kPackageDamaged;
  String bytes;
  r = PasswordBytes(password, parameters.password_form, &bytes);
  if (r == kOk) r = DeriveStrongKeys(bytes, parameters.salt, parameters.cost, keys, stop);
  if (r != kOk) return r;
  uint8_t check[kKeyCheckSize];
  r = ComputeKeyCheck(*keys, ByteRange{header_bytes.data(), header_bytes.size()}, check);
  if (r != kOk) return r;
  return EqualInConstantTime(check, region, kKeyCheckSize) ? kOk : kWrongPassword;
}

}  // namespace mv
