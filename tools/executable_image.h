// Reading and growing the payload section of a built stub (PE for Windows,
// ELF64 for Linux). The packer writes self-extractors with it and reads the
// package of one; the tests use it to give a real stub a payload.
//
// An image is looked at through ImageBytes: a copy in memory, or a file
// read where the parser asks, so that a self-extractor of any size is
// described without being read whole. Growing never holds the new
// contents either: PayloadGrowth lays out the grown image around contents
// of a given size, as the bytes before and after them with every header
// patched, and the packer streams the contents in between.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace mv::tools {

using Bytes = std::vector<uint8_t>;

enum class ImageKind { kUnknown, kPe, kElf };

// The bytes of an image, read at offsets.
class ImageBytes {
 public:
  virtual ~ImageBytes() = default;
  virtual uint64_t Size() const = 0;
  // Copies length bytes from offset; false when they do not all lie inside
  // the image or cannot be read.
  virtual bool ReadAt(uint64_t offset, void* buffer, size_t length) const = 0;
};

// An image held in memory (not copied: bytes must outlive the object).
class MemoryImage final : public ImageBytes {
 public:
  explicit MemoryImage(const Bytes& bytes) : bytes_(bytes) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, void* buffer, size_t length) const override;

 private:
  const Bytes& bytes_;
};

// An image file, read where it is asked (through a cache of one window, as
// headers lie close together).
class FileImage final : public ImageBytes {
 public:
  // False when path cannot be opened for reading or its size told.
  bool Open(const std::string& path);
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t length) const override;

 private:
  mutable platform::File file_;
  uint64_t size_ = 0;
  mutable Bytes window_;
  mutable uint64_t window_offset_ = 0;
};

// Recognises the image kind from its headers.
ImageKind DetectImageKind(const ImageBytes& image);

struct SectionInfo {
  std::string name;
  uint64_t file_offset = 0;
  uint64_t file_size = 0;
  uint64_t address = 0;    // RVA (PE) or virtual address (ELF)
  uint64_t memory_size = 0;
};

struct ImageInfo {
  ImageKind kind = ImageKind::kUnknown;
  std::vector<SectionInfo> sections;        // in header-table order
  std::vector<std::string> imported_dlls;   // PE only
  bool payload_is_last = false;             // _qzpk_ ends the mapped image
  bool gui_subsystem = false;               // PE only
  bool has_symbol_table = false;            // PE COFF symbols (not stripped)
  std::string error;                        // set when the image is not understood
};

// Describes the sections (and for PE the imported DLLs) of an image.
ImageInfo DescribeImage(const ImageBytes& image);

// Where the _qzpk_ section's contents lie in the image file: the bytes a
// loader maps from the file (PE: no more than the section's virtual size).
struct SectionSpan {
  uint64_t offset = 0;
  uint64_t size = 0;
};
// False (with a reason) when there is no such section, more than one, or
// it lies outside the file.
bool LocatePayloadSection(const ImageBytes& image, SectionSpan* span, std::string* error);

// Copies the current contents of the _qzpk_ section out of the image (a
// small one: tests and seeds); false with LocatePayloadSection's reasons.
bool ReadPayloadSection(const ImageBytes& image, Bytes* contents, std::string* error);

// The grown image around new contents of contents_size bytes: the bytes
// before them (the stub up to its section, headers patched), zero padding
// after them, then the bytes behind the section (ELF: the tables that
// follow it, moved and patched; PE: none). A PE image's checksum covers the
// whole file: it is left 0 in head, to be summed with ImageChecksum once
// the contents are known and written at checksum_offset.
struct GrownImage {
  Bytes head;
  uint64_t contents_size = 0;
  uint64_t padding = 0;
  Bytes tail;
  uint64_t checksum_offset = 0;  // PE only; 0 for ELF
  uint64_t Size() const { return head.size() + contents_size + padding + tail.size(); }
};

// A stub prepared for growing its payload section.
class PayloadGrowth {
 public:
  // Takes a copy of the stub's image and checks everything that does not
  // depend on the new contents: refused (false, with a reason) when the
  // section is not the last one, when a symbol table, a certificate or
  // trailing data follows it, when its headers or other sections lie where
  // growing writes, or when growing would change how the image describes
  // itself.
  bool Prepare(const Bytes& stub, std::string* error);
  ImageKind Kind() const { return kind_; }
  // Where the new contents begin in the file: the section's own offset.
  uint64_t ContentsOffset() const { return contents_offset_; }
  // Lays out the image grown for contents_size bytes of contents (at least
  // the section's present size is kept, zero-padded). False (with a reason)
  // when the image's header fields cannot hold it (PE: 32-bit sizes) or a
  // header would lie among the contents.
  bool Lay(uint64_t contents_size, GrownImage* grown, std::string* error) const;
  // Whether a grown image describes itself as the stub did: the same
  // sections by name and order, the payload section at its old offset,
  // still last and holding at least contents_size bytes. False with a
  // reason otherwise.
  bool CheckGrown(const ImageBytes& grown, uint64_t contents_size, std::string* error) const;

 private:
  Bytes stub_;
  ImageKind kind_ = ImageKind::kUnknown;
  uint64_t contents_offset_ = 0;
};

// The PE image checksum, summed as the file's bytes go by in order, in
// pieces of any size, with the 4 bytes at checksum_offset taken as zero.
class ImageChecksum {
 public:
  explicit ImageChecksum(uint64_t checksum_offset) : field_(checksum_offset) {}
  void Add(const uint8_t* data, size_t length);
  // The 16-bit folded sum of the bytes added plus their count.
  uint32_t Value() const;

 private:
  uint64_t field_;
  uint64_t position_ = 0;
  uint64_t sum_ = 0;
};

// The whole grown image in memory (the tests' and the fuzz target's way):
// replaces image by the stub grown to hold contents, zero-padded to at
// least the section's present size. Refuses as Prepare and Lay do, with
// image unchanged.
bool GrowPayloadSection(Bytes* image, const Bytes& contents, std::string* error);

// The same queries on an image held in memory.
inline ImageKind DetectImageKind(const Bytes& image) { return DetectImageKind(MemoryImage(image)); }
inline ImageInfo DescribeImage(const Bytes& image) { return DescribeImage(MemoryImage(image)); }
inline bool ReadPayloadSection(const Bytes& image, Bytes* contents, std::string* error) {
  return ReadPayloadSection(MemoryImage(image), contents, error);
}

// File helpers for the tools and tests.
bool ReadWholeFile(const std::string& path, Bytes* out);
bool WriteWholeFile(const std::string& path, const Bytes& data);

}  // namespace mv::tools
