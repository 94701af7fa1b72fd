#!/usr/bin/env bash
# Whole-program benchmark of the Linux self-extractor. For each tree size
# (MiB of mixed files, default "16 256") it
#   - packs the tree with `morvalis-pack sfx` into a self-extractor,
#   - decrypts it with the self-extractor's own `decrypt -targetdir=DIR`
#     under /usr/bin/time -v (the first run's output is compared with the
#     tree),
#   - times plain zlib uncompress of the frames the package carries, in the
#     same run (bench/zlib_baseline),
# and prints, best and worst of RUNS (default 3):
#   - pack and decrypt throughput: bytes of file content per second of wall
#     time of the whole program (start-up, the copy of the package out of
#     the section, decryption into the work folder, the copy to DIR and the
#     wipe of the work folder included);
#   - the ratio of decrypt to plain zlib throughput, both in wall time
#     (goal: at least 0.6), and the same in processor time (user + system)
#     for comparison;
#   - the stub's peak resident memory ("Maximum resident set size") and that
#     minus the package. The package lives in the stub's file-backed _qzpk_
#     section; copying it out touches every page of it, so those pages count
#     as resident though they are the file's page cache, not memory the
#     stub allocated. Goal: below 16 MiB apart from the package. One extra
#     run per size samples /proc/PID/status to show anonymous and
#     file-backed resident memory apart.
#
# Environment: RUNS, SIZES, BUILD_DIR (default build/bench-rel, configured
# Release with -DMV_BUILD_BENCH=ON), TMPDIR (where the scratch folder goes;
# the programs' own temporary files go into the scratch folder too).
set -euo pipefail

RUNS=${RUNS:-3}
SIZES=${SIZES:-"16 256"}
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build/bench-rel}
PASSWORD="benchmark password"

# --- Build ---------------------------------------------------------------------
echo "building in $BUILD_DIR ..."
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMV_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR" -j2 --target morvalis-pack morvalis-sfx zlib_baseline >/dev/null
PACK=$BUILD_DIR/morvalis-pack
STUB=$BUILD_DIR/morvalis-sfx
BASELINE=$BUILD_DIR/zlib_baseline

if [[ ! -x /usr/bin/time ]]; then
  echo "installing GNU time ..."
  apt-get install -y time >/dev/null 2>&1 || { apt-get update >/dev/null && apt-get install -y time >/dev/null; }
fi

# --- Scratch folder --------------------------------------------------------------
WORK=$(mktemp -d "${TMPDIR:-/tmp}/product_bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export TMPDIR=$WORK/tmp
mkdir -p "$TMPDIR"
cd "$WORK"

now() { echo "$EPOCHREALTIME"; }
# mb_per_s BYTES SECONDS
mb_per_s() { awk -v b="$1" -v s="$2" 'BEGIN { printf "%.1f", b / 1e6 / s }'; }
# best_worst VALUES...: "best worst" of throughputs (largest, smallest).
best_worst() { printf '%s\n' "$@" | sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { print hi, lo }'; }
# field FILE LABEL: the value after "LABEL: " in /usr/bin/time -v output.
field() { sed -n "s/^[[:space:]]*$2: //p" "$1"; }

# Runs the stub in the background and samples its /proc status every 10 ms:
# prints "RSS_ANON_KIB RSS_FILE_KIB VM_HWM_KIB", each the highest seen.
sample_memory() {
  local package=$1 target=$2
  "$package" decrypt "-pwd=$PASSWORD" "-targetdir=$WORK/$target" >/dev/null &
  local pid=$! anon=0 file=0 hwm=0 a f h
  while [[ -r /proc/$pid/status ]]; do
    read -r a f h < <(awk '/^RssAnon:/ { a = $2 } /^RssFile:/ { f = $2 } /^VmHWM:/ { h = $2 }
                           /^State:/ && $2 == "Z" { gone = 1 }
                           END { print (gone ? "-" : a + 0), f + 0, h + 0 }' "/proc/$pid/status" 2>/dev/null ||
                      echo "- 0 0")
    [[ $a == - ]] && break
    ((a > anon)) && anon=$a
    ((f > file)) && file=$f
    ((h > hwm)) && hwm=$h
    sleep 0.01
  done
  wait "$pid"
  echo "$anon $file $hwm"
}

for size in $SIZES; do
  tree=tree$size
  bytes=$((size * 1048576))
  "$BASELINE" tree "$tree" "$size"

  pack_rates=() decrypt_rates=() decrypt_cpu_rates=() rss=()
  for ((run = 1; run <= RUNS; run++)); do
    rm -f package.sfx
    start=$(now)
    "$PACK" sfx package.sfx --stub "$STUB" --password "$PASSWORD" "$tree" >pack.log 2>&1 ||
      { cat pack.log >&2; exit 1; }
    pack_rates+=("$(mb_per_s "$bytes" "$(awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }')")")

    rm -rf out
    start=$(now)
    /usr/bin/time -v -o time.txt ./package.sfx decrypt "-pwd=$PASSWORD" "-targetdir=$WORK/out" >/dev/null ||
      { echo "FAILED: decrypt" >&2; cat time.txt >&2; exit 1; }
    seconds=$(awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }')
    decrypt_rates+=("$(mb_per_s "$bytes" "$seconds")")
    cpu=$(awk -v u="$(field time.txt 'User time (seconds)')" -v s="$(field time.txt 'System time (seconds)')" \
          'BEGIN { print u + s }')
    decrypt_cpu_rates+=("$(mb_per_s "$bytes" "$cpu")")
    rss+=("$(field time.txt 'Maximum resident set size (kbytes)')")
    if ((run == 1)) && ! diff -r "$tree" "out/$tree" >/dev/null; then
      echo "FAILED: the decrypted tree differs from the packed one" >&2
      exit 1
    fi
  done
  rm -rf out

  zlib_rates=() zlib_cpu_rates=()
  while read -r word wall cpu; do
    [[ $word == run ]] || continue
    zlib_rates+=("$(mb_per_s "$bytes" "$wall")")
    zlib_cpu_rates+=("$(mb_per_s "$bytes" "$cpu")")
  done < <("$BASELINE" measure "$RUNS" "$tree")

  read -r anon file hwm < <(sample_memory ./package.sfx sampled)
  rm -rf sampled

  package_bytes=$(($(stat -c %s package.sfx) - $(stat -c %s "$STUB")))
  read -r pack_best pack_worst < <(best_worst "${pack_rates[@]}")
  read -r dec_best dec_worst < <(best_worst "${decrypt_rates[@]}")
  read -r dec_cpu_best dec_cpu_worst < <(best_worst "${decrypt_cpu_rates[@]}")
  read -r zlib_best zlib_worst < <(best_worst "${zlib_rates[@]}")
  read -r zlib_cpu_best zlib_cpu_worst < <(best_worst "${zlib_cpu_rates[@]}")
  # Memory: smallest and largest peak; less is better.
  read -r rss_high rss_low < <(best_worst "${rss[@]}")

  echo
  echo "== $size MiB of mixed files ($bytes bytes), package $package_bytes bytes, $RUNS runs =="
  echo "pack      best $pack_best MB/s, worst $pack_worst MB/s (wall)"
  echo "decrypt   best $dec_best MB/s, worst $dec_worst MB/s (wall); processor time: best $dec_cpu_best, worst $dec_cpu_worst MB/s"
  echo "uncompress of the same frames: best $zlib_best MB/s, worst $zlib_worst MB/s (wall);" \
       "processor time: best $zlib_cpu_best, worst $zlib_cpu_worst MB/s"
  awk -v d="$dec_best" -v dw="$dec_worst" -v z="$zlib_best" -v dc="$dec_cpu_best" -v zc="$zlib_cpu_best" 'BEGIN {
    r = d / z
    verdict = (r >= 0.6) ? "ok, goal" : "BELOW goal"
    printf "decrypt / uncompress (wall): best %.3f, worst run %.3f (%s 0.6); processor time: %.3f\n",
           r, dw / z, verdict, dc / zc }'
  awk -v lo="$rss_low" -v hi="$rss_high" -v p="$package_bytes" 'BEGIN {
    m = (lo * 1024 - p) / 1048576; mh = (hi * 1024 - p) / 1048576
    verdict = (mh < 16) ? "below" : "NOT below"
    printf "stub maximum resident set: %.1f to %.1f MiB; minus the package: %.1f to %.1f MiB (%s 16 MiB)\n",
           lo / 1024, hi / 1024, m, mh, verdict }'
  awk -v a="$anon" -v f="$file" -v h="$hwm" 'BEGIN {
    printf "sampled run: anonymous resident %.1f MiB, file-backed resident %.1f MiB, peak %.1f MiB\n",
           a / 1024, f / 1024, h / 1024 }'
  rm -rf "$tree" package.sfx
done
