#!/usr/bin/env bash
# Writes disk images with independent tools, cc1541 and cbmconvert, into one folder, together
# with what each image was asked to hold and the directory that cc1541 prints when it reads it;
# and G64 images of some of them, written by cc1541 beside its D64 and converted by floptool.
#
#   make_tool_images.sh OUTDIR
#
# For every image X in OUTDIR:
#   X          the image
#   X.want     what the tools were asked to write: "disk NAME ID DOS" (cc1541 only) and one
#              "file TYPEBYTE SIZE NAME" line per file, bytes as lower-case hex, names unpadded,
#              SIZE in decimal: the file holds bytes 0, 1, ... 250, 0, 1, ... (byte i is i mod 251)
#   X.txt      "cc1541 X": the directory in ASCII, with the "blocks free." line
#   X.u1.txt   "cc1541 -U 1 X": the directory in Unicode, upper-case/graphics character set
#   X.u2.txt   "cc1541 -U 2 X": the same in the lower-case character set
# and OUTDIR/index.txt, one "X TOOL DISKTYPE SUBTYPE [D64]" line per image (QVX's type numbers);
# a G64 names the D64 that holds its sectors, and takes that one's .want and listings. The GEOS
# files written into geos.d64 and geos.d81 lie in OUTDIR/geos as NAME.cvt (SIZE is theirs there);
# the PC64 files given to cbmconvert in OUTDIR/pc64 as IMAGE-N.EXT, N counted from 1.
set -euo pipefail
export LC_ALL=C

out=${1:?usage: make_tool_images.sh OUTDIR}
cc1541=${CC1541:-cc1541}
cbmconvert=${CBMCONVERT:-cbmconvert}
floptool=${FLOPTOOL:-floptool}
python3=${PYTHON3:-python3}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage="$work/images"
mkdir -p "$stage" "$stage/geos" "$stage/pc64" "$work/data" "$work/list"

# Every data file is the start of this one: byte i is i mod 251, so that a sector out of place or
# a byte lost shows.
pattern="$work/pattern"
for ((i = 0; i < 251; i++)); do printf "\\$(printf %03o "$i")"; done >"$pattern"
while (($(stat -c %s "$pattern") < 400000)); do
    cat "$pattern" "$pattern" >"$pattern.2"
    mv "$pattern.2" "$pattern"
done

# PETSCII bytes of ASCII text, as hex: a-z are the unshifted letters 0x41-0x5A, A-Z the shifted
# letters 0xC1-0xDA, everything else keeps its code.
petscii() {
    local s=$1 hex="" i code
    for ((i = 0; i < ${#s}; i++)); do
        printf -v code '%d' "'${s:i:1}"
        if ((code >= 97 && code <= 122)); then
            code=$((code - 32))
        elif ((code >= 65 && code <= 90)); then
            code=$((code + 128))
        fi
        printf -v hex '%s%02x' "$hex" "$code"
    done
    printf '%s' "$hex"
}

# cc1541 takes "#xx" for any byte: handing it every byte this way leaves it nothing to convert.
escaped() { sed 's/../#&/g' <<<"$1"; }

# A data file of the given length.
data() {
    local f="$work/data/$1"
    [ -f "$f" ] || head -c "$1" "$pattern" >"$f"
    printf '%s' "$f"
}

type_code() {
    case $1 in
    DEL) echo 0 ;; SEQ) echo 1 ;; PRG) echo 2 ;; USR) echo 3 ;; REL) echo 4 ;;
    *) echo "unknown file type $1" >&2; exit 1 ;;
    esac
}

# --- cc1541 -------------------------------------------------------------------------------------

cc_args=()
want=()

cc_begin() { # disk name, id, dos type, extra options...
    local name id dos
    name=$(petscii "$1") id=$(petscii "$2") dos=$(petscii "$3")
    shift 3
    cc_args=(-q -n "$(escaped "$name")" -i "$(escaped "${id}a0${dos}")" "$@")
    want=("disk $name $id $dos")
}

# TYPE is PRG, SEQ, USR, REL, DEL or a decimal type byte written as it is; FLAGS holds L (locked)
# and O (open, not closed) or is "-"; SIZE is the file's length in bytes; further options
# (such as -B) go before the file.
cc_file() {
    local type=$1 flags=$2 name=$3 size=$4 byte hex
    shift 4
    hex=$(petscii "$name")
    if [[ $type =~ ^[0-9]+$ ]]; then
        byte=$type
        cc_args+=(-T "$type")
    else
        byte=$(type_code "$type")
        [[ $flags == *O* ]] || byte=$((byte | 0x80))
        cc_args+=(-T "$type")
    fi
    [[ $flags == *L* ]] && { byte=$((byte | 0x40)); cc_args+=(-P); }
    [[ $flags == *O* ]] && cc_args+=(-O)
    cc_args+=("$@" -f "$(escaped "$hex")" -w "$(data "$size")")
    want+=("$(printf 'file %02x %d %s' "$byte" "$size" "$hex")")
}

cc_end() { # image file name, QVX disk type, subtype [, name of a G64 written beside it]
    rm -f "$stage/$1"
    [ -z "${4:-}" ] || cc_args+=(-g "$stage/$4")
    "$cc1541" "${cc_args[@]}" "$stage/$1" >/dev/null
    printf '%s\n' "${want[@]}" >"$stage/$1.want"
    echo "$1 cc1541 $2 $3" >>"$stage/index.txt"
    [ -z "${4:-}" ] || echo "$4 cc1541 $2 $3 $1" >>"$stage/index.txt"
    cc_args=() want=()
}

cc_begin "qvx test disk" "q7" "2a"
cc_file PRG - "boot" 600
cc_file PRG - "abcdefghijklmnop" 254
cc_file SEQ - "notes.txt" 255
cc_file USR L "user-data" 1000
cc_file REL - "records" 2000
cc_file DEL - "----------------" 100
cc_file PRG O "open file" 3000
cc_file PRG - "x" 10
cc_file PRG - "Game+Demo!" 5000
cc_file SEQ - "a b,c@1=2?" 508
cc_file 134 - "type six" 300
cc_file 0 - "scratched" 300
cc_file DEL L "locked del" 20
cc_file PRG LO "lo" 700
cc_file PRG - "big count" 300 -B 700
cc_file USR - "#$%&'()*+/:;<>" 40
cc_file PRG - "file 17" 254
cc_file PRG - "file 18" 254
cc_file PRG - "file 19" 254
cc_file PRG - "last one" 9000
cc_end cc1541-35.d64 0 0 cc1541-35.g64

cc_begin "speeddos 40" "sp" "2a" -4
cc_file PRG - "bigfile" 177800
cc_file SEQ - "sixteen chars 16" 3000
cc_file USR L "usr" 254
cc_file DEL - "del" 254
cc_file PRG O "unclosed" 2540
cc_file REL - "rel" 600
cc_end cc1541-40-speed.d64 1 2

cc_begin "dolphin 40" "dd" "2a" -5
cc_file PRG - "dolphin prg" 150000
cc_file SEQ L "locked seq" 800
cc_file USR - "a" 254
cc_file DEL - "empty?" 254
cc_file PRG O "open" 300
cc_file PRG - "1234567890123456" 1200
cc_end cc1541-40-dolphin.d64 1 1

cc_begin "double sided" "71" "2a"
cc_file PRG - "side two" 160000
cc_file SEQ - "seq" 3000
cc_file USR L "usr locked" 500
cc_file REL - "rel" 2000
cc_file DEL - "del" 254
cc_file PRG O "open" 1000
cc_file PRG - "16 chars in name" 254
cc_file PRG - "nine" 254
cc_file PRG - "ten.prg" 20000
cc_end cc1541.d71 2 0

cc_begin "the 1581 disk" "81" "3d"
cc_file PRG - "first" 254
cc_file SEQ - "sequential" 2500
cc_file USR - "user" 600
cc_file REL - "relative" 5000
cc_file DEL L "gone" 10
cc_file PRG O "still open" 4000
cc_file PRG L "keep out" 30000
cc_file PRG - "sixteen+chars=ok" 300000
cc_file SEQ - "nine" 254
cc_file PRG - "ten" 254
cc_file PRG - "eleven" 254
cc_end cc1541.d81 4 0

# --- cbmconvert -----------------------------------------------------------------------------------
# cbmconvert takes its files from PC64 files (P00, S00, U00, R00, D00: the type is in the extension)
# and names the disk itself; it writes neither locked nor open files. It keeps the name's 16 bytes
# as they are, so they are padded with $A0 as on a disk.

pc64=()

cbm_file() { # TYPE, name, size [, REL record length]
    local type=$1 hex byte ext f
    hex=$(petscii "$2")
    ext=$(tr A-Z a-z <<<"${type:0:1}")00
    f="$work/data/$((${#pc64[@]} + 1)).$ext"
    {
        printf 'C64File\0'
        printf "$(sed 's/../\\x&/g' <<<"$hex")"
        head -c $((16 - ${#hex} / 2)) /dev/zero | tr '\0' '\240'
        printf '\0'
        printf "\\x$(printf %02x "${4:-0}")"
        head -c "$3" "$pattern"
    } >"$f"
    pc64+=("$f")
    byte=$(($(type_code "$type") | 0x80))
    want+=("$(printf 'file %02x %d %s' "$byte" "$3" "$hex")")
}

cbm_end() { # option, image file name, QVX disk type
    local f
    rm -f "$stage/$2"
    for f in "${pc64[@]}"; do cp "$f" "$stage/pc64/$2-$(basename "$f")"; done
    "$cbmconvert" -v0 "$1" "$stage/$2" -p "${pc64[@]}" >/dev/null
    printf '%s\n' "${want[@]}" >"$stage/$2.want"
    echo "$2 cbmconvert $3 0" >>"$stage/index.txt"
    pc64=() want=()
}

cbm_file PRG "loader" 1000
cbm_file SEQ "text file" 3000
cbm_file USR "usr-data" 254
cbm_file DEL "deleted" 255
cbm_file PRG "sixteen-chars-ab" 5000
cbm_file PRG "Mixed Case" 600
cbm_file SEQ "a.b c+d" 100
cbm_file PRG "z" 40000
cbm_file PRG "ninth" 254
cbm_file REL "records" 5000 64
cbm_end -D4 cbmconvert.d64 0

cbm_file PRG "side one" 50000
cbm_file PRG "side two" 120000
cbm_file SEQ "seq" 2000
cbm_file USR "usr" 600
cbm_file DEL "del" 10
cbm_file PRG "16-char-name-ok!" 254
cbm_file REL "rel" 3000 32
cbm_end -D7 cbmconvert.d71 2

# cbmconvert cannot set up the side sectors of a relative file on a 1581 image.
cbm_file PRG "prg" 254
cbm_file SEQ "seq file" 3000
cbm_file USR "usr file" 1000
cbm_file DEL "del file" 254
cbm_file PRG "sixteen.chars.16" 200000
cbm_file PRG "six" 254
cbm_file PRG "seven" 254
cbm_file PRG "eight" 254
cbm_file PRG "nine" 254
cbm_end -D8 cbmconvert.d81 4

# --- GEOS files in Convert form, written by cbmconvert --------------------------------------------
# A sequential file and two VLIR files (one with an empty record in the middle, one whose records
# end blocks exactly), made here as cbmconvert writes them, then written into a D64 and a D81;
# each must come out byte for byte.

"$python3" - "$stage/geos" <<'EOF'
import struct, sys
out = sys.argv[1]
BLOCK = 254

def data(n, seed):
    return bytes((i * 7 + seed) % 256 for i in range(n))

def convert(name, geos_type, records, vlir):
    info = bytearray(BLOCK)
    info[0:3] = b"\x03\x15\xbf"
    info[3:66] = data(63, 1)
    info[66:69] = bytes([0x83, geos_type, 1 if vlir else 0])
    info[0x4b:0x4b + len(name)] = name.upper().encode()
    blocks = 1 + (1 if vlir else 0)
    body = b""
    index = bytearray(BLOCK)
    last = max(k for k, r in enumerate(records) if r is not None)
    for k, r in enumerate(records):
        if r is None:
            index[2 * k:2 * k + 2] = b"\x00\xff"
            continue
        count = (len(r) + BLOCK - 1) // BLOCK
        index[2 * k:2 * k + 2] = bytes([count, len(r) - (count - 1) * BLOCK + 1])
        blocks += count
        body += r if k == last or not vlir else r.ljust(count * BLOCK, b"\0")
    entry = bytes([0x83, 0, 0]) + name.upper().encode().ljust(16, b"\xa0") + bytes(
        [0, 0, 1 if vlir else 0, geos_type, 88, 6, 15, 13, 45]) + struct.pack("<H", blocks)
    head = (entry + b"PRG formatted GEOS file V1.0").ljust(BLOCK, b"\0")
    with open(f"{out}/{name}.cvt", "wb") as f:
        f.write(head + bytes(info) + (bytes(index) if vlir else b"") + body)

convert("geos seq", 0x07, [data(700, 3)], False)
convert("geos vlir", 0x06, [data(300, 5), None, data(254, 9), data(1000, 11)], True)
convert("vlir exact", 0x0e, [data(508, 13), data(254, 17)], True)
EOF

geos_image() { # option, image file name, QVX disk type
    local f
    rm -f "$stage/$2"
    for f in "$stage"/geos/*.cvt; do
        want+=("$(printf 'file 83 %d %s' "$(stat -c %s "$f")" "$(petscii "$(basename "$f" .cvt)")")")
    done
    "$cbmconvert" -v0 "$1" "$stage/$2" -n "$stage"/geos/*.cvt >/dev/null
    printf '%s\n' "${want[@]}" >"$stage/$2.want"
    echo "$2 cbmconvert $3 0" >>"$stage/index.txt"
    want=()
}

geos_image -D4 geos.d64 0
geos_image -D8 geos.d81 4

# --- floptool -------------------------------------------------------------------------------------
# Converts D64 images of the tools above into G64, with a GCR layout of its own.

flop_g64() { # D64 image, G64 file name, QVX disk type, subtype
    "$floptool" flopconvert d64 g64 "$stage/$1" "$stage/$2" >/dev/null
    echo "$2 floptool $3 $4 $1" >>"$stage/index.txt"
}

flop_g64 cc1541-35.d64 floptool-35.g64 0 0
flop_g64 cc1541-40-speed.d64 floptool-40-speed.g64 1 2
flop_g64 cbmconvert.d64 floptool-cbmconvert.g64 0 0

# --- directories as cc1541 prints them ------------------------------------------------------------
# cc1541 is given a copy, named as the image, and the copy must come back unchanged. A G64 takes
# what its D64 was asked to hold and the listings cc1541 prints for that.
while read -r image _ _ _ d64; do
    if [ -n "$d64" ]; then
        for suffix in want txt u1.txt u2.txt; do cp "$stage/$d64.$suffix" "$stage/$image.$suffix"; done
        continue
    fi
    copy="$work/list/$image"
    cp "$stage/$image" "$copy"
    (cd "$work/list" && "$cc1541" "$image") >"$stage/$image.txt"
    (cd "$work/list" && "$cc1541" -U 1 "$image") >"$stage/$image.u1.txt"
    (cd "$work/list" && "$cc1541" -U 2 "$image") >"$stage/$image.u2.txt"
    cmp -s "$copy" "$stage/$image" || { echo "cc1541 changed $image while listing it" >&2; exit 1; }
done <"$stage/index.txt"

rm -rf "$out"
mkdir -p "$(dirname "$out")"
mv "$stage" "$out"
