# Shared shell functions of run.sh and test.sh. Source it; it changes nothing
# by itself.

# Debian packages both builds, the tests, the benchmarks and the fuzz
# targets (clang with its libFuzzer and sanitizer runtimes) need.
MV_PACKAGES=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libgcrypt20-dev zlib1g-dev libdeflate-dev libutf8proc-dev libzstd-dev
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev libgcrypt-mingw-w64-dev
  wine64 wine fonts-wine xvfb xauth imagemagick locales python3
  python3-argon2 python3-cryptography python3-zstandard
)

# Each step is shown with the time since the script began.
mv_log() { printf '\n== %s (at %d s)\n' "$*" "$SECONDS" >&2; }

# The peers and tools of bench/extract_vs_peers.sh.
MV_PACKAGES+=(p7zip-full strace)

# Signing a Windows package (the end-to-end test signs one) and the zip of
# the Windows programs.
MV_PACKAGES+=(osslsigncode zip)

# The libraries the Windows build compiles from Debian's source packages
# (Debian has no MinGW build of them): source package, then the file whose
# presence says the source is unpacked. Each goes to build/third_party/NAME.
MV_SOURCE_PACKAGES=(
  "libdeflate libdeflate.h"
  "utf8proc utf8proc.h"
  "libzstd lib/zstd.h"
)

# The locale every run needs, whatever the caller's environment holds: Wine
# hands names and arguments to Windows programs in the locale's encoding, so
# without UTF-8 "Übersicht.txt" or a password with "ß" arrive mangled.
# C.UTF-8 exists on every Debian 12.
# The locale, and a search path that holds the administrator's folders too
# (chroot, ldconfig for apt), whatever the caller's environment gave.
mv_use_utf8_locale() {
  export LANG=C.UTF-8 LC_ALL=C.UTF-8
  export PATH="${PATH:-/usr/local/bin:/usr/bin:/bin}:/usr/local/sbin:/usr/sbin:/sbin"
}

# Installs whatever of MV_PACKAGES is missing (apt-get; needs root).
mv_ensure_packages() {
  local missing=()
  for pkg in "${MV_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  if ((${#missing[@]})); then
    mv_log "installing: ${missing[*]}"
    local sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  local entry
  for entry in "${MV_SOURCE_PACKAGES[@]}"; do
    # shellcheck disable=SC2086
    mv_ensure_source $entry
  done
}

# Unpacks the upstream tarball of Debian's source package PACKAGE into
# build/third_party/PACKAGE unless MARKER is there. apt-get fetches it
# through a private index (a deb-src twin of the system's Debian source)
# kept under build/third_party/apt, so the system's own apt configuration is
# left alone; the index is read once per run.
mv_ensure_source() {  # package marker
  local package=$1 marker=$2 dir=build/third_party
  local target=$dir/$package
  [[ -f $target/$marker ]] && return 0
  mv_log "fetching the $package source package"
  local apt uri suite
  apt=$PWD/$dir/apt
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
  uri=$(sed -n 's/^URIs: *\(http[^ ]*debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "deb-src ${uri:-http://deb.debian.org/debian} $suite main" >"$apt/sources.list"
  local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent
                 -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache")
  if [[ -z ${MV_SOURCE_INDEX_READ:-} ]]; then
    apt-get "${options[@]}" -qq update || return 1
    MV_SOURCE_INDEX_READ=1
  fi
  (cd "$dir" && apt-get "${options[@]}" -qq source --download-only "$package" >/dev/null 2>&1) || return 1
  local tarball
  tarball=$(ls "$dir"/"${package}"_*.orig.tar.* | head -n 1)
  rm -rf "$target" && mkdir -p "$target"
  tar -xf "$tarball" -C "$target" --strip-components=1
}

mv_build() {  # preset [targets...]
  local preset=$1
  shift
  mv_log "building $preset"
  cmake --preset "$preset" >/dev/null
  if (($#)); then
    cmake --build --preset "$preset" --target "$@"
  else
    cmake --build --preset "$preset"
  fi
}

# A Wine prefix of our own under build/, booted once per run, with one
# wineserver kept alive so that every program start is cheap.
mv_wine_start() {
  mv_use_utf8_locale
  export WINEPREFIX="$PWD/build/wineprefix" WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p build
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    mv_log "creating the Wine prefix"
    wineboot -i >/dev/null 2>&1 || true
    # The server that created the prefix must be gone before a persistent
    # one can start (wineserver -p refuses while another one runs).
    wineserver -w >/dev/null 2>&1 || true
  fi
  # Refused when a persistent server of an earlier run still serves the
  # prefix, which is just as good.
  wineserver -p 600 >/dev/null 2>&1 || true
  wineboot >/dev/null 2>&1 || true
}

mv_wine_stop() { wineserver -k >/dev/null 2>&1 || true; }

# Totals of every test run, and the bookkeeping the runners share: the log
# of run NAME is build/test-logs/NAME.log.
MV_PASSED=0
MV_FAILED=0
mv_log_file() {  # name
  mkdir -p build/test-logs
  mv_log "tests: $1"
  echo "build/test-logs/$1.log"
}
mv_add_counts() {  # passed failed
  MV_PASSED=$((MV_PASSED + $1))
  MV_FAILED=$((MV_FAILED + $2))
}

# Runs a GoogleTest binary (with "wine" in front when asked) and adds its
# counts to the totals.
mv_run_gtest() {  # name command...
  local name=$1
  shift
  local log
  log=$(mv_log_file "$name")
  local status=0
  # Wine's console writes CR LF; the log keeps plain lines.
  "$@" --gtest_color=no 2>&1 | tr -d '\r' >"$log" || status=$?
  grep -E '^\[  (FAILED|PASSED) |^\[==========\]' "$log" >&2 || true
  local passed failed
  passed=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\.$/\1/p' "$log" | tail -1)
  failed=$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below:$/\1/p' "$log" | tail -1)
  passed=${passed:-0}
  failed=${failed:-0}
  if ((status != 0 && failed == 0)); then
    echo "$name: exited with $status (see $log)" >&2
    tail -20 "$log" >&2
    failed=1
  fi
  ((failed == 0)) || grep -E '^\[  FAILED  \]' "$log" >&2 || true
  mv_add_counts "$passed" "$failed"
}

# Runs a test script that ends with "NAME: N passed, M failed" and adds its
# counts to the totals. A script that fails without such a line counts as
# one failure.
mv_run_script() {  # name command...
  local name=$1
  shift
  local log
  log=$(mv_log_file "$name")
  local status=0
  "$@" 2>&1 | tee "$log" || status=$?
  local summary passed failed
  summary=$(sed -nE "s/^$name: ([0-9]+) passed, ([0-9]+) failed\$/\\1 \\2/p" "$log" | tail -1)
  passed=${summary% *}
  failed=${summary#* }
  [[ -n $summary ]] || { passed=0; failed=1; }
  ((status == 0 || failed > 0)) || failed=1
  mv_add_counts "$passed" "$failed"
}
