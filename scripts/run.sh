#!/bin/bash
# Installs what is missing, builds, and runs the viewer under Wine (starting
# Xvfb when there is no display). The viewer runs in a private network
# namespace, so its broadcasts never reach a real network.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${ORLIX_BUILD_DIR:-$ROOT/build}"
bash "$ROOT/scripts/setup.sh"
ORLIX_BUILD_DIR="$BUILD" bash "$ROOT/scripts/build.sh"
exec python3 "$ROOT/tests/system/harness.py" viewer --build "$BUILD" --locale "${ORLIX_LOCALE:-${LANG:-zh_CN.UTF-8}}" -- "$@"
