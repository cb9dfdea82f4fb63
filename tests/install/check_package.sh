#!/bin/sh
# Builds the Debian package of the build and checks what apt and lintian read in it: the
# control fields bring a font with the window's Chinese characters (a dependency, since
# without one every text is a box), a colour emoji font and Qt's translations; lintian finds
# no error and no warning.
# Usage: check_package.sh CPACK BUILD_DIR      (exit 77: dpkg-deb or lintian is missing)
set -eu
cpack=$1
build=$2
for tool in dpkg-deb lintian; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (dpkg, lintian)"
    exit 77
  fi
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
deb=$(ls "$out"/*.deb)
dpkg-deb -f "$deb" Depends Recommends

status=0
# A group of alternatives in Depends made only of fonts that hold every text of the window.
fonts=' fonts-noto-cjk fonts-wqy-zenhei fonts-wqy-microhei '
cjk=
for group in $(dpkg-deb -f "$deb" Depends | sed 's/([^)]*)//g; s/ //g' | tr ',' ' '); do
  all=yes
  for package in $(echo "$group" | tr '|' ' '); do
    case $fonts in *" $package "*) ;; *) all= ;; esac
  done
  [ -n "$all" ] && cjk=$group
done
[ -n "$cjk" ] || { echo "Depends has no CJK font"; status=1; }
for package in fonts-noto-color-emoji qt6-translations-l10n; do
  dpkg-deb -f "$deb" Recommends | tr ',' '\n' | sed 's/ //g' | grep -qx "$package" ||
    { echo "Recommends lacks $package"; status=1; }
done
lintian --fail-on error,warning "$deb" || status=1
exit $status
