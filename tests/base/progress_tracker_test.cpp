// Folding of nested progress reports into one overall position.
#include "base/progress_tracker.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

struct Step {
  int32_t code, value, position;
};

void Feed(ProgressTracker& tracker, std::initializer_list<Step> steps) {
  int n = 0;
  for (const Step& s : steps) {
    tracker.Notify(s.code, s.value);
    EXPECT_EQ(tracker.GetPosition(), s.position) << "step " << n << " code " << s.code;
    ++n;
  }
}

TEST(ProgressTrackerTest, NestedPhasesAsTheDecryptionDrivesThem) {
  ProgressTracker tracker;
  Feed(tracker, {
                   {kProgressBegin, 100, 0},
                   {kProgressBeginPhase, 100, 0},
                   {kProgressBegin, 100, 0},
                   {kProgressBeginPhase, 80, 0},
                   {kProgressBegin, 100, 0},
                   {kProgressPosition, 50, 40},
                   {kProgressEndPhase, 0, 40},
                   {kProgressPosition, 80, 80},
                   {kProgressBeginPhase, 20, 80},
                   {kProgressBegin, 100, 80},
                   {kProgressPosition, 50, 90},
                   {kProgressEnd, 0, 90},
                   {kProgressEndPhase, 0, 90},
                   {kProgressEndPhase, 0, 90},
               });
  EXPECT_EQ(tracker.GetDepth(), 0);
}

TEST(ProgressTrackerTest, Rules) {
  ProgressTracker tracker;
  Feed(tracker, {
                   {kProgressPosition, 30, 30},     // no level begun: range 100
                   {kProgressBegin, 0, 0},          // 0 means a range of 100
                   {kProgressPosition, 42, 42},     // without phases: as reported
                   {kProgressEnd, 0, 42},           // end keeps the position
                   {kProgressStatusText, 7, 42},    // text: no effect
                   {kProgressBegin, 100, 0},        // a new begin at depth 0 restarts
                   {kProgressEndPhase, 0, 0},       // at depth 0: ignored
                   {kProgressBeginPhase, 50, 0},
                   {kProgressBegin, 1000, 0},       // inner range 1000
                   {kProgressPosition, 500, 25},
                   {kProgressBegin, 0, 0},          // a begin inside a phase moves to its start
               });
  EXPECT_EQ(tracker.GetDepth(), 1);
}

}  // namespace
}  // namespace mv
