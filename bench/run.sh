#!/usr/bin/env bash
# Measures d88cut on a whole 2HD image and on a file of 64 such disks:
#  - whole-process time (hyperfine) against `cat IMAGE > /dev/null` on the
#    same image, cutting into a folder where the outputs do not exist yet,
#    and again replacing the outputs of the run before;
#  - the bytes it reads from the image (strace), against the bytes of the
#    12 tracks the 2HD cut touches.
# Targets: within 1.1 times cat; 64 disks no slower than one; replacing
# no slower than writing new outputs (at most 1.1 times); at most 3.5 times
# the touched tracks' bytes. It reports; it is not a test.
#
#   bench/run.sh [RUNS] [FOLDER]    FOLDER: where to work (default: a new one under /tmp)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-300}
work=$(mktemp -d "${2:-/tmp}/d88cut-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

cmake --preset demo >/dev/null
cmake --build build/demo --target d88cut d88sample >/dev/null
tool=$PWD/build/demo/tool/d88cut
build/demo/tests/d88sample "$work/one.d88" >/dev/null
for _ in $(seq 64); do cat "$work/one.d88"; done >"$work/many.d88"
mkdir "$work/cut"
cd "$work/cut"
outputs="PROG MUS00 MUS01 MUS02 MUS03 MUS04 MUS05 MUS06 MUS07 MUS08"

report() { printf '%-52s %s\n' "$1" "$2"; }
ms() { printf '%.3f ms' "$(echo "$1 * 1000" | bc -l)"; }
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

# All four timed side by side in one hyperfine run, each after a process
# started before it (rm of the outputs where they must be new, else true),
# so that each finds the caches alike. Prints the four mean seconds.
side_by_side() {
  local fresh="rm -f $outputs"
  hyperfine -N --warmup 20 --runs "$runs" --export-json "$work/t.json" \
    --prepare "$fresh" "$tool $work/one.d88" \
    --prepare "$fresh" "$tool $work/many.d88" \
    --prepare true "$tool  $work/one.d88" \
    --prepare true "cat $work/one.d88" >/dev/null 2>&1
  python3 -c 'import json,sys; print(*[r["mean"] for r in json.load(open(sys.argv[1]))["results"]])' "$work/t.json"
}

# Bytes read(2) returns on the image's descriptor in one run of the tool.
bytes_read() {
  strace -e trace=openat,read -o "$work/trace" "$tool" "$1" >/dev/null 2>&1 || true
  awk -v img="$1" '
    /openat/ && index($0, "\"" img "\"") { split($0, a, "= "); fd = a[2] + 0; next }
    fd != "" && $0 ~ "^read\\(" fd "," { split($0, a, "= "); sum += a[2] }
    END { print sum + 0 }' "$work/trace"
}

echo "d88cut benchmark in $work ($(df -T "$work" | awk 'NR == 2 { print $2 }'))"
if command -v hyperfine >/dev/null && command -v python3 >/dev/null; then
  echo "hyperfine, $runs runs each, side by side"
  read -r one many replace cat_one <<<"$(side_by_side)"
  report "d88cut, one 2HD disk (1.28 MB), new outputs" "$(ms "$one")"
  report "cat > /dev/null, same image" "$(ms "$cat_one")"
  report "  ratio (target <= 1.1)" "$(ratio "$one" "$cat_one")"
  report "d88cut, 64 such disks (82 MB), new outputs" "$(ms "$many")"
  report "  64 disks / one disk (target <= 1.0)" "$(ratio "$many" "$one")"
  report "d88cut, one disk, replacing the last run's outputs" "$(ms "$replace")"
  report "  replacing / new outputs (target <= 1.1)" "$(ratio "$replace" "$one")"
  report "  replacing / cat (target <= 1.1)" "$(ratio "$replace" "$cat_one")"
else
  echo "timings need hyperfine and python3 (Debian packages hyperfine, python3)"
fi
if command -v strace >/dev/null; then
  tracks=$((12 * 8 * (16 + 1024)))
  read_one=$(bytes_read "$work/one.d88")
  report "bytes read from the image, one disk" "$read_one"
  report "bytes read from the image, 64 disks" "$(bytes_read "$work/many.d88")"
  report "bytes of the 12 tracks the 2HD cut touches" "$tracks"
  report "  ratio (target <= 3.5)" "$(ratio "$read_one" "$tracks")"
else
  echo "bytes read need strace (Debian package strace)"
fi
