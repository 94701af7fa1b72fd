#!/usr/bin/env bash
# The main job on the embedded default: packs the sample in samples/ (or the
# files and folders given as arguments) into a Linux self-extractor with a
# demo password, runs its decrypt command into a fresh folder and shows what
# came out. A Windows self-extractor of the same input is left beside it.
# Installs missing Debian packages and builds what is missing first.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/lib.sh
mv_use_utf8_locale

mv_ensure_packages
mv_build native morvalis-sfx morvalis-pack
mv_build windows morvalis-sfx
# The Windows programs with the Linux stub, in one zip a Windows user unzips
# and runs (build/windows/package/, build/windows/morvalis-windows-*.zip).
mv_build windows windows_package

PASSWORD="demo-password"
OUT=build/demo
rm -rf "$OUT"
mkdir -p "$OUT"

if (($#)); then
  inputs=("$@")
  message=()
else
  inputs=(samples/demo)
  message=(--message-file samples/message.txt)
fi

echo "Packing ${inputs[*]} with the demo password: $PASSWORD"
build/native/morvalis-pack sfx "$OUT/package" --stub build/native/morvalis-sfx --password "$PASSWORD" \
  "${message[@]}" "${inputs[@]}"
build/native/morvalis-pack sfx "$OUT/package.exe" --stub build/windows/morvalis-sfx.exe --password "$PASSWORD" \
  "${message[@]}" "${inputs[@]}"

echo
echo "Running: $OUT/package decrypt -pwd=$PASSWORD -targetdir=$OUT/decrypted -messagefile=$OUT/message.txt"
status=0
"$OUT/package" decrypt "-pwd=$PASSWORD" "-targetdir=$OUT/decrypted" "-messagefile=$OUT/message.txt" || status=$?
echo "Exit code: $status"
echo
echo "Decrypted files:"
(cd "$OUT/decrypted" && find . -type f -printf '  %P (%s bytes)\n' | sort)
if [[ -f "$OUT/message.txt" ]]; then
  echo
  echo "Message text:"
  sed 's/^/  /' "$OUT/message.txt"
fi
echo
echo "The Windows self-extractor of the same input: $OUT/package.exe"
echo "The Windows programs to unzip and run: $(ls build/windows/morvalis-windows-*.zip)"
exit "$status"
