#include "app/payload.h"

#include <cstring>

#include "base/little_endian.h"
#include "platform/platform.h"

namespace mv {
namespace {

// The NUL-terminated text at offset from the header, cut at the section end.
String TextAt(const PayloadView& view, uint32_t offset) {
  if (offset >= view.available) return String("");
  const char* start = reinterpret_cast<const char*>(view.header + offset);
  size_t room = view.available - offset;
  const void* end = std::memchr(start, '\0', room);
  size_t length = end == nullptr ? room : static_cast<size_t>(static_cast<const char*>(end) - start);
  if (length > INT32_MAX - 1) length = INT32_MAX - 1;
  String text;
  char* buffer = text.GetBuffer(static_cast<int32_t>(length));
  if (buffer == nullptr) return String("");
  std::memcpy(buffer, start, length);
  buffer[length] = '\0';
  text.ReleaseBuffer();
  return text;
}

}  // namespace

const uint8_t* PayloadView::ContainerData() const {
  if (header == nullptr || header_size > available || data_size > available - header_size) {
    return nullptr;
  }
  return header + header_size;
}

PayloadView FindPayloadHeaderIn(const uint8_t* section, size_t size) {
  PayloadView view;
  if (section == nullptr) return view;
  for (size_t offset = 0; offset < PayloadHeader::kSearchLimit && offset + 8 <= size;
       offset += PayloadHeader::kAlignment) {
    const uint8_t* p = section + offset;
    uint32_t header_size = LoadU32Le(p + PayloadHeader::kSizeField);
    if (LoadU32Le(p + PayloadHeader::kMarkerField) != PayloadHeader::kMarker) continue;
    if (header_size != PayloadHeader::kPlainSize && header_size != PayloadHeader::kLayoutSize) continue;
    view.header = p;
    view.available = size - offset;
    view.header_size = header_size;
    // The data size word lies past the 8 bytes the scan guarantees.
    view.data_size = view.available >= 12 ? LoadU32Le(p + PayloadHeader::kDataSizeField) : 0;
    return view;
  }
  return view;
}

PayloadView FindPayloadHeader() {
  platform::SectionView section;
  if (!platform::GetPayloadSection(&section)) return PayloadView{};
  return FindPayloadHeaderIn(section.data, section.size);
}

Result LoadLayoutFrom(const PayloadView& view, PayloadLayout* layout) {
  if (!view.IsFound()) return kNoPayload;
  if (view.header_size != PayloadHeader::kLayoutSize || view.available < PayloadHeader::kLayoutSize) {
    return kOk;
  }
  const uint8_t* h = view.header;
  layout->has_layout = 1;
  uint32_t bitmap_offset = LoadU32Le(h + PayloadHeader::kBitmapOffsetField);
  uint32_t bitmap_size = LoadU32Le(h + PayloadHeader::kBitmapSizeField);
  if (bitmap_offset <= view.available && bitmap_size <= view.available - bitmap_offset) {
    layout->bitmap_data = bitmap_size == 0 ? nullptr : h + bitmap_offset;
    layout->bitmap_size = bitmap_size;
  }
  layout->disclaimer_text = TextAt(view, LoadU32Le(h + PayloadHeader::kDisclaimerOffsetField));
  layout->link_text = TextAt(view, LoadU32Le(h + PayloadHeader::kLinkOffsetField));
  layout->info_text = TextAt(view, LoadU32Le(h + PayloadHeader::kInfoOffsetField));
  return kOk;
}

Result LoadLayout(PayloadLayout* layout) { return LoadLayoutFrom(FindPayloadHeader(), layout); }

}  // namespace mv
