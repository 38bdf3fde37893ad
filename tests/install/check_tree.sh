#!/usr/bin/env bash
# check_tree.sh PREFIX VERSION: checks Tamberlink as installed under PREFIX (/usr of a
# package, or a `cmake --install` prefix): the files are where Debian has them, the desktop
# entry, AppStream metadata and manual pages pass their validators and speak of VERSION, and
# the installed program answers --version and starts with its data from PREFIX/share.
set -euo pipefail
prefix=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
id=com.tamberlink.Tamberlink
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

for file in bin/tamberlink bin/tamberlink-attribution libexec/tamberlink/tamberlink-xls-reader \
  share/tamberlink/Data/Tamberlink.db share/tamberlink/Data/MoblieAreacode.db \
  share/tamberlink/Res/style.qss share/tamberlink/Res/logo.png \
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
  share/icons/hicolor/scalable/apps/$id.svg share/man/man1/tamberlink.1.gz \
  share/man/man1/tamberlink-attribution.1.gz share/doc/tamberlink/copyright \
  share/doc/tamberlink/changelog.gz; do
  [[ -s "$prefix/$file" ]] || fail "missing $file"
done
for size in 16 22 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
  if [[ ! -s "$icon" ]]; then
    fail "missing the ${size}px icon"
  elif [[ "$(file -b "$icon")" != "PNG image data, $size x $size,"* ]]; then
    fail "the ${size}px icon is $(file -b "$icon")"
  fi
done

desktop="$prefix/share/applications/$id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $id.desktop"
for handler in x-scheme-handler/tel x-scheme-handler/callto; do
  grep -q "^MimeType=.*$handler;" "$desktop" || fail "the desktop entry does not handle $handler"
done
grep -q '^Exec=tamberlink %u$' "$desktop" || fail "the desktop entry does not pass the link"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >/dev/null ||
  fail "appstreamcli rejects $id.metainfo.xml: $(appstreamcli validate --no-net "$metainfo")"
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1 | cut -d'"' -f2)
[[ "$newest" == "$version" ]] || fail "the newest release in the metainfo is $newest"
changelog=$(zcat "$prefix/share/doc/tamberlink/changelog.gz" | head -n 1)
[[ "$changelog" == "tamberlink ($version) "* ]] || fail "the changelog begins: $changelog"
for page in tamberlink tamberlink-attribution; do
  gz="$prefix/share/man/man1/$page.1.gz"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$gz" 2>&1 >/dev/null)
  [[ -z "$warnings" ]] || fail "man warns about $page.1: $warnings"
  zcat "$gz" | grep -q "^\.TH .*\"Tamberlink $version\"" || fail "$page.1 is not of $version"
done

program="$prefix/bin/tamberlink"
said=$(QT_QPA_PLATFORM=offscreen "$program" --version)
[[ "$said" == "Tamberlink $version" ]] || fail "--version says: $said"
# Even without a display, help and the version are answered.
said=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$program" --help) ||
  fail "--help without a display failed"
[[ "$said" == *"--serial-port <path>"* ]] || fail "--help says: $said"
"$here/smoke.sh" "$program" || fail "the installed program does not start and end cleanly"
# The program reads .xls workbooks through its reader.
"$prefix/libexec/tamberlink/tamberlink-xls-reader" "$here/../../fuzz/xlsx/seeds_xls/list.xls" \
  >/dev/null || fail "the installed .xls reader cannot read an .xls workbook"

if ((failures > 0)); then
  echo "$failures check(s) of the tree under $prefix failed" >&2
  exit 1
fi
echo "the tree under $prefix is complete and valid"
