#!/usr/bin/env bash
# Installs the Debian packages named that are missing. Those after --32bit are installed apart,
# and only where the kernel runs 32-bit programs (never with QVX_NO_32BIT=1): when only they fail,
# one line says so and the scripts take the 64-bit module, as on a machine without 32-bit support.
#
#   bash scripts/install_packages.sh PACKAGE... [--32bit PACKAGE...]
#
# A package index that still fails after a few tries is named in one warning line and passed over:
# mirrors fall out of step now and then, often for an index nothing here needs. Exit status 0 when
# every package before --32bit is installed at the end; otherwise 1, after naming the packages apt
# could not install and apt's own message.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine.sh"
source "$(dirname "${BASH_SOURCE[0]}")/apt.sh"

required=()
extra32=()
target=required
for arg in "$@"; do
  if [ "$arg" = --32bit ]; then target=extra32; continue; fi
  if [ "$target" = required ]; then required+=("$arg"); else extra32+=("$arg"); fi
done

# The packages given that are not installed, one a line.
missing_of() {
  local p status
  for p in "$@"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || echo "$p"
  done
}

# Installs the packages given; on failure leaves apt's output in install_output.
install_output=
apt_install() {
  install_output=$(as_root apt-get install -y -qq --no-install-recommends "$@" 2>&1)
}

# The packages among those given that apt cannot install even alone (simulated, nothing changes);
# all of them when each alone would do and only together they cannot.
uninstallable() {
  local p failed=()
  for p in "$@"; do
    apt-get install -s -qq --no-install-recommends "$p" >/dev/null 2>&1 || failed+=("$p")
  done
  [ ${#failed[@]} -gt 0 ] || failed=("$@")
  echo "${failed[*]}"
}

# apt's lines that say what went wrong, for a message.
apt_reason() {
  grep -E '^(E: | .*: (Depends|PreDepends|Conflicts|Breaks):)' <<<"$1" | head -n 20 || true
}

export DEBIAN_FRONTEND=noninteractive
mapfile -t missing < <(missing_of "${required[@]}")
updated=
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  apt_update
  updated=1
  if ! apt_install "${missing[@]}"; then
    echo "setup: apt-get could not install $(uninstallable "${missing[@]}"):" >&2
    apt_reason "$install_output" | sed 's/^/setup:   /' >&2
    exit 1
  fi
fi

[ ${#extra32[@]} -gt 0 ] || exit 0
mapfile -t missing32 < <(missing_of "${extra32[@]}")
[ ${#missing32[@]} -gt 0 ] || exit 0
if [ "${QVX_NO_32BIT:-0}" = 1 ] || ! qvx_kernel_runs_32bit; then
  # Quiet: the test and demo scripts say which module they take and why.
  exit 0
fi
echo "setup: installing the 32-bit packages ${missing32[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
  updated=
fi
[ -n "$updated" ] || apt_update
if ! apt_install "${missing32[@]}"; then
  reason=$(grep '^E: ' <<<"$install_output" | head -n 1 | cut -c4-)
  echo "setup: the 32-bit packages ${missing32[*]} could not be installed (${reason:-apt gave no reason});" \
    "the scripts take the 64-bit module instead, as on a machine that runs no 32-bit programs" >&2
fi
exit 0
