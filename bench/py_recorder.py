#!/usr/bin/python3
"""A plain recorder to hold the window's own cost against: every INTERVAL
seconds it reads the target's private working set (smaps_rollup) and its CPU
times (stat) and appends one line to a file. It draws nothing.

  py_recorder.py PID INTERVAL_SECONDS OUT_FILE
"""
import sys
import time

pid, interval, out_path = int(sys.argv[1]), float(sys.argv[2]), sys.argv[3]
rollup_path = f"/proc/{pid}/smaps_rollup"
stat_path = f"/proc/{pid}/stat"

with open(out_path, "a") as out:
    deadline = time.monotonic()
    while True:
        deadline += interval
        time.sleep(max(0.0, deadline - time.monotonic()))
        private_kb = 0
        with open(rollup_path) as rollup:
            for line in rollup:
                if line.startswith(("Private_Clean:", "Private_Dirty:")):
                    private_kb += int(line.split()[1])
        with open(stat_path) as stat:
            fields = stat.read().rpartition(")")[2].split()
        ticks = int(fields[11]) + int(fields[12])
        out.write(f"{time.strftime('%Y-%m-%d %H:%M:%S')} memory:{private_kb} K cpu_ticks:{ticks}\n")
        out.flush()
