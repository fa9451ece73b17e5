"""What the module accepts and how it refuses the rest: layouts and dtypes
give the float64 C-ordered array's results, hostile input is an exception
(never a crash), Ctrl-C stops a run, and thread counts change nothing."""

import os
import signal
import subprocess
import sys
import textwrap
import time

import numpy as np
import pandas as pd
import pytest
from numpy.lib.stride_tricks import as_strided

import gaussnet


def small_data(n_cases=200, n_vars=6, seed=3):
    data, truth = gaussnet.simulate(n_vars, n_cases, seed=seed)
    return data.to_numpy(), truth


def summary(runs):
    # (NaN, the missed edges' evidence, is not equal to itself; its text is)
    edges = [r.edges.astype({"partial_correlation": str, "p_value": str}).to_dict("list") for r in runs]
    return [(r.learner, r.blankets, e, r.tests, r.scores) for r, e in zip(runs, edges)]


def equivalents(values):
    """The same values in other layouts and dtypes."""
    integers = np.round(values * 1000).astype(np.int64)
    yield "C", values, values
    yield "Fortran", np.asfortranarray(values), values
    yield "float32", values.astype(np.float32), values
    yield "strided", np.repeat(values, 2, axis=1)[:, ::2], values
    yield "negative strides", values[::-1, ::-1], values[::-1, ::-1].copy()
    yield "big-endian", values.astype(">f8"), values
    yield "DataFrame", pd.DataFrame(values, columns=[f"X{v + 1}" for v in range(values.shape[1])]), values
    yield "object", values.astype(object), values
    for dtype in (np.int16, np.int32, np.int64, np.uint32):
        yield dtype.__name__, (integers - integers.min() if dtype is np.uint32 else integers).astype(dtype), \
            (integers - integers.min() if dtype is np.uint32 else integers).astype(np.float64)


@pytest.mark.parametrize("name, given, reference", list(equivalents(small_data()[0])), ids=lambda x: x
                         if isinstance(x, str) else "")
def test_layouts_and_dtypes_give_the_float64_results(name, given, reference):
    truth = small_data()[1]
    assert summary(gaussnet.learn(given, truth=truth)) == summary(gaussnet.learn(reference, truth=truth))


def test_results_are_the_same_for_every_thread_count():
    values, truth = small_data(300, 40)
    runs = [summary(gaussnet.learn(values, truth=truth, threads=t)) for t in (1, 2, 3, None)]
    assert all(r == runs[0] for r in runs)


def test_data_frame_names_and_results():
    values, truth = small_data()
    names = ["a b", "é", "3", "x,y", '"q"', "last"]
    frame = pd.DataFrame(values, columns=[*names[:2], 3, *names[3:]])
    run = gaussnet.learn(frame, learners="IAMB2", truth=truth)[0]
    assert list(run.blankets) == names and run.names == names
    assert set(run.edges["source"]) | set(run.edges["target"]) <= set(names)
    graph = run.to_networkx()
    assert sorted(graph.nodes) == sorted(names)
    assert {d["status"] for _, _, d in graph.edges(data=True)} <= {"tp", "fp", "fn"}
    adjacency = run.adjacency.to_numpy()
    assert (adjacency == adjacency.T).all() and not adjacency.diagonal().any()


def hostile_inputs():
    """(id, call, expected exception, text the message must hold)."""
    values, truth = small_data()
    learn = gaussnet.learn
    for bad, text in ((np.nan, "not a number (nan)"), (np.inf, "infinite (inf)"), (-np.inf, "infinite (-inf)"),
                      (1e39, "out of the single-precision range")):
        for row, column in ((0, 0), (5, 2), (17, 1), (99, 3), (198, 4), (199, 5)):
            for layout in ("C", "F", "reversed", "frame", "float32", "columns reversed"):
                if layout == "float32" and bad == 1e39:
                    continue
                v = values.copy()
                v[row, column] = bad
                where = f"case {row + 1}, variable X{column + 1}:"
                if layout == "F":
                    v = np.asfortranarray(v)
                elif layout == "reversed":
                    v = v[::-1]
                    where = f"case {200 - row}, variable X{column + 1}:"
                elif layout == "frame":
                    v = pd.DataFrame(v, columns=[f"X{c + 1}" for c in range(6)])
                elif layout == "float32":
                    v = v.astype(np.float32)
                elif layout == "columns reversed":
                    v = v[:, ::-1]
                    where = f"case {row + 1}, variable X{6 - column}:"
                yield f"{bad}-{row}-{column}-{layout}", (lambda v=v: learn(v)), ValueError, where + " " + text
    shapes = {"1-D": values[0], "0-D": np.float64(1), "3-D": values[None], "no cases": values[:0],
              "one variable": values[:, :1], "no variables": values[:, :0], "list of lists": [[1.0, 2.0], [3.0]],
              "string": "data", "None": None}
    for name, data in shapes.items():
        yield f"shape {name}", (lambda d=data: learn(d)), ValueError, ""
    huge = {"2**31 cases": ((2**31, 3), ValueError), "2**31 variables": ((3, 2**31), ValueError),
            "2**22 variables": ((3, 2**22), MemoryError), "2**40 x 2**40": ((2**40, 2**40), ValueError)}
    for name, (shape, error) in huge.items():
        yield f"huge {name}", (lambda s=shape: learn(as_strided(np.ones(1), shape=s, strides=(0, 0)))), error, ""
    # Refused before a name is made for each of 2**30 columns.
    yield "huge broadcast 2**30 variables", (lambda: learn(np.broadcast_to(np.float32(1), (10, 2**30)))), \
        MemoryError, "covariance matrix"
    masked = np.ma.masked_array(values, mask=np.zeros(values.shape, dtype=bool))
    masked[3, 2] = np.ma.masked
    yield "masked values", (lambda: learn(masked)), ValueError, "masked"
    complex_column = pd.DataFrame(values, columns=list("abcdef")).astype({"c": complex})
    yield "frame complex column", (lambda: learn(complex_column)), ValueError, "variable c"
    surrogate = pd.DataFrame(values, columns=["a\udc80", *"bcdef"])
    yield "name with a lone surrogate", (lambda: learn(surrogate)), ValueError, "column 1"
    if np.finfo(np.longdouble).max > np.finfo(np.float64).max:
        extended = values.astype(np.longdouble)
        extended[7, 4] = np.longdouble("1e400")
        yield "extended 1e400", (lambda: learn(extended)), ValueError, \
            "case 8, variable X5: out of the single-precision range (1e+400)"
    for name, dtype in (("complex", complex), ("str", str), ("datetime", "datetime64[s]"), ("bytes", bytes)):
        yield f"dtype {name}", (lambda d=dtype: learn(values.astype(d))), ValueError, ""
    for name, cell in (("str", "x"), ("None", None), ("list", [1]), ("bool", True), ("complex", 1j),
                       ("10**400", 10**400)):
        v = values.astype(object)
        v[7, 4] = cell
        yield f"object {name}", (lambda v=v: learn(v)), ValueError, "case 8, variable X5"
        frame = pd.DataFrame(values, columns=list("abcdef")).astype({"e": object})
        frame.iloc[7, 4] = cell
        yield f"frame column {name}", (lambda f=frame: learn(f)), ValueError, "case 8, variable e"
    for name, columns in (("duplicate", list("abcdea")), ("duplicate after str", ["1", 1, "b", "c", "d", "e"])):
        yield f"names {name}", (lambda c=columns: learn(pd.DataFrame(values, columns=c))), ValueError, "columns"
    nullable = pd.DataFrame(values, columns=list("abcdef")).astype({"c": "Float64"})
    nullable.iloc[3, 2] = pd.NA
    yield "nullable NA", (lambda: learn(nullable)), ValueError, "case 4, variable c: not a number (nan)"
    for name, t in (("too small", truth[:5, :5]), ("not square", truth[:, :5]), ("1-D", truth[0]),
                    ("3-D", truth[None]), ("object", truth.astype(object)), ("str", truth.astype(str))):
        yield f"truth {name}", (lambda t=t: learn(values, truth=t)), ValueError, "truth"
    settings = {"alpha": ["x", None, True, float("nan"), 0, 1.5], "threads": [0, -2, 5000, 1.5, True, "2"],
                "exact": ["no", 1, None],
                "learners": ["FOO", ["EE", 2], "IAMB3", [None], None, 3], "correlation": ["rank", None, 1],
                "missing": ["drop", None, True]}
    for key, bad_values in settings.items():
        for bad in bad_values:
            yield f"{key} {bad!r}", (lambda k=key, b=bad: learn(values, **{k: b})), ValueError, key[:-1]
    for name, call in (("local no such", lambda: gaussnet.local(values, "nope", 1)),
                       ("local index", lambda: gaussnet.local(values, 6, 1)),
                       ("local radius", lambda: gaussnet.local(values, 0, "2")),
                       ("moral 1-D", lambda: gaussnet.moral_graph(truth[0])),
                       ("moral not square", lambda: gaussnet.moral_graph(truth[:, :3])),
                       ("simulate vars", lambda: gaussnet.simulate(0, 10)),
                       ("simulate weights", lambda: gaussnet.simulate(5, 10, weights=(1, 0.5))),
                       ("simulate noise", lambda: gaussnet.simulate(5, 10, noise=float("nan"))),
                       ("simulate transform", lambda: gaussnet.simulate(5, 10, transform="log")),
                       ("complete cases too few", lambda: learn(np.where(np.arange(200)[:, None] < 198, np.nan, values),
                                                                missing="complete")),
                       ("simulate overflow", lambda: gaussnet.simulate(40, 10, parents=20, weights=(1e30, 1e30)))):
        yield name, call, ValueError, ""
    boot = gaussnet.bootstrap
    bad_bootstraps = {"resamples": [0, -1, 1.5, True, 10**8 + 1, "5"], "seed": [-1, 2**64, 1.0, "1"],
                      "threshold": [0, -0.5, 1.5, float("nan"), "0.5", None], "learner": ["FOO", ["IAMB2"], None]}
    for key, bad_values in bad_bootstraps.items():
        for bad in bad_values:
            yield f"bootstrap {key} {bad!r}", (lambda k=key, b=bad: boot(values, **{"resamples": 2, k: b})), \
                ValueError, key
    for name, call, text in (("target with EE", lambda: boot(values, "EE", 2, target="X1"), "learner"),
                             ("no such target", lambda: boot(values, resamples=2, target="nope"), "nope"),
                             ("EE too few cases", lambda: boot(values[:5], "EE", 2), "EE runs only")):
        yield f"bootstrap {name}", call, ValueError, text
    constant = values.copy()
    constant[:, 2] = 1
    # The run on the full data fails first, as in the program, not each resample.
    yield "bootstrap constant column", (lambda: boot(constant, resamples=20)), gaussnet.NotPositiveDefinite, \
        "No Cholesky decomposition"
    twin = np.column_stack([values, values[:, 2]])
    for learner in ("EE", "IAMB2", "IAMB1"):
        yield f"singular {learner}", (lambda l=learner: learn(twin, learners=l)), gaussnet.NotPositiveDefinite, \
            f"No Cholesky decomposition"


HOSTILE = list(hostile_inputs())


@pytest.mark.parametrize("name, call, error, text", HOSTILE, ids=[case[0] for case in HOSTILE])
def test_hostile_input_is_an_exception(name, call, error, text):
    if error is MemoryError and os.environ.get("GAUSSNET_UNDER_SANITIZERS"):
        pytest.skip("the sanitizers' operator new ends the process instead of throwing std::bad_alloc")
    with pytest.raises(error) as raised:
        call()
    assert text in str(raised.value)


def test_diagnostics_arrive_as_warnings():
    values = small_data(5, 6)[0]
    with pytest.warns(gaussnet.GaussnetWarning, match=r"^EE runs only with more cases than variables"):
        assert [run.learner for run in gaussnet.learn(values)] == ["IAMB2", "IAMB1"]


def test_not_positive_definite_names_learner_and_target():
    values = small_data()[0]
    twin = np.column_stack([values, values[:, 2]])
    with pytest.raises(ArithmeticError) as raised:
        gaussnet.learn(twin, learners=["IAMB2"])
    # The lowest target that fails, whatever the threads.
    assert raised.value.learner == "IAMB2" and raised.value.target == "X1"
    assert str(raised.value).startswith(raised.value.message)


def test_bootstrap_counts_resamples_that_fail():
    # Seven cases of six variables: EE learns them, but a resample holds about five distinct cases.
    values = small_data()[0][:7]
    with pytest.warns(gaussnet.GaussnetWarning, match=r"^EE bootstrap: all 3 resamples failed"):
        boot = gaussnet.bootstrap(values, "EE", resamples=3, threads=2)
    learned_any = boot.consensus.adjacency.to_numpy().any()
    assert (boot.finished, boot.failed, len(boot.strength), learned_any) == (0, 3, 0, False)


@pytest.mark.parametrize("call", ["learn(data, learners=['IAMB1'], threads=2)",
                                  "bootstrap(data, 'IAMB1', resamples=100, threads=2)",
                                  "simulate(50, 4 * 10**6)"])
def test_ctrl_c_stops_a_long_run_and_leaves_the_interpreter_usable(call):
    script = textwrap.dedent(f"""
        import os, sys, threading, time
        import gaussnet
        data, _ = gaussnet.simulate(1500, 300, seed=2)
        tasks = len(os.listdir("/proc/self/task"))  # numpy's own threads among them
        print("ready", flush=True)
        try:
            gaussnet.{call}
            print("finished")
        except KeyboardInterrupt:
            print("interrupted", time.monotonic(), flush=True)
        print("threads", threading.active_count(), len(os.listdir("/proc/self/task")) - tasks)
        print("again", len(gaussnet.learn(data.iloc[:, :20], learners="IAMB2")[0].blankets))
    """)
    process = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, text=True,
                               env={**os.environ, "PYTHONPATH": os.pathsep.join(sys.path)})
    assert process.stdout.readline().strip() == "ready"
    time.sleep(1.5)
    sent = time.monotonic()
    process.send_signal(signal.SIGINT)
    lines = process.communicate(timeout=60)[0].split("\n")
    assert lines[0].startswith("interrupted"), lines
    # The monotonic clock is the machine's: the child's reading less the parent's.
    stopped = float(lines[0].split()[1]) - sent
    assert stopped < 2, stopped  # about a second, with a margin for a busy machine
    assert lines[1] == "threads 1 0", lines
    assert lines[2] == "again 20"


def test_missing_values_complete_equals_the_data_without_those_cases():
    values, truth = small_data()
    holes = values.copy()
    holes[[3, 10, 50, 51, 199], [0, 1, 5, 2, 4]] = np.nan
    frame = pd.DataFrame(holes, columns=[f"X{v + 1}" for v in range(6)]).astype(object)
    frame.iloc[10, 1] = None
    kept = np.delete(values, [3, 10, 50, 51, 199], axis=0)
    for correlation in ("pearson", "kendall"):
        expected = summary(gaussnet.learn(kept, truth=truth, correlation=correlation))
        for data in (holes, frame):
            with pytest.warns(gaussnet.GaussnetWarning, match="cases hold a missing value"):
                runs = gaussnet.learn(data, truth=truth, correlation=correlation, missing="complete")
            assert summary(runs) == expected
