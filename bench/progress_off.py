"""One timed gaussnet.learn call for the progress line's cost:

    progress_off.py DATA N_CASES N_VARS THREADS [off|on|none]

prints "call_s=W" (the call's wall time) on standard output. off passes
progress=False, on progress=True (its line goes to standard error), none
passes no progress argument at all (for a build without one)."""

import sys
import time

import numpy as np

import gaussnet


def main(path, n_cases, n_vars, threads, progress="off"):
    n_cases, n_vars = int(n_cases), int(n_vars)
    data = np.loadtxt(path, skiprows=1, max_rows=n_cases, usecols=range(n_vars))
    extra = {} if progress == "none" else {"progress": progress == "on"}
    start = time.perf_counter()
    gaussnet.learn(data, threads=int(threads), **extra)
    print(f"call_s={time.perf_counter() - start:.4f}", flush=True)


if __name__ == "__main__":
    main(*sys.argv[1:])
