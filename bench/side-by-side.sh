#!/usr/bin/env bash
# Times commands taken in turn, round after round, so that a shared machine's drift falls on all of
# them alike, and prints the medians as a table.
# Usage: bench/side-by-side.sh ROUNDS NAME COMMAND [NAME COMMAND ...]
# Each COMMAND runs under bash, its output discarded. Needs GNU time (/usr/bin/time).
set -euo pipefail
if [ $# -lt 3 ] || [ $(($# % 2)) -ne 1 ]; then
    echo "usage: $0 ROUNDS NAME COMMAND [NAME COMMAND ...]" >&2
    exit 2
fi
rounds=$1
shift
names=()
commands=()
while [ $# -gt 0 ]; do
    names+=("$1")
    commands+=("$2")
    shift 2
done
times=$(mktemp)
trap 'rm -f "$times"' EXIT
for _ in $(seq "$rounds"); do
    for i in "${!commands[@]}"; do
        /usr/bin/time -f "$i %e %U %S" -a -o "$times" bash -c "${commands[$i]}" >/dev/null 2>&1
    done
done
python3 - "$times" "${names[@]}" <<'PY'
import statistics, sys
names = sys.argv[2:]
runs = {}
for line in open(sys.argv[1]):
    fields = line.split()
    if len(fields) == 4 and fields[0].isdigit():
        runs.setdefault(int(fields[0]), []).append(
            (float(fields[1]), float(fields[2]) + float(fields[3])))
print("| command | wall time (s) | processor time (s) | wall time / the first's |")
print("|---|---|---|---|")
first = None
for i, name in enumerate(names):
    wall = statistics.median(r[0] for r in runs[i])
    cpu = statistics.median(r[1] for r in runs[i])
    first = first or wall
    print(f"| {name} | {wall:.3f} | {cpu:.3f} | {wall / first:.2f} |")
print(f"\nMedians of {len(runs[0])} rounds.")
PY
