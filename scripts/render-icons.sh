#!/bin/sh
# Renders data/icons/tunaro.svg into the PNG sizes installed into the hicolor theme.
# Needs rsvg-convert (librsvg2-bin).
set -eu
cd "$(dirname "$0")/../data/icons"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" tunaro.svg -o "tunaro-$size.png"
done
