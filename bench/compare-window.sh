#!/usr/bin/env bash
# Times a run through the window (a click on "Process") against kalvimo-batch on the same settings
# file and the same 20 photographs of 12 megapixels (bench/compare-peers.sh makes them), taking
# turns, and prints the medians. The window runs on Qt's offscreen platform, and under Xvfb when
# it is installed. Run from anywhere: bench/compare-window.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-11}
work=${KALVIMO_BENCH_DIR:-/tmp/kalvimo-bench}
photos=$work/photos
[ -d "$photos" ] || { echo "no photographs in $photos: run bench/compare-peers.sh first" >&2; exit 2; }

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKALVIMO_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench --target kalvimo-batch window_bench >/dev/null
batch=$PWD/build-bench/src/cli/kalvimo-batch
window=$PWD/build-bench/bench/window_bench

settings=$work/window.ini
printf '[Options]\nNew width=800\nNew height=600\nLetterBox=1\nRotate=1\nOverwrite=1\nFilter=*.jpg\n' \
    >"$settings"
out=$work/window-out
platforms=(offscreen)
command -v xvfb-run >/dev/null && platforms+=(xcb)

# Wall time of one run, in seconds.
batch_run() {
    rm -rf "$out" && mkdir -p "$out"
    local start=$EPOCHREALTIME
    "$batch" --settings "$settings" "$photos" "$out" >/dev/null
    echo "$EPOCHREALTIME - $start" | bc
}
window_run() {
    rm -rf "$out" && mkdir -p "$out"
    if [ "$1" = xcb ]; then
        xvfb-run -a -s "-screen 0 1600x1200x24" "$window" "$settings" "$photos" "$out" 2>/dev/null
    else
        QT_QPA_PLATFORM=offscreen "$window" "$settings" "$photos" "$out" 2>/dev/null
    fi
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

declare -A times
for _ in $(seq "$runs"); do
    times[batch]+="$(batch_run) "
    for p in "${platforms[@]}"; do
        times[$p]+="$(window_run "$p") "
    done
done
b=$(echo "${times[batch]}" | tr ' ' '\n' | grep . | median)
echo "| run | median wall time (s) | / kalvimo-batch |"
echo "|---|---|---|"
echo "| kalvimo-batch | $b | 1.00 |"
for p in "${platforms[@]}"; do
    w=$(echo "${times[$p]}" | tr ' ' '\n' | grep . | median)
    echo "| window, $p | $w | $(echo "scale=2; $w / $b" | bc) |"
done
echo
echo "Runs: $runs each, taking turns; the window's time is from the click to the closing message."
