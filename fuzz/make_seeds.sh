#!/usr/bin/env bash
# Rewrites the seed inputs in fuzz/corpus/<target>/ with the system's own
# writers: builds the fuzz preset, links two tiny stubs (ELF and PE) with
# the payload section last, packs a sample into each with morvalis-pack and
# hands everything to make_fuzz_seeds. Seeds found by fuzzing (named
# crash-* or found-*) are kept.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset fuzz >/dev/null
nice -n 10 cmake --build --preset fuzz -j 2

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cat >"$tmp/stub.c" <<'C'
__attribute__((section("_qzpk_"), used)) const unsigned char payload_section[512] = {1};
void entry(void) { for (;;) {} }
C
gcc -Os -nostdlib -static -e entry -s -Wl,-z,max-page-size=4096,-z,noseparate-code,--build-id=none \
  -Wl,-T,cmake/qzpk_elf.ld -o "$tmp/stub.elf" "$tmp/stub.c"
x86_64-w64-mingw32-gcc-posix -Os -nostdlib -e entry -s -Wl,-T,cmake/qzpk_pe.ld -o "$tmp/stub.exe" "$tmp/stub.c"

mkdir -p "$tmp/input"
printf 'A short letter.\n' >"$tmp/input/letter.txt"
printf 'What this package holds.' >"$tmp/description.txt"
printf 'Read this first.' >"$tmp/disclaimer.txt"
# The smallest BMP the packer takes: a 54-byte header and four pixels.
printf 'BM\106\0\0\0\0\0\0\0\066\0\0\0\050\0\0\0\2\0\0\0\2\0\0\0\1\0\030\0\0\0\0\0\020\0\0\0' >"$tmp/picture.bmp"
head -c 32 /dev/zero >>"$tmp/picture.bmp"
for kind in elf exe; do
  build/fuzz/morvalis-pack sfx "$tmp/sfx.$kind" --stub "$tmp/stub.$kind" --password 'fuzz password' \
    --description "$tmp/description.txt" --link https://example.org/ --disclaimer "$tmp/disclaimer.txt" \
    --bitmap "$tmp/picture.bmp" "$tmp/input" >/dev/null
done

find fuzz/corpus -type f ! -name 'crash-*' ! -name 'found-*' -delete 2>/dev/null || true
build/fuzz/make_fuzz_seeds fuzz/corpus "$tmp/sfx.elf" "$tmp/sfx.exe"
du -sh fuzz/corpus/*
