#include "tools/executable_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/text_catalogue.h"

namespace mv::tools {
namespace {

constexpr char kPayloadSectionName[] = "_qzpk_";

// Bounds-checked little-endian access to an image; a read outside the image
// yields 0 and marks the reader as failed, so parsing code checks once.
class Reader {
 public:
  explicit Reader(const ImageBytes& image) : image_(image) {}
  uint64_t Get(uint64_t offset, unsigned width) {
    uint8_t bytes[8] = {};
    if (width > sizeof bytes || !image_.ReadAt(offset, bytes, width)) {
      ok_ = false;
      return 0;
    }
    uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i) value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    return value;
  }
  uint8_t U8(uint64_t offset) { return static_cast<uint8_t>(Get(offset, 1)); }
  uint16_t U16(uint64_t offset) { return static_cast<uint16_t>(Get(offset, 2)); }
  uint32_t U32(uint64_t offset) { return static_cast<uint32_t>(Get(offset, 4)); }
  uint64_t U64(uint64_t offset) { return Get(offset, 8); }
  std::string Text(uint64_t offset, size_t max) {
    std::string out;
    char c;
    while (out.size() < max && image_.ReadAt(offset++, &c, 1) && c != 0) out.push_back(c);
    return out;
  }
  uint64_t Size() const { return image_.Size(); }
  bool ok() const { return ok_; }

 private:
  const ImageBytes& image_;
  bool ok_ = true;
};

uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return alignment == 0 ? value : (value + alignment - 1) / alignment * alignment;
}

std::string SignedStubProblem() {
  return std::string(DescribeResult(kStubSigned)) + " (code " + std::to_string(kStubSigned) + ")";
}

bool Fail(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return false;
}

// Writes a patched header field of a grown image into its head or tail;
// false when the field would lie among the contents or their padding.
bool PutField(GrownImage* grown, uint64_t offset, uint64_t value, unsigned width) {
  const uint64_t tail_start = grown->head.size() + grown->contents_size + grown->padding;
  uint8_t* at = nullptr;
  if (offset <= grown->head.size() && width <= grown->head.size() - offset) {
    at = grown->head.data() + offset;
  } else if (offset >= tail_start && offset - tail_start <= grown->tail.size() &&
             width <= grown->tail.size() - (offset - tail_start)) {
    at = grown->tail.data() + (offset - tail_start);
  } else {
    return false;
  }
  for (unsigned i = 0; i < width; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
  return true;
}

constexpr char kHeadersAmongContents[] = "the image's headers lie where the _qzpk_ section's contents go";

// The grown image with its contents read as zeros: what a check of the
// headers sees before the contents exist.
class SplicedImage final : public ImageBytes {
 public:
  explicit SplicedImage(const GrownImage& grown) : grown_(grown) {}
  uint64_t Size() const override { return grown_.Size(); }
  bool ReadAt(uint64_t offset, void* buffer, size_t length) const override {
    if (offset > Size() || length > Size() - offset) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    const uint64_t head = grown_.head.size();
    const uint64_t tail_start = head + grown_.contents_size + grown_.padding;
    for (size_t i = 0; i < length; ++i) {
      const uint64_t at = offset + i;
      out[i] = at < head ? grown_.head[at] : at >= tail_start ? grown_.tail[at - tail_start] : 0;
    }
    return true;
  }

 private:
  const GrownImage& grown_;
};

// ---- PE32+ -----------------------------------------------------------------

struct PeLayout {
  uint64_t nt = 0;             // offset of "PE\0\0"
  uint64_t optional = 0;       // offset of the optional header
  uint16_t optional_size = 0;
  uint64_t section_table = 0;
  uint16_t section_count = 0;
  uint32_t section_alignment = 0;
  uint32_t file_alignment = 0;
  uint32_t symbol_table = 0;
  uint32_t certificate_size = 0;
  uint16_t subsystem = 0;
  uint32_t import_rva = 0;
};

constexpr uint64_t kOptSizeOfInitializedData = 8;
constexpr uint64_t kOptSectionAlignment = 32;
constexpr uint64_t kOptFileAlignment = 36;
constexpr uint64_t kOptSizeOfImage = 56;
constexpr uint64_t kOptCheckSum = 64;
constexpr uint64_t kOptSubsystem = 68;
constexpr uint64_t kOptDirectoryCount = 108;
constexpr uint64_t kOptDirectories = 112;  // also the size of the fixed part
constexpr uint64_t kDosHeaderSize = 64;
constexpr uint32_t kDirImport = 1;
constexpr uint32_t kDirSecurity = 4;
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint32_t kMaxFileAlignment = 65536;
constexpr uint16_t kSubsystemGui = 2;

bool ParsePe(const ImageBytes& image, PeLayout* pe, std::string* error) {
  Reader r(image);
  if (r.U16(0) != 0x5A4D) return Fail(error, "no MZ header");
  pe->nt = r.U32(0x3C);
  if (r.U32(pe->nt) != 0x00004550) return Fail(error, "no PE signature");
  pe->section_count = r.U16(pe->nt + 6);
  pe->symbol_table = r.U32(pe->nt + 12);
  pe->optional_size = r.U16(pe->nt + 20);
  pe->optional = pe->nt + 24;
  if (r.U16(pe->optional) != 0x20B) return Fail(error, "not a 64-bit (PE32+) image");
  pe->section_table = pe->optional + pe->optional_size;
  pe->section_alignment = r.U32(pe->optional + kOptSectionAlignment);
  pe->file_alignment = r.U32(pe->optional + kOptFileAlignment);
  pe->subsystem = r.U16(pe->optional + kOptSubsystem);
  // Directories are read only where the optional header holds them, never
  // out of the section table behind it.
  uint64_t directories = r.U32(pe->optional + kOptDirectoryCount);
  directories = std::min<uint64_t>(
      directories, pe->optional_size < kOptDirectories ? 0 : (pe->optional_size - kOptDirectories) / 8);
  if (directories > kDirImport) pe->import_rva = r.U32(pe->optional + kOptDirectories + 8 * kDirImport);
  if (directories > kDirSecurity) {
    pe->certificate_size = r.U32(pe->optional + kOptDirectories + 8 * kDirSecurity + 4);
  }
  if (!r.ok() || pe->section_table + kSectionHeaderSize * pe->section_count > image.Size()) {
    return Fail(error, "truncated PE headers");
  }
  return true;
}

std::vector<SectionInfo> PeSections(const ImageBytes& image, const PeLayout& pe) {
  Reader r(image);
  std::vector<SectionInfo> sections;
  for (uint16_t i = 0; i < pe.section_count; ++i) {
    uint64_t h = pe.section_table + kSectionHeaderSize * i;
    SectionInfo s;
    for (int c = 0; c < 8 && r.U8(h + c) != 0; ++c) s.name.push_back(static_cast<char>(r.U8(h + c)));
    s.memory_size = r.U32(h + 8);
    s.address = r.U32(h + 12);
    s.file_size = r.U32(h + 16);
    s.file_offset = r.U32(h + 20);
    sections.push_back(s);
  }
  return sections;
}

// File offset of an RVA, through the section that maps it.
bool RvaToOffset(const std::vector<SectionInfo>& sections, uint64_t rva, uint64_t* offset) {
  for (const SectionInfo& s : sections) {
    uint64_t span = std::max(s.memory_size, s.file_size);
    if (rva >= s.address && rva < s.address + span && rva - s.address < s.file_size) {
      *offset = s.file_offset + (rva - s.address);
      return true;
    }
  }
  return false;
}

std::vector<std::string> PeImports(const ImageBytes& image, const PeLayout& pe,
                                   const std::vector<SectionInfo>& sections) {
  std::vector<std::string> dlls;
  uint64_t descriptor = 0;
  if (pe.import_rva == 0 || !RvaToOffset(sections, pe.import_rva, &descriptor)) return dlls;
  Reader r(image);
  for (int i = 0; i < 4096; ++i, descriptor += 20) {
    uint32_t name_rva = r.U32(descriptor + 12);
    if (!r.ok() || (name_rva == 0 && r.U32(descriptor + 16) == 0)) break;
    uint64_t name = 0;
    if (RvaToOffset(sections, name_rva, &name)) dlls.push_back(r.Text(name, 260));
  }
  return dlls;
}

constexpr int kNoPayloadSection = -1;
constexpr int kSeveralPayloadSections = -2;

// The index of the payload section; kNoPayloadSection, or
// kSeveralPayloadSections when more than one carries its name (which one
// a reader would take is anybody's guess, so none is).
int FindSection(const std::vector<SectionInfo>& sections) {
  int found = kNoPayloadSection;
  for (size_t i = 0; i < sections.size(); ++i) {
    if (sections[i].name != kPayloadSectionName) continue;
    if (found != kNoPayloadSection) return kSeveralPayloadSections;
    found = static_cast<int>(i);
  }
  return found;
}

bool FailFinding(int index, std::string* error) {
  return Fail(error, index == kSeveralPayloadSections ? "the image has more than one _qzpk_ section"
                                                      : "the image has no _qzpk_ section");
}

// Whether a section other than the payload keeps file data inside the
// payload's bytes, which growing rewrites.
bool OverlapsPayload(const std::vector<SectionInfo>& sections, int index, uint64_t payload_end) {
  const SectionInfo& q = sections[static_cast<size_t>(index)];
  for (size_t i = 0; i < sections.size(); ++i) {
    const SectionInfo& s = sections[i];
    if (static_cast<int>(i) == index || s.file_size == 0) continue;
    if (s.file_offset >= payload_end) continue;
    if (s.file_offset >= q.file_offset || s.file_size > q.file_offset - s.file_offset) return true;
  }
  return false;
}

bool PePayloadIsLast(uint64_t image_size, const std::vector<SectionInfo>& sections, int index) {
  if (index < 0 || index + 1 != static_cast<int>(sections.size())) return false;
  const SectionInfo& q = sections[index];
  for (const SectionInfo& s : sections) {
    if (&s != &q && (s.address >= q.address || s.file_offset >= q.file_offset)) return false;
  }
  return q.file_offset + q.file_size == image_size;
}

bool LayPe(const Bytes& stub, uint64_t contents_size, GrownImage* grown, std::string* error) {
  const MemoryImage image(stub);
  PeLayout pe;
  if (!ParsePe(image, &pe, error)) return false;
  std::vector<SectionInfo> sections = PeSections(image, pe);
  int index = FindSection(sections);
  if (index < 0) return FailFinding(index, error);
  // A signature lies behind the section (Authenticode's certificate table
  // follows the image): told as such, since signing comes after packing.
  if (pe.certificate_size != 0) return Fail(error, SignedStubProblem());
  if (!PePayloadIsLast(image.Size(), sections, index)) {
    return Fail(error, "the _qzpk_ section is not the last part of the image: data follows it (a signature? " +
                           std::string(DescribeResult(kStubSigned)) + ")");
  }
  if (pe.symbol_table != 0) return Fail(error, "the image carries a COFF symbol table (not stripped)");
  if (pe.file_alignment == 0 || pe.section_alignment == 0) return Fail(error, "bad alignment");
  // Loaders take powers of two up to 64 KiB; a larger one would pad the file
  // by that much.
  if (pe.file_alignment > kMaxFileAlignment || (pe.file_alignment & (pe.file_alignment - 1)) != 0) {
    return Fail(error, "bad file alignment");
  }
  // The fields growing patches must belong to the optional header alone,
  // not to the DOS header or a section header laid over it.
  if (pe.nt < kDosHeaderSize || pe.optional_size < kOptDirectories) {
    return Fail(error, "the PE headers overlap each other");
  }
  const SectionInfo& q = sections[index];
  // Growing rewrites everything from the section's start; the headers must
  // lie before it, and so must every other section's data.
  if (q.file_offset < pe.section_table + kSectionHeaderSize * pe.section_count) {
    return Fail(error, "the _qzpk_ section overlaps the PE headers");
  }
  if (OverlapsPayload(sections, index, q.file_offset + q.file_size)) {
    return Fail(error, "another section's data lies inside the _qzpk_ section");
  }
  uint64_t virtual_size = std::max<uint64_t>(contents_size, q.memory_size);
  // The file holds the contents or the section's present data, whichever is
  // longer; a larger virtual size stays zero-filled memory, as before.
  uint64_t raw_size = AlignUp(std::max<uint64_t>(contents_size, std::min(q.memory_size, q.file_size)),
                              pe.file_alignment);
  uint64_t image_size = AlignUp(q.address + virtual_size, pe.section_alignment);
  if (q.file_offset + raw_size > 0xFFFFFFFFull || image_size > 0xFFFFFFFFull) {
    return Fail(error, "the payload does not fit into a PE image");
  }
  grown->head.assign(stub.begin(), stub.begin() + static_cast<std::ptrdiff_t>(q.file_offset));
  grown->contents_size = contents_size;
  grown->padding = raw_size - contents_size;
  grown->tail.clear();
  grown->checksum_offset = pe.optional + kOptCheckSum;

  Reader r(image);
  const uint64_t header = pe.section_table + kSectionHeaderSize * index;
  const uint32_t initialized = r.U32(pe.optional + kOptSizeOfInitializedData);
  const bool patched = PutField(grown, header + 8, virtual_size, 4) && PutField(grown, header + 16, raw_size, 4) &&
                       PutField(grown, pe.optional + kOptSizeOfInitializedData,
                                initialized - q.file_size + raw_size, 4) &&
                       PutField(grown, pe.optional + kOptSizeOfImage, image_size, 4) &&
                       PutField(grown, grown->checksum_offset, 0, 4);
  return patched || Fail(error, kHeadersAmongContents);
}

// ---- ELF64 -----------------------------------------------------------------

struct ElfLayout {
  uint64_t phoff = 0, shoff = 0;
  uint16_t phentsize = 0, phnum = 0, shentsize = 0, shnum = 0, shstrndx = 0;
};

constexpr uint32_t kPtLoad = 1;
constexpr uint64_t kMaxShiftAlignment = 65536;
constexpr uint64_t kShfAlloc = 2;
constexpr uint32_t kShtNobits = 8;
constexpr uint64_t kElfHeaderSize = 64;

bool IsElf(const ImageBytes& image) {
  char magic[4] = {};
  return image.Size() >= kElfHeaderSize && image.ReadAt(0, magic, sizeof magic) &&
         std::memcmp(magic, "\x7f" "ELF", 4) == 0;
}

bool ParseElf(const ImageBytes& image, ElfLayout* elf, std::string* error) {
  Reader r(image);
  if (!IsElf(image)) return Fail(error, "no ELF header");
  if (r.U8(4) != 2 || r.U8(5) != 1) return Fail(error, "not a little-endian 64-bit ELF image");
  elf->phoff = r.U64(32);
  elf->shoff = r.U64(40);
  elf->phentsize = r.U16(54);
  elf->phnum = r.U16(56);
  elf->shentsize = r.U16(58);
  elf->shnum = r.U16(60);
  elf->shstrndx = r.U16(62);
  if (elf->phentsize != 56 || elf->shentsize != 64) return Fail(error, "unexpected ELF header sizes");
  const uint64_t size = image.Size();
  if (elf->phoff > size || elf->phnum * 56ull > size - elf->phoff || elf->shoff > size ||
      elf->shnum * 64ull > size - elf->shoff || elf->shstrndx >= elf->shnum) {
    return Fail(error, "truncated ELF headers");
  }
  return true;
}

struct ElfSection {
  SectionInfo info;
  uint64_t header = 0;
  uint32_t type = 0;
  uint64_t flags = 0;
  uint64_t alignment = 0;
};

std::vector<ElfSection> ElfSections(const ImageBytes& image, const ElfLayout& elf) {
  Reader r(image);
  uint64_t strings = r.U64(elf.shoff + 64ull * elf.shstrndx + 24);
  std::vector<ElfSection> sections;
  for (uint16_t i = 0; i < elf.shnum; ++i) {
    ElfSection s;
    s.header = elf.shoff + 64ull * i;
    s.info.name = r.Text(strings + r.U32(s.header), 64);
    s.type = r.U32(s.header + 4);
    s.flags = r.U64(s.header + 8);
    s.info.address = r.U64(s.header + 16);
    s.info.file_offset = r.U64(s.header + 24);
    s.info.file_size = s.type == kShtNobits ? 0 : r.U64(s.header + 32);
    s.info.memory_size = r.U64(s.header + 32);
    s.alignment = r.U64(s.header + 48);
    sections.push_back(s);
  }
  return sections;
}

// The PT_LOAD segment that ends with the payload section, if it is the last
// loadable segment; returns its program-header offset or 0.
uint64_t ElfPayloadSegment(const ImageBytes& image, const ElfLayout& elf, const ElfSection& q) {
  Reader r(image);
  uint64_t found = 0;
  uint64_t highest = 0;
  uint64_t highest_header = 0;
  for (uint16_t i = 0; i < elf.phnum; ++i) {
    uint64_t h = elf.phoff + 56ull * i;
    if (r.U32(h) != kPtLoad) continue;
    uint64_t offset = r.U64(h + 8), vaddr = r.U64(h + 16), filesz = r.U64(h + 32), memsz = r.U64(h + 40);
    if (vaddr >= highest) {
      highest = vaddr;
      highest_header = h;
    }
    if (offset <= q.info.file_offset && q.info.file_offset + q.info.file_size == offset + filesz &&
        filesz == memsz) {
      found = h;
    }
  }
  return (found != 0 && found == highest_header) ? found : 0;
}

bool LayElf(const Bytes& stub, uint64_t contents_size, GrownImage* grown, std::string* error) {
  const MemoryImage image(stub);
  ElfLayout elf;
  if (!ParseElf(image, &elf, error)) return false;
  std::vector<ElfSection> sections = ElfSections(image, elf);
  std::vector<SectionInfo> infos;
  for (const ElfSection& s : sections) infos.push_back(s.info);
  const int index = FindSection(infos);
  if (index < 0) return FailFinding(index, error);
  const ElfSection q = sections[static_cast<size_t>(index)];
  if (q.type == kShtNobits) return Fail(error, "the _qzpk_ section has no data in the file");
  uint64_t segment = ElfPayloadSegment(image, elf, q);
  if (segment == 0) return Fail(error, "the _qzpk_ section does not end the last loadable segment");
  if (q.info.file_offset > image.Size() || q.info.file_size > image.Size() - q.info.file_offset) {
    return Fail(error, "the _qzpk_ section lies outside the file");
  }
  // Growing rewrites everything from the section's start and patches the
  // program headers where they are: both headers must lie before it, apart
  // from each other.
  if (q.info.file_offset < kElfHeaderSize || q.info.file_offset < elf.phoff + 56ull * elf.phnum ||
      (elf.phnum != 0 && elf.phoff < kElfHeaderSize)) {
    return Fail(error, "the _qzpk_ section overlaps the ELF headers");
  }
  const uint64_t old_end = q.info.file_offset + q.info.file_size;
  if (OverlapsPayload(infos, index, old_end)) {
    return Fail(error, "another section's data lies inside the _qzpk_ section");
  }
  uint64_t shift_alignment = 8;
  for (const ElfSection& s : sections) {
    if (s.header == q.header || s.info.file_offset < old_end || s.info.file_size == 0) continue;
    if (s.flags & kShfAlloc) return Fail(error, "a loaded section follows _qzpk_ in the file");
    // Sections behind the payload (symbols, strings, debug data) ask for a
    // few bytes of alignment; a larger demand is not a linker's.
    if (s.alignment > kMaxShiftAlignment) {
      return Fail(error, "a section behind _qzpk_ asks for an alignment above 64 KiB");
    }
    shift_alignment = std::max(shift_alignment, s.alignment);
  }
  if (elf.shoff < old_end) return Fail(error, "the section header table lies before _qzpk_");
  const uint64_t new_size = std::max<uint64_t>(contents_size, q.info.file_size);
  const uint64_t growth = new_size - q.info.file_size;
  const uint64_t shift = AlignUp(growth, shift_alignment);

  grown->head.assign(stub.begin(), stub.begin() + static_cast<std::ptrdiff_t>(q.info.file_offset));
  grown->contents_size = contents_size;
  grown->padding = new_size - contents_size + (shift - growth);
  grown->tail.assign(stub.begin() + static_cast<std::ptrdiff_t>(old_end), stub.end());
  grown->checksum_offset = 0;

  // The program headers sit before the payload; the section header table
  // lies behind it and moved by `shift` along with the sections after it.
  Reader r(image);
  bool patched = PutField(grown, segment + 32, r.U64(segment + 32) + growth, 8) &&
                 PutField(grown, segment + 40, r.U64(segment + 40) + growth, 8);
  for (const ElfSection& s : sections) {
    if (s.header == q.header || s.info.file_offset < old_end) continue;
    patched = patched && PutField(grown, s.header + shift + 24, s.info.file_offset + shift, 8);
  }
  patched = patched && PutField(grown, q.header + shift + 32, new_size, 8) && PutField(grown, 40, elf.shoff + shift, 8);
  return patched || Fail(error, kHeadersAmongContents);
}

// A grown image describes itself as before: the same sections by name and
// order, the payload section at its old offset, still last, and holding at
// least the new contents.
bool GrownAsBefore(const ImageBytes& before, const ImageBytes& after, uint64_t contents_size) {
  const ImageInfo old_info = DescribeImage(before);
  const ImageInfo new_info = DescribeImage(after);
  if (!new_info.error.empty() || !new_info.payload_is_last || new_info.kind != old_info.kind ||
      new_info.sections.size() != old_info.sections.size()) {
    return false;
  }
  for (size_t i = 0; i < new_info.sections.size(); ++i) {
    if (new_info.sections[i].name != old_info.sections[i].name) return false;
  }
  const int index = FindSection(new_info.sections);
  if (index < 0) return false;
  const SectionInfo& q = new_info.sections[static_cast<size_t>(index)];
  const uint64_t held = new_info.kind == ImageKind::kPe ? std::min(q.memory_size, q.file_size) : q.file_size;
  return q.file_offset == old_info.sections[static_cast<size_t>(index)].file_offset && held >= contents_size;
}

}  // namespace

bool MemoryImage::ReadAt(uint64_t offset, void* buffer, size_t length) const {
  if (offset > bytes_.size() || length > bytes_.size() - offset) return false;
  if (length != 0) std::memcpy(buffer, bytes_.data() + offset, length);
  return true;
}

bool FileImage::Open(const std::string& path) {
  window_.clear();
  if (!file_.Open(path.c_str(), "rb") || !file_.Seek(0, platform::SeekOrigin::kEnd)) return false;
  const int64_t size = file_.Tell();
  if (size < 0) return false;
  size_ = static_cast<uint64_t>(size);
  return true;
}

bool FileImage::ReadAt(uint64_t offset, void* buffer, size_t length) const {
  constexpr size_t kWindow = 64 * 1024;
  if (!file_.IsOpen() || offset > size_ || length > size_ - offset) return false;
  if (length == 0) return true;
  if (length > kWindow) {
    return file_.Seek(static_cast<int64_t>(offset), platform::SeekOrigin::kBegin) &&
           file_.Read(buffer, length) == length;
  }
  if (offset < window_offset_ || offset + length > window_offset_ + window_.size()) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kWindow, size_ - offset));
    window_.resize(n);
    window_offset_ = offset;
    if (!file_.Seek(static_cast<int64_t>(offset), platform::SeekOrigin::kBegin) ||
        file_.Read(window_.data(), n) != n) {
      window_.clear();
      return false;
    }
  }
  std::memcpy(buffer, window_.data() + (offset - window_offset_), length);
  return true;
}

ImageKind DetectImageKind(const ImageBytes& image) {
  if (IsElf(image)) return ImageKind::kElf;
  PeLayout pe;
  std::string ignored;
  char magic[2] = {};
  if (image.Size() >= 64 && image.ReadAt(0, magic, 2) && magic[0] == 'M' && magic[1] == 'Z' &&
      ParsePe(image, &pe, &ignored)) {
    return ImageKind::kPe;
  }
  return ImageKind::kUnknown;
}

ImageInfo DescribeImage(const ImageBytes& image) {
  ImageInfo info;
  info.kind = DetectImageKind(image);
  if (info.kind == ImageKind::kPe) {
    PeLayout pe;
    if (!ParsePe(image, &pe, &info.error)) return info;
    info.sections = PeSections(image, pe);
    info.imported_dlls = PeImports(image, pe, info.sections);
    info.payload_is_last = PePayloadIsLast(image.Size(), info.sections, FindSection(info.sections));
    info.gui_subsystem = pe.subsystem == kSubsystemGui;
    info.has_symbol_table = pe.symbol_table != 0;
  } else if (info.kind == ImageKind::kElf) {
    ElfLayout elf;
    if (!ParseElf(image, &elf, &info.error)) return info;
    std::vector<ElfSection> sections = ElfSections(image, elf);
    for (const ElfSection& s : sections) info.sections.push_back(s.info);
    int index = FindSection(info.sections);
    if (index >= 0) info.payload_is_last = ElfPayloadSegment(image, elf, sections[static_cast<size_t>(index)]) != 0;
  } else {
    info.error = "neither a PE nor an ELF image";
  }
  return info;
}

bool LocatePayloadSection(const ImageBytes& image, SectionSpan* span, std::string* error) {
  ImageInfo info = DescribeImage(image);
  if (!info.error.empty()) return Fail(error, info.error);
  int index = FindSection(info.sections);
  if (index < 0) return FailFinding(index, error);
  const SectionInfo& q = info.sections[index];
  uint64_t size = info.kind == ImageKind::kPe ? std::min(q.memory_size, q.file_size) : q.file_size;
  if (q.file_offset > image.Size() || size > image.Size() - q.file_offset) {
    return Fail(error, "the _qzpk_ section lies outside the file");
  }
  span->offset = q.file_offset;
  span->size = size;
  return true;
}

bool ReadPayloadSection(const ImageBytes& image, Bytes* contents, std::string* error) {
  SectionSpan span;
  if (!LocatePayloadSection(image, &span, error)) return false;
  contents->resize(static_cast<size_t>(span.size));
  return image.ReadAt(span.offset, contents->data(), contents->size()) ||
         Fail(error, "the _qzpk_ section cannot be read");
}

bool PayloadGrowth::Prepare(const Bytes& stub, std::string* error) {
  stub_ = stub;
  kind_ = DetectImageKind(stub_);
  SectionSpan span;
  if (kind_ == ImageKind::kUnknown) return Fail(error, "neither a PE nor an ELF image");
  if (!LocatePayloadSection(MemoryImage(stub_), &span, error)) return false;
  contents_offset_ = span.offset;
  // Grown to the size it has: whatever the checks of Lay missed in a
  // crafted image (a name table, a header laid over the section) shows as
  // an image that no longer describes itself, before anything is written.
  GrownImage grown;
  return Lay(span.size, &grown, error) && CheckGrown(SplicedImage(grown), span.size, error);
}

bool PayloadGrowth::Lay(uint64_t contents_size, GrownImage* grown, std::string* error) const {
  switch (kind_) {
    case ImageKind::kPe:
      return LayPe(stub_, contents_size, grown, error);
    case ImageKind::kElf:
      return LayElf(stub_, contents_size, grown, error);
    default:
      return Fail(error, "neither a PE nor an ELF image");
  }
}

bool PayloadGrowth::CheckGrown(const ImageBytes& grown, uint64_t contents_size, std::string* error) const {
  return GrownAsBefore(MemoryImage(stub_), grown, contents_size) ||
         Fail(error, "growing would change the image's headers: they overlap the _qzpk_ section");
}

void ImageChecksum::Add(const uint8_t* data, size_t length) {
  // Words are little-endian pairs from even offsets: a byte at an odd
  // offset is the high half of its word.
  const auto in_field = [this](uint64_t at) { return at >= field_ && at - field_ < 4; };
  for (size_t i = 0; i < length;) {
    const uint64_t at = position_ + i;
    if ((at & 1) == 0 && i + 1 < length && !in_field(at) && !in_field(at + 1)) {
      sum_ += static_cast<uint64_t>(data[i]) | (static_cast<uint64_t>(data[i + 1]) << 8);
      i += 2;
      continue;
    }
    if (!in_field(at)) sum_ += static_cast<uint64_t>(data[i]) << (8 * (at & 1));
    ++i;
  }
  position_ += length;
}

uint32_t ImageChecksum::Value() const {
  uint64_t sum = sum_;
  while ((sum >> 16) != 0) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + position_);
}

bool GrowPayloadSection(Bytes* image, const Bytes& contents, std::string* error) {
  PayloadGrowth growth;
  GrownImage grown;
  if (!growth.Prepare(*image, error) || !growth.Lay(contents.size(), &grown, error)) return false;
  Bytes out;
  out.reserve(grown.Size());
  out = grown.head;
  out.insert(out.end(), contents.begin(), contents.end());
  out.resize(out.size() + grown.padding, 0);
  out.insert(out.end(), grown.tail.begin(), grown.tail.end());
  if (grown.checksum_offset != 0) {
    ImageChecksum checksum(grown.checksum_offset);
    checksum.Add(out.data(), out.size());
    const uint32_t value = checksum.Value();
    for (int i = 0; i < 4; ++i) out[grown.checksum_offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  if (!growth.CheckGrown(MemoryImage(out), contents.size(), error)) return false;
  image->swap(out);
  return true;
}

bool ReadWholeFile(const std::string& path, Bytes* out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  out->clear();
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out->insert(out->end(), buffer, buffer + n);
  bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

bool WriteWholeFile(const std::string& path, const Bytes& data) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace mv::tools
