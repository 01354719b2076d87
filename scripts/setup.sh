#!/bin/bash
# Installs what building, running and testing need on Debian 12; does nothing
# when everything is already there.
set -euo pipefail
PKGS=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
      wine wine32:i386 wine64 xvfb xauth xdotool imagemagick fonts-wqy-zenhei
      fonts-wine locales iproute2 util-linux python3 cmake ninja-build g++
      googletest nsis zip unzip)
missing=()
for p in "${PKGS[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
# Locales the tests run the viewer under (Chinese for the built-in texts,
# English for the shipped language file).
for loc in zh_CN en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc}\.utf-\?8$"; then
    localedef -i "$loc" -f UTF-8 "$loc.UTF-8" || true
  fi
done
