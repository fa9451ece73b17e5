"""Markov blankets and undirected graphs from Gaussian data.

gaussnet learns, for every variable, its Markov blanket with the ranked IAMB
learner (IAMB2: Benjamini-Yekutieli adjusted p-values; IAMB1: plain ones), and
an undirected graph with the edge exclusion test (EE), from data treated as
multivariate Gaussian. The results are exactly those of the gaussnet program
on the same values.

Functions: learn, local, bootstrap, partial_correlations, simulate, moral_graph, read_net, report; estimators
with fit(X): IAMB and EdgeExclusion. Errors: ValueError for input
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
>>> runs["IAMB2"].edges.head()
"""

from __future__ import annotations

import numbers
import os
import warnings

import numpy as np

from . import _core
from ._progress import progress_line as _progress_line

__version__ = _core.__version__
__all__ = ["learn", "local", "bootstrap", "partial_correlations", "simulate", "moral_graph", "read_net", "report",
           "Run", "Runs", "Bootstrap", "IAMB", "EdgeExclusion", "NotPositiveDefinite",
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
    asked for, an EE run skipped for too few cases, cases left out for a
    missing value."""


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
        lists the other), and with a true network the missed ones (status
        "fn"; not part of adjacency or to_networkx()): a pandas
        DataFrame with the columns of the export's edges file, source,
        target, status ("learned", or "tp", "fp", "fn"), separated
        (True/False for fp edges, <NA> otherwise), partial_correlation and
        p_value (NaN for fn edges and a consensus network's); a numpy
        structured array (separated -1 for none) when pandas cannot be
        imported. partial_correlation is the edge's sign and strength and
        p_value the unadjusted p-value of its test: for EE given all other
        variables (as partial_correlations() has it); for IAMB and local
        runs given the rest of the learned blanket (the test that kept the
        member), and where both ends list each other the weaker of the two
        (the larger p-value).
    adjacency : pandas.DataFrame or numpy.ndarray of bool, shape (p, p)
        The learned undirected graph, its rows and columns named by the
        variables (a boolean DataFrame; a numpy array when pandas cannot be
        imported).
    tests : int
        The number of independence tests run.
    seconds : float
        The run's wall-clock time, to the millisecond.
    scores : dict of str to float or None
        With a true network, the six rates by name (var_tpr, var_fdr,
        var_fdr2 per variable; edge_tpr, edge_fdr, edge_fdr2 per edge), as
        the program's table has them; else None.
    target, radius : str and int, or None
        The local run's target and radius (None for the other runs).
    rings : dict of str to int, or None
        The local run's ring of each variable, as its exported nodes file
        has it: 1 the target, 2 the variables in its blanket, 3 those first
        found in theirs, ..., 0 never reached; a blanket learned empty and
        one never learned are told apart by it (None for the other runs).
    """

    def __init__(self, raw, names):
        learner, blankets, edges, tests, seconds, scores, *rings = raw
        self._raw = raw
        sources, targets, statuses, separated, partial_correlations, p_values = edges
        self.learner = learner
        self.names = list(names)
        self.blankets = {names[v]: [names[j] for j in members] for v, members in enumerate(blankets)}
        self.tests = tests
        self.seconds = seconds
        self.scores = None if scores is None else dict(zip(SCORE_NAMES, scores))
        self._sources, self._targets, self._statuses, self._separated = sources, targets, statuses, separated
        self._partial_correlations, self._p_values = partial_correlations, p_values
        learned = np.array([status != "fn" for status in statuses], dtype=bool)
        self._adjacency = np.zeros((len(names), len(names)), dtype=bool)
        self._adjacency[sources[learned], targets[learned]] = True
        self._adjacency[targets[learned], sources[learned]] = True
        self.adjacency = _labelled(self._adjacency, self.names)
        self.edges = self._edge_table()
        self.target = self.radius = None
        self.rings = dict(zip(self.names, map(int, rings[0]))) if rings and len(rings[0]) else None
        self._weights = None  # a consensus network's edge frequencies, by (source, target)

    def _edge_table(self):
        names = np.array(self.names, dtype=object)
        pandas = _pandas()
        if pandas is not None:
            separated = pandas.array([None if s < 0 else bool(s) for s in self._separated], dtype="boolean")
            return pandas.DataFrame({"source": names[self._sources], "target": names[self._targets],
                                     "status": list(self._statuses), "separated": separated,
                                     "partial_correlation": self._partial_correlations, "p_value": self._p_values})
        table = np.zeros(len(self._statuses), dtype=[("source", object), ("target", object), ("status", "U7"),
                                                     ("separated", "i1"), ("partial_correlation", "f8"),
                                                     ("p_value", "f8")])
        table["source"], table["target"] = names[self._sources], names[self._targets]
        table["status"], table["separated"] = self._statuses, self._separated
        table["partial_correlation"], table["p_value"] = self._partial_correlations, self._p_values
        return table

    def to_networkx(self, include_missed=False):
        """The learned graph as a networkx graph.

        Parameters
        ----------
        include_missed : bool, default False
            With a true network, add the missed edges (status "fn") too;
            they are not part of the learned graph, so degrees and hubs
            then count them.

        Returns
        -------
        networkx.Graph
            Every variable a node (isolated ones too) with its blanket_size
            (the blanket as learned; for EE its neighbours) and degree (in
            the learned graph) as attributes; every learned edge with its
            status (and separated, for fp edges; partial_correlation and
            p_value, for a run's learned edges) as attributes, and in a
            bootstrap's consensus network its frequency as weight.
        """
        import networkx

        graph = networkx.Graph(learner=self.learner)
        degree = self._adjacency.sum(axis=1)
        for v, name in enumerate(self.names):
            graph.add_node(name, blanket_size=len(self.blankets[name]), degree=int(degree[v]))
        for s, t, status, separated, r, p in zip(self._sources, self._targets, self._statuses, self._separated,
                                                 self._partial_correlations, self._p_values):
            if status == "fn" and not include_missed:
                continue
            attributes = {"status": status}
            if separated >= 0:
                attributes["separated"] = bool(separated)
            if self._weights is not None and status != "fn":
                attributes["weight"] = self._weights[(int(s), int(t))]
            if not np.isnan(r):
                attributes["partial_correlation"], attributes["p_value"] = float(r), float(p)
            graph.add_edge(self.names[s], self.names[t], **attributes)
        return graph

    def __repr__(self):
        scores = "" if self.scores is None else ", " + ", ".join(f"{k}={v:.3f}" for k, v in self.scores.items())
        learned = int(self._adjacency.sum()) // 2
        return f"Run({self.learner}: {learned} edges, {self.tests} tests, {self.seconds:.3f} s{scores})"


def _labelled(matrix, names):
    """A p x p matrix with the variables' names on its rows and columns."""
    pandas = _pandas()
    return matrix if pandas is None else pandas.DataFrame(matrix, index=list(names), columns=list(names))


class Runs(list):
    """learn()'s runs: a list in the program's order, also keyed by learner.

    ``runs["IAMB2"]`` is the IAMB2 run (as R's named list has it), ``runs[0]``
    the first; iterating gives the runs, ``keys()``, ``values()`` and
    ``items()`` the learners' names with them, as a dict would.
    """

    def __getitem__(self, key):
        if isinstance(key, str):
            for run in self:
                if run.learner == key.strip().upper():
                    return run
            raise KeyError(f"no {key!r} run among {', '.join(self.keys()) or 'none'}")
        return super().__getitem__(key)

    def __contains__(self, item):
        return item in self.keys() if isinstance(item, str) else super().__contains__(item)

    def keys(self):
        return [run.learner for run in self]

    def values(self):
        return list(self)

    def items(self):
        return [(run.learner, run) for run in self]

    def get(self, key, default=None):
        return self[key] if key in self else default

    def __repr__(self):
        return "Runs([" + ", ".join(repr(run) for run in self) + "])"


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
        self._raw = raw
        self.resamples, self.seed, self.threshold = resamples, seed, threshold
        self.finished, self.failed, self.tests, self.seconds = finished, failed, tests, seconds
        self.consensus = Run(consensus, names)
        self.consensus._weights = {(int(s), int(t)): float(f) for s, t, f in zip(sources, targets, frequencies)}
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
        edges = int(self.consensus._adjacency.sum()) // 2
        return (f"Bootstrap({self.consensus.learner}: {self.resamples} resamples, {self.failed} failed, "
                f"{self.seconds:.3f} s, {edges} edges >= {float(self.threshold)})")


# --- input -----------------------------------------------------------------

_READABLE_KINDS = "fiub"


def _column_array(column, name):
    """One DataFrame column as a numeric numpy array, or ValueError naming it."""
    values = column.to_numpy()
    if values.dtype.kind in _READABLE_KINDS:
        return values
    if values.dtype.kind == "c":
        # Cast to float, the imaginary parts would be dropped with a mere warning.
        raise ValueError(f"variable {name}: column {name!r} has dtype {column.dtype}; give real numbers")
    pandas = _pandas()
    if pandas.api.types.is_numeric_dtype(column.dtype) or pandas.api.types.is_bool_dtype(column.dtype):
        # Nullable integers and floats: missing values become NaN, reported below.
        return column.to_numpy(dtype=np.float64, na_value=np.nan)
    values = values.copy()
    for row, value in enumerate(values):
        if _is_missing(value):
            values[row] = np.nan
        elif isinstance(value, bool) or not isinstance(value, numbers.Real):
            raise ValueError(f"case {row + 1}, variable {name}: not a number ({value!r}); "
                             f"column {name!r} has dtype {column.dtype}")
    return np.array([_float_of(value, row, name) for row, value in enumerate(values)], dtype=np.float64)


def _float_of(value, row, name):
    """A real Python number as a float; an integer beyond any float is named as the library names such values."""
    try:
        return float(value)
    except OverflowError:
        digits = int(value.bit_length() * 0.30103) + 1
        raise ValueError(f"case {row + 1}, variable {name}: out of the single-precision range "
                         f"(an integer of about {digits} digits)") from None


def _names_of(columns):
    names = [str(name) for name in columns]
    seen = {}
    for position, name in enumerate(names):
        try:
            name.encode("utf-8")
        except UnicodeEncodeError:
            raise ValueError(f"column {position + 1}: its name {name!r} is not text (it holds a lone surrogate, "
                             f"as from bytes decoded with surrogateescape); rename the column") from None
        if name in seen:
            raise ValueError(f"column names must differ: {name!r} is the name of columns {seen[name] + 1} and "
                             f"{position + 1}")
        seen[name] = position
    return names


def _check_counts(shape):
    if max(shape) > 2**31 - 1:
        raise ValueError(f"data: {shape[0]} cases x {shape[1]} variables; at most 2**31 - 1 of each")
    # Before a name is made for each variable: the learners hold a covariance
    # matrix of n_vars x n_vars doubles, which must fit in the machine.
    needed = 8 * shape[1] ** 2
    memory = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES")
    if needed > memory:
        raise MemoryError(f"data: {shape[1]} variables need a covariance matrix of {needed} bytes; this machine "
                          f"has {memory}")


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
    if isinstance(data, np.ma.MaskedArray) and np.ma.getmaskarray(data).any():
        raise ValueError(f"data: a masked array with {np.ma.count_masked(data)} masked values; give missing "
                         f"values as NaN (missing=\"complete\" leaves those cases out), or fill them")
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
    if array.dtype.kind == "f" and array.itemsize > 8 and array.ndim == 2:
        _check_double_range(array, names)
    return _readable(array, "data"), names


def _is_missing(value):
    """None and pandas' NA are missing values, as NaN is."""
    pandas = _pandas()
    return value is None or (pandas is not None and value is pandas.NA)


def _numbers_of(array, names):
    """An array of Python objects that are all real numbers (or missing), as float64."""
    numbers_read = np.empty(array.shape, dtype=np.float64)
    for (row, column), value in np.ndenumerate(array):
        if _is_missing(value):
            numbers_read[row, column] = np.nan
        elif isinstance(value, bool) or not isinstance(value, numbers.Real):
            raise ValueError(f"case {row + 1}, variable {names[column]}: not a number ({value!r})")
        else:
            numbers_read[row, column] = _float_of(value, row, names[column])
    return numbers_read


def _check_double_range(array, names):
    """Extended precision is read through float64: a finite value beyond its
    range would arrive as infinite, so it is named for what it is."""
    with np.errstate(over="ignore"):
        beyond = np.isfinite(array) & ~np.isfinite(array.astype(np.float64))
    if beyond.any():
        row, column = np.argwhere(beyond)[0]
        raise ValueError(f"case {row + 1}, variable {names[column]}: out of the single-precision range "
                         f"({str(array[row, column])})")


def _labels(index):
    """A DataFrame axis's labels as names, or [] for pandas' default 0 .. n-1."""
    pandas = _pandas()
    if isinstance(index, pandas.RangeIndex) and index.start == 0 and index.step == 1:
        return []
    return [str(label) for label in index]


def _truth_of(truth, names):
    """The truth as an array in the data's order: a named one (a DataFrame's
    index and columns) aligned by name, an unnamed one taken by position, a
    path read as a net.txt file."""
    if truth is None:
        return None
    n_vars = len(names)
    if isinstance(truth, (str, os.PathLike)):
        truth = read_net(truth, names)
    pandas = _pandas()
    rows, columns = [], []
    if pandas is not None and isinstance(truth, pandas.DataFrame):
        rows, columns = _labels(truth.index), _labels(truth.columns)
        truth = truth.to_numpy()
    array = np.asarray(truth)
    if array.dtype.kind == "O":
        raise ValueError("truth: an array of dtype object cannot be read; give 0/1 or booleans")
    if array.ndim != 2 or array.shape != (n_vars, n_vars):
        raise ValueError(f"truth must be a {n_vars} x {n_vars} adjacency matrix (row = parent), "
                         f"not of shape {array.shape}")
    if rows or columns:
        row_order, column_order = _core.truth_order(names, rows, columns)
        array = array[np.ix_(row_order, column_order)]
    return _readable(array, "truth")


def _warn_index_column(array, names):
    """A GaussnetWarning when the first column looks like a file's row index."""
    if array.ndim != 2 or not names:
        return
    first = _core.index_column(array, names)
    if first >= 0:
        warnings.warn(f"column {names[0]!r} holds the case numbers {first} to {array.shape[0] - 1 + first}, as a "
                      f"row index does, and is learned as a variable; read the file with index_col=0 "
                      f"(pandas.read_csv) or drop the column", GaussnetWarning, stacklevel=3)


def _learner_names(learners):
    if isinstance(learners, str):
        learners = learners.split(",")
    if learners is None or not hasattr(learners, "__iter__"):
        raise ValueError(f"learners must be names among EE, IAMB2 and IAMB1, not {learners!r}")
    names = []
    for learner in learners:
        if not isinstance(learner, str) or learner.strip().upper() not in LEARNERS:
            raise ValueError(f"unknown learner {learner!r}; the learners are {', '.join(LEARNERS[:-1])} "
                             f"and {LEARNERS[-1]}")
        names.append(learner.strip().upper())
    return names


def _threads_of(threads):
    """0 asks the library for the cores this process may use."""
    if threads is None or (isinstance(threads, numbers.Integral) and not isinstance(threads, bool) and threads == -1):
        return 0
    if isinstance(threads, bool) or not isinstance(threads, numbers.Integral) or not 1 <= threads <= _core.MAX_THREADS:
        raise ValueError(f"threads must be None or -1 (all cores), or 1 to {_core.MAX_THREADS}, not {threads!r}")
    return int(threads)


def _flag_of(value, name):
    """A yes/no setting: True or False (numpy's too), never text that bool() would call true."""
    if isinstance(value, (bool, np.bool_)):
        return bool(value)
    raise ValueError(f"{name} must be True or False, not {value!r}")


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


_CORRELATIONS = _core.CORRELATIONS
_MISSING = _core.MISSING_VALUES
_TRANSFORMS = ("none", "exp", "cube", "logistic", "mix")


def _choice_of(value, name, choices):
    if not isinstance(value, str) or value.lower() not in choices:
        raise ValueError(f"{name} must be one of {', '.join(repr(c) for c in choices)}, not {value!r}")
    return value.lower()


def _pairs_of(pairs, name):
    """Pairs of variable names: None, a sequence of (name, name), or a DataFrame whose first two columns hold them."""
    if pairs is None:
        return []
    if hasattr(pairs, "iloc") and hasattr(pairs, "columns"):
        if len(pairs.columns) != 2:
            raise ValueError(f"{name} must have two columns of variable names, not {len(pairs.columns)}")
        pairs = pairs.itertuples(index=False, name=None)
    if isinstance(pairs, (str, bytes)):
        raise ValueError(f"{name} must be pairs of variable names, not a string")
    result = []
    for place, pair in enumerate(pairs, start=1):
        if isinstance(pair, (str, bytes)) or len(pair) != 2 or not all(isinstance(v, str) for v in pair):
            raise ValueError(f"{name}, pair {place}: two variable names expected, not {pair!r}")
        result.append((pair[0], pair[1]))
    return result


def _data_setting(correlation, missing, forbid=None, require=None):
    return _core.DataSetting(_choice_of(correlation, "correlation", _CORRELATIONS),
                             _choice_of(missing, "missing", _MISSING), _pairs_of(forbid, "forbid"),
                             _pairs_of(require, "require"))


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

def learn(data, alpha=0.05, learners=LEARNERS, exact=False, truth=None, threads=None,
          correlation="pearson", missing="error", forbid=None, require=None, progress=None):
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
        Student t statistic. Anything but True or False is a ValueError.
    truth : array_like, pandas.DataFrame or path, optional
        The true network as a p x p adjacency matrix (row = parent, any
        non-zero cell an arc), or the path of a net.txt file (read with
        read_net), or None. A DataFrame's index and columns (unless they are
        the default 0 ... p-1) are the variables' names: its rows and columns
        are put in the data's order, and a name that is not the data's is a
        ValueError naming it; an array is taken in the data's order. With it
        every run is scored against its moral graph (Run.scores) and its
        edges are tp, fp or fn.
    threads : int, optional
        How many threads learn; None or -1: the cores this process may use.
        The results are the same for every count.
    correlation : {"pearson", "spearman", "kendall", "normal"}, default "pearson"
        The matrix the learners learn from, as the program's --correlation:
        the covariance, or a rank-based correlation mapped to the Gaussian
        scale (2 sin(pi/6 rho) of Spearman's rho with average ranks for ties,
        sin(pi/2 tau) of Kendall's tau-b), or the covariance of normal scores
        (Phi^-1(rank / (n + 1)), average ranks for ties). The rank-based ones
        suit skewed data: they are the same under any increasing
        transformation of a variable; "normal" keeps the Gaussian error rates.
    missing : {"error", "complete"}, default "error"
        What a missing value (NaN, None, pandas.NA) does: a ValueError naming
        its case and variable, or ("complete", the program's --missing
        complete) the cases holding one are left out, with a GaussnetWarning
        saying how many.
    progress : bool, optional
        Whether an IAMB run that takes longer than about two seconds shows
        the program's progress line (targets done, the time so far, the
        targets still running) on standard error, rewritten in place and
        cleared at the end. None: when standard error is a terminal or in
        Jupyter, so scripts and tests whose streams are files show nothing.
    forbid, require : sequence of (str, str) or pandas.DataFrame, optional
        Pairs of variable names known beforehand (undirected), as the
        program's --forbid and --require: a forbidden pair is never joined, a
        required pair always is, by every learner (docs/prior-knowledge.md).
        A DataFrame gives them in its two columns. An unknown name, a
        variable paired with itself or a pair both forbidden and required is
        a ValueError naming the pair.

    Returns
    -------
    Runs
        One Run per learner run, in the program's order: a list that is
        also keyed by learner (``runs["IAMB2"]``).

    Raises
    ------
    ValueError
        Infinities or values beyond the single-precision range, or a missing
        value unless missing="complete" (naming case and variable), fewer
        than 3 complete cases, a non-numeric or complex column, a masked
        array with masked values, a column name that is not text, a wrong
        shape, a bad setting.
    NotPositiveDefinite
        A covariance matrix that is not positive definite (the program's
        message, with the learner and target); with a rank-based
        correlation the message names it and the cause.
    MemoryError
        Memory exhausted, or more variables than the machine's memory can
        hold a covariance matrix of (refused at once).
    KeyboardInterrupt
        Ctrl-C; the run stops within about a second.

    Examples
    --------
    >>> data, truth = gaussnet.simulate(30, 1000, seed=7)
    >>> runs = gaussnet.learn(data, learners="IAMB2", truth=truth, threads=2)
    >>> runs["IAMB2"].scores["var_tpr"]
    """
    array, names = _data_of(data)
    _warn_index_column(array, names)
    run_names = _learner_names(learners)
    truth_array = _truth_of(truth, names)
    setting = _data_setting(correlation, missing, forbid, require)
    exact = _flag_of(exact, "exact")
    line = _progress_line(progress)
    raw = _with_names(lambda: _core.learn(array, names, truth_array, run_names, _alpha_of(alpha), exact, setting,
                                          _threads_of(threads), _warn, line), names)
    return Runs(Run(run, names) for run in raw)


def local(data, target, radius, alpha=0.05, exact=False, truth=None, threads=None, correlation="pearson",
          missing="error", forbid=None, require=None, progress=None):
    """Learn the neighbourhood of one variable, ring by ring, with IAMB2.

    Ring 1 is the target; ring i + 1 holds the variables first found in the
    blankets of ring i's variables; radius rings are learned.

    Parameters
    ----------
    data, alpha, exact, truth, threads, correlation, missing, forbid, require, progress
        As for learn().
    target : str or int
        The target variable's name (an array's variables are X1 ... Xn), or
        its column index as an int.
    radius : int
        The number of rings.

    Returns
    -------
    Run
        Learner "local", with its target and radius; its blankets are those of the variables learned
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
    _warn_index_column(array, names)
    target, radius = _target_name(target, names), _radius_of(radius)
    truth_array = _truth_of(truth, names)
    setting = _data_setting(correlation, missing, forbid, require)
    line = _progress_line(progress)
    raw = _with_names(lambda: _core.local(array, names, truth_array, target, int(radius), _alpha_of(alpha),
                                          _flag_of(exact, "exact"), setting, _threads_of(threads), _warn, line),
                      names)
    run = Run(raw, names)
    run.target, run.radius = target, int(radius)
    return run


def _whole_of(value, name, low, high):
    if isinstance(value, bool) or not isinstance(value, numbers.Integral) or not low <= value <= high:
        raise ValueError(f"{name} must be a whole number from {low} to {high}, not {value!r}")
    return int(value)


def bootstrap(data, learner="IAMB2", resamples=200, seed=1, threshold=0.5, alpha=0.05, exact=False, truth=None,
              threads=None, target=None, radius=1, correlation="pearson", missing="error", forbid=None,
              require=None, progress=None):
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
    data, alpha, exact, truth, threads, correlation, missing, forbid, require
        As for learn(); the data are rounded to single precision as there,
        and each resample is ranked anew with a rank-based correlation.
    progress : bool, optional
        As for learn(): the resamples done and the time left.
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
    NotPositiveDefinite
        The run on the full data, learned first as the program learns it,
        meets a covariance matrix that is not positive definite.
    MemoryError, KeyboardInterrupt
        As for learn(). A resample whose covariance matrix is not positive
        definite is not an error: it is counted in .failed (and a
        GaussnetWarning says how many failed).

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
        if run_names[0] != _core.LOCAL_LEARNER:
            raise ValueError(f"learner {learner!r} with a target: the local run learns with {_core.LOCAL_LEARNER}")
        target = _target_name(target, names)
        radius = _radius_of(radius)
    _warn_index_column(array, names)
    truth_array = _truth_of(truth, names)
    setting = _data_setting(correlation, missing, forbid, require)
    exact = _flag_of(exact, "exact")
    line = _progress_line(progress)
    raw = _with_names(lambda: _core.bootstrap(array, names, truth_array, run_names[0], target, int(radius), resamples,
                                              seed, float(threshold), _alpha_of(alpha), exact, setting,
                                              _threads_of(threads), _warn, line), names)
    return Bootstrap(raw, names, resamples, seed, float(threshold))


def report(path, results, settings=None):
    """Write runs as one self-contained interactive HTML page.

    The page is the program's ``--report``: each run's network drawn
    force-directed, searchable by name, a click on a variable shows its
    blanket and neighbours with their partial correlations and p-values,
    edges coloured by sign and as wide as their strength, with a truth the
    found, false and missed edges, with a bootstrap a frequency slider that
    redraws the consensus network, and a sortable table of the edges. The
    graph-drawing library and the data are inside the file: it opens in any
    browser, offline. A view can be linked to by the address's hash, as in
    ``report.html#run=IAMB2&search=raf&frequency=0.8``.

    Parameters
    ----------
    path : str or os.PathLike
        The file to write (``.html``); it appears complete or not at all.
    results : Run, Bootstrap or a list of them
        What learn(), local() and bootstrap() returned. A Bootstrap goes
        with the Run of its learner ("IAMB2 bootstrap" with "IAMB2"); one
        without such a run is shown as its consensus network.
    settings : dict, optional
        Shown in the page's header, in order (say, ``{"data": "cells.csv",
        "alpha": 0.05}``).

    Raises
    ------
    ValueError
        Results of different variables, or no result.
    RuntimeError
        The file cannot be written, or this build has no report (the
        graph-drawing library could not be fetched when it was built).

    Examples
    --------
    >>> data, truth = gaussnet.simulate(30, 500, seed=7)
    >>> runs = gaussnet.learn(data, truth=truth)
    >>> boot = gaussnet.bootstrap(data, resamples=50, truth=truth)
    >>> gaussnet.report("network.html", runs + [boot])
    """
    if isinstance(results, (Run, Bootstrap)):
        results = [results]
    results = list(results)
    if not results or not all(isinstance(r, (Run, Bootstrap)) for r in results):
        raise ValueError("results must be Run and Bootstrap objects from learn(), local() or bootstrap()")
    names = (results[0].names if isinstance(results[0], Run) else results[0].consensus.names)
    for result in results:
        if (result.names if isinstance(result, Run) else result.consensus.names) != names:
            raise ValueError("results of different variables cannot share one report")
    runs = [r for r in results if isinstance(r, Run)]
    entries = [[run._raw, None, 0, 1, 0.5] for run in runs]
    for boot in (r for r in results if isinstance(r, Bootstrap)):
        learner = boot.consensus.learner[:-len(" bootstrap")]
        match = next((e for e, run in zip(entries, runs) if run.learner == learner and e[1] is None), None)
        if match is None:
            match = [boot.consensus._raw, None, 0, 1, 0.5]
            entries.append(match)
        match[1:] = [boot._raw, boot.resamples, boot.seed, boot.threshold]
    header = [(str(k), str(v)) for k, v in (settings or {}).items()]
    header.insert(0, ("variables", str(len(names))))
    _core.report(os.fspath(path), names, header, [tuple(e) for e in entries])


def simulate(n_vars, n_cases, parents=2, weights=(0.5, 1), noise=1, seed=1, transform="none"):
    """Simulate a random linear Gaussian network and data from it.

    Exactly what `gaussnet-sim --vars N_VARS --cases N_CASES --parents P
    --weights LO:HI --noise NOISE --seed SEED --transform TRANSFORM` writes,
    value for value: a random DAG with `parents` parents per variable on
    average, arc weights uniform in +-[lo, hi), noise with standard deviation
    `noise`, each value then put through `transform`.

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
    transform : {"none", "exp", "cube", "logistic", "mix"}, default "none"
        An increasing function of each value: exp(x), x**3, 1 / (1 + exp(-x)),
        or mix (exp, cube and logistic in turn over the variables). The
        network stays the truth and the margins become skewed: data for the
        rank-based correlations of learn().

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
        A count or seed that is not an int or is out of range, an unknown
        transform, a transformed value beyond the single-precision range.
    KeyboardInterrupt
        Ctrl-C; the simulation stops within about a second.

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
    transform = _choice_of(transform, "transform", _TRANSFORMS)
    values, names, arcs = _core.simulate(int(n_vars), int(n_cases), float(parents), float(lo), float(hi),
                                         float(noise), int(seed), transform)
    pandas = _pandas()
    return (values if pandas is None else pandas.DataFrame(values, columns=names, copy=False)), arcs


def read_net(path, names):
    """Read a true network file as the program reads net.txt.

    The file holds one line per variable, in the data's column order, of
    one character per variable with nothing between them: a digit 1 to 9 is
    an arc from the line's variable (the parent) to the column's.

    Parameters
    ----------
    path : str or os.PathLike
        The file.
    names : sequence of str, pandas.DataFrame or int
        The variables' names in the data's order (a DataFrame: its columns),
        or their number.

    Returns
    -------
    pandas.DataFrame or numpy.ndarray of uint8, shape (p, p)
        The adjacency matrix (row = parent), 0 or 1, with the names as index
        and columns (a numpy array without pandas). Given as truth, it is
        aligned to the data by these names.

    Raises
    ------
    ValueError
        A file that cannot be opened or ends before its p lines are
        complete (naming it). A layout that misreads (separators between the
        cells, a header row) draws a GaussnetWarning.

    Examples
    --------
    >>> truth = gaussnet.read_net("net.txt", data)
    >>> runs = gaussnet.learn(data, truth=truth)
    """
    pandas = _pandas()
    if isinstance(names, numbers.Integral) and not isinstance(names, bool):
        names = [f"X{v + 1}" for v in range(int(names))]
    elif pandas is not None and isinstance(names, pandas.DataFrame):
        names = _names_of(names.columns)
    else:
        names = _names_of(names)
    arcs = _core.read_net(os.fspath(path), len(names), _warn)
    return arcs if pandas is None else pandas.DataFrame(arcs, index=names, columns=names, copy=False)


def partial_correlations(data, threads=None, correlation="pearson", missing="error"):
    """The partial correlation of every pair of variables given all the others.

    Read off the inverse of the covariance matrix, the same inverse the EE
    run uses: an EE run's edges carry exactly these values.

    Parameters
    ----------
    data : numpy.ndarray or pandas.DataFrame
        As for learn(), with more cases than variables.
    threads : int, optional
        How many threads compute; None or -1: the cores this process may use.
    correlation, missing
        As for learn(): the matrix inverted is the one EE learns from.

    Returns
    -------
    pandas.DataFrame or numpy.ndarray, shape (p, p)
        Symmetric, 1 on the diagonal; a DataFrame with the variable names as
        index and columns when pandas can be imported.

    Raises
    ------
    ValueError
        No more cases than variables, or data learn() refuses.
    NotPositiveDefinite
        A covariance matrix that cannot be inverted.

    Examples
    --------
    >>> data, truth = gaussnet.simulate(10, 500, seed=3)
    >>> gaussnet.partial_correlations(data).shape
    (10, 10)
    """
    array, names = _data_of(data)
    setting = _data_setting(correlation, missing)
    matrix = _with_names(lambda: _core.partial_correlations(array, names, setting, _threads_of(threads), _warn), names)
    pandas = _pandas()
    return matrix if pandas is None else pandas.DataFrame(matrix, index=names, columns=names, copy=False)


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


from ._estimators import EdgeExclusion, IAMB  # noqa: E402  (they call learn())
