"""Estimators with fit(X), in the way of the covariance estimators of the
Python ecosystem: settings in the constructor, learned values in attributes
ending in an underscore after fit(). They run learn() and keep its run."""

from __future__ import annotations

import inspect

import numpy as np

from . import _labelled, learn


class _Learner:
    """get_params/set_params from the constructor's arguments, and fit()."""

    @classmethod
    def _param_names(cls):
        return [name for name in inspect.signature(cls.__init__).parameters if name != "self"]

    def get_params(self, deep=True):
        """The settings, by name, as the constructor takes them."""
        return {name: getattr(self, name) for name in self._param_names()}

    def set_params(self, **params):
        """Change settings by name; returns the estimator."""
        for name, value in params.items():
            if name not in self._param_names():
                raise ValueError(f"{type(self).__name__} has no setting {name!r}; "
                                 f"its settings are {', '.join(self._param_names())}")
            setattr(self, name, value)
        return self

    def __repr__(self):
        settings = ", ".join(f"{name}={value!r}" for name, value in self.get_params().items())
        return f"{type(self).__name__}({settings})"

    def _learner(self):
        raise NotImplementedError

    def fit(self, X, y=None, truth=None):
        """Learn from X (cases x variables: an array or a DataFrame).

        y is ignored (there is no target); truth, as learn() takes it,
        scores the run into ``scores_``. Returns the estimator.
        """
        runs = learn(X, alpha=self.alpha, learners=[self._learner()], exact=self.exact, truth=truth,
                     threads=self.threads, correlation=self.correlation, missing=self.missing,
                     forbid=self.forbid, require=self.require, progress=self.progress)
        if not runs:  # EE is skipped with no more cases than variables
            raise ValueError(f"{type(self).__name__} needs more cases than variables")
        run = runs[0]
        self.run_ = run
        self.feature_names_in_ = np.array(run.names, dtype=object)
        self.n_features_in_ = len(run.names)
        self.adjacency_ = run.adjacency
        self.edges_ = run.edges
        self.scores_ = run.scores
        self.partial_correlation_ = _labelled(_edge_matrix(run), run.names)
        return self


def _edge_matrix(run):
    """Each learned edge's partial correlation at both its ends, 0 elsewhere."""
    matrix = np.zeros((len(run.names), len(run.names)))
    learned = [status != "fn" for status in run._statuses]
    sources, targets = run._sources[learned], run._targets[learned]
    values = np.asarray(run._partial_correlations)[learned]
    matrix[sources, targets] = values
    matrix[targets, sources] = values
    return matrix


class IAMB(_Learner):
    """Every variable's Markov blanket with the ranked IAMB learner.

    Parameters
    ----------
    alpha : float, default 0.05
        The significance level (each test two-sided).
    variant : {2, 1}, default 2
        2: Benjamini-Yekutieli adjusted p-values (IAMB2); 1: plain ones (IAMB1).
    exact : bool, default False
        Student t instead of Fisher's z.
    threads : int or None, default None
        None or -1: the cores this process may use.
    correlation : {"pearson", "normal", "spearman", "kendall"}, default "pearson"
    missing : {"error", "complete"}, default "error"
    forbid, require : sequence of (str, str) or pandas.DataFrame, optional
        Pairs never or always joined, as for learn().
    progress : bool or None, default None
        As for learn().

    Attributes
    ----------
    blankets_ : dict of str to list of str
        Each variable's blanket as learned (not necessarily symmetric).
    adjacency_ : pandas.DataFrame or numpy.ndarray
        The learned undirected graph (a pair is an edge when either lists the other), named.
    edges_ : pandas.DataFrame or numpy structured array
        learn()'s edge table: source, target, status, separated, partial_correlation, p_value.
    partial_correlation_ : pandas.DataFrame or numpy.ndarray
        Each learned edge's partial correlation (given the rest of the blanket), 0 for other pairs.
    scores_ : dict or None
        The six rates when fit() was given a truth.
    run_ : Run
        The whole run, as learn() returns it.
    n_features_in_, feature_names_in_
        The number of variables and their names.

    Examples
    --------
    >>> data, truth = gaussnet.simulate(30, 1000, seed=7)
    >>> model = gaussnet.IAMB(alpha=0.05).fit(data)
    >>> model.blankets_["X1"]
    """

    def __init__(self, alpha=0.05, variant=2, exact=False, threads=None, correlation="pearson", missing="error",
                 forbid=None, require=None, progress=None):
        self.alpha, self.variant, self.exact, self.threads = alpha, variant, exact, threads
        self.correlation, self.missing, self.progress = correlation, missing, progress
        self.forbid, self.require = forbid, require

    def _learner(self):
        if isinstance(self.variant, bool) or self.variant not in (1, 2):
            raise ValueError(f"variant must be 2 (adjusted p-values) or 1 (plain ones), not {self.variant!r}")
        return f"IAMB{int(self.variant)}"

    def fit(self, X, y=None, truth=None):
        super().fit(X, y, truth)
        self.blankets_ = self.run_.blankets
        return self


class EdgeExclusion(_Learner):
    """The undirected graph by the edge exclusion test (more cases than variables needed).

    Parameters
    ----------
    alpha, exact, threads, correlation, missing, forbid, require, progress
        As for IAMB.

    Attributes
    ----------
    adjacency_, edges_, scores_, run_, n_features_in_, feature_names_in_
        As for IAMB.
    partial_correlation_ : pandas.DataFrame or numpy.ndarray
        Each learned edge's partial correlation given all other variables, 0 for other pairs.

    Examples
    --------
    >>> data, truth = gaussnet.simulate(30, 1000, seed=7)
    >>> gaussnet.EdgeExclusion().fit(data, truth=truth).scores_["edge_tpr"]
    """

    def __init__(self, alpha=0.05, exact=False, threads=None, correlation="pearson", missing="error",
                 forbid=None, require=None, progress=None):
        self.alpha, self.exact, self.threads = alpha, exact, threads
        self.correlation, self.missing, self.progress = correlation, missing, progress
        self.forbid, self.require = forbid, require

    def _learner(self):
        return "EE"
