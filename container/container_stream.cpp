#include "container/container_stream.h"

#include "container/container_format.h"
#include "container/random_pool.h"
#include "stream/carrier_format.h"

namespace mv {
namespace {

constexpr uint32_t kVectorSize = 16;

}  // namespace

Result ContainerPipeline::Read(void* buffer, uint32_t length) {
  Result r = Stream::Read(buffer, length);
  if (r != kOk) return r;
  return RecordError(progress_.Read(buffer, length));
}

Result ContainerPipeline::Write(const void* buffer, uint32_t length) {
  Result r = Stream::Write(buffer, length);
  if (r != kOk) return r;
  return RecordError(progress_.Write(buffer, length));
}

Result ContainerPipeline::OpenLayers(Stream* bottom, const String& password, const TagValue* vector, CipherId id,
                                     uint32_t compression) {
  Result r = crypt_.Open(bottom, password, vector, id, compression);
  if (r != kOk) return r;
  if (crypt_.GetError() != kOk) return crypt_.GetError();
  r = progress_.Open(&crypt_);
  if (r != kOk) return r;
  // A refused begin notification (a cancel already requested) stops here.
  return progress_.GetError();
}

Result ContainerPipeline::CloseLayers() {
  Result first = kOk;
  auto keep = [&first](Result r) {
    if (first == kOk) first = r;
  };
  if (progress_.GetMode() != kClosed) keep(progress_.Close());
  if (crypt_.GetMode() != kClosed) keep(crypt_.Close());
  return first;
}

Result ContainerStream::Open(uint32_t mode, const String& path, const String& password, TagRecord* header,
                             StreamContext* context, bool header_only, uint32_t compression) {
  Result r = Stream::Open(mode, context);
  if (r != kOk) return r;
  if (header == nullptr) {
    Close();
    return kBadArgument;
  }
  r = file_.Open(mode, path, context);
  if (r != kOk) {
    Close();
    return r;
  }
  const bool writing = mode == kWriting;
  if (writing) {
    if (header_only) {
      Close();
      return kWrongDirection;
    }
    TagValue vector;
    r = RandomBytes(vector, kVectorSize);
    if (r == kOk) r = header->Set(kHeaderTagVector, vector, true);
    if (r == kOk) r = header->SetText(kHeaderTagFormatMark, kFormatMark, true);
    if (r == kOk) r = header->SetU8(kHeaderTagCompression, static_cast<uint8_t>(compression), true);
    if (r == kOk) r = header->SetU8(kHeaderTagCipher, kCipherAes, true);
    if (r != kOk) {
      Close();
      return r;
    }
  }
  // The header is read with a context that names no folder: an entry
  // placed there by another writer has nowhere to go and is refused.
  StreamContext header_context;
  if (!writing) file_.SetContext(&header_context);
  r = header->Serialize(file_);
  file_.SetContext(context);
  if (r != kOk) {
    Close();
    return r;
  }
  if (header_only) {
    Close();
    return kOk;
  }
  CipherId cipher = kCipherAes;
  uint32_t setting = compression;
  TagValue vector;
  if (!writing) {
    String mark;
    header->GetText(mark, kHeaderTagFormatMark, "");
    if (mark != kFormatMark) {
      Close();
      return kNotAContainer;
    }
    setting = header->GetU8(kHeaderTagCompression, 0);
    if (!CryptStack::IsValidCompressionSetting(setting)) {
      Close();
      return kBadCompression;
    }
    cipher = header->GetU8(kHeaderTagCipher, kCipherBlowfish);
    if (cipher != kCipherBlowfish && cipher != kCipherAes) {
      Close();
      return kNotAContainer;
    }
  }
  // A vector that is missing, not bytes or too short is taken as zeros; a
  // longer one is handed on and refused by the cipher set-up.
  header->Get(vector, kHeaderTagVector);
  const uint32_t block = BlockCipher::BlockSize(cipher);
  if (vector.GetType() != TypeBlob || vector.GetLength() < block) vector.SetBlobSize(block);
  r = OpenLayers(&file_, password, &vector, cipher, setting);
  if (r != kOk) {
    Close();
    return r;
  }
  return kOk;
}

Result ContainerStream::Close() {
  Result r = CloseLayers();
  if (file_.GetMode() != kClosed) {
    Result f = file_.Close();
    if (r == kOk) r = f;
  }
  Stream::Close();
  return r;
}

Result CarrierContainerStream::Open(uint32_t mode, const String& path, uint32_t carrier_format,
                                    const String& password, TagRecord* header, StreamContext* context) {
  Result r = Stream::Open(mode, context);
  if (r != kOk) return r;
  if (header == nullptr) {
    Close();
    return kBadArgument;
  }
  if (!IsAcceptedCarrier(carrier_format)) {
    Close();
    return kNotAContainer;
  }
  if (mode == kWriting) {
    TagValue salt;
    r = RandomBytes(salt, kCarrierVectorSize);
    if (r == kOk) r = header->Set(kCarrierTagSalt, salt, true);
    if (r != kOk) {
      Close();
      return r;
    }
  }
  r = carrier_.Open(mode, path, carrier_format, password, *header, context);
  if (r != kOk) {
    Close();
    return r;
  }
  TagValue vector;
  header->Get(vector, kCarrierTagSalt);
  if (vector.GetType() != TypeBlob || vector.GetLength() != kCarrierVectorSize) {
    Close();
    return kBadVector;
  }
  r = OpenLayers(&carrier_, password, &vector, kCipherBlowfish, kCarrierCompression);
  if (r != kOk) {
    Close();
    return r;
  }
  return kOk;
}

Result CarrierContainerStream::Close() {
  Result r = CloseLayers();
  if (carrier_.GetMode() != kClosed) {
    Result c = carrier_.Close();
    if (r == kOk) r = c;
  }
  Stream::Close();
  return r;
}

}  // namespace mv
