#!/usr/bin/env bash
# The window's own cost while it watches a process, beside a Python recorder
# (bench/py_recorder.py) that samples the same target at the same rate without
# drawing. Both run at the same time on the same target for COST_SECONDS (60 by
# default) at 300 ms and at 10 ms; each gets a fresh window, so that its peak
# resident memory (VmHWM) is its own. CPU is read every 10 s from the sum of
# the threads' run times (/proc/PID/task/*/schedstat, ns) and over the whole
# run from utime + stime; the X server's share is shown beside, since the
# window's drawing is partly done there. Then the most ticks a second: a fresh
# window at a 1 ms interval, its log's records counted every 5 s. The idle
# window (started, not watching) is measured first, as the floor.
# Usage (inside an X server): bench/window_cost.sh <tessivo executable> <support bin folder> <out folder>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=bench/window_driver.sh
. "$here/window_driver.sh"

executable=$1 support=$2 out=$3
duration=${COST_SECONDS:-60}
window_seconds=10
warm_up=5
ticks_per_second=$(getconf CLK_TCK)
mkdir -p "$out"

trap stop_started EXIT

# Run time of all live threads of a process, ns.
run_ns() {
  cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%.0f", sum }'
}

# The Xvfb of our display.
x_server=""
for candidate in $(pgrep -x Xvfb || true); do
  if tr '\0' ' ' < /proc/"$candidate"/cmdline | grep -q -- " ${DISPLAY} "; then x_server=$candidate; fi
done

start_desktop_and_target "$support"
target=$target_pid

# Percent of one core per window of `window_seconds`, as "median [low .. high]".
summary() {
  sort -g | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "median %.3f [%.3f .. %.3f]", m, v[1], v[NR] }'
}

# Share of one core from two readings of run_ns over `seconds`.
share() { awk -v a="$1" -v b="$2" -v s="$3" 'BEGIN { printf "%.4f\n", (b - a) / 1e9 / s * 100 }'; }

measure() {
  local interval_ms=$1
  local folder="$out/window-$interval_ms" tool recorder
  open_window "$executable" "$folder" "$target" "$interval_ms"
  tool=$window_pid
  /usr/bin/python3 "$here/py_recorder.py" "$target" "$(awk -v m="$interval_ms" 'BEGIN { print m / 1000 }')" \
    "$folder/recorder.txt" &
  recorder=$!
  started+=("$recorder")
  sleep "$warm_up"

  local tool_shares=() recorder_shares=() x_shares=() ratios=()
  local tool_ticks recorder_ticks x_ticks
  tool_ticks=$(cpu_ticks "$tool"); recorder_ticks=$(cpu_ticks "$recorder")
  x_ticks=$( [ -n "$x_server" ] && cpu_ticks "$x_server" || echo 0)
  local t0 r0 x0 t1 r1 x1 elapsed=0
  t0=$(run_ns "$tool"); r0=$(run_ns "$recorder"); x0=$( [ -n "$x_server" ] && run_ns "$x_server" || echo 0)
  while [ "$elapsed" -lt "$duration" ]; do
    sleep "$window_seconds"
    elapsed=$((elapsed + window_seconds))
    t1=$(run_ns "$tool"); r1=$(run_ns "$recorder"); x1=$( [ -n "$x_server" ] && run_ns "$x_server" || echo 0)
    tool_shares+=("$(share "$t0" "$t1" "$window_seconds")")
    recorder_shares+=("$(share "$r0" "$r1" "$window_seconds")")
    x_shares+=("$(share "$x0" "$x1" "$window_seconds")")
    ratios+=("$(awk -v t="$((t1 - t0))" -v r="$((r1 - r0))" 'BEGIN { printf "%.3f\n", (r > 0) ? t / r : 0 }')")
    t0=$t1; r0=$r1; x0=$x1
  done
  local tool_total recorder_total x_total
  tool_total=$(awk -v a="$tool_ticks" -v b="$(cpu_ticks "$tool")" -v hz="$ticks_per_second" -v s="$duration" \
    'BEGIN { printf "%.3f", (b - a) / hz / s * 100 }')
  recorder_total=$(awk -v a="$recorder_ticks" -v b="$(cpu_ticks "$recorder")" -v hz="$ticks_per_second" -v s="$duration" \
    'BEGIN { printf "%.3f", (b - a) / hz / s * 100 }')
  x_total=$( [ -n "$x_server" ] && awk -v a="$x_ticks" -v b="$(cpu_ticks "$x_server")" -v hz="$ticks_per_second" -v s="$duration" \
    'BEGIN { printf "%.3f", (b - a) / hz / s * 100 }' || echo "?")

  echo "interval $interval_ms ms, ${duration} s side by side (% of one core, per ${window_seconds} s window):"
  echo "  tessivo window   $(printf '%s\n' "${tool_shares[@]}" | summary); whole run $tool_total %; VmHWM $(status_kb "$tool" VmHWM) KB"
  echo "  python recorder  $(printf '%s\n' "${recorder_shares[@]}" | summary); whole run $recorder_total %; VmHWM $(status_kb "$recorder" VmHWM) KB"
  echo "  window / recorder $(printf '%s\n' "${ratios[@]}" | summary | sed 's/%//')"
  echo "  X server beside  $(printf '%s\n' "${x_shares[@]}" | summary); whole run $x_total %"
  echo "  records: window $(record_count "$window_log"), recorder $(wc -l < "$folder/recorder.txt")"
  kill "$tool" "$recorder"
  wait "$tool" "$recorder" 2>/dev/null || true
}

# The window started but not watching, as the floor under the figures above.
idle() {
  local tool t0 t1
  open_window "$executable" "$out/window-idle"
  tool=$window_pid
  sleep "$warm_up"
  t0=$(run_ns "$tool")
  sleep 30
  t1=$(run_ns "$tool")
  echo "idle window (no run), 30 s: $(share "$t0" "$t1" 30) % of one core; VmHWM $(status_kb "$tool" VmHWM) KB"
  kill "$tool"
  wait "$tool" 2>/dev/null || true
}

most_ticks() {
  local tool log counts=() previous current
  open_window "$executable" "$out/window-1" "$target" 1
  tool=$window_pid
  log=$window_log
  sleep "$warm_up"
  previous=$(record_count "$log")
  for _ in 1 2 3 4; do
    sleep 5
    current=$(record_count "$log")
    counts+=("$(awk -v a="$previous" -v b="$current" 'BEGIN { printf "%.1f\n", (b - a) / 5 }')")
    previous=$current
  done
  echo "interval 1 ms, full redraws: ticks a second (per 5 s window, from the log's records):"
  echo "  $(printf '%s\n' "${counts[@]}" | summary)  (window's CPU meanwhile: $(ps -o pcpu= -p "$tool") % of one core since start)"
  kill "$tool"
  wait "$tool" 2>/dev/null || true
}

echo "machine: $(nproc) processors, kernel $(uname -r)"
idle
measure 300
measure 10
most_ticks
