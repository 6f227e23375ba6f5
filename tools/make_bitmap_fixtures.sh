#!/bin/sh
# Makes the bitmap test fixtures with ImageMagick (Debian package imagemagick)
# and records ImageMagick's own reading of each as raw RGBA bytes (<name>.rgba,
# rows from the top, 4 bytes per pixel), so the tests need no ImageMagick.
#
#   tools/make_bitmap_fixtures.sh [output directory]
#
# Every picture is 13 x 7 pixels: rows of 13 pixels need filler bytes at every
# depth. Names: <header>_<bits per pixel>[_variant].bmp, header bmp2 (12-byte
# info header), bmp3 (40), bmp4 (108) or bmp5 (124).
set -eu
out=${1:-$(dirname "$0")/../tests/platform/machine/fixtures}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A smooth picture with many colours, and the same with an alpha ramp.
convert -size 13x7 xc: -sparse-color bilinear '0,0 red 12,0 yellow 0,6 blue 12,6 white' \
    "$work/colour.ppm"
convert "$work/colour.ppm" -alpha set -channel A -fx '(i+j*13)/90' +channel "$work/alpha.png"

make() { # name source format options...
    name=$1 source=$2 format=$3
    shift 3
    convert "$work/$source" +dither "$@" "$format:$out/$name.bmp"
}

make bmp2_1 colour.ppm BMP2 -colors 2 -compress none
make bmp2_4 colour.ppm BMP2 -colors 16 -compress none
make bmp2_8 colour.ppm BMP2 -colors 200 -compress none
make bmp2_24 colour.ppm BMP2 -type truecolor
make bmp3_1 colour.ppm BMP3 -colors 2 -type palette -compress none
make bmp3_4 colour.ppm BMP3 -colors 16 -type palette -compress none
make bmp3_8 colour.ppm BMP3 -colors 200 -type palette -compress none
make bmp3_24 colour.ppm BMP3 -type truecolor
make bmp3_32 alpha.png BMP3 -define bmp3:alpha=true
make bmp4_4 colour.ppm BMP -intent undefined -colors 16 -type palette -compress none
make bmp4_16_565 colour.ppm BMP -intent undefined -define bmp:subtype=RGB565
make bmp4_24 colour.ppm BMP -intent undefined -type truecolor
make bmp4_32 alpha.png BMP -intent undefined
make bmp5_8 colour.ppm BMP -colors 200 -type palette -compress none
make bmp5_24 colour.ppm BMP -type truecolor
make bmp5_32 alpha.png BMP

# ImageMagick writes bottom-up rows only: the top-down variants are the same
# files with their rows reversed and the height negated.
u32() { od -An -tu4 -j"$2" -N4 "$1" | tr -d ' '; }
u16() { od -An -tu2 -j"$2" -N2 "$1" | tr -d ' '; }
le32() { # value -> 4 bytes little-endian
    v=$1
    printf "$(printf '\\%03o\\%03o\\%03o\\%03o' $((v & 255)) $((v >> 8 & 255)) \
        $((v >> 16 & 255)) $((v >> 24 & 255)))"
}
topdown() { # source name -> <name>_topdown
    in=$out/$1.bmp target=$out/$1_topdown.bmp
    offset=$(u32 "$in" 10) width=$(u32 "$in" 18) height=$(u32 "$in" 22) bits=$(u16 "$in" 28)
    rowbytes=$(((width * bits + 31) / 32 * 4))
    head -c "$offset" "$in" >"$target"
    row=$((height - 1))
    while [ "$row" -ge 0 ]; do
        dd if="$in" bs="$rowbytes" iflag=skip_bytes,count_bytes status=none \
            skip=$((offset + row * rowbytes)) count="$rowbytes" >>"$target"
        row=$((row - 1))
    done
    le32 $((4294967296 - height)) | dd of="$target" bs=1 seek=22 conv=notrunc status=none
}
# ImageMagick's 16-bit BMP3 says "bit fields" but holds no masks (it reads its
# own file as black); as plain 5-5-5 data with compression 0 it is a sound file.
make bmp3_16 colour.ppm BMP3 -define bmp:subtype=RGB555
printf '\000' | dd of="$out/bmp3_16.bmp" bs=1 seek=30 conv=notrunc status=none

topdown bmp3_8
topdown bmp3_24
topdown bmp4_32

for f in "$out"/*.bmp; do
    convert "$f" -depth 8 RGBA:"${f%.bmp}.rgba"
done
