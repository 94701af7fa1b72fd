// Progress reporting: the callback record, the notify rule, the percentage
// helper, and the scope helpers that senders use around a phase.
//
// The progress protocol (codes in base/result.h):
//   kProgressBegin (100)      begins the current level with a range (value);
//   kProgressBeginPhase (101) opens a nested phase covering value units of
//                             the parent's range;
//   kProgressPosition (102)   a position inside the current level's range;
//   kProgressStatusText (103) status text for the display;
//   kProgressEndPhase (104)   closes the nested phase;
//   kProgressEnd (105)        ends the current level.
// A non-zero result of a notification stops the sender: the progress window
// answers a position report with kCancelled when the user asked to cancel.
#pragma once

#include <cstdint>

#include "base/result.h"

namespace mv {

using ProgressFunction = Result (*)(int32_t code, int32_t value, uintptr_t word1,
                                    uintptr_t word2);

// Three words, copied by value into every ProgressStream.
struct ProgressCallback {
  ProgressFunction function = nullptr;
  uintptr_t word1 = 0;  // caller data, handed back unchanged
  uintptr_t word2 = 0;
};

// The notify rule: kOk when callback or its function is null, otherwise the
// function's result.
Result NotifyProgress(const ProgressCallback* callback, int32_t code, int32_t value);

// part * 100 / total in unsigned 32-bit arithmetic; when either number
// exceeds 10000 both are divided by 100 first. part == total gives 100.
// With clamp set, a zero total gives 0 and results above 100 give 100.
// A zero divisor otherwise (total 0 without clamp, or a total that the
// down-scaling made 0) gives 100.
uint32_t Percent(uint32_t part, uint32_t total, bool clamp);

// Sends the protocol's notifications for one phase of work on behalf of a
// sender that holds a callback pointer (null sends nothing and returns kOk).
class ProgressScope {
 public:
  explicit ProgressScope(const ProgressCallback* callback) : callback_(callback) {}

  Result Begin(int32_t range) const { return Send(kProgressBegin, range); }
  Result Begin() const { return Send(kProgressBegin, 100); }
  Result BeginPhase(int32_t span) const { return Send(kProgressBeginPhase, span); }
  Result ReportPercent(int32_t percent) const { return Send(kProgressPosition, percent); }
  Result EndPhase() const { return Send(kProgressEndPhase, 0); }
  Result End() const { return Send(kProgressEnd, 0); }

 private:
  Result Send(int32_t code, int32_t value) const {
    return NotifyProgress(callback_, code, value);
  }

  const ProgressCallback* callback_;
};

// A ProgressScope whose level begins with a range of 100 when it is made
// and ends when it goes, on every way out of the operation that owns it.
class ProgressRange : public ProgressScope {
 public:
  explicit ProgressRange(const ProgressCallback* callback) : ProgressScope(callback) { Begin(); }
  ~ProgressRange() { End(); }
  ProgressRange(const ProgressRange&) = delete;
  ProgressRange& operator=(const ProgressRange&) = delete;
};

}  // namespace mv
