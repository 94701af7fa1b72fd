// The packer's image handling, and the built stub itself: one
// self-contained executable whose payload section ends the image, as the
// packer needs it.
#include "tools/executable_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "tests/support/temp_folder.h"
#include "tests/support/test_env.h"
#include "tests/tools/stub_image.h"

namespace mv::tools {
namespace {

using test_stub::LoadStub;
using test_stub::Pattern;

// Contents of every section but the payload, by name.
std::vector<std::pair<std::string, Bytes>> OtherSections(const Bytes& image) {
  std::vector<std::pair<std::string, Bytes>> out;
  for (const SectionInfo& s : DescribeImage(image).sections) {
    if (s.name == "_qzpk_" || s.file_size == 0) continue;
    out.emplace_back(s.name, Bytes(image.begin() + static_cast<std::ptrdiff_t>(s.file_offset),
                                   image.begin() + static_cast<std::ptrdiff_t>(s.file_offset + s.file_size)));
  }
  return out;
}

TEST(ExecutableImage, GrowingKeepsEverythingElseAndEndsTheImage) {
  const Bytes stub = LoadStub();
  for (size_t size : {size_t{10}, size_t{4097}, size_t{3} << 20}) {
    Bytes image = stub;
    Bytes contents = Pattern(size);
    std::string error;
    ASSERT_TRUE(GrowPayloadSection(&image, contents, &error)) << size << ": " << error;
    ImageInfo info = DescribeImage(image);
    ASSERT_TRUE(info.error.empty()) << info.error;
    EXPECT_TRUE(info.payload_is_last) << size;
    EXPECT_EQ(OtherSections(image), OtherSections(stub)) << size;
    Bytes back;
    ASSERT_TRUE(ReadPayloadSection(image, &back, &error)) << error;
    contents.resize(std::max<size_t>(size, 4096), 0);
    EXPECT_EQ(back, contents) << size;
    // A grown image grows again.
    ASSERT_TRUE(GrowPayloadSection(&image, Pattern(size + 250000), &error)) << error;
    ASSERT_TRUE(ReadPayloadSection(image, &back, &error)) << error;
    EXPECT_EQ(back, Pattern(size + 250000)) << size;
  }
}

TEST(ExecutableImage, AFileIsDescribedAsItsBytesAre) {
  test::TempFolder temp;
  Bytes image = LoadStub();
  std::string error;
  ASSERT_TRUE(GrowPayloadSection(&image, Pattern(300000), &error)) << error;
  ASSERT_TRUE(WriteWholeFile(temp.Join("grown"), image));
  FileImage file;
  ASSERT_TRUE(file.Open(temp.Join("grown")));
  EXPECT_EQ(file.Size(), image.size());
  const ImageInfo from_file = DescribeImage(file);
  const ImageInfo from_memory = DescribeImage(image);
  ASSERT_TRUE(from_file.error.empty()) << from_file.error;
  EXPECT_EQ(from_file.kind, from_memory.kind);
  EXPECT_EQ(from_file.imported_dlls, from_memory.imported_dlls);
  EXPECT_TRUE(from_file.payload_is_last);
  ASSERT_EQ(from_file.sections.size(), from_memory.sections.size());
  for (size_t i = 0; i < from_file.sections.size(); ++i) {
    EXPECT_EQ(from_file.sections[i].name, from_memory.sections[i].name);
    EXPECT_EQ(from_file.sections[i].file_offset, from_memory.sections[i].file_offset);
    EXPECT_EQ(from_file.sections[i].file_size, from_memory.sections[i].file_size);
  }
  SectionSpan span;
  ASSERT_TRUE(LocatePayloadSection(file, &span, &error)) << error;
  Bytes section(static_cast<size_t>(span.size));
  ASSERT_TRUE(file.ReadAt(span.offset, section.data(), section.size()));
  EXPECT_EQ(section, Pattern(300000));
  uint8_t byte = 0;
  EXPECT_FALSE(file.ReadAt(image.size(), &byte, 1));
  EXPECT_FALSE(file.ReadAt(image.size() - 1, section.data(), 2));
}

TEST(ExecutableImage, TheChecksumIsTheLinkersWhateverThePieces) {
  const Bytes bytes = Pattern(100001);
  for (uint64_t field : {uint64_t{64}, uint64_t{65}, uint64_t{99998}}) {
    ImageChecksum whole(field);
    whole.Add(bytes.data(), bytes.size());
    for (size_t cut : {size_t{1}, size_t{63}, size_t{66}, size_t{50000}}) {
      ImageChecksum pieces(field);
      pieces.Add(bytes.data(), cut);
      pieces.Add(bytes.data() + cut, 1);
      pieces.Add(bytes.data() + cut + 1, bytes.size() - cut - 1);
      EXPECT_EQ(pieces.Value(), whole.Value()) << field << " " << cut;
    }
  }
#ifdef _WIN32
  // The linker sums the stub as built; so must the packer.
  const Bytes stub = LoadStub();
  const uint64_t field = stub[0x3C] + (stub[0x3D] << 8) + 24 + 64;
  ImageChecksum checksum(field);
  checksum.Add(stub.data(), stub.size());
  EXPECT_EQ(checksum.Value(), stub[field] | (stub[field + 1] << 8) | (stub[field + 2] << 16) |
                                  (static_cast<uint32_t>(stub[field + 3]) << 24));
#endif
}

TEST(ExecutableImage, RefusesWhatItCannotGrowSafely) {
  std::string error;
  Bytes garbage = Pattern(4096);
  Bytes truncated = LoadStub();
  truncated.resize(300);
  std::vector<Bytes*> refused = {&garbage, &truncated};
#ifdef _WIN32
  // Data behind the last section of a PE file (an overlay or a signature)
  // would be cut off by growing; ELF files keep theirs behind the moved tables.
  Bytes trailing = LoadStub();
  trailing.insert(trailing.end(), 512, 0xAB);
  refused.push_back(&trailing);
#endif
  for (Bytes* image : refused) {
    Bytes before = *image;
    error.clear();
    EXPECT_FALSE(GrowPayloadSection(image, Pattern(10), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(*image, before);
  }
}

#ifdef _WIN32
TEST(ExecutableImage, TellsThatASignedStubIsSignedAfterPacking) {
  // A certificate table behind the image, as signing leaves it, and the
  // directory entry that points at it.
  Bytes signed_stub = LoadStub();
  const uint64_t table = signed_stub.size();
  signed_stub.insert(signed_stub.end(), 512, 0x30);
  const uint64_t entry = signed_stub[0x3C] + (signed_stub[0x3D] << 8) + 24 + 112 + 8 * 4;
  for (int i = 0; i < 4; ++i) {
    signed_stub[entry + i] = static_cast<uint8_t>(table >> (8 * i));
    signed_stub[entry + 4 + i] = static_cast<uint8_t>(512 >> (8 * i));
  }
  PayloadGrowth growth;
  GrownImage grown;
  std::string error;
  EXPECT_FALSE(growth.Prepare(signed_stub, &error) && growth.Lay(10, &grown, &error));
  EXPECT_NE(error.find("sign the self-extractor afterwards (code 313)"), std::string::npos) << error;
}
#endif

TEST(StubImage, SelfContainedWithThePayloadSectionLastAndAsBuilt) {
  const Bytes image = LoadStub();
  ImageInfo info = DescribeImage(image);
  ASSERT_TRUE(info.error.empty()) << info.error;
#ifdef _WIN32
  EXPECT_EQ(info.kind, ImageKind::kPe);
  EXPECT_TRUE(info.gui_subsystem);
  EXPECT_FALSE(info.has_symbol_table);
  // Only system libraries: the program runs without anything beside it.
  const char* system_dlls[] = {"kernel32.dll", "user32.dll",  "gdi32.dll",   "advapi32.dll", "shell32.dll",
                               "ole32.dll",    "comdlg32.dll", "comctl32.dll", "msvcrt.dll",   "ws2_32.dll",
                               "bcrypt.dll",   "shlwapi.dll",  "ntdll.dll"};
  ASSERT_FALSE(info.imported_dlls.empty());
  for (std::string dll : info.imported_dlls) {
    std::transform(dll.begin(), dll.end(), dll.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_TRUE(std::find(std::begin(system_dlls), std::end(system_dlls), dll) != std::end(system_dlls))
        << dll << " is not a system library";
  }
#else
  EXPECT_EQ(info.kind, ImageKind::kElf);
#endif
  EXPECT_TRUE(info.payload_is_last);
  Bytes section;
  std::string error;
  ASSERT_TRUE(ReadPayloadSection(image, &section, &error)) << error;
  ASSERT_EQ(section.size(), 4096u);
  EXPECT_EQ(section[0], 1);
  EXPECT_TRUE(std::all_of(section.begin() + 1, section.end(), [](uint8_t b) { return b == 0; }));
}

}  // namespace
}  // namespace mv::tools
