#!/usr/bin/env bash
# Installs what building and testing QVX needs on a Debian machine, only what is missing.
# Safe to run again: quiet when everything is already there.
set -euo pipefail

packages=(
  cmake g++ make git binutils clang-format
  libgtest-dev googletest libgmock-dev
  g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb xauth
  nlohmann-json3-dev
  cc1541 cbmconvert
  clang libclang-rt-14-dev
  libbenchmark-dev
  python3 python3-fonttools fonts-sixtyfour imagemagick
  zip
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}" >&2
as_root apt-get update -qq
as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
