// The package inside the program's own _qzpk_ section: the header record
// that announces the container, and the presentation data that may come
// with it. The section is read in place; nothing is copied but the texts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "base/string.h"

namespace mv {

// Field offsets of the header record (32-bit little-endian words, counted
// from the header's first byte).
struct PayloadHeader {
  static constexpr uint32_t kPlainSize = 12;   // size, marker, data size
  static constexpr uint32_t kLayoutSize = 48;  // plus the layout offsets
  static constexpr uint32_t kMarker = 23;
  static constexpr size_t kAlignment = 256;
  static constexpr size_t kSearchLimit = 256000;

  static constexpr size_t kSizeField = 0;
  static constexpr size_t kMarkerField = 4;
  static constexpr size_t kDataSizeField = 8;
  static constexpr size_t kBitmapSizeField = 16;
  static constexpr size_t kBitmapOffsetField = 32;
  static constexpr size_t kInfoOffsetField = 36;
  static constexpr size_t kLinkOffsetField = 40;
  static constexpr size_t kDisclaimerOffsetField = 44;
};

// A located header: where it starts and what of the section lies behind it.
struct PayloadView {
  const uint8_t* header = nullptr;  // first byte of the header record
  size_t available = 0;             // section bytes from header to section end
  uint32_t header_size = 0;         // 12 or 48
  uint32_t data_size = 0;           // container bytes announced

  bool IsFound() const { return header != nullptr; }
  // The container bytes, or null when the announced size runs past the end
  // of the section (a packaging tool never writes that).
  const uint8_t* ContainerData() const;
};

struct PayloadLayout {
  int32_t has_layout = 0;
  String info_text;
  String link_text;
  String disclaimer_text;
  const uint8_t* bitmap_data = nullptr;  // points into the section, not owned
  uint32_t bitmap_size = 0;
};

// Scans a section image for the first header at a multiple of 256 bytes
// below 256000 whose marker is 23 and whose size word is 12 or 48. Reads only
// inside [section, section + size).
PayloadView FindPayloadHeaderIn(const uint8_t* section, size_t size);

// The same on the live section of the running program; not found when the
// program has no _qzpk_ section.
PayloadView FindPayloadHeader();

// Fills the layout from a located header. Text and bitmap offsets that point
// outside the section leave that field empty; a text that is not terminated
// inside the section ends at the section's end.
Result LoadLayoutFrom(const PayloadView& view, PayloadLayout* layout);

// kNoPayload when the live section holds no header, otherwise kOk.
Result LoadLayout(PayloadLayout* layout);

}  // namespace mv
