# Sourced by every script that runs Windows programs under Wine: whether this machine runs 32-bit
# x86 programs (some kernels run none, and then no 32-bit Wine either), which build of the plug-in
# and host to run, and a fresh Wine prefix of that width. Defines functions and variables only.
#
# QVX_NO_32BIT=1 forces the answer "no", so the 64-bit path can be tried on any machine.

qvx_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Succeeds when the kernel runs 32-bit x86 programs. The answer is found once per script.
qvx_kernel_runs_32bit() {
  if [ -z "${qvx_kernel_32bit:-}" ]; then
    qvx_kernel_32bit=no
    local probe
    probe=$(mktemp -d /tmp/qvx-probe.XXXXXX)
    # The smallest i386 program: exit(0) through the 32-bit system call gate.
    printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$probe/p.s"
    if as --32 "$probe/p.s" -o "$probe/p.o" 2>/dev/null &&
      ld -m elf_i386 "$probe/p.o" -o "$probe/p" 2>/dev/null; then
      "$probe/p" 2>/dev/null && qvx_kernel_32bit=yes
    elif [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
      qvx_kernel_32bit=yes  # no assembler: the 32-bit Wine loader is an i386 program too
    fi
    rm -rf "$probe"
  fi
  [ "$qvx_kernel_32bit" = yes ]
}

# Succeeds when the 32-bit module can be run here: 32-bit programs run and 32-bit Wine is
# installed (setup may have had to go on without it). Otherwise qvx_no_32bit_reason says why.
qvx_runs_32bit() {
  if [ "${QVX_NO_32BIT:-0}" = 1 ]; then
    qvx_no_32bit_reason="QVX_NO_32BIT=1 is set"
  elif ! qvx_kernel_runs_32bit; then
    qvx_no_32bit_reason="this machine runs no 32-bit programs"
  elif [ ! -x /usr/lib/wine/wine ]; then
    qvx_no_32bit_reason="32-bit Wine (wine32:i386) is not installed"
  else
    return 0
  fi
  return 1
}

# Sets what a script needs to run the Windows build of the given width (32 or 64): the preset,
# the module, the host, and the runner that starts a program under the matching Wine.
qvx_wine_width() {
  qvx_width=$1
  if [ "$qvx_width" = 32 ]; then
    qvx_preset=win32 qvx_module=qvx.wlx qvx_runner="$qvx_root/cmake/wine-run.sh"
  else
    qvx_preset=win64 qvx_module=qvx.wlx64 qvx_runner="$qvx_root/cmake/wine64-run.sh"
  fi
  qvx_plugin="$qvx_root/build/$qvx_preset/$qvx_module"
  qvx_host="$qvx_root/build/$qvx_preset/qvxhost.exe"
}

# Makes a fresh Wine prefix of the given width in DIR and waits until Wine has finished setting it
# up (a window made while a prefix is still being set up can fail). On failure says why, with the
# end of Wine's own output, and returns non-zero.
qvx_prepare_prefix() {
  local prefix=$1 width=$2 status=0
  local log="$prefix.wineboot.log"
  if [ "$width" = 32 ]; then
    WINEARCH=win32 WINEPREFIX="$prefix" WINEDEBUG=-all wineboot -i >"$log" 2>&1 || status=$?
  else
    WINEARCH=win64 WINEPREFIX="$prefix" WINEDEBUG=-all /usr/lib/wine/wine64 wineboot -i \
      >"$log" 2>&1 || status=$?
  fi
  if [ "$status" -ne 0 ]; then
    echo "a $width-bit Wine prefix could not be made in $prefix: wineboot exited with $status" >&2
    [ "$status" -ne 126 ] || echo "(126: this machine cannot execute that Wine loader)" >&2
    tail -n 5 "$log" >&2
    return 1
  fi
  WINEPREFIX="$prefix" wineserver -w
}

# Stops the Wine server of each prefix given (ignoring those that never started).
qvx_stop_prefixes() {
  local prefix
  for prefix in "$@"; do
    if [ -d "$prefix" ]; then WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; fi
  done
}

# The Windows form of a Linux path, as Wine sees it: drive Z: is the root.
qvx_winpath() { printf 'Z:%s' "$(realpath "$1" | tr / '\\')"; }
