#!/bin/bash
# Installs what is missing, builds everything and runs every test with CTest.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${ORLIX_BUILD_DIR:-$ROOT/build}"
bash "$ROOT/scripts/setup.sh"
ORLIX_BUILD_DIR="$BUILD" bash "$ROOT/scripts/build.sh"
# The release files, which the package test installs and runs.
rm -rf "$BUILD/package"
cmake --build "$BUILD" --target package_zip package_installer
# The README's screenshots must still be takeable from the current program.
ORLIX_SHOT_DIR="$BUILD/screenshots" bash "$ROOT/scripts/screenshots.sh"
ctest --test-dir "$BUILD" --output-on-failure -j2 "$@"
