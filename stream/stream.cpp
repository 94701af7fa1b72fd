#include "stream/stream.h"

#include <cstring>

namespace mv {
namespace {

// Little-endian encoding independent of the host's byte order.
void PutLittleEndian(uint8_t* out, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetLittleEndian(const uint8_t* in, int width) {
  uint64_t value = 0;
  for (int i = 0; i < width; ++i) value |= static_cast<uint64_t>(in[i]) << (8 * i);
  return value;
}

}  // namespace

Result Stream::Open(uint32_t mode, StreamContext* context) {
  if (mode_ != kClosed) Close();
  error_ = kOk;
  count_ = 0;
  cut_texts_ = 0;
  if (mode == kWriting || mode == kReading) mode_ = mode;
  context_ = context;
  return mode_ == mode ? kOk : kWrongDirection;
}

Result Stream::Close() {
  mode_ = kClosed;
  error_ = kOk;
  return kOk;
}

Result Stream::Read(void* buffer, uint32_t length) {
  if (!IsReading()) {
    error_ = kWrongDirection;
    return kWrongDirection;
  }
  if (error_ != kOk || buffer == nullptr || length == 0) return kBadArgument;
  count_ += length;
  return kOk;
}

Result Stream::Write(const void* buffer, uint32_t length) {
  if (!IsWriting()) {
    error_ = kWrongDirection;
    return kWrongDirection;
  }
  if (error_ != kOk || buffer == nullptr || length == 0) return kBadArgument;
  count_ += length;
  return kOk;
}

uint32_t Stream::GetMode() const { return mode_; }
bool Stream::IsReading() const { return GetMode() == kReading; }
bool Stream::IsWriting() const { return GetMode() == kWriting; }

Result Stream::Skip(uint32_t length) {
  if (!IsWriting()) {
    error_ = kWrongDirection;
    return kWrongDirection;
  }
  if (error_ == kOk) count_ += length;
  return error_;
}

Result Stream::RecordError(Result code) {
  if (error_ == kOk) error_ = code;
  return error_;
}

bool Stream::IsMeasureOnly() const {
  return context_ != nullptr && context_->measure_only == 1;
}

Result Stream::ReadU8(uint8_t& out) {
  uint8_t byte = 0;
  Result r = Read(&byte, 1);
  out = r == kOk ? byte : 0;
  return r;
}

Result Stream::ReadU16(uint16_t& out) {
  uint8_t bytes[2] = {};
  Result r = Read(bytes, 2);
  out = r == kOk ? static_cast<uint16_t>(GetLittleEndian(bytes, 2)) : 0;
  return r;
}

Result Stream::ReadU32(uint32_t& out) {
  uint8_t bytes[4] = {};
  Result r = Read(bytes, 4);
  out = r == kOk ? static_cast<uint32_t>(GetLittleEndian(bytes, 4)) : 0;
  return r;
}

Result Stream::ReadU64(uint64_t& out) {
  uint8_t bytes[8] = {};
  Result r = Read(bytes, 8);
  out = r == kOk ? GetLittleEndian(bytes, 8) : 0;
  return r;
}

Result Stream::ReadDouble(double& out) {
  uint64_t bits = 0;
  Result r = ReadU64(bits);
  std::memcpy(&out, &bits, sizeof out);
  return r;
}

Result Stream::WriteU8(uint8_t value) { return Write(&value, 1); }

Result Stream::WriteU16(uint16_t value) {
  uint8_t bytes[2];
  PutLittleEndian(bytes, value, 2);
  return Write(bytes, 2);
}

Result Stream::WriteU32(uint32_t value) {
  uint8_t bytes[4];
  PutLittleEndian(bytes, value, 4);
  return Write(bytes, 4);
}

Result Stream::WriteU64(uint64_t value) {
  uint8_t bytes[8];
  PutLittleEndian(bytes, value, 8);
  return Write(bytes, 8);
}

Result Stream::WriteU64(uint32_t low, uint32_t high) {
  return WriteU64(static_cast<uint64_t>(high) << 32 | low);
}

Result Stream::WriteDouble(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return WriteU64(bits);
}

Result Stream::WriteString(const String& text) { return WriteString(text.c_str()); }

Result Stream::WriteString(const char* text) {
  if (text == nullptr) text = "";
  uint32_t n = static_cast<uint32_t>(std::strlen(text));
  if (n < 255) {
    WriteU8(static_cast<uint8_t>(n));
  } else {
    WriteU8(255);
    WriteU32(n);
  }
  Write(text, n);
  return error_;
}

Result Stream::ReadString(String& out) {
  out.Empty();
  uint8_t short_length = 0;
  uint32_t length = 0;
  if (ReadU8(short_length) != kOk) return error_;
  if (short_length != 255) {
    length = short_length;
  } else if (ReadU32(length) != kOk) {
    return error_;
  }
  if (length == 0) return error_;
  if (length > kMaxStringLength) return RecordError(kMalformedRecord);
  char* buffer = out.GetBuffer(static_cast<int32_t>(length));
  if (buffer == nullptr) return RecordError(kOutOfMemory);
  Result r = Read(buffer, length);
  buffer[r == kOk ? length : 0] = '\0';
  if (r == kOk && std::memchr(buffer, '\0', length) != nullptr) ++cut_texts_;
  out.ReleaseBuffer();
  if (r != kOk) out.Empty();
  return error_;
}

}  // namespace mv
