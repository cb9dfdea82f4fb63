#!/bin/sh
# Installs the build into an empty prefix and checks what a desktop reads there: the files
# are all in place, and the desktop entry and the AppStream metadata pass their validators.
# Usage: check_installed.sh CMAKE BUILD_DIR      (exit 77: a validator is missing, skipped)
set -eu
cmake=$1
build=$2
for tool in desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (desktop-file-utils, appstream)"
    exit 77
  fi
done

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
cd "$prefix"
echo "installed:"
find . -type f | sort

status=0
for file in bin/tunaro-cli share/applications/org.example.tunaro.desktop \
  share/metainfo/org.example.tunaro.metainfo.xml share/mime/packages/org.example.tunaro.xml \
  share/icons/hicolor/scalable/apps/tunaro.svg share/icons/hicolor/48x48/apps/tunaro.png \
  share/icons/hicolor/256x256/apps/tunaro.png share/bash-completion/completions/tunaro-cli; do
  [ -f "$file" ] || { echo "missing: $file"; status=1; }
done
for page in tunaro tunaro-cli; do
  [ -f "share/man/man1/$page.1.gz" ] || [ -f "share/man/man1/$page.1" ] ||
    { echo "missing: the man page $page.1"; status=1; }
done

# desktop-file-validate prints hints and warnings with exit status 0: any output fails.
out=$(desktop-file-validate share/applications/org.example.tunaro.desktop 2>&1) || status=1
if [ -n "$out" ]; then
  echo "$out"
  status=1
fi
appstreamcli validate --no-net --explain share/metainfo/org.example.tunaro.metainfo.xml || status=1
appstreamcli validate-tree --no-net . || status=1
exit $status
