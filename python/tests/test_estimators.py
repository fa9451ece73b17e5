"""learn()'s runs keyed by learner with named adjacency, and the estimators
with fit(X): their fitted attributes are learn()'s results."""

import numpy as np
import pandas as pd
import pytest

import gaussnet

DATA, TRUTH = gaussnet.simulate(12, 400, seed=5)


def test_runs_are_keyed_by_learner_in_the_programs_order():
    runs = gaussnet.learn(DATA, learners="IAMB1,EE", truth=TRUTH, threads=-1)
    assert [run.learner for run in runs] == runs.keys() == ["EE", "IAMB1"]
    assert runs["iamb1"] is runs[1] and "EE" in runs and "IAMB2" not in runs and runs.get("IAMB2") is None
    with pytest.raises(KeyError, match="no 'IAMB2' run among EE, IAMB1"):
        runs["IAMB2"]
    adjacency = runs["EE"].adjacency
    assert list(adjacency.index) == list(adjacency.columns) == list(DATA.columns)
    assert adjacency.dtypes.eq(bool).all()
    local = gaussnet.local(DATA, "X3", 2)
    assert (local.target, local.radius, runs["EE"].target) == ("X3", 2, None)


@pytest.mark.parametrize("estimator, learner", [(gaussnet.IAMB(), "IAMB2"), (gaussnet.IAMB(variant=1), "IAMB1"),
                                                (gaussnet.EdgeExclusion(alpha=0.01), "EE"),
                                                (gaussnet.IAMB(forbid=[("X1", "X2")], require=[("X3", "X9")]),
                                                 "IAMB2")])
def test_fitted_attributes_are_learns_results(estimator, learner):
    params = estimator.get_params()
    (run,) = gaussnet.learn(DATA, alpha=params["alpha"], learners=learner, truth=TRUTH, forbid=params["forbid"],
                            require=params["require"])
    fitted = estimator.fit(DATA, truth=TRUTH)
    assert fitted is estimator and fitted.run_.learner == learner
    pd.testing.assert_frame_equal(fitted.adjacency_, run.adjacency)
    pd.testing.assert_frame_equal(fitted.edges_, run.edges)
    assert fitted.scores_ == run.scores and fitted.n_features_in_ == 12
    assert list(fitted.feature_names_in_) == list(DATA.columns)
    if learner != "EE":
        assert fitted.blankets_ == run.blankets
    learned = run.edges[run.edges.status != "fn"]
    matrix = fitted.partial_correlation_
    assert np.array_equal(matrix.to_numpy(), matrix.to_numpy().T)
    for row in learned.itertuples():
        assert matrix.loc[row.source, row.target] == row.partial_correlation
    assert np.count_nonzero(matrix.to_numpy()) == 2 * len(learned)


def test_settings_are_read_and_changed_by_name():
    model = gaussnet.IAMB()
    assert model.get_params() == {"alpha": 0.05, "variant": 2, "exact": False, "threads": None,
                                  "correlation": "pearson", "missing": "error", "forbid": None, "require": None,
                                  "progress": None}
    assert model.set_params(alpha=0.01, variant=1) is model and repr(model).startswith("IAMB(alpha=0.01, variant=1")
    for bad, message in ((lambda: model.set_params(beta=1), "has no setting 'beta'"),
                         (lambda: gaussnet.IAMB(variant=3).fit(DATA), "variant must be 2"),
                         (lambda: gaussnet.IAMB(exact="no").fit(DATA), "exact must be True or False"),
                         (lambda: gaussnet.EdgeExclusion().fit(DATA.iloc[:10]), "needs more cases than variables")):
        with pytest.raises(ValueError, match=message):
            with pytest.warns(gaussnet.GaussnetWarning) if "cases" in message else _nothing():
                bad()


class _nothing:
    def __enter__(self):
        return self

    def __exit__(self, *exc):
        return False
