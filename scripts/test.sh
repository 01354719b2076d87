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
ctest --test-dir "$BUILD" --output-on-failure -j2 "$@"
