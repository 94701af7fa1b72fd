// BlockWorkers: threads that unpack or pack the blocks of one compression
// stream while the stream's own thread moves the bytes, in stream order.
//
// Reading: the workers take frames from the inner stream one after the
// other (one worker at a time touches it, so it is read, and deciphered, in
// order as it would be by one thread) into a ring of slots and inflate them
// side by side; TakeBlock hands the plain blocks out in order. They read at
// most one ring ahead of the consumer and stop reading at the first frame
// that fails; that frame's code is handed out in its turn, so the consumer
// sees exactly the code and the position a reader on its own would see.
// Frames read ahead past the end of the data are never handed out.
//
// Writing: PutBlock hands a plain block to the workers, which deflate
// blocks side by side; the finished frames are written in order through the
// caller's emit function on the caller's thread (the inner stream is only
// ever touched there). Each block is deflated on its own, so the frames are
// byte for byte those of a writer on its own.
//
// Stop (and the destructor) ends and joins every worker on every path; the
// slots' buffers hold plain package data and are wiped when released.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "base/result.h"
#include "stream/block_codec.h"
#include "stream/stream.h"
#include "stream/tag_value.h"

namespace mv {

class BlockWorkers {
 public:
  // Writes one finished frame to the inner stream; returns its result.
  using Emit = std::function<Result(const BlockFrame&)>;

  BlockWorkers() = default;
  ~BlockWorkers();
  BlockWorkers(const BlockWorkers&) = delete;
  BlockWorkers& operator=(const BlockWorkers&) = delete;

  // Start count workers (at least one; fewer when the system refuses
  // threads) over inner for reading, or for writing. False when not even
  // one could be started: the caller then does the work itself.
  bool StartReading(Stream* inner, uint32_t setting, unsigned count);
  bool StartWriting(uint32_t setting, unsigned count);
  bool IsRunning() const { return !threads_.empty(); }

  // Reading: waits for the next block in order and swaps its plain bytes
  // into plain (which gives the slot its old buffer back), *length its
  // valid bytes. Returns the block's code (kOk, or the failure reading or
  // unpacking its frame gave).
  Result TakeBlock(TagValue& plain, uint32_t* length);

  // Writing: hands over length bytes of plain (swapped into a slot; plain
  // receives a spare buffer, possibly without storage). When every slot is
  // taken, first writes the oldest frames through emit. Returns the first
  // failure of emit, kOk otherwise.
  Result PutBlock(TagValue& plain, uint32_t length, const Emit& emit);
  // Writing: writes every outstanding frame in order through emit; the
  // first failure of emit ends it and is returned.
  Result Finish(const Emit& emit);

  // Ends and joins every worker, drops the blocks still in the ring and
  // wipes the slots. The object can be started again.
  void Stop();

 private:
  enum class SlotState { kFree, kFilling, kQueued, kWorking, kDone };
  struct Slot {
    BlockFrame frame;
    SlotState state = SlotState::kFree;
  };

  bool Start(unsigned count, void (BlockWorkers::*loop)());
  Slot& SlotOf(uint64_t sequence) { return slots_[sequence % slots_.size()]; }
  void ReadLoop();
  void WriteLoop();
  // Waits for the oldest outstanding frame, writes it through emit and
  // frees its slot.
  Result EmitOldest(const Emit& emit);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;
  std::vector<std::thread> threads_;
  Stream* inner_ = nullptr;
  uint32_t setting_ = 0;
  uint64_t next_fill_ = 0;  // next frame to read, or next block handed over
  uint64_t next_work_ = 0;  // writing: next handed-over block a worker takes
  uint64_t next_take_ = 0;  // next block handed out (reading) or written (writing)
  bool inner_busy_ = false;  // a worker is reading from inner
  bool inner_ended_ = false; // a frame failed: nothing more is read
  bool stopping_ = false;
  Result ended_result_ = kOk;  // the code of the frame that ended reading
};

}  // namespace mv
