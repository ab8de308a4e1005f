#!/usr/bin/env bash
# Installs from Debian's packages whatever the build, the tests and the run command need and
# this machine lacks, and makes 32-bit Windows programs (the shipping build) start under Wine.
# Safe to run again: it does nothing when everything is there.
set -euo pipefail
sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
packages=(
  cmake make g++ clang libclang-rt-14-dev python3 zlib1g-dev googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32 binutils-mingw-w64 libz-mingw-w64-dev
  wine wine64 wine32:i386 qemu-user fonts-wine xvfb xauth x11-utils imagemagick locales
  zip unzip p7zip-full libarchive-tools valgrind
)
# Wine's 32-bit half comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "adding the i386 architecture (for wine32)"
  $sudo dpkg --add-architecture i386
  updated=""
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ -n "${updated+x}" ]; then
  $sudo apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# Russian code pages (1251 and 866) inside Wine come from the Unix locale.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then
  $sudo sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi

# Wine's 32-bit loader is a 32-bit Linux program. A kernel that cannot run those itself gets
# qemu-user's i386 emulator registered for them (flag F: the emulator is opened now, so the
# registration works in containers and chroots too). The shipping build's tests need it: fail
# here, loudly, rather than later in every 32-bit test.
wine32=/usr/lib/wine/wine
runs_32bit() { "$wine32" --version >/dev/null 2>&1; }
if ! runs_32bit; then
  binfmt=/proc/sys/fs/binfmt_misc
  fail() {
    echo "install-deps: cannot make 32-bit programs start: $*" >&2
    echo "install-deps: the shipping build's tests need Wine's 32-bit loader ($wine32) to run;" \
         "register qemu-i386 with binfmt_misc as root (flag F) or use a kernel with 32-bit support" >&2
    exit 1
  }
  if ! mountpoint -q "$binfmt"; then
    $sudo mount -t binfmt_misc binfmt_misc "$binfmt" || fail "binfmt_misc cannot be mounted on $binfmt"
  fi
  qemu=$(command -v qemu-i386) || fail "qemu-i386 is not installed"
  if [ -e "$binfmt/qemu-i386" ]; then
    # Registered, but off or for another emulator: register it again as needed.
    if ! grep -qx enabled "$binfmt/qemu-i386" || ! grep -q '^flags: .*F' "$binfmt/qemu-i386"; then
      echo -1 | $sudo tee "$binfmt/qemu-i386" >/dev/null || fail "the old qemu-i386 entry cannot be removed"
    fi
  fi
  if [ ! -e "$binfmt/qemu-i386" ]; then
    echo "registering $qemu for 32-bit programs (binfmt_misc)"
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf '%s' ":qemu-i386:M::$magic:$mask:$qemu:F" | $sudo tee "$binfmt/register" >/dev/null ||
      fail "the kernel refused the registration of qemu-i386"
  fi
  runs_32bit || fail "$wine32 still does not start after the registration"
fi
