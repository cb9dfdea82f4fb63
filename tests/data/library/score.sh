#!/bin/sh
# Runs the library table test and adds up its "library: TYPE TAGGER right R wrong W declined D"
# lines: one line per tagger, then the overall counts. The test binary defaults to the
# release build's; give another one as the first argument.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tests=${1:-$here/../../../build/release/tests/tunaro_tests}
"$tests" --gtest_filter='Types/LibraryTest.*' 2>&1 | awk '
  $1 == "library:" {
    t = $3; right[t] += $5; wrong[t] += $7; declined[t] += $9
    R += $5; W += $7; D += $9
  }
  END {
    for (t in right) printf "%-20s right %3d  wrong %3d  declined %3d\n", t, right[t], wrong[t], declined[t] | "sort"
    close("sort")
    printf "overall: right %d, wrong %d, declined %d of %d files\n", R, W, D, R + W + D
  }'
