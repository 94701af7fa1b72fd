// Reading and growing the payload section of a built stub, in a copy of its
// file image (PE for Windows, ELF64 for Linux). The packer writes
// self-extractors with it; the tests use it to give a real stub a payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mv::tools {

using Bytes = std::vector<uint8_t>;

enum class ImageKind { kUnknown, kPe, kElf };

// Recognises the image kind from its headers.
ImageKind DetectImageKind(const Bytes& image);

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
ImageInfo DescribeImage(const Bytes& image);

// Copies the current contents of the _qzpk_ section out of the image; false
// (with a reason) when there is none or it lies outside the file.
bool ReadPayloadSection(const Bytes& image, Bytes* contents, std::string* error);

// Replaces the contents of the _qzpk_ section with `contents`, zero-padded to
// at least the section's current size, and fixes every header the loader
// checks. Refuses (false, with a reason, the image unchanged) images whose
// section is not the last one, that carry a symbol table, a certificate or
// trailing data behind it, or whose headers or other sections lie where
// growing writes; a grown image must describe itself as before.
bool GrowPayloadSection(Bytes* image, const Bytes& contents, std::string* error);

// File helpers for the tools and tests.
bool ReadWholeFile(const std::string& path, Bytes* out);
bool WriteWholeFile(const std::string& path, const Bytes& data);

}  // namespace mv::tools
