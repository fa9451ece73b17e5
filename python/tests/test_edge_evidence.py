"""Each learned edge's partial correlation and p-value against numpy's own
computation: EE from numpy's inverse of the covariance matrix, IAMB from
the pair's partial correlation given the rest of the learned blanket."""

import math

import numpy as np
import pytest

import gaussnet
from conftest import SOURCE_DIR, read_data_file

N_CASES, N_VARS = 1000, 30


@pytest.fixture(scope="module")
def example():
    values, names = read_data_file(SOURCE_DIR / "examples" / "data.txt", N_CASES, N_VARS)
    # The library computes from the values rounded to single precision.
    return values, names, np.cov(values.astype(np.float32).astype(np.float64), rowvar=False)


def partial_correlation(cov, a, b, given):
    """-P[0][1] / sqrt(P[0][0] P[1][1]) of the inverse of the pair's and the given variables' covariances."""
    keep = [a, b, *given]
    p = np.linalg.inv(cov[np.ix_(keep, keep)])
    return -p[0, 1] / math.sqrt(p[0, 0] * p[1, 1])


def fisher_p_value(r, cond_size):
    """Two-sided test of Fisher's z: the upper tail of |z| sqrt(n - cond_size - 3)."""
    z = abs(math.atanh(r)) * math.sqrt(N_CASES - cond_size - 3)
    # as 1 minus the distribution function: tails below about 1e-16 are 0
    return 1.0 - (1.0 - 0.5 * math.erfc(z / math.sqrt(2)))


def learned(run):
    return run.edges[run.edges["status"] != "fn"]


def test_ee_edges_are_the_inverse_covariances_partial_correlations(example):
    values, names, cov = example
    run, = gaussnet.learn(values, learners="EE", threads=2)
    edges = learned(run)
    assert len(edges) > 0 and edges["partial_correlation"].notna().all()
    precision = np.linalg.inv(cov)
    index = {name: v for v, name in enumerate(names)}
    matrix = gaussnet.partial_correlations(values, threads=2)
    for source, target, r, p in edges[["source", "target", "partial_correlation", "p_value"]].itertuples(index=False):
        i, j = index[source], index[target]
        expected = -precision[i, j] / math.sqrt(precision[i, i] * precision[j, j])
        assert r == pytest.approx(expected, rel=1e-9, abs=1e-12), (source, target)
        assert p == pytest.approx(fisher_p_value(r, N_VARS - 2), rel=1e-6, abs=1e-15), (source, target)
        # The full matrix holds the same bits, both ways round.
        assert matrix.loc[source, target] == r and matrix.loc[target, source] == r
    assert (np.diag(matrix.to_numpy()) == 1).all()


@pytest.mark.parametrize("learner", ["IAMB2", "IAMB1"])
def test_iamb_edges_are_the_tests_that_kept_their_members(example, learner):
    values, names, cov = example
    run, = gaussnet.learn(values, learners=learner, threads=2)
    index = {name: v for v, name in enumerate(names)}
    edges = learned(run)
    assert len(edges) > 0
    signs = set()
    for source, target, r, p in edges[["source", "target", "partial_correlation", "p_value"]].itertuples(index=False):
        tests = []  # (p-value, |r|, r) of each end that lists the other
        for a, b in ((source, target), (target, source)):
            if b in run.blankets[a]:
                given = [index[m] for m in run.blankets[a] if m != b]
                value = partial_correlation(cov, index[a], index[b], given)
                tests.append((fisher_p_value(value, len(given)), abs(value), value))
        weaker = max(tests, key=lambda t: (t[0], -t[1]))
        assert r == pytest.approx(weaker[2], rel=1e-9, abs=1e-12), (source, target)
        assert p == pytest.approx(weaker[0], rel=1e-6, abs=1e-15), (source, target)
        signs.add(r > 0)
    assert signs == {True, False}  # the example has edges of both signs


def test_partial_correlations_need_more_cases_than_variables(example):
    values, _, _ = example
    with pytest.raises(ValueError, match="more cases than variables"):
        gaussnet.partial_correlations(values[:N_VARS])


@pytest.mark.parametrize("correlation", ["spearman", "kendall"])
def test_partial_correlations_follow_the_chosen_correlation(example, correlation):
    values, _, _ = example
    run, = gaussnet.learn(values, learners="EE", threads=2, correlation=correlation)
    matrix = gaussnet.partial_correlations(values, threads=2, correlation=correlation)
    edges = learned(run)
    assert len(edges) > 0
    for source, target, r in edges[["source", "target", "partial_correlation"]].itertuples(index=False):
        assert matrix.loc[source, target] == r, (source, target)
    assert not np.array_equal(matrix.to_numpy(), gaussnet.partial_correlations(values, threads=2).to_numpy())
