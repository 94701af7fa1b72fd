#!/usr/bin/env bash
# End-to-end tests through the real executables of both builds: the packer
# makes self-extractors for Linux and Windows, the Linux one runs natively,
# the Windows one under Wine, and what comes out is compared with the input.
# Packages cross the platforms both ways. Needs build/native and
# build/windows built and a running Wine prefix (WINEPREFIX set).
# Prints "e2e: N passed, M failed" and exits non-zero on a failure.
set -uo pipefail
cd "$(dirname "$0")/../.."

NATIVE=build/native
WINDOWS=build/windows
WORK=$(mktemp -d "${TMPDIR:-/tmp}/mv-e2e.XXXXXX")
trap 'chmod -R u+w "$WORK" 2>/dev/null; rm -rf "$WORK"' EXIT
PASSED=0
FAILED=0

pass() { PASSED=$((PASSED + 1)); }
fail() { FAILED=$((FAILED + 1)); echo "FAIL: $*" >&2; }
check() {  # description, then a command whose success is the check
  local what=$1
  shift
  if "$@"; then pass; else fail "$what"; fi
}
expect_code() {  # description, expected exit code, command...
  local what=$1 expected=$2
  shift 2
  local code=0
  "$@" >"$WORK/last.out" 2>&1 || code=$?
  if [[ $code == "$expected" ]]; then pass; else fail "$what: exit $code, expected $expected"; cat "$WORK/last.out" >&2; fi
}
winpath() { echo "Z:${1//\//\\}"; }
# A listing of a tree: relative path, size and modification time (seconds).
tree_of() { (cd "$1" && find . -type f -printf '%P %s %T@\n' | sed -E 's/\.[0-9]+$//' | sort); }

# --- Input: nested folders, an empty file, a larger mixed file, umlauts ---
IN=$WORK/in
mkdir -p "$IN/Unterlagen/tief/leer" "$IN/Daten"
printf 'Erste Zeile\nzweite Zeile\n' >"$IN/Unterlagen/Übersicht.txt"
: >"$IN/Unterlagen/leer.txt"
head -c 300000 /dev/urandom >"$IN/Daten/zufall.bin"
yes 'compressible line of text' | head -c 500000 >"$IN/Daten/text.txt"
printf 'root file\n' >"$IN/readme.txt"
touch -d '2024-02-03 04:05:06' "$IN/readme.txt"
touch -d '2023-12-24 18:00:00' "$IN/Unterlagen/Übersicht.txt"
MESSAGE=$WORK/message.txt
printf 'Hallo,\nanbei die Unterlagen.\nGrüße\n' >"$MESSAGE"
PASS='Paßwort 1'
printf '%s\n' "$PASS" >"$WORK/pw.txt"

PACK=$NATIVE/morvalis-pack
(cd "$IN" && "$OLDPWD/$PACK" sfx "$WORK/linux.sfx" --stub "$OLDPWD/$NATIVE/morvalis-sfx" \
  --message-file "$MESSAGE" --password-file "$WORK/pw.txt" Unterlagen Daten readme.txt) >/dev/null
check "packer writes a Linux self-extractor" test -x "$WORK/linux.sfx"
(cd "$IN" && "$OLDPWD/$PACK" sfx "$WORK/windows.exe" --stub "$OLDPWD/$WINDOWS/morvalis-sfx.exe" \
  --message-file "$MESSAGE" --password-file "$WORK/pw.txt" Unterlagen Daten readme.txt) >/dev/null
check "packer writes a Windows self-extractor" test -s "$WORK/windows.exe"

EXPECTED=$(tree_of "$IN")

# --- Linux stub, natively ---
expect_code "linux decrypt" 0 "$WORK/linux.sfx" decrypt "-pwd=$PASS" "-targetdir=$WORK/out-linux" \
  "-messagefile=$WORK/out-linux.txt"
check "linux tree and times" test "$(tree_of "$WORK/out-linux")" == "$EXPECTED"
check "linux message text" cmp -s "$MESSAGE" "$WORK/out-linux.txt"
expect_code "linux -pwdfile" 0 "$WORK/linux.sfx" decrypt "-pwdfile=$WORK/pw.txt" "-targetdir=$WORK/out-pwdfile"
expect_code "linux -pwdfile=- (standard input)" 0 sh -c "'$WORK/linux.sfx' decrypt -pwdfile=- -targetdir='$WORK/out-stdin' <'$WORK/pw.txt'"
expect_code "linux wrong password (711 mod 256)" 199 "$WORK/linux.sfx" decrypt -pwd=wrong "-targetdir=$WORK/x1"
expect_code "linux target exists" 235 "$WORK/linux.sfx" decrypt "-pwd=$PASS" "-targetdir=$WORK/out-linux"
expect_code "linux replace" 0 "$WORK/linux.sfx" decrypt "-pwd=$PASS" "-targetdir=$WORK/out-linux" -REPLACE
expect_code "linux message file exists" 80 "$WORK/linux.sfx" decrypt "-pwd=$PASS" "-messagefile=$WORK/out-linux.txt"
# Links in or at the target: nothing is written through them (241 = the refused file's code, 241 mod 256).
mkdir -p "$WORK/outside" "$WORK/linked/Daten"
ln -s "$WORK/outside" "$WORK/linked/Unterlagen"
ln -s "$WORK/outside" "$WORK/link-target"
ln -s "$WORK/outside/message.txt" "$WORK/link-message.txt"
expect_code "linux -replace over a linked subfolder" 241 "$WORK/linux.sfx" decrypt "-pwd=$PASS" \
  "-targetdir=$WORK/linked" -replace
expect_code "linux target is a link to a folder" 235 "$WORK/linux.sfx" decrypt "-pwd=$PASS" "-targetdir=$WORK/link-target"
expect_code "linux message file is a link" 241 "$WORK/linux.sfx" decrypt "-pwd=$PASS" \
  "-messagefile=$WORK/link-message.txt" -replace
check "nothing written outside the target" test -z "$(ls -A "$WORK/outside")"
check "the rest of the tree copied past the refused files" test -s "$WORK/linked/Daten/text.txt"
expect_code "linux switch first" 30 "$WORK/linux.sfx" -debug decrypt
expect_code "linux unknown switch" 32 "$WORK/linux.sfx" decrypt -PWD=x
expect_code "linux unknown command" 32 "$WORK/linux.sfx" encrypt
expect_code "linux stub without payload" 1 "$NATIVE/morvalis-sfx" decrypt -pwd=x
expect_code "linux invalid message path" 30 "$WORK/linux.sfx" decrypt "-pwd=$PASS" "-messagefile=$WORK/dir/"
# The Windows stub meets the same links as reparse points (Wine shows a Unix link as one).
mkdir -p "$WORK/outside-win" "$WORK/linked-win"
ln -s "$WORK/outside-win" "$WORK/linked-win/Unterlagen"
ln -s "$WORK/outside-win" "$WORK/link-target-win"
expect_code "windows -replace over a linked subfolder" 241 wine "$WORK/windows.exe" decrypt "-pwd=$PASS" \
  "-targetdir=$(winpath "$WORK/linked-win")" -replace
expect_code "windows target is a link to a folder" 235 wine "$WORK/windows.exe" decrypt "-pwd=$PASS" \
  "-targetdir=$(winpath "$WORK/link-target-win")"
check "nothing written outside the target (windows)" test -z "$(ls -A "$WORK/outside-win")"
check "no temporary files left (linux)" test -z "$(find "${TMPDIR:-/tmp}" -maxdepth 1 -newer "$WORK/pw.txt" \( -name 'qzp_*' -o -name 'QZDX_*' \) 2>/dev/null)"

# --- Windows stub, under Wine ---
expect_code "windows decrypt" 0 wine "$WORK/windows.exe" decrypt "-pwd=$PASS" "-targetdir=$(winpath "$WORK/out-win")" \
  "-messagefile=$(winpath "$WORK/out-win.txt")"
check "windows tree and times" test "$(tree_of "$WORK/out-win")" == "$EXPECTED"
check "windows message text (CR LF)" test "$(tr -d '\r' <"$WORK/out-win.txt" | iconv -f WINDOWS-1252 -t UTF-8)" == "$(cat "$MESSAGE")"
expect_code "windows wrong password" 199 wine "$WORK/windows.exe" decrypt -pwd=wrong "-targetdir=$(winpath "$WORK/x2")"
expect_code "windows unknown switch" 32 wine "$WORK/windows.exe" decrypt /bogus

# --- A package made on Linux opens on Windows, and the other way round ---
(cd "$IN" && "$OLDPWD/$PACK" create "$WORK/linux.mef" --password-file "$WORK/pw.txt" Unterlagen) >/dev/null
expect_code "windows packer embeds a linux .mef" 0 wine "$WINDOWS/morvalis-pack.exe" sfx "$(winpath "$WORK/cross.exe")" \
  --stub "$(winpath "$WINDOWS/morvalis-sfx.exe")" --container "$(winpath "$WORK/linux.mef")"
# Wine hands the UTF-8 argument to the program in its ANSI code page.
expect_code "windows stub decrypts a linux package" 0 wine "$WORK/cross.exe" decrypt "-pwd=$PASS" \
  "-targetdir=$(winpath "$WORK/out-cross-win")"
check "cross tree (linux -> windows)" test "$(tree_of "$WORK/out-cross-win/Unterlagen")" == "$(tree_of "$IN/Unterlagen")"

iconv -f UTF-8 -t WINDOWS-1252 "$WORK/pw.txt" >"$WORK/pw-1252.txt"
expect_code "windows packer writes a .mef" 0 wine "$WINDOWS/morvalis-pack.exe" create "$(winpath "$WORK/windows.mef")" \
  --password-file "$(winpath "$WORK/pw-1252.txt")" "$(winpath "$IN/Daten")"
expect_code "linux packer embeds the windows .mef" 0 "$PACK" sfx "$WORK/cross.sfx" --stub "$NATIVE/morvalis-sfx" \
  --container "$WORK/windows.mef"
expect_code "linux stub decrypts a windows package" 0 "$WORK/cross.sfx" decrypt "-pwd=$PASS" "-targetdir=$WORK/out-cross-linux"
check "cross tree (windows -> linux)" test "$(tree_of "$WORK/out-cross-linux/Daten")" == "$(tree_of "$IN/Daten")"

# --- The packer's reading commands and exit codes ---
expect_code "pack list" 0 "$PACK" list "$WORK/linux.sfx" --password-file "$WORK/pw.txt"
check "pack list names the entries" grep -q 'Unterlagen/Übersicht.txt' "$WORK/last.out"
check "pack list sees the message" grep -q 'message text: yes' "$WORK/last.out"
expect_code "pack test" 0 "$PACK" test "$WORK/linux.mef" --password-file "$WORK/pw.txt"
expect_code "pack test, wrong password" 3 "$PACK" test "$WORK/linux.mef" --password wrong
expect_code "pack extract" 0 "$PACK" extract "$WORK/windows.exe" "$WORK/out-extract" --password-file "$WORK/pw.txt" \
  --message-file "$WORK/out-extract.txt"
check "pack extract tree" test "$(tree_of "$WORK/out-extract")" == "$EXPECTED"
expect_code "pack usage error" 2 "$PACK" create
expect_code "pack unknown option" 2 "$PACK" list x --bogus 1
expect_code "pack missing input" 1 "$PACK" create "$WORK/y.mef" --password x "$WORK/does-not-exist"

# --- Carriers ---
# An uncompressed 24-bit BMP: byte 28 bits per pixel, byte 30 compression 0.
{ printf 'BM'; head -c 26 /dev/zero; printf '\x18'; head -c 25 /dev/zero; head -c 2000000 /dev/urandom; } \
  >"$WORK/carrier.bmp"
expect_code "pack hide" 0 "$PACK" hide "$WORK/carrier.bmp" "$WORK/hidden.bmp" --password x "$IN/readme.txt"
check "carrier keeps its size" test "$(stat -c %s "$WORK/carrier.bmp")" == "$(stat -c %s "$WORK/hidden.bmp")"
expect_code "pack extract from a carrier" 0 "$PACK" extract "$WORK/hidden.bmp" "$WORK/out-carrier" --password x
check "carrier content" cmp -s "$IN/readme.txt" "$WORK/out-carrier/readme.txt"
head -c 3000 "$WORK/carrier.bmp" >"$WORK/small.bmp"
expect_code "pack hide, carrier too small (780)" 1 "$PACK" hide "$WORK/small.bmp" "$WORK/small-out.bmp" --password x "$IN/Daten"
check "780 is named" grep -q 'code 780' "$WORK/last.out"

echo "e2e: $PASSED passed, $FAILED failed"
((FAILED == 0))
