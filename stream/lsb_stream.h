// LsbStream: bytes kept in the least significant bits of a carrier file's
// samples, changed in place with matrix encoding (stream/matrix_code.h), so
// the carrier keeps its size and every byte before its data offset.
//
// One stream serves one carrier layout, a (data offset, unit bits) pair
// from stream/carrier_format.h. It opens at one bit per unit with a buffer
// of one byte, which stores the carrier header; SetGroupBits then picks the
// group size for the payload and buffers of 4 x lcm(8, k) bytes. Each full
// buffer is moved with one read and one write of exactly the units it needs;
// a write never reaches past the end of the carrier, so a carrier that is
// too short fails with kShortRead instead of growing.
//
// Open clears the carrier's read-only flag so it can be updated; Close puts
// back the attributes and the three times that the carrier had at Open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/result.h"
#include "base/string.h"
#include "platform/files.h"
#include "stream/carrier_format.h"
#include "stream/stream.h"
#include "stream/tag_record.h"
#include "stream/tag_value.h"

namespace mv {

class LsbStream : public Stream {
 public:
  explicit LsbStream(const CarrierLayout& layout);
  // Closes an open stream (embedding what is buffered, restoring the
  // carrier's attributes and times).
  ~LsbStream() override;

  // Opens the carrier at path for mode (kWriting or kReading; either way
  // the file is opened for update) and places the stream at the data
  // offset with k = 1 and a 1-byte buffer. The base Open's code when the
  // mode is refused; kFailed when the carrier cannot be opened for update
  // or the seek to the data offset fails.
  Result Open(uint32_t mode, const String& path, StreamContext* context);

  // Embeds a partly filled buffer when writing, closes the carrier and
  // restores its attributes and times, then the base Close. Returns the
  // failure of that last embedding (kOk when there was none).
  Result Close() override;
  // Bytes out of the carrier, buffer by buffer. A carrier that ends before
  // the units of the next buffer fails with kShortRead.
  Result Read(void* buffer, uint32_t length) override;
  // Bytes into the carrier; each full buffer is embedded at once. kShortRead
  // or kShortWrite when the carrier's units cannot be read or written back.
  Result Write(const void* buffer, uint32_t length) override;

  // Chooses the group size for size payload bytes in a carrier of units
  // bytes of capacity (ChooseGroupBits) and empties the buffer. Records and
  // returns kCarrierTooSmall when no group size leaves room for the payload.
  virtual Result SetGroupBits(int64_t units, uint32_t size);

  uint32_t GetGroupBits() const { return k_; }
  uint32_t GetBufferSize() const { return buffer_size_; }

 private:
  // Moves length bytes between the buffer and the units that follow the
  // current carrier position, then advances that position.
  Result EmbedBuffer(uint32_t length);
  Result ExtractBuffer();
  // Reads the units that carry length buffer bytes into units_; their size
  // in bytes goes to *bytes.
  Result LoadUnits(uint32_t length, size_t* bytes);

  const CarrierLayout layout_;
  platform::File file_;
  String path_;
  TagRecord saved_info_;
  bool restore_info_ = false;
  uint32_t k_ = 1;
  uint32_t buffer_size_ = 1;
  TagValue buffer_;
  uint32_t position_ = 0;
  int64_t carrier_position_ = 0;
  // Scratch space for the units of one buffer; grows to the largest need.
  std::unique_ptr<uint8_t[]> units_;
  size_t units_capacity_ = 0;
};

}  // namespace mv
