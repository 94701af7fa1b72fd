// The payload section: finding the header and reading the presentation
// data behind it. The input is a whole section image. Oracle besides the
// sanitizers: whatever is found points inside the section.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "app/payload.h"

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "payload section: %s\n", what);
  std::abort();
}

bool Inside(const uint8_t* section, size_t size, const uint8_t* first, size_t length) {
  return first >= section && first <= section + size && length <= size - static_cast<size_t>(first - section);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const mv::PayloadView view = mv::FindPayloadHeaderIn(data, size);
  if (!view.IsFound()) return 0;
  // A header near the end may be cut short; what lies past the end is
  // never read (the container and layout checks below).
  if (!Inside(data, size, view.header, 8)) Fail("the header is not inside the section");
  if (view.available != size - static_cast<size_t>(view.header - data)) Fail("wrong bytes available");
  const uint8_t* container = view.ContainerData();
  if (container != nullptr && !Inside(data, size, container, view.data_size)) {
    Fail("the container reaches past the section");
  }
  mv::PayloadLayout layout;
  mv::LoadLayoutFrom(view, &layout);
  if (layout.bitmap_data != nullptr && !Inside(data, size, layout.bitmap_data, layout.bitmap_size)) {
    Fail("the bitmap reaches past the section");
  }
  for (const mv::String* text : {&layout.info_text, &layout.link_text, &layout.disclaimer_text}) {
    if (static_cast<size_t>(text->GetLength()) > size) Fail("a text is longer than the section");
  }
  return 0;
}
