#include "container/carrier_stream.h"

#include "crypto/block_cipher.h"
#include "crypto/seal_length.h"
#include "stream/tag_value.h"

namespace mv {
namespace {

// The salt, the sealed payload size and the sealed check value.
constexpr uint32_t kHeaderFieldSize = 8;
// The carrier header is always sealed with Blowfish, whose block is 8 bytes.
constexpr CipherId kCarrierHeaderCipher = kCipherBlowfish;

}  // namespace

CarrierStream::~CarrierStream() {
  if (GetMode() != kClosed) CarrierStream::Close();
}

Result CarrierStream::Open(uint32_t mode, const String& path, uint32_t format,
                           const String& password, TagRecord& header, StreamContext* context) {
  CarrierLayout layout;
  if (!IsAcceptedCarrier(format) || !GetCarrierLayout(format, &layout)) return kNotAContainer;
  const bool stored = header.GetU8(kCarrierTagStored, 0) != 0;
  const uint32_t requested = header.GetU32(kCarrierTagPayloadSize, 0);
  const uint32_t header_size = stored ? 0 : kCarrierHeaderSize;

  const Result opened = Stream::Open(mode, context);
  if (opened != kOk) return Fail(opened);
  format_ = format;
  payload_size_ = 0;
  if (GetMode() == kClosed) return kOk;
  // The carrier's attributes and times are taken before anything reads it,
  // so that Close puts back what the caller had.
  auto wrapper = std::make_unique<LsbStream>(layout);
  const Result wrapped = wrapper->Open(mode, path, context);
  if (wrapped != kOk) return Fail(wrapped);
  active_ = std::move(wrapper);

  const uint32_t capacity = CarrierCapacity(path);
  // Units of capacity left for the payload once the carrier header is in.
  const int64_t units = int64_t{capacity} - header_size;
  // A writer learns before changing the carrier whether the payload fits,
  // including the reserve of one buffer that the group size needs.
  if (IsWriting() && (capacity < uint64_t{requested} + header_size ||
                      ChooseGroupBits(units, requested) == 0)) {
    return Fail(kCarrierTooSmall);
  }

  if (stored) {
    payload_size_ = requested;
  } else {
    const Result moved = IsReading() ? ReadCarrierHeader(capacity, password, header)
                                     : WriteCarrierHeader(password, header);
    if (moved != kOk) return Fail(moved);
  }
  const Result grouped = active_->SetGroupBits(units, payload_size_);
  if (grouped != kOk) return Fail(grouped);
  return kOk;
}

Result CarrierStream::ReadHeaderBytes(TagValue& blob, uint32_t length) {
  blob.SetBlobSize(length);
  if (blob.GetBytes() == nullptr) return kOutOfMemory;
  return active_->Read(blob.GetBytes(), length);
}

Result CarrierStream::ReadCarrierHeader(uint32_t capacity, const String& password,
                                        TagRecord& header) {
  TagValue salt;
  Result result = ReadHeaderBytes(salt, kHeaderFieldSize);
  if (result != kOk) return result;
  header.Set(kCarrierTagSalt, salt, true);

  TagValue sealed;
  result = ReadHeaderBytes(sealed, kHeaderFieldSize);
  if (result != kOk) return result;
  uint32_t size = 0;
  // A failed unsealing reads as a wrong password, like any other garbage.
  if (UnsealLength(sealed, password, kCarrierHeaderCipher, &salt, size) != kOk) {
    return kNoHiddenData;
  }
  if (capacity < size) return kNoHiddenData;
  header.SetU32(kCarrierTagPayloadSize, size, true);

  result = ReadHeaderBytes(sealed, kHeaderFieldSize);
  if (result != kOk) return result;
  uint32_t check = 0;
  if (UnsealLength(sealed, password, kCarrierHeaderCipher, &salt, check) != kOk || check != 0) {
    return kNoHiddenData;
  }
  payload_size_ = size;
  return kOk;
}

Result CarrierStream::WriteCarrierHeader(const String& password, const TagRecord& header) {
  TagValue salt;
  header.Get(salt, kCarrierTagSalt);
  if (salt.GetType() != kTypeBlob || salt.GetLength() != kHeaderFieldSize) return kBadVector;
  payload_size_ = header.GetU32(kCarrierTagPayloadSize, 0);
  Result result = active_->Write(salt.GetBytes(), kHeaderFieldSize);
  for (const uint32_t value : {payload_size_, uint32_t{0}}) {
    if (result != kOk) return result;
    TagValue sealed;
    result = SealLength(value, password, kCarrierHeaderCipher, &salt, sealed);
    if (result != kOk) return result;
    if (sealed.GetLength() != kHeaderFieldSize) return kCipherFailed;
    result = active_->Write(sealed.GetBytes(), kHeaderFieldSize);
  }
  return result;
}

Result CarrierStream::Fail(Result code) {
  Close();
  return code;
}

Result CarrierStream::Close() {
  const Result result = active_ != nullptr ? active_->Close() : kOk;
  active_.reset();
  Stream::Close();
  return result;
}

Result CarrierStream::CheckPayloadRoom(uint32_t length) {
  if (active_ == nullptr) return RecordError(kNotOpen);
  // A count below length has wrapped past 4 GiB.
  if (GetCount() > payload_size_ || GetCount() < length) return RecordError(kPayloadOverrun);
  return kOk;
}

Result CarrierStream::Read(void* buffer, uint32_t length) {
  const Result admitted = Stream::Read(buffer, length);
  if (admitted != kOk) return admitted;
  const Result room = CheckPayloadRoom(length);
  if (room != kOk) return room;
  return RecordError(active_->Read(buffer, length));
}

Result CarrierStream::Write(const void* buffer, uint32_t length) {
  const Result admitted = Stream::Write(buffer, length);
  if (admitted != kOk) return admitted;
  const Result room = CheckPayloadRoom(length);
  if (room != kOk) return room;
  return RecordError(active_->Write(buffer, length));
}

}  // namespace mv
