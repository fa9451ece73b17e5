"""Uses that used to give a wrong result without a word: a named truth in
another order, missed edges in the learned graph, a file's row index learned
as a variable; and read_net, the truth as a file."""

import warnings

import numpy as np
import pandas as pd
import pytest

import gaussnet


def scored_data():
    data, truth = gaussnet.simulate(8, 300, seed=11)
    return data, truth


def reordered_truth(data, truth):
    """The truth as a DataFrame whose rows and columns are in another order."""
    names = list(data.columns)
    frame = pd.DataFrame(truth, index=names, columns=names)
    order = names[::-1]
    return frame.loc[order, order[3:] + order[:3]]


def index_column_data(data):
    """The data as pd.read_csv reads a to_csv() file: its index first."""
    return data.reset_index(names="Unnamed: 0")


def learned_edge_count(run):
    return int((run.edges["status"] != "fn").sum())


def test_silent_faults_are_mended():
    data, truth = scored_data()
    reference = gaussnet.learn(data, learners="IAMB2", truth=truth)[0]
    cases = {
        "truth by name": lambda: gaussnet.learn(data, learners="IAMB2", truth=reordered_truth(data, truth))[0].scores
        == reference.scores,
        "learned graph holds learned edges": lambda: reference.to_networkx().number_of_edges()
        == learned_edge_count(reference) < len(reference.edges),
        "degree of the learned graph": lambda: dict(reference.to_networkx().degree())
        == {name: int(d) for name, d in zip(data.columns, reference.adjacency.to_numpy().sum(axis=1))},
        "missed edges on request": lambda: reference.to_networkx(include_missed=True).number_of_edges()
        == len(reference.edges),
    }
    for what, holds in cases.items():
        assert holds(), what
    with pytest.warns(gaussnet.GaussnetWarning, match=r"column 'Unnamed: 0' holds the case numbers 0 to 299.*"
                                                      r"index_col=0"):
        gaussnet.learn(index_column_data(data), learners="IAMB2")


def test_node_data_and_consensus_weights():
    data, truth = scored_data()
    run = gaussnet.learn(data, learners="IAMB2", truth=truth)[0]
    graph = run.to_networkx()
    first = data.columns[0]
    assert graph.nodes[first] == {"blanket_size": len(run.blankets[first]), "degree": graph.degree(first)}
    boot = gaussnet.bootstrap(data, resamples=10, truth=truth, threads=2)
    consensus = boot.consensus.to_networkx()
    frequency = {frozenset((s, t)): f for s, t, f in boot.strength[["source", "target", "frequency"]].itertuples(
        index=False)}
    assert consensus.number_of_edges() > 0
    for s, t, weight in consensus.edges(data="weight"):
        assert weight == frequency[frozenset((s, t))] >= boot.threshold


def test_read_net_and_truth_as_a_path(tmp_path):
    data, truth = scored_data()
    path = tmp_path / "mine.txt"
    path.write_text("".join("".join(str(c) for c in row) + "\n" for row in truth))
    read = gaussnet.read_net(path, data)
    assert list(read.index) == list(read.columns) == list(data.columns)
    assert (read.to_numpy() == truth).all()
    by_path = gaussnet.learn(data, learners="IAMB2", truth=str(path))[0]
    assert by_path.scores == gaussnet.learn(data, learners="IAMB2", truth=truth)[0].scores
    # An unnamed truth stays positional.
    positional = gaussnet.learn(data, learners="IAMB2", truth=pd.DataFrame(truth))[0]
    assert positional.scores == by_path.scores


@pytest.mark.parametrize("what, truth, message", [
    ("a name not the data's", lambda d, t: pd.DataFrame(t, index=[*d.columns[:-1], "zzz"], columns=d.columns),
     r"truth: row 8 is named \"zzz\", which is no variable of the data"),
    ("a name twice", lambda d, t: pd.DataFrame(t, columns=[d.columns[0]] * 8),
     r"column 2 is named \"X1\" again"),
    ("the wrong shape", lambda d, t: t[:7, :7], r"truth must be a 8 x 8 adjacency matrix"),
    ("a missing file", lambda d, t: "no/such/net.txt", r"Cannot open no/such/net.txt"),
    ("a short file", "short", r"ends before row 2 is complete"),
])
def test_bad_truths_name_the_fault(tmp_path, what, truth, message):
    data, arcs = scored_data()
    if truth == "short":
        (tmp_path / "short.txt").write_text("01000000\n0")
        truth = lambda d, t: str(tmp_path / "short.txt")  # noqa: E731
    with pytest.raises(ValueError, match=message):
        gaussnet.learn(data, learners="IAMB2", truth=truth(data, arcs))


def test_no_warning_for_ordinary_columns():
    data, _ = scored_data()
    with warnings.catch_warnings():
        warnings.simplefilter("error", gaussnet.GaussnetWarning)
        gaussnet.learn(data.rename(columns={"X1": "index"}), learners="IAMB2")
