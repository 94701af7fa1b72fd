// The layout constants of a container file: the header record's tags, the
// format mark, and the kinds of input the package reader tells apart.
//
// An ordinary container comes in two kinds. The classic kind is three
// regions with nothing after them: the header record, the 2-byte password
// check, and the encrypted chunks whose decrypted bytes are the compressed
// content record. The strong kind (cipher id kCipherStrong, parameters in
// tag 40) is the header record, a 48-byte check region, and authenticated
// chunks (container/strong_header.h, crypto/aead_chunk_stream.h).
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"

namespace mv {

// Header record tags.
inline constexpr uint16_t kHeaderTagFormatMark = 10;   // kTypeText, kFormatMark
inline constexpr uint16_t kHeaderTagCipher = 20;       // kTypeU8 CipherId (absent: Blowfish)
inline constexpr uint16_t kHeaderTagCompression = 21;  // kTypeU8 compression setting
inline constexpr uint16_t kHeaderTagVector = 25;       // kTypeBlob, the chains' initial vector
inline constexpr uint16_t kHeaderTagTotal = 30;        // kTypeU32 content bytes, to scale progress
inline constexpr uint16_t kHeaderTagStrong = 40;       // kTypeBlob, the strong kind's parameters

// Tag 20 of the strong kind. Readers of the classic kind alone accept only
// 0 and 2, so they refuse such a package instead of misreading it.
inline constexpr uint8_t kCipherStrong = 3;

// Which kind a writer makes.
enum class PackageKind : uint8_t { kClassic, kStrong };

// Content record tags.
inline constexpr uint16_t kContentTagMessage = 100;  // kTypeText, the e-mail text
inline constexpr uint16_t kContentTagEntry = 200;    // kTypeEntry, one per file and folder

// A container hidden in a carrier is always Blowfish (with an 8-byte vector,
// stored in the carrier) over compression setting 1. The writer measures the
// encrypted size with these values before the pipeline writes with them.
inline constexpr uint32_t kCarrierVectorSize = 8;
inline constexpr uint32_t kCarrierCompression = 1;

inline constexpr char kFormatMark[] = "Morvalis Encrypted File";
// The older layout began with one of these marks at offset 0.
inline constexpr char kOlderFormatMark[] = "Morvalis Encrypted File";
inline constexpr char kOlderFormatMarkShort[] = "MorvalisEncryptedFile";

// What an input path holds, decided before anything is opened.
enum ContainerKind : uint32_t {
  kContainerNone = 0,
  kContainerSealed = 1,       // extension "mef": read with ContainerStream
  kContainerCarrier = 2,      // any other extension: a BMP/WAV carrier
  kContainerOlderSealed = 3,  // "mef" beginning with a format mark: refused
};

// Classifies path: "mef" (any case) is kContainerOlderSealed when the file's
// first 24 bytes begin with one of the older marks, else kContainerSealed;
// any other extension is kContainerCarrier.
ContainerKind ClassifyContainer(const String& path);

}  // namespace mv
