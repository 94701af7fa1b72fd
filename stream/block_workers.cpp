#include "stream/block_workers.h"

#include <algorithm>

namespace mv {
namespace {

// Slots per worker: one being worked on and one finished or waiting, so
// that neither side waits for the other as long as both keep pace.
constexpr unsigned kSlotsPerWorker = 2;

}  // namespace

BlockWorkers::~BlockWorkers() { Stop(); }

bool BlockWorkers::Start(unsigned count, void (BlockWorkers::*loop)()) {
  slots_.resize(std::max(count, 1u) * kSlotsPerWorker);
  for (unsigned i = 0; i < std::max(count, 1u); ++i) {
    try {
      threads_.emplace_back(loop, this);
    } catch (...) {
      // No more threads to be had: work with those there are.
      break;
    }
  }
  if (threads_.empty()) slots_.clear();
  return IsRunning();
}

bool BlockWorkers::StartReading(Stream* inner, uint32_t setting, unsigned count) {
  if (inner == nullptr) return false;
  Stop();
  inner_ = inner;
  setting_ = setting;
  return Start(count, &BlockWorkers::ReadLoop);
}

bool BlockWorkers::StartWriting(uint32_t setting, unsigned count) {
  Stop();
  setting_ = setting;
  return Start(count, &BlockWorkers::WriteLoop);
}

void BlockWorkers::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
  // Destroying the frames wipes their buffers.
  slots_.clear();
  inner_ = nullptr;
  next_fill_ = next_work_ = next_take_ = 0;
  inner_busy_ = inner_ended_ = stopping_ = false;
  ended_result_ = kOk;
}

void BlockWorkers::ReadLoop() {
  Inflater inflater;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] {
      return stopping_ ||
             (!inner_busy_ && !inner_ended_ && SlotOf(next_fill_).state == SlotState::kFree);
    });
    if (stopping_) return;
    Slot& slot = SlotOf(next_fill_++);
    slot.state = SlotState::kFilling;
    inner_busy_ = true;
    lock.unlock();
    Result result = ReadFrame(*inner_, slot.frame);
    lock.lock();
    inner_busy_ = false;
    // The next frame's place in the stream is known now: another worker
    // may read it while this one inflates.
    if (result != kOk) {
      inner_ended_ = true;
      ended_result_ = result;
    }
    changed_.notify_all();
    if (result == kOk) {
      lock.unlock();
      result = UnpackFrame(slot.frame, setting_, inflater);
      lock.lock();
      if (result != kOk && !inner_ended_) {
        inner_ended_ = true;
        ended_result_ = result;
      }
    }
    slot.frame.result = result;
    slot.state = SlotState::kDone;
    changed_.notify_all();
  }
}

Result BlockWorkers::TakeBlock(TagValue& plain, uint32_t* length) {
  Slot* slot = nullptr;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] {
      return SlotOf(next_take_).state == SlotState::kDone || (inner_ended_ && next_take_ >= next_fill_);
    });
    // Asked again after the failing block was handed out: there is no
    // more, and that is what a reader on its own would keep answering.
    if (SlotOf(next_take_).state != SlotState::kDone) return ended_result_;
    slot = &SlotOf(next_take_);
  }
  // A finished slot belongs to this thread until it is freed.
  Result result = slot->frame.result;
  if (result == kOk) {
    plain.Swap(slot->frame.plain);
    *length = slot->frame.plain_length;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    slot->state = SlotState::kFree;
    ++next_take_;
  }
  changed_.notify_all();
  return result;
}

void BlockWorkers::WriteLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || next_work_ < next_fill_; });
    if (stopping_) return;
    Slot& slot = SlotOf(next_work_++);
    slot.state = SlotState::kWorking;
    lock.unlock();
    PackBlock(slot.frame, setting_);
    lock.lock();
    slot.state = SlotState::kDone;
    changed_.notify_all();
  }
}

Result BlockWorkers::EmitOldest(const Emit& emit) {
  Slot* slot = nullptr;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return SlotOf(next_take_).state == SlotState::kDone; });
    slot = &SlotOf(next_take_);
  }
  Result result = emit(slot->frame);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    slot->state = SlotState::kFree;
    ++next_take_;
  }
  return result;
}

Result BlockWorkers::PutBlock(TagValue& plain, uint32_t length, const Emit& emit) {
  while (next_take_ + slots_.size() <= next_fill_) {
    Result result = EmitOldest(emit);
    if (result != kOk) return result;
  }
  // Only this thread hands blocks over, so the slot stays free meanwhile.
  Slot& slot = SlotOf(next_fill_);
  slot.frame.plain.Swap(plain);
  slot.frame.plain_length = length;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    slot.state = SlotState::kQueued;
    ++next_fill_;
  }
  changed_.notify_all();
  return kOk;
}

Result BlockWorkers::Finish(const Emit& emit) {
  while (next_take_ < next_fill_) {
    Result result = EmitOldest(emit);
    if (result != kOk) return result;
  }
  return kOk;
}

}  // namespace mv
