#!/usr/bin/env bash
# Writes the strong kind's test vectors (docs/strong-vectors/) afresh with
# the packer of a build (default build/native), and their manifest with
# what each holds. The vectors are kept in the repository: run this only
# when the format changes, and check the new ones with strong_reader.py.
set -euo pipefail
export LC_ALL=C.UTF-8 LANG=C.UTF-8
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
PACK=${1:-$ROOT/build/native}/morvalis-pack
OUT=$ROOT/docs/strong-vectors
PASSWORD='Prüfung 2026'
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
# Fixed times, so that a reader can compare them too.
stamp() { find "$1" -exec touch -h -d '2024-02-03 04:05:06 UTC' {} +; }

mkdir -p tree/Unterlagen/leer
printf 'Hallo, Welt!\n' >tree/Unterlagen/gruss.txt
seq 1 3000 >tree/Unterlagen/zahlen.txt
: >tree/Unterlagen/leer.txt
stamp tree
mkdir -p empty/leer && stamp empty
printf 'Guten Tag,\nanbei die Zahlen.\n' >message.txt
mkdir -p attach && seq 1 50 >attach/anhang.txt && stamp attach
# Executables with calls and jumps (an ELF and an "MZ" file) and a text file
# with the same bytes after its first four: only the first two are converted.
python3 - programme <<'PYEOF'
import os, random, sys
rng = random.Random(2026)
body = bytearray(rng.randbytes(200003 - 4))
i = 0
while i < len(body):
    body[i] = rng.choice((0xE8, 0xE9))
    if i + 4 < len(body) and rng.random() < 0.75:
        body[i + 4] = rng.choice((0x00, 0xFF))
    i += rng.randint(1, 9)
os.makedirs(sys.argv[1])
for name, data in (("programm", b"\x7fELF" + body), ("programm.exe", b"MZ" + body[:5000]),
                   ("text.txt", b"Text" + body[:5000])):
    with open(os.path.join(sys.argv[1], name), "wb") as f:
        f.write(data)
PYEOF
stamp programme

# A file of SIZE bytes (a repeating pattern) in folder NAME/.
pattern() { mkdir -p "$1" && head -c "$2" /dev/zero | tr '\0' 'x' >"$1/daten.bin" && stamp "$1"; }
# A stored package whose chunks carry exactly WANT plain bytes (at most
# 65536: the content record in one frame of 5 bytes' head). A probe of one
# chunk gives the record's bytes besides the file's.
exact() { # name want
  local header plain
  pattern "$1" 60000
  "$PACK" create "$1.mef" --compression 0 --password "$PASSWORD" "$1" >/dev/null
  header=$((8 + $(od -An -tu4 -j4 -N4 "$1.mef")))
  plain=$(($(stat -c %s "$1.mef") - header - 48 - 20))
  rm -rf "$1" "$1.mef"
  pattern "$1" $(($2 - (plain - 60000)))
  "$PACK" create "$1.mef" --compression 0 --password "$PASSWORD" "$1" >/dev/null
}

"$PACK" create stored.mef --compression 0 --password "$PASSWORD" tree >/dev/null
"$PACK" create compressed.mef --compression 1 --password "$PASSWORD" tree >/dev/null
"$PACK" create fast.mef --compression 2 --password "$PASSWORD" tree >/dev/null
"$PACK" create executables.mef --compression 1 --password "$PASSWORD" programme >/dev/null
"$PACK" create empty.mef --compression 0 --password "$PASSWORD" empty >/dev/null
"$PACK" create message.mef --message-file message.txt --password "$PASSWORD" attach >/dev/null
exact one-chunk 65535
exact chunk-boundary 65536
# The boundary package without its empty last chunk, and with bytes after it.
head -c -20 chunk-boundary.mef >cut-before-last.mef
{ cat chunk-boundary.mef; printf 'appended'; } >bytes-after-end.mef
cp ./*.mef "$OUT/"
echo "written to $OUT"
