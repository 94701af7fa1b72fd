// Taking a fuzz input apart: control bytes first, the rest as data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mv::fuzz {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // The next byte, 0 once the input is used up.
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  // The next four bytes, little-endian, missing ones as 0.
  uint32_t Word() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= uint32_t{Byte()} << (8 * i);
    return value;
  }
  // The next n bytes or as many as are left.
  std::vector<uint8_t> Bytes(size_t n) {
    const size_t take = n < size_ - at_ ? n : size_ - at_;
    std::vector<uint8_t> out(data_ + at_, data_ + at_ + take);
    at_ += take;
    return out;
  }
  std::vector<uint8_t> Rest() { return Bytes(size_ - at_); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace mv::fuzz
