#!/usr/bin/env bash
# Builds the self-extractor stub for Linux and Windows and starts both. The
# stubs as built carry no package, so each reports exit code 1 (no payload).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/lib.sh

mv_ensure_packages
mv_build native morvalis-sfx
mv_build windows morvalis-sfx

status=0
build/native/morvalis-sfx || status=$?
echo "Linux stub:   exit code $status (1 = no package in the _qzpk_ section)"

mv_wine_start
trap mv_wine_stop EXIT
status=0
wine build/windows/morvalis-sfx.exe || status=$?
echo "Windows stub: exit code $status (1 = no package in the _qzpk_ section)"
