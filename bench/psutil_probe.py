#!/usr/bin/python3
"""psutil on the same target, for the benchmarks that compare against it.
Debian's python3-psutil belongs to the system interpreter, /usr/bin/python3.

  psutil_probe.py uss PID CALLS
      times CALLS calls of memory_full_info().uss with time.perf_counter and
      prints the median and the mean cost of one call in microseconds.
  psutil_probe.py cpu PID INTERVAL_MS SECONDS
      prints "ready" once its baseline is taken, then cpu_percent() every
      INTERVAL_MS for SECONDS, divided by the processor count (percent of the
      whole machine), one reading a line.
"""
import statistics
import sys
import time

import psutil


def uss(pid, calls):
    process = psutil.Process(pid)
    costs = []
    for _ in range(calls):
        start = time.perf_counter()
        process.memory_full_info().uss
        costs.append(time.perf_counter() - start)
    print(f"{statistics.median(costs) * 1e6:.3f} {statistics.fmean(costs) * 1e6:.3f}")


def cpu(pid, interval_ms, seconds):
    process = psutil.Process(pid)
    processors = psutil.cpu_count()
    process.cpu_percent()  # the baseline
    print("ready", flush=True)
    interval = interval_ms / 1000.0
    deadline = time.monotonic()
    end = deadline + seconds
    while True:
        deadline += interval
        if deadline > end:
            break
        time.sleep(max(0.0, deadline - time.monotonic()))
        print(f"{process.cpu_percent() / processors:.4f}", flush=True)


if __name__ == "__main__":
    mode, pid = sys.argv[1], int(sys.argv[2])
    if mode == "uss":
        uss(pid, int(sys.argv[3]))
    else:
        cpu(pid, int(sys.argv[3]), float(sys.argv[4]))
