#!/bin/sh
# Rewrites the reference images of the screen tests from the current rendering.
# Usage: tests/platform/screens/update_references.sh [build folder, default: build]
# Look at the new images before committing them.
set -e
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-"$root/build"}
cmake --build "$build" --target platform_screens
cd "$root"
MUSICDISK_UPDATE_REFERENCES=1 "$build/tests/platform_screens"
git -C "$root" status --short tests/platform/screens/reference
