#!/bin/sh
# Gathers real texts of each language, one a line, from the message catalogues Debian
# packages install, for detect_bench: OUT/LANG.txt for the languages whose old Windows code
# pages the folder detection reads.
set -eu
out=${1:?usage: make_detect_corpus.sh OUTDIR}
mkdir -p "$out"
for lang in zh_CN zh_TW ja ko ru uk de fr es pl cs hu; do
  for mo in /usr/share/locale/$lang/LC_MESSAGES/*.mo; do
    msgunfmt "$mo" 2>/dev/null | sed -n 's/^msgstr\(\[[0-9]\]\)\? "\(.*\)"$/\2/p'
  done | grep -v '^$' >"$out/$lang.txt"
done
