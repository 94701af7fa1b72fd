#!/usr/bin/env bash
# The packer as a person meets it on the console, through the real
# executables of both builds: the help and version, the stub taken from
# beside the packer, an existing or unreachable output, and signing: a
# Windows self-extractor signed after packing verifies and still decrypts,
# while a stub signed before packing is refused with a message that says
# so. Needs build/native and build/windows built and a running Wine prefix
# (WINEPREFIX set). Prints "packer: N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/../.."
export LANG=C.UTF-8 LC_ALL=C.UTF-8

NATIVE=build/native
WINDOWS=build/windows
PACK=$NATIVE/morvalis-pack
WPACK=$WINDOWS/morvalis-pack.exe
WORK=$(mktemp -d "${TMPDIR:-/tmp}/mv-packer.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export TMPDIR=$WORK/tmp
mkdir "$TMPDIR"
source tests/e2e/checks.sh
not_cmp() { ! cmp -s "$@"; }

IN=$WORK/in
make_input "$IN"
EXPECTED=$(tree_of "$IN")
PASS='Paßwort 1'

# --- Help and version, as a Windows user asks for them ---
for ask in /? -h --help; do
  expect_code "native packer $ask" 0 "$PACK" "$ask"
  check "native packer $ask prints the usage" grep -q '^usage: morvalis-pack COMMAND' "$WORK/last.out"
  expect_code "windows packer $ask" 0 wine "$WPACK" "$ask"
  check "windows packer $ask prints the usage" grep -q '^usage: morvalis-pack COMMAND' "$WORK/last.out"
done
expect_code "sfx /? prints the command's usage" 0 wine "$WPACK" sfx /?
check "the command's usage names --force" grep -q -- '--force' "$WORK/last.out"
for packer in "$PACK" "wine $WPACK"; do
  expect_code "$packer --version" 0 $packer --version
  check "$packer --version names the program and its version" grep -Eq '^morvalis-pack [0-9]+\.[0-9]+\.[0-9]+ ' \
    "$WORK/last.out"
done

# --- The stub beside the packer ---
expect_code "native packer takes the Linux stub beside it" 0 "$PACK" sfx "$WORK/beside.sfx" --password "$PASS" "$IN"
expect_code "the self-extractor made with the stub beside it" 0 "$WORK/beside.sfx" decrypt "-pwd=$PASS" \
  "-targetdir=$WORK/out-beside"
check "its tree" test "$(tree_of "$WORK/out-beside/in")" == "$EXPECTED"
expect_code "windows packer takes the Windows stub beside it" 0 wine "$WPACK" sfx "$(winpath "$WORK/beside.exe")" \
  --password x "$(winpath "$IN/Daten")"
expect_code "the Windows self-extractor made with the stub beside it" 0 wine "$WORK/beside.exe" decrypt -pwd=x \
  "-targetdir=$(winpath "$WORK/out-beside-win")"
check "its tree" test "$(tree_of "$WORK/out-beside-win/Daten")" == "$(tree_of "$IN/Daten")"
# The native build has no Windows stub beside its packer: the message names
# the file looked for.
expect_code "no Windows stub beside the native packer" 1 "$PACK" sfx "$WORK/none.exe" --system windows --password x "$IN"
check "the file looked for is named" grep -qF "'$PWD/$NATIVE/morvalis-sfx.exe' does not exist" "$WORK/last.out"
check "nothing written without a stub" test ! -e "$WORK/none.exe"
expect_code "--system takes windows or linux" 2 "$PACK" sfx "$WORK/none.exe" --system macos --password x "$IN"

# --- The zip of the Windows programs: unzipped, its packer finds both stubs ---
ZIP=$(ls "$WINDOWS"/morvalis-windows-*.zip 2>/dev/null | head -n 1)
check "the Windows programs are zipped" test -n "$ZIP"
if [[ -n $ZIP ]]; then
  mkdir "$WORK/unzipped"
  unzip -q "$ZIP" -d "$WORK/unzipped"
  check "the zip holds the programs and the quick start" test "$(cd "$WORK/unzipped" && ls | tr '\n' ' ')" == \
    "README-windows.txt morvalis-pack.exe morvalis-packer.exe morvalis-sfx morvalis-sfx.exe "
  check "the quick start has Windows line ends" grep -q $'\r$' "$WORK/unzipped/README-windows.txt"
  check "the Linux stub in the zip is the native build's" cmp -s "$NATIVE/morvalis-sfx" "$WORK/unzipped/morvalis-sfx"
  expect_code "unzipped packer: a Linux self-extractor" 0 wine "$WORK/unzipped/morvalis-pack.exe" sfx \
    "$(winpath "$WORK/from-zip.sfx")" --system linux --password x "$(winpath "$IN/Daten")"
  # Windows keeps no permission to run a file: the receiver on Linux sets it.
  chmod u+x "$WORK/from-zip.sfx"
  expect_code "the Linux self-extractor from the Windows packer decrypts" 0 "$WORK/from-zip.sfx" decrypt -pwd=x \
    "-targetdir=$WORK/out-from-zip"
  check "its tree" test "$(tree_of "$WORK/out-from-zip/Daten")" == "$(tree_of "$IN/Daten")"
fi

# --- Outputs: an existing one is kept unless --force, a missing folder named ---
cp "$WORK/beside.sfx" "$WORK/kept.sfx"
for command in "sfx $WORK/kept.sfx" "create $WORK/kept.sfx"; do
  expect_code "${command%% *} leaves an existing output alone" 1 "$PACK" $command --password x "$IN/readme.txt"
  check "${command%% *}: the message names the file and --force" \
    grep -qF "cannot write '$WORK/kept.sfx': the file exists already (--force replaces it) (code 213)" "$WORK/last.out"
  check "${command%% *}: the file is unchanged" cmp -s "$WORK/beside.sfx" "$WORK/kept.sfx"
done
expect_code "sfx --force replaces it" 0 "$PACK" sfx "$WORK/kept.sfx" --force --password x "$IN/readme.txt"
check "the replaced self-extractor is the new one" not_cmp "$WORK/beside.sfx" "$WORK/kept.sfx"
expect_code "windows packer: missing output folder" 1 wine "$WPACK" sfx 'C:\nowhere\x.exe' --password x \
  "$(winpath "$IN/readme.txt")"
check "the missing folder is named" grep -qF "cannot write 'C:/nowhere/x.exe': the folder 'C:/nowhere/' does not exist" \
  "$WORK/last.out"

# --- Signing comes after packing ---
# A throw-away code-signing certificate; a self-signed chain verifies
# against that certificate as its own authority.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Morvalis test signer" -addext "extendedKeyUsage=codeSigning" \
  -keyout "$WORK/key.pem" -out "$WORK/cert.pem" >/dev/null 2>&1
expect_code "windows package packed" 0 "$PACK" sfx "$WORK/unsigned.exe" --stub "$WINDOWS/morvalis-sfx.exe" \
  --password "$PASS" "$IN"
expect_code "osslsigncode signs the package" 0 osslsigncode sign -certs "$WORK/cert.pem" -key "$WORK/key.pem" \
  -n "Morvalis test package" -in "$WORK/unsigned.exe" -out "$WORK/signed.exe"
expect_code "osslsigncode verifies the signed package" 0 osslsigncode verify -CAfile "$WORK/cert.pem" \
  -in "$WORK/signed.exe"
check "the signature is the one made" grep -q 'Signature verification: ok' "$WORK/last.out"
expect_code "the signed package decrypts" 0 wine "$WORK/signed.exe" decrypt "-pwd=$PASS" \
  "-targetdir=$(winpath "$WORK/out-signed")"
check "the signed package's tree" test "$(tree_of "$WORK/out-signed/in")" == "$EXPECTED"
expect_code "the packer lists the signed package" 0 "$PACK" list "$WORK/signed.exe" --password "$PASS"
# A stub signed before packing: refused, and told to sign afterwards.
osslsigncode sign -certs "$WORK/cert.pem" -key "$WORK/key.pem" -in "$WINDOWS/morvalis-sfx.exe" \
  -out "$WORK/signed-stub.exe" >/dev/null 2>&1
expect_code "a signed stub is refused" 1 "$PACK" sfx "$WORK/from-signed.exe" --stub "$WORK/signed-stub.exe" \
  --password x "$IN"
check "the message says to sign after packing" grep -qF "the stub is signed; pack with an unsigned stub and sign the self-extractor afterwards (code 313)" \
  "$WORK/last.out"
check "nothing written from a signed stub" test ! -e "$WORK/from-signed.exe"

echo "packer: $PASSED passed, $FAILED failed"
((FAILED == 0))
