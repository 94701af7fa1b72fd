#!/usr/bin/env bash
# Passwords, names and texts exactly as the user typed or saved them, on
# both systems: the same package opened with its password given as an
# argument, in files of every encoding an editor writes, in any script; the
# classic kind refusing what it cannot hold, never substituting; names kept
# by a Windows of any language (Wine set to Russian and Japanese); text
# files read by one rule. The prompt is driven by tests/e2e/terminal_test.py
# and the dialog by tests/gui/. Needs build/native and build/windows built
# and a running Wine prefix (WINEPREFIX set).
# Prints "text: N passed, M failed" and exits non-zero on a failure.
set -uo pipefail
cd "$(dirname "$0")/../.."
export LANG=C.UTF-8 LC_ALL=C.UTF-8

NATIVE=build/native
WINDOWS=build/windows
WORK=$(mktemp -d "${TMPDIR:-/tmp}/mv-text.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export TMPDIR=$WORK/tmp
mkdir "$TMPDIR"
source tests/e2e/checks.sh

PACK=$NATIVE/morvalis-pack
WPACK=$WINDOWS/morvalis-pack.exe
CHEAP=(--kdf default)

mkdir -p "$WORK/in/Unterlagen"
printf 'Hallo\n' >"$WORK/in/Unterlagen/Übersicht.txt"
printf 'Größe\n' >"$WORK/in/Unterlagen/Größe.txt"
printf 'café\n' >"$WORK/in/café.txt"
printf 'zahl\n' >"$WORK/in/Preis €5 – «ok».txt"
EXPECTED=$(tree_of "$WORK/in")

RUSSIAN='Пароль1'
JAPANESE='パスワード'

# --- Strong kind: any script, as typed --------------------------------------
(cd "$WORK/in" && "$OLDPWD/$PACK" create "$WORK/ru.mef" --password "$RUSSIAN" "${CHEAP[@]}" Unterlagen) >/dev/null
check "strong kind takes a Cyrillic password" test -s "$WORK/ru.mef"
expect_code "the Cyrillic password opens it" 0 "$PACK" test "$WORK/ru.mef" --password "$RUSSIAN"
expect_code "what an ANSI code page makes of it does not" 3 "$PACK" test "$WORK/ru.mef" --password '??????1'
expect_code "another word of the same length does not" 3 "$PACK" test "$WORK/ru.mef" --password 'Ключик1'

# One package, its password in every file an editor writes.
(cd "$WORK/in" && "$OLDPWD/$PACK" sfx "$WORK/ja.sfx" --stub "$OLDPWD/$NATIVE/morvalis-sfx" --password "$JAPANESE" \
  "${CHEAP[@]}" Unterlagen café.txt) >/dev/null
printf '%s\n' "$JAPANESE" >"$WORK/pw-utf8.txt"
printf '\xEF\xBB\xBF%s\r\n' "$JAPANESE" >"$WORK/pw-utf8-mark.txt"
printf '\xFF\xFE' >"$WORK/pw-utf16le.txt" && printf '%s\r\n' "$JAPANESE" | iconv -f UTF-8 -t UTF-16LE >>"$WORK/pw-utf16le.txt"
printf '\xFE\xFF' >"$WORK/pw-utf16be.txt" && printf '%s\n' "$JAPANESE" | iconv -f UTF-8 -t UTF-16BE >>"$WORK/pw-utf16be.txt"
for file in utf8 utf8-mark utf16le utf16be; do
  expect_code "Japanese password, file in $file (packer)" 0 "$PACK" test "$WORK/ja.sfx" --password-file "$WORK/pw-$file.txt"
  expect_code "Japanese password, file in $file (Linux stub)" 0 "$WORK/ja.sfx" decrypt "-pwdfile=$WORK/pw-$file.txt" \
    "-targetdir=$WORK/out-ja-$file"
done
expect_code "Japanese password as an argument (Linux stub)" 0 "$WORK/ja.sfx" decrypt "-pwd=$JAPANESE" \
  "-targetdir=$WORK/out-ja-arg"
check "the Japanese package's files" test -s "$WORK/out-ja-arg/Unterlagen/Übersicht.txt"

# A character typed composed or with a combining mark is one password.
(cd "$WORK/in" && "$OLDPWD/$PACK" create "$WORK/nfc.mef" --password "$(printf 'Cafe\xCC\x81 1')" "${CHEAP[@]}" \
  Unterlagen) >/dev/null
expect_code "decomposed when packed, composed when typed" 0 "$PACK" test "$WORK/nfc.mef" --password 'Café 1'

# --- Classic kind: refused, never substituted --------------------------------
expect_code "classic kind refuses a Cyrillic password" 1 sh -c \
  "cd '$WORK/in' && '$OLDPWD/$PACK' create '$WORK/classic-ru.mef' --classic --password '$RUSSIAN' Unterlagen"
check "the refusal names the characters and code 30" grep -q 'U+041F.*(code 30)' "$WORK/last.out"
check "nothing was written" test ! -e "$WORK/classic-ru.mef"
(cd "$WORK/in" && "$OLDPWD/$PACK" create "$WORK/classic.mef" --classic --password 'Straße 5' Unterlagen) >/dev/null
printf 'Straße 5\n' >"$WORK/pw-strasse-utf8.txt"
printf 'Stra\xDFe 5\r\n' >"$WORK/pw-strasse-1252.txt"
expect_code "classic kind: the password in UTF-8 without a mark" 0 "$PACK" test "$WORK/classic.mef" \
  --password-file "$WORK/pw-strasse-utf8.txt"
expect_code "classic kind: the password in Windows-1252" 0 "$PACK" test "$WORK/classic.mef" \
  --password-file "$WORK/pw-strasse-1252.txt"
expect_code "classic kind: a Cyrillic password is refused when reading too" 1 "$PACK" test "$WORK/classic.mef" \
  --password "$RUSSIAN"

# --- Text files of the packer ----------------------------------------------
printf 'Übersicht für die Gäste\nGrüße\n' >"$WORK/desc-utf8.txt"
printf '\xEF\xBB\xBFÜbersicht für die Gäste\nGrüße\n' >"$WORK/desc-mark.txt"
printf 'erste Zeile\nzweite Zeile mit Имя\n' >"$WORK/desc-cyrillic.txt"
for file in utf8 mark; do
  (cd "$WORK/in" && "$OLDPWD/$PACK" create "$WORK/msg-$file.mef" --message-file "$WORK/desc-$file.txt" \
    --password x "${CHEAP[@]}" Unterlagen) >/dev/null
  expect_code "message file in $file" 0 "$PACK" extract "$WORK/msg-$file.mef" "$WORK/out-msg-$file" --password x \
    --message-file "$WORK/msg-$file.out"
  check "message file in $file reaches the receiver unchanged" cmp -s "$WORK/desc-utf8.txt" "$WORK/msg-$file.out"
done
expect_code "a character no package text can hold" 1 sh -c "cd '$WORK/in' && '$OLDPWD/$PACK' create \
  '$WORK/msg-cyr.mef' --message-file '$WORK/desc-cyrillic.txt' --password x Unterlagen"
check "the refusal names the file, the line and the character" \
  grep -q "desc-cyrillic.txt', line 2: U+0418" "$WORK/last.out"

# --- Windows: the packer and the stub under Wine ---------------------------
wine_run() { wine "$@" 2>&1 | tr -d '\r'; return "${PIPESTATUS[0]}"; }
(cd "$WORK/in" && wine "$OLDPWD/$WPACK" create "$(winpath "$WORK/win-ru.mef")" --password "$RUSSIAN" \
  "${CHEAP[@]}" Unterlagen) >/dev/null 2>&1
check "Windows packer takes a Cyrillic password" test -s "$WORK/win-ru.mef"
expect_code "Windows packer: the Cyrillic password opens it" 0 wine_run "$WPACK" test "$(winpath "$WORK/win-ru.mef")" \
  --password "$RUSSIAN"
expect_code "Windows packer: '??????1' does not" 3 wine_run "$WPACK" test "$(winpath "$WORK/win-ru.mef")" \
  --password '??????1'
expect_code "Windows packer: 'Ключик1' does not" 3 wine_run "$WPACK" test "$(winpath "$WORK/win-ru.mef")" \
  --password 'Ключик1'
expect_code "the Windows package opens on Linux" 0 "$PACK" test "$WORK/win-ru.mef" --password "$RUSSIAN"
expect_code "Windows packer refuses a Cyrillic classic password" 1 wine_run "$WPACK" create \
  "$(winpath "$WORK/win-classic.mef")" --classic --password "$RUSSIAN" "$(winpath "$WORK/in/Unterlagen")"
check "... with code 30" grep -q '(code 30)' "$WORK/last.out"

(cd "$WORK/in" && "$OLDPWD/$PACK" sfx "$WORK/ja.exe" --stub "$OLDPWD/$WINDOWS/morvalis-sfx.exe" \
  --password "$JAPANESE" "${CHEAP[@]}" Unterlagen café.txt "Preis €5 – «ok».txt") >/dev/null
expect_code "Windows stub: the Japanese password as an argument" 0 wine_run "$WORK/ja.exe" decrypt \
  "-pwd=$JAPANESE" "-targetdir=$(winpath "$WORK/out-win-arg")"
check "Windows stub: the files and their names" test "$(tree_of "$WORK/out-win-arg")" == "$EXPECTED"
expect_code "Windows stub: a look-alike is a wrong password" 199 wine_run "$WORK/ja.exe" decrypt "-pwd=?????" \
  "-targetdir=$(winpath "$WORK/out-win-wrong")"
for file in utf8 utf8-mark utf16le; do
  expect_code "Windows stub: the password file in $file" 0 wine_run "$WORK/ja.exe" decrypt \
    "-pwdfile=$(winpath "$WORK/pw-$file.txt")" "-targetdir=$(winpath "$WORK/out-win-$file")"
done
# A listing in a pipe is UTF-8, with the system's separators.
wine "$WPACK" list "$(winpath "$WORK/ja.exe")" --password "$JAPANESE" 2>/dev/null | tr -d '\r' >"$WORK/win-list.txt"
check "Windows listing: names in UTF-8 with backslashes" grep -q 'Unterlagen\\Übersicht.txt$' "$WORK/win-list.txt"

# A package's names are the same on every Windows, whatever its language
# (its ANSI code page: 1251 Russian, 932 Japanese).
locales=$PWD/build/locales
mkdir -p "$locales"
for lang in ru_RU ja_JP; do
  [[ -d $locales/$lang.UTF-8 ]] || localedef -i "$lang" -f UTF-8 "$locales/$lang.UTF-8" >/dev/null 2>&1
  expect_code "Windows stub in $lang: decrypts" 0 env LOCPATH="$locales" LC_ALL="$lang.UTF-8" LANG="$lang.UTF-8" \
    wine "$WORK/ja.exe" decrypt "-pwd=$JAPANESE" "-targetdir=$(winpath "$WORK/out-$lang")"
  check "Windows stub in $lang: every name kept" test "$(tree_of "$WORK/out-$lang")" == "$EXPECTED"
done

echo "text: $PASSED passed, $FAILED failed"
((FAILED == 0))
