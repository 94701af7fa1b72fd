#include "crypto/strong_keys.h"

#include "base/memory.h"
#include "crypto/hkdf.h"

namespace mv {
namespace {

constexpr uint32_t kMinKdfMemoryPerLane = 8;  // KiB: Argon2's least
constexpr size_t kMasterKeySize = 32;
constexpr char kPayloadKeyInfo[] = "Morvalis strong payload key";
constexpr char kCheckKeyInfo[] = "Morvalis strong key check";

}  // namespace

StrongKeys::~StrongKeys() {
  SecureWipe(payload, sizeof payload);
  SecureWipe(check, sizeof check);
}

Result CheckKdfCost(const Argon2Cost& cost, uint64_t available_memory) {
  if (cost.passes == 0 || cost.lanes == 0) return kMalformedRecord;
  if (cost.passes > kMaxKdfPasses || cost.lanes > kMaxKdfLanes || cost.memory_kib > kMaxKdfMemoryKib) {
    return kKdfTooCostly;
  }
  if (cost.memory_kib < kMinKdfMemoryPerLane * cost.lanes) return kMalformedRecord;
  if (available_memory != 0 && uint64_t{cost.memory_kib} * 1024 > available_memory) return kKdfTooCostly;
  return kOk;
}

Result DeriveStrongKeys(const String& password, const uint8_t salt[kStrongSaltSize], const Argon2Cost& cost,
                        StrongKeys* keys, StopQuery stop) {
  if (keys == nullptr || salt == nullptr) return kBadArgument;
  WipedBytes<kMasterKeySize> master;
  Result r = Argon2id(RangeOf(password), ByteRange{salt, kStrongSaltSize}, cost, master.bytes, sizeof master.bytes,
                      ByteRange{nullptr, 0}, ByteRange{nullptr, 0}, stop);
  if (r != kOk) return r;
  const ByteRange input{master.bytes, sizeof master.bytes};
  const ByteRange no_salt{nullptr, 0};
  r = HkdfSha256(no_salt, input, ByteRange{kPayloadKeyInfo, sizeof kPayloadKeyInfo - 1}, keys->payload,
                 sizeof keys->payload);
  if (r == kOk) {
    r = HkdfSha256(no_salt, input, ByteRange{kCheckKeyInfo, sizeof kCheckKeyInfo - 1}, keys->check,
                   sizeof keys->check);
  }
  return r;
}

Result ComputeKeyCheck(const StrongKeys& keys, const ByteRange& header, uint8_t out[kKeyCheckSize]) {
  return HmacSha256(ByteRange{keys.check, sizeof keys.check}, &header, 1, out);
}

}  // namespace mv
