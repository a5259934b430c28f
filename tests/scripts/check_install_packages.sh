#!/usr/bin/env bash
# The decisions of scripts/install_packages.sh, each against stand-ins for apt-get, dpkg,
# dpkg-query and the assembler and linker of the 32-bit probe, put early on PATH: nothing is
# installed and no network is used.
#
#   bash check_install_packages.sh SOURCE_DIR WORK_DIR
set -uo pipefail
source_dir=$1
work=$2
rm -rf "$work" && mkdir -p "$work/bin"
fakes=$work/bin

# The state the stand-ins share: installed packages, foreign architectures, a log of apt calls.
# FAKE_FAIL_INSTALL names packages apt cannot install; FAKE_UPDATE_FAILS the updates that fail;
# FAKE_KERNEL32 whether the probe's program runs.
cat >"$fakes/apt-get" <<'FAKE'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE_STATE/log"
if [ "$1" = update ]; then
  n=$(($(cat "$FAKE_STATE/updates" 2>/dev/null || echo 0) + 1)); echo "$n" >"$FAKE_STATE/updates"
  if [ "$n" -le "${FAKE_UPDATE_FAILS:-0}" ]; then
    echo "E: Failed to fetch http://mirror.test/dists/sec/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100
  fi
  exit 0
fi
simulate=0; packages=()
for a in "$@"; do
  case "$a" in install|-y|-qq|--no-install-recommends) ;; -s) simulate=1 ;; *) packages+=("$a") ;; esac
done
for p in "${packages[@]}"; do
  for bad in ${FAKE_FAIL_INSTALL:-}; do
    if [ "$p" = "$bad" ]; then
      echo " $p : Depends: libmissing (= 1.0) but it is not going to be installed" >&2
      echo "E: Unable to correct problems, you have held broken packages." >&2
      exit 100
    fi
  done
done
[ "$simulate" = 1 ] || printf '%s\n' "${packages[@]}" >>"$FAKE_STATE/installed"
FAKE
cat >"$fakes/dpkg-query" <<'FAKE'
#!/usr/bin/env bash
p=${!#}
grep -qxF -- "$p" "$FAKE_STATE/installed" 2>/dev/null || exit 1
printf 'install ok installed'
FAKE
cat >"$fakes/dpkg" <<'FAKE'
#!/usr/bin/env bash
case "$1" in
  --print-foreign-architectures) cat "$FAKE_STATE/arches" 2>/dev/null || true ;;
  --add-architecture) echo "$2" >>"$FAKE_STATE/arches"; echo "dpkg $*" >>"$FAKE_STATE/log" ;;
esac
FAKE
printf '#!/bin/sh\n: >"${@: -1}"\n' >"$fakes/as"
sed -i '1s/sh/bash/' "$fakes/as"
# The probe's program: runs, or cannot be executed, as the kernel would have it.
cat >"$fakes/ld" <<'FAKE'
#!/usr/bin/env bash
out=${!#}
if [ "$FAKE_KERNEL32" = yes ]; then printf '#!/bin/sh\nexit 0\n' >"$out"; else printf '\177ELF\001\001\001\000\000\000' >"$out"; fi
chmod +x "$out"
FAKE
printf '#!/bin/sh\nexec "$@"\n' >"$fakes/sudo"
chmod +x "$fakes"/*

failures=0
# Runs the script in a fresh state and checks its status and what it wrote.
#   check NAME STATUS WANT_INSTALLED WANT_NOT_INSTALLED STDERR_PATTERN [env...] -- packages
# A pattern of - wants nothing on standard error.
check() {
  local name=$1 want_status=$2 want_in=$3 want_out=$4 pattern=$5
  shift 5
  local state=$work/$name
  mkdir -p "$state"
  : >"$state/installed"
  local envs=()
  while [ "$1" != -- ]; do envs+=("$1"); shift; done
  shift
  local status=0
  env PATH="$fakes:$PATH" FAKE_STATE="$state" QVX_APT_PAUSE=0 FAKE_KERNEL32=no "${envs[@]}" \
    bash "$source_dir/scripts/install_packages.sh" "$@" >"$state/out" 2>"$state/err" || status=$?
  local problems=()
  [ "$status" = "$want_status" ] || problems+=("exit status $status, not $want_status")
  for p in $want_in; do grep -qxF "$p" "$state/installed" || problems+=("$p not installed"); done
  for p in $want_out; do ! grep -qxF "$p" "$state/installed" || problems+=("$p installed"); done
  if [ "$pattern" = - ]; then
    [ ! -s "$state/err" ] || problems+=("not quiet")
  else
    grep -qE -- "$pattern" "$state/err" || problems+=("no line matching '$pattern'")
  fi
  if [ ${#problems[@]} -eq 0 ]; then
    echo "ok: $name"
  else
    echo "FAIL: $name: ${problems[*]}"; sed 's/^/  | /' "$state/err"; failures=$((failures + 1))
  fi
}

check no-32bit-kernel 0 "cmake g++" "wine32:i386" "^setup: installing cmake g\+\+$" \
  -- cmake g++ --32bit wine32:i386
grep -q i386 "$work/no-32bit-kernel/arches" 2>/dev/null &&
  { echo "FAIL: no-32bit-kernel: the i386 architecture was added"; failures=$((failures + 1)); }

check no-32bit-asked 0 "cmake" "wine32:i386" "^setup: installing cmake$" \
  FAKE_KERNEL32=yes QVX_NO_32BIT=1 -- cmake --32bit wine32:i386

check index-fails-then-comes 0 "cmake" "" "^setup: installing cmake$" \
  FAKE_UPDATE_FAILS=2 -- cmake
[ "$(cat "$work/index-fails-then-comes/updates")" = 3 ] ||
  { echo "FAIL: index-fails-then-comes: not tried three times"; failures=$((failures + 1)); }

check index-fails-always 0 "cmake" "" \
  "^setup: warning: apt-get update failed 3 times .*http://mirror.test/dists/sec/main/binary-i386/Packages.xz could not be fetched \(File has unexpected size" \
  FAKE_UPDATE_FAILS=99 -- cmake

check only-32bit-fails 0 "cmake" "wine32:i386" \
  "^setup: the 32-bit packages wine32:i386 could not be installed \(Unable to correct problems.*64-bit module instead" \
  FAKE_KERNEL32=yes FAKE_FAIL_INSTALL=wine32:i386 -- cmake --32bit wine32:i386
grep -qx i386 "$work/only-32bit-fails/arches" ||
  { echo "FAIL: only-32bit-fails: the i386 architecture was not added"; failures=$((failures + 1)); }

check 32bit-installed 0 "cmake wine32:i386" "" "^setup: installing the 32-bit packages wine32:i386$" \
  FAKE_KERNEL32=yes -- cmake --32bit wine32:i386

check required-fails 1 "" "cmake" \
  "^setup: apt-get could not install broken:$" \
  FAKE_FAIL_INSTALL=broken -- cmake broken
grep -q "Depends: libmissing" "$work/required-fails/err" ||
  { echo "FAIL: required-fails: apt's own message not shown"; failures=$((failures + 1)); }

check nothing-missing 0 "" "" - -- --32bit
echo "$failures failed"
[ "$failures" -eq 0 ]
