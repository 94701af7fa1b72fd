#!/usr/bin/env bash
# Whether the self-extractors run on machines the sender does not know. The
# Linux stub and the packer are static, stripped executables with their
# debug information beside them; they pack, list and decrypt in an empty
# root with an empty environment and read nothing of a full system they do
# not need; with only the system calls of Linux 3.2
# (tests/e2e/enosys_launcher.c) they write the same bytes as with all of
# them and leave nothing behind; the Windows stub decrypts under Wine set to
# Windows 7, in a prefix of its own. Needs build/native and build/windows
# built. A check the machine cannot make is skipped with the reason. Prints
# "portability: N passed, M failed" and exits non-zero on a failure.
set -uo pipefail
cd "$(dirname "$0")/../.."
export LANG=C.UTF-8 LC_ALL=C.UTF-8

NATIVE=$PWD/build/native
WINDOWS=$PWD/build/windows
WORK=$(mktemp -d "${TMPDIR:-/tmp}/mv-portability.XXXXXX")
trap 'chmod -R u+w "$WORK" 2>/dev/null; rm -rf "$WORK"' EXIT
source tests/e2e/checks.sh
skip() { echo "portability: skipped: $*" >&2; }

PACK=$NATIVE/morvalis-pack
STUB=$NATIVE/morvalis-sfx
LAUNCH=$NATIVE/enosys_launcher
PASS='Paßwort 1'
# What every run here may leave behind goes to a temporary folder of its own.
TEMP=$WORK/temp
mkdir -p "$TEMP"
export TMPDIR=$TEMP
# Lists a tree with sizes, times and permission bits.
files_of() { (cd "$1" && find . -type f -printf '%P %s %T@ %m\n' | sort); }
same_files() { [[ $(files_of "$1") == "$(files_of "$2")" ]] && diff -r "$1" "$2" >/dev/null; }
nothing_left() { [[ -z $(ls -A "$1") ]]; }

# --- Input: the end-to-end files, a read-only one, a message ---
IN=$WORK/in
make_input "$IN"
printf 'fest\n' >"$IN/Daten/nur-lesen.txt"
chmod a-w "$IN/Daten/nur-lesen.txt"
MESSAGE=$WORK/message.txt
printf 'Hallo,\nanbei die Daten.\n' >"$MESSAGE"
EXPECTED=$(tree_of "$IN")

# --- 1. The images ---
# The sections of an ELF image's last loadable segment.
last_segment() {
  readelf -lW "$1" | awk '
    /^  [A-Z_]+ / && !mapping { if ($1 == "LOAD") last = count; count++ }
    /Section to Segment mapping/ { mapping = 1; next }
    mapping && $1 ~ /^[0-9]+$/ && $1 + 0 == last { $1 = ""; sub(/^ +/, ""); sub(/ +$/, ""); print }'
}
for image in "$STUB" "$PACK"; do
  name=${image##*/}
  readelf -lW "$image" >"$WORK/segments.txt" 2>&1
  readelf -dW "$image" >"$WORK/dynamic.txt" 2>&1
  check "$name: an ELF image with program headers" grep -q 'Program Headers' "$WORK/segments.txt"
  check "$name: no interpreter" not_grep INTERP "$WORK/segments.txt"
  check "$name: no NEEDED entries" not_grep NEEDED "$WORK/dynamic.txt"
  check "$name: file calls it static" sh -c "file -b '$image' | grep -Eq 'statically linked|static-pie linked'"
  check "$name: stripped" sh -c "file -b '$image' | grep -q ', stripped'"
  check "$name: ldd names no library" sh -c "! ldd '$image' 2>&1 | grep -q '=>'"
  check "$name: its debug information lies beside it" sh -c "readelf -SW '$image.debug' | grep -q '\.debug_info'"
  check "$name: and is linked to it" sh -c "readelf -p .gnu_debuglink '$image' | grep -q '$name.debug'"
  # Static glibc would load NSS modules for a user or host lookup.
  check "$name: no user or host lookup in the image" \
    sh -c "! nm '$image.debug' | grep -Eq ' (__nss_[a-z_]+|getpwnam_r|getpwuid_r|getaddrinfo|gethostbyname[a-z0-9_]*)\$'"
done
check "stub: the payload section is the last loadable segment" test "$(last_segment "$STUB")" == "_qzpk_"
for image in "$WINDOWS/morvalis-sfx.exe" "$WINDOWS/morvalis-pack.exe"; do
  check "${image##*/}: stripped" sh -c "x86_64-w64-mingw32-nm '$image' 2>&1 | grep -q 'no symbols' &&
    ! x86_64-w64-mingw32-objdump -h '$image' | grep -q '\.debug_'"
  # Windows 7 (6.1) is the oldest system the header admits, as the README says.
  check "${image##*/}: starts on Windows 7 and later" sh -c "x86_64-w64-mingw32-objdump -p '$image' |
    tr -d '\t ' | grep -qz 'MajorSubsystemVersion6.MinorSubsystemVersion1'"
done

# Packages made normally; the one around an existing container is the
# packer's deterministic output.
"$PACK" sfx "$WORK/normal.sfx" --stub "$STUB" --message-file "$MESSAGE" --password "$PASS" "$IN"/* >/dev/null
"$PACK" create "$WORK/package.mef" --password "$PASS" --message-file "$MESSAGE" "$IN"/* >/dev/null
"$PACK" sfx "$WORK/container.sfx" --stub "$STUB" --container "$WORK/package.mef" >/dev/null
check "a grown stub keeps the payload section last" test "$(last_segment "$WORK/normal.sfx")" == "_qzpk_"
expect_code "normal decrypt" 0 "$WORK/normal.sfx" decrypt "-pwd=$PASS" "-targetdir=$WORK/out-normal" \
  "-messagefile=$WORK/out-normal.txt"
check "normal decrypt: tree and times" test "$(tree_of "$WORK/out-normal")" == "$EXPECTED"
"$PACK" list "$WORK/normal.sfx" --password "$PASS" >"$WORK/list-normal.txt" 2>&1
"$PACK" extract "$WORK/normal.sfx" "$WORK/extract-normal" --password "$PASS" >/dev/null 2>&1

# --- 2. What the programs read of a full system, with an empty environment ---
# Beside the files they are given: libgcrypt's FIPS switch and list of disabled CPU
# features, the number of processors and the kernel's memory overcommit
# policy (the C library), the program's own path, the random device of a
# kernel without getrandom, and the memory available (which bounds the
# strong kind's key derivation): the system's, the process's own use, and
# its control group's limit and use.
ALLOWED='^(/etc/gcrypt/(fips_enabled|hwf\.deny)|/proc/sys/crypto/fips_enabled|/sys/devices/system/cpu/(online|possible)|/proc/sys/vm/overcommit_memory|/proc/self/exe|/dev/urandom|/proc/meminfo|/proc/self/(cgroup|status)|/sys/fs/cgroup(/[^/]+)*/memory\.(max|current|limit_in_bytes|usage_in_bytes))$'
# The paths outside WORK that a traced run named in file system calls.
foreign_paths() {  # trace
  sed -nE 's/^[0-9]+ +([a-z0-9_]+)\((AT_FDCWD, )?"(\/[^"]*)".*/\1 \3/p' "$1" | grep -v '^execve ' |
    cut -d' ' -f2- | grep -Ev "^($WORK|$NATIVE)(/|\$)" | grep -Ev "$ALLOWED" | sort -u
}
if ! command -v strace >/dev/null || ! strace -o /dev/null true 2>/dev/null; then
  skip "the files read (strace is missing or may not trace here)"
else
  trace() { env -i TMPDIR="$TEMP" "$(command -v strace)" -f -qq -e trace=%file -o "$WORK/trace.txt" "$@"; }
  expect_code "traced: sfx" 0 trace "$PACK" sfx "$WORK/traced.sfx" --stub "$STUB" --password "$PASS" "$IN/Daten"
  check "the packer reads nothing else (sfx): $(foreign_paths "$WORK/trace.txt" | tr '\n' ' ')" \
    test -z "$(foreign_paths "$WORK/trace.txt")"
  expect_code "traced: list" 0 trace "$PACK" list "$WORK/traced.sfx" --password "$PASS"
  check "the packer reads nothing else (list): $(foreign_paths "$WORK/trace.txt" | tr '\n' ' ')" \
    test -z "$(foreign_paths "$WORK/trace.txt")"
  expect_code "traced: decrypt" 0 trace "$WORK/traced.sfx" decrypt "-pwd=$PASS" "-targetdir=$WORK/out-traced"
  check "the stub reads nothing else: $(foreign_paths "$WORK/trace.txt" | tr '\n' ' ')" \
    test -z "$(foreign_paths "$WORK/trace.txt")"
  check "traced decrypt: tree" test "$(tree_of "$WORK/out-traced/Daten")" == "$(tree_of "$IN/Daten")"
fi

# --- 3. An empty root: the two programs, the files to pack, a writable tmp/ ---
ROOT=$WORK/root
mkdir -p "$ROOT/tmp"
chmod 1777 "$ROOT/tmp"
cp "$STUB" "$PACK" "$ROOT/"
cp -a "$IN" "$ROOT/in"
cp "$MESSAGE" "$ROOT/message.txt"
# Plain chroot as root, else in a user namespace of its own.
ENTER=()
for way in "$(command -v chroot)" "$(command -v unshare) -r $(command -v chroot)"; do
  read -ra candidate <<<"$way"
  if ((${#candidate[@]} > 0)) && [[ -x ${candidate[0]} ]] && "${candidate[@]}" "$ROOT" /morvalis-pack --help >/dev/null 2>&1; then
    ENTER=("${candidate[@]}")
    break
  fi
done
if ((${#ENTER[@]} == 0)); then
  skip "the empty root (neither chroot nor unshare -r chroot is allowed here)"
else
  in_root() { env -i "${ENTER[@]}" "$ROOT" "$@"; }
  expect_code "root: create" 0 in_root /morvalis-pack create /package.mef --password "$PASS" \
    --message-file /message.txt /in/Unterlagen /in/Daten /in/readme.txt
  expect_code "root: sfx" 0 in_root /morvalis-pack sfx /package.sfx --stub /morvalis-sfx --container /package.mef
  expect_code "root: list" 0 in_root /morvalis-pack list /package.sfx --password "$PASS"
  check "root: list names the entries" grep -q 'Unterlagen/Übersicht.txt' "$WORK/last.out"
  expect_code "root: decrypt" 0 in_root /package.sfx decrypt "-pwd=$PASS" -targetdir=/out -messagefile=/out.txt
  check "root: tree and times" test "$(tree_of "$ROOT/out")" == "$EXPECTED"
  check "root: message text" cmp -s "$MESSAGE" "$ROOT/out.txt"
  check "root: nothing left in tmp/" nothing_left "$ROOT/tmp"
fi

# --- 4. Only the system calls of Linux 3.2 ---
if ! "$LAUNCH" true 2>"$WORK/launch.err"; then
  skip "the old-kernel runs ($(cat "$WORK/launch.err"))"
else
  for way in "" --no-hard-links; do
    old=("$LAUNCH" $way)
    tag="3.2${way:+ $way}"
    rm -rf "$WORK/old"
    mkdir -p "$WORK/old"
    expect_code "$tag: sfx" 0 "${old[@]}" "$PACK" sfx "$WORK/old/made.sfx" --stub "$STUB" --message-file "$MESSAGE" \
      --password "$PASS" "$IN"/*
    expect_code "$tag: sfx around a container" 0 "${old[@]}" "$PACK" sfx "$WORK/old/container.sfx" --stub "$STUB" \
      --container "$WORK/package.mef"
    check "$tag: the same bytes as the normal packer" cmp -s "$WORK/container.sfx" "$WORK/old/container.sfx"
    expect_code "$tag: list" 0 "${old[@]}" "$PACK" list "$WORK/normal.sfx" --password "$PASS"
    check "$tag: the same list" cmp -s "$WORK/list-normal.txt" "$WORK/last.out"
    expect_code "$tag: list of its own package" 0 "${old[@]}" "$PACK" list "$WORK/old/made.sfx" --password "$PASS"
    check "$tag: the same list of its own package" cmp -s "$WORK/list-normal.txt" "$WORK/last.out"
    expect_code "$tag: extract" 0 "${old[@]}" "$PACK" extract "$WORK/normal.sfx" "$WORK/old/extract" --password "$PASS"
    check "$tag: the same extracted files" same_files "$WORK/extract-normal" "$WORK/old/extract"
    for package in normal made; do
      expect_code "$tag: decrypt $package.sfx" 0 "${old[@]}" "$WORK/$([[ $package == made ]] && echo old/)$package.sfx" \
        decrypt "-pwd=$PASS" "-targetdir=$WORK/old/out-$package" "-messagefile=$WORK/old/out-$package.txt"
      check "$tag: decrypt $package.sfx: the same files" same_files "$WORK/out-normal" "$WORK/old/out-$package"
      check "$tag: decrypt $package.sfx: the same message" cmp -s "$WORK/out-normal.txt" "$WORK/old/out-$package.txt"
    done
    expect_code "$tag: an existing target is refused" 235 "${old[@]}" "$WORK/normal.sfx" decrypt "-pwd=$PASS" \
      "-targetdir=$WORK/old/out-normal"
    # A read-only file is never replaced (as on Windows): it goes first.
    rm -f "$WORK/old/out-normal/Daten/nur-lesen.txt"
    printf 'changed' >"$WORK/old/out-normal/Unterlagen/leer.txt"
    expect_code "$tag: decrypt -replace" 0 "${old[@]}" "$WORK/normal.sfx" decrypt "-pwd=$PASS" \
      "-targetdir=$WORK/old/out-normal" -replace
    check "$tag: decrypt -replace: the same files" same_files "$WORK/out-normal" "$WORK/old/out-normal"
    expect_code "$tag: test" 0 "${old[@]}" "$PACK" test "$WORK/old/made.sfx" --password "$PASS"
    check "$tag: nothing left in the temporary folder" nothing_left "$TEMP"
  done
fi

# --- 5. The Windows stub under Wine set to Windows 7, in a prefix of its own ---
if ! command -v wine >/dev/null || [[ ! -f $WINDOWS/morvalis-sfx.exe ]]; then
  skip "Windows 7 (no Wine or no Windows build)"
else
  on_windows7() {
    WINEPREFIX=$PWD/build/wineprefix-win7 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
  }
  if [[ ! -f build/wineprefix-win7/system.reg ]]; then
    on_windows7 wineboot -i >/dev/null 2>&1
    on_windows7 wineserver -w
  fi
  on_windows7 winecfg -v win7 >/dev/null 2>&1
  on_windows7 wine cmd /c ver >"$WORK/version.txt" 2>/dev/null
  check "windows 7: the prefix reports version 6.1" grep -q ' 6\.1\.' "$WORK/version.txt"
  "$PACK" sfx "$WORK/windows.exe" --stub "$WINDOWS/morvalis-sfx.exe" --container "$WORK/package.mef" >/dev/null
  expect_code "windows 7: decrypt" 0 on_windows7 wine "$WORK/windows.exe" decrypt "-pwd=$PASS" \
    "-targetdir=$(winpath "$WORK/out-win7")" "-messagefile=$(winpath "$WORK/out-win7.txt")"
  check "windows 7: tree and times" test "$(tree_of "$WORK/out-win7")" == "$EXPECTED"
  check "windows 7: message text (CR LF)" test "$(tr -d '\r' <"$WORK/out-win7.txt" | iconv -f WINDOWS-1252 -t UTF-8)" == "$(cat "$MESSAGE")"
  expect_code "windows 7: wrong password" 199 on_windows7 wine "$WORK/windows.exe" decrypt -pwd=wrong \
    "-targetdir=$(winpath "$WORK/x")"
  on_windows7 wineserver -k >/dev/null 2>&1
fi

echo "portability: $PASSED passed, $FAILED failed"
((FAILED == 0))
