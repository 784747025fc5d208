# Drives the real tessivo window from outside, the way a user would, for the
# window benchmarks: start it, type a process id and an interval, press 开始监控.
# Sourced by the bench scripts; needs DISPLAY, xdotool and a window manager.
# shellcheck shell=bash

# Client-area positions of the layout: 编辑框进程ID at 58,43 (160 x 25),
# 编辑框速度 at 58,74 (62 x 25), 按钮开始监控 at 401,331 (80 x 32).
PROCESS_ID_BOX_CLICK=(130 55)
INTERVAL_BOX_CLICK=(89 86)
START_BUTTON_CLICK=(440 347)

# Copies the executable into a folder of its own, so that the run's logs land
# in <folder>/内存CPU监控记录 and nowhere else. Prints the copy's path.
private_tool_copy() {
  local executable=$1 folder=$2
  mkdir -p "$folder"
  cp "$executable" "$folder/tessivo"
  echo "$folder/tessivo"
}

# Runs a command every 50 ms, at most `tries` times, until it prints
# something; prints its first line.
wait_for_output() {
  local tries=$1 result=""
  shift
  for _ in $(seq "$tries"); do
    result=$("$@" 2>/dev/null | head -n1 || true)
    [ -n "$result" ] && { echo "$result"; return 0; }
    sleep 0.05
  done
  return 1
}

# Waits until the window of the process is mapped (--all: xdotool joins its
# conditions with "or" unless told), and a moment more for the
# window manager to place it; prints its X window id.
window_of_process() {
  wait_for_output 300 xdotool search --all --onlyvisible --pid "$1" --name '^Tessivo2\.0$' ||
    { echo "the window of process $1 did not appear" >&2; return 1; }
  sleep 0.5
}

replace_text_at() {
  local window=$1 x=$2 y=$3 text=$4
  xdotool mousemove --window "$window" "$x" "$y" click 1
  xdotool key --delay 20 ctrl+a BackSpace
  xdotool type --delay 20 "$text"
}

# Types the target and the interval and presses 开始监控.
start_watch() {
  local window=$1 target=$2 interval_ms=$3
  xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
  replace_text_at "$window" "${PROCESS_ID_BOX_CLICK[@]}" "$target"
  replace_text_at "$window" "${INTERVAL_BOX_CLICK[@]}" "$interval_ms"
  xdotool mousemove --window "$window" "${START_BUTTON_CLICK[@]}" click 1
  xdotool mousemove 5 5
}

newest_log() {
  local file
  for file in "$1/内存CPU监控记录/"*"-ID$2.txt"; do
    [ -e "$file" ] && echo "$file"
  done
}

# The log file of the run watching `target`, once it exists.
log_of_target() {
  wait_for_output 200 newest_log "$1" "$2" ||
    { echo "no log file for process $2 in $1" >&2; return 1; }
}

# Processes the script started; stop_started kills them (trap it on EXIT).
started=()
stop_started() {
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}

# Starts a window manager (xdotool's activation needs one) and an idle target
# with 16 MiB resident; sets target_pid.
start_desktop_and_target() {
  local support=$1
  openbox >/dev/null 2>&1 &
  started+=($!)
  sleep 0.5
  "$support/memory_child" 16 >/dev/null &
  target_pid=$!
  started+=("$target_pid")
}

# Windows opened so far: each goes to a place of its own (all start centred
# and on top, so a later one may open beneath an earlier one).
windows_opened=0

# Starts a window from a private copy in `folder` and, with a target, has it
# watch the target at interval_ms. Sets window_pid and (watching) window_log.
open_window() {
  local executable=$1 folder=$2 target=${3:-} interval_ms=${4:-}
  local copy window
  rm -rf "$folder"
  copy=$(private_tool_copy "$executable" "$folder")
  "$copy" >/dev/null 2>&1 &
  window_pid=$!
  started+=("$window_pid")
  window=$(window_of_process "$window_pid")
  xdotool windowmove --sync "$window" $(( 20 + windows_opened % 2 * 620 )) 20
  windows_opened=$((windows_opened + 1))
  window_log=""
  if [ -n "$target" ]; then
    start_watch "$window" "$target" "$interval_ms"
    window_log=$(log_of_target "$folder" "$target")
  fi
}

# Records in a log so far (each tick writes one "内存:" line).
record_count() {
  iconv -f GBK -t UTF-8 "$1" 2>/dev/null | grep -c '^内存:' || true
}

# Private working set of a process in KB, as the tool reads it.
private_kb() {
  awk '/^Private_(Clean|Dirty):/ { sum += $2 } END { print sum + 0 }' "/proc/$1/smaps_rollup"
}

status_kb() {
  awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"
}

# utime + stime of a process in clock ticks.
cpu_ticks() {
  # The name in stat may hold spaces: count fields after the last ")".
  sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}
