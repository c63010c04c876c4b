#!/usr/bin/env bash
# Builds the libraries the browser build links, for WebAssembly, from Debian's
# source packages: SDL2, libopenmpt, libsamplerate, GoogleTest, and kissfft's
# sources. Everything lands in a cache outside the clone,
#   ${MUSICDISK_WEB_CACHE:-~/.cache/musicdisk-web}/<key>/prefix   include/, lib/
#   ${MUSICDISK_WEB_CACHE:-~/.cache/musicdisk-web}/<key>/src/kissfft
# where <key> follows the package versions, the emscripten version and this
# script's RECIPE, so a second run with nothing changed does nothing. Each
# library is stamped when done: an interrupted run goes on where it stopped.
# Prints the prefix as its last line. Needs root or sudo the first time (it adds
# a deb-src entry beside the machine's Debian sources).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"

# Bump when a build flag below changes: the cache key follows it.
RECIPE=1
PACKAGES=(libsdl2 libopenmpt libsamplerate kissfft googletest)
JOBS=${MUSICDISK_WEB_JOBS:-$(nproc)}
cache=$MUSICDISK_WEB_CACHE

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# A deb-src twin of every deb entry in the machine's deb822 sources, so that
# `apt-get source` fetches from the same archive and suite as the binaries.
ensure_deb_src() {
  local list=/etc/apt/sources.list.d/musicdisk-deb-src.sources
  apt-get source --print-uris -qq libsdl2 2>/dev/null | grep -q '\.dsc' && return 0
  local found=0 f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] && [ "$f" != "$list" ] || continue
    grep -q '^Types:.*\bdeb\b' "$f" || continue
    sed -n 's/^Types:.*$/Types: deb-src/;p' "$f" | as_root tee -a "$list.tmp" >/dev/null
    echo | as_root tee -a "$list.tmp" >/dev/null
    found=1
  done
  if [ $found -eq 1 ]; then
    as_root mv "$list.tmp" "$list"
  else
    sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list |
      as_root tee /etc/apt/sources.list.d/musicdisk-deb-src.list >/dev/null
  fi
  as_root apt-get update -qq
}

source_version() {  # package
  apt-get source --print-uris -qq "$1" | sed -n "s/.* $1_\(.*\)\.dsc .*/\1/p" | head -1
}

# Unpacks the package's source once into <cache>/sources/<pkg>_<version>/ and
# prints the unpacked folder.
fetch_source() {  # package version
  local dir="$cache/sources/$1_$2"
  if [ ! -e "$dir/.complete" ]; then
    rm -rf "$dir" && mkdir -p "$dir"
    (cd "$dir" && apt-get source -qq "$1=$2" >&2)
    touch "$dir/.complete"
  fi
  find "$dir" -mindepth 1 -maxdepth 1 -type d | head -1
}

build_sdl2() {  # source build prefix
  emcmake cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$3" \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF >"$2.log" 2>&1
  cmake --build "$2" -j"$JOBS" >>"$2.log" 2>&1
  cmake --install "$2" >>"$2.log" 2>&1
}

build_samplerate() {  # source build prefix
  emcmake cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$3" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF -DLIBSAMPLERATE_EXAMPLES=OFF >"$2.log" 2>&1
  cmake --build "$2" -j"$JOBS" >>"$2.log" 2>&1
  cmake --install "$2" >>"$2.log" 2>&1
}

build_googletest() {  # source build prefix
  emcmake cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$3" \
    -DCMAKE_CXX_FLAGS=-fexceptions -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=ON >"$2.log" 2>&1
  cmake --build "$2" -j"$JOBS" >>"$2.log" 2>&1
  cmake --install "$2" >>"$2.log" 2>&1
}

# libopenmpt's core alone, the list of sources read from its Makefile.am. With
# no MPT_WITH_* define it uses its own fallbacks and needs no other library.
# Built with exception support: it reports bad modules by throwing.
build_openmpt() {  # source build prefix
  local src=$1 build=$2 prefix=$3
  mkdir -p "$build/obj"
  {
    awk '/^MPT_FILES_(SRC_MPT|SRC_OPENMPT|COMMON|SOUNDBASE|SOUNDLIB|SOUNDDSP) *\+?=/ {print $3}' "$src/Makefile.am" |
      grep '\.cpp$'
    awk '/^libopenmpt_la_SOURCES *\+?=/ {print $3}' "$src/Makefile.am" | grep '\.cpp$'
  } >"$build/sources.txt"
  export src build
  xargs -P "$JOBS" -I{} sh -c '
    obj="$build/obj/$(echo "{}" | tr / _).o"
    [ -e "$obj" ] && exit 0
    em++ -std=c++17 -O2 -fexceptions -DLIBOPENMPT_BUILD -DNDEBUG \
      -I"$src/build/svn_version" -I"$src" -I"$src/src" -I"$src/common" \
      -c "$src/{}" -o "$obj.tmp" && mv "$obj.tmp" "$obj"' <"$build/sources.txt" >"$build.log" 2>&1
  rm -f "$prefix/lib/libopenmpt.a"
  mkdir -p "$prefix/lib" "$prefix/include/libopenmpt"
  emar rcs "$prefix/lib/libopenmpt.a" "$build"/obj/*.o
  cp "$src"/libopenmpt/libopenmpt.h "$src"/libopenmpt/libopenmpt.hpp "$src"/libopenmpt/libopenmpt_config.h \
    "$src"/libopenmpt/libopenmpt_version.h "$src"/libopenmpt/libopenmpt_ext.h "$src"/libopenmpt/libopenmpt_ext.hpp \
    "$src"/libopenmpt/libopenmpt_stream_callbacks_*.h "$prefix/include/libopenmpt/"
}

copy_kissfft() {  # source destination
  mkdir -p "$2"
  cp "$1"/kiss_fft.c "$1"/kiss_fft.h "$1"/kiss_fftr.c "$1"/kiss_fftr.h "$1"/_kiss_fft_guts.h \
    "$1"/kiss_fft_log.h "$2/"
}

build_one() {  # package (uses root, prefix, version from main)
  local p=$1 start srcdir
  [ -e "$root/stamps/$p" ] && return 0
  start=$(date +%s)
  srcdir=$(fetch_source "$p" "${version[$p]}")
  echo "building $p ${version[$p]} for WebAssembly (log: $root/build/$p.log)" >&2
  case $p in
    libsdl2) build_sdl2 "$srcdir" "$root/build/$p" "$prefix" ;;
    libopenmpt) build_openmpt "$srcdir" "$root/build/$p" "$prefix" ;;
    libsamplerate) build_samplerate "$srcdir" "$root/build/$p" "$prefix" ;;
    googletest) build_googletest "$srcdir" "$root/build/$p" "$prefix" ;;
    kissfft) copy_kissfft "$srcdir" "$root/src/kissfft" ;;
  esac || { echo "building $p failed; see $root/build/$p.log" >&2; return 1; }
  echo "  $p: $(($(date +%s) - start)) s" >&2
  touch "$root/stamps/$p"
}

main() {
  ensure_deb_src
  local versions="recipe $RECIPE"$'\n'"emscripten $(musicdisk_em_version)" p v
  declare -A version
  for p in "${PACKAGES[@]}"; do
    v=$(source_version "$p")
    [ -n "$v" ] || { echo "no Debian source package for $p" >&2; exit 1; }
    version[$p]=$v
    versions+=$'\n'"$p $v"
  done
  local key="em$(musicdisk_em_version)-$(echo "$versions" | sha256sum | cut -c1-12)"
  local root="$cache/$key" prefix="$cache/$key/prefix"
  mkdir -p "$root/stamps" "$root/build"
  echo "$versions" >"$root/versions.txt"

  # One build at a time per cache: a second caller waits, then finds it done.
  exec 9>"$cache/.lock"
  flock 9

  # SDL's configure runs one check at a time for minutes: the others build beside it.
  build_one libsdl2 &
  local sdl=$! status=0
  for p in "${PACKAGES[@]}"; do
    [ "$p" = libsdl2 ] || build_one "$p" || status=1
  done
  wait $sdl || status=1
  [ $status -eq 0 ] || exit 1
  echo "$prefix"
}

main "$@"
