#include "app/payload.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;

void PutWord(Bytes& section, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) section[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutText(Bytes& section, size_t offset, const std::string& text) {
  std::memcpy(section.data() + offset, text.c_str(), text.size() + 1);
}

// A section as the packer lays it out, built from a list of edits.
struct Edit {
  size_t offset;
  std::vector<uint32_t> words;
};

Bytes MakeSection(size_t size, const std::vector<Edit>& edits) {
  Bytes section(size, 0);
  for (const Edit& e : edits) {
    for (size_t i = 0; i < e.words.size(); ++i) PutWord(section, e.offset + 4 * i, e.words[i]);
  }
  return section;
}

const Bytes kAsBuilt = MakeSection(4096, {{0, {1}}});

// A 48-byte header at 256 whose texts and bitmap lie behind the container.
Bytes LayoutSection() {
  Bytes s = MakeSection(4096, {{256, {48, 23, 100, 0, 6, 0, 0, 0, 600, 700, 800, 900}}});
  PutText(s, 256 + 700, "Quarterly figures");
  PutText(s, 256 + 800, "www.example.org/info");
  PutText(s, 256 + 900, "Read me first");
  std::memcpy(s.data() + 256 + 600, "BM\x06\0\0\0", 6);
  return s;
}

struct Expectation {
  long header_offset;  // -1: not found
  uint32_t header_size;
  uint32_t data_size;
  long container_offset;
};

struct ScanCase {
  const char* name;
  Bytes section;
  Expectation expected;
};

std::vector<ScanCase> ScanCases() {
  return {
      {"as built", kAsBuilt, {-1, 0, 0, -1}},
      {"plain header at 512", MakeSection(4096, {{0, {1}}, {512, {12, 23, 300}}}), {512, 12, 300, 524}},
      {"first of 256 and 1024 wins", MakeSection(4096, {{256, {12, 23, 5}}, {1024, {48, 23, 6}}}), {256, 12, 5, 268}},
      {"not at a multiple of 256", MakeSection(4096, {{300, {12, 23, 5}}}), {-1, 0, 0, -1}},
      {"size word 24 is skipped", MakeSection(4096, {{256, {24, 23, 5}}, {512, {48, 23, 7}}}), {512, 48, 7, 560}},
      {"marker other than 23", MakeSection(4096, {{0, {12, 22, 5}}}), {-1, 0, 0, -1}},
      {"last position below the limit", MakeSection(256004 + 8, {{255744, {12, 23, 0}}}), {255744, 12, 0, 255756}},
      {"at the search limit", MakeSection(256000 + 4096, {{256000, {12, 23, 0}}}), {-1, 0, 0, -1}},
      {"data size past the section end", MakeSection(1024, {{512, {12, 23, 600}}}), {512, 12, 600, -1}},
      {"header in the last 8 bytes", MakeSection(520, {{512, {12, 23}}}), {512, 12, 0, -1}},
      {"header cut by the section end", MakeSection(516, {{512, {12}}}), {-1, 0, 0, -1}},
  };
}

TEST(PayloadHeader, ScanFindsTheFirstValidHeader) {
  for (const ScanCase& c : ScanCases()) {
    // An exactly sized heap copy: a read past the end shows under the sanitizers.
    std::vector<uint8_t> exact(c.section);
    PayloadView view = FindPayloadHeaderIn(exact.data(), exact.size());
    long offset = view.IsFound() ? static_cast<long>(view.header - exact.data()) : -1;
    EXPECT_EQ(offset, c.expected.header_offset) << c.name;
    EXPECT_EQ(view.header_size, c.expected.header_size) << c.name;
    EXPECT_EQ(view.data_size, c.expected.data_size) << c.name;
    const uint8_t* data = view.ContainerData();
    EXPECT_EQ(data == nullptr ? -1 : static_cast<long>(data - exact.data()), c.expected.container_offset) << c.name;
  }
}

TEST(PayloadLayout, FilledOnlyFromALayoutHeader) {
  Bytes s = LayoutSection();
  PayloadLayout layout;
  ASSERT_EQ(LoadLayoutFrom(FindPayloadHeaderIn(s.data(), s.size()), &layout), kOk);
  EXPECT_EQ(layout.has_layout, 1);
  EXPECT_STREQ(layout.info_text.c_str(), "Quarterly figures");
  EXPECT_STREQ(layout.link_text.c_str(), "www.example.org/info");
  EXPECT_STREQ(layout.disclaimer_text.c_str(), "Read me first");
  EXPECT_EQ(layout.bitmap_data, s.data() + 256 + 600);
  EXPECT_EQ(layout.bitmap_size, 6u);

  PayloadLayout empty;
  Bytes plain = MakeSection(4096, {{512, {12, 23, 3}}});
  EXPECT_EQ(LoadLayoutFrom(FindPayloadHeaderIn(plain.data(), plain.size()), &empty), kOk);
  EXPECT_EQ(empty.has_layout, 0);
  EXPECT_TRUE(empty.info_text.IsEmpty());
  EXPECT_EQ(empty.bitmap_data, nullptr);

  PayloadLayout none;
  EXPECT_EQ(LoadLayoutFrom(FindPayloadHeaderIn(kAsBuilt.data(), kAsBuilt.size()), &none), kNoPayload);
}

TEST(PayloadLayout, OffsetsOutsideTheSectionLeaveFieldsEmpty) {
  // Texts at or past the end, a bitmap that runs past it, and an unterminated
  // text that ends with the section: nothing is read beyond the last byte.
  Bytes s = MakeSection(1024, {{0, {48, 23, 0, 0, 100, 0, 0, 0, 1000, 1024, 0xFFFFFFF0u, 1020}}});
  std::memcpy(s.data() + 1020, "abcd", 4);
  PayloadLayout layout;
  ASSERT_EQ(LoadLayoutFrom(FindPayloadHeaderIn(s.data(), s.size()), &layout), kOk);
  EXPECT_EQ(layout.has_layout, 1);
  EXPECT_TRUE(layout.info_text.IsEmpty());
  EXPECT_TRUE(layout.link_text.IsEmpty());
  EXPECT_STREQ(layout.disclaimer_text.c_str(), "abcd");
  EXPECT_EQ(layout.bitmap_data, nullptr);
  EXPECT_EQ(layout.bitmap_size, 0u);
}

}  // namespace
}  // namespace mv
