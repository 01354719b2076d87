#!/bin/bash
# Installs what is missing, builds, and runs the viewer under Wine (starting
# Xvfb when there is no display): the 32-bit viewer where this machine runs
# 32-bit code, else the 64-bit one. The viewer runs in a private network
# namespace, so its broadcasts never reach a real network.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bash "$ROOT/scripts/setup.sh"
arch="${ORLIX_ARCH:-$(runnable_arches | head -n1)}"
build_all
echo "run: the $arch viewer ($BUILD/$arch/Orlix.exe)"
exec python3 "$ROOT/tests/system/harness.py" viewer --build "$BUILD/$arch" \
     --locale "${ORLIX_LOCALE:-${LANG:-zh_CN.UTF-8}}" -- "$@"
