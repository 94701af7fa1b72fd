#!/usr/bin/env bash
# Checks that every include runs down the order of the layers, builds both
# targets and runs every test: natively, natively under
# AddressSanitizer + UndefinedBehaviorSanitizer, every fuzz target for a few
# seconds from its seeds, the Windows build under Wine, end to end through
# the real executables of both builds (and the Linux one's terminal flow
# through a pseudo-terminal), and the Windows dialogs under Wine on a
# virtual display (screenshots go to build/screenshots/). The unit tests and
# the programs also run with only the system calls of Linux 3.2, the
# programs in an empty root, and the Windows stub under Windows 7's version
# of Wine. Installs missing Debian packages first. Ends with "N passed, M
# failed".
set -euo pipefail
cd "$(dirname "$0")"
source scripts/lib.sh
mv_use_utf8_locale

mv_ensure_packages
mv_run_script layers python3 scripts/check_layers.py
mv_build native
mv_build sanitize mv_tests
mv_build windows
# The Windows programs with the native build's Linux stub, in one zip.
mv_build windows windows_package

mv_run_gtest native build/native/mv_tests
# Once more with only the system calls of Linux 3.2, and on top without
# hard links, as on FAT: the fall-backs of the POSIX platform layer.
mv_run_gtest linux-3.2 build/native/enosys_launcher build/native/mv_tests
mv_run_gtest linux-3.2-no-hard-links build/native/enosys_launcher --no-hard-links build/native/mv_tests
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  mv_run_gtest sanitize build/sanitize/mv_tests
mv_run_script fuzz fuzz/run.sh 5
# The strong kind's test vectors, read by a reader written from the format
# document alone (Debian's Python and its argon2, cryptography and zstandard).
mv_run_script format /usr/bin/python3 tests/format/strong_reader.py docs/strong-vectors

mv_wine_start
trap mv_wine_stop EXIT
mv_run_gtest windows wine build/windows/mv_tests.exe

mv_run_script e2e tests/e2e/product_test.sh
mv_run_script packer tests/e2e/packer_test.sh
mv_run_script text tests/e2e/text_test.sh
mv_run_script portability tests/e2e/portability_test.sh
mv_run_script terminal python3 tests/e2e/terminal_test.py build/native
mv_run_script gui tests/gui/gui_test.sh

echo
echo "$MV_PASSED passed, $MV_FAILED failed"
((MV_FAILED == 0))
