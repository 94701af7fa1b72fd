#include "base/unicode_normalization.h"

#include <cstring>
#include <new>
#include <vector>

#include "base/memory.h"
#include "base/text_encoding.h"

#ifndef UTF8PROC_STATIC
#define UTF8PROC_STATIC
#endif
#include <utf8proc.h>

namespace mv {
namespace {

// Canonical decomposition and composition, versioning-stable: NFC.
constexpr utf8proc_option_t kNfc = static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE);

// The library's own mapping functions allocate and reallocate without
// wiping; this works in buffers of its own that are wiped.
bool Normalize(const char* utf8, size_t length, String* out) {
  using Units = std::vector<utf8proc_int32_t, WipingAllocator<utf8proc_int32_t>>;
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(utf8);
  // Decomposition rarely takes more than a few code points per input byte;
  // the library says how many it needs when the first guess is short.
  Units units(length + 1);
  utf8proc_ssize_t count = utf8proc_decompose(bytes, static_cast<utf8proc_ssize_t>(length), units.data(),
                                              static_cast<utf8proc_ssize_t>(units.size()), kNfc);
  if (count > static_cast<utf8proc_ssize_t>(units.size())) {
    // Bounded by the library: at most a few dozen code points per character.
    units.assign(static_cast<size_t>(count) + 1, 0);
    count = utf8proc_decompose(bytes, static_cast<utf8proc_ssize_t>(length), units.data(),
                               static_cast<utf8proc_ssize_t>(units.size()), kNfc);
  }
  if (count < 0 || count >= static_cast<utf8proc_ssize_t>(units.size())) return false;
  // Composes in place, then writes UTF-8 over the same buffer (it needs one
  // unit to spare for the terminating NUL, which count < size leaves).
  const utf8proc_ssize_t written = utf8proc_reencode(units.data(), count, kNfc);
  if (written < 0) return false;
  return out->Assign(reinterpret_cast<const char*>(units.data())) != 0;
}

}  // namespace

bool ToNfc(const char* utf8, String* out) {
  if (utf8 == nullptr) utf8 = "";
  const size_t length = std::strlen(utf8);
  bool ok = false;
  if (IsValidUtf8(utf8, length) && length < 0x10000000) {
    try {
      String normalized;
      ok = Normalize(utf8, length, &normalized);
      if (ok) *out = std::move(normalized);
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  if (!ok) out->Empty();
  return ok;
}

}  // namespace mv
