// Reports what the payload lookup finds in this program's own live section,
// one "key=value" line each, into the file named by the first argument. The
// tests grow the section of a copy of this program and compare the report.
#include <cstdio>

#include "app/payload.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) return 3;
  mv::platform::SectionView section;
  bool has_section = mv::platform::GetPayloadSection(&section);
  std::fprintf(out, "section=%d\nsection_size=%zu\n", has_section ? 1 : 0, section.size);
  mv::PayloadView view = mv::FindPayloadHeader();
  long offset = view.IsFound() ? static_cast<long>(view.header - section.data) : -1;
  std::fprintf(out, "header_offset=%ld\nheader_size=%u\ndata_size=%u\n", offset, view.header_size,
               view.data_size);
  const uint8_t* data = view.ContainerData();
  std::fprintf(out, "container_offset=%ld\n", data == nullptr ? -1L : static_cast<long>(data - section.data));
  mv::PayloadLayout layout;
  mv::Result rc = mv::LoadLayout(&layout);
  std::fprintf(out, "load=%u\nhas_layout=%d\ninfo=%s\nlink=%s\ndisclaimer=%s\nbitmap_size=%u\n", rc,
               layout.hasLayout, layout.infoText.c_str() ? layout.infoText.c_str() : "",
               layout.linkText.c_str() ? layout.linkText.c_str() : "",
               layout.disclaimerText.c_str() ? layout.disclaimerText.c_str() : "", layout.bitmapSize);
  long bitmap_offset = layout.bitmapData == nullptr ? -1L : static_cast<long>(layout.bitmapData - section.data);
  std::fprintf(out, "bitmap_offset=%ld\n", bitmap_offset);
  std::fclose(out);
  return static_cast<int>(rc);
}
