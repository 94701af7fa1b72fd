#include "stream/block_codec.h"

#include <zlib.h>

#if MV_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include "base/little_endian.h"

namespace mv {
namespace {

constexpr uint32_t kCapacity = kBlockCapacity;

// Under fuzzing the fastest level writes the same format: what a fuzz
// target checks is our framing, not zlib's search for matches, which at
// level 9 on repetitive input takes most of an input's time.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
int LevelFor(uint32_t) { return 1; }
#else
int LevelFor(uint32_t setting) { return setting == 1 ? 9 : 3; }
#endif

bool EnsureBlock(TagValue& buffer) {
  if (buffer.GetBytes() == nullptr) buffer.SetBlobSize(kCapacity);
  return buffer.GetBytes() != nullptr;
}

}  // namespace

#if MV_HAVE_LIBDEFLATE
Inflater::Inflater() : decompressor_(libdeflate_alloc_decompressor()) {}
Inflater::~Inflater() {
  if (decompressor_ != nullptr) libdeflate_free_decompressor(decompressor_);
}
#else
Inflater::Inflater() = default;
Inflater::~Inflater() = default;
#endif

bool Inflater::Inflate(const uint8_t* in, uint32_t in_length, uint8_t* out, uint32_t capacity,
                       uint32_t* produced) {
#if MV_HAVE_LIBDEFLATE
  if (decompressor_ != nullptr) {
    size_t made = 0;
    if (libdeflate_zlib_decompress(decompressor_, in, in_length, out, capacity, &made) !=
        LIBDEFLATE_SUCCESS) {
      return false;
    }
    *produced = static_cast<uint32_t>(made);
    return true;
  }
#endif
  uLongf made = capacity;
  if (uncompress(out, &made, in, in_length) != Z_OK) return false;
  *produced = static_cast<uint32_t>(made);
  return true;
}

bool DeflateBytes(const uint8_t* in, uint32_t in_length, uint8_t* out, uint32_t out_capacity,
                  uint32_t setting, uint32_t* out_length) {
  if (in_length == 0 || out_capacity == 0) return false;
  uLongf produced = out_capacity;
  if (compress2(out, &produced, in, in_length, LevelFor(setting)) != Z_OK) return false;
  if (produced == 0 || produced > out_capacity) return false;
  *out_length = static_cast<uint32_t>(produced);
  return true;
}

Result ReadFrame(Stream& inner, BlockFrame& frame) {
  uint8_t head[kFrameHeadSize];
  Result r = inner.Read(head, sizeof head);
  if (r != kOk) return r;
  uint32_t stored = LoadU32Le(head + 1);
  // An empty frame can only yield an empty block, which is refused as well.
  if (stored >= kStoredLengthLimit || stored == 0) return kDecompressionFailed;
  if (!EnsureBlock(frame.packed)) return kOutOfMemory;
  frame.flag = head[0];
  frame.packed_length = stored;
  return inner.Read(frame.packed.GetBytes(), stored);
}

Result UnpackFrame(BlockFrame& frame, uint32_t setting, Inflater& inflater) {
  if (frame.flag == 0 || setting == 0) {
    // Raw: the frame becomes the block (both have the same capacity).
    frame.plain.Swap(frame.packed);
    frame.plain_length = frame.packed_length;
    frame.packed_length = 0;
    return kOk;
  }
  if (!EnsureBlock(frame.plain)) return kOutOfMemory;
  // Inflating into one block's capacity refuses a block that would grow
  // past it, so a hostile frame cannot make the reader allocate.
  uint32_t produced = 0;
  if (!inflater.Inflate(frame.packed.GetBytes(), frame.packed_length, frame.plain.GetBytes(),
                        kCapacity, &produced) ||
      produced == 0) {
    return kDecompressionFailed;
  }
  frame.plain_length = produced;
  return kOk;
}

void PackBlock(BlockFrame& frame, uint32_t setting) {
  frame.flag = 1;
  frame.packed_length = 0;
  if (setting == 0) return;
  uint32_t packed = 0;
  if (EnsureBlock(frame.packed) &&
      DeflateBytes(frame.plain.GetBytes(), frame.plain_length, frame.packed.GetBytes(),
                   frame.plain_length - 1, setting, &packed)) {
    frame.packed_length = packed;
  } else {
    frame.flag = 0;
  }
}

}  // namespace mv
