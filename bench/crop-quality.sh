#!/usr/bin/env bash
# Quality of every fitting against the exact area average of the region it keeps: letterbox,
# automatic crop at three anchors and by content, a custom crop, and fill (which cuts nothing
# from a 4:3 picture in a 4:3 frame, so also into 800 x 450, at three anchors and by content) of
# the 20 photograph-like JPEGs batch_bench makes and of four saturated patterns (one-pixel stripes
# and checks of primary and secondary colours, 4:2:0 and 4:4:4, one of them portrait so that it is
# turned), fitted into 800 x 600 unless said and written as BMP.
# Run from anywhere: bench/crop-quality.sh
# Needs python3 and ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$0")/.."
work=${KALVIMO_BENCH_DIR:-/tmp/kalvimo-fittings}
build=${KALVIMO_BENCH_BUILD:-build-bench}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKALVIMO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target kalvimo-batch batch_bench psnr_check >/dev/null
batch=$PWD/$build/src/cli/kalvimo-batch

mkdir -p "$work/patterns"
[ "$(ls "$work/source" 2>/dev/null | wc -l)" -eq 20 ] || "$build/bench/batch_bench" 20 "$work" >/dev/null
pattern() { # NAME WIDTH HEIGHT KIND SAMPLING
    [ -f "$work/patterns/$1.jpg" ] && return
    python3 - "$2" "$3" "$4" >"$work/patterns/$1.ppm" <<'PY'
import sys
w, h, kind = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
c = [b"\xff\x00\x00", b"\x00\xff\xff", b"\x00\xff\x00", b"\xff\x00\xff", b"\x00\x00\xff", b"\xff\xff\x00"]
sys.stdout.buffer.write(b"P6 %d %d 255\n" % (w, h))
if kind == "columns":
    row = b"".join(c[x % 2] for x in range(w))
    rows = [row] * 2
elif kind == "rows":
    rows = [c[2] * w, c[3] * w]
else:
    rows = [b"".join(c[4 + (x + y) % 2] for x in range(w)) for y in range(2)]
for y in range(h):
    sys.stdout.buffer.write(rows[y % 2])
PY
    convert "$work/patterns/$1.ppm" -quality 92 -sampling-factor "$5" "$work/patterns/$1.jpg"
    rm "$work/patterns/$1.ppm"
}
pattern columns420 4000 3000 columns 2x2
pattern rows444 4000 3000 rows 1x1
pattern checks420 4000 3000 checks 2x2
pattern portrait420 3000 4000 columns 2x2

# The pictures linked under .bmp names, so that the frames are written losslessly.
for set in source patterns; do
    rm -rf "$work/bmpsrc-$set" && mkdir -p "$work/bmpsrc-$set"
    for f in "$work/$set"/*.jpg; do ln -s "$f" "$work/bmpsrc-$set/$(basename "${f%.jpg}").bmp"; done
done
size=800x600
check() { # LABEL PSNR-FITTING SETTINGS...
    local label=$1 fitting=$2
    shift 2
    printf '[Options]\nNew width=%s\nNew height=%s\nFilter=*.bmp\nOverwrite=1\nRotate=1\nStretch=0\n' \
        "${size%x*}" "${size#*x}" >"$work/quality.ini"
    printf '%s\n' "$@" >>"$work/quality.ini"
    for set in source patterns; do
        rm -rf "$work/bmp" && mkdir -p "$work/bmp"
        "$batch" --settings "$work/quality.ini" "$work/bmpsrc-$set" "$work/bmp" >/dev/null
        printf '| %s | %s | %s |\n' "$label" "$set" "$("$build/bench/psnr_check" --turn \
            --size "$size" --fitting "$fitting" "$work/bmp" "$work/$set"/*.jpg)"
    done
}
echo '| fitting | pictures | PSNR against the exact area average |'
echo '|---|---|---|'
check letterbox letterbox LetterBox=1
for anchor in 0 4 8; do check "auto crop, anchor $anchor" "auto:$anchor" AutoCrop=1 Anchor=$anchor; done
# By content, the reference finds the subject on the full decode averaged by blocks of 8, the batch
# on the JPEG's eighth-size decode: a frame below 45 dB here means the two chose other regions.
check "auto crop, by content" auto:9 AutoCrop=1 Anchor=9
check "fill, anchor 4" fill:4 Fill=1 Anchor=4
check "fill, by content" fill:9 Fill=1 Anchor=9
size=800x450
for anchor in 0 4 8 9; do
    check "fill into 800 x 450, anchor $anchor" "fill:$anchor" Fill=1 Anchor=$anchor
done
size=800x600
check "custom crop 2400 x 1800" custom:12000,9000,48000,36000 CustomCrop=1 '[Custom Cropping]' \
    Left=12000 Top=9000 Right=48000 Bottom=36000
