#!/usr/bin/env bash
# Peak memory and time of kalvimo-batch on large pictures, most of them in small files, with two
# jobs: each picture alone, then three copies of it, fitted into 320 x 240 by letterbox. Prints a
# table of the median wall time and the highest peak resident memory over RUNS runs.
# Run from anywhere: bench/large-pictures.sh PROGRAM [RUNS [PATTERN]] (PATTERN: the pictures whose
# names it matches, all by default)
# Needs ImageMagick, webp (cwebp), libheif-examples (heif-enc) and python3. ImageMagick makes
# only the pictures of at most 128 megapixels (its usual limit) in formats it is let write.
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "$1")
runs=${2:-3}
pattern=${3:-*}
work=${KALVIMO_BENCH_DIR:-$PWD/build-bench/large-pictures}
made=$work/made
mkdir -p "$made"

# NAME COMMAND...: runs COMMAND with the path to make as its last word, unless it is made.
picture() {
    [ -s "$made/$1" ] || "${@:2}" "$made/$1"
}
flat=$work/flat-13376.png
[ -s "$flat" ] || python3 bench/large_pictures.py png-flat "$flat"
rose=$work/rose-8640x5760.png
[ -s "$rose" ] || convert rose: -resize '8640x5760!' "$rose"
tile=$work/tile.png
[ -s "$tile" ] || convert rose: -resize '512x512!' "$tile"

# cwebp packs one colour into 7 KB, less than a picture of this size can be: padded with XMP.
lossless() {
    cwebp -quiet -lossless "$1" -o "$work/bare.webp"
    printf '<x:xmpmeta xmlns:x="adobe:ns:meta/">%8000s</x:xmpmeta>' '' >"$work/pad.xmp"
    webpmux -set xmp "$work/pad.xmp" "$work/bare.webp" -o "$2" >/dev/null
}
picture webp-lossless-13376-one-colour.webp lossless "$flat"
picture heic-grid-26x26-tiles-13312.heic python3 bench/heif-grid.py --quality 95 --repeat 26 26 "$tile"
picture heic-8640x5760.heic heif-enc -q 60 "$rose" -o
picture tiff-grey-13376-one-strip.tif python3 bench/large_pictures.py tiff-grey
picture tiff-1-bit-13000-one-strip.tif python3 bench/large_pictures.py tiff-bilevel
picture png-13376-one-colour.png cp "$flat"
picture png-interlaced-8640x5760.png convert "$rose" -interlace PNG
picture bmp-rle8-13376-one-colour.bmp python3 bench/large_pictures.py bmp-rle8-flat
picture bmp-24-bits-8640x5760.bmp python3 bench/large_pictures.py bmp-24-bits
picture gif-6000-one-colour.gif convert -size 6000x6000 xc:'#3c6e9a'
picture jpeg-8640x5760.jpg convert "$rose" -quality 90
picture jpeg-progressive-8640x5760.jpg convert "$rose" -quality 90 -interlace JPEG

settings=$work/fit.ini
printf '[Options]\nNew width=320\nNew height=240\nLetterBox=1\nOverwrite=1\nFilter=*.*\n' >"$settings"
out=$work/out
mkdir -p "$out"

# Median wall time and highest peak of RUNS runs over the folder $1.
measure() {
    local times=() peak=0
    for _ in $(seq "$runs"); do
        rm -rf "${out:?}"/*
        read -r seconds kb < <(/usr/bin/time -f '%e %M' "$program" --jobs 2 --settings "$settings" \
            "$1" "$out" 2>&1 >/dev/null | tail -n 1)
        times+=("$seconds")
        peak=$((kb > peak ? kb : peak))
    done
    printf '%s s, %d MB' "$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")" \
        $((peak / 1024))
}

echo '| picture | file | alone | three copies |'
echo '|---|---|---|---|'
for file in "$made"/$pattern; do
    name=$(basename "$file")
    rm -rf "$work/one" "$work/three" && mkdir -p "$work/one" "$work/three"
    ln "$file" "$work/one/$name"
    for copy in a b c; do ln "$file" "$work/three/$copy-$name"; done
    printf '| %s | %s KB | %s | %s |\n' "$name" $(($(stat -c %s "$file") / 1024)) \
        "$(measure "$work/one")" "$(measure "$work/three")"
done
