#!/bin/bash
# Cross-builds the Windows programs of both architectures (and the native
# logic tests) into build/win32 and build/win64.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build_all
