#!/usr/bin/env bash
# Whole-program benchmark of the Linux self-extractor against its peers, on
# three corpora it builds itself in a scratch folder:
#   tree   ~128 MiB of ~4,500 real files copied from /usr (every third header
#          of /usr/include, every third file of /usr/share/doc, then shared
#          libraries up to the size), in their folders;
#   big    two files of 128 MiB: real bytes (the tree's files end to end),
#          and the same with every fourth MiB replaced by noise;
#   tiny   TINY_FILES (200,000) files of a few bytes in folders of 1,000.
# For each it packs a self-extractor (`morvalis-pack sfx`, compression 1, all
# cores; the strong kind, the packer's default) and times `decrypt
# -targetdir=DIR` of it, best of RUNS, checking the first output against the
# corpus. The big files are also packed with --classic and timed in the same
# run: goal, the strong kind no slower than the classic (classic time /
# strong time >= 1.0). Peers, in the same run:
#   tree   `7z x` of an AES-256 + Deflate 7z of the same tree, one thread
#          (-mmt=1), best of RUNS; goal: 7z time / our time >= 1.0;
#   big    plain zlib uncompress of the same blocks on one core
#          (bench/zlib_baseline), best of RUNS; goal: ratio >= 1.0;
#   tiny   a time limit of TINY_LIMIT seconds (default 60); goal: under 30 s.
# On the tree it also counts system calls (`strace -c -f`, all threads) per
# entry (files and folders; goal: at most 30) and samples the peak anonymous
# resident memory, an upper bound of the heap (goal: below 8 MiB plus the
# workers' block buffers). It ends with one summary table.
#
# `extract_vs_peers.sh kinds` builds only the big files and times the two
# kinds and the zlib baseline (a minute or two).
#
# Environment: RUNS (default 3), TINY_FILES, TINY_LIMIT, SOURCE_DIR (the
# checkout to build, default this one: point it at another checkout to
# measure that on the same corpora), BUILD_DIR (default build/bench-rel of
# SOURCE_DIR, configured Release), TMPDIR (where the scratch folder goes;
# it needs about 1.5 GB).
set -euo pipefail

MODE=${1:-all}
RUNS=${RUNS:-3}
TINY_FILES=${TINY_FILES:-200000}
TINY_LIMIT=${TINY_LIMIT:-60}
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SOURCE_DIR=$(cd "${SOURCE_DIR:-$ROOT}" && pwd)
BUILD_DIR=${BUILD_DIR:-$SOURCE_DIR/build/bench-rel}
PASSWORD="benchmark password"
TREE_BYTES=$((128 << 20))

# --- Tools and build -------------------------------------------------------------
need=()
for tool in 7z:p7zip-full strace:strace; do
  command -v "${tool%%:*}" >/dev/null || need+=("${tool#*:}")
done
if ((${#need[@]})); then
  echo "installing ${need[*]} ..."
  apt-get install -y -qq "${need[@]}" >/dev/null 2>&1 ||
    { apt-get update -qq >/dev/null && apt-get install -y -qq "${need[@]}" >/dev/null; }
fi

echo "building $SOURCE_DIR in $BUILD_DIR ..."
cmake -S "$SOURCE_DIR" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMV_BUILD_BENCH=ON >/dev/null
nice -n 10 cmake --build "$BUILD_DIR" -j2 --target morvalis-pack morvalis-sfx zlib_baseline >/dev/null
PACK=$BUILD_DIR/morvalis-pack
STUB=$BUILD_DIR/morvalis-sfx
BASELINE=$BUILD_DIR/zlib_baseline

WORK=$(mktemp -d "${TMPDIR:-/tmp}/extract_vs_peers.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export TMPDIR=$WORK/tmp
mkdir -p "$TMPDIR"
cd "$WORK"

now() { echo "$EPOCHREALTIME"; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
smallest() { printf '%s\n' "$@" | sort -g | head -n 1; }

# --- Corpora ---------------------------------------------------------------------
echo "building the corpora ..."
if [[ $MODE == kinds ]]; then TINY_FILES=0; fi
# Regular files of FOLDER whose names are plain (no blanks or characters a
# Windows name cannot hold), sorted, every STEP-th one: "SIZE PATH" lines.
plain_files() {  # folder step
  find "$1" -type f -printf '%s %p\n' 2>/dev/null | grep -E '^[0-9]+ [A-Za-z0-9_./+@,=-]+$' |
    sort -k 2 | awk -v step="$2" 'NR % step == 0'
}
{
  plain_files /usr/include 3
  plain_files /usr/share/doc 3
  find /usr/lib/x86_64-linux-gnu /usr/lib -maxdepth 1 -type f -name '*.so*' -size -4M -printf '%s %p\n' |
    sort -k 2
} | awk -v limit="$TREE_BYTES" '$1 + total <= limit { total += $1; print $2 }' |
  # Paths that differ from an earlier one only in letter case (in any
  # folder on the way) are left out: Windows cannot keep them apart, so the
  # packer refuses them.
  awk '{
    n = split($0, part, "/"); prefix = ""; ok = 1
    for (i = 1; i <= n && ok; i++) {
      prefix = prefix (i > 1 ? "/" : "") part[i]
      if ((tolower(prefix) in seen) && seen[tolower(prefix)] != prefix) ok = 0
    }
    if (!ok) next
    prefix = ""
    for (i = 1; i <= n; i++) { prefix = prefix (i > 1 ? "/" : "") part[i]; seen[tolower(prefix)] = prefix }
    print
  }' >tree.list
if [[ $MODE != kinds ]]; then
  mkdir tree
  # Each file keeps its folders below tree/ (tree/usr/include/...) and its
  # time and mode.
  sed 's|^/||' tree.list | tar -C / -cf - -T - | tar -C tree -xf -
  tree_files=$(find tree -type f | wc -l)
  tree_entries=$(find tree -mindepth 1 | wc -l)
  tree_bytes=$(du -sb --apparent-size tree | cut -f 1)
fi

mkdir big
# Two passes over the tree's files: the tree is nearly 128 MiB.
{ xargs -a tree.list cat && xargs -a tree.list cat; } 2>/dev/null | head -c $((128 << 20)) >big/real.bin || true
openssl enc -aes-128-ctr -nosalt -pass pass:noise -pbkdf2 </dev/zero 2>/dev/null | head -c $((32 << 20)) >noise.bin || true
for ((mib = 0; mib < 128; mib++)); do
  if ((mib % 4 == 3)); then
    dd if=noise.bin bs=1M skip=$((mib / 4)) count=1 status=none
  else
    dd if=big/real.bin bs=1M skip="$mib" count=1 status=none
  fi
done >big/mixed.bin
rm noise.bin

mkdir tiny
for ((folder = 0; folder * 1000 < TINY_FILES; folder++)); do
  mkdir "tiny/d$folder"
  seq "$((folder * 1000))" "$((folder * 1000 + 999))" | head -n $((TINY_FILES - folder * 1000)) |
    (cd "tiny/d$folder" && split -l 1 -a 3 - f)
done

# --- Measurements ------------------------------------------------------------------
declare -A pack_s extract_s package_mb
# Packs CORPUS into NAME.sfx (NAME defaults to CORPUS; further arguments go
# to the packer) and times it.
pack() {  # corpus [name [packer options...]]
  local corpus=$1 name=${2:-$1} start
  shift $(($# > 1 ? 2 : 1))
  start=$(now)
  "$PACK" sfx "$name.sfx" --stub "$STUB" --password "$PASSWORD" "$@" "$corpus" >pack.log 2>&1 ||
    { cat pack.log >&2; exit 1; }
  pack_s[$name]=$(since "$start")
  package_mb[$name]=$(awk -v b="$(($(stat -c %s "$name.sfx") - $(stat -c %s "$STUB")))" 'BEGIN { printf "%.1f", b / 1048576 }')
}
# Every run writes into a folder of its own, and the outputs are deleted
# only after the last run: on ext4 without a journal, creating files soon
# after many were deleted is slow (the allocator passes over inodes deleted
# in the last minutes), which would charge one run for the cleanup of the
# one before. Runs of ours still pay for the work folder the run before
# wiped; 7z deletes nothing.
#
# Decrypts each NAME.sfx (default CORPUS.sfx) RUNS times, the names taking
# turns so that each meets the same load on the machine (once under a time
# limit when given); checks each one's first output against CORPUS. The best
# time of each, or "-" when the limit struck.
extract() {  # corpus [limit [name...]]
  local corpus=$1 limit=${2:-0} start run out name
  local names=("${@:3}")
  ((${#names[@]})) || names=("$corpus")
  local -A times=()
  for ((run = 1; run <= (limit > 0 ? 1 : RUNS); run++)); do
    for name in "${names[@]}"; do
      out=$WORK/out-$name-$run
      start=$(now)
      if ((limit > 0)); then
        if ! timeout "$limit" "./$name.sfx" decrypt "-pwd=$PASSWORD" "-targetdir=$out" >/dev/null; then
          extract_s[$name]=-
          rm -rf "$WORK"/out-*
          return
        fi
      else
        "./$name.sfx" decrypt "-pwd=$PASSWORD" "-targetdir=$out" >/dev/null ||
          { echo "FAILED: decrypt of $name" >&2; exit 1; }
      fi
      times[$name]+=" $(since "$start")"
      if ((run == 1)) && ! diff -r "$corpus" "$out/$corpus" >/dev/null; then
        echo "FAILED: the decrypted $corpus differs from the packed one" >&2
        exit 1
      fi
    done
  done
  rm -rf "$WORK"/out-*
  for name in "${names[@]}"; do
    # shellcheck disable=SC2086 # the list of times is split on purpose
    extract_s[$name]=$(smallest ${times[$name]})
  done
}

verdict() { awk -v v="$1" -v g="$2" -v dir="$3" 'BEGIN {
  if (v == "-") { print "NOT MET"; exit }
  ok = (dir == ">=") ? v >= g : (dir == "<") ? v < g : v <= g; print ok ? "met" : "NOT MET" }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b == 0) print "-"; else printf "%.2f", a / b }'; }

# The big files as both kinds and through plain zlib, in one run.
big_files() {
  echo "big files: packing and decrypting both kinds, zlib baseline ..."
  pack big
  pack big big-classic --classic
  extract big 0 big big-classic
  zlib=()
  while read -r word wall cpu; do
    [[ $word == run ]] && zlib+=("$wall")
  done < <("$BASELINE" measure "$RUNS" big)
  zlib_s=$(smallest "${zlib[@]}")
  rm -f big.sfx big-classic.sfx
  big_ratio=$(ratio "$zlib_s" "${extract_s[big]}")
  kinds_ratio=$(ratio "${extract_s[big-classic]}" "${extract_s[big]}")
}
big_row() {
  printf '%-34s %12s %12s %8s  %-10s %s\n' "big: decrypt s (peer: zlib 1 core)" "${extract_s[big]}" "$zlib_s" \
    "$big_ratio" ">= 1.0" "$(verdict "$big_ratio" 1.0 '>=')"
  printf '%-34s %12s %12s %8s  %-10s %s\n' "big: strong s (peer: classic kind)" "${extract_s[big]}" \
    "${extract_s[big-classic]}" "$kinds_ratio" ">= 1.0" "$(verdict "$kinds_ratio" 1.0 '>=')"
}

if [[ $MODE == kinds ]]; then
  big_files
  echo
  echo "== extract_vs_peers kinds: best of $RUNS, $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC') =="
  printf '%-34s %12s %12s %8s  %-10s %s\n' measure ours peer ratio goal verdict
  big_row
  echo "big: 2 x 128 MiB; package ${package_mb[big]} MiB (strong), ${package_mb[big-classic]} MiB (classic);" \
    "pack s ${pack_s[big]} (strong), ${pack_s[big-classic]} (classic)"
  exit 0
fi

echo "tree: $tree_files files, $tree_entries entries, $tree_bytes bytes; packing and decrypting ..."
pack tree
extract tree

echo "7z of the tree ..."
7z a -t7z -m0=Deflate -mmt=1 -mhe=on "-p$PASSWORD" tree.7z tree >/dev/null
sevenz=()
for ((run = 1; run <= RUNS; run++)); do
  start=$(now)
  7z x -mmt=1 "-p$PASSWORD" "-oout7-$run" tree.7z >/dev/null
  sevenz+=("$(since "$start")")
done
diff -r tree out7-1/tree >/dev/null || { echo "FAILED: 7z gave another tree" >&2; exit 1; }
rm -rf out7-*
sevenz_s=$(smallest "${sevenz[@]}")

echo "system calls and memory on the tree ..."
rm -rf out
strace -c -f -o strace.txt "./tree.sfx" decrypt "-pwd=$PASSWORD" "-targetdir=$WORK/out" >/dev/null ||
  echo "the run under strace failed (code $?)" >&2
syscalls=$(awk '$NF == "total" { print $4 }' strace.txt)
rm -rf out
# Peak heap, from above: the highest anonymous resident memory sampled
# every 5 ms (heap, stacks and the libraries' data; the package itself is
# file-backed and not counted). heaptrack and massif need far too long or
# too much memory for this many allocations.
"./tree.sfx" decrypt "-pwd=$PASSWORD" "-targetdir=$WORK/out" >/dev/null &
pid=$! anon_kib=0
while a=$(awk '/^RssAnon:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) && [[ -n $a ]]; do
  ((a > anon_kib)) && anon_kib=$a
  sleep 0.005
done
wait "$pid" || { echo "FAILED: decrypt of tree" >&2; exit 1; }
heap_mib=$(awk -v k="$anon_kib" 'BEGIN { printf "%.1f", k / 1024 }')
rm -rf out

big_files

echo "tiny files: packing, decrypting (limit $TINY_LIMIT s) ..."
pack tiny
extract tiny "$TINY_LIMIT"

# --- Summary -----------------------------------------------------------------------
tree_ratio=$(ratio "$sevenz_s" "${extract_s[tree]}")
per_entry=$(awk -v c="$syscalls" -v n="$tree_entries" 'BEGIN { printf "%.1f", c / n }')
tiny_shown=${extract_s[tiny]}
[[ $tiny_shown == - ]] && tiny_shown=">$TINY_LIMIT"

echo
echo "== extract_vs_peers: best of $RUNS, $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC') =="
printf '%-34s %12s %12s %8s  %-10s %s\n' measure ours peer ratio goal verdict
printf '%-34s %12s %12s %8s  %-10s %s\n' "tree: decrypt s (peer: 7z x -mmt=1)" "${extract_s[tree]}" "$sevenz_s" \
  "$tree_ratio" ">= 1.0" "$(verdict "$tree_ratio" 1.0 '>=')"
big_row
printf '%-34s %12s %12s %8s  %-10s %s\n' "tiny: decrypt s ($TINY_FILES files)" "$tiny_shown" "" "" "< 30" \
  "$(verdict "${extract_s[tiny]}" 30 '<')"
printf '%-34s %12s %12s %8s  %-10s %s\n' "tree: system calls per entry" "$per_entry" "" "" "<= 30" \
  "$(verdict "$per_entry" 30 '<=')"
printf '%-34s %12s %12s %8s  %-10s %s\n' "tree: peak anonymous MiB" "${heap_mib:--}" "" "" "< 8 + blocks" ""
printf '%-34s %12s\n' "tree: pack s" "${pack_s[tree]}" "big: pack s" "${pack_s[big]}" "tiny: pack s" "${pack_s[tiny]}"
echo "tree: $tree_files files, $tree_entries entries, $((tree_bytes >> 20)) MiB, package ${package_mb[tree]} MiB;" \
  "$syscalls system calls; big: 2 x 128 MiB, package ${package_mb[big]} MiB;" \
  "tiny: package ${package_mb[tiny]} MiB"
