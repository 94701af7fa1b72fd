#include "tools/executable_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace mv::tools {
namespace {

constexpr char kPayloadSectionName[] = "_qzpk_";

// Bounds-checked little-endian access to an image; a read outside the image
// yields 0 and marks the reader as failed, so parsing code checks once.
class Reader {
 public:
  explicit Reader(const Bytes& image) : image_(image) {}
  uint64_t Get(uint64_t offset, unsigned width) {
    if (offset > image_.size() || width > image_.size() - offset) {
      ok_ = false;
      return 0;
    }
    uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i) value |= static_cast<uint64_t>(image_[offset + i]) << (8 * i);
    return value;
  }
  uint16_t U16(uint64_t offset) { return static_cast<uint16_t>(Get(offset, 2)); }
  uint32_t U32(uint64_t offset) { return static_cast<uint32_t>(Get(offset, 4)); }
  uint64_t U64(uint64_t offset) { return Get(offset, 8); }
  std::string Text(uint64_t offset, size_t max) {
    std::string out;
    while (offset < image_.size() && out.size() < max && image_[offset] != 0) {
      out.push_back(static_cast<char>(image_[offset++]));
    }
    return out;
  }
  bool ok() const { return ok_; }

 private:
  const Bytes& image_;
  bool ok_ = true;
};

void Put(Bytes* image, uint64_t offset, uint64_t value, unsigned width) {
  for (unsigned i = 0; i < width; ++i) (*image)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return alignment == 0 ? value : (value + alignment - 1) / alignment * alignment;
}

bool Fail(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return false;
}

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

bool ParsePe(const Bytes& image, PeLayout* pe, std::string* error) {
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
  if (!r.ok() || pe->section_table + kSectionHeaderSize * pe->section_count > image.size()) {
    return Fail(error, "truncated PE headers");
  }
  return true;
}

std::vector<SectionInfo> PeSections(const Bytes& image, const PeLayout& pe) {
  Reader r(image);
  std::vector<SectionInfo> sections;
  for (uint16_t i = 0; i < pe.section_count; ++i) {
    uint64_t h = pe.section_table + kSectionHeaderSize * i;
    SectionInfo s;
    for (int c = 0; c < 8 && image[h + c] != 0; ++c) s.name.push_back(static_cast<char>(image[h + c]));
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

std::vector<std::string> PeImports(const Bytes& image, const PeLayout& pe,
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

bool PePayloadIsLast(const Bytes& image, const std::vector<SectionInfo>& sections, int index) {
  if (index < 0 || index + 1 != static_cast<int>(sections.size())) return false;
  const SectionInfo& q = sections[index];
  for (const SectionInfo& s : sections) {
    if (&s != &q && (s.address >= q.address || s.file_offset >= q.file_offset)) return false;
  }
  return q.file_offset + q.file_size == image.size();
}

// The PE checksum: 16-bit one's-complement style sum of the file with the
// checksum field taken as zero, plus the file length.
uint32_t PeChecksum(const Bytes& image, uint64_t checksum_offset) {
  uint64_t sum = 0;
  for (size_t i = 0; i < image.size(); i += 2) {
    if (i == checksum_offset || i == checksum_offset + 2) continue;
    uint32_t word = image[i];
    if (i + 1 < image.size()) word |= static_cast<uint32_t>(image[i + 1]) << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + image.size());
}

bool GrowPe(const Bytes& image, const Bytes& contents, Bytes* out, std::string* error) {
  PeLayout pe;
  if (!ParsePe(image, &pe, error)) return false;
  std::vector<SectionInfo> sections = PeSections(image, pe);
  int index = FindSection(sections);
  if (index < 0) return FailFinding(index, error);
  if (!PePayloadIsLast(image, sections, index)) {
    return Fail(error, "the _qzpk_ section is not the last part of the image (trailing data?)");
  }
  if (pe.symbol_table != 0) return Fail(error, "the image carries a COFF symbol table (not stripped)");
  if (pe.certificate_size != 0) return Fail(error, "the image is signed; grow it before signing");
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
  uint64_t virtual_size = std::max<uint64_t>(contents.size(), q.memory_size);
  // The file holds the contents or the section's present data, whichever is
  // longer; a larger virtual size stays zero-filled memory, as before.
  uint64_t raw_size = AlignUp(std::max<uint64_t>(contents.size(), std::min(q.memory_size, q.file_size)),
                              pe.file_alignment);
  uint64_t image_size = AlignUp(q.address + virtual_size, pe.section_alignment);
  if (q.file_offset + raw_size > 0xFFFFFFFFull || image_size > 0xFFFFFFFFull) {
    return Fail(error, "the payload does not fit into a PE image");
  }
  out->reserve(q.file_offset + raw_size);
  out->assign(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(q.file_offset));
  out->insert(out->end(), contents.begin(), contents.end());
  out->resize(q.file_offset + raw_size, 0);

  Reader r(*out);
  uint64_t header = pe.section_table + kSectionHeaderSize * index;
  Put(out, header + 8, virtual_size, 4);
  Put(out, header + 16, raw_size, 4);
  uint32_t initialized = r.U32(pe.optional + kOptSizeOfInitializedData);
  Put(out, pe.optional + kOptSizeOfInitializedData, initialized - q.file_size + raw_size, 4);
  Put(out, pe.optional + kOptSizeOfImage, image_size, 4);
  Put(out, pe.optional + kOptCheckSum, PeChecksum(*out, pe.optional + kOptCheckSum), 4);
  return true;
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

bool ParseElf(const Bytes& image, ElfLayout* elf, std::string* error) {
  Reader r(image);
  if (image.size() < kElfHeaderSize || std::memcmp(image.data(), "\x7f" "ELF", 4) != 0) {
    return Fail(error, "no ELF header");
  }
  if (image[4] != 2 || image[5] != 1) return Fail(error, "not a little-endian 64-bit ELF image");
  elf->phoff = r.U64(32);
  elf->shoff = r.U64(40);
  elf->phentsize = r.U16(54);
  elf->phnum = r.U16(56);
  elf->shentsize = r.U16(58);
  elf->shnum = r.U16(60);
  elf->shstrndx = r.U16(62);
  if (elf->phentsize != 56 || elf->shentsize != 64) return Fail(error, "unexpected ELF header sizes");
  if (elf->phoff > image.size() || elf->phnum * 56ull > image.size() - elf->phoff ||
      elf->shoff > image.size() || elf->shnum * 64ull > image.size() - elf->shoff ||
      elf->shstrndx >= elf->shnum) {
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

std::vector<ElfSection> ElfSections(const Bytes& image, const ElfLayout& elf) {
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
uint64_t ElfPayloadSegment(const Bytes& image, const ElfLayout& elf, const ElfSection& q) {
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

bool GrowElf(const Bytes& image, const Bytes& contents, Bytes* out, std::string* error) {
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
  if (q.info.file_offset > image.size() || q.info.file_size > image.size() - q.info.file_offset) {
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
  const uint64_t new_size = std::max<uint64_t>(contents.size(), q.info.file_size);
  const uint64_t growth = new_size - q.info.file_size;
  const uint64_t shift = AlignUp(growth, shift_alignment);

  out->reserve(image.size() + shift);
  out->assign(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(q.info.file_offset));
  out->insert(out->end(), contents.begin(), contents.end());
  out->resize(q.info.file_offset + new_size + (shift - growth), 0);
  out->insert(out->end(), image.begin() + static_cast<std::ptrdiff_t>(old_end), image.end());

  // The program headers sit before the payload; the section header table
  // lies behind it and moved by `shift` along with the sections after it.
  Reader r(*out);
  Put(out, segment + 32, r.U64(segment + 32) + growth, 8);
  Put(out, segment + 40, r.U64(segment + 40) + growth, 8);
  for (const ElfSection& s : sections) {
    if (s.header == q.header || s.info.file_offset < old_end) continue;
    Put(out, s.header + shift + 24, s.info.file_offset + shift, 8);
  }
  Put(out, q.header + shift + 32, new_size, 8);
  Put(out, 40, elf.shoff + shift, 8);
  return true;
}

}  // namespace

ImageKind DetectImageKind(const Bytes& image) {
  if (image.size() >= 64 && std::memcmp(image.data(), "\x7f" "ELF", 4) == 0) return ImageKind::kElf;
  PeLayout pe;
  std::string ignored;
  if (image.size() >= 64 && image[0] == 'M' && image[1] == 'Z' && ParsePe(image, &pe, &ignored)) {
    return ImageKind::kPe;
  }
  return ImageKind::kUnknown;
}

ImageInfo DescribeImage(const Bytes& image) {
  ImageInfo info;
  info.kind = DetectImageKind(image);
  if (info.kind == ImageKind::kPe) {
    PeLayout pe;
    if (!ParsePe(image, &pe, &info.error)) return info;
    info.sections = PeSections(image, pe);
    info.imported_dlls = PeImports(image, pe, info.sections);
    info.payload_is_last = PePayloadIsLast(image, info.sections, FindSection(info.sections));
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

bool ReadPayloadSection(const Bytes& image, Bytes* contents, std::string* error) {
  ImageInfo info = DescribeImage(image);
  if (!info.error.empty()) return Fail(error, info.error);
  int index = FindSection(info.sections);
  if (index < 0) return FailFinding(index, error);
  const SectionInfo& q = info.sections[index];
  uint64_t size = info.kind == ImageKind::kPe ? std::min(q.memory_size, q.file_size) : q.file_size;
  if (q.file_offset > image.size() || size > image.size() - q.file_offset) {
    return Fail(error, "the _qzpk_ section lies outside the file");
  }
  contents->assign(image.begin() + static_cast<std::ptrdiff_t>(q.file_offset),
                   image.begin() + static_cast<std::ptrdiff_t>(q.file_offset + size));
  return true;
}

namespace {

// A grown image describes itself as before: the same sections by name and
// order, the payload section at its old offset, still last, and holding at
// least the new contents.
bool GrownAsBefore(const Bytes& before, const Bytes& after, uint64_t contents_size) {
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

bool GrowPayloadSection(Bytes* image, const Bytes& contents, std::string* error) {
  Bytes out;
  switch (DetectImageKind(*image)) {
    case ImageKind::kPe:
      if (!GrowPe(*image, contents, &out, error)) return false;
      break;
    case ImageKind::kElf:
      if (!GrowElf(*image, contents, &out, error)) return false;
      break;
    default:
      return Fail(error, "neither a PE nor an ELF image");
  }
  // Whatever the checks above missed in a crafted image (a name table, a
  // header laid over what was rewritten) shows here; the image stays as it
  // was.
  if (!GrownAsBefore(*image, out, contents.size())) {
    return Fail(error, "growing would change the image's headers: they overlap the _qzpk_ section");
  }
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
