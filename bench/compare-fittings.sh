#!/usr/bin/env bash
# Times kalvimo-batch's fittings side by side in one hyperfine run: automatic crop, custom crop
# and fill (centred and by content; into 800 x 600, which cuts nothing from these 4:3 pictures,
# and into 800 x 450) of 20 photograph-like JPEGs of 12 megapixels against their letterbox, and
# 50 PNGs of 1600 x 1200 fitted into 800 x 600 PNG against vipsthumbnail; then the peak memory of
# each JPEG fitting with two jobs.
# Run from anywhere: bench/compare-fittings.sh [RUNS]
# Needs libvips-tools, hyperfine, time (Debian) and python3.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
work=${KALVIMO_BENCH_DIR:-/tmp/kalvimo-fittings}
build=${KALVIMO_BENCH_BUILD:-build-bench}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKALVIMO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target kalvimo-batch batch_bench >/dev/null
batch=$PWD/$build/src/cli/kalvimo-batch

# 20 photographs (batch_bench makes and keeps them), and 50 PNGs made from them.
mkdir -p "$work/png" "$work/out"
[ "$(ls "$work/source" 2>/dev/null | wc -l)" -eq 20 ] || "$build/bench/batch_bench" 20 "$work" >/dev/null
if [ "$(ls "$work/png" | wc -l)" -ne 50 ]; then
    for i in $(seq 0 49); do
        vipsthumbnail "$work/source/photo$((i % 20)).jpg" -s 1600x1200! -o "$work/png/p$i.png"
    done
fi

size=800x600
settings() { # NAME FILTER FITTING...
    local name=$1 filter=$2
    shift 2
    printf '[Options]\nNew width=%s\nNew height=%s\nFilter=%s\nOverwrite=1\nRotate=1\nStretch=0\n' \
        "${size%x*}" "${size#*x}" "$filter" >"$work/$name.ini"
    printf '%s\n' "$@" >>"$work/$name.ini"
}
settings letterbox '*.jpg' LetterBox=1
settings autocrop '*.jpg' AutoCrop=1
# 2400 x 1800 pixels from the middle of the (turned) 4000 x 3000 picture, in twips.
settings customcrop '*.jpg' CustomCrop=1 '[Custom Cropping]' Left=12000 Top=9000 Right=48000 \
    Bottom=36000
settings fill '*.jpg' Fill=1 Anchor=4
settings fillcontent '*.jpg' Fill=1 Anchor=9
size=800x450
settings fillwide '*.jpg' Fill=1 Anchor=4
settings fillwidecontent '*.jpg' Fill=1 Anchor=9
size=800x600
settings png '*.png' LetterBox=1

clean="rm -rf $work/out && mkdir -p $work/out"
hyperfine --warmup 1 --runs "$runs" --prepare "$clean" --export-markdown "$work/times.md" \
    --export-json "$work/times.json" \
    -n letterbox "$batch --settings $work/letterbox.ini $work/source $work/out" \
    -n "auto crop" "$batch --settings $work/autocrop.ini $work/source $work/out" \
    -n "custom crop" "$batch --settings $work/customcrop.ini $work/source $work/out" \
    -n "fill, centre" "$batch --settings $work/fill.ini $work/source $work/out" \
    -n "fill, by content" "$batch --settings $work/fillcontent.ini $work/source $work/out" \
    -n "fill 800x450, centre" "$batch --settings $work/fillwide.ini $work/source $work/out" \
    -n "fill 800x450, by content" \
    "$batch --settings $work/fillwidecontent.ini $work/source $work/out" \
    -n "png letterbox" "$batch --settings $work/png.ini $work/png $work/out" \
    -n vipsthumbnail "vipsthumbnail $work/png/p*.png -s 800x600 -o $work/out/%s.png"
cat "$work/times.md"
# Medians, and each against the command it is measured beside.
python3 - "$work/times.json" <<'PY'
import json, sys
runs = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
against = {"png letterbox": "vipsthumbnail", "vipsthumbnail": None}
for name, r in runs.items():
    base = against.get(name, "letterbox")
    ratio = f"{r['median'] / runs[base]['median']:.2f} x {base}" if base else ""
    print(f"{name}: median {r['median']:.3f} s ({r['min']:.3f}-{r['max']:.3f}) {ratio}")
PY

for name in letterbox autocrop customcrop fill fillcontent fillwide fillwidecontent; do
    rm -rf "$work/out" && mkdir -p "$work/out"
    peak=$(/usr/bin/time -f %M "$batch" --jobs 2 --settings "$work/$name.ini" "$work/source" \
        "$work/out" 2>&1 >/dev/null | tail -n 1)
    echo "$name, two jobs: peak $((peak / 1024)) MB"
done
