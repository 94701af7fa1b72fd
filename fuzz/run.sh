#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target (or the ones named) for
# SECONDS each (default 60), one per processor at a time, starting from the seeds in
# fuzz/corpus/<target>/. Inputs the fuzzer adds go to
# build/fuzz-runs/<target>/corpus/ (the seeds stay as they are), crashing
# inputs to build/fuzz-runs/<target>/; a target's log is
# build/fuzz-runs/<target>.log. Ends with "fuzz: N passed, M failed"; a
# target fails when libFuzzer reports a crash, a leak, a timeout or an
# oracle's abort.
#   fuzz/run.sh [SECONDS] [TARGET...]
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
cmake --preset fuzz >/dev/null && nice -n 10 cmake --build --preset fuzz -j 2 >/dev/null || {
  echo "fuzz: the fuzz preset does not build" >&2
  echo "fuzz: 0 passed, 1 failed"
  exit 1
}
targets=("$@")
if ((${#targets[@]} == 0)); then
  for binary in build/fuzz/*_fuzz; do targets+=("$(basename "$binary")"); done
fi

# Targets that write files do so in a per-run folder below TMPDIR; memory
# is faster than the disk for the syncs of the secure wipe.
[[ -d /dev/shm && -w /dev/shm ]] && export TMPDIR=/dev/shm

# One target per processor at a time; each prints its verdict to a file of
# its own, read in the order of the targets when all have ended.
run_target() {
  local target=$1 runs="build/fuzz-runs/$1" log="build/fuzz-runs/$1.log" status=0 execs coverage
  mkdir -p "$runs/corpus"
  nice -n 15 "build/fuzz/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$runs/" "$runs/corpus" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  execs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$log")
  coverage=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+')
  if ((status == 0)); then
    echo "$target: passed, ${execs:-0} executions in ${seconds} s, ${coverage:-no coverage line}" >"$runs.verdict"
  else
    {
      echo "$target: FAILED (exit $status, see $log)"
      grep -E 'ERROR|SUMMARY|^[a-z ]+: |Test unit written' "$log" | head -8
    } >"$runs.verdict"
  fi
}

at_once=$(nproc 2>/dev/null || echo 1)
for target in "${targets[@]}"; do
  rm -f "build/fuzz-runs/$target.verdict"
  while (($(jobs -rp | wc -l) >= at_once)); do wait -n || true; done
  run_target "$target" &
done
wait

passed=0
failed=0
for target in "${targets[@]}"; do
  verdict="build/fuzz-runs/$target.verdict"
  if [[ -s $verdict ]] && head -1 "$verdict" | grep -q ': passed,'; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
  cat "$verdict" 2>/dev/null || echo "$target: FAILED (no verdict)"
done
echo "fuzz: $passed passed, $failed failed"
((failed == 0))
