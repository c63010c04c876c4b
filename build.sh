#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine:
#   ./build.sh run       install what building and running need, build the
#                        program alone, start the disk in data/
#   ./build.sh test      install that and the test tools, build everything, run
#                        every test
#   ./build.sh package   build the Debian package in build-package/
#   ./build.sh web [--disk DIR]
#                        build the program for web browsers into build-web/site/,
#                        a folder any static HTTP server serves; with --disk, the
#                        site of the disk in DIR, checked first
# Options for test: --long (the long soak and fuzz runs as well).
set -euo pipefail
cd "$(dirname "$0")"

# What building and running the program need. One package a line.
BUILD_PACKAGES=(
  build-essential
  cmake
  pkg-config
  git
  libsdl2-dev
  libepoxy-dev
  libgl1-mesa-dri
  libopenmpt-dev
  libsndfile1-dev
  libsamplerate0-dev
  libkissfft-dev
  libstb-dev
  libsdbus-c++-dev
)

# What the tests, the tools and the benchmarks need besides. One package a line.
TEST_PACKAGES=(
  libgtest-dev
  libgmock-dev
  fonts-dejavu-core
  xvfb
  xdotool
  x11-utils
  imagemagick
  sox
  openmpt123
  openbox
  clang
  libclang-rt-14-dev
  desktop-file-utils
  appstream
  lintian
  dbus
  playerctl
  pulseaudio
  pulseaudio-utils
  pipewire
  pipewire-bin
  pipewire-pulse
  wireplumber
)

# What the browser build needs besides (the libraries come from Debian's source
# packages through tools/web/build_deps.sh, which needs dpkg-dev). One package a line.
WEB_PACKAGES=(
  emscripten
  nodejs
  python3
  dpkg-dev
  chromium
)

install_packages() {  # package...
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# The tests, tools and benchmarks are switched on explicitly: `run` may have
# configured the same folder without them.
configure_and_build() {  # build-dir [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMUSICDISK_TESTS=ON -DMUSICDISK_TOOLS=ON \
    -DMUSICDISK_BENCH=ON "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}

# Every libFuzzer target (clang, fuzz/): the kept crash inputs replayed, then
# $1 seconds of fuzzing each from the committed corpus.
run_fuzz_smoke() {
  local seconds=$1 status=0
  cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMUSICDISK_FUZZ=ON -DMUSICDISK_TESTS=OFF \
    -DMUSICDISK_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null || return 1
  cmake --build build-fuzz --target fuzz_targets -j"$(nproc)" || return 1
  for target in fuzz_disk_config fuzz_effect_language fuzz_audio_load; do
    bash fuzz/run_fuzz.sh build-fuzz "$target" "$seconds" || status=1
  done
  return $status
}

# npm comes with Debian's nodejs package split off; a node from elsewhere brings its own.
install_npm() {
  command -v npm >/dev/null || install_packages npm
}

# The disk checker of the desktop build, which also knows what the browser plays.
# A build folder configured before keeps its settings (the tests' build has it all).
build_checker() {
  [ -e build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMUSICDISK_TOOLS=ON \
    -DMUSICDISK_TESTS=OFF -DMUSICDISK_BENCH=OFF >/dev/null
  cmake --build build --target check-disk -j"$(nproc)"
}

# The site of the disk in $1 (the folder holding data/) in build-web/site/, and
# with $2 = ON the unit tests for node beside it. A disk with problems makes no site.
build_web() {  # disk-folder tests-ON-OFF
  local disk=$1 tests=$2 prefix
  build_checker >/dev/null
  echo "== checking the disk in $disk for the browser"
  if ! ./build/tools/check_disk/musicdisk-check --browser "$disk"; then
    echo "The disk in $disk has problems (listed above): no site made." >&2
    return 1
  fi
  echo "== the libraries for WebAssembly (cached in ${MUSICDISK_WEB_CACHE:-$HOME/.cache/musicdisk-web})"
  prefix=$(tools/web/build_deps.sh | tail -n 1)
  # shellcheck source=tools/web/env.sh
  source tools/web/env.sh
  echo "== the program for WebAssembly"
  emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DMUSICDISK_WEB=ON -DMUSICDISK_WEB_DEPS="$prefix" \
    -DMUSICDISK_KISSFFT_SRC="$prefix/../src/kissfft" -DMUSICDISK_WEB_DISK="$(cd "$disk" && pwd)" \
    -DMUSICDISK_TESTS="$tests" -DMUSICDISK_TOOLS=OFF -DMUSICDISK_BENCH=OFF >/dev/null
  cmake --build build-web --target web_site -j"$(nproc)"
  if [ "$tests" = ON ]; then cmake --build build-web -j"$(nproc)"; fi
  local compressed=0 file
  for file in build-web/site/*; do
    [ "${file##*.}" = data ] || compressed=$((compressed + $(gzip -9 -c "$file" | wc -c)))
  done
  echo "The site is in build-web/site/: serve that folder from any static HTTP server."
  echo "Without the disk's data it takes $((compressed / 1024)) KiB gzip-compressed."
}

# The browser build's part of the tests: the unit tests under node, then the site
# in headless Chromium against the desktop's references and engine.
run_web_tests() {
  local status=0
  build_web "$PWD" ON || return 1
  echo "== unit tests under node"
  # shellcheck source=tools/web/env.sh
  (source tools/web/env.sh && cd build-web && ctest --output-on-failure -j"$(nproc)") || status=1
  echo "== the site in headless Chromium"
  (cd tests/web && npm ci --no-audit --no-fund --silent) || return 1
  node tests/web/e2e.mjs --site build-web/site --native build || status=1
  return $status
}

run_tests() {  # [--long]
  local status=0 fuzz_seconds=30 soak_seconds=60
  if [ "${1:-}" = "--long" ]; then fuzz_seconds=600; soak_seconds=1800; fi
  configure_and_build build
  echo "== unit and platform tests"
  (cd build && ctest --output-on-failure -j"$(nproc)") || status=1
  echo "== the same under AddressSanitizer and UndefinedBehaviorSanitizer"
  configure_and_build build-asan -DMUSICDISK_SANITIZE=ON -DMUSICDISK_BENCH=OFF
  # GCC 12's LeakSanitizer follows the dynamic TLS of dlopen()ed libraries (the GL
  # driver's) and its tracer dies on it at exit ("Tracer caught signal 11"), reliably
  # in some tests. Our code is not dlopen()ed, so leaving that TLS alone loses nothing.
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0 ctest --output-on-failure -j"$(nproc)") ||
    status=1
  echo "== end-to-end"
  for script in tests/e2e/*.sh; do
    [ -e "$script" ] || continue
    # PipeWire killed and restarted: once in a clean run its return through
    # pipewire-pulse took 31 s instead of 2.5; it runs with --long until that is found.
    if [ "$script" = tests/e2e/pipewire_restart.sh ] && [ "${1:-}" != "--long" ]; then continue; fi
    echo "-- $script"
    local rc=0
    bash "$script" "$PWD/build" || rc=$?
    if [ $rc -eq 77 ]; then echo "   skipped"; elif [ $rc -ne 0 ]; then status=1; fi
  done
  echo "== fuzzing, ${fuzz_seconds} s a target"
  run_fuzz_smoke "$fuzz_seconds" || status=1
  echo "== soak, ${soak_seconds} s"
  local rc=0
  bash tests/soak/soak.sh --seconds "$soak_seconds" "$PWD/build" || rc=$?
  if [ $rc -eq 77 ]; then echo "   skipped"; elif [ $rc -ne 0 ]; then status=1; fi
  echo "== in a browser"
  run_web_tests || status=1
  return $status
}

case "${1:-}" in
  run)
    install_packages "${BUILD_PACKAGES[@]}"
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMUSICDISK_TESTS=OFF -DMUSICDISK_TOOLS=OFF \
      -DMUSICDISK_BENCH=OFF >/dev/null
    cmake --build build --target musicdisk -j"$(nproc)"
    exec ./build/musicdisk
    ;;
  test)
    install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${WEB_PACKAGES[@]}"
    install_npm
    run_tests "${2:-}"
    ;;
  web)
    disk=$PWD
    if [ "${2:-}" = --disk ] && [ -n "${3:-}" ]; then
      disk=$3
    elif [ -n "${2:-}" ]; then
      echo "usage: $0 web [--disk DIR]" >&2
      exit 2
    fi
    [ -d "$disk" ] || { echo "no such folder: $disk" >&2; exit 2; }
    # The data folder itself names its disk's folder.
    [ -e "$disk/disk.cfg" ] && [ ! -d "$disk/data" ] && disk=$disk/..
    install_packages "${BUILD_PACKAGES[@]}" "${WEB_PACKAGES[@]}"
    build_web "$disk" OFF
    ;;
  package)
    install_packages "${BUILD_PACKAGES[@]}"
    # Built with Debian's hardening flags, as a package built on Debian is.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
      CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
      LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
      cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMUSICDISK_TESTS=OFF -DMUSICDISK_TOOLS=ON \
      -DMUSICDISK_BENCH=OFF >/dev/null
    cmake --build build-package -j"$(nproc)"
    (cd build-package && cpack -G DEB)
    ;;
  *)
    echo "usage: $0 run | test [--long] | package | web [--disk DIR]" >&2
    exit 2
    ;;
esac
