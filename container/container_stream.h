// The pipelines over a container, from the caller down:
//   ContainerStream → ProgressStream → CryptStack (compression over cipher,
//                     classic or strong kind) → FileStream (ordinary container)
//   CarrierContainerStream → ... → CryptStack → CarrierStream (BMP/WAV)
// Each holds its layers and closes them top first; Read and Write forward to
// the ProgressStream.
#pragma once

#include <cstdint>
#include <vector>

#include "base/result.h"
#include "base/string.h"
#include "container/carrier_stream.h"
#include "container/strong_header.h"
#include "crypto/crypt_stack.h"
#include "stream/capture_stream.h"
#include "stream/file_stream.h"
#include "stream/memory_stream.h"
#include "stream/progress_stream.h"
#include "stream/stream.h"
#include "stream/tag_record.h"

namespace mv {

// Shared by both pipelines: the ProgressStream over the CryptStack, and the
// forwarding of transfers to it.
class ContainerPipeline : public Stream {
 public:
  Result Read(void* buffer, uint32_t length) override;
  Result Write(const void* buffer, uint32_t length) override;

 protected:
  // Opens the CryptStack over bottom, then the ProgressStream over it.
  // password: the Windows-1252 bytes the classic kind hashes.
  Result OpenLayers(Stream* bottom, const String& password, const TagValue* vector, CipherId id,
                    uint32_t compression);
  // The same with the strong kind's authenticated chunks under the payload
  // key, with the header's bytes as stored.
  Result OpenSealedLayers(Stream* bottom, const StrongKeys& keys, const uint8_t* nonce_prefix,
                          const std::vector<uint8_t>& header, uint64_t chunk_bytes, const ContentCoding& coding);
  // Closes the ProgressStream and the CryptStack (flushing compressor, then
  // cipher); returns the first failure.
  Result CloseLayers();

  CryptStack crypt_;
  ProgressStream progress_;

 private:
  Result OpenProgress(Result opened);
};

class ContainerStream : public ContainerPipeline {
 public:
  ~ContainerStream() override { Close(); }

  // Opens the container at path for mode (kWriting or kReading). Writing
  // sets the vector, mark, compression and cipher entries of header and
  // writes it: the classic kind, or the strong kind with the key
  // derivation's cost when strong is given (tag 40 instead of the vector,
  // then the check region). The password is hashed in the form the kind
  // takes (container/password_form.h): kBadArgument for one it cannot hold. Reading reads header, checks it and opens
  // whichever kind it names. header_only stops after the header (refused
  // with kWrongDirection when writing). On failure the stream is closed and
  // header keeps what was read. Codes: kBadArgument (no header), the
  // FileStream's (kCannotOpen, kShortRead), kNotAContainer (mark or
  // cipher), kBadCompression, then the CryptStack's (kWrongPassword,
  // kBadVector, ...). The strong kind adds, in this order: kMalformedRecord
  // (header over 4 KiB, tag 40 malformed, a cost no writer makes),
  // kKdfTooCostly (cost above the bounds or the available memory; also
  // when writing), kPackageTruncated (no whole check region),
  // kPackageDamaged (the header's digest), kCancelled (an interruption
  // noted while the key is derived), kWrongPassword (the key check),
  // and when reading, kPackageDamaged or kPackageTruncated from the chunks.
  Result Open(uint32_t mode, const String& path, const Password& password, TagRecord* header,
              StreamContext* context, bool header_only, uint32_t compression,
              const Argon2Cost* strong = nullptr);
  // Set before Open: the container is the given part of the file at path (a
  // self-extractor's payload section), read up to the part's end or written
  // in place from its offset on (stream/file_stream.h).
  void SetFileRange(const FileRange& range) { range_ = range; }
  // Set before Open for reading: the container is size bytes in memory,
  // read in place (FileStream::OpenMemory); path is then not looked at.
  void SetMemorySource(const uint8_t* bytes, size_t size) {
    memory_ = bytes;
    memory_size_ = size;
  }
  // Closes the layers top first, then the file. Writing: kOk only when
  // everything reached the file.
  Result Close() override;
  // Reading, once the content record has been read: for the strong kind
  // the end rule of its coding and chunks (CryptStack::CheckEnd: nothing
  // left unread, the flagged chunk there, nothing after it); kOk for the
  // classic kind, which has none.
  Result CheckEnd();
  // Whether the open stream is of the strong kind, whose chunks are
  // authenticated.
  bool IsStrong() const { return strong_; }

 private:
  Result PrepareHeader(TagRecord* header, uint32_t compression, const Argon2Cost* strong,
                       StrongParameters* parameters);
  // Reading: the header record's bytes, at most kMaxStrongHeaderSize
  // (kMalformedRecord for a head that gives more), into stored.
  Result ReadHeaderBytes(StreamContext* header_context, MemoryStream* stored);
  Result OpenForReading(TagRecord* header, const CaptureStream& capture, const Password& password);
  Result OpenClassic(TagRecord* header, const Password& password, CipherId cipher, uint32_t setting);
  Result OpenStrong(const CaptureStream& capture, const Password& password, const StrongParameters& parameters,
                    bool writing);
  // Reading into the context's delivery: every chunk from here
  // on, and their end, checked before the layers are opened over them.
  // kOk with the file back where it was; the chunks' codes (kPackageDamaged,
  // kPackageTruncated, the failing chunk in the context), kCancelled.
  Result AuthenticateChunks(const StrongKeys& keys, const uint8_t* nonce_prefix, const std::vector<uint8_t>& header,
                            uint64_t chunk_bytes);

  FileStream file_;
  bool strong_ = false;
  FileRange range_;
  const uint8_t* memory_ = nullptr;
  size_t memory_size_ = 0;
};

class CarrierContainerStream : public ContainerPipeline {
 public:
  ~CarrierContainerStream() override { Close(); }

  // Opens a container hidden in the carrier at path (format code from
  // DetectCarrierFormat). Writing draws the 8-byte vector into header's
  // tag 200 and needs its payload size in tag 100; reading recovers both.
  // Always Blowfish with compression setting 1, the password hashed as
  // Windows-1252 (kBadArgument for one without that form). Codes: kNotAContainer
  // (carrier not accepted), the CarrierStream's (kNoHiddenData for a wrong
  // password or nothing hidden, kCarrierTooSmall), kBadVector, then the
  // CryptStack's.
  Result Open(uint32_t mode, const String& path, uint32_t carrier_format, const Password& password,
              TagRecord* header, StreamContext* context);
  Result Close() override;

 private:
  CarrierStream carrier_;
};

}  // namespace mv
