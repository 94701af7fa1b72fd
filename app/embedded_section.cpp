// The payload section as the stub is built: 4096 bytes, first 32-bit word 1,
// all other bytes 0, which holds no package. The packer grows this section
// in a copy of the executable; the link scripts in cmake/ keep it the last
// section (PE) or the last loadable segment (ELF) of the image.
#include <cstdint>

extern "C" {
__attribute__((section("_qzpk_"), used, aligned(256)))
const uint32_t mv_embedded_payload[1024] = {1};
}
