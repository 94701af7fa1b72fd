// ProgressTracker: folds the nested reports of the progress protocol (see
// base/progress.h) into one overall position in the units of the
// outermost range, so that a progress bar can show the whole operation
// although every layer reports 0 to 100 for its own part.
//
// Level d has a range (the value of its last begin; 0 means 100). A phase
// opened on level d covers span[d] units of level d's range starting at
// base[d], the raw position reported on level d when the phase began. A
// position report v on the innermost level is folded outward:
//   p := v; for d = depth .. 1: p := base[d-1] + p * span[d-1] / range[d]
// Because a phase's base is the last raw report, a sender reports the outer
// level's position before it begins its next phase.
#pragma once

#include <cstdint>
#include <vector>

#include "base/result.h"

namespace mv {

class ProgressTracker {
 public:
  ProgressTracker() = default;

  // Takes one notification. Begin (100, or 200) sets the current level's
  // range and, at depth 0, restarts the position at 0; begin-phase (101)
  // opens a nested level; position (102) folds the value into the overall
  // position; end-phase (104) closes a level (ignored at depth 0); end
  // (105, or 201) and all other codes change nothing. Always kOk.
  Result Notify(int32_t code, int32_t value);

  int32_t GetPosition() const { return position_; }
  int32_t GetDepth() const { return depth_; }

 private:
  void SetPosition(int32_t value);
  // Grows the lists so that level is a valid index.
  void Reach(int32_t level);

  int32_t position_ = 0;
  int32_t depth_ = 0;
  int32_t raw_ = 0;
  std::vector<int32_t> base_;
  std::vector<int32_t> span_;
  std::vector<int32_t> range_;
};

}  // namespace mv
