#!/bin/bash
# Takes the README's pictures of the main window from the real Orlix.exe under
# Wine: docs/screenshot-en.png (English locale, the shipped English.lng) and
# docs/screenshot-zh.png (Chinese locale, the built-in texts). Fails, and keeps
# the old pictures, when either cannot be taken as expected. Uses the 32-bit
# programs where this machine runs them, else the 64-bit ones.
#   ORLIX_SHOT_DIR=DIR   write the pictures there instead of docs/
set -euo pipefail
source "$(dirname "$0")/lib.sh"
OUT="${ORLIX_SHOT_DIR:-$ROOT/docs}"
bash "$ROOT/scripts/setup.sh"
arch="${ORLIX_ARCH:-$(runnable_arches | head -n1)}"
[ -n "${ORLIX_SKIP_BUILD:-}" ] || build_all
mkdir -p "$OUT"
for lang in en zh; do
  ORLIX_SHOT_LANG=$lang ORLIX_SHOT_DIR="$OUT" \
    python3 "$ROOT/tests/system/harness.py" run --build "$BUILD/$arch" "$ROOT/tests/system/shots.py"
done
echo "screenshots ($arch): $OUT/screenshot-en.png $OUT/screenshot-zh.png"
