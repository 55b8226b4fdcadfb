#!/usr/bin/env bash
# Runs the tests that run the tool against the Windows build, d88cut.exe,
# under Wine: the same tests as on Linux, with D88CUT_EXE and D88CUT_RUNNER set.
# Needs the `windows` and `test` presets built first.
#
#   tests/wine.sh [PATH/TO/d88cut.exe]
set -euo pipefail
cd "$(dirname "$0")/.."
exe=$(realpath "${1:-build/windows/tool/d88cut.exe}")
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)

export WINEDEBUG=-all
# A code page that holds no Japanese: names must still work, through the wide API.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
WINEPREFIX=$(mktemp -d)
export WINEPREFIX
# The server is stopped, and has written the prefix for the last time, before it goes.
trap '"$wineserver" -k 2>/dev/null; "$wineserver" -w 2>/dev/null; rm -rf "$WINEPREFIX"' EXIT
# One server for every run: else each run may start one while the last is
# still going away, a race that can end a run with no output at all.
"$wineserver" -p
# The first start lays out the prefix, which takes seconds; keep it out of the tests' time.
"$wine" "$exe" >/dev/null 2>&1 || true

D88CUT_EXE=$exe D88CUT_RUNNER=$wine build/test/tests/d88cut_tests \
  --gtest_filter='CommandLineTest.*:CutTest.*:OutputTest.*:OptionsTest.*:RealImagesTest.Cut*:FloptoolTest.*'
