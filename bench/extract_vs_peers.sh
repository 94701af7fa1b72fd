#!/usr/bin/env bash
# Whole-program benchmark of the Linux self-extractor against its peers, the
# way users meet it, on three corpora it builds itself in a scratch folder:
#   tree   ~128 MiB of ~4,500 real files copied from /usr (every third header
#          of /usr/include, every third file of /usr/share/doc, then shared
#          libraries up to the size), in their folders;
#   big    two files of 128 MiB: real bytes (the tree's files end to end),
#          and the same with every fourth MiB replaced by noise;
#   tiny   TINY_FILES (200,000) files of a few bytes in folders of 1,000.
# Each corpus is packed into a self-extractor (`morvalis-pack sfx`,
# compression 1, all cores, the strong kind: the packer's default) and into
# an AES-256 + Deflate 7z, and, for the size table only, into a package at
# compression 2 (fast) and a 7z of 7-Zip's default (LZMA2, -mx=5), each
# packing timed. Then, RUNS rounds (best of), each round running
# every contender once in turn:
#   memory  `decrypt -targetdir=DIR` as a user without TMPDIR runs it (see
#           "Private places" below): the strong kind's files go straight
#           into DIR, the classic kind's through a work area in memory;
#   disk    the same with TMPDIR on the disk (the scratch folder), which only
#           the classic kind's work area would use;
#   today   with BASELINE_DIR set: that checkout's self-extractor, packed by
#           that checkout's packer, TMPDIR on the disk (what "today" was);
#   classic the big files only: the classic kind, work area in memory;
#   7z      `7z x -mmt=1` of the same data (one thread);
#   cp      `cp -r` of the corpus: the floor, writing the files once.
# Every run writes into a new folder of its own, the page cache is written
# back (`sync`) before each timed run, and outputs are deleted only after a
# corpus' last round: on ext4, creating files within minutes of deleting
# many is several times slower (the allocator passes over recently deleted
# inodes), which would charge one run for another's cleanup.
#
# Untimed runs of each corpus then sample, every 5 ms, the peak anonymous
# resident memory of the process (an upper bound of the heap; the package is
# file-backed and not counted) and, for the memory area, the peak size of
# the tmpfs it works in (page cache, reported apart). `strace -c -f` counts
# system calls per entry (files and folders) on the tree and the tiny files.
# The summary table puts the goals next to the figures:
#   tree  7z / memory >= 1.3;  big  7z / memory >= 1.5 and memory / cp <= 2;
#   tree and big: package / 7z -mx=5 <= 1.05 in size and <= 1.0 in packing
#         time; the tree packs at compression 2 in at most 3 s;
#   tiny  7z / memory >= 0.5;  disk / today <= 1.0 (with BASELINE_DIR);
#   big   classic / (memory - derivation) >= 1.0 (the strong kind no slower
#         than the classic per byte: its key derivation is timed apart).
# The strong kind derives its key once per run; that time is printed on a
# line of its own: a wrong password's run, less the classic kind's.
#
# `extract_vs_peers.sh kinds` builds and times only the big files.
#
# Private places: a run without TMPDIR sweeps leftovers of killed runs from
# the system's shared temporary folders. Where a mount namespace is allowed,
# each such run gets a /dev/shm (a tmpfs of its own) and a /tmp (a folder of
# the scratch folder) of its own, so that it neither touches what others
# keep there nor shares its tmpfs with them; elsewhere it runs as it is.
#
# Environment: RUNS (default 3), TINY_RUNS (default RUNS), TINY_FILES,
# SOURCE_DIR (the checkout to build, default this one), BUILD_DIR (default
# build/bench-rel of SOURCE_DIR, configured Release), BASELINE_DIR (a
# checkout to compare the disk path with, built in BASELINE_BUILD, default
# build/bench-baseline of this checkout), TMPDIR (where the scratch folder
# goes; it needs about 6 GB: every run's output is kept until the end).
set -euo pipefail
export LC_ALL=C.UTF-8 LANG=C.UTF-8

MODE=${1:-all}
RUNS=${RUNS:-3}
TINY_RUNS=${TINY_RUNS:-$RUNS}
TINY_FILES=${TINY_FILES:-200000}
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SOURCE_DIR=$(cd "${SOURCE_DIR:-$ROOT}" && pwd)
BUILD_DIR=${BUILD_DIR:-$SOURCE_DIR/build/bench-rel}
BASELINE_DIR=${BASELINE_DIR:-}
BASELINE_BUILD=${BASELINE_BUILD:-$ROOT/build/bench-baseline}
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

build() {  # source, build folder
  echo "building $1 in $2 ..."
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMV_BUILD_BENCH=ON >/dev/null
  nice -n 10 cmake --build "$2" -j2 --target morvalis-pack morvalis-sfx >/dev/null
}
build "$SOURCE_DIR" "$BUILD_DIR"
PACK=$BUILD_DIR/morvalis-pack
STUB=$BUILD_DIR/morvalis-sfx
if [[ -n $BASELINE_DIR ]]; then
  build "$(cd "$BASELINE_DIR" && pwd)" "$BASELINE_BUILD"
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/extract_vs_peers.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
DISK_TMP=$WORK/tmp
mkdir -p "$DISK_TMP" "$WORK/private-tmp" "$WORK/out"
chmod 1777 "$WORK/private-tmp"
cd "$WORK"

now() { echo "$EPOCHREALTIME"; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
smallest() { printf '%s\n' "$@" | sort -g | head -n 1; }

# Runs a command in place of the calling (sub)shell without TMPDIR: in a
# mount namespace with a /dev/shm and a /tmp of its own where that is
# allowed (the scratch folder stays where it is: the shell holds it as its
# current folder while /tmp is covered, and binds it again at its path,
# uncanonicalized, so that "." is that folder and not the path's new one).
PRIVATE=0
if unshare -m sh -c 'mount -t tmpfs tmpfs /dev/shm' 2>/dev/null; then PRIVATE=1; fi
memory_exec() {
  if ((PRIVATE)); then
    exec unshare -m sh -c 'cd "$0" && mount --bind "$0/private-tmp" /tmp && mkdir -p "$0" && mount -c --bind . "$0" &&
      mount -t tmpfs -o size=50% tmpfs /dev/shm && exec "$@"' "$WORK" env -u TMPDIR -u XDG_RUNTIME_DIR "$@"
  fi
  exec env -u TMPDIR -u XDG_RUNTIME_DIR "$@"
}
disk_exec() { TMPDIR=$DISK_TMP exec "$@"; }

# --- Corpora ---------------------------------------------------------------------
echo "building the corpora ..."
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
[[ $MODE == kinds ]] && TINY_FILES=0
for ((folder = 0; folder * 1000 < TINY_FILES; folder++)); do
  mkdir "tiny/d$folder"
  seq "$((folder * 1000))" "$((folder * 1000 + 999))" | head -n $((TINY_FILES - folder * 1000)) |
    (cd "tiny/d$folder" && split -l 1 -a 3 - f)
done

# --- Packing -----------------------------------------------------------------------
# Sizes and packing times, all in this run: our package at the default
# (compression 1) and at the fast setting (2), 7-Zip's default (LZMA2,
# -mx=5, all threads) and the Deflate 7z that the timed rounds open.
declare -A pack_s package_mb entries times best anon_mib area_mib calls_per_entry
declare -A fast_s fast_mb lzma_s lzma_mb deflate_s deflate_mb
mib_of() { awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.2f", b / 1048576 }'; }
pack() {  # corpus: its container (timed), its self-extractors, its 7z archives (timed)
  local start
  start=$(now)
  "$PACK" create "$1.mef" --password "$PASSWORD" "$1" >pack.log 2>&1 || { cat pack.log >&2; exit 1; }
  pack_s[$1]=$(since "$start")
  package_mb[$1]=$(mib_of "$1.mef")
  "$PACK" sfx "$1.sfx" --stub "$STUB" --container "$1.mef" >/dev/null
  rm "$1.mef"
  start=$(now)
  "$PACK" create "$1.fast.mef" --compression 2 --password "$PASSWORD" "$1" >pack.log 2>&1 ||
    { cat pack.log >&2; exit 1; }
  fast_s[$1]=$(since "$start")
  fast_mb[$1]=$(mib_of "$1.fast.mef")
  rm "$1.fast.mef"
  if [[ $1 == big ]]; then
    "$PACK" sfx "$1.classic.sfx" --stub "$STUB" --classic --password "$PASSWORD" "$1" >/dev/null
  fi
  # What the baseline's users got: its packer's default kind in its stub.
  if [[ -n $BASELINE_DIR ]]; then
    "$BASELINE_BUILD/morvalis-pack" sfx "$1.today.sfx" --stub "$BASELINE_BUILD/morvalis-sfx" --password "$PASSWORD" \
      "$1" >/dev/null
  fi
  start=$(now)
  7z a -t7z -mx=5 -mhe=on "-p$PASSWORD" "$1.lzma.7z" "$1" >/dev/null
  lzma_s[$1]=$(since "$start")
  lzma_mb[$1]=$(mib_of "$1.lzma.7z")
  rm "$1.lzma.7z"
  start=$(now)
  7z a -t7z -m0=Deflate -mmt=1 -mhe=on "-p$PASSWORD" "$1.7z" "$1" >/dev/null
  deflate_s[$1]=$(since "$start")
  deflate_mb[$1]=$(mib_of "$1.7z")
  entries[$1]=$(find "$1" -mindepth 1 | wc -l)
}

# --- Timed rounds ------------------------------------------------------------------
CONTENDERS=(memory disk)
[[ -n $BASELINE_DIR ]] && CONTENDERS+=(today)
CONTENDERS+=(7z cp)
contenders_of() {  # corpus
  if [[ $1 == big ]]; then echo "${CONTENDERS[@]:0:1} classic ${CONTENDERS[*]:1}"; else echo "${CONTENDERS[*]}"; fi
}

# Runs CONTENDER on CORPUS into the new folder OUT (in place of a subshell).
run_one() {  # contender corpus out
  case $1 in
    memory) memory_exec "./$2.sfx" decrypt "-pwd=$PASSWORD" "-targetdir=$3" >/dev/null ;;
    disk) disk_exec "./$2.sfx" decrypt "-pwd=$PASSWORD" "-targetdir=$3" >/dev/null ;;
    today) disk_exec "./$2.today.sfx" decrypt "-pwd=$PASSWORD" "-targetdir=$3" >/dev/null ;;
    classic) memory_exec "./$2.classic.sfx" decrypt "-pwd=$PASSWORD" "-targetdir=$3" >/dev/null ;;
    7z) exec 7z x -mmt=1 "-p$PASSWORD" "-o$3" "$2.7z" >/dev/null ;;
    cp) mkdir "$3" && exec cp -r "$2" "$3/" ;;
  esac
}

rounds() {  # corpus runs
  local corpus=$1 round contender out start
  local -a contenders
  read -ra contenders <<<"$(contenders_of "$corpus")"
  for ((round = 1; round <= $2; round++)); do
    for contender in "${contenders[@]}"; do
      out=$WORK/out/$corpus-$contender-$round
      sync
      start=$(now)
      (run_one "$contender" "$corpus" "$out") || { echo "FAILED: $contender on $corpus" >&2; exit 1; }
      times[$corpus,$contender]+="$(since "$start") "
      if ((round == 1)) && ! diff -r "$corpus" "$out/$corpus" >/dev/null; then
        echo "FAILED: $contender gave another $corpus" >&2
        exit 1
      fi
    done
  done
  for contender in "${contenders[@]}"; do
    # shellcheck disable=SC2086 # the list of times is split on purpose
    best[$corpus,$contender]=$(smallest ${times[$corpus,$contender]})
  done
}

# --- Untimed measurements ----------------------------------------------------------
# Used bytes of the file system at path; "" once it is gone.
used_bytes() { { stat -f -c '%b %f %S' "$1" 2>/dev/null || true; } | awk '{ print ($1 - $2) * $3 }'; }

# Peak anonymous memory of CONTENDER on CORPUS, and for the memory area the
# peak size of its tmpfs (the run's own where private, else the growth of
# /dev/shm), sampled every 5 ms.
sample_peaks() {  # contender corpus
  local out=$WORK/out/$2-$1-sampled pid anon=0 area=0 a u base
  base=$( ((PRIVATE)) && echo 0 || used_bytes /dev/shm)
  (run_one "$1" "$2" "$out") &
  pid=$!
  while a=$(awk '/^RssAnon:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) && [[ -n $a ]]; do
    ((a > anon)) && anon=$a
    if [[ $1 == memory && $(readlink "/proc/$pid/exe" 2>/dev/null) == "$WORK/$2.sfx" ]]; then
      u=$(used_bytes "/proc/$pid/root/dev/shm")
      [[ -n $u ]] && ((u - base > area)) && area=$((u - base))
    fi
    sleep 0.005
  done
  wait "$pid" || { echo "FAILED: sampled $1 on $2" >&2; exit 1; }
  anon_mib[$2,$1]=$(awk -v k="$anon" 'BEGIN { printf "%.1f", k / 1024 }')
  [[ $1 == memory ]] && area_mib[$2]=$(awk -v b="$area" 'BEGIN { printf "%.1f", b / 1048576 }')
  return 0
}

count_calls() {  # corpus: system calls per entry of a run in the memory area
  local out=$WORK/out/$1-strace
  (memory_exec strace -c -f -o "$WORK/strace-$1.txt" "./$1.sfx" decrypt "-pwd=$PASSWORD" "-targetdir=$out" \
    >/dev/null) || echo "the run of $1 under strace failed" >&2
  calls_per_entry[$1]=$(awk -v n="${entries[$1]}" '$NF == "total" { printf "%.1f", $4 / n }' "$WORK/strace-$1.txt")
}

measure() {  # corpus runs
  echo "$1: ${entries[$1]} entries, package ${package_mb[$1]} MiB; $2 round(s) of $(contenders_of "$1") ..."
  rounds "$1" "$2"
  for contender in memory disk ${BASELINE_DIR:+today}; do sample_peaks "$contender" "$1"; done
  [[ $1 != big ]] && count_calls "$1"
  rm -rf "$WORK"/out/*
}

if [[ $MODE != kinds ]]; then
  pack tree
  measure tree "$RUNS"
  rm -f tree*.sfx tree.7z
fi
pack big
measure big "$RUNS"
rm -f big*.sfx big.7z
if [[ $MODE != kinds ]]; then
  pack tiny
  measure tiny "$TINY_RUNS"
fi

# The strong kind's key derivation, which every run of the default kind pays
# once: a wrong password's run (derivation and key check, nothing written)
# of a one-file package, less the classic kind's, best of RUNS each.
echo x >one.txt
"$PACK" sfx one.sfx --stub "$STUB" --password "$PASSWORD" one.txt >/dev/null
"$PACK" sfx one.classic.sfx --stub "$STUB" --classic --password "$PASSWORD" one.txt >/dev/null
declare -A wrong=()
for ((round = 1; round <= RUNS; round++)); do
  for kind in one one.classic; do
    start=$(now)
    (disk_exec "./$kind.sfx" decrypt -pwd=wrong "-targetdir=$WORK/out/wrong" >/dev/null) || true
    wrong[$kind]+="$(since "$start") "
  done
done
# shellcheck disable=SC2086 # the lists of times are split on purpose
strong_wrong=$(smallest ${wrong[one]}) classic_wrong=$(smallest ${wrong[one.classic]})
derivation_s=$(awk -v a="$strong_wrong" -v b="$classic_wrong" 'BEGIN { printf "%.3f", a - b }')
derivation="$derivation_s s (a wrong password: $strong_wrong s, classic kind $classic_wrong s)"

# --- Summary -----------------------------------------------------------------------
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "" || b == 0) print "-"; else printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v g="$2" -v dir="$3" 'BEGIN {
  if (v == "-") { print "-"; exit }
  ok = (dir == ">=") ? v >= g : v <= g; print ok ? "met" : "NOT MET" }'; }
goal() {  # text value goal direction
  printf '  %-44s %8s  %-3s %-5s %s\n' "$1" "$2" "$4" "$3" "$(verdict "$2" "$3" "$4")"
}

echo
echo "== extract_vs_peers: best of $RUNS (tiny: $TINY_RUNS), $(nproc) cores," \
  "$(date -u '+%Y-%m-%d %H:%M UTC'), private places: $( ((PRIVATE)) && echo yes || echo no) =="
CORPORA=(tree big tiny)
[[ $MODE == kinds ]] && CORPORA=(big)
echo "seconds, best of the rounds (every round's times in brackets):"
for corpus in "${CORPORA[@]}"; do
  printf '%-6s' "$corpus"
  for contender in $(contenders_of "$corpus"); do
    printf '  %s %s [%s]' "$contender" "${best[$corpus,$contender]}" "${times[$corpus,$contender]% }"
  done
  echo
done
echo "goals (memory: the default path, the work area in memory):"
goal "tree: 7z / memory" "$(ratio "${best[tree,7z]:-}" "${best[tree,memory]:-}")" 1.3 ">="
goal "big: 7z / memory" "$(ratio "${best[big,7z]}" "${best[big,memory]}")" 1.5 ">="
goal "big: memory / cp -r" "$(ratio "${best[big,memory]}" "${best[big,cp]}")" 2.0 "<="
goal "big: classic / (memory - derivation)" \
  "$(ratio "${best[big,classic]}" "$(awk -v m="${best[big,memory]}" -v d="$derivation_s" 'BEGIN { print m - d }')")" 1.0 ">="
goal "tiny: 7z / memory" "$(ratio "${best[tiny,7z]:-}" "${best[tiny,memory]:-}")" 0.5 ">="
for corpus in tree big; do
  [[ -n ${lzma_mb[$corpus]:-} ]] || continue
  goal "$corpus: package / 7z -mx=5 (size)" "$(ratio "${package_mb[$corpus]}" "${lzma_mb[$corpus]}")" 1.05 "<="
  goal "$corpus: packing / 7z -mx=5 (time)" "$(ratio "${pack_s[$corpus]}" "${lzma_s[$corpus]}")" 1.0 "<="
done
if [[ -n ${fast_s[tree]:-} ]]; then goal "tree: packing at --compression 2, s" "${fast_s[tree]}" 3 "<="; fi
for corpus in "${CORPORA[@]}"; do
  goal "$corpus: disk / today" "$(ratio "${best[$corpus,disk]}" "${best[$corpus,today]:-}")" 1.0 "<="
done
echo "sizes in MiB and packing times in s (ours: the strong kind, all cores; 7-Zip: AES-256, headers encrypted):"
printf '  %-6s %-26s %-26s %-26s %-26s\n' "" "ours, default (1)" "ours, fast (2)" "7z -mx=5 (LZMA2)" "7z Deflate (1 thread)"
for corpus in "${CORPORA[@]}"; do
  printf '  %-6s %-26s %-26s %-26s %-26s\n' "$corpus" "${package_mb[$corpus]} MiB, ${pack_s[$corpus]} s" \
    "${fast_mb[$corpus]} MiB, ${fast_s[$corpus]} s" "${lzma_mb[$corpus]} MiB, ${lzma_s[$corpus]} s" \
    "${deflate_mb[$corpus]} MiB, ${deflate_s[$corpus]} s"
done
echo "also:"
for corpus in "${CORPORA[@]}"; do
  printf '  %-6s 7z / disk %5s   disk / memory %5s   memory / cp %5s\n' "$corpus" \
    "$(ratio "${best[$corpus,7z]}" "${best[$corpus,disk]}")" \
    "$(ratio "${best[$corpus,disk]}" "${best[$corpus,memory]}")" \
    "$(ratio "${best[$corpus,memory]}" "${best[$corpus,cp]}")"
done
printf '  system calls per entry (memory): tree %s, tiny %s\n' "${calls_per_entry[tree]:--}" "${calls_per_entry[tiny]:--}"
for corpus in "${CORPORA[@]}"; do
  printf '  %-6s peak anonymous MiB: memory %s, disk %s%s; peak memory area MiB %s\n' \
    "$corpus" "${anon_mib[$corpus,memory]}" "${anon_mib[$corpus,disk]}" \
    "${BASELINE_DIR:+, today ${anon_mib[$corpus,today]:-}}" "${area_mib[$corpus]}"
done
echo "key derivation of the strong kind (once per run of the default kind): $derivation"
