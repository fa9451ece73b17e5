"""Markov blankets and undirected graphs from Gaussian data.

gaussnet learns, for every variable, its Markov blanket with the ranked IAMB
learner (IAMB2: Benjamini-Yekutieli adjusted p-values; IAMB1: plain ones), and
an undirected graph with the edge exclusion test (EE), from data treated as
multivariate Gaussian. The results are exactly those of the gaussnet program
on the same values.

Functions: learn, local, bootstrap, simulate, moral_graph. Errors: ValueError for input
that cannot be used, NotPositiveDefinite (an ArithmeticError) for a
covariance matrix that is not positive definite, MemoryError, and
KeyboardInterrupt when Ctrl-C stops a run (no thread is left running).
Diagnostics of the computation arrive as GaussnetWarning warnings.

Examples
--------
>>> import gaussnet
>>> data, truth = gaussnet.simulate(30, 1000, seed=7)
>>> runs = gaussnet.learn(data, truth=truth)
>>> [(run.learner, run.scores["edge_tpr"]) for run in runs]
"""

from __future__ import annotations

import numbers
import warnings

import numpy as np

from . import _core

__version__ = _core.__version__
__all__ = ["learn", "local", "bootstrap", "simulate", "moral_graph", "Run", "Bootstrap", "NotPositiveDefinite",
           "GaussnetWarning", "__version__"]

NotPositiveDefinite = _core.NotPositiveDefinite
NotPositiveDefinite.__doc__ = (
    "A covariance matrix that is not positive definite (an ArithmeticError). str() is the program's message "
    "with the run and target; .message the program's message alone, .learner the run (EE, IAMB2, IAMB1, "
    "local), .target the variable being learned (None for EE, which inverts the whole matrix).")

LEARNERS = _core.LEARNERS
SCORE_NAMES = ("var_tpr", "var_fdr", "var_fdr2", "edge_tpr", "edge_fdr", "edge_fdr2")


class GaussnetWarning(UserWarning):
    """A diagnostic of the computation: a special function's report, an IAMB
    target whose passes return to an earlier member set, fewer threads than
    asked for, an EE run skipped for too few cases."""


def _pandas():
    try:
        import pandas
    except ImportError:
        return None
    return pandas


class Run:
    """One learner run's result.

    Attributes
    ----------
    learner : str
        "EE", "IAMB2", "IAMB1" or "local".
    names : list of str
        The variable names, in column order.
    blankets : dict of str to list of str
        From each name to the list of its blanket's names, as learned (IAMB
        and local; not necessarily symmetric), or to its neighbours (EE).
    edges : pandas.DataFrame or numpy structured array
        The learned undirected edges (a pair is an edge when either variable
        lists the other), and with a true network the missed ones: a pandas
        DataFrame with the columns of the export's edges file, source,
        target, status ("learned", or "tp", "fp", "fn") and separated
        (True/False for fp edges, <NA> otherwise); a numpy structured array
        (separated -1 for none) when pandas cannot be imported.
    adjacency : numpy.ndarray of bool, shape (p, p)
        The learned undirected graph.
    tests : int
        The number of independence tests run.
    seconds : float
        The run's wall-clock time, to the millisecond.
    scores : dict of str to float or None
        With a true network, the six rates by name (var_tpr, var_fdr,
        var_fdr2 per variable; edge_tpr, edge_fdr, edge_fdr2 per edge), as
        the program's table has them; else None.
    """

    def __init__(self, raw, names):
        learner, blankets, (sources, targets, statuses, separated), tests, seconds, scores = raw
        self.learner = learner
        self.names = list(names)
        self.blankets = {names[v]: [names[j] for j in members] for v, members in enumerate(blankets)}
        self.tests = tests
        self.seconds = seconds
        self.scores = None if scores is None else dict(zip(SCORE_NAMES, scores))
        self._sources, self._targets, self._statuses, self._separated = sources, targets, statuses, separated
        learned = np.array([status != "fn" for status in statuses], dtype=bool)
        self.adjacency = np.zeros((len(names), len(names)), dtype=bool)
        self.adjacency[sources[learned], targets[learned]] = True
        self.adjacency[targets[learned], sources[learned]] = True
        self.edges = self._edge_table()

    def _edge_table(self):
        names = np.array(self.names, dtype=object)
        pandas = _pandas()
        if pandas is not None:
            separated = pandas.array([None if s < 0 else bool(s) for s in self._separated], dtype="boolean")
            return pandas.DataFrame({"source": names[self._sources], "target": names[self._targets],
                                     "status": list(self._statuses), "separated": separated})
        table = np.zeros(len(self._statuses), dtype=[("source", object), ("target", object), ("status", "U7"),
                                                     ("separated", "i1")])
        table["source"], table["target"] = names[self._sources], names[self._targets]
        table["status"], table["separated"] = self._statuses, self._separated
        return table

    def to_networkx(self):
        """The learned graph as a networkx graph.

        Returns
        -------
        networkx.Graph
            Every variable a node (isolated ones too), every row of .edges an
            edge with its status (and separated, for fp edges) as attributes;
            with a true network the missed edges are there too, with status
            "fn".
        """
        import networkx

        graph = networkx.Graph(learner=self.learner)
        graph.add_nodes_from(self.names)
        for s, t, status, separated in zip(self._sources, self._targets, self._statuses, self._separated):
            attributes = {"status": status}
            if separated >= 0:
                attributes["separated"] = bool(separated)
            graph.add_edge(self.names[s], self.names[t], **attributes)
        return graph

    def __repr__(self):
        scores = "" if self.scores is None else ", " + ", ".join(f"{k}={v:.3f}" for k, v in self.scores.items())
        learned = int(self.adjacency.sum()) // 2
        return f"Run({self.learner}: {learned} edges, {self.tests} tests, {self.seconds:.3f} s{scores})"


class Bootstrap:
    """A bootstrap's result: how often each edge was learned over resamples.

    Attributes
    ----------
    strength : pandas.DataFrame or numpy structured array
        The rows of the program's ``RUN.strength.csv``, in its order (most
        frequent first, then in variable order; with a true network the true
        pairs never learned follow at frequency 0), with its columns:
        source, target, frequency, status (with a true network only: "tp",
        "fp" or "fn" for the consensus network against the truth, "" for a
        false pair below the threshold), finished, failed.
    consensus : Run
        The consensus network (the pairs with frequency >= threshold) as a
        run: learner "IAMB2 bootstrap" (the run's name and " bootstrap"),
        blankets its neighbours, edges and, with a true network, scores as
        the program's ``RUN.consensus.*`` files and table row have them.
    finished, failed : int
        Resamples learned, and those whose covariance matrix was not
        positive definite (frequencies are over the finished ones).
    resamples, seed, threshold
        As asked for.
    tests : int
        Independence tests over all resamples.
    seconds : float
        The bootstrap's wall-clock time, to the millisecond.
    """

    def __init__(self, raw, names, resamples, seed, threshold):
        (sources, targets, frequencies, statuses), finished, failed, tests, seconds, consensus = raw
        self.resamples, self.seed, self.threshold = resamples, seed, threshold
        self.finished, self.failed, self.tests, self.seconds = finished, failed, tests, seconds
        self.consensus = Run(consensus, names)
        columns = {"source": np.array(names, dtype=object)[sources],
                   "target": np.array(names, dtype=object)[targets], "frequency": frequencies}
        if statuses is not None:
            columns["status"] = np.array(statuses, dtype="U2")
        columns["finished"] = np.full(len(sources), finished, dtype=np.int64)
        columns["failed"] = np.full(len(sources), failed, dtype=np.int64)
        pandas = _pandas()
        if pandas is not None:
            self.strength = pandas.DataFrame(columns)
        else:
            self.strength = np.zeros(len(sources), dtype=[(k, v.dtype) for k, v in columns.items()])
            for key, values in columns.items():
                self.strength[key] = values

    def __repr__(self):
        edges = int(self.consensus.adjacency.sum()) // 2
        return (f"Bootstrap({self.consensus.learner}: {self.resamples} resamples, {self.failed} failed, "
                f"{self.seconds:.3f} s, {edges} edges >= {self.threshold:g})")


# --- input -----------------------------------------------------------------

_READABLE_KINDS = "fiub"


def _column_array(column, name):
    """One DataFrame column as a numeric numpy array, or ValueError naming it."""
    values = column.to_numpy()
    if values.dtype.kind in _READABLE_KINDS:
        return values
    pandas = _pandas()
    if pandas.api.types.is_numeric_dtype(column.dtype) or pandas.api.types.is_bool_dtype(column.dtype):
        # Nullable integers and floats: missing values become NaN, reported below.
        return column.to_numpy(dtype=np.float64, na_value=np.nan)
    for row, value in enumerate(values):
        if isinstance(value, bool) or not isinstance(value, numbers.Real):
            raise ValueError(f"case {row + 1}, variable {name}: not a number ({value!r}); "
                             f"column {name!r} has dtype {column.dtype}")
    return values.astype(np.float64)


def _names_of(columns):
    names = [str(name) for name in columns]
    seen = {}
    for position, name in enumerate(names):
        if name in seen:
            raise ValueError(f"column names must differ: {name!r} is the name of columns {seen[name] + 1} and "
                             f"{position + 1}")
        seen[name] = position
    return names


def _check_counts(shape):
    if max(shape) > 2**31 - 1:
        raise ValueError(f"data: {shape[0]} cases x {shape[1]} variables; at most 2**31 - 1 of each")


def _data_frame(frame):
    _check_counts(frame.shape)
    names = _names_of(frame.columns)
    dtypes = {dtype for dtype in frame.dtypes}
    if len(dtypes) == 1 and next(iter(dtypes)).kind in _READABLE_KINDS:
        return frame.to_numpy(), names
    columns = [_column_array(frame.iloc[:, j], names[j]) for j in range(frame.shape[1])]
    return np.column_stack(columns) if columns else np.empty((len(frame), 0)), names


def _readable(array, what):
    """array as the library reads it in place: 2-D, real, native byte order,
    whole-element strides; anything else is copied or refused."""
    if array.ndim != 2:
        raise ValueError(f"{what} must be a 2-D array (cases x variables), not {array.ndim}-D")
    kind = array.dtype.kind
    if kind not in _READABLE_KINDS:
        raise ValueError(f"{what}: an array of dtype {array.dtype} cannot be read; give real numbers")
    if kind == "f" and array.itemsize not in (4, 8):
        array = array.astype(np.float64 if array.itemsize > 8 else np.float32)
    if kind == "b":
        array = array.view(np.uint8)
    if not array.dtype.isnative:
        array = array.astype(array.dtype.newbyteorder("="))
    if any(stride % array.itemsize for stride in array.strides):
        array = np.array(array)
    return array


def _data_of(data):
    pandas = _pandas()
    if pandas is not None and isinstance(data, pandas.DataFrame):
        array, names = _data_frame(data)
    else:
        if pandas is not None and isinstance(data, pandas.Series):
            raise ValueError("data must be 2-D (cases x variables); a Series is one variable")
        array = np.asarray(data)
        if array.ndim == 2:
            _check_counts(array.shape)
            names = [f"X{v + 1}" for v in range(array.shape[1])]
        else:
            names = []
    if array.dtype.kind == "O" and array.ndim == 2:
        array = _numbers_of(array, names)
    return _readable(array, "data"), names


def _numbers_of(array, names):
    """An array of Python objects that are all real numbers, as float64."""
    for (row, column), value in np.ndenumerate(array):
        if isinstance(value, bool) or not isinstance(value, numbers.Real):
            raise ValueError(f"case {row + 1}, variable {names[column]}: not a number ({value!r})")
    return array.astype(np.float64)


def _truth_of(truth, n_vars):
    if truth is None:
        return None
    pandas = _pandas()
    if pandas is not None and isinstance(truth, pandas.DataFrame):
        truth = truth.to_numpy()
    array = np.asarray(truth)
    if array.dtype.kind == "O":
        raise ValueError("truth: an array of dtype object cannot be read; give 0/1 or booleans")
    if array.ndim != 2 or array.shape != (n_vars, n_vars):
        raise ValueError(f"truth must be a {n_vars} x {n_vars} adjacency matrix (row = parent), "
                         f"not of shape {array.shape}")
    return _readable(array, "truth")


def _learner_names(learners):
    if isinstance(learners, str):
        learners = learners.split(",")
    names = []
    for learner in learners:
        if not isinstance(learner, str) or learner.strip().upper() not in LEARNERS:
            raise ValueError(f"unknown learner {learner!r}; the learners are {', '.join(LEARNERS[:-1])} "
                             f"and {LEARNERS[-1]}")
        names.append(learner.strip().upper())
    return names


def _threads_of(threads):
    if threads is None:
        return 0
    if isinstance(threads, bool) or not isinstance(threads, numbers.Integral) or not 1 <= threads <= _core.MAX_THREADS:
        raise ValueError(f"threads must be None or 1 to {_core.MAX_THREADS}, not {threads!r}")
    return int(threads)


def _alpha_of(alpha):
    if isinstance(alpha, bool) or not isinstance(alpha, numbers.Real):
        raise ValueError(f"alpha must be a number, not {alpha!r}")
    return float(alpha)


def _target_name(target, names):
    if isinstance(target, numbers.Integral) and not isinstance(target, bool):
        if not 0 <= target < len(names):
            raise ValueError(f"target index {target} is not a column (0 to {len(names) - 1})")
        target = names[target]
    if not isinstance(target, str):
        raise ValueError(f"target must be a variable's name or column index, not {target!r}")
    return target


def _radius_of(radius):
    if isinstance(radius, bool) or not isinstance(radius, numbers.Integral) or not -2**31 <= radius < 2**31:
        raise ValueError(f"radius must be an int, not {radius!r}")
    return int(radius)


def _warn(line):
    warnings.warn(line, GaussnetWarning, stacklevel=3)


def _with_names(call, names):
    """Runs call, naming the target of a matrix that is not positive definite."""
    try:
        return call()
    except NotPositiveDefinite as error:
        message = str(error.args[0]) if error.args else ""
        target = names[error.target_index] if getattr(error, "target_index", -1) >= 0 else None
        where = f"{error.learner}" + ("" if target is None else f", target {target}")
        named = NotPositiveDefinite(f"{message} ({where})")
        named.message, named.learner, named.target = message, error.learner, target
        raise named from None


# --- the functions -----------------------------------------------------------

def learn(data, alpha=0.05, learners=("EE", "IAMB2", "IAMB1"), exact=False, truth=None, threads=None):
    """Learn every variable's Markov blanket and the undirected graph.

    Runs the learners in the program's order (EE, IAMB2, IAMB1, whatever the
    order given); EE runs only with more cases than variables (otherwise it
    is skipped with a GaussnetWarning).

    Parameters
    ----------
    data : numpy.ndarray or pandas.DataFrame
        A 2-D numpy array, cases x variables, or a pandas DataFrame whose
        column names (made strings, all different) become the variable
        names; an array's variables are named X1 ... Xn. Any real dtype,
        layout or strides. Every value is rounded to the nearest
        single-precision number, as the program's data file reader rounds
        the numbers it reads, and the results are computed from the rounded
        values: data read from a gaussnet data file (numpy.loadtxt, or
        pandas.read_csv with float_precision="round_trip") give exactly the
        program's results on that file.
    alpha : float, default 0.05
        The significance level; each test is two-sided (p compared with
        alpha / 2).
    learners : str or sequence of str, default ("EE", "IAMB2", "IAMB1")
        Some of "EE", "IAMB2", "IAMB1" (any case), or one string of them
        separated by commas.
    exact : bool, default False
        False: Fisher's z with the normal distribution; True: the exact
        Student t statistic.
    truth : array_like or pandas.DataFrame, optional
        The true network as a p x p adjacency matrix (row = parent, any
        non-zero cell an arc), or None. With it every run is scored against
        its moral graph (Run.scores) and its edges are tp, fp or fn.
    threads : int, optional
        How many threads learn; None: the cores this process may use. The
        results are the same for every count.

    Returns
    -------
    list of Run
        One Run per learner run.

    Raises
    ------
    ValueError
        NaN, infinities or values beyond the single-precision range (naming
        case and variable), a non-numeric column, a wrong shape, a bad
        setting.
    NotPositiveDefinite
        A covariance matrix that is not positive definite (the program's
        message, with the learner and target).
    MemoryError
        Memory exhausted.
    KeyboardInterrupt
        Ctrl-C; the run stops within about a second.

    Examples
    --------
    >>> data, truth = gaussnet.simulate(30, 1000, seed=7)
    >>> runs = gaussnet.learn(data, learners="IAMB2", truth=truth, threads=2)
    >>> runs[0].scores["var_tpr"]
    """
    array, names = _data_of(data)
    run_names = _learner_names(learners)
    truth_array = _truth_of(truth, array.shape[1])
    raw = _with_names(lambda: _core.learn(array, names, truth_array, run_names, _alpha_of(alpha), bool(exact),
                                          _threads_of(threads), _warn), names)
    return [Run(run, names) for run in raw]


def local(data, target, radius, alpha=0.05, exact=False, truth=None, threads=None):
    """Learn the neighbourhood of one variable, ring by ring, with IAMB2.

    Ring 1 is the target; ring i + 1 holds the variables first found in the
    blankets of ring i's variables; radius rings are learned.

    Parameters
    ----------
    data, alpha, exact, truth, threads
        As for learn().
    target : str or int
        The target variable's name (an array's variables are X1 ... Xn), or
        its column index as an int.
    radius : int
        The number of rings.

    Returns
    -------
    Run
        Learner "local"; its blankets are those of the variables learned
        (the others' are empty). With a truth, its missed edges are those
        with a learned blanket at one end, as the program's export lists
        them; its scores count over the whole network, as the program's do.

    Raises
    ------
    ValueError
        As for learn(), and when no variable has that name.
    NotPositiveDefinite, MemoryError, KeyboardInterrupt
        As for learn().

    Examples
    --------
    >>> data, truth = gaussnet.simulate(30, 1000, seed=7)
    >>> run = gaussnet.local(data, "X5", radius=2, truth=truth)
    >>> run.blankets["X5"]
    """
    array, names = _data_of(data)
    target, radius = _target_name(target, names), _radius_of(radius)
    truth_array = _truth_of(truth, array.shape[1] if array.ndim == 2 else 0)
    raw = _with_names(lambda: _core.local(array, names, truth_array, target, int(radius), _alpha_of(alpha),
                                          bool(exact), _threads_of(threads), _warn), names)
    return Run(raw, names)


def _whole_of(value, name, low, high):
    if isinstance(value, bool) or not isinstance(value, numbers.Integral) or not low <= value <= high:
        raise ValueError(f"{name} must be a whole number from {low} to {high}, not {value!r}")
    return int(value)


def bootstrap(data, learner="IAMB2", resamples=200, seed=1, threshold=0.5, alpha=0.05, exact=False, truth=None,
              threads=None, target=None, radius=1):
    """How stable each learned edge is: the bootstrap's edge frequencies.

    Learns again with one learner on `resamples` resamples of the cases, each
    as many cases as the data drawn with replacement, and counts for every
    pair the share of the finished resamples that learned it; the pairs at
    or above `threshold` form the consensus network. Resample i is drawn
    from a random stream of its own derived from (seed, i), so the results
    are the same for every thread count and equal the program's
    ``--bootstrap B --seed S --threshold T`` on the same values (its
    ``RUN.strength.csv`` and ``RUN.consensus.*``).

    Parameters
    ----------
    data, alpha, exact, truth, threads
        As for learn(); the data are rounded to single precision as there.
    learner : {"IAMB2", "IAMB1", "EE"}
        The run resampled (any case). EE needs more cases than variables.
    resamples : int
        How many resamples, 1 to 100000000.
    seed : int
        The resamples' seed, 0 to 2**64 - 1.
    threshold : float
        The share of the resamples, above 0 and at most 1, from which a pair
        is in the consensus network.
    target : str or int, optional
        With a target (a name or column index), the local run around it
        (IAMB2, `radius` rings) is resampled instead, as local() learns it.
    radius : int
        The local run's rings.

    Returns
    -------
    Bootstrap
        .strength (a DataFrame with the strength file's columns), .consensus
        (a Run), .finished, .failed, .seconds, .resamples, .seed, .threshold.

    Raises
    ------
    ValueError
        A bad resamples, seed, threshold or learner (naming it), and as for
        learn().
    MemoryError, KeyboardInterrupt
        As for learn(). A resample whose covariance matrix is not positive
        definite is not an error: it is counted in .failed.

    Examples
    --------
    >>> data, truth = gaussnet.simulate(30, 500, seed=7)
    >>> boot = gaussnet.bootstrap(data, resamples=50, truth=truth)
    >>> boot.strength.head()
    """
    array, names = _data_of(data)
    run_names = _learner_names([learner])
    resamples = _whole_of(resamples, "resamples", 1, _core.MAX_RESAMPLES)
    seed = _whole_of(seed, "seed", 0, 2**64 - 1)
    if isinstance(threshold, bool) or not isinstance(threshold, numbers.Real) or not 0 < threshold <= 1:
        raise ValueError(f"threshold must be a share of the resamples above 0 and at most 1, not {threshold!r}")
    if target is not None:
        if run_names[0] != "IAMB2":
            raise ValueError(f"learner {learner!r} with a target: the local run learns with IAMB2")
        target = _target_name(target, names)
        radius = _radius_of(radius)
    truth_array = _truth_of(truth, array.shape[1])
    raw = _with_names(lambda: _core.bootstrap(array, names, truth_array, run_names[0], target, int(radius), resamples,
                                              seed, float(threshold), _alpha_of(alpha), bool(exact),
                                              _threads_of(threads), _warn), names)
    return Bootstrap(raw, names, resamples, seed, float(threshold))


def simulate(n_vars, n_cases, parents=2, weights=(0.5, 1), noise=1, seed=1):
    """Simulate a random linear Gaussian network and data from it.

    Exactly what `gaussnet-sim --vars N_VARS --cases N_CASES --parents P
    --weights LO:HI --noise NOISE --seed SEED` writes, value for value: a
    random DAG with `parents` parents per variable on average, arc weights
    uniform in +-[lo, hi), noise with standard deviation `noise`.

    Parameters
    ----------
    n_vars : int
        The number of variables, 1 to 2**31 - 1.
    n_cases : int
        The number of cases, not negative.
    parents : float, default 2
        The average number of parents per variable.
    weights : (float, float), default (0.5, 1)
        lo and hi: arc weights are uniform in +-[lo, hi).
    noise : float, default 1
        The noise's standard deviation.
    seed : int, default 1
        0 to 2**64 - 1.

    Returns
    -------
    data : pandas.DataFrame or numpy.ndarray
        n_cases x n_vars float64 values that are exactly single-precision
        numbers, as a pandas DataFrame with columns X1 ... Xn (a numpy array
        without pandas).
    truth : numpy.ndarray of uint8
        The n_vars x n_vars adjacency matrix of the network (row = parent),
        as net.txt holds it.

    Raises
    ------
    ValueError
        A count or seed that is not an int or is out of range.

    Examples
    --------
    >>> data, truth = gaussnet.simulate(10, 200, parents=1.5, seed=3)
    >>> data.shape, truth.shape
    ((200, 10), (10, 10))
    """
    for name, value in (("n_vars", n_vars), ("n_cases", n_cases), ("seed", seed)):
        if isinstance(value, bool) or not isinstance(value, numbers.Integral):
            raise ValueError(f"{name} must be an int, not {value!r}")
    if not 1 <= n_vars < 2**31 or not 0 <= n_cases < 2**63 or not 0 <= seed < 2**64:
        raise ValueError("n_vars must be 1 to 2**31 - 1, n_cases not negative, seed 0 to 2**64 - 1")
    lo, hi = weights
    values, names, arcs = _core.simulate(int(n_vars), int(n_cases), float(parents), float(lo), float(hi),
                                         float(noise), int(seed))
    pandas = _pandas()
    return (values if pandas is None else pandas.DataFrame(values, columns=names, copy=False)), arcs


def moral_graph(dag):
    """The moral graph of a directed graph.

    Each pair joined by an arc, or sharing a child, becomes an undirected
    edge.

    Parameters
    ----------
    dag : array_like, shape (p, p)
        The directed graph as an adjacency matrix (row = parent, any
        non-zero cell an arc, the diagonal ignored).

    Returns
    -------
    numpy.ndarray of bool, shape (p, p)
        Symmetric, with a zero diagonal.

    Raises
    ------
    ValueError
        An array of dtype object, or one that is not square and 2-D.

    Examples
    --------
    >>> gaussnet.moral_graph([[0, 0, 1], [0, 0, 1], [0, 0, 0]]).astype(int)
    array([[0, 1, 1],
           [1, 0, 1],
           [1, 1, 0]])
    """
    array = np.asarray(dag)
    if array.dtype.kind == "O":
        raise ValueError("dag: an array of dtype object cannot be read; give 0/1 or booleans")
    if array.ndim != 2 or array.shape[0] != array.shape[1]:
        raise ValueError(f"dag must be a square 2-D adjacency matrix, not of shape {array.shape}")
    return _core.moral_graph(_readable(array, "dag"))
