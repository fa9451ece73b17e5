"""One timed call of gaussnet.learn for bench/python.sh:

    python_learn.py DATA N_CASES N_VARS NET THREADS

prints "seconds=S call_s=W cpu_s=C extra_mb=M" on standard output: the run's
own seconds, the call's wall and processor time (all threads), and the peak
resident memory the call added to the process (VmHWM after the call, the
peak having been reset just before it, less VmRSS before it)."""

import resource
import sys
import time

import numpy as np
import pandas  # noqa: F401 (the results' edge tables are DataFrames: its one-time import is not the call's)

import gaussnet


def status_mb(key):
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith(key + ":"):
                return int(line.split()[1]) / 1000.0
    return float("nan")


def main(path, n_cases, n_vars, net, threads):
    n_cases, n_vars = int(n_cases), int(n_vars)
    data = np.loadtxt(path, skiprows=1, max_rows=n_cases, usecols=range(n_vars))
    lines = open(net).read().split()
    truth = np.array([[c != "0" for c in line] for line in lines[:n_vars]])
    with open("/proc/self/clear_refs", "w") as refs:  # resets the peak (VmHWM) to the current size
        refs.write("5")
    before = status_mb("VmRSS")
    usage = resource.getrusage(resource.RUSAGE_SELF)
    start = time.perf_counter()
    run = gaussnet.learn(data, learners=["IAMB2"], truth=truth, threads=int(threads))[0]
    call = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_SELF)
    cpu = after.ru_utime + after.ru_stime - usage.ru_utime - usage.ru_stime
    print(f"seconds={run.seconds:.3f} call_s={call:.3f} cpu_s={cpu:.3f} extra_mb={status_mb('VmHWM') - before:.1f}")


if __name__ == "__main__":
    main(*sys.argv[1:])
