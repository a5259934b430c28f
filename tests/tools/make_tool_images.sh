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
#              "file TYPEBYTE NAME" line per file, all as lower-case hex bytes, names unpadded
#   X.txt      "cc1541 X": the directory in ASCII, with the "blocks free." line
#   X.u1.txt   "cc1541 -U 1 X": the directory in Unicode, upper-case/graphics character set
#   X.u2.txt   "cc1541 -U 2 X": the same in the lower-case character set
# and OUTDIR/index.txt, one "X TOOL DISKTYPE SUBTYPE [D64]" line per image (QVX's type numbers);
# a G64 names the D64 that holds its sectors, and takes that one's .want and listings.
set -euo pipefail
export LC_ALL=C

out=${1:?usage: make_tool_images.sh OUTDIR}
cc1541=${CC1541:-cc1541}
cbmconvert=${CBMCONVERT:-cbmconvert}
floptool=${FLOPTOOL:-floptool}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage="$work/images"
mkdir -p "$stage" "$work/data" "$work/list"

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

# A data file of the given length; the contents do not matter.
data() {
    local f="$work/data/$1"
    [ -f "$f" ] || head -c "$1" /dev/zero | tr '\0' 'Q' >"$f"
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
    want+=("$(printf 'file %02x %s' "$byte" "$hex")")
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
# and names the disk itself; it writes neither locked nor open files.

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
        head -c "$3" /dev/zero | tr '\0' 'Q'
    } >"$f"
    pc64+=("$f")
    byte=$(($(type_code "$type") | 0x80))
    want+=("$(printf 'file %02x %s' "$byte" "$hex")")
}

cbm_end() { # option, image file name, QVX disk type
    rm -f "$stage/$2"
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
