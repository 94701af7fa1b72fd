// The allocator Zstandard's contexts use here: every block it frees is
// wiped first, since the compressor's and decoder's buffers hold plain
// package data (the window of up to 128 MiB among them).
#pragma once

#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>
#include <zstd_errors.h>

namespace mv {

ZSTD_customMem WipingZstdMemory();

}  // namespace mv
