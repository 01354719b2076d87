#!/bin/bash
# Installs what building, running and testing need on Debian 12; does nothing
# when everything is already there. Both mingw-w64 cross compilers always;
# Wine's 64-bit loader always, its 32-bit one only where the kernel runs
# 32-bit code (elsewhere every i386 program fails with "Exec format error").
set -euo pipefail

# A 93-byte i386 Linux program that exits with 0: does this kernel run it?
runs_32bit_code() {
  local probe
  probe="$(mktemp)"
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  local rc=0
  "$probe" 2>/dev/null || rc=1
  rm -f "$probe"
  return $rc
}

PKGS=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
      g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
      wine64 xvfb xauth xdotool imagemagick fonts-wqy-zenhei
      fonts-wine locales iproute2 util-linux python3 cmake ninja-build g++
      googletest nsis zip unzip clang libclang-rt-14-dev tmux libboost1.81-dev)
want_i386=0
if runs_32bit_code; then
  want_i386=1
  PKGS+=(wine wine32:i386)
else
  echo "setup: this kernel runs no 32-bit code: 64-bit Wine only (the 32-bit programs are built, not run)"
fi
missing=()
for p in "${PKGS[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  if ((want_i386)); then
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
# rsyslog: the syslog forwarding test starts its own private rsyslogd inside
# the test's network namespace. The package's own service must not start on
# this machine: where no policy says so already, one says so for the install.
if ! dpkg -s rsyslog >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  policy=/usr/sbin/policy-rc.d
  added_policy=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
    $SUDO chmod +x "$policy"
    added_policy=1
  fi
  echo "setup: installing rsyslog (its service is not started)"
  $SUDO apt-get update -qq
  rc=0
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends rsyslog || rc=$?
  if ((added_policy)); then $SUDO rm -f "$policy"; fi
  [ "$rc" = 0 ] || exit "$rc"
  # A system without the policy mechanism may have started it all the same.
  if command -v systemctl >/dev/null 2>&1 && [ -d /run/systemd/system ]; then
    $SUDO systemctl disable --now rsyslog >/dev/null 2>&1 || true
  fi
fi
# Locales the tests run the viewer under (Chinese for the built-in texts,
# English for the shipped language file).
for loc in zh_CN en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc}\.utf-\?8$"; then
    localedef -i "$loc" -f UTF-8 "$loc.UTF-8" || true
  fi
done
