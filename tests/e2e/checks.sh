# The checks and counts the end-to-end scripts share. Source it after
# setting WORK (the script's scratch folder, which receives last.out); the
# script then prints "NAME: $PASSED passed, $FAILED failed".
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
  # Now and then the Wine server itself goes away under a program (its
  # client then reports "wine client error"); that is Wine's failure, not
  # the program's, so the program runs once more on a fresh server.
  if [[ $1 == wine && $code != "$expected" ]] && grep -q '^wine client error' "$WORK/last.out"; then
    echo "note: $what: the Wine server went away, running it again" >&2
    wineserver -p 600 >/dev/null 2>&1
    code=0
    "$@" >"$WORK/last.out" 2>&1 || code=$?
  fi
  if [[ $code == "$expected" ]]; then pass; else fail "$what: exit $code, expected $expected"; cat "$WORK/last.out" >&2; fi
}
winpath() { echo "Z:${1//\//\\}"; }
not_grep() { ! grep -q "$@"; }
# A listing of a tree: relative path, size and modification time (seconds).
tree_of() { (cd "$1" && find . -type f -printf '%P %s %T@\n' | sed -E 's/\.[0-9]+$//' | sort); }
# The files to pack: nested folders (one empty), an empty file, a larger
# mixed and a compressible file, an umlaut, set times.
make_input() {  # folder
  mkdir -p "$1/Unterlagen/tief/leer" "$1/Daten"
  printf 'Erste Zeile\nzweite Zeile\n' >"$1/Unterlagen/Übersicht.txt"
  : >"$1/Unterlagen/leer.txt"
  head -c 300000 /dev/urandom >"$1/Daten/zufall.bin"
  yes 'compressible line of text' | head -c 500000 >"$1/Daten/text.txt"
  printf 'root file\n' >"$1/readme.txt"
  touch -d '2024-02-03 04:05:06' "$1/readme.txt"
  touch -d '2023-12-24 18:00:00' "$1/Unterlagen/Übersicht.txt"
}
