#!/bin/sh
# Gathers real Chinese texts, one a line, from the Simplified Chinese message catalogues
# that Debian packages install, for codepage_bench.
set -eu
for mo in /usr/share/locale/zh_CN/LC_MESSAGES/*.mo; do
  msgunfmt "$mo" 2>/dev/null | sed -n 's/^msgstr\(\[[0-9]\]\)\? "\(.*\)"$/\2/p'
done | grep -v '^$'
