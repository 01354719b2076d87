#!/bin/bash
# Takes the README's pictures of the main window from the real Orlix.exe under
# Wine: docs/screenshot-en.png (English locale, the shipped English.lng) and
# docs/screenshot-zh.png (Chinese locale, the built-in texts). Fails, and keeps
# the old pictures, when either cannot be taken as expected.
#   ORLIX_SHOT_DIR=DIR   write the pictures there instead of docs/
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${ORLIX_BUILD_DIR:-$ROOT/build}"
OUT="${ORLIX_SHOT_DIR:-$ROOT/docs}"
bash "$ROOT/scripts/setup.sh"
ORLIX_BUILD_DIR="$BUILD" bash "$ROOT/scripts/build.sh"
# The automation driver is built with the tests once its targets exist.
if [ ! -f "$ROOT/tests/system/driver/targets.cmake" ]; then
  i686-w64-mingw32-g++-posix -std=c++20 -O2 -static -municode -DUNICODE -D_UNICODE \
    "$ROOT/tests/system/driver/orlixdrv.cpp" -o "$BUILD/orlixdrv.exe" \
    -luser32 -lcomctl32 -lgdi32
fi
mkdir -p "$OUT"
for lang in en zh; do
  ORLIX_SHOT_LANG=$lang ORLIX_SHOT_DIR="$OUT" \
    python3 "$ROOT/tests/system/harness.py" run --build "$BUILD" "$ROOT/tests/system/shots.py"
done
echo "screenshots: $OUT/screenshot-en.png $OUT/screenshot-zh.png"
