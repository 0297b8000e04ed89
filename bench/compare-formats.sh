#!/usr/bin/env bash
# Times kalvimo-batch on five 12-megapixel photographs of each kind a phone or a scanner gives
# (HEIC whole and as a phone writes it, in 512 x 512 tiles of a grid made by bench/heif-grid.py;
# WebP, PNG 8-bit, TIFF LZW, TIFF uncompressed), made from the photographs of
# bench/compare-peers.sh, against vipsthumbnail and ImageMagick in two processes each, side by side
# in one hyperfine run per kind: each picture fitted into 800 x 600 and written as JPEG quality
# 85, kalvimo-batch with two jobs. With KALVIMO_BASELINE set to another kalvimo-batch, that one
# runs beside it too. Then the peak memory of kalvimo-batch per kind with two jobs, and the quality
# of the WebP frames (which libwebp shrinks while it decodes them) against the exact area average
# of the full decoding, on the photographs and on a saturated pattern.
# Run from anywhere, after bench/compare-peers.sh has made its photographs:
#   bench/compare-formats.sh [RUNS]
# Needs hyperfine, libvips-tools, ImageMagick, libheif-examples, libtiff-tools and time.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
build=${KALVIMO_BENCH_BUILD:-build-bench}
photos=${KALVIMO_BENCH_DIR:-/tmp/kalvimo-bench}/photos
work=${KALVIMO_FORMATS_DIR:-/tmp/kalvimo-formats}
baseline=${KALVIMO_BASELINE:-}

[ "$(ls "$photos"/*.jpg 2>/dev/null | wc -l)" -ge 5 ] || {
    echo "No photographs in $photos: run bench/compare-peers.sh first." >&2
    exit 1
}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKALVIMO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target kalvimo-batch psnr_check >/dev/null
batch=$PWD/$build/src/cli/kalvimo-batch

kinds=(heic heic-grid webp png tiff-lzw tiff-none)
make_kind() { # KIND SOURCE OUT-FOLDER
    local name=$(basename "${2%.jpg}")
    case $1 in
    heic) heif-enc -q 80 -o "$3/$name.heic" "$2" >/dev/null ;;
    heic-grid) bench/heif-grid.py --quality 80 "$2" "$3/$name.heic" ;;
    webp) convert "$2" -quality 85 "$3/$name.webp" ;;
    png) convert "$2" "$3/$name.png" ;;
    tiff-lzw) convert "$2" -compress lzw "$3/$name.tif" ;;
    tiff-none) convert "$2" -compress none "$3/$name.tif" ;;
    esac
}
for kind in "${kinds[@]}"; do
    mkdir -p "$work/$kind"
    if [ "$(ls "$work/$kind" | wc -l)" -ne 5 ]; then
        rm -f "$work/$kind"/*
        for photo in $(ls "$photos"/*.jpg | head -n 5); do make_kind "$kind" "$photo" "$work/$kind"; done
    fi
done

printf '[Options]\nNew width=800\nNew height=600\nFilter=*.heic;*.webp;*.png;*.tif\n' >"$work/fit.ini"
printf 'Overwrite=1\nRotate=1\nStretch=0\nLetterBox=1\n' >>"$work/fit.ini"
out=$work/out
table=$work/table.md
echo "| kind | kalvimo-batch (s) | / vipsthumbnail | / ImageMagick | / baseline | peak (MB) |" >"$table"
echo "|---|---|---|---|---|---|" >>"$table"
for kind in "${kinds[@]}"; do
    files=("$work/$kind"/*)
    half=$(((${#files[@]} + 1) / 2))
    first="${files[*]:0:$half}"
    second="${files[*]:$half}"
    two() { echo "$1 $first & p=\$!; $1 $second && wait \$p"; }
    commands=(-n kalvimo "$batch --jobs 2 --settings $work/fit.ini $work/$kind $out/kalvimo"
        -n vips "$(two "vipsthumbnail --size 800x600 -o $out/vips/%s.jpg[Q=85]")"
        -n magick "$(two "mogrify -path $out/magick -resize 800x600 -quality 85 -format jpg")")
    [ -n "$baseline" ] &&
        commands+=(-n baseline "$baseline --jobs 2 --settings $work/fit.ini $work/$kind $out/kalvimo")
    hyperfine --runs "$runs" --warmup 1 --export-json "$work/$kind.json" \
        --prepare "rm -rf $out && mkdir -p $out/kalvimo $out/vips $out/magick" \
        "${commands[@]}" >/dev/null
    peak=$(/usr/bin/time -f %M "$batch" --jobs 2 --settings "$work/fit.ini" "$work/$kind" \
        "$out/kalvimo" 2>&1 >/dev/null | tail -n 1)
    python3 - "$work/$kind.json" "$kind" "$peak" <<'PY' >>"$table"
import json, statistics, sys
median = {r["command"]: statistics.median(r["times"]) for r in json.load(open(sys.argv[1]))["results"]}
ours = median["kalvimo"]
ratio = lambda name: f"{ours / median[name]:.2f}" if name in median else "-"
print(f"| {sys.argv[2]} | {ours:.3f} | {ratio('vips')} | {ratio('magick')} | {ratio('baseline')} "
      f"| {int(sys.argv[3]) / 1024:.0f} |")
PY
done
cat "$table"

# One-pixel columns of red, green and blue, where a full decoding clamps each pixel's colour.
pattern=$work/webp-pattern
mkdir -p "$pattern"
if [ ! -f "$pattern/columns.webp" ]; then
    python3 - >"$pattern/columns.ppm" <<'PY'
import sys
c = [b"\xff\x00\x00", b"\x00\xff\x00", b"\x00\x00\xff"]
sys.stdout.buffer.write(b"P6 4000 3000 255\n" + b"".join(c[x % 3] for x in range(4000)) * 3000)
PY
    convert "$pattern/columns.ppm" -quality 85 "$pattern/columns.webp"
    rm "$pattern/columns.ppm"
fi
# The pictures linked under .bmp names, so that the frames are written losslessly.
for set in "$work/webp" "$pattern"; do
    rm -rf "$work/bmpsrc" "$work/bmp" && mkdir -p "$work/bmpsrc" "$work/bmp"
    for f in "$set"/*.webp; do ln -s "$f" "$work/bmpsrc/$(basename "${f%.webp}").bmp"; done
    sed 's/^Filter=.*/Filter=*.bmp/' "$work/fit.ini" >"$work/quality.ini"
    "$batch" --jobs 2 --settings "$work/quality.ini" "$work/bmpsrc" "$work/bmp" >/dev/null
    echo "WebP quality, $(basename "$set"): $("$PWD/$build/bench/psnr_check" --turn "$work/bmp" "$set"/*.webp)"
done
