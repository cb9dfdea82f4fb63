#!/bin/sh
# Installs the build into an empty prefix and checks what a desktop reads there: the files
# are all in place, the desktop entry and the AppStream metadata pass their validators, the
# copyright file and the changelog are what Debian asks for, and the man pages render
# without a warning under the C locale (as man on a minimal system runs), their Chinese
# words spelt out there and shown as they are under UTF-8.
# Usage: check_installed.sh CMAKE BUILD_DIR      (exit 77: a validator is missing, skipped)
set -eu
cmake=$1
build=$2
for tool in desktop-file-validate appstreamcli man; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (desktop-file-utils, appstream, man-db)"
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
  share/icons/hicolor/256x256/apps/tunaro.png share/bash-completion/completions/tunaro-cli \
  share/doc/tunaro/copyright share/doc/tunaro/changelog.gz; do
  [ -f "$file" ] || { echo "missing: $file"; status=1; }
done
for page in tunaro tunaro-cli; do
  [ -f "share/man/man1/$page.1.gz" ] || [ -f "share/man/man1/$page.1" ] ||
    { echo "missing: the man page $page.1"; status=1; }
done

head -n 1 share/doc/tunaro/copyright |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  { echo "the copyright file is not in the machine-readable format"; status=1; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
gzip -dc share/doc/tunaro/changelog.gz | head -n 1 | grep -q "^tunaro ($version) " ||
  { echo "the changelog's newest entry is not version $version"; status=1; }

for page in tunaro tunaro-cli; do
  file=$(ls share/man/man1/$page.1*)
  out=$(env -i PATH="$PATH" MANWIDTH=80 man --warnings -l "$file" 2>&1)
  if echo "$out" | LC_ALL=C grep -q 'warning\|[^ -~]' || ! echo "$out" | grep -q zidong; then
    echo "man $page under the C locale:"
    echo "$out"
    status=1
  fi
  LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$file" 2>/dev/null | grep -q 自动改名运行记录.txt ||
    { echo "man $page under C.UTF-8 lacks its Chinese words"; status=1; }
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
