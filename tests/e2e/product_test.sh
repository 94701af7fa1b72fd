#!/usr/bin/env bash
# End-to-end tests through the real executables of both builds: the packer
# makes self-extractors for Linux and Windows, the Linux one runs natively,
# the Windows one under Wine, and what comes out is compared with the input.
# Packages cross the platforms both ways. Needs build/native and
# build/windows built and a running Wine prefix (WINEPREFIX set).
# Prints "e2e: N passed, M failed" and exits non-zero on a failure.
set -uo pipefail
cd "$(dirname "$0")/../.."
# Wine passes names and arguments on in the locale's encoding: UTF-8 always.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

NATIVE=build/native
WINDOWS=build/windows
WORK=$(mktemp -d "${TMPDIR:-/tmp}/mv-e2e.XXXXXX")
# The cases of the work area in memory look at /tmp and /dev/shm of a mount
# namespace of their own; their folder lies outside both, which they cover
# (in the build folder, unless the checkout itself is in one of them).
AREA_BASE=$PWD/build
case $(realpath "$AREA_BASE") in /tmp | /tmp/* | /dev/shm | /dev/shm/*) AREA_BASE=/var/tmp ;; esac
AREA=$(mktemp -d "$AREA_BASE/e2e-area.XXXXXX")
area_unmount() { for m in "$AREA"/*/; do umount "$m" 2>/dev/null; done; }
trap 'umount "$WORK/full" 2>/dev/null; area_unmount; chmod -R u+w "$WORK" 2>/dev/null; rm -rf "$WORK" "$AREA"' EXIT
# Every other run works in a temporary folder of this test's own: the
# system's are shared, and a run sweeps leftovers there.
export TMPDIR=$WORK/tmp
mkdir "$TMPDIR"
source tests/e2e/checks.sh

IN=$WORK/in
make_input "$IN"
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
# The code is the most serious failure (the link), whatever fails after it
# (FIFOs where later files go), and -debug names every refused file.
mkdir -p "$WORK/outside" "$WORK/linked/Daten"
ln -s "$WORK/outside" "$WORK/linked/Unterlagen"
mkfifo "$WORK/linked/readme.txt" "$WORK/linked/Daten/zufall.bin"
ln -s "$WORK/outside" "$WORK/link-target"
ln -s "$WORK/outside/message.txt" "$WORK/link-message.txt"
expect_code "linux -replace over a linked subfolder and FIFOs" 241 "$WORK/linux.sfx" decrypt "-pwd=$PASS" \
  "-targetdir=$WORK/linked" -replace -debug
for refused in Unterlagen/Übersicht.txt Unterlagen/leer.txt readme.txt Daten/zufall.bin; do
  check "the refused '$refused' is named" grep -qF "$WORK/linked/$refused\" could not be copied" "$WORK/last.out"
done
expect_code "linux target is a link to a folder" 235 "$WORK/linux.sfx" decrypt "-pwd=$PASS" "-targetdir=$WORK/link-target"
expect_code "linux -replace with a link at the target's name" 241 "$WORK/linux.sfx" decrypt "-pwd=$PASS" \
  "-targetdir=$WORK/link-target" -replace
expect_code "linux message file is a link" 241 "$WORK/linux.sfx" decrypt "-pwd=$PASS" \
  "-messagefile=$WORK/link-message.txt" -replace
check "nothing written outside the target" test -z "$(ls -A "$WORK/outside")"
check "the rest of the tree copied past the refused files" test -s "$WORK/linked/Daten/text.txt"

# The message file named like a file of the package: refused with 81 before
# anything is written, with or without -replace; beside the files it is
# written into the target folder the program made.
mkdir -p "$WORK/collide" && printf 'the package own message.txt\n' >"$WORK/collide/message.txt"
"$PACK" sfx "$WORK/collide.sfx" --stub "$NATIVE/morvalis-sfx" --message-file "$MESSAGE" --password-file "$WORK/pw.txt" \
  "$WORK/collide/message.txt" >/dev/null
for replace in "" -replace; do
  expect_code "message file takes a package file's name ${replace:-(new target)}" 81 "$WORK/collide.sfx" decrypt \
    "-pwd=$PASS" "-targetdir=$WORK/out-collide" "-messagefile=$WORK/out-collide/message.txt" $replace
  check "nothing written for the collision ${replace:-(new target)}" test ! -e "$WORK/out-collide"
done
expect_code "message file inside the target" 0 "$WORK/linux.sfx" decrypt "-pwd=$PASS" "-targetdir=$WORK/out-inside" \
  "-messagefile=$WORK/out-inside/message.txt"
check "message inside the target: the text" cmp -s "$MESSAGE" "$WORK/out-inside/message.txt"
check "message inside the target: the files" test -s "$WORK/out-inside/readme.txt"

# Two users on one machine: while the victim's decrypt runs, an attacker who
# may write the target's parent (a shared folder without the sticky bit)
# plants a link to the victim's private folder at the target's name just
# after decryption ends (its worker threads end, as /proc shows every user;
# each run waits a little longer, as the moment the program looks at the
# name is not known), or replaces the folder the program made there by such
# a link. Nothing may reach the private folder. Needs root (to act as two
# users) and setpriv.
race_runs=10
if [[ $(id -u) != 0 ]] || ! command -v setpriv >/dev/null; then
  echo "e2e: two-user race skipped (needs root and setpriv to act as two users)" >&2
else
  RACE=$(mktemp -d /tmp/mv-race.XXXXXX)
  chmod 755 "$RACE"
  VICTIM=61001 ATTACKER=61002
  mkdir -p "$RACE/shared" "$RACE/victim/private" "$RACE/victim/tmp" "$RACE/in/many"
  chmod 777 "$RACE/shared"
  printf 'private\n' >"$RACE/victim/private/a.txt"
  # Compressed, so that worker threads inflate it; 1,201 files.
  head -c 30000000 /dev/urandom >"$RACE/in/many/big.bin"
  for i in $(seq 1000 2199); do printf 'file %s\n' "$i" >"$RACE/in/many/a$i.txt"; done
  printf 'from the package\n' >"$RACE/in/many/a.txt"
  "$PACK" sfx "$RACE/race.sfx" --stub "$NATIVE/morvalis-sfx" --password x --compression 2 "$RACE/in/many" >/dev/null
  chown -R "$VICTIM:$VICTIM" "$RACE/victim"
  chmod 700 "$RACE/victim" "$RACE/victim/private" "$RACE/victim/tmp"
  chmod 755 "$RACE/race.sfx"
  cat >"$RACE/attack.py" <<'PY'
import os, sys, time
pid, target, private, delay = int(sys.argv[1]), sys.argv[2], sys.argv[3], int(sys.argv[4]) / 1e6
def threads():
    try:
        with open(f"/proc/{pid}/status") as f:
            return int(next(l for l in f if l.startswith("Threads:")).split()[1])
    except (OSError, StopIteration):
        return 0
seen_workers = False
deadline = time.time() + 60
while time.time() < deadline:
    n = threads()
    if n == 0:
        break
    seen_workers = seen_workers or n > 1
    if not seen_workers or n > 1:
        continue
    # Decryption is over: a link at the target's name, or in place of the
    # folder the program made there.
    time.sleep(delay)
    try:
        os.symlink(private, target)
        print("planted", flush=True)
    except FileExistsError:
        if not os.path.islink(target):
            try:
                os.rename(target, f"{target}.moved.{time.time_ns()}")
                os.symlink(private, target)
                print("replaced", flush=True)
            except OSError:
                pass
PY
  touch "$RACE/attack.log"
  chmod 666 "$RACE/attack.log"
  reached=0 codes=""
  for run in $(seq "$race_runs"); do
    rm -rf "$RACE/shared"/* 2>/dev/null
    setpriv --reuid=$VICTIM --regid=$VICTIM --clear-groups env -i PATH="$PATH" TMPDIR="$RACE/victim/tmp" \
      "$RACE/race.sfx" decrypt -pwd=x "-targetdir=$RACE/shared/t" >/dev/null 2>&1 &
    victim=$!
    setpriv --reuid=$ATTACKER --regid=$ATTACKER --clear-groups env -i PATH=/usr/bin:/bin python3 "$RACE/attack.py" \
      "$victim" "$RACE/shared/t" "$RACE/victim/private" "$((run * 100))" >>"$RACE/attack.log" &
    attacker=$!
    code=0
    wait "$victim" || code=$?
    wait "$attacker" 2>/dev/null
    codes="$codes $code"
    [[ $(ls -A "$RACE/victim/private") == a.txt && $(cat "$RACE/victim/private/a.txt") == private ]] || reached=$((reached + 1))
  done
  check "two-user race: the attacker struck ($(sort "$RACE/attack.log" | uniq -c | tr -s ' \n' ' '))" \
    test -s "$RACE/attack.log"
  check "two-user race: the private folder reached in $reached of $race_runs runs (codes:$codes)" test "$reached" == 0
  check "two-user race: every run ended with a copy, 235 or 241 (codes:$codes)" \
    test -z "$(echo "$codes" | tr ' ' '\n' | grep -vxE '0|235|241|')"
  check "two-user race: nothing left in the victim's temporary folder" test -z "$(ls -A "$RACE/victim/tmp")"
  rm -rf "$RACE"
fi
expect_code "linux switch first" 30 "$WORK/linux.sfx" -debug decrypt
expect_code "linux unknown switch" 32 "$WORK/linux.sfx" decrypt -PWD=x
expect_code "linux unknown command" 32 "$WORK/linux.sfx" encrypt
# The stub as built has no package: the dialog flow and a decrypt end with 1;
# the command line is checked before the package is looked for.
for stub in "$NATIVE/morvalis-sfx" "wine $WINDOWS/morvalis-sfx.exe"; do
  expect_code "$stub without payload: decrypt" 1 $stub DECRYPT -pwd=x
  expect_code "$stub without payload: unknown command" 32 $stub unknown-command
  expect_code "$stub without payload: switch first" 30 $stub -debug decrypt
  expect_code "$stub without payload: unknown switch" 32 $stub decrypt -PWD=x
done
expect_code "linux stub without payload: dialog flow" 1 sh -c "'$NATIVE/morvalis-sfx' </dev/null"
expect_code "linux stub without payload: decrypt /debug" 1 "$NATIVE/morvalis-sfx" decrypt /debug
expect_code "linux invalid message path" 30 "$WORK/linux.sfx" decrypt "-pwd=$PASS" "-messagefile=$WORK/dir/"
# The Windows stub meets the same links as reparse points (Wine shows a Unix link as one).
mkdir -p "$WORK/outside-win" "$WORK/linked-win"
ln -s "$WORK/outside-win" "$WORK/linked-win/Unterlagen"
ln -s "$WORK/outside-win" "$WORK/link-target-win"
expect_code "windows -replace over a linked subfolder" 241 wine "$WORK/windows.exe" decrypt "-pwd=$PASS" \
  "-targetdir=$(winpath "$WORK/linked-win")" -replace
expect_code "windows target is a link to a folder" 235 wine "$WORK/windows.exe" decrypt "-pwd=$PASS" \
  "-targetdir=$(winpath "$WORK/link-target-win")"
expect_code "windows -replace with a link at the target's name" 241 wine "$WORK/windows.exe" decrypt "-pwd=$PASS" \
  "-targetdir=$(winpath "$WORK/link-target-win")" -replace
check "nothing written outside the target (windows)" test -z "$(ls -A "$WORK/outside-win")"

# Windows: no folder is trusted after one check. While the stub copies 600
# files into one folder, that folder is moved aside and replaced by a link
# to a folder outside, again and again (from Linux, where Wine cannot hold
# it): files go on into the folder that was opened, never through the link.
mkdir -p "$WORK/swap-in/sub" "$WORK/outside-swap"
for i in $(seq 1000 1599); do printf 'file %s\n' "$i" >"$WORK/swap-in/sub/f$i.txt"; done
"$PACK" sfx "$WORK/swap.exe" --stub "$WINDOWS/morvalis-sfx.exe" --password x "$WORK/swap-in/sub" >/dev/null
wine "$WORK/swap.exe" decrypt -pwd=x "-targetdir=$(winpath "$WORK/out-swap")" >/dev/null 2>&1 &
stub=$!
swaps=0
while kill -0 "$stub" 2>/dev/null; do
  if [[ -d $WORK/out-swap/sub && ! -L $WORK/out-swap/sub ]] && (($(ls "$WORK/out-swap/sub" | wc -l) >= 5)); then
    mv "$WORK/out-swap/sub" "$WORK/out-swap/sub.moved$swaps" 2>/dev/null &&
      ln -s "$WORK/outside-swap" "$WORK/out-swap/sub" && swaps=$((swaps + 1))
  fi
done
wait "$stub"
check "windows folder swapped during the copy: the swap happened ($swaps)" test "$swaps" -gt 0
check "windows folder swapped during the copy: nothing outside" test -z "$(ls -A "$WORK/outside-swap")"
check "no temporary files left (linux)" test -z "$(find "$TMPDIR" -mindepth 1 \( -name 'qzp_*' -o -name 'QZDX_*' -o -name 'QZDW_*' \))"

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

# The classic kind crosses too, and each package names its kind.
(cd "$IN" && "$OLDPWD/$PACK" create "$WORK/classic.mef" --classic --password-file "$WORK/pw.txt" Unterlagen) >/dev/null
expect_code "windows packer embeds a classic linux .mef" 0 wine "$WINDOWS/morvalis-pack.exe" sfx \
  "$(winpath "$WORK/classic.exe")" --stub "$(winpath "$WINDOWS/morvalis-sfx.exe")" --container "$(winpath "$WORK/classic.mef")"
expect_code "windows stub decrypts a classic linux package" 0 wine "$WORK/classic.exe" decrypt "-pwd=$PASS" \
  "-targetdir=$(winpath "$WORK/out-classic-win")"
check "classic cross tree" test "$(tree_of "$WORK/out-classic-win/Unterlagen")" == "$(tree_of "$IN/Unterlagen")"
expect_code "pack list, classic" 0 "$PACK" list "$WORK/classic.mef" --password-file "$WORK/pw.txt"
check "pack list names the classic kind" grep -q '^kind: classic (AES-128' "$WORK/last.out"
expect_code "pack list, strong (written by the windows packer)" 0 "$PACK" list "$WORK/windows.mef" --password-file "$WORK/pw.txt"
check "pack list names the strong kind and its cost" grep -q '^kind: strong (Argon2id t=3 m=64 MiB p=4' "$WORK/last.out"

# Changed on the way: both stubs refuse with the code (730 damaged, 731 ends
# early, 732 cost refused; mod 256: 218, 219, 220), and no target appears.
tamper() {  # in, out, python expression over the bytes b
  python3 -c "import sys; b = bytearray(open(sys.argv[1], 'rb').read()); $3; open(sys.argv[2], 'wb').write(b)" "$1" "$2"
}
tamper "$WORK/linux.mef" "$WORK/damaged.mef" 'b[-1] ^= 1'
tamper "$WORK/windows.mef" "$WORK/cut.mef" 'del b[-100:]'
# The memory field of the parameters entry (type 1, tag 40, 37 bytes or more) raised to 4 GiB - 1 KiB.
tamper "$WORK/linux.mef" "$WORK/costly.mef" 'import re; i = re.search(rb"\x01\x00\x28\x00[\x25-\x7f]\x00\x00\x00", b).start() + 14; b[i:i + 4] = bytes([0, 0xFC, 0xFF, 0xFF])'
for case in damaged:218 cut:219 costly:220; do
  name=${case%%:*} code=${case#*:}
  "$PACK" sfx "$WORK/$name.sfx" --stub "$NATIVE/morvalis-sfx" --container "$WORK/$name.mef" >/dev/null
  "$PACK" sfx "$WORK/$name.exe" --stub "$WINDOWS/morvalis-sfx.exe" --container "$WORK/$name.mef" >/dev/null
  expect_code "linux stub, $name package" "$code" "$WORK/$name.sfx" decrypt "-pwd=$PASS" "-targetdir=$WORK/out-$name" -debug
  check "linux stub, $name package: no target" test ! -e "$WORK/out-$name"
  if [[ $name == damaged ]]; then
    check "linux -debug names the damaged chunk" grep -q 'check failed at chunk [1-9]' "$WORK/last.out"
  fi
  expect_code "windows stub, $name package" "$code" wine "$WORK/$name.exe" decrypt "-pwd=$PASS" \
    "-targetdir=$(winpath "$WORK/out-$name-win")"
  check "windows stub, $name package: no target" test ! -e "$WORK/out-$name-win"
done
expect_code "pack extract, damaged package" 1 "$PACK" extract "$WORK/damaged.mef" "$WORK/out-damaged-pack" --password-file "$WORK/pw.txt"
check "pack extract names the code and chunk" grep -q '(chunk [1-9][0-9]*): the package is damaged or was changed (code 730)' "$WORK/last.out"
check "pack extract leaves no target" test ! -e "$WORK/out-damaged-pack"

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

# --- Real trees: links, special files, names the packages cannot carry ---
T=$WORK/trees
mkdir -p "$T/links/real" "$T/links/folder"
head -c 5000 /dev/urandom >"$T/links/real/big.bin"
printf 'tiny' >"$T/links/real/tiny.txt"
touch -d '2022-01-02 03:04:05' "$T/links/real/big.bin"
ln -s real/big.bin "$T/links/to-big.bin"
ln -s "$T/links/real/tiny.txt" "$T/links/to-tiny.txt"
ln -s folder "$T/links/to-folder"
ln -s nowhere "$T/links/dangling"
mkfifo "$T/links/fifo"
skipped=(to-folder dangling fifo)
if python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$T/links/socket" 2>/dev/null; then
  skipped+=(socket)
fi
if mknod "$T/links/device" c 1 3 2>/dev/null; then skipped+=(device); fi
expect_code "links: create packs through links to files" 0 "$PACK" create "$WORK/links.mef" --password x "$T/links"
for name in "${skipped[@]}"; do
  check "links: '$name' is skipped with a warning naming it" \
    grep -q "warning: skipped '$T/links/$name'" "$WORK/last.out"
done
expect_code "links: extract" 0 "$PACK" extract "$WORK/links.mef" "$WORK/out-links" --password x
for pair in to-big.bin:real/big.bin to-tiny.txt:real/tiny.txt real/big.bin:real/big.bin; do
  check "links: ${pair%%:*} holds the bytes of ${pair#*:}" cmp -s "$WORK/out-links/links/${pair%%:*}" "$T/links/${pair#*:}"
done
check "links: a link carries its target's time" \
  test "$(stat -c %Y "$WORK/out-links/links/to-big.bin")" == "$(stat -c %Y "$T/links/real/big.bin")"
check "links: nothing skipped reached the package" \
  test "$(cd "$WORK/out-links/links" && find . -mindepth 1 | sort | tr '\n' ' ')" == "./folder ./real ./real/big.bin ./real/tiny.txt ./to-big.bin ./to-tiny.txt "

# Names: every one refused at once, with its reason, and nothing written.
mkdir -p "$T/names/日本" "$T/names/ok"
printf 'x' | tee "$T/names/日本.txt" "$T/names/日本/inner.txt" "$T/names/aux.c" "$T/names/x." "$T/names/a:b" \
  "$T/names/blank " "$T/names/ok/Case.txt" "$T/names/ok/case.txt" "$T/names/ok/fine.txt" >/dev/null
refusals=(
  "names/日本.txt' has no Windows-1252 form: 日 (U+65E5), 本 (U+672C)"
  "names/日本' has no Windows-1252 form: 日 (U+65E5), 本 (U+672C)"
  "names/aux.c' is a device name"
  "names/x.' ends in a dot or blank"
  "names/blank ' ends in a dot or blank"
  "names/a:b' holds a character Windows forbids"
  "only in letter case"
)
expect_code "names: create refuses the tree" 1 "$PACK" create "$WORK/names.mef" --password x "$T/names"
for refusal in "${refusals[@]}"; do check "names: lists \"$refusal\"" grep -qF "$refusal" "$WORK/last.out"; done
check "names: the inner file of a refused folder is not listed on its own" not_grep 'inner.txt' "$WORK/last.out"
check "names: nothing was written" test ! -e "$WORK/names.mef"
expect_code "names: sfx refuses too" 1 "$PACK" sfx "$WORK/names.sfx" --stub "$NATIVE/morvalis-sfx" --password x "$T/names"
check "names: no self-extractor was written" test ! -e "$WORK/names.sfx"

# Sizes: sparse files, so that nothing large is written or read. Every
# bound is told at once, before a password is asked for (none is given).
mkdir -p "$T/big" "$T/total" "$T/largest" "$T/two"
truncate -s 4G "$T/big/four.bin"
truncate -s 2100M "$T/total/one.bin"
truncate -s 2100M "$T/total/two.bin"
truncate -s 4294901759 "$T/largest/largest.bin"
truncate -s 2G "$T/two/two.bin"
truncate -s 4300M "$WORK/huge.mef"
expect_code "sizes: a file of 4 GiB is refused" 1 timeout 20 "$PACK" create "$WORK/big.mef" --password x "$T/big"
check "sizes: the file and the limit are named" grep -q "big/four.bin' is 4294967296 bytes; a package holds files of at most 4294901759" "$WORK/last.out"
expect_code "sizes: 4 GiB in total is refused" 1 timeout 20 "$PACK" create "$WORK/total.mef" --password x "$T/total"
check "sizes: the total and the limit are named" grep -q "add up to 44040[0-9]* bytes .*at most 4294967295 bytes in all" "$WORK/last.out"
check "sizes: nothing was written" test ! -e "$WORK/big.mef" -a ! -e "$WORK/total.mef"
# The largest file the limit names passes it: what refuses it then is the
# self-extractor's own bound, the 32 bits its header counts a package in.
expect_code "sizes: the largest file a package holds" 1 timeout 20 "$PACK" sfx "$WORK/largest.sfx" \
  --stub "$NATIVE/morvalis-sfx" "$T/largest"
check "sizes: the largest file passes the file's limit" not_grep "holds files of at most" "$WORK/last.out"
check "sizes: a self-extractor's bound is named with the input" \
  grep -q "cannot write '$WORK/largest.sfx': a self-extractor carries at most 4294967295 bytes .*the package of '$T/largest' may take up to" "$WORK/last.out"
expect_code "sizes: a Windows self-extractor above its bound" 1 timeout 20 "$PACK" sfx "$WORK/two.exe" \
  --stub "$WINDOWS/morvalis-sfx.exe" "$T/two"
check "sizes: the Windows bound and what to do instead are named" \
  grep -q "must stay below 1879048192 bytes (1.75 GiB).*the package of '$T/two' may take up to [0-9]* bytes; make a Linux self-extractor instead, or send a container file" "$WORK/last.out"
for stub in "$NATIVE/morvalis-sfx" "$WINDOWS/morvalis-sfx.exe"; do
  expect_code "sizes: a container beyond 4 GiB for $(basename "$stub")" 1 timeout 20 "$PACK" sfx "$WORK/huge.out" \
    --stub "$stub" --container "$WORK/huge.mef"
  check "sizes: the container's size and the bound are named" \
    grep -q "at most 4294967295 bytes .*'$WORK/huge.mef' is 4508876800 bytes" "$WORK/last.out"
done
check "sizes: no self-extractor and no temporary file was written" \
  test -z "$(find "$WORK" -maxdepth 1 \( -name '*.sfx' -o -name '*.exe' -o -name '*.out' -o -name '*.part' \) \
    \( -name 'largest*' -o -name 'two*' -o -name 'huge*' \))"
rm -f "$WORK/huge.mef"

# Big packages in flat memory: sfx and the reading commands of a
# self-extractor hold no copy of the package, so their peak stays far below
# its 300 MiB (the key derivation alone takes 64 MiB of it).
peak_kb() {  # command...: its peak resident memory in KB (fails with it)
  python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$@"
}
mkdir -p "$WORK/flat"
head -c $((300 << 20)) /dev/urandom >"$WORK/flat/noise.bin"
flat_kb=$(peak_kb "$PACK" sfx "$WORK/flat.sfx" --stub "$NATIVE/morvalis-sfx" --compression 0 --password x "$WORK/flat")
check "flat memory: sfx of 300 MiB peaks at ${flat_kb:-?} KB, below 150 MB" test "${flat_kb:-999999}" -lt 150000
"$PACK" create "$WORK/flat.mef" --compression 0 --password x "$WORK/flat" >/dev/null
flat_kb=$(peak_kb "$PACK" sfx "$WORK/flat-container.sfx" --stub "$NATIVE/morvalis-sfx" --container "$WORK/flat.mef")
check "flat memory: sfx --container of 300 MiB peaks at ${flat_kb:-?} KB, below 150 MB" test "${flat_kb:-999999}" -lt 150000
for command in list test; do
  flat_kb=$(peak_kb "$PACK" "$command" "$WORK/flat.sfx" --password x)
  check "flat memory: $command of the self-extractor peaks at ${flat_kb:-?} KB, below 150 MB" \
    test "${flat_kb:-999999}" -lt 150000
done
check "flat memory: the self-extractor decrypts" sh -c "'$WORK/flat.sfx' decrypt -pwd=x -targetdir='$WORK/out-flat' >/dev/null && cmp -s '$WORK/flat/noise.bin' '$WORK/out-flat/flat/noise.bin'"
rm -rf "$WORK/flat" "$WORK/flat.mef" "$WORK/flat.sfx" "$WORK/flat-container.sfx" "$WORK/out-flat"

# A target path with ':' is an ordinary folder on Linux.
expect_code "colon: decrypt into a folder named with ':'" 0 "$WORK/linux.sfx" decrypt "-pwd=$PASS" "-targetdir=$WORK/out:colon"
check "colon: tree" test "$(tree_of "$WORK/out:colon")" == "$EXPECTED"

# extract makes every folder; the self-extractor leaves out empty ones.
check "empty folder: extract keeps it" test -d "$WORK/out-extract/Unterlagen/tief/leer"
check "empty folder: the self-extractor leaves it out" test ! -e "$WORK/out-linux/Unterlagen/tief/leer"
check "empty folder: extract --help says so" sh -c "'$PACK' extract --help | grep -q 'the self-extractor leaves those out'"

# hide with an OUT name without a folder part writes into the current folder.
expect_code "hide: bare OUT name" 0 sh -c "cd '$WORK' && '$PWD/$PACK' hide carrier.bmp bare.bmp --password x '$IN/readme.txt'"
check "hide: bare OUT written" test -s "$WORK/bare.bmp"

# A full disk: a small file system of our own (skipped where mounting is not allowed).
FULL=$WORK/full
mkdir -p "$FULL"
if mount -t tmpfs -o size=1m tmpfs "$FULL" 2>/dev/null; then
  head -c 2000000 /dev/urandom >"$WORK/random.bin"
  expect_code "full disk: create" 1 "$PACK" create "$FULL/big.mef" --compression 0 --password x "$WORK/random.bin"
  check "full disk: create names the file and code 111" grep -q "$FULL/big.mef.*not enough free disk space (code 111)" "$WORK/last.out"
  check "full disk: no partial package left" test -z "$(ls "$FULL")"
  head -c 900000 /dev/zero >"$FULL/filler"
  expect_code "full disk: decrypt checks the free space" 111 "$WORK/linux.sfx" decrypt "-pwd=$PASS" "-targetdir=$FULL/t"
  head -c 1000000 /dev/zero >>"$FULL/filler" 2>/dev/null
  expect_code "full disk: saving the message text" 111 "$WORK/linux.sfx" decrypt "-pwd=$PASS" "-messagefile=$FULL/m.txt"
  umount "$FULL"
else
  echo "e2e: full-disk checks skipped (mounting a tmpfs is not allowed here)" >&2
fi

# --- The work area in memory (Linux) ---
# Each case runs in a mount namespace whose /tmp is a folder of its own on
# the disk and whose /dev/shm is a tmpfs of the case's size (TMPDIR and
# XDG_RUNTIME_DIR unset unless the case sets them), so every place a run may
# work in can be looked into afterwards. Skipped where that is not allowed.
area_tmpfs() {  # name, tmpfs options: a tmpfs at $AREA/name
  mkdir -p "$AREA/$1" && mount -t tmpfs -o "$2,mode=1777" tmpfs "$AREA/$1"
}
area_reset() {  # tmpfs options of /dev/shm
  area_unmount
  rm -rf "${AREA:?}"/tmp "$AREA"/shm "$AREA"/out*
  mkdir -p "$AREA/tmp" && chmod 1777 "$AREA/tmp" && area_tmpfs shm "$1"
}
# [NAME=VALUE...] command...: run in place of the calling (sub)shell, so
# that a signal sent to it reaches the command itself.
area_exec() {
  exec unshare -m sh -c 'mount --bind "$0/$1" /tmp && mount --bind "$0/shm" /dev/shm && shift && exec "$@"' \
    "$AREA" "${AREA_TMP:-tmp}" env -u TMPDIR -u XDG_RUNTIME_DIR "$@"
}
in_area() { (area_exec "$@"); }
in_area_over() { (AREA_TMP=$1 && shift && area_exec "$@"); }  # with /tmp the area's folder $1
# What runs left in the area's places, one name a line.
area_left() { (cd "$AREA" && find tmp shm run named full -mindepth 1 -maxdepth 1 2>/dev/null | sort); }
# Waits until a run's work folder holds a file, then sends the signal.
signal_when_working() {  # signal, pid
  for ((i = 0; i < 1000; i++)); do
    [[ -n $(find "$AREA/shm" -mindepth 2 -type f 2>/dev/null | head -n 1) ]] && break
    sleep 0.01
  done
  kill "-$1" "$2"
}
if area_tmpfs probe "size=1m" && umount "$AREA/probe" && unshare -m true 2>/dev/null; then
  # The decrypted files pass the work area with the classic kind; the
  # strong kind's go straight to the target, read from the program itself,
  # and the area holds nothing (checked at the end).
  (cd "$IN" && "$OLDPWD/$PACK" sfx "$AREA/linux.sfx" --stub "$OLDPWD/$NATIVE/morvalis-sfx" --classic \
    --message-file "$MESSAGE" --password-file "$WORK/pw.txt" Unterlagen Daten readme.txt) >/dev/null
  SFX=$AREA/linux.sfx
  decrypt_args=(decrypt "-pwd=$PASS" -debug)

  area_reset "size=64m"
  expect_code "area: a tmpfs with room takes the work" 0 in_area "$SFX" "${decrypt_args[@]}" "-targetdir=$AREA/out"
  check "area: decrypted in /dev/shm" grep -q 'Decrypted in memory, in "/dev/shm/QZDX_' "$WORK/last.out"
  check "area: the files arrive" test "$(tree_of "$AREA/out")" == "$EXPECTED"
  check "area: nothing left in either place" test -z "$(area_left)"
  expect_code "area: a wrong password" 199 in_area "$SFX" decrypt -pwd=wrong "-targetdir=$AREA/out-x"
  check "area: nothing left after a failure" test -z "$(area_left)"

  area_tmpfs run "size=64m"
  expect_code "area: the runtime folder comes first" 0 in_area XDG_RUNTIME_DIR="$AREA/run" "$SFX" \
    "${decrypt_args[@]}" "-targetdir=$AREA/out-run"
  check "area: decrypted in the runtime folder" grep -q "Decrypted in memory, in \"$AREA/run/QZDX_" "$WORK/last.out"
  umount "$AREA/run" && area_tmpfs run "size=1m"
  expect_code "area: a tmpfs too small is passed over" 0 in_area XDG_RUNTIME_DIR="$AREA/run" "$SFX" \
    "${decrypt_args[@]}" "-targetdir=$AREA/out-small"
  check "area: the next one takes the work" grep -q 'Decrypted in memory, in "/dev/shm/QZDX_' "$WORK/last.out"
  mkdir -p "$AREA/named"
  expect_code "area: a named temporary folder wins" 0 in_area TMPDIR="$AREA/named" "$SFX" "${decrypt_args[@]}" \
    "-targetdir=$AREA/out-named"
  check "area: decrypted in the named folder" grep -q "Decrypted in \"$AREA/named/QZDX_" "$WORK/last.out"
  check "area: nothing left in any place" test -z "$(area_left)"

  # Room by size but too few files: the tmpfs fills up half-way.
  area_reset "size=64m,nr_inodes=6"
  expect_code "area: a full memory area falls back to the disk" 0 in_area "$SFX" "${decrypt_args[@]}" \
    "-targetdir=$AREA/out"
  check "area: one line says so" test "$(grep -c 'decrypting once more on the disk' "$WORK/last.out")" == 1
  check "area: decrypted on the disk then" grep -q 'Decrypted in "/tmp/QZDX_' "$WORK/last.out"
  check "area: the files arrive after the fall-back" test "$(tree_of "$AREA/out")" == "$EXPECTED"
  check "area: nothing left after the fall-back" test -z "$(area_left)"

  # A memory area without room for the work: the disk takes it, and one
  # line says so before decryption starts.
  area_reset "size=1m"
  expect_code "area: a memory area without room leaves the work to the disk" 0 in_area "$SFX" "${decrypt_args[@]}" \
    "-targetdir=$AREA/out-short"
  check "area: one line says the work is on the disk for want of memory" \
    test "$(grep -c 'too little free memory for the decrypted files: decrypting on the disk' "$WORK/last.out")" == 1
  check "area: decrypted on the disk for want of memory" grep -q 'Decrypted in "/tmp/QZDX_' "$WORK/last.out"
  check "area: nothing left after the work on the disk" test -z "$(area_left)"

  area_reset "size=1m"
  area_tmpfs full "size=512k"
  expect_code "area: no place with room refuses (111)" 111 in_area_over full "$SFX" "${decrypt_args[@]}" \
    "-targetdir=$AREA/out"
  check "area: the message names the folder and the bytes" \
    grep -qE 'Not enough free space in "/tmp/" to decrypt the package: [0-9]+ more bytes are needed' "$WORK/last.out"
  expect_code "area: without -debug the refusal is the exit code alone (111)" 111 in_area_over full "$SFX" \
    decrypt "-pwd=$PASS" "-targetdir=$AREA/out"
  check "area: without -debug no message" not_grep 'Not enough free space' "$WORK/last.out"
  check "area: nothing decrypted, nothing left" test -z "$(area_left)" -a ! -e "$AREA/out"
  expect_code "area: a named folder without room refuses (111)" 111 in_area TMPDIR="$AREA/full" "$SFX" \
    "${decrypt_args[@]}" "-targetdir=$AREA/out"
  check "area: the message names the named folder" grep -q "Not enough free space in \"$AREA/full/\"" "$WORK/last.out"
  umount "$AREA/full"
  # A named folder that fills up half-way has no fall-back: 111, wiped.
  area_tmpfs full "size=64m,nr_inodes=6"
  expect_code "area: a named folder that fills up (111)" 111 in_area TMPDIR="$AREA/full" "$SFX" \
    "${decrypt_args[@]}" "-targetdir=$AREA/out"
  check "area: the message says it ran full" grep -q "Not enough free space in \"$AREA/full/\".*ran full" \
    "$WORK/last.out"
  check "area: nothing left after it ran full" test -z "$(area_left)" -a ! -e "$AREA/out"
  umount "$AREA/full"

  # Signals: caught ones wipe at once; SIGKILL leaves what the next run sweeps.
  mkdir -p "$WORK/large"
  head -c $((96 << 20)) /dev/urandom >"$WORK/large/noise.bin"
  "$PACK" sfx "$AREA/large.sfx" --stub "$NATIVE/morvalis-sfx" --classic --compression 0 --password x \
    "$WORK/large" >/dev/null
  area_reset "size=1g"
  (area_exec "$AREA/large.sfx" decrypt -pwd=x "-targetdir=$AREA/out-term" >/dev/null 2>&1) &
  signal_when_working TERM $!
  code=0
  wait $! || code=$?
  check "area: SIGTERM ends the run as the signal would" test "$code" == 143
  check "area: nothing left after SIGTERM" test -z "$(area_left)"
  (area_exec "$AREA/large.sfx" decrypt -pwd=x "-targetdir=$AREA/out-kill" >/dev/null 2>&1) &
  signal_when_working KILL $!
  wait $! 2>/dev/null
  check "area: SIGKILL leaves the work folder and the container copy" \
    test "$(area_left | sed -E 's/[0-9]+//g' | tr '\n' ' ')" == "shm/QZDX_ shm/qzp_.mef "
  expect_code "area: the next run" 0 in_area "$SFX" decrypt "-pwd=$PASS" "-targetdir=$AREA/out-next"
  check "area: the next run swept them" test -z "$(area_left)"

  # The strong kind: a memory area without room for the container is no
  # obstacle, nothing passes it, and an interrupted delivery leaves no file
  # half written.
  cp "$WORK/linux.sfx" "$AREA/strong.sfx"
  area_reset "size=4k"
  expect_code "area: the strong kind needs no room in the area" 0 in_area "$AREA/strong.sfx" \
    "${decrypt_args[@]}" "-targetdir=$AREA/out-strong"
  check "area: the strong kind's files arrive" test "$(tree_of "$AREA/out-strong")" == "$EXPECTED"
  check "area: the strong kind decrypts no file into the area" not_grep 'Decrypted in' "$WORK/last.out"
  check "area: nothing left after the strong kind" test -z "$(area_left)"
  "$PACK" sfx "$AREA/large-strong.sfx" --stub "$NATIVE/morvalis-sfx" --compression 0 --password x \
    "$WORK/large" >/dev/null
  area_reset "size=1g"
  (area_exec "$AREA/large-strong.sfx" decrypt -pwd=x "-targetdir=$AREA/out-dterm" >/dev/null 2>&1) &
  for ((i = 0; i < 1000; i++)); do
    [[ -n $(find "$AREA/out-dterm" -type f 2>/dev/null | head -n 1) ]] && break
    sleep 0.01
  done
  kill -TERM $!
  code=0
  wait $! || code=$?
  check "area: SIGTERM ends a delivery as the signal would" test "$code" == 143
  check "area: no file half written after SIGTERM" test -z "$(find "$AREA/out-dterm" -type f)"
  check "area: nothing left in the area after SIGTERM" test -z "$(area_left)"
else
  echo "e2e: work-area checks skipped (no mount namespace or tmpfs mount allowed here)" >&2
fi

echo "e2e: $PASSED passed, $FAILED failed"
((FAILED == 0))
