#!/usr/bin/env bash
# Builds both targets and runs every test: natively, natively under
# AddressSanitizer + UndefinedBehaviorSanitizer, and the Windows build under
# Wine. Installs missing Debian packages first. Ends with "N passed, M failed".
set -euo pipefail
cd "$(dirname "$0")"
source scripts/lib.sh

mv_ensure_packages
mv_build native
mv_build sanitize mv_tests
mv_build windows

mv_run_gtest native build/native/mv_tests
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  mv_run_gtest sanitize build/sanitize/mv_tests

mv_wine_start
trap mv_wine_stop EXIT
mv_run_gtest windows wine build/windows/mv_tests.exe

mv_log "end-to-end: both stubs and packers"
e2e_status=0
tests/e2e/product_test.sh 2>&1 | tee build/test-logs/e2e.log || e2e_status=$?
e2e_passed=$(sed -nE 's/^e2e: ([0-9]+) passed, ([0-9]+) failed$/\1/p' build/test-logs/e2e.log)
e2e_failed=$(sed -nE 's/^e2e: ([0-9]+) passed, ([0-9]+) failed$/\2/p' build/test-logs/e2e.log)
MV_PASSED=$((MV_PASSED + ${e2e_passed:-0}))
MV_FAILED=$((MV_FAILED + ${e2e_failed:-1}))
((e2e_status == 0 || ${e2e_failed:-1} > 0)) || MV_FAILED=$((MV_FAILED + 1))

echo
echo "$MV_PASSED passed, $MV_FAILED failed"
((MV_FAILED == 0))
