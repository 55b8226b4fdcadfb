#!/usr/bin/env bash
# Measures d88cut on a whole 2HD image and on a file of 64 such disks:
#  - whole-process time against `cat IMAGE > /dev/null` on the same image
#    (hyperfine when installed, else a timed loop);
#  - the bytes it reads from the image (strace), against the bytes of the
#    12 tracks the 2HD cut touches.
# Targets: within 1.1 times cat; 64 disks no slower than one; at most 3.5
# times the touched tracks' bytes. Not a test: it reports, and exits 0.
#
#   bench/run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-300}

cmake --preset demo >/dev/null
cmake --build build/demo --target d88cut d88sample >/dev/null
tool=$PWD/build/demo/tool/d88cut
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/demo/tests/d88sample "$work/one.d88" >/dev/null
for _ in $(seq 64); do cat "$work/one.d88"; done >"$work/many.d88"
mkdir "$work/cut"
cd "$work/cut"

# Mean seconds of one run of "$@", over $runs runs after a warm-up.
mean_seconds() {
  if command -v hyperfine >/dev/null; then
    hyperfine -N --warmup 20 --runs "$runs" --export-json "$work/t.json" "$*" >/dev/null 2>&1
    python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["results"][0]["mean"])' "$work/t.json"
  else
    for _ in $(seq 20); do "$@" >/dev/null; done
    local start end
    start=$(date +%s%N)
    for _ in $(seq "$runs"); do "$@" >/dev/null; done
    end=$(date +%s%N)
    echo "($end - $start) / $runs / 1000000000" | bc -l
  fi
}

# Bytes read(2) returns on the image's descriptor in one run of the tool.
bytes_read() {
  strace -e trace=openat,read -o "$work/trace" "$tool" "$1" >/dev/null 2>&1
  awk -v img="$1" '
    /openat/ && index($0, "\"" img "\"") { split($0, a, "= "); fd = a[2] + 0; next }
    fd != "" && $0 ~ "^read\\(" fd "," { split($0, a, "= "); sum += a[2] }
    END { print sum + 0 }' "$work/trace"
}

one=$(mean_seconds "$tool" "$work/one.d88")
many=$(mean_seconds "$tool" "$work/many.d88")
cat_one=$(mean_seconds cat "$work/one.d88")
cat_many=$(mean_seconds cat "$work/many.d88")
tracks=$((12 * 8 * (16 + 1024)))

report() { printf '%-44s %s\n' "$1" "$2"; }
echo "d88cut benchmark, $runs runs each ($(command -v hyperfine >/dev/null && echo hyperfine || echo timed loop))"
report "d88cut, one 2HD disk (1.28 MB)" "$(printf '%.3f ms' "$(echo "$one * 1000" | bc -l)")"
report "cat > /dev/null, same image" "$(printf '%.3f ms' "$(echo "$cat_one * 1000" | bc -l)")"
report "  ratio (target <= 1.1)" "$(printf '%.2f' "$(echo "$one / $cat_one" | bc -l)")"
report "d88cut, 64 disks (82 MB)" "$(printf '%.3f ms' "$(echo "$many * 1000" | bc -l)")"
report "cat > /dev/null, same file" "$(printf '%.3f ms' "$(echo "$cat_many * 1000" | bc -l)")"
report "  64 disks / one disk (target <= 1.0, noise aside)" "$(printf '%.2f' "$(echo "$many / $one" | bc -l)")"
read_one=$(bytes_read "$work/one.d88")
read_many=$(bytes_read "$work/many.d88")
report "bytes read from the image, one disk" "$read_one"
report "bytes read from the image, 64 disks" "$read_many"
report "bytes of the 12 tracks the 2HD cut touches" "$tracks"
report "  ratio (target <= 3.5)" "$(printf '%.2f' "$(echo "$read_one / $tracks" | bc -l)")"
