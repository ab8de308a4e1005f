#!/usr/bin/env bash
# Installs from Debian's packages whatever the build, the tests and the run command need and
# this machine lacks. Safe to run again: it does nothing when everything is there.
set -euo pipefail
packages=(
  cmake make g++ clang libclang-rt-14-dev python3 zlib1g-dev googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32 binutils-mingw-w64 libz-mingw-w64-dev
  wine wine64 fonts-wine xvfb xauth x11-utils imagemagick locales
  zip unzip p7zip-full libarchive-tools valgrind
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# Russian code pages (1251 and 866) inside Wine come from the Unix locale.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
