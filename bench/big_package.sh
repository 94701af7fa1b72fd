#!/usr/bin/env bash
# The packer and the self-extractors on big packages: for each size (GiB of
# files, default 3) it builds a tree in a scratch folder (a quarter real
# files copied from /usr, the rest files of 512 MiB: noise, and real bytes
# of /usr's larger files end to end), then runs, each under
# /usr/bin/time -v, and prints the peak resident memory and the wall time
# of every command next to its outcome:
#   create        the tree into a .mef
#   sfx linux     the tree into a Linux self-extractor
#   sfx --container  the .mef into a Linux self-extractor
#   sfx windows   the tree into a Windows self-extractor (refused when the
#                 most its container may take passes the bound Windows
#                 loads; then the .mef with --container, which may fit;
#                 WINE=1 runs one that was written)
#   list, test    of the .mef and of the Linux self-extractor
#   decrypt       the Linux self-extractor's silent decrypt, its work on the
#                 disk (TMPDIR in the scratch folder)
# Not part of test.sh: it needs about five times the largest size of disk
# under TMPDIR, and an hour or so for 3 GiB on two shared cores.
#
# Environment: SIZES (GiB, fractions allowed), COMPRESSION (default 1, the
# packer's), PACK_DIR (a folder with morvalis-pack, morvalis-sfx and
# morvalis-sfx.exe, e.g. another checkout's build: what "before" was;
# default build/native and build/windows of this checkout, built here),
# WINE (1: run a written Windows self-extractor under Wine, in the prefix
# of scripts/lib.sh), TMPDIR (where the scratch folder goes).
set -euo pipefail
export LC_ALL=C.UTF-8 LANG=C.UTF-8

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SIZES=${SIZES:-3}
COMPRESSION=${COMPRESSION:-1}
WINE=${WINE:-0}
PASSWORD="benchmark password"

if [[ -n ${PACK_DIR:-} ]]; then
  PACK_DIR=$(cd "$PACK_DIR" && pwd)
  PACK=$PACK_DIR/morvalis-pack LINUX_STUB=$PACK_DIR/morvalis-sfx WINDOWS_STUB=$PACK_DIR/morvalis-sfx.exe
else
  echo "building ..."
  (cd "$ROOT" && cmake --preset native >/dev/null && cmake --build --preset native --target morvalis-pack morvalis-sfx >/dev/null &&
    cmake --preset windows >/dev/null && cmake --build --preset windows --target morvalis-sfx >/dev/null)
  PACK=$ROOT/build/native/morvalis-pack LINUX_STUB=$ROOT/build/native/morvalis-sfx
  WINDOWS_STUB=$ROOT/build/windows/morvalis-sfx.exe
fi
[[ -x /usr/bin/time ]] || { echo "needs GNU time (/usr/bin/time, Debian package time)" >&2; exit 2; }
if [[ $WINE == 1 ]]; then
  (cd "$ROOT" && source scripts/lib.sh && mv_wine_start)
  export WINEPREFIX=$ROOT/build/wineprefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/big_package.XXXXXX")
trap 'chmod -R u+w "$WORK" 2>/dev/null; rm -rf "$WORK"' EXIT
export TMPDIR=$WORK/tmp
mkdir -p "$TMPDIR"
cd "$WORK"

# The tree: about BYTES of files.
make_tree() {  # folder bytes
  local tree=$1 bytes=$2 real=$(($2 / 4)) got=0 size file n=0 key base
  local -A seen=()
  mkdir -p "$tree/usr" "$tree/big"
  while IFS= read -r -d '' file; do
    # Only names every system can hold, which the packer takes without a
    # word: no character Windows forbids (systemd's units have '\'), no
    # trailing dot, no device name, no two differing only in letter case.
    [[ $file =~ ^[A-Za-z0-9/._+-]+$ && ! $file =~ \./|\.$ ]] || continue
    base=${file##*/} base=${base%%.*}
    [[ ${base,,} =~ ^(con|prn|aux|nul|com[0-9]|lpt[0-9])$ ]] && continue
    key=${file,,}
    [[ -z ${seen[$key]:-} ]] || continue
    size=$(stat -c %s "$file")
    ((got + size > real)) && continue
    mkdir -p "$tree/usr/$(dirname "$file")"
    cp "$file" "$tree/usr/$file" 2>/dev/null || continue
    seen[$key]=1 got=$((got + size))
    ((got >= real - (1 << 20))) && break
  done < <(find /usr/lib /usr/share /usr/include -type f -readable -size -64M -print0 2>/dev/null)
  while ((got < bytes)); do
    size=$((bytes - got < (512 << 20) ? bytes - got : 512 << 20))
    if ((n % 2 == 0)); then
      head -c "$size" /dev/urandom >"$tree/big/noise$n.bin"
    else
      # head ends the readers early: their broken pipe is no failure here.
      (set +o pipefail && find /usr -type f -readable -size +1M -print0 2>/dev/null | xargs -0 cat 2>/dev/null |
        head -c "$size") >"$tree/big/real$n.bin"
    fi
    got=$((got + size)) n=$((n + 1))
  done
}

# measure NAME COMMAND...: one line: name, peak resident MB, wall seconds,
# exit code and the first line of the command's message on failure.
measure() {
  local name=$1 code=0
  shift
  /usr/bin/time -v -o time.txt "$@" >out.txt 2>&1 || code=$?
  local kb wall
  kb=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' time.txt)
  wall=$(sed -n 's/^[[:space:]]*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' time.txt |
    awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.1f", s }')
  local note=""
  # A failure's first line, and the one after it when the first ends in ':'.
  ((code == 0)) || note=$(grep -v '^\s*$' out.txt | grep -v 'Command exited' | head -n 2 |
    awk 'NR == 1 { line = $0; more = /:$/ } NR == 2 && more { line = line " " $0 } END { print line }' | cut -c 1-200)
  printf '%-22s %10s MB %8s s  exit %-3s %s\n' "$name" "$(awk -v k="${kb:-0}" 'BEGIN { printf "%.0f", k / 1000 }')" \
    "$wall" "$code" "$note"
}

for gib in $SIZES; do
  bytes=$(awk -v g="$gib" 'BEGIN { printf "%.0f", g * 1073741824 }')
  echo
  echo "== $gib GiB of files ($bytes bytes), compression $COMPRESSION =="
  make_tree tree "$bytes"
  # The packer leaves an existing package alone: each size starts afresh.
  rm -f package.mef package.sfx package.exe
  measure "create" "$PACK" create package.mef --compression "$COMPRESSION" --password "$PASSWORD" tree
  measure "sfx linux" "$PACK" sfx package.sfx --stub "$LINUX_STUB" --compression "$COMPRESSION" \
    --password "$PASSWORD" tree
  rm -f package.sfx
  measure "sfx --container" "$PACK" sfx package.sfx --stub "$LINUX_STUB" --container package.mef
  measure "sfx windows" "$PACK" sfx package.exe --stub "$WINDOWS_STUB" --compression "$COMPRESSION" \
    --password "$PASSWORD" tree
  # Inputs are judged as if nothing compressed: a container that came out
  # below the Windows bound goes in as it is.
  if [[ ! -f package.exe ]]; then
    measure "sfx windows --container" "$PACK" sfx package.exe --stub "$WINDOWS_STUB" --container package.mef
  fi
  rm -rf tree
  echo "  package $(stat -c %s package.mef 2>/dev/null || echo -) bytes; Linux self-extractor $(stat -c %s package.sfx 2>/dev/null || echo -)" \
    "bytes; Windows self-extractor $(stat -c %s package.exe 2>/dev/null || echo "not written")"
  measure "list .mef" "$PACK" list package.mef --password "$PASSWORD"
  measure "list linux sfx" "$PACK" list package.sfx --password "$PASSWORD"
  measure "test .mef" "$PACK" test package.mef --password "$PASSWORD"
  measure "test linux sfx" "$PACK" test package.sfx --password "$PASSWORD"
  rm -f package.mef
  measure "decrypt linux (disk)" ./package.sfx decrypt "-pwd=$PASSWORD" "-targetdir=$WORK/out"
  rm -rf out package.sfx
  if [[ $WINE == 1 && -f package.exe ]]; then
    measure "decrypt windows (wine)" wine ./package.exe decrypt "-pwd=$PASSWORD" \
      "-targetdir=Z:${WORK//\//\\}\\out"
    rm -rf out
  fi
  rm -f package.exe
done
