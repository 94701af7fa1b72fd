#include "base/progress_tracker.h"

#include <cstddef>

namespace mv {
namespace {
// Alternative codes some senders use for the begin and end of a level.
constexpr int32_t kProgressBeginAlias = 200;
constexpr int32_t kProgressEndAlias = 201;
constexpr int32_t kDefaultRange = 100;
}  // namespace

void ProgressTracker::Reach(int32_t level) {
  size_t size = static_cast<size_t>(level) + 1;
  if (range_.size() < size) {
    base_.resize(size, 0);
    span_.resize(size, 0);
    range_.resize(size, 0);
  }
}

Result ProgressTracker::Notify(int32_t code, int32_t value) {
  switch (code) {
    case kProgressBegin:
    case kProgressBeginAlias:
      Reach(depth_);
      range_[depth_] = value != 0 ? value : kDefaultRange;
      if (depth_ == 0) position_ = 0;
      SetPosition(0);
      break;
    case kProgressBeginPhase:
      Reach(depth_);
      span_[depth_] = value;
      base_[depth_] = raw_;
      ++depth_;
      break;
    case kProgressPosition:
      SetPosition(value);
      break;
    case kProgressEndPhase:
      if (depth_ > 0) --depth_;
      break;
    case kProgressEnd:
    case kProgressEndAlias:
    default:
      break;
  }
  return kOk;
}

void ProgressTracker::SetPosition(int32_t value) {
  raw_ = value;
  Reach(depth_);
  int64_t p = value;
  for (int32_t d = depth_; d >= 1; --d) {
    int64_t range = range_[d] != 0 ? range_[d] : kDefaultRange;
    p = base_[d - 1] + p * span_[d - 1] / range;
  }
  position_ = static_cast<int32_t>(p);
}

}  // namespace mv
