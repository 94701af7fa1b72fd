#!/usr/bin/env bash
# Dialog tests of the Windows self-extractor and the packer window under
# Wine: packages made by the packer are started without arguments on a
# display of their own (Xvfb), the packer window with a folder as dropping
# one on it starts it, and gui_driver.exe works their dialogs as a user
# would, in English and in German. Screenshots of every dialog go to
# build/screenshots/.
#
# Also runs the dialog unit tests of mv_tests.exe (Ui*), which need a
# display and skip themselves without one.
#
# Needs the packer of a native build and the stub, gui_driver.exe and its
# gate_dll.dll of a Windows build (MV_NATIVE_BUILD, default build/native; MV_WINDOWS_BUILD,
# default build/windows), Xvfb, ImageMagick's import and the Wine prefix in
# $WINEPREFIX (default build/wineprefix). Prints "gui: N passed, M failed"
# and exits non-zero on a failure.
set -uo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD

NATIVE=${MV_NATIVE_BUILD:-build/native}
WINDOWS=${MV_WINDOWS_BUILD:-build/windows}
SHOTS=$ROOT/build/screenshots
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wineprefix} WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The English runs and every helper call speak UTF-8 whatever the caller set.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

PACK=$ROOT/$NATIVE/morvalis-pack
STUB=$ROOT/$WINDOWS/morvalis-sfx.exe
PACKER=$ROOT/$WINDOWS/morvalis-packer.exe
DRIVER=$ROOT/$WINDOWS/gui_driver.exe
UNIT_TESTS=$ROOT/$WINDOWS/mv_tests.exe
MARKER=$ROOT/$WINDOWS/marker_dll.dll
GATE=$ROOT/$WINDOWS/gate_dll.dll
WORK=$(mktemp -d "${TMPDIR:-/tmp}/mv-gui.XXXXXX")
PASSED=0
FAILED=0
XVFB_PID=""
DESKTOP_WAS_SET=0
# The runs at 144 DPI name their screenshots, scenarios and outputs with
# this suffix; the desktop is larger then so that every dialog fits.
RUN=""
DESKTOP_SIZE=800x600

pass() { PASSED=$((PASSED + 1)); echo "gui: $1 passed"; }
fail() { FAILED=$((FAILED + 1)); echo "gui: $1 FAILED" >&2; }
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# --- Display and Wine --------------------------------------------------------

start_display() {
  local n
  for n in $(seq 97 140); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local tries
    for tries in $(seq 100); do
      [[ -e /tmp/.X11-unix/X$n ]] && break
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    if [[ -e /tmp/.X11-unix/X$n ]]; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "gui: no display could be started" >&2
  return 1
}

# A virtual desktop lets Wine draw the windows' captions and frames itself;
# the symbol font of the caption buttons is one of Wine's own, which some
# builds of it do not find unless it lies in the prefix.
use_virtual_desktop() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts font
  for font in /usr/share/wine/fonts/marlett.ttf /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
    [[ -f $font && -d $fonts && ! -e $fonts/$(basename "$font") ]] && cp "$font" "$fonts/"
  done
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$DESKTOP_SIZE" /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
}

# The system's DPI setting (96 is the prefix's own default, kept without a
# value); the new setting takes effect with the next wineserver.
use_dpi() {  # dpi
  if (($1 == 96)); then
    wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
    RUN="" DESKTOP_SIZE=800x600
  else
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    RUN=_${1}dpi DESKTOP_SIZE=1024x768
  fi
  use_virtual_desktop
}

cleanup() {
  [[ -n $RUN && -n ${DISPLAY:-} ]] && wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
  if ((DESKTOP_WAS_SET == 0)) && [[ -n ${DISPLAY:-} ]]; then
    wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1
  fi
  wineserver -k >/dev/null 2>&1
  [[ -n $XVFB_PID ]] && kill "$XVFB_PID" 2>/dev/null
  if [[ -n ${MV_GUI_KEEP:-} ]]; then
    echo "gui: kept $WORK" >&2
  else
    chmod -R u+w "$WORK" 2>/dev/null
    rm -rf "$WORK"
  fi
}
trap cleanup EXIT

# The German locale for the German runs, made here when the system has none.
german_locale() {
  if locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    GERMAN=(LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8)
    return
  fi
  local dir=$ROOT/build/locales
  if [[ ! -d $dir/de_DE.UTF-8 ]]; then
    mkdir -p "$dir"
    localedef -i de_DE -f UTF-8 "$dir/de_DE.UTF-8" >/dev/null 2>&1 || true
  fi
  GERMAN=(LOCPATH="$dir" LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8)
}

# --- Running a scenario ------------------------------------------------------

# Runs the driver on a script, taking the screenshots it asks for (a file
# NAME.request in the shots folder becomes NAME.png, and NAME.done tells the
# driver how many colours the picture has, so that it fails a scenario
# whose picture shows no window). The scenario passes when the driver does.
run_scenario() {  # name, script file, [environment assignments...]
  local name=$1 script=$2
  shift 2
  local log=$WORK/$name.log
  rm -f "$WORK"/shots/*.done
  env "$@" wine "$DRIVER" "$(winpath "$script")" >"$log" 2>>"$WORK/wine.log" &
  local driver=$!
  while kill -0 "$driver" 2>/dev/null; do
    take_requested_shots
    sleep 0.05
  done
  local status=0
  wait "$driver" || status=$?
  take_requested_shots
  if ((status == 0)) && ! grep -q '^FAIL' "$log"; then
    pass "$name"
  else
    fail "$name (driver exit $status)"
    grep -E '^(FAIL|ok)' "$log" | tail -4 | sed "s/^/  $name: /" >&2
  fi
  # A failed scenario may leave windows behind; they must not disturb the next.
  wine "$DRIVER" "$(winpath "$WORK/close_explorer.txt")" >/dev/null 2>&1
}

take_requested_shots() {
  local request shot
  for request in "$WORK"/shots/*.request; do
    [[ -e $request ]] || continue
    shot=$(basename "$request" .request)
    import -window root -crop "$DESKTOP_SIZE+0+0" "$SHOTS/$shot$RUN.png" 2>>"$WORK/import.log"
    convert "$SHOTS/$shot$RUN.png" -format '%k' info: >"$WORK/shots/$shot.colours" 2>>"$WORK/import.log" ||
      echo 0 >"$WORK/shots/$shot.colours"
    rm -f "$request"
    mv "$WORK/shots/$shot.colours" "$WORK/shots/$shot.done"
  done
}

check() {  # description, command...
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

# --- Packages -------------------------------------------------------------------

mkdir -p "$SHOTS" "$WORK/shots" "$WORK/tmp" "$WORK/in" "$WORK/mail/sub"
D=$(winpath "$WORK")
T="$D\\tmp"
rm -f "$SHOTS"/*.png

printf 'first file\n' >"$WORK/in/A.txt"
printf 'second file\n' >"$WORK/in/b.doc"
printf 'third file\n' >"$WORK/in/c.pdf"
touch -d '2021-03-04 05:06:07' "$WORK/in/A.txt"
touch -d '2019-12-24 18:00:00' "$WORK/in/b.doc"
touch -d '2020-07-01 12:30:00' "$WORK/in/c.pdf"
PASSWORD='Geheim 1'

printf 'This package holds the quarterly figures.\nPlease keep them confidential.\n' >"$WORK/description.txt"
printf 'These files are confidential.\nBy accepting you agree to keep them so.\n' >"$WORK/short_disclaimer.txt"
for i in $(seq 1 200); do echo "Clause $i: the recipient keeps the contents of this package confidential."; done \
  >"$WORK/long_disclaimer.txt"
convert -size 240x100 gradient:'#e8f0fb-#9db8e0' -fill '#1d3f7a' -draw 'roundrectangle 20,20 220,80 12,12' \
  -fill '#f2c230' -draw 'circle 120,50 120,32' "BMP3:$WORK/picture.bmp" 2>/dev/null
convert -size 400x50 gradient:'#f2c230-#1d3f7a' "BMP3:$WORK/wide.bmp" 2>/dev/null

printf 'Dear colleague,\nthe files are attached.\nBest regards\n' >"$WORK/mail.txt"
printf 'attachment a\n' >"$WORK/mail/a.txt"
printf 'attachment b\n' >"$WORK/mail/sub/b.txt"
mkdir -p "$WORK/only/recycled"

make_package() {  # name, options and inputs...
  local name=$1
  shift
  (cd "$WORK" && "$PACK" sfx "$WORK/$name.exe" --stub "$STUB" --password "$PASSWORD" "$@") >>"$WORK/pack.log" 2>&1
}

make_package plain in/A.txt in/b.doc in/c.pdf
make_package layout --description description.txt --link www.morvalis.example/vaultbag \
  --disclaimer short_disclaimer.txt --bitmap picture.bmp in/A.txt
make_package long_disclaimer --description description.txt --link www.morvalis.example/vaultbag \
  --disclaimer long_disclaimer.txt --bitmap picture.bmp in/A.txt
make_package no_link --description description.txt --bitmap wide.bmp in/A.txt
make_package mail --message-file mail.txt mail/a.txt mail/sub
# The only entry is a folder that listings leave out (a recycle bin), so the
# package shows its message without attachments.
make_package mail_only --message-file mail.txt only/recycled
# The stub as built: no package in its section.
cp "$STUB" "$WORK/no_payload.exe"
head -c 150000000 /dev/urandom >"$WORK/big.bin"
make_package big --compression 0 big.bin
rm -f "$WORK/big.bin"
# Texts and passwords beyond ASCII: a description saved in UTF-8 without a
# mark (what Notepad writes), a strong package with a Cyrillic password and
# a classic one, which cannot hold it.
printf 'Übersicht für die Gäste – Grüße aus Köln\n' >"$WORK/description_utf8.txt"
make_package utf8_description --description description_utf8.txt --link www.morvalis.example/übersicht in/A.txt
RUSSIAN='Пароль1'
(cd "$WORK" && "$PACK" sfx "$WORK/russian.exe" --stub "$STUB" --password "$RUSSIAN" in/A.txt) >>"$WORK/pack.log" 2>&1
(cd "$WORK" && "$PACK" sfx "$WORK/classic.exe" --stub "$STUB" --classic --password "$PASSWORD" in/A.txt) \
  >>"$WORK/pack.log" 2>&1
mkdir -p "$WORK/exists"
printf 'x' >"$WORK/a_file"

# Closes the file manager that a successful save opens.
cat >"$WORK/close_explorer.txt" <<EOF
close-class CabinetWClass
close-class ExplorerWClass
EOF

# Every script starts the program with a temporary folder of its own
# (T, a Windows path), so that what an attempt leaves behind can be seen.
prologue() {  # package, scenario
  start_program "$D\\$1.exe" "$2"
}
start_program() {  # program (Windows path), scenario, [arguments...]
  T="$D\\tmp\\$2"
  mkdir -p "$WORK/tmp/$2"
  cat <<EOF
env TMP $T
env TEMP $T
shotdir $D\\shots
start $1 ${*:3}
EOF
}

# Script lines: from the main dialog, decrypt with the right password.
decrypt_from_main_dialog() {  # caption of the main dialog
  cat <<EOF
window "$1" 1028
click 1028
window Morvalis 201
set 201 "$PASSWORD"
click 1
EOF
}

# --- Texts of both languages ----------------------------------------------------

declare -A EN=(
  [plain_caption]="Morvalis - Self decryption"
  [layout_caption]="Morvalis Vaultbag - Self decryption"
  [decrypt_now]="D&ecrypt now..."
  [download]="&Download..."
  [order]="&Order..."
  [decrypt]="&Decrypt..."
  [web]="&Vaultbag{LF}on the web"
  [accept]="&Accept"
  [decline]="Do &not accept"
  [prompt]="Enter the password used to ecrypt the data."
  [wrong]="The entered password is not correct."
  [cancelled]="Decryption has been canceled by user."
  [wait]="Please wait..."
  [more]="A.txt and 2 more file(s)"
  [more_mail]="a.txt and 1 more file(s)"
  [invalid]="The selected target folder is invalid."
  [exists]="The folder {Q}$D\\exists\\{Q} already exists.{LF}{LF}The files in this folder will be overwritten{LF}{LF}Do you want to proceed?"
  [is_file]="The specified folder is a file.{LF}{LF}Please specify a different folder."
  [saved]="The files have been saved successfully to the folder {Q}@{Q}."
  [save_text]="Save email &text..."
  [copy]="Copy email text into clipboard"
  [attachments]="Save &attachments..."
  [close]="&Close"
  [save_title]="Morvalis - Save text"
  [text_saved]="The text of the encrypted email has been successfully saved to the file {Q}@{Q}."
  [not_held]="The password holds characters that no password of this package can hold (U+041F, U+0430, U+0440, U+043E, U+043B, U+044C).{LF}{LF}Please enter it again."
  [packer]="Morvalis Packer"
  [names_fit]="Every name can be packed."
  [refused]="Some names cannot be packed (see the list below). Remove or rename them first."
  [mismatch]="The two passwords differ. Type the same password in both fields."
  [save_as]="Save the package as"
  [add_files]="Add files to the package"
  [key_next]=N
  [key_description]=D
  [pack_cancelled]="Packing was cancelled. Nothing was written."
  [done]="The package is ready: @{LF}{LF}Send the password to the receiver another way than the package (by phone, say)."
  [bytes]="bytes"
  [packing]="Packing..."
  [total]="Total: @ bytes"
  [step_items]="Step 1 of 5: what to pack"
  [step_kind]="Step 2 of 5: the kind of package"
  [step_layout]="Step 3 of 5: what the receiver sees (optional)"
  [step_password]="Step 4 of 5: the password"
  [step_packing]="Step 5 of 5: packing"
  [step_done]="The package is made"
)
declare -A DE=(
  [plain_caption]="Morvalis - Selbstentschlüsselung"
  [layout_caption]="Morvalis Vaultbag - Selbstentschlüsselung"
  [decrypt_now]="Jetzt &entschlüsseln..."
  [download]="&Downloaden..."
  [order]="&Bestellen..."
  [decrypt]="&Entschlüsseln..."
  [web]="&Vaultbag{LF}im Internet"
  [accept]="&Akzeptieren"
  [decline]="&Nicht akzeptieren"
  [prompt]="Bitte geben Sie das Passwort ein das zur Verschlüsselung der Daten verwendet wurde."
  [wrong]="Das eingegebene Passwort stimmt nicht.{LF}{LF}Bitte versuchen Sie es erneut. Achten Sie auf Groß- und Kleinschreibung."
  [cancelled]="Die Entschlüsselung wurde vom Benutzer abgebrochen."
  [wait]="Bitte warten..."
  [more]="A.txt und 2 weitere Datei(en)"
  [more_mail]="a.txt und 1 weitere Datei(en)"
  [invalid]="Der angegebene Ordner ist ungültig."
  [exists]="Das Verzeichnis {Q}$D\\exists\\{Q} existiert bereits.{LF}{LF}Die darin enthaltenen Dateien werden ggf. überschrieben.{LF}{LF}Möchten Sie fortfahren?"
  [is_file]="Der angegebene Ordner ist eine Datei.{LF}{LF}Bitte wählen Sie einen anderen Ordner."
  [saved]="Die entschlüsselten Daten wurden erfolgreich in den Order {Q}@{Q} gespeichert."
  [save_text]="E-Mail-&Text speichern..."
  [copy]="E-Mail-Text in die &Zwischenablage kopieren"
  [attachments]="&Anlagen speichern..."
  [close]="&Schließen"
  [save_title]="Morvalis - Text speichern"
  [text_saved]="Der Text der verschlüsselten E-Mail wurde erfolgreich in die Datei {Q}@{Q} gespeichert."
  [not_held]="Das Passwort enthält Zeichen, die kein Passwort dieses Pakets enthalten kann (U+041F, U+0430, U+0440, U+043E, U+043B, U+044C).{LF}{LF}Bitte geben Sie es erneut ein."
  [packer]="Morvalis Packer"
  [names_fit]="Alle Namen können gepackt werden."
  [refused]="Einige Namen können nicht gepackt werden (siehe die Liste unten). Entfernen oder benennen Sie sie zuerst um."
  [mismatch]="Die beiden Passwörter sind verschieden. Geben Sie in beide Felder dasselbe Passwort ein."
  [save_as]="Paket speichern unter"
  [add_files]="Dateien zum Paket hinzufügen"
  [key_next]=W
  [key_description]=B
  [pack_cancelled]="Das Packen wurde abgebrochen. Es wurde nichts geschrieben."
  [done]="Das Paket ist fertig: @{LF}{LF}Teilen Sie dem Empfänger das Passwort auf einem anderen Weg als das Paket mit (etwa am Telefon)."
  [bytes]="Bytes"
  [packing]="Wird gepackt..."
  [total]="Gesamt: @ Bytes"
  [step_items]="Schritt 1 von 5: was gepackt wird"
  [step_kind]="Schritt 2 von 5: die Art des Pakets"
  [step_layout]="Schritt 3 von 5: was der Empfänger sieht (freiwillig)"
  [step_password]="Schritt 4 von 5: das Passwort"
  [step_packing]="Schritt 5 von 5: packen"
  [step_done]="Das Paket ist erstellt"
)

# --- Scenarios ------------------------------------------------------------------
# Each script_NAME function writes the driver script of one scenario, with
# the texts of the language in L (and the language in lang).

# Script lines: from the packer window's first step, with its check done,
# on to the layout's step or the password's by messages.
to_layout_step() {
  cat <<EOF
click 1
await 3000 "${L[step_kind]}"
click 1
await 3000 "${L[step_layout]}"
EOF
}
to_password_step() {
  to_layout_step
  cat <<EOF
click 1
await 3000 "${L[step_password]}"
EOF
}

# The packer window, started as dropping a folder on it starts it, step by
# step: the folder listed with its size and every name fit; the kind; the
# layout left empty; the password mismatch refused; Save As; the done page
# naming the package with its size, with the button that shows it.
script_packer_made() {
  local out="$D\\packed_$lang$RUN.exe"
  local named="$out ($PACKED_SIZE ${L[bytes]})"
  local done=${L[done]/@/"$named"}
  prologue_packer "$D\\send" "packer_made_$lang"
  cat <<EOF
window "${L[packer]}" 3001
await 3005 "${L[total]/@/$SEND_BYTES}"
text 3000 "${L[step_items]}"
list 3001 "$D\\send"
list 3006 "${L[names_fit]}"
enabled 3040 0
visible 3007 0
shot packer_items_$lang
click 1
await 3000 "${L[step_kind]}"
visible 3001 0
visible 3007 1
enabled 3040 1
shot packer_kind_$lang
click 1
await 3000 "${L[step_layout]}"
visible 3025 1
shot packer_layout_$lang
click 1
await 3000 "${L[step_password]}"
set 3010 "$PASSWORD"
set 3011 "$PASSWORD typo"
shot packer_password_$lang
click 1
message "${L[packer]}" "${L[mismatch]}"
shot packer_mismatch_$lang
click 1
gone
window "${L[packer]}" 3001
set 3011 "$PASSWORD"
click 1
window "${L[save_as]}" 1148|1152
set 1148|1152 "$out"
shot packer_save_as_$lang
click 1
window "${L[packer]}" 3001
await 3000 "${L[step_done]}"
text 3018 "$done"
visible 3017 1
visible 1 0
shot packer_done_$lang
present $D\\packed_$lang$RUN.exe
absent $D\\packed_$lang$RUN.exe.*.part
click 3017
appears ExplorerWClass
escape
gone
EOF
  cat "$WORK/close_explorer.txt"
}

# A name the package cannot hold is listed with its reason in the window's
# language, and Next stays disabled.
script_packer_refused() {
  local line=$REFUSED_LINE_EN
  [[ $lang == de ]] && line=$REFUSED_LINE_DE
  prologue_packer "$D\\refused" "packer_refused_$lang"
  cat <<EOF
window "${L[packer]}" 3001
await 3005 "${L[total]/@/3}"
list 3001 "$D\\refused"
list 3006 "$line"
enabled 1 0
shot packer_refused_$lang
escape
gone
EOF
}

# On the password step: the password twice, then Save As with the name out.
pack_as() {  # out
  cat <<EOF
set 3010 "$PASSWORD"
set 3011 "$PASSWORD"
click 1
window "${L[save_as]}" 1148|1152
set 1148|1152 "$1"
click 1
window "${L[packer]}" 3001
EOF
}

# Cancel while a large file is packed: told, back at the password's step,
# and nothing left at the name or beside it.
script_packer_cancel() {
  local out="$D\\cancelled_$lang$RUN.exe"
  prologue_packer "$D\\bigsend" "packer_cancel_$lang"
  cat <<EOF
window "${L[packer]}" 3001
await 3005 "${L[total]/@/200000000}"
EOF
  to_password_step
  pack_as "$out"
  cat <<EOF
await 3000 "${L[step_packing]}"
text 3015 "${L[packing]}"
shot packer_packing_$lang
click 2
message "${L[packer]}" "${L[pack_cancelled]}"
shot packer_cancelled_$lang
click 1
gone
window "${L[packer]}" 3001
text 3000 "${L[step_password]}"
absent $D\\cancelled_$lang$RUN.exe*
escape
gone
EOF
}

# The layout typed in the window: the preview shows the receiver's main
# dialog with it (its buttons only close it); the package made opens with
# the description and link in its main dialog and the e-mail text after
# decryption, the items as its attachments.
LAYOUT_TEXT="This package holds the offer.{CR}{LF}Please keep it confidential.{CR}{LF}"
MAIL_TEXT="Dear colleague,{CR}{LF}the offer is attached.{CR}{LF}"
script_packer_layout() {
  local out="$D\\layout_made_$lang$RUN.exe"
  prologue_packer "$D\\send" "packer_layout_$lang"
  cat <<EOF
window "${L[packer]}" 3001
await 3005 "${L[total]/@/$SEND_BYTES}"
EOF
  to_layout_step
  cat <<EOF
set 3025 "$LAYOUT_TEXT"
set 3027 www.morvalis.example/offer
set 3031 "$D\\picture.bmp"
set 3034 "$MAIL_TEXT"
shot packer_layout_filled_$lang
click 3036
window "${L[layout_caption]}" 1028
text 1020 "$LAYOUT_TEXT"
text 1021 www.morvalis.example/offer
shot packer_preview_$lang
click 1028
gone
window "${L[packer]}" 3001
text 3000 "${L[step_layout]}"
click 1
await 3000 "${L[step_password]}"
EOF
  pack_as "$out"
  cat <<EOF
await 3000 "${L[step_done]}"
escape
gone
EOF
}
script_packer_layout_opened() {
  prologue "layout_made_$lang$RUN" "layout_opened_$lang"
  cat <<EOF
window "${L[layout_caption]}" 1028
text 1020 "$LAYOUT_TEXT"
text 1021 www.morvalis.example/offer
shot packer_layout_received_$lang
EOF
  decrypt_from_main_dialog "${L[layout_caption]}"
  cat <<EOF
window "${L[plain_caption]}" 1026
text 1026 "$MAIL_TEXT"
text-in 1039 "Angebot; prices.txt" "prices.txt; Angebot" "offer.txt; prices.txt" "prices.txt; offer.txt"
click 1
exit 0
EOF
}

# The whole wizard by real key strokes only: Enter, Alt+letter, Tab and
# typed text; the package made decrypts with the typed password.
script_packer_keyboard() {
  local out="$D\\keyboard_$lang$RUN.exe"
  prologue_packer "$D\\send" "packer_keyboard_$lang"
  cat <<EOF
window "${L[packer]}" 3001
await 3005 "${L[total]/@/$SEND_BYTES}"
keys {ENTER}
await 3000 "${L[step_kind]}"
keys ALT+${L[key_next]}
await 3000 "${L[step_layout]}"
keys ALT+${L[key_description]} "Typed by keys."
await 3025 "Typed by keys."
keys ALT+${L[key_next]}
await 3000 "${L[step_password]}"
keys "$PASSWORD" {TAB} {TAB} "$PASSWORD"
await 3011 "$PASSWORD"
keys {ENTER}
window "${L[save_as]}" 1148|1152
keys "$out"
await 1148|1152 "$out"
keys {ENTER}
gone
window "${L[packer]}" 3001
await 3000 "${L[step_done]}"
keys {ESC}
gone
EOF
}

# The whole wizard by mouse clicks at the centre of its buttons; the
# password proposed by the window.
script_packer_mouse() {
  local out="$D\\mouse_$lang$RUN.exe"
  local added=$((SEND_BYTES + $(stat -c %s "$WORK/in/A.txt")))
  prologue_packer "$D\\send" "packer_mouse_$lang"
  cat <<EOF
window "${L[packer]}" 3001
await 3005 "${L[total]/@/$SEND_BYTES}"
mouse 3002
window "${L[add_files]}" 1148|1152
set 1148|1152 "$D\\in\\A.txt"
mouse 1
gone
window "${L[packer]}" 3001
list 3001 "$D\\send" "$D\\in\\A.txt"
await 3005 "${L[total]/@/$added}"
mouse 1
await 3000 "${L[step_kind]}"
mouse 1
await 3000 "${L[step_layout]}"
mouse 1
await 3000 "${L[step_password]}"
mouse 3012
mouse 1
window "${L[save_as]}" 1148|1152
set 1148|1152 "$out"
mouse 1
window "${L[packer]}" 3001
await 3000 "${L[step_done]}"
present $D\\mouse_$lang$RUN.exe
mouse 2
gone
EOF
}

# The start of a packer window scenario: started with one item, as Explorer
# starts a program that a file or folder is dropped on.
prologue_packer() {  # item, scenario
  start_program "$(winpath "$PACKER")" "$2" "$1"
}

# Writes a scenario's script in a language and runs it.
in_language() {  # scenario, language, [environment assignments...]
  local scenario=$1 lang=$2
  shift 2
  # GUI_ONLY=REGEX runs only the scenarios whose name matches (while
  # working on one; the checks after a skipped scenario then fail).
  [[ -z ${GUI_ONLY:-} || ${scenario}_$lang =~ $GUI_ONLY ]] || return 0
  local -n L=${lang^^}
  local script=$WORK/${scenario}_$lang$RUN.txt
  local environment=(LC_ALL=C.UTF-8 LANG=C.UTF-8)
  [[ $lang == de ]] && environment=("${GERMAN[@]}")
  "script_$scenario" >"$script"
  run_scenario "${scenario}_$lang$RUN" "$script" "${environment[@]}" "$@"
}

# Files copied to out with their contents and modification times.
same_tree() {  # target folder
  local f
  for f in A.txt b.doc c.pdf; do
    cmp -s "$WORK/in/$f" "$1/$f" || return 1
    [[ $(stat -c %Y "$WORK/in/$f") == $(stat -c %Y "$1/$f") ]] || return 1
  done
}

no_temporary_files() { [[ -z $(find "$WORK/tmp" -mindepth 2 -maxdepth 2 2>/dev/null) ]]; }

# The package without layout: dialog 114, the password dialog cancelled
# (nothing shown), three wrong passwords (string 4 each time, no temporary
# file left after any), then the right one and the folder dialog with its
# proposal, its refusals and the copy.
script_files() {
  local out="$D/out_$lang$RUN"
  local saved_folder="$D\\out_$lang$RUN"
  local saved_message=${L[saved]/@/"$saved_folder"}
  prologue plain "files_$lang"
  cat <<EOF
window "${L[plain_caption]}" 1028
text 1028 "${L[decrypt_now]}"
text 1029 "${L[download]}"
text 1030 "${L[order]}"
shot main_plain_$lang
click 1028
window Morvalis 201
text 203 "${L[prompt]}"
shot password_$lang
click 2
gone
window "${L[plain_caption]}" 1028
click 1028
window Morvalis 201
count Morvalis 1
click 2
gone
EOF
  local attempt
  for attempt in 1 2 3; do
    cat <<EOF
window "${L[plain_caption]}" 1028
click 1028
window Morvalis 201
absent $T\\qzp_*
absent $T\\QZDX_*
set 201 "wrong $attempt"
click 1
message Morvalis "${L[wrong]}"
EOF
    # The attempt's temporary file and work folder exist until its
    # message has been closed; then they are gone.
    if ((attempt == 1)); then
      echo "present $T\\qzp_*.mef"
      echo "present $T\\QZDX_*"
      echo "shot wrong_password_$lang"
    fi
    echo "click 1"
    echo "gone"
  done
  cat <<EOF
window "${L[plain_caption]}" 1028
click 1028
window Morvalis 201
absent $T\\qzp_*
absent $T\\QZDX_*
set 201 "$PASSWORD"
click 1
window "${L[plain_caption]}" 107
text 107 "$D\\${L[more]}\\"
list 1037 A.txt b.doc c.pdf
shot folder_$lang
set 107 "$D\\bad*name"
click 1
message Morvalis "${L[invalid]}"
shot folder_invalid_$lang
click 1
gone
window "${L[plain_caption]}" 107
set 107 "$D\\exists"
click 1
message Morvalis "${L[exists]}"
shot folder_exists_$lang
click 7
gone
window "${L[plain_caption]}" 107
text 107 "$D\\exists"
set 107 "$D\\a_file"
click 1
message Morvalis "${L[is_file]}"
click 1
gone
window "${L[plain_caption]}" 107
set 107 "$out"
click 1
message Morvalis "$saved_message"
shot folder_saved_$lang
click 1
exit 0
absent $T\\qzp_*
absent $T\\QZDX_*
appears ExplorerWClass
EOF
  cat "$WORK/close_explorer.txt"
}

# Without a package the program says so in a message box and ends with 1.
script_no_payload() {
  prologue no_payload "no_payload_$lang"
  cat <<EOF
message "INTERNAL ERROR" "Morvalis SelfExtractor layout context initialization failed.{LF}Error = 1"
click 1
exit 1
EOF
}

# A short disclaimer can be accepted at once; declining it ends the program
# with 40 before any main dialog.
script_disclaimer_declined() {
  prologue layout "declined_$lang"
  cat <<EOF
window "Morvalis Vaultbag" 1018
text 1 "${L[accept]}"
text 2 "${L[decline]}"
enabled 1 1
focus 1018
text 1018 "These files are confidential.{CR}{LF}By accepting you agree to keep them so.{CR}{LF}"
shot disclaimer_$lang
click 2
exit 40
EOF
}

# A long disclaimer must be scrolled to its end before it can be accepted;
# then the main dialog with the package's layout.
script_long_disclaimer() {
  prologue long_disclaimer "long_$lang"
  cat <<EOF
window "Morvalis Vaultbag" 1018
enabled 1 0
scroll 1018 pagedown
enabled 1 0
shot disclaimer_long_$lang
scroll 1018 bottom
enabled 1 1
scroll 1018 top
enabled 1 1
click 1
window "${L[layout_caption]}" 1028
default 1028
text 1028 "${L[decrypt]}"
text 1031 "${L[web]}"
visible 1021 1
text 1021 www.morvalis.example/vaultbag
visible 1011 0
text 1020 "This package holds the quarterly figures.{CR}{LF}Please keep them confidential.{CR}{LF}"
absent $T\\qzp_*
shot main_layout_$lang
close
exit 0
EOF
}

# A description saved as UTF-8 without a mark shows as written, in any
# language of the system.
script_utf8_description() {
  prologue utf8_description "utf8_description_$lang"
  cat <<EOF
window "${L[layout_caption]}" 1028
text 1020 "Übersicht für die Gäste – Grüße aus Köln{CR}{LF}"
text 1021 www.morvalis.example/übersicht
shot main_utf8_description_$lang
close
exit 0
EOF
}

# The password dialog takes any script as typed: what an ANSI code page
# makes of a Cyrillic password is wrong, the password itself opens.
script_password_any_script() {
  prologue russian "any_script_$lang"
  cat <<EOF
window "${L[plain_caption]}" 1028
click 1028
window Morvalis 201
set 201 "??????1"
click 1
message Morvalis "${L[wrong]}"
click 1
gone
window "${L[plain_caption]}" 1028
click 1028
window Morvalis 201
set 201 "$RUSSIAN"
shot password_cyrillic_$lang
click 1
window "${L[plain_caption]}" 107
list 1037 A.txt
click 2
gone
exit 0
EOF
}

# The classic kind cannot hold a Cyrillic password: a message names the
# characters and the password is asked for again; nothing was decrypted.
script_classic_refusal() {
  prologue classic "classic_refusal_$lang"
  cat <<EOF
window "${L[plain_caption]}" 1028
click 1028
window Morvalis 201
set 201 "$RUSSIAN"
click 1
message Morvalis "${L[not_held]}"
absent $T\\qzp_*
absent $T\\QZDX_*
shot password_not_held_$lang
click 1
gone
window Morvalis 201
set 201 "$PASSWORD"
click 1
window "${L[plain_caption]}" 107
list 1037 A.txt
click 2
gone
exit 0
EOF
}

# A layout without a link: no link line; the wide picture is stretched to
# the frame.
script_no_link() {
  prologue no_link no_link
  cat <<EOF
window "${L[layout_caption]}" 1028
visible 1021 0
shot main_layout_no_link_en
close
exit 0
EOF
}

# Closing the progress window during a long decryption: string 21, the main
# dialog stays, and neither the temporary file nor the work folder remains.
# The decrypting thread is held from the moment the window is seen until it
# has been looked at and closed, so the decryption cannot end first.
script_progress_cancel() {
  # English closes the window with its close box, German with Escape.
  local how=close
  [[ $lang == de ]] && how=escape
  prologue big "cancel_$lang"
  decrypt_from_main_dialog "${L[plain_caption]}"
  cat <<EOF
hold Morvalis 2006
text 2007 "${L[wait]}"
shot progress_$lang
$how
resume
message Morvalis "${L[cancelled]}"
shot cancelled_$lang
click 1
gone
window "${L[plain_caption]}" 1028
click 1028
window Morvalis 201
absent $T\\qzp_*
absent $T\\QZDX_*
click 2
gone
window "${L[plain_caption]}" 1028
close
exit 0
EOF
}

# The session ends while a package is being decrypted, and while the folder
# dialog waits with the decrypted files: either way the program wipes them,
# removes its temporary file and ends with the status of an interruption
# (STATUS_CONTROL_C_EXIT).
script_end_session_decrypting() {
  prologue big end_session_decrypting
  decrypt_from_main_dialog "${L[plain_caption]}"
  cat <<EOF
hold Morvalis 2006
endsession
resume
exit 3221225786
absent $T\\qzp_*
absent $T\\QZDX_*
EOF
}

script_end_session_folder() {
  prologue plain end_session_folder
  decrypt_from_main_dialog "${L[plain_caption]}"
  cat <<EOF
window "${L[plain_caption]}" 107
present $T\\QZDX_*
window "${L[plain_caption]}" 1028
endsession
exit 3221225786
absent $T\\qzp_*
absent $T\\QZDX_*
EOF
}

# The box that reports a failed attempt is the foreground window every
# time, in front of the main dialog it belongs to: twenty wrong passwords,
# then twenty cancels in the progress window.
script_boxes_in_front() {
  prologue big "front_$lang"
  local attempt
  for attempt in $(seq 20); do
    cat <<EOF
window "${L[plain_caption]}" 1028
click 1028
window Morvalis 201
set 201 "wrong $attempt"
click 1
front Morvalis "${L[wrong]}"
click 1
gone
EOF
  done
  for attempt in $(seq 20); do
    decrypt_from_main_dialog "${L[plain_caption]}"
    cat <<EOF
hold Morvalis 2006
close
resume
front Morvalis "${L[cancelled]}"
click 1
gone
EOF
  done
  cat <<EOF
window "${L[plain_caption]}" 1028
close
exit 0
EOF
}

# A package with a message: the text with CR LF line breaks, the attachment
# row, the copy to the clipboard, the saved text (the package's own, not the
# edited one) and the attachments through the folder dialog.
script_message() {
  local shown="Dear colleague,{CR}{LF}the files are attached.{CR}{LF}Best regards{CR}{LF}"
  local saved_file="$D\\saved_$lang$RUN.txt"
  local saved_message=${L[text_saved]/@/"$saved_file"}
  prologue mail "message_$lang"
  decrypt_from_main_dialog "${L[plain_caption]}"
  cat <<EOF
window "${L[plain_caption]}" 1026
text 1026 "$shown"
text-in 1039 "a.txt; b.txt" "b.txt; a.txt"
visible 1027 1
visible 1041 1
text 1027 "${L[attachments]}"
text 1032 "${L[save_text]}"
text 1040 "${L[copy]}"
text 1 "${L[close]}"
shot message_$lang
press 1040
clipboard "$shown"
set 1026 "edited by the user"
click 1032
window "${L[save_title]}"
shot save_text_$lang
set 1148|1152 "$saved_file"
click 1
message Morvalis "$saved_message"
click 1
gone
window "${L[plain_caption]}" 1026
file "$saved_file" "$shown"
click 1027
window "${L[plain_caption]}" 107
text 107 "$D\\${L[more_mail]}\\"
list 1037 a.txt b.txt
click 2
gone
window "${L[plain_caption]}" 1026
click 1
exit 0
absent $T\\qzp_*
absent $T\\QZDX_*
EOF
}

# A message without attachments: the row is gone and the label sits where
# the paper clip was.
script_message_only() {
  prologue mail_only message_only
  decrypt_from_main_dialog "${L[plain_caption]}"
  cat <<EOF
window "${L[plain_caption]}" 1026
visible 1027 0
visible 1039 0
visible 1041 0
top 1042 1041
above 1042 1026
shot message_no_attachments_en
click 1
exit 0
EOF
}

# DLL planting: a copy of the marker DLL lies beside the packages under the
# name of every DLL the program loads that is not one of Windows' KnownDLLs,
# and Wine prefers such a DLL to its own, as Windows does with a DLL in the
# program's folder. None of them may run, in the command line or in the
# dialogs, and the packages must still decrypt.
# (Measured with WINEDEBUG=+loaddll over this scenario.)
PLANTED_DLLS=(version uxtheme imm32 comctl32 msimg32 zlib1 winspool.drv compstui)
PLANTED=$WORK/planted
planted_overrides() {
  local IFS=,
  echo "WINEDLLOVERRIDES=mscoree,mshtml=;${PLANTED_DLLS[*]}=n,b"
}
plant_dlls() {
  mkdir -p "$PLANTED"
  cp "$WORK/plain.exe" "$WORK/mail.exe" "$PLANTED/"
  local name
  for name in "${PLANTED_DLLS[@]}"; do
    [[ $name == *.* ]] || name+=.dll
    cp "$MARKER" "$PLANTED/$name"
  done
}
planted_command_line() {
  env "$(planted_overrides)" wine "$PLANTED/plain.exe" decrypt "-pwd=$PASSWORD" \
    "-targetdir=$(winpath "$WORK/out_planted_command")" >/dev/null 2>&1 && same_tree "$WORK/out_planted_command"
}
no_planted_dll_ran() {
  local ran
  ran=$(cd "$PLANTED" && ls -- *.ran 2>/dev/null)
  [[ -z $ran ]] || echo "gui: planted DLLs that ran:" $ran >&2
  [[ -z $ran ]]
}
script_planted() {
  local saved_message=${L[saved]/@/"$D\\out_planted"}
  prologue "planted\\plain" planted
  cat <<EOF
window "${L[plain_caption]}" 1028
click 1028
window Morvalis 201
set 201 wrong
click 1
message Morvalis "${L[wrong]}"
click 1
gone
EOF
  decrypt_from_main_dialog "${L[plain_caption]}"
  cat <<EOF
window "${L[plain_caption]}" 107
set 107 "$D\\out_planted"
click 1
message Morvalis "$saved_message"
click 1
exit 0
EOF
  cat "$WORK/close_explorer.txt"
  echo "start $D\\planted\\mail.exe"
  decrypt_from_main_dialog "${L[plain_caption]}"
  cat <<EOF
window "${L[plain_caption]}" 1026
click 1032
window "${L[save_title]}"
click 2
gone
window "${L[plain_caption]}" 1026
click 1
exit 0
EOF
}

# The unit tests of the dialogs, which create windows: all of them must run.
unit_tests_on_display() {
  local log=$WORK/unit_tests.log
  wine "$UNIT_TESTS" --gtest_filter='Ui*' --gtest_color=no >"$log" 2>&1 &&
    grep -q '^\[  PASSED  \]' "$log" && ! grep -q '^\[  SKIPPED \]' "$log"
}

# --- Run ----------------------------------------------------------------------------

for needed in "$PACK" "$STUB" "$DRIVER" "$UNIT_TESTS" "$MARKER" "$GATE" "$PACKER"; do
  if [[ ! -e $needed ]]; then
    echo "gui: $needed is missing" >&2
    echo "gui: 0 passed, 1 failed"
    exit 1
  fi
done
start_display || { echo "gui: 0 passed, 1 failed"; exit 1; }
if wine reg query 'HKCU\Software\Wine\Explorer' /v Desktop >/dev/null 2>&1; then DESKTOP_WAS_SET=1; fi
use_virtual_desktop
german_locale
check "dialog unit tests on the display" unit_tests_on_display

# The packer window's inputs: a folder to send, one with a name no package
# can hold, one large enough to cancel; the size of the package the window
# makes, as the console packer makes it from the same folder.
mkdir -p "$WORK/send/Angebot" "$WORK/refused" "$WORK/bigsend"
printf 'offer\n' >"$WORK/send/Angebot/offer.txt"
printf 'prices\n' >"$WORK/send/prices.txt"
printf 'x\n' >"$WORK/refused/日本.txt"
printf 'ok\n' >"$WORK/refused/ok.txt"
head -c 200000000 /dev/urandom >"$WORK/bigsend/big.bin"
SEND_BYTES=$(($(stat -c %s "$WORK/send/Angebot/offer.txt") + $(stat -c %s "$WORK/send/prices.txt")))
"$PACK" sfx "$WORK/expected_send.exe" --stub "$STUB" --password x "$WORK/send" >>"$WORK/pack.log" 2>&1
PACKED_SIZE=$(stat -c %s "$WORK/expected_send.exe")
# The packer names a path in its own form ('/' between the names).
REFUSED_LINE_EN="'Z:$WORK/refused/日本.txt' has no Windows-1252 form: 日 (U+65E5), 本 (U+672C)"
REFUSED_LINE_DE="'Z:$WORK/refused/日本.txt' hat keine Windows-1252-Form: 日 (U+65E5), 本 (U+672C)"

# The packer window in both languages; each package it made decrypts.
packer_window() {
  for lang in en de; do
    in_language packer_made "$lang"
    check "packer_made_$lang$RUN: the package decrypts" packed_decrypts "$WORK/packed_$lang$RUN.exe"
    in_language packer_refused "$lang"
    in_language packer_cancel "$lang"
    in_language packer_layout "$lang"
    in_language packer_layout_opened "$lang"
    in_language packer_keyboard "$lang"
    check "packer_keyboard_$lang$RUN: the package decrypts" packed_decrypts "$WORK/keyboard_$lang$RUN.exe"
    in_language packer_mouse "$lang"
  done
}
packed_decrypts() {  # package
  rm -rf "$WORK/unpacked"
  wine "$1" decrypt "-pwd=$PASSWORD" "-targetdir=$(winpath "$WORK/unpacked")" >/dev/null 2>&1 &&
    cmp -s "$WORK/send/prices.txt" "$WORK/unpacked/send/prices.txt" &&
    cmp -s "$WORK/send/Angebot/offer.txt" "$WORK/unpacked/send/Angebot/offer.txt"
}

# Every dialog in both languages (with its screenshots).
all_dialogs() {
  packer_window
  for lang in en de; do
    in_language files "$lang"
    check "files_$lang$RUN: copied with their times" same_tree "$WORK/out_$lang$RUN"
    in_language disclaimer_declined "$lang"
    in_language long_disclaimer "$lang"
    in_language progress_cancel "$lang"
    in_language message "$lang"
  done
  in_language no_link en
  in_language message_only en
}
for lang in en de; do
  in_language utf8_description "$lang"
  in_language password_any_script "$lang"
  in_language classic_refusal "$lang"
done
all_dialogs
in_language no_payload en
in_language end_session_decrypting en
in_language end_session_folder en
in_language boxes_in_front en
plant_dlls
check "planted DLLs: the command line decrypts" planted_command_line
in_language planted en "$(planted_overrides)"
check "planted DLLs: the dialogs copied the files" same_tree "$WORK/out_planted"
check "planted DLLs: none of them ran" no_planted_dll_ran
# The same again at 144 DPI, where the dialogs and their fonts scale.
use_dpi 144
all_dialogs
use_dpi 96
check "no temporary files left" no_temporary_files

echo "gui: $PASSED passed, $FAILED failed"
((FAILED == 0))
