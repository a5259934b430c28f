#!/usr/bin/env bash
# Makes the Debian package from a native Release build tree and checks it: its contents, lintian
# (no errors), and an install into a clean Debian 12 root made with mmdebstrap, where qvx runs,
# man finds qvx(1) and the Double Commander plug-in's parts find every library they need.
#
#   bash scripts/debian_package.sh TREE OUTDIR VERSION    # OUTDIR/qvx_VERSION_amd64.deb
#
# TREE must have built the targets qvx and qvx_doublecmd_folder. SOURCE_DATE_EPOCH dates every
# file, so one commit gives the same package. The clean root's base (Debian's minbase and man-db)
# and the packages it installed are kept in QVX_CLEAN_ROOT_CACHE (default /var/cache/qvx) and
# made anew when older than a week; only Debian's package registry is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
tree=${1:?usage: debian_package.sh TREE OUTDIR VERSION}
out=${2:?}
version=${3:?}
: "${SOURCE_DATE_EPOCH:?set SOURCE_DATE_EPOCH}"
deb="$out/qvx_${version}_amd64.deb"
maintainer="The QVX developers <qvx@users.noreply.invalid>"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
plugin="$root/usr/lib/qvx/doublecmd/qvx"
doc="$root/usr/share/doc/qvx"
install -d -m 755 "$root/usr/bin" "$root/usr/share/man/man1" "$plugin" "$doc"
built="$tree/doublecmd/qvx"
install -m 755 "$tree/qvx" "$root/usr/bin/qvx"
install -m 644 "$built/qvx.wlx" "$built/qvx-qt5.so" "$built/qvx-gtk2.so" "$built/qvx.wcx" "$plugin/"
# Stripped as Debian's own packages are: no symbols, no compiler notes.
strip --remove-section=.comment --remove-section=.note "$root/usr/bin/qvx"
strip --remove-section=.comment --remove-section=.note --strip-unneeded "$plugin"/*.so \
  "$plugin/qvx.wlx" "$plugin/qvx.wcx"
install -m 644 "$built/QVX-Mono.ttf" "$built/QVX-Mono-OFL.txt" "$plugin/"
install -m 644 doublecmd/README.Debian "$plugin/README"
day=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)
sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$day/" docs/qvx.1 | gzip -n -9 >"$root/usr/share/man/man1/qvx.1.gz"
install -m 644 README.md docs/qvx-json.schema.json "$doc/"
gzip -n -9 "$doc/README.md"
{
  echo "qvx ($version) stable; urgency=medium"
  echo
  echo "  * Release $version: see /usr/share/doc/qvx/README.md.gz."
  echo
  echo " -- $maintainer  $(date -u -R -d "@$SOURCE_DATE_EPOCH")"
} | gzip -n -9 >"$doc/changelog.gz"
{
  cat <<COPYRIGHT
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: QVX

Files: *
Copyright: 2026 The QVX developers
License: Expat

Files: usr/lib/qvx/doublecmd/qvx/QVX-Mono.ttf
Copyright: Jens Kutilek and the Homecomputer Fonts Project (the Sixtyfour glyphs)
License: OFL-1.1
 The full text is in /usr/lib/qvx/doublecmd/qvx/QVX-Mono-OFL.txt.

License: Expat
COPYRIGHT
  # The licence text without its title and copyright lines, each line indented, blank ones as ".".
  sed -n '/^Permission/,$p' LICENSE | sed -e 's/^$/./' -e 's/^/ /'
} >"$doc/copyright"
chmod 644 "$doc/copyright" "$doc/changelog.gz" "$root/usr/share/man/man1/qvx.1.gz"

# Depends: what qvx and the plug-in's own module need. Recommends: the toolkits of its Qt5 and
# GTK2 parts, which the file manager that loads one of them brings along anyway.
mkdir -p "$work/src/debian"
printf 'Source: qvx\n\nPackage: qvx\nArchitecture: amd64\n' >"$work/src/debian/control"
shlibs() { # field, files...
  local field=$1
  shift
  (cd "$work/src" && dpkg-shlibdeps -O "-d$field" "$@" 2>/dev/null) | sed -n "s/^shlibs:$field=//p"
}
depends=$(shlibs Depends "$root/usr/bin/qvx" "$plugin/qvx.wlx" "$plugin/qvx.wcx")
# What Depends has already stays out of Recommends.
recommends=$(shlibs Recommends "$plugin/qvx-qt5.so" "$plugin/qvx-gtk2.so" |
  awk -v depends="$depends" 'BEGIN { RS = ", *"; n = split(depends, d, ", *")
    for (i = 1; i <= n; i++) { split(d[i], w, " "); has[w[1]] = 1 } }
    { sub(/\n$/, ""); split($0, w, " "); if (!(w[1] in has)) out = out (out ? ", " : "") $0 }
    END { print out }')
[ -n "$depends" ] && [ -n "$recommends" ] || { echo "deb: no dependencies found" >&2; exit 1; }

install -d -m 755 "$root/DEBIAN"
cat >"$root/DEBIAN/control" <<CONTROL
Package: qvx
Version: $version
Architecture: amd64
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $depends
Recommends: $recommends
Suggests: doublecmd-qt | doublecmd-gtk
Section: utils
Priority: optional
Description: Commodore disk images on the command line and in Double Commander
 qvx shows what is on Commodore disk images (D64 with 35 or 40 tracks, D71,
 D80, D81, D82, G64): the directory as the drive lists it, the BAM map and the
 error map; and single program and data files (PRG, SEQ, USR, PC64): BASIC
 programs as LIST prints them, 6502 instructions, hex and PETSCII text. It
 takes single images or whole collections in folders, writes text or JSON
 Lines, and finds files by name across thousands of images.
 .
 The package also holds the QVX plug-ins for Double Commander, in
 /usr/lib/qvx/doublecmd/qvx: the lister, for its Qt5 and GTK2 builds, and the
 packer, which opens an image as a folder and copies its files out.
CONTROL
(cd "$root" && find usr -type f -printf '%P\n' | LC_ALL=C sort | sed 's|^|usr/|' |
  xargs md5sum) >"$root/DEBIAN/md5sums"
chmod 644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "deb: $deb: $(dpkg-deb -f "$deb" Depends)"
echo "deb: recommends $(dpkg-deb -f "$deb" Recommends)"

# What it holds, against what it must hold.
listed=$(dpkg-deb -c "$deb" | awk '{print $1, $2, $6}')
for want in "-rwxr-xr-x root/root ./usr/bin/qvx" \
  "-rw-r--r-- root/root ./usr/share/man/man1/qvx.1.gz" \
  "-rw-r--r-- root/root ./usr/lib/qvx/doublecmd/qvx/qvx.wlx" \
  "-rw-r--r-- root/root ./usr/lib/qvx/doublecmd/qvx/qvx-qt5.so" \
  "-rw-r--r-- root/root ./usr/lib/qvx/doublecmd/qvx/qvx-gtk2.so" \
  "-rw-r--r-- root/root ./usr/lib/qvx/doublecmd/qvx/qvx.wcx" \
  "-rw-r--r-- root/root ./usr/lib/qvx/doublecmd/qvx/README" \
  "-rw-r--r-- root/root ./usr/share/doc/qvx/copyright" \
  "-rw-r--r-- root/root ./usr/share/doc/qvx/changelog.gz"; do
  grep -qxF -- "$want" <<<"$listed" || { echo "deb: FAIL lacks $want" >&2; exit 1; }
done

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1 | sed 's/^/deb: lintian: /'

# --- the install on a clean Debian 12 -------------------------------------------------------------
# The base, Debian's minbase with man-db, is made once a week. On it apt installs the package with
# everything it declares (Depends and Recommends, from the registry); that root, the package
# taken out again, is kept for as long as the declared dependencies stay the same, so that a
# usual run only unpacks it and installs the package itself.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
cache=${QVX_CLEAN_ROOT_CACHE:-/var/cache/qvx}/clean-root
as_root mkdir -p "$cache/archives"
base="$cache/bookworm-minbase.tar"
if [ -z "$(find "$base" -mtime -7 2>/dev/null)" ]; then
  echo "deb: making the clean root's base with mmdebstrap (once a week)"
  sources=/etc/apt/sources.list.d/debian.sources
  [ -f "$sources" ] || sources=/etc/apt/sources.list
  as_root rm -rf "$cache"/*.tar
  # mmdebstrap tells the format from the name's ending: the half-made one must end in .tar too.
  as_root mmdebstrap --quiet --variant=minbase --include=man-db --skip=cleanup/apt/lists \
    bookworm "$cache/new.tar" "$sources"
  as_root mv "$cache/new.tar" "$base"
fi

# In memory where there is room: a root is unpacked in about a second there.
scratch=/dev/shm
[ -d "$scratch" ] && [ "$(df -Pk "$scratch" | awk 'NR == 2 {print $4}')" -gt 2000000 ] || scratch=/tmp
clean=$(mktemp -d "$scratch/qvx-clean-root.XXXXXX")
trap 'as_root rm -rf "$clean"; rm -rf "$work"' EXIT
in_root() { as_root chroot "$clean" "$@"; }

declared=$(dpkg-deb -f "$deb" Depends Recommends | sha256sum | cut -c1-16)
with_deps="$cache/with-dependencies-$declared.tar"
if [ ! -f "$with_deps" ]; then
  echo "deb: installing what the package declares into a fresh base (once per set of dependencies)"
  as_root tar -C "$clean" -xf "$base"
  as_root cp /etc/resolv.conf "$clean/etc/resolv.conf" 2>/dev/null || true
  echo force-unsafe-io | as_root tee "$clean/etc/dpkg/dpkg.cfg.d/qvx-unsafe-io" >/dev/null
  as_root find "$cache/archives" -name '*.deb' -exec cp -t "$clean/var/cache/apt/archives/" {} +
  as_root cp "$deb" "$clean/tmp/qvx.deb"
  in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/qvx.deb \
    >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; exit 1; }
  as_root find "$clean/var/cache/apt/archives" -name '*.deb' -exec cp -n -t "$cache/archives/" {} +
  in_root dpkg --purge qvx >/dev/null
  as_root rm -f "$clean/tmp/qvx.deb" "$clean"/var/cache/apt/archives/*.deb
  as_root rm -f "$cache"/with-dependencies-*.tar
  as_root tar -C "$clean" -cf "$cache/new.tar" .
  as_root mv "$cache/new.tar" "$with_deps"
  as_root rm -rf "$clean"
  as_root mkdir "$clean"
fi

as_root tar -C "$clean" -xf "$with_deps"
as_root cp "$deb" "$clean/tmp/qvx.deb"
as_root cp samples/qvx-sample.d64 "$clean/tmp/"
# Everything it declares is there already: dpkg alone installs it, or fails on what is missing.
in_root dpkg -i /tmp/qvx.deb >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; exit 1; }
problems=()
[ "$(in_root qvx --version)" = "qvx $version" ] || problems+=("qvx --version: $(in_root qvx --version 2>&1)")
[ "$(in_root man -w qvx)" = /usr/share/man/man1/qvx.1.gz ] || problems+=("man -w qvx: $(in_root man -w qvx 2>&1)")
found=$(in_root qvx --find 'GAME*' /tmp 2>&1) || true
[ "$found" = '/tmp/qvx-sample.d64:36   "GAME DATA       " PRG<' ] || problems+=("qvx --find: $found")
missing=$(in_root sh -c 'ldd /usr/bin/qvx /usr/lib/qvx/doublecmd/qvx/qvx.w?x /usr/lib/qvx/doublecmd/qvx/*.so' |
  grep 'not found' || true)
[ -z "$missing" ] || problems+=("libraries not found: $missing")
for p in "${problems[@]}"; do echo "deb: FAIL in the clean root: $p" >&2; done
[ ${#problems[@]} -eq 0 ] || exit 1
echo "deb: installed in a clean Debian 12 root: qvx --version, man -w qvx, qvx --find and every library of the plug-in's parts found"

