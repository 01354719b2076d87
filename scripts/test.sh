#!/bin/bash
# Installs what is missing, builds both architectures, makes the release
# files, retakes the screenshots and runs every test with CTest, on each
# architecture this machine can run (both where it can). Says which ran and
# which could not run here; fails when it can run neither.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bash "$ROOT/scripts/setup.sh"
if ! tested="$(runnable_arches)"; then
  echo "test: this machine can run no Windows programs under Wine" >&2
  exit 1
fi
mapfile -t tested <<<"$tested"
build_all
# The release files, which the package test installs and runs.
package_all
# The README's screenshots must still be takeable from the current program.
ORLIX_SKIP_BUILD=1 ORLIX_SHOT_DIR="$BUILD/screenshots" bash "$ROOT/scripts/screenshots.sh"
rc=0
for arch in "${tested[@]}"; do
  echo "test: $arch programs ($BUILD/$arch)"
  ctest --test-dir "$BUILD/$arch" --output-on-failure -j2 "$@" || rc=1
done
echo
for arch in "${ARCHES[@]}"; do
  if [[ " ${tested[*]} " == *" $arch "* ]]; then
    echo "test: $arch: built, packaged and tested"
  else
    echo "test: $arch: built and packaged; not tested: this machine cannot run $arch programs"
  fi
done
exit $rc
