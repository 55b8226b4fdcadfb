#!/usr/bin/env bash
# Runs the tests that run the tool against the Windows build, d88cut.exe,
# under Wine: the same tests as on Linux, with D88CUT_EXE and D88CUT_RUNNER set.
# Needs the `windows` and `test` presets built first.
#
#   tests/wine.sh [PATH/TO/d88cut.exe]
set -euo pipefail
cd "$(dirname "$0")/.."
exe=$(realpath "${1:-build/windows/tool/d88cut.exe}")
. tests/wine_prefix.sh
# A code page that holds no Japanese: names must still work, through the wide API.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
trap wine_stop EXIT
wine_start "$exe"

D88CUT_EXE=$exe D88CUT_RUNNER=$wine build/test/tests/d88cut_tests \
  --gtest_filter='CommandLineTest.*:CutTest.*:OutputTest.*:OptionsTest.*:RealImagesTest.Cut*:FloptoolTest.*'
