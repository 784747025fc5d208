#!/usr/bin/env bash
# Soak: the window watches a process at a 1 ms interval for SOAK_SECONDS
# (600 by default). A second window watches the first one's pid at 1000 ms and
# logs its private working set every second; beside it, this script reads the
# first window's smaps_rollup every 10 s. The first window's private working
# set may grow by at most 256 KB after the first minute.
# Usage (inside an X server): bench/soak.sh <tessivo executable> <support bin folder> <out folder>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=bench/window_driver.sh
. "$here/window_driver.sh"

executable=$1 support=$2 out=$3
duration=${SOAK_SECONDS:-600}
settle=60           # s: the first minute is start-up, not growth
allowed_growth=256  # KB
mkdir -p "$out"

trap stop_started EXIT
start_desktop_and_target "$support"

open_window "$executable" "$out/watched" "$target_pid" 1
watched=$window_pid
watched_log=$window_log
started_at=$(date +%s.%N)

open_window "$executable" "$out/observer" "$watched" 1000
observer_log=$window_log

curve="$out/soak_curve.csv"
echo "seconds,private_kb,rss_kb,hwm_kb,records" > "$curve"
while :; do
  now=$(date +%s.%N)
  elapsed=$(awk -v a="$now" -v b="$started_at" 'BEGIN { printf "%d", a - b }')
  kill -0 "$watched" 2>/dev/null || { echo "soak: the watched window ended early" >&2; exit 1; }
  echo "$elapsed,$(private_kb "$watched"),$(status_kb "$watched" VmRSS),$(status_kb "$watched" VmHWM),$(record_count "$watched_log")" >> "$curve"
  [ "$elapsed" -ge "$duration" ] && break
  sleep $(( 10 - elapsed % 10 ))
done

# The observer's records, one a second: 内存:12,346 K → 12346.
iconv -f GBK -t UTF-8 "$observer_log" | awk -F'[: ]' '/^内存:/ { gsub(",", "", $2); print $2 }' \
  > "$out/soak_observer_kb.txt"

awk -F, -v settle="$settle" -v allowed="$allowed_growth" -v duration="$duration" '
  NR == 1 { next }
  { last = $1; records = $5 }
  $1 >= settle && base == "" { base = $2 }
  $1 >= settle { if ($2 > top) top = $2 }
  END {
    growth = top - base
    printf "soak (own samples every 10 s): private %d KB at %d s, highest after %d KB, last %s KB; growth %d KB (allowed %d): %s\n",
      base, settle, top, $2, growth, allowed, growth <= allowed ? "met" : "MISSED"
    printf "soak: %d records in %d s = %.0f ticks/s at a 1 ms interval\n", records, last, records / last
  }' "$curve"
awk -v settle="$settle" '
  { kb[NR] = $1 }
  END {
    # The observer started a few seconds after the watched window.
    base = kb[settle]; top = base
    for (i = settle; i <= NR; ++i) if (kb[i] > top) top = kb[i]
    printf "soak (second window, 1 s): %d readings; %d KB at %d s, highest after %d KB, last %d KB; growth %d KB\n",
      NR, base, settle, top, kb[NR], top - base
  }' "$out/soak_observer_kb.txt"
echo "curve: $curve, observer readings: $out/soak_observer_kb.txt"
