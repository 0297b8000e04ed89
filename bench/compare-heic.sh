#!/usr/bin/env bash
# Times kalvimo-batch on HEIC photographs against the same photographs as JPEG, side by side in
# one hyperfine run: 12-megapixel photograph-like pictures (those batch_bench makes, landscape and
# portrait), encoded to HEIC by heif-enc, fitted into 800 x 600 by letterbox with two jobs; then
# the peak memory of each with two jobs, for COUNT pictures and for 4 x COUNT.
# Run from anywhere: bench/compare-heic.sh [RUNS] [COUNT]
# Needs libheif-examples, hyperfine, time and python3 (Debian).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
count=${2:-5}
build=${KALVIMO_BENCH_BUILD:-build-bench}
work=${KALVIMO_BENCH_DIR:-$PWD/$build/heic-bench}

[ -f "$build/build.ninja" ] ||
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKALVIMO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target kalvimo-batch batch_bench >/dev/null
batch=$PWD/$build/src/cli/kalvimo-batch

# COUNT photographs in $work/jpeg-COUNT and as HEIC in $work/heic-COUNT; heif-enc takes most of a
# minute for each, so a larger set repeats the first.
make_set() { # COUNT [FIRST]
    local n=$1 jpeg=$work/jpeg-$1 heic=$work/heic-$1
    mkdir -p "$heic"
    if [ "$(ls "$jpeg" 2>/dev/null | wc -l)" -ne "$n" ]; then
        rm -rf "$jpeg" "$heic" && mkdir -p "$jpeg" "$heic"
        if [ $# -gt 1 ]; then
            for i in $(seq 0 $((n - 1))); do
                cp "$work/jpeg-$2/photo$((i % $2)).jpg" "$jpeg/photo$i.jpg"
                cp "$work/heic-$2/photo$((i % $2)).heic" "$heic/photo$i.heic"
            done
            return
        fi
        "$build/bench/batch_bench" "$n" "$work/make-$n" >/dev/null
        mv "$work/make-$n/source"/* "$jpeg" && rm -rf "$work/make-$n"
    fi
    for photo in "$jpeg"/*.jpg; do
        local out=$heic/$(basename "$photo" .jpg).heic
        if [ ! -f "$out" ]; then
            heif-enc -q 80 -o "$work/part.heic" "$photo" >/dev/null && mv "$work/part.heic" "$out"
        fi
    done
}
make_set "$count"
make_set $((count * 4)) "$count"

printf '[Options]\nNew width=800\nNew height=600\nFilter=*.jpg;*.heic\nOverwrite=1\nRotate=1\n' \
    >"$work/letterbox.ini"
printf 'Stretch=0\nLetterBox=1\n' >>"$work/letterbox.ini"

clean="rm -rf $work/out && mkdir -p $work/out"
run() { echo "$batch --jobs 2 --settings $work/letterbox.ini $work/$1 $work/out"; }
hyperfine --warmup 1 --runs "$runs" --prepare "$clean" --export-json "$work/times.json" \
    -n jpeg "$(run "jpeg-$count")" -n heic "$(run "heic-$count")" >/dev/null
python3 - "$work/times.json" "$count" <<'END'
import json, statistics, sys
results = json.load(open(sys.argv[1]))["results"]
jpeg = statistics.median(results[0]["times"])
for r in results:
    median = statistics.median(r["times"])
    print(f"{r['command']}: median {median:.3f} s, {1000 * median / int(sys.argv[2]):.0f} ms a picture, "
          f"{median / jpeg:.2f} x jpeg ({len(r['times'])} runs)")
END

for set in "jpeg-$count" "heic-$count" "jpeg-$((count * 4))" "heic-$((count * 4))"; do
    eval "$clean"
    peak=$(/usr/bin/time -f %M $(run "$set") 2>&1 >/dev/null | tail -n 1)
    echo "$set, two jobs: peak $((peak / 1024)) MB"
done
