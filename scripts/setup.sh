#!/usr/bin/env bash
# Installs what building and testing QVX needs on a Debian machine, only what is missing.
# Safe to run again: quiet when everything is already there. 32-bit Wine only where the kernel
# runs 32-bit programs; see scripts/install_packages.sh for what happens when apt fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/apt.sh

packages=(
  cmake g++ make git binutils clang-format
  libgtest-dev googletest libgmock-dev
  g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth
  nlohmann-json3-dev
  cc1541 cbmconvert mame-tools
  clang libclang-rt-14-dev
  libbenchmark-dev
  python3 python3-fonttools fonts-sixtyfour imagemagick libpng-dev python3-jsonschema
  zip dpkg-dev lintian mmdebstrap
  qtbase5-dev libgtk2.0-dev pkg-config
  doublecmd-qt libgtk2.0-0 xdotool xclip x11-utils openbox
)

# Needed where 32-bit programs run: the 32-bit module's tests.
packages32=(wine32:i386)

bash scripts/install_packages.sh "${packages[@]}" --32bit "${packages32[@]}"

# The GTK2 build of Double Commander, for the plug-in's tests: its package conflicts with the Qt5
# one, so only its program is unpacked, into a folder of its own beside links to everything else
# the installed build has. Redone when the installed version changes.
gtk_dir=/usr/local/lib/qvx/doublecmd-gtk
dc_version=$(dpkg-query -W -f='${Version}' doublecmd-common)
if [ "$(cat "$gtk_dir/VERSION" 2>/dev/null || true)" != "$dc_version" ]; then
  echo "setup: unpacking doublecmd-gtk $dc_version into $gtk_dir" >&2
  apt_update
  unpack=$(mktemp -d)
  trap 'rm -rf "$unpack"' EXIT
  # apt's own download user cannot write into a private temporary folder.
  sandbox=()
  [ "$(id -u)" -ne 0 ] || sandbox=(-o APT::Sandbox::User=root)
  (cd "$unpack" && apt-get download -qq "${sandbox[@]}" "doublecmd-gtk=$dc_version" >/dev/null)
  dpkg -x "$unpack"/doublecmd-gtk_*.deb "$unpack/root"
  as_root rm -rf "$gtk_dir"
  as_root mkdir -p "$gtk_dir"
  as_root cp "$unpack/root/usr/lib/doublecmd/doublecmd" "$gtk_dir/doublecmd"
  for entry in /usr/lib/doublecmd/*; do
    [ "$(basename "$entry")" = doublecmd ] || as_root ln -s "$entry" "$gtk_dir/"
  done
  echo "$dc_version" | as_root tee "$gtk_dir/VERSION" >/dev/null
fi
