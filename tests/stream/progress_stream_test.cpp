// Percent, the progress stream's notifications and the scope helper.
#include "stream/progress_stream.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "stream/memory_stream.h"

namespace mv {
namespace {

TEST(PercentTest, Rules) {
  struct Case {
    uint32_t part, total;
    bool clamp;
    uint32_t percent;
  } cases[] = {
      {20000, 40000, true, 50},     // both scaled down by 100
      {5, 0, true, 0},              // unknown total
      {0, 0, false, 100},           // whole, even of nothing
      {150, 100, false, 150},       // not clamped
      {1, 3, true, 33},             // truncated
      {20000, 50, true, 100},       // total scaled to 0
      {4000000000u, 4200000000u, true, 95},  // no 32-bit overflow
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Percent(c.part, c.total, c.clamp), c.percent) << c.part << "/" << c.total;
  }
}

struct Recorder {
  std::vector<std::pair<int32_t, int32_t>> calls;
  Result answer_to_position = kOk;

  static Result Receive(int32_t code, int32_t value, uintptr_t word1, uintptr_t word2) {
    auto* self = reinterpret_cast<Recorder*>(word1);
    EXPECT_EQ(word2, 77u);
    self->calls.emplace_back(code, value);
    return code == kProgressPosition ? self->answer_to_position : kOk;
  }
  ProgressCallback Callback() {
    return ProgressCallback{&Receive, reinterpret_cast<uintptr_t>(this), 77};
  }
};

using Calls = std::vector<std::pair<int32_t, int32_t>>;

// Percent of the expected total; a cancel answer stops the pipeline for good.
TEST(ProgressStreamTest, ReportsPercentOfExpectedTotalUntilACancel) {
  for (Result answer : {kOk, kCancelled}) {
    Recorder recorder;
    recorder.answer_to_position = answer;
    ProgressCallback callback = recorder.Callback();
    StreamContext context;
    context.progress = &callback;
    context.expected_total = 40;
    MemoryStream sink;
    sink.OpenWrite(&context);
    ProgressStream progress;
    ASSERT_EQ(progress.Open(&sink), kOk);
    uint8_t bytes[20] = {};
    EXPECT_EQ(progress.Write(bytes, 10), answer);
    EXPECT_EQ(progress.Write(bytes, 20), answer);
    EXPECT_EQ(progress.Write(bytes, 20), answer);
    progress.Close();
    progress.Close();  // no second end
    EXPECT_EQ(sink.GetData().size(), answer == kOk ? 50u : 10u) << "nothing moves after the cancel";
    if (answer == kOk) {
      EXPECT_EQ(recorder.calls, (Calls{{kProgressBegin, 100},
                                       {kProgressPosition, 25},
                                       {kProgressPosition, 75},
                                       {kProgressPosition, 100},
                                       {kProgressEnd, 0}}));
    }
  }
}

}  // namespace
}  // namespace mv
