#!/bin/sh
# Runs fuzz campaigns in two lanes at the lowest priority, each target for a fixed time, and
# keeps going after a finding (artifacts are kept). Then minimise into fuzz/corpus/ with:
#   build/fuzz/fuzz/fuzz_T -merge=1 fuzz/corpus/T WORK/T
# Usage: fuzz/run_campaigns.sh WORK SEEDS SECONDS TARGET...
set -u
work=$1 seeds=$2 seconds=$3
shift 3
bin=$(dirname "$0")/../build/fuzz/fuzz
lane() {
  for t in "$@"; do
    mkdir -p "$work/$t" "$work/artifacts/$t" "$seeds/$t"
    nice -n 19 "$bin/fuzz_$t" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
      -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=5 \
      -artifact_prefix="$work/artifacts/$t/" "$work/$t" "$seeds/$t" > "$work/$t.log" 2>&1
  done
}
# Two lanes: odd and even positions of the list.
a="" b="" i=0
for t in "$@"; do
  if [ $((i % 2)) -eq 0 ]; then a="$a $t"; else b="$b $t"; fi
  i=$((i + 1))
done
lane $a &
lane $b &
wait
