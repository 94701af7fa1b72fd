#include "crypto/sha1_context.h"

namespace mv {

Result Sha1Init(Sha1Context& context) { return context.engine.Start(); }

void Sha1Update(Sha1Context& context, const void* bytes, size_t length) {
  context.engine.Add(bytes, length);
}

Result Sha1Final(uint8_t digest[kSha1DigestSize], Sha1Context& context) {
  return context.engine.Finish(digest);
}

}  // namespace mv
