// MemoryStream: a stream over a byte buffer in memory. Writing appends to
// the buffer; reading takes bytes from its front. It follows the admission
// rules of every stream (direction, sticky error, empty calls) and fails a
// read that asks for more bytes than are left with kShortRead.
//
// The buffer may hold decrypted data, so it is wiped whenever it is
// replaced or the stream is destroyed. Close keeps it, so that the bytes
// written stay available afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "stream/stream.h"

namespace mv {

class MemoryStream : public Stream {
 public:
  MemoryStream() = default;
  ~MemoryStream() override;

  // Opens for writing onto an empty buffer.
  Result OpenWrite(StreamContext* context = nullptr);
  // Opens for reading over a copy of size bytes (bytes may be null when
  // size is 0).
  Result OpenRead(const void* bytes, size_t size, StreamContext* context = nullptr);
  Result OpenRead(const std::vector<uint8_t>& bytes, StreamContext* context = nullptr);

  Result Read(void* buffer, uint32_t length) override;
  Result Write(const void* buffer, uint32_t length) override;

  // The bytes written, or the whole buffer being read.
  const std::vector<uint8_t>& GetData() const { return data_; }
  // Bytes not yet read.
  size_t GetRemaining() const { return data_.size() - position_; }

 private:
  void WipeData();

  std::vector<uint8_t> data_;
  size_t position_ = 0;
};

}  // namespace mv
