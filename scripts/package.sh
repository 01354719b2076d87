#!/bin/bash
# Builds the release from a clone: build/package/Orlix-<version>-win32.zip and
# build/package/Orlix-<version>-win32-setup.exe (the per-user installer), both
# made by CPack from the same install rules (cmake/Packaging.cmake).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${ORLIX_BUILD_DIR:-$ROOT/build}"
bash "$ROOT/scripts/setup.sh"
ORLIX_BUILD_DIR="$BUILD" bash "$ROOT/scripts/build.sh"
rm -rf "$BUILD/package"
cmake --build "$BUILD" --target package_zip package_installer
ls -l "$BUILD"/package/*
