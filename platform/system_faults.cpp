#include "platform/system_faults.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <vector>

namespace mv::platform {
namespace {

struct RuleState {
  FaultRule rule;
  uint32_t seen = 0;  // calls of the rule's kind so far
};

struct Installed {
  std::mutex mutex;
  std::vector<RuleState> rules;
  uint32_t failed = 0;
};

std::atomic<Installed*> g_installed{nullptr};

}  // namespace

InjectedFaults::InjectedFaults(std::initializer_list<FaultRule> rules) {
  auto* installed = new Installed;
  for (const FaultRule& rule : rules) installed->rules.push_back(RuleState{rule});
  delete g_installed.exchange(installed, std::memory_order_acq_rel);
}

InjectedFaults::~InjectedFaults() { delete g_installed.exchange(nullptr, std::memory_order_acq_rel); }

uint32_t InjectedFaults::FailedCalls() const {
  Installed* installed = g_installed.load(std::memory_order_acquire);
  if (installed == nullptr) return 0;
  std::lock_guard<std::mutex> lock(installed->mutex);
  return installed->failed;
}

Fault NextFault(SystemCall call) {
  Installed* installed = g_installed.load(std::memory_order_acquire);
  if (installed == nullptr) return Fault::kNone;
  std::lock_guard<std::mutex> lock(installed->mutex);
  // Every rule of the kind counts the call; the first that answers wins.
  Fault fault = Fault::kNone;
  for (RuleState& state : installed->rules) {
    if (state.rule.call != call) continue;
    const uint32_t index = state.seen++;
    if (fault != Fault::kNone || index < state.rule.pass_first || index - state.rule.pass_first >= state.rule.times) {
      continue;
    }
    fault = state.rule.fault;
  }
  if (fault != Fault::kNone) ++installed->failed;
  return fault;
}

int ErrnoOf(Fault fault) {
  switch (fault) {
    case Fault::kDiskFull:
      return ENOSPC;
    case Fault::kNoPermission:
      return EACCES;
    case Fault::kVanished:
      return ENOENT;
    case Fault::kIoError:
      return EIO;
    case Fault::kNone:
    case Fault::kShortWrite:
    case Fault::kMemoryFileSystem:
      break;
  }
  return 0;
}

}  // namespace mv::platform
