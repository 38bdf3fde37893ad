#!/usr/bin/env bash
# installed_tree.sh BUILD_DIR VERSION SOURCE_DIR: installs the build in a fresh prefix and
# checks it there (check_tree.sh); checks that every screenshot the AppStream metadata shows
# is one of docs/screenshots.
set -euo pipefail
build=$1
version=$2
source=$3
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix/usr" >/dev/null
"$here/check_tree.sh" "$prefix/usr" "$version"

shown=$(grep -o '<image>[^<]*</image>' "$source/dist/com.tamberlink.Tamberlink.metainfo.xml" |
  sed 's|.*/\([^/]*\)</image>|\1|')
[[ -n "$shown" ]] || { echo "FAIL: the metainfo shows no screenshot" >&2; exit 1; }
for picture in $shown; do
  [[ -s "$source/docs/screenshots/$picture" ]] ||
    { echo "FAIL: the metainfo shows $picture, which docs/screenshots lacks" >&2; exit 1; }
done
echo "the metainfo's screenshots are those of docs/screenshots"
