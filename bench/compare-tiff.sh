#!/usr/bin/env bash
# Times two kalvimo-batch programs on large TIFFs, taking turns, with two jobs, each set fitted
# into 320 x 240 by letterbox: a grey picture of 13376 x 13376 in one deflate strip, a bilevel
# one of 13000 x 13000 in one deflate strip, and five of the 12-megapixel photographs that
# batch_bench makes, as LZW and as uncompressed TIFF (ImageMagick's convert). Prints the median
# wall time and peak resident memory of each set for each program.
# Run from anywhere: bench/compare-tiff.sh BEFORE AFTER [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A programs=([before]=$(realpath "$1") [after]=$(realpath "$2"))
runs=${3:-5}
build=${KALVIMO_BENCH_BUILD:-build-bench}
work=${KALVIMO_BENCH_DIR:-$PWD/$build/tiff-bench}
mkdir -p "$work"

if [ ! -f "$work/bilevel/bilevel.tif" ]; then
    mkdir -p "$work/grey" "$work/bilevel"
    python3 bench/large_pictures.py tiff-grey "$work/grey/grey.tif"
    python3 bench/large_pictures.py tiff-bilevel "$work/bilevel/bilevel.tif"
fi
if [ ! -d "$work/none" ]; then
    [ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target batch_bench >/dev/null
    "$build/bench/batch_bench" 5 "$work/make" >/dev/null
    mkdir -p "$work/lzw" "$work/none"
    for photo in "$work/make/source"/*.jpg; do
        convert "$photo" -compress lzw "$work/lzw/$(basename "$photo" .jpg).tif"
        convert "$photo" -compress none "$work/none/$(basename "$photo" .jpg).tif"
    done
    rm -rf "$work/make"
fi

printf '[Options]\nNew width=320\nNew height=240\nFilter=*.tif\nOverwrite=1\nStretch=0\nLetterBox=1\n' \
    >"$work/letterbox.ini"
: >"$work/times"
for set in grey bilevel lzw none; do
    for _ in $(seq "$runs"); do
        for program in before after; do
            rm -rf "$work/out" && mkdir "$work/out"
            /usr/bin/time -f "$set $program %e %M" "${programs[$program]}" --jobs 2 \
                --settings "$work/letterbox.ini" "$work/$set" "$work/out" 2>&1 >/dev/null |
                tail -n 1 >>"$work/times"
        done
    done
done
python3 - "$work/times" <<'END'
import collections, statistics, sys
runs = collections.defaultdict(list)
for line in open(sys.argv[1]):
    set_, program, seconds, kb = line.split()
    runs[set_, program].append((float(seconds), int(kb)))
for (set_, program), got in runs.items():
    print(f"{set_} {program}: median {statistics.median(s for s, _ in got):.2f} s, "
          f"peak {statistics.median(k for _, k in got) / 1024:.1f} MB ({len(got)} runs)")
END
