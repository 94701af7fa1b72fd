#include "stream/zstd_encoder.h"

#include <new>

#include "stream/tag_value.h"
#include "stream/zstd_memory.h"

namespace mv {
namespace {

class FrameEncoder : public ZstdEncoder {
 public:
  ~FrameEncoder() override {
    if (context_ != nullptr) ZSTD_freeCCtx(context_);
    output_.Clear();  // wipes: compressed plain data
  }

  bool Start(const ZstdCoding& coding, unsigned workers, uint64_t total) {
    context_ = ZSTD_createCCtx_advanced(WipingZstdMemory());
    if (context_ == nullptr) return false;
    output_.SetBlobSize(static_cast<uint32_t>(ZSTD_CStreamOutSize()));
    if (output_.GetBytes() == nullptr) return false;
    // The frame records the content's size and no checksum (the chunks are
    // authenticated) and no dictionary; the window stays within what the
    // header states, so a reader can bound it before decoding.
    const struct {
      ZSTD_cParameter parameter;
      int value;
    } settings[] = {{ZSTD_c_compressionLevel, coding.level},
                    {ZSTD_c_windowLog, coding.window_log},
                    {ZSTD_c_checksumFlag, 0},
                    {ZSTD_c_contentSizeFlag, 1},
                    {ZSTD_c_dictIDFlag, 0}};
    for (const auto& setting : settings) {
      if (ZSTD_isError(ZSTD_CCtx_setParameter(context_, setting.parameter, setting.value))) return false;
    }
    // A window that reaches across a whole tree of files is searched for
    // long matches as well (the decoder needs nothing for it).
    if (coding.window_log >= kMaxWindowLog &&
        ZSTD_isError(ZSTD_CCtx_setParameter(context_, ZSTD_c_enableLongDistanceMatching, 1))) {
      return false;
    }
    // Without worker support in the library, everything runs on the
    // caller's thread: the frame is the same kind of frame either way.
    if (workers != 0) ZSTD_CCtx_setParameter(context_, ZSTD_c_nbWorkers, static_cast<int>(workers));
    return !ZSTD_isError(ZSTD_CCtx_setPledgedSrcSize(context_, total));
  }

  Result Code(const uint8_t* in, size_t length, bool last, Stream& out) override {
    ZSTD_inBuffer input{in, length, 0};
    for (;;) {
      ZSTD_outBuffer output{output_.GetBytes(), output_.GetLength(), 0};
      const size_t left = ZSTD_compressStream2(context_, &output, &input, last ? ZSTD_e_end : ZSTD_e_continue);
      if (ZSTD_isError(left)) return ZSTD_getErrorCode(left) == ZSTD_error_memory_allocation ? kOutOfMemory : kFailed;
      if (output.pos != 0) {
        Result r = out.Write(output_.GetBytes(), static_cast<uint32_t>(output.pos));
        if (r != kOk) return r;
      }
      // Continuing: done once every byte was taken. Ending: once the
      // library has nothing left to flush.
      if (last ? left == 0 : input.pos == input.size) return kOk;
    }
  }

 private:
  ZSTD_CCtx* context_ = nullptr;
  TagValue output_;
};

std::unique_ptr<ZstdEncoder> MakeFrameEncoder(const ZstdCoding& coding, unsigned workers, uint64_t total) {
  std::unique_ptr<FrameEncoder> encoder(new (std::nothrow) FrameEncoder);
  if (!encoder || !encoder->Start(coding, workers, total)) return nullptr;
  return encoder;
}

}  // namespace

void RegisterZstdEncoder() { SetZstdEncoderFactory(&MakeFrameEncoder); }

}  // namespace mv
