# Sourced before any emcc, em++ or emcmake call: makes Debian's emscripten work
# offline. It ships its system libraries prebuilt in a read-only cache; a
# writable copy of that cache lets it lock and add to it, and freezing nothing
# (EM_FROZEN_CACHE empty) lets it build what the copy lacks. Its JavaScript
# tools find acorn and friends in Debian's shared node modules.
#   MUSICDISK_WEB_CACHE  where the dependency cache lives
#                        (default ~/.cache/musicdisk-web)
MUSICDISK_WEB_CACHE=${MUSICDISK_WEB_CACHE:-$HOME/.cache/musicdisk-web}
export MUSICDISK_WEB_CACHE

musicdisk_em_version() {
  emcc --version 2>/dev/null | sed -n '1s/.* \([0-9][0-9.]*\) .*/\1/p'
}

musicdisk_web_env() {
  local shipped=/usr/share/emscripten/cache version copy
  version=$(musicdisk_em_version)
  [ -n "$version" ] || { echo "emcc not found (install the emscripten package)" >&2; return 1; }
  copy="$MUSICDISK_WEB_CACHE/emcache-$version"
  if [ ! -e "$copy/.complete" ]; then
    mkdir -p "$MUSICDISK_WEB_CACHE"
    rm -rf "$copy.tmp"
    cp -a "$shipped" "$copy.tmp"
    chmod -R u+w "$copy.tmp"
    rm -rf "$copy"
    mv "$copy.tmp" "$copy"
    touch "$copy/.complete"
  fi
  export EM_CACHE="$copy"
  export EM_FROZEN_CACHE=
  export NODE_PATH=/usr/share/nodejs
}

musicdisk_web_env
