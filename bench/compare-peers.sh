#!/usr/bin/env bash
# Times kalvimo-batch against other batch resizers on the same 20 photographs of 12 megapixels
# (landscape and portrait, made from the photographs of Debian's wallpaper packages), each fitted
# into 800 x 600 by letterbox and written as JPEG quality 85, and writes the table into
# BENCHMARKS.md. Run from anywhere: bench/compare-peers.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-5}
work=${KALVIMO_BENCH_DIR:-/tmp/kalvimo-bench}

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
"${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    libvips-tools imagemagick python3-pil libjpeg-turbo-progs hyperfine time >/dev/null

scripts/setup
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKALVIMO_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench --target kalvimo-batch psnr_check >/dev/null
batch=$root/build-bench/src/cli/kalvimo-batch

# The photograph set.
photos=$work/photos
if [ "$(ls "$photos" 2>/dev/null | wc -l)" -ne 20 ]; then
    rm -rf "$work/debs" "$photos"
    mkdir -p "$work/debs" "$photos"
    (cd "$work/debs" && apt-get download -qq mate-backgrounds ukui-wallpapers plasma-workspace-wallpapers \
        2>/dev/null && for d in *.deb; do dpkg -x "$d" x; done)
    n=0
    for source in \
        mate/abstract/Elephants_5640x3172.jpg rhythm.jpg string.jpg 2004default.jpg the-mouse.jpg \
        firstgeneration.jpg Volna/contents/images/5120x2880.jpg \
        SafeLanding/contents/images/5120x2880.jpg Flow/contents/images/5120x2880.jpg \
        Shell/contents/images/5120x2880.jpg; do
        file=$(find "$work/debs/x" -path "*$source" | head -n 1)
        for size in 4000x3000 3000x4000; do
            convert "$file" -resize "$size^" -gravity center -extent "$size" -quality 92 \
                -sampling-factor 2x2 "$photos/photo$(printf %02d $n).jpg" 2>/dev/null
            n=$((n + 1))
        done
    done
fi

settings=$work/bench.ini
cat >"$settings" <<INI
[Options]
New width=800
New height=600
LetterBox=1
Rotate=0
Overwrite=1
Filter=*.jpg
INI
out=$work/out
rm -rf "$out" && mkdir -p "$out"/{kalvimo,vips,magick,pillow,bmp}
list=("$photos"/*.jpg)
odd=("${list[@]:0:10}")
even=("${list[@]:10:10}")

hyperfine --runs "$runs" --warmup 1 --export-json "$work/times.json" \
    -n kalvimo-batch "$batch --settings $settings $photos $out/kalvimo" \
    -n vipsthumbnail "vipsthumbnail --size 800x600 -o $out/vips/%s.jpg[Q=85] ${list[*]}" \
    -n mogrify "mogrify -path $out/magick -define jpeg:size=900x1200 -resize 800x600 -background black -gravity center -extent 800x600 -quality 85 ${list[*]}" \
    -n "Pillow, 2 processes" "/usr/bin/python3 $root/bench/pillow_fit.py $out/pillow ${odd[*]} & p=\$!; /usr/bin/python3 $root/bench/pillow_fit.py $out/pillow ${even[*]} && wait \$p" \
    -n "djpeg, full decode" "for f in ${list[*]}; do djpeg -outfile /dev/null \$f; done" >/dev/null

# Peak memory over 1, 20 and 200 pictures (the 20 linked ten times over).
many=$work/many
rm -rf "$many" && mkdir -p "$many"
for i in $(seq 0 9); do for f in "${list[@]}"; do ln "$f" "$many/$i-$(basename "$f")"; done; done
one=$work/one
rm -rf "$one" && mkdir -p "$one" && ln "${list[0]}" "$one/"
peak() { /usr/bin/time -f %M "$batch" --settings "$settings" "$1" "$out/kalvimo" 2>&1 >/dev/null | tail -n 1; }
peak1=$(peak "$one")
peak20=$(peak "$photos")
peak200=$(peak "$many")

# Quality: the same run written as BMP against the exact area average of each full picture.
sed 's/^Filter=.*/Filter=*.bmp/' "$settings" >"$work/bmp.ini"
mkdir -p "$out/bmpsrc"
for f in "${list[@]}"; do ln -sf "$f" "$out/bmpsrc/$(basename "${f%.jpg}").bmp"; done
"$batch" --settings "$work/bmp.ini" "$out/bmpsrc" "$out/bmp" >/dev/null
psnr=$("$root/build-bench/bench/psnr_check" "$out/bmp" "${list[@]}")

python3 - "$work/times.json" "$peak1" "$peak20" "$peak200" "$psnr" "$runs" "${#list[@]}" <<'PY' >"$work/table.md"
import json, statistics, sys
times = json.load(open(sys.argv[1]))["results"]
median = {r["command"]: statistics.median(r["times"]) for r in times}
ours = median["kalvimo-batch"]
djpeg_half = median["djpeg, full decode"] / 2
print("| command | median wall time (s) | kalvimo-batch / it |")
print("|---|---|---|")
for r in times:
    m = median[r["command"]]
    print(f"| {r['command']} | {m:.3f} | {ours / m:.2f} |")
print(f"| half of djpeg's full decode (two-core floor) | {djpeg_half:.3f} | {ours / djpeg_half:.2f} |")
print()
cpu = {r["command"]: r["user"] + r["system"] for r in times}
print(f"Pictures a second: {int(sys.argv[7]) / ours:.1f}. Processor time (user and system, mean of "
      f"the runs): kalvimo-batch {cpu['kalvimo-batch']:.2f} s, djpeg's full decode "
      f"{cpu['djpeg, full decode']:.2f} s, a ratio of "
      f"{cpu['kalvimo-batch'] / cpu['djpeg, full decode']:.2f}.")
print()
print(f"Runs per command: {sys.argv[6]}. Peak resident memory of kalvimo-batch: "
      f"{int(sys.argv[2]) / 1024:.1f} MB for 1 picture, {int(sys.argv[3]) / 1024:.1f} MB for 20, "
      f"{int(sys.argv[4]) / 1024:.1f} MB for 200.")
print()
print(f"Quality against the exact area average of the full-size pictures: {sys.argv[5]}.")
PY
cat "$work/table.md"

{
    echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(free -g | awk '/Mem:/ {print $2}') GiB."
    echo "Versions: libvips $(vips --version | sed 's/^vips-//'), $(convert -version | head -n1 | cut -d' ' -f2-3), Pillow $(/usr/bin/python3 -c 'import PIL; print(PIL.__version__)'), libjpeg-turbo $(dpkg-query -W -f='${Version}' libjpeg62-turbo)."
} >"$work/machine.md"
python3 - "$root/BENCHMARKS.md" "$work/table.md" "$work/machine.md" <<'PY'
import re, sys
path, table, machine = sys.argv[1:]
text = open(path).read()
block = ("<!-- peers:start -->\n" + open(machine).read() + "\n" + open(table).read()
         + "<!-- peers:end -->")
text = re.sub(r"<!-- peers:start -->.*<!-- peers:end -->", lambda _: block, text, flags=re.S)
open(path, "w").write(text)
PY
