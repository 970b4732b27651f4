#!/usr/bin/env bash
# Installs every Debian package that building, running and testing need.
# Quick when they are all there already.
set -eu
pkgs="g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-x86-64
 wine wine64 xvfb xauth fonts-ipafont-gothic fonts-morisawa-bizud-gothic cmake ninja-build googletest imagemagick openssl
 python3 procps psmisc util-linux locales iproute2 clang-format-14"
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  # No wine32:i386: these machines can't run 32-bit programs, and with it
  # installed wine tries the 32-bit loader first.
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
fi
# Wine passes command-line arguments through the Unix locale: without a real
# ja_JP.UTF-8 locale, Japanese arguments to our tools lose their high bits.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
