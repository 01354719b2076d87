# Shared by the entry-point scripts (sourced, not run).
#   BUILD        the build folder (ORLIX_BUILD_DIR, default build/)
#   BUILD/win32  the i686 tree: the 32-bit programs, the primary deliverables
#   BUILD/win64  the x86-64 tree: the 64-bit programs
#   BUILD/package  the release files: a zip per architecture and one installer
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${ORLIX_BUILD_DIR:-$ROOT/build}"
PACKAGE_DIR="$BUILD/package"
ARCHES=(win32 win64)

toolchain_of() {
  case "$1" in
    win32) echo "$ROOT/cmake/mingw-i686.cmake" ;;
    win64) echo "$ROOT/cmake/mingw-x86_64.cmake" ;;
  esac
}

# The architectures whose programs this machine can run, primary first
# (win32 needs a kernel that runs 32-bit code). Fails loudly when none.
runnable_arches() {
  python3 "$ROOT/tests/system/harness.py" probe
}

# Configures and builds both trees, whatever this machine can run. The
# platform-free logic's native tests are built in the first tree this
# machine can test (ORLIX_NATIVE_TESTS_IN, default: the first runnable).
build_all() {
  local native="${ORLIX_NATIVE_TESTS_IN:-$(runnable_arches 2>/dev/null | head -n1)}"
  local arch
  for arch in "${ARCHES[@]}"; do
    local on=OFF
    [ "$arch" = "${native:-win32}" ] && on=ON
    cmake -S "$ROOT" -B "$BUILD/$arch" -G Ninja \
          -DCMAKE_TOOLCHAIN_FILE="$(toolchain_of "$arch")" -DCMAKE_BUILD_TYPE=Release \
          -DORLIX_NATIVE_TESTS=$on -DORLIX_PACKAGE_DIR="$PACKAGE_DIR" >/dev/null
    echo "build: $arch ($BUILD/$arch)"
    cmake --build "$BUILD/$arch" -j"$(nproc)"
  done
}

# The release files into BUILD/package, and the same installer built with the
# 64-bit stub into BUILD/win64/installer-amd64 (not a release file: the tests
# install it where no 32-bit program, so no x86 installer, can run).
package_all() {
  rm -rf "$PACKAGE_DIR"
  local arch
  for arch in "${ARCHES[@]}"; do
    cmake --build "$BUILD/$arch" --target package_zip
  done
  cmake -DWIN32_TREE="$BUILD/win32" -DWIN64_TREE="$BUILD/win64" -DOUT_DIR="$PACKAGE_DIR" \
        -P "$ROOT/installer/MakeInstaller.cmake"
  rm -rf "$BUILD/win64/installer-amd64"
  cmake -DWIN32_TREE="$BUILD/win32" -DWIN64_TREE="$BUILD/win64" \
        -DOUT_DIR="$BUILD/win64/installer-amd64" -DSTUB=amd64-unicode \
        -P "$ROOT/installer/MakeInstaller.cmake"
}
