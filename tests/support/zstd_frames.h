// Zstandard frames made by the library itself, with parameters the
// program's own writer never uses: for the tests of hostile content.
#pragma once

#include <gtest/gtest.h>
#include <zstd.h>

#include <cstdint>
#include <vector>

namespace mv::test {

// plain as one frame of the given window; with pledge the frame states its
// content size. Streamed in two calls, so that without a pledge the size
// stays unknown.
inline std::vector<uint8_t> LibraryFrame(const std::vector<uint8_t>& plain, int window_log, bool pledge) {
  ZSTD_CCtx* context = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(context, ZSTD_c_windowLog, window_log);
  if (pledge) ZSTD_CCtx_setPledgedSrcSize(context, plain.size());
  std::vector<uint8_t> out(ZSTD_compressBound(plain.size()) + 64);
  ZSTD_outBuffer output{out.data(), out.size(), 0};
  ZSTD_inBuffer input{plain.data(), plain.size(), 0};
  ZSTD_compressStream2(context, &output, &input, ZSTD_e_continue);
  EXPECT_EQ(ZSTD_compressStream2(context, &output, &input, ZSTD_e_end), 0u);
  ZSTD_freeCCtx(context);
  out.resize(output.pos);
  return out;
}

}  // namespace mv::test
