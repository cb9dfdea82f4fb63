#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need, when missing.
# Runs apt-get as root, through sudo when there is one; without sudo it prints the command
# for root and stops.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev qt6-translations-l10n
  libgtest-dev googletest
  nlohmann-json3-dev liburing-dev libuchardet-dev
  xvfb xauth x11-utils xdg-utils imagemagick
  fonts-wqy-zenhei
  fuse3 libfuse3-dev exfat-fuse exfatprogs ntfs-3g util-linux strace locales
  clang-format desktop-file-utils appstream dpkg-dev file bash-completion man-db lintian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
((${#missing[@]})) || exit 0

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "These packages are missing: ${missing[*]}" >&2
    echo "Installing them needs root, and sudo is not installed. As root (su -), run:" >&2
    echo >&2
    echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
    echo >&2
    echo "then run this script again." >&2
    exit 1
  fi
  as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
