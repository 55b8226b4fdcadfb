#!/usr/bin/env bash
# Checks the release packages as a user gets them: each unpacked into a fresh
# folder holds exactly the files it should, and its d88cut cuts a builder-made
# 2HD image byte for byte as the tested build does.
# Needs the `package` and `windows` workflows run first; the .zip also Wine.
#
#   tests/packages.sh
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(d88cut VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
tgz=build/package/d88cut-$version-Linux-x86_64.tar.gz
deb=build/package/d88cut_${version}_amd64.deb
zip=build/windows/d88cut-$version-win64.zip
work=$(mktemp -d)
. tests/wine_prefix.sh
trap 'wine_stop; rm -rf "$work"' EXIT
passes=0
failures=0
pass() { echo "ok: $*"; passes=$((passes + 1)); }
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

# The reference: the build whose tests just passed, on the sample image.
build/package/tests/d88sample "$work/sample.d88" >/dev/null
mkdir "$work/reference"
(cd "$work/reference" && "$OLDPWD/build/package/tool/d88cut" "$work/sample.d88" >/dev/null)

# Cuts the sample with the tool $1 (run through $2, if given) and compares.
expect_cut() {
  local what=$1 tool=$2 runner=${3:-}
  local out=$work/cut-$what
  mkdir "$out"
  if (cd "$out" && $runner "$tool" "$work/sample.d88" >/dev/null) && diff -r "$work/reference" "$out" >/dev/null; then
    pass "$what cuts the sample byte for byte"
  else
    fail "$what does not cut the sample as the tested build does"
  fi
}

# The files of an unpacked folder, one path a line, sorted.
listing() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

expect_listing() {
  local what=$1 dir=$2 expected=$3
  if [ "$(listing "$dir")" = "$expected" ]; then
    pass "$what holds just its files"
  else
    fail "$what holds other files than expected:"$'\n'"$(listing "$dir")"
  fi
}

# The .tar.gz
mkdir "$work/tgz"
tar -xzf "$tgz" -C "$work/tgz"
expect_listing "$tgz" "$work/tgz" $'bin/d88cut\nshare/doc/d88cut/README.md\nshare/man/man1/d88cut.1'
expect_cut tgz "$work/tgz/bin/d88cut"
grep -q "^.TH D88CUT 1 .*d88cut $version" "$work/tgz/share/man/man1/d88cut.1" &&
  pass "the man page is there, of version $version" || fail "no man page of version $version"

# The .deb
info=$(dpkg-deb --info "$deb")
grep -qx ' Package: d88cut' <<<"$info" && grep -qx " Version: $version" <<<"$info" &&
  grep -q '^ Depends: .*libc6' <<<"$info" && grep -qx ' Section: utils' <<<"$info" &&
  grep -q '^ Maintainer: .' <<<"$info" &&
  pass "$deb: package, version, Depends on libc, section, maintainer" ||
  fail "$deb: its control fields are not as they should be:"$'\n'"$info"
mkdir "$work/deb"
dpkg-deb -x "$deb" "$work/deb"
expect_listing "$deb" "$work/deb" $'usr/bin/d88cut\nusr/share/doc/d88cut/README.md\nusr/share/man/man1/d88cut.1'
expect_cut deb "$work/deb/usr/bin/d88cut"

# The .zip, under Wine
mkdir "$work/zip"
(cd "$work/zip" && unzip -q "$OLDPWD/$zip")
expect_listing "$zip" "$work/zip" $'README.txt\nd88cut.exe\nd88cut.txt'
if [ "$(tr -cd '\n' <"$work/zip/README.txt" | wc -c)" -gt 0 ] &&
   [ "$(grep -c $'\r$' "$work/zip/README.txt")" = "$(wc -l <"$work/zip/README.txt")" ]; then
  pass "README.txt has CR LF line ends"
else
  fail "README.txt has a line end other than CR LF"
fi
wine_start "$work/zip/d88cut.exe"
expect_cut zip "$work/zip/d88cut.exe" "$wine"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
