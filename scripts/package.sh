#!/bin/bash
# Builds the release from a clone into build/package/: Orlix-<version>-win32.zip
# (32-bit programs), Orlix-<version>-win64.zip (64-bit programs) and
# Orlix-<version>-setup.exe, the per-user installer that puts the 64-bit
# programs on 64-bit Windows and the 32-bit ones elsewhere.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bash "$ROOT/scripts/setup.sh"
build_all
package_all
ls -l "$PACKAGE_DIR"
