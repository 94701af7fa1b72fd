#include "base/progress.h"

namespace mv {

Result NotifyProgress(const ProgressCallback* callback, int32_t code, int32_t value) {
  if (callback == nullptr || callback->function == nullptr) return kOk;
  return callback->function(code, value, callback->word1, callback->word2);
}

uint32_t Percent(uint32_t part, uint32_t total, bool clamp) {
  if (total == 0 && clamp) return 0;
  if (part == total) return 100;
  if (total > 10000 || part > 10000) {
    part /= 100;
    total /= 100;
  }
  if (total == 0) return 100;
  uint32_t result = part * 100 / total;
  return clamp && result >= 100 ? 100 : result;
}

}  // namespace mv
