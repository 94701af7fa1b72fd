#include "container/container_stream.h"

#include <vector>

#include "base/little_endian.h"
#include "container/container_format.h"
#include "container/password_form.h"
#include "container/random_pool.h"
#include "container/strong_header.h"
#include "platform/interruption.h"
#include "platform/platform.h"
#include "stream/capture_stream.h"
#include "stream/carrier_format.h"

namespace mv {
namespace {

constexpr uint32_t kVectorSize = 16;
// Chunks authenticated between two looks for an interruption (16 MiB).
constexpr uint32_t kChunksPerInterruptionCheck = 256;

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
  return OpenProgress(crypt_.Open(bottom, password, vector, id, compression));
}

Result ContainerPipeline::OpenSealedLayers(Stream* bottom, const StrongKeys& keys, const uint8_t* nonce_prefix,
                                           const std::vector<uint8_t>& header, uint64_t chunk_bytes,
                                           const ContentCoding& coding) {
  return OpenProgress(crypt_.OpenSealed(bottom, keys.payload, nonce_prefix, ByteRange{header.data(), header.size()},
                                        chunk_bytes, coding));
}

Result ContainerPipeline::OpenProgress(Result opened) {
  Result r = opened;
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

Result ContainerStream::Open(uint32_t mode, const String& path, const Password& password, TagRecord* header,
                             StreamContext* context, bool header_only, uint32_t compression,
                             const Argon2Cost* strong) {
  Result r = Stream::Open(mode, context);
  if (r != kOk) return r;
  if (header == nullptr) {
    Close();
    return kBadArgument;
  }
  if (context != nullptr) context->branch_filter = 0;
  r = memory_ != nullptr && mode == kReading ? file_.OpenMemory(memory_, memory_size_, context)
                                             : file_.Open(mode, path, context, range_);
  if (r != kOk) {
    Close();
    return r;
  }
  const bool writing = mode == kWriting;
  StrongParameters parameters;
  if (writing) {
    r = header_only ? kWrongDirection : PrepareHeader(header, compression, strong, &parameters);
    if (r != kOk) {
      Close();
      return r;
    }
  }
  // The header is read with a context that names no folder: an entry
  // placed there by another writer has nowhere to go and is refused. Its
  // bytes are kept as they pass: the strong kind authenticates them.
  StreamContext header_context;
  MemoryStream stored;
  if (!writing) r = ReadHeaderBytes(&header_context, &stored);
  CaptureStream capture;
  if (r == kOk) r = capture.Open(writing ? static_cast<Stream*>(&file_) : &stored, kMaxStrongHeaderSize);
  if (r == kOk) r = header->Serialize(capture);
  capture.Close();
  // The record must end where its head says: those are the bytes the
  // strong kind authenticates.
  if (r == kOk && !writing && stored.GetRemaining() != 0) r = kMalformedRecord;
  if (r != kOk) {
    Close();
    return r;
  }
  if (header_only) {
    Close();
    return kOk;
  }
  if (writing) {
    r = strong != nullptr ? OpenStrong(capture, password, parameters, true)
                          : OpenClassic(header, password, kCipherAes, compression);
  } else {
    r = OpenForReading(header, capture, password);
  }
  if (r != kOk) {
    Close();
    return r;
  }
  return kOk;
}

Result ContainerStream::ReadHeaderBytes(StreamContext* header_context, MemoryStream* stored) {
  // The head's length is bounded before anything of its size is allocated
  // or parsed: no writer makes a header above kMaxStrongHeaderSize.
  uint8_t head[8];
  if (file_.Read(head, sizeof head) != kOk) return file_.GetError();
  const uint32_t length = LoadU32Le(head + 4);
  if (length > kMaxStrongHeaderSize - sizeof head) return kMalformedRecord;
  std::vector<uint8_t> bytes(head, head + sizeof head);
  bytes.resize(sizeof head + length);
  if (length != 0 && file_.Read(bytes.data() + sizeof head, length) != kOk) return file_.GetError();
  return stored->OpenRead(bytes, header_context);
}

Result ContainerStream::PrepareHeader(TagRecord* header, uint32_t compression, const Argon2Cost* strong,
                                      StrongParameters* parameters) {
  Result r = kOk;
  if (strong == nullptr) {
    TagValue vector;
    r = RandomBytes(vector, kVectorSize);
    if (r == kOk) r = header->Set(kHeaderTagVector, vector, true);
  } else {
    // A cost this machine cannot give refuses the write before anything is
    // written.
    r = CheckKdfCost(*strong, platform::AvailableMemory());
  }
  if (r == kOk) r = header->SetText(kHeaderTagFormatMark, kFormatMark, true);
  if (r == kOk) r = header->SetU8(kHeaderTagCompression, static_cast<uint8_t>(compression), true);
  if (r != kOk) return r;
  return strong == nullptr ? header->SetU8(kHeaderTagCipher, kCipherAes, true)
                           : PrepareStrongHeader(*strong, compression, header, parameters);
}

Result ContainerStream::OpenForReading(TagRecord* header, const CaptureStream& capture, const Password& password) {
  String mark;
  header->GetText(mark, kHeaderTagFormatMark, "");
  if (mark != kFormatMark) return kNotAContainer;
  const uint32_t setting = header->GetU8(kHeaderTagCompression, 0);
  if (!CryptStack::IsValidCompressionSetting(setting)) return kBadCompression;
  const CipherId cipher = header->GetU8(kHeaderTagCipher, kCipherBlowfish);
  // Only the strong kind has tag 40: with another cipher id the id was
  // changed, which is damage, told before any derivation.
  if (header->Find(kHeaderTagStrong) >= 0 && cipher != kCipherStrong) return kPackageDamaged;
  if (cipher == kCipherStrong) {
    // Everything the derivation is asked to do is bounded before it runs.
    if (capture.IsCut()) return kMalformedRecord;
    StrongParameters parameters;
    Result r = ParseStrongParameters(*header, &parameters);
    if (r == kOk) r = CheckKdfCost(parameters.cost, platform::AvailableMemory());
    if (r != kOk) return r;
    return OpenStrong(capture, password, parameters, false);
  }
  if (cipher != kCipherBlowfish && cipher != kCipherAes) return kNotAContainer;
  return OpenClassic(header, password, cipher, setting);
}

Result ContainerStream::OpenClassic(TagRecord* header, const Password& password, CipherId cipher, uint32_t setting) {
  // A vector that is missing, not bytes or too short is taken as zeros; a
  // longer one is handed on and refused by the cipher set-up.
  TagValue vector;
  header->Get(vector, kHeaderTagVector);
  const uint32_t block = BlockCipher::BlockSize(cipher);
  if (vector.GetType() != kTypeBlob || vector.GetLength() < block) vector.SetBlobSize(block);
  String bytes;
  const Result r = PasswordBytes(password, PasswordForm::kWindows1252, &bytes);
  return r != kOk ? r : OpenLayers(&file_, bytes, &vector, cipher, setting);
}

Result ContainerStream::OpenStrong(const CaptureStream& capture, const Password& password,
                                   const StrongParameters& parameters, bool writing) {
  const std::vector<uint8_t>& header_bytes = capture.GetBytes();
  if (capture.IsCut()) return kBadArgument;
  strong_ = true;
  // The derivation may run for seconds: an interruption (Ctrl-C, SIGTERM,
  // SIGHUP, a console closed) ends it at its next slice as a cancel, so the
  // run cleans up and ends at once instead of when the keys are ready.
  StrongKeys keys;
  uint8_t region[kCheckRegionSize] = {};
  Result r = kOk;
  if (writing) {
    r = SealStrongHeader(header_bytes, parameters, password, &keys, region, &platform::InterruptionRequested);
    if (r == kOk) r = file_.Write(region, sizeof region);
  } else {
    if (file_.Read(region, sizeof region) != kOk) {
      return file_.GetError() == kShortRead ? kPackageTruncated : file_.GetError();
    }
    r = OpenStrongHeader(header_bytes, parameters, region, password, &keys, &platform::InterruptionRequested);
  }
  if (r != kOk) return r;
  // The content's entries convert or restore executables as the coding says.
  if (GetContext() != nullptr) {
    GetContext()->branch_filter = parameters.coding.method == ContentCoding::kZstdFiltered ? 1 : 0;
  }
  const uint64_t chunk_bytes = writing ? 0 : file_.GetRemaining();
  if (!writing && GetContext() != nullptr && GetContext()->delivery != nullptr) {
    r = AuthenticateChunks(keys, parameters.nonce_prefix, header_bytes, chunk_bytes);
    if (r != kOk) return r;
  }
  return OpenSealedLayers(&file_, keys, parameters.nonce_prefix, header_bytes, chunk_bytes, parameters.coding);
}

Result ContainerStream::AuthenticateChunks(const StrongKeys& keys, const uint8_t* nonce_prefix,
                                           const std::vector<uint8_t>& header, uint64_t chunk_bytes) {
  // Every chunk is opened and its plain bytes dropped, the end rule of the
  // chunks included; then the file is read again from the same place.
  const FileStream::Mark start = file_.GetMark();
  AeadChunkStream chunks;
  Result r = chunks.Open(&file_, keys.payload, nonce_prefix, ByteRange{header.data(), header.size()}, chunk_bytes);
  for (uint32_t pieces = 1; r == kOk; ++pieces) {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    r = chunks.NextPiece(&data, &length);
    if (r == kOk && length == 0) break;
    if (r == kOk && pieces % kChunksPerInterruptionCheck == 0 && platform::InterruptionRequested()) r = kCancelled;
  }
  if (r == kOk) r = chunks.CheckEnd();
  chunks.Close();
  return r == kOk ? file_.ReturnTo(start) : r;
}

Result ContainerStream::CheckEnd() {
  if (GetError() != kOk) return GetError();
  return strong_ && IsReading() ? RecordError(crypt_.CheckEnd()) : kOk;
}

Result ContainerStream::Close() {
  strong_ = false;
  Result r = CloseLayers();
  if (file_.GetMode() != kClosed) {
    Result f = file_.Close();
    if (r == kOk) r = f;
  }
  Stream::Close();
  return r;
}

Result CarrierContainerStream::Open(uint32_t mode, const String& path, uint32_t carrier_format,
                                    const Password& password, TagRecord* header, StreamContext* context) {
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
  String bytes;
  r = PasswordBytes(password, PasswordForm::kWindows1252, &bytes);
  if (r != kOk) {
    Close();
    return r;
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
  r = carrier_.Open(mode, path, carrier_format, bytes, *header, context);
  if (r != kOk) {
    Close();
    return r;
  }
  TagValue vector;
  header->Get(vector, kCarrierTagSalt);
  if (vector.GetType() != kTypeBlob || vector.GetLength() != kCarrierVectorSize) {
    Close();
    return kBadVector;
  }
  r = OpenLayers(&carrier_, bytes, &vector, kCipherBlowfish, kCarrierCompression);
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
