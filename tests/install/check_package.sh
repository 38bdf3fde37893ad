#!/usr/bin/env bash
# check_package.sh DEB VERSION: checks the Debian package of Tamberlink: its fields and
# contents, lintian's verdict (no error), and the program as unpacked from it (check_tree.sh).
set -euo pipefail
deb=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

field() { dpkg-deb -f "$deb" "$1"; }
[[ "$(field Package)" == tamberlink ]] || fail "the package is called $(field Package)"
[[ "$(field Version)" == "$version" ]] || fail "the package's version is $(field Version)"
[[ "$(field Maintainer)" == *"<"*"@"*">" ]] || fail "the maintainer is '$(field Maintainer)'"
depends=$(field Depends)
# From dpkg-shlibdeps, and the plugins that play MP3 files.
for package in libc6 libqt6widgets6 libqt6multimedia6 libsqlite3-0 libmp3lame0 \
  libserialport0 libfreexl1 gstreamer1.0-plugins-good gstreamer1.0-plugins-base; do
  [[ "$depends" == *"$package"* ]] || fail "Depends lacks $package: $depends"
done

contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/tamberlink ./usr/libexec/tamberlink/tamberlink-xls-reader \
  ./usr/share/tamberlink/Data/Tamberlink.db \
  ./usr/share/tamberlink/Data/MoblieAreacode.db ./usr/share/tamberlink/Res/style.qss \
  ./usr/share/applications/com.tamberlink.Tamberlink.desktop \
  ./usr/share/metainfo/com.tamberlink.Tamberlink.metainfo.xml \
  ./usr/share/icons/hicolor/48x48/apps/com.tamberlink.Tamberlink.png \
  ./usr/share/man/man1/tamberlink.1.gz ./usr/share/doc/tamberlink/copyright; do
  grep -q " $file\$" <<<"$contents" || fail "dpkg-deb -c does not list $file"
done
if grep -v ' root/root ' <<<"$contents" | grep -q .; then
  fail "files not owned by root: $(grep -v ' root/root ' <<<"$contents")"
fi

lintian_output=$(lintian --fail-on error "$deb" 2>&1) ||
  fail "lintian reports errors"
[[ -z "$lintian_output" ]] || echo "$lintian_output"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
"$here/check_tree.sh" "$root/usr" "$version" || fail "the unpacked package"

if ((failures > 0)); then
  echo "$failures check(s) of $deb failed" >&2
  exit 1
fi
echo "$deb is complete, clean for lintian and runs unpacked"
