// Building packages for tests: the content record of a folder tree, whole
// containers written by the system, and containers crafted byte by byte
// with header entries a writer would never produce.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"
#include "crypto/block_cipher.h"
#include "crypto/crypto_backend.h"
#include "stream/tag_record.h"

namespace mv::test {

// The content record of every file and folder below root, plus the message
// text when it is not empty.
TagRecord ContentOf(const std::string& root, const std::string& message);

// Writes an ordinary container of root (and message) to path the way the
// system writes one. header receives what was written.
Result WritePackage(const std::string& path, const std::string& root, const std::string& message,
                    const std::string& password, uint32_t compression, bool with_progress,
                    TagRecord* header = nullptr);

// Writes a strong container of root (no message) to path, stored
// (compression 0, so a tree of some size spans several chunks), with a
// derivation of the given cost.
Result WriteStrongPackage(const std::string& path, const std::string& root, const std::string& password,
                          const Argon2Cost& cost);

// Writes header as it is, then the password check and the content through
// the cipher and compression layers, with no checks on the header's entries.
Result WriteCraftedPackage(const std::string& path, TagRecord header, CipherId cipher,
                           const std::vector<uint8_t>& vector, uint32_t compression,
                           const std::string& password, TagRecord content, const std::string& root);

// The same with the content given as its serialised bytes, as a hostile
// package may carry them.
Result WriteCraftedPackageBytes(const std::string& path, TagRecord header, CipherId cipher,
                                const std::vector<uint8_t>& vector, uint32_t compression,
                                const std::string& password, const std::vector<uint8_t>& content);

// A header as the writer makes it (mark, AES, compression 1, a 16-byte
// vector of the given byte), for crafting variations of it.
TagRecord StandardHeader(uint8_t vector_byte = 0x5A);

// The bytes of a container (for a payload section).
std::vector<uint8_t> PackageBytes(const std::string& root, const std::string& message, const std::string& password);

// A payload section image: a 12-byte header at offset 0 and the container.
std::vector<uint8_t> SectionWith(const std::vector<uint8_t>& container);

}  // namespace mv::test
