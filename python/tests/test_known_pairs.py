"""forbid= and require=: a list of pairs and a DataFrame mean the same, every
learner leaves the forbidden pair unjoined and joins the required one, and a
bad pair is a ValueError naming its place."""

import pandas as pd
import pytest

import gaussnet


def joined(run, a, b):
    edges = run.edges
    learned = edges[edges["status"] != "fn"]
    return bool(((learned["source"] == a) & (learned["target"] == b)).any()
                or ((learned["source"] == b) & (learned["target"] == a)).any())


def test_known_pairs_reach_every_learner():
    data, truth = gaussnet.simulate(15, 400, seed=3)
    plain = gaussnet.learn(data, truth=truth)
    pairs = [(a, b) for i, a in enumerate(data.columns) for b in data.columns[i + 1:]]
    forbidden = next(p for p in pairs if all(joined(run, *p) for run in plain))
    required = next(p for p in pairs if not any(joined(run, *p) for run in plain))

    runs = gaussnet.learn(data, truth=truth, forbid=[forbidden], require=[required], threads=2)
    as_frames = gaussnet.learn(data, truth=truth, forbid=pd.DataFrame([forbidden], columns=["source", "target"]),
                               require=pd.DataFrame([required]))
    runs.append(gaussnet.local(data, required[0], 2, forbid=[forbidden], require=[required]))
    boot = gaussnet.bootstrap(data, "IAMB1", resamples=3, forbid=[forbidden], require=[required])
    runs.append(boot.consensus)
    for run in runs:
        assert not joined(run, *forbidden), run.learner
        assert joined(run, *required), run.learner
    for a, b in zip(runs, as_frames):
        assert a.blankets == b.blankets

    bad = [([("X1", "nope")], None, 'forbid, pair 1: no variable named "nope".'),
           (None, [("X2", "X2")], 'require, pair 1: variable "X2" is paired with itself.'),
           ([("X1", "X2")], [("X2", "X1")], "both forbidden (forbid, pair 1) and required (require, pair 1)"),
           ([("X1",)], None, "forbid, pair 1: two variable names expected")]
    for forbid, require, message in bad:
        with pytest.raises(ValueError, match=message.replace("(", r"\(").replace(")", r"\)")):
            gaussnet.learn(data, forbid=forbid, require=require)
