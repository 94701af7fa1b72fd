// CarrierStream: the bottom layer of a container hidden in a carrier file
// (an uncompressed BMP or WAV, stream/carrier_format.h), in the place a
// FileStream takes for an ordinary container. It stores the bytes of the
// layers above in the carrier's least significant bits through the
// LsbStream of the carrier's format.
//
// Carrier layout after the data offset, at one bit per unit: a 24-byte
// carrier header (the 8-byte salt, the payload size sealed with the password
// and Blowfish under the salt, and a sealed 0 as check value), then the
// payload with matrix encoding at the largest group size that leaves room.
// Reader and writer find the same group size because the carrier's size
// does not change and the payload size is in the carrier header.
//
// The carrier-header record handed to Open (tags below) tells the payload
// size and salt when writing, and receives them when reading.
#pragma once

#include <cstdint>
#include <memory>

#include "base/result.h"
#include "base/string.h"
#include "stream/lsb_stream.h"
#include "stream/stream.h"
#include "stream/tag_record.h"

namespace mv {

// Tags of the carrier-header record.
inline constexpr uint16_t kCarrierTagPayloadSize = 100;  // kTypeU32
inline constexpr uint16_t kCarrierTagSalt = 200;         // kTypeBlob of 8 bytes
// kTypeU8; non-zero: no carrier header in the carrier, the payload size
// comes from the record alone.
inline constexpr uint16_t kCarrierTagStored = 300;

// Bytes of the carrier header before the payload.
inline constexpr uint32_t kCarrierHeaderSize = 24;

class CarrierStream : public Stream {
 public:
  CarrierStream() = default;
  ~CarrierStream() override;

  // Opens the carrier at path, of the given format code, for mode.
  // Writing stores the carrier header built from header's payload size and
  // salt; reading fills header's payload size and salt from the carrier.
  // A failed Open leaves the stream closed and the carrier's attributes and
  // times as they were; a payload that does not fit is refused before the
  // carrier is touched. Results:
  //   kNotAContainer   the format is not an accepted carrier format
  //   kCarrierTooSmall writing: the capacity is below the payload + 24, or
  //                    no group size leaves room for the payload
  //   kNoHiddenData    reading: the sealed size exceeds the capacity or the
  //                    check value is not 0 (wrong password, nothing hidden)
  //   kBadVector       writing: the salt is not an 8-byte blob
  //   kFailed          the carrier cannot be opened for update
  //   the base Open's code for a refused mode; kShortRead/kShortWrite when
  //   the carrier header cannot be moved.
  Result Open(uint32_t mode, const String& path, uint32_t format, const String& password,
              TagRecord& header, StreamContext* context);

  // Closes the format's LsbStream (embedding its last buffer and restoring
  // the carrier's attributes and times), then the base Close. Returns that
  // LsbStream's Close result.
  Result Close() override;
  // Payload bytes through the LsbStream. Moving more than the payload size
  // since Open fails with kPayloadOverrun before anything is moved.
  Result Read(void* buffer, uint32_t length) override;
  Result Write(const void* buffer, uint32_t length) override;

  uint32_t GetFormat() const { return format_; }
  uint32_t GetPayloadSize() const { return payload_size_; }
  // The LsbStream in use; null while closed.
  const LsbStream* GetActive() const { return active_.get(); }

 private:
  // The steps that follow a successful opening of the wrapper.
  Result ReadCarrierHeader(uint32_t capacity, const String& password, TagRecord& header);
  Result WriteCarrierHeader(const String& password, const TagRecord& header);
  // Reads length carrier-header bytes into blob.
  Result ReadHeaderBytes(TagValue& blob, uint32_t length);
  // Closes the stream and returns code.
  Result Fail(Result code);
  // After an admitted transfer of length bytes: kPayloadOverrun (sticky)
  // when the payload size is now exceeded.
  Result CheckPayloadRoom(uint32_t length);

  uint32_t format_ = kCarrierNone;
  uint32_t payload_size_ = 0;
  // The LsbStream of the open carrier's format; null while closed.
  std::unique_ptr<LsbStream> active_;
};

}  // namespace mv
