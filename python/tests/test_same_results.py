"""The module's blankets, edges and rates equal the program's export files
and results table, on the shipped example and the shared networks."""

import csv
from pathlib import Path

import pandas as pd
import pytest

import gaussnet
from conftest import SHARED_DATA, SOURCE_DIR, read_data_file, read_net, require, run_program

EXAMPLE = SOURCE_DIR / "examples"

# (data file, n_cases, n_vars, net folder or None, alpha, exact, local (target index, radius) or None)
CASES = [
    (EXAMPLE / "data.txt", 1000, 30, EXAMPLE, 0.05, 0, None),
    (EXAMPLE / "data.txt", 1000, 30, None, 0.05, 1, None),
    (EXAMPLE / "data.txt", 1000, 30, EXAMPLE, 0.05, 0, (2, 2)),
    (EXAMPLE / "data.txt", 1000, 30, None, 0.01, 1, (7, 3)),
    (SHARED_DATA / "arth150/data_1000.txt", 1000, 107, SHARED_DATA / "arth150", 0.05, 0, None),
    (SHARED_DATA / "ecoli70/data_1000.txt", 1000, 46, None, 0.05, 1, None),
    (SHARED_DATA / "ecoli70/data_1000.txt", 1000, 46, SHARED_DATA / "ecoli70", 0.05, 1, (5, 2)),
    (SHARED_DATA / "magic-irri/data_1000.txt", 1000, 64, None, 0.01, 0, None),
    (SHARED_DATA / "magic-niab/data_1000.txt", 1000, 44, SHARED_DATA / "magic-niab", 0.05, 1, None),
    (SHARED_DATA / "sachs/data_logxplus10_7466.txt", 7466, 11, None, 0.05, 1, None),
    (SHARED_DATA / "sachs/data_7466.txt", 7466, 11, SHARED_DATA / "sachs", 0.05, 0, (0, 4)),
    (SHARED_DATA / "synth-p200-n1000/data_1000.txt", 1000, 200, SHARED_DATA / "synth-p200-n1000", 0.05, 0, None),
]


def csv_rows(path):
    with open(path, newline="") as file:
        return list(csv.reader(file))[1:]


def edge_rows(run, evidence=True):
    """The run's edges as the edges file's rows; the evidence as numbers, so
    that the file's shortest texts must read back as the same doubles."""
    def number(value):
        return "" if value != value else value
    return [[s, t, status, "" if sep is pd.NA else str(int(sep)), *([number(r), number(p)] if evidence else [])]
            for s, t, status, sep, r, p in run.edges.itertuples(index=False)]


def file_edge_rows(path):
    return [row[:4] + [float(v) if v else v for v in row[4:]] for row in csv_rows(path)]


def blanket_rows(run):
    return [[name, member] for name in run.names for member in run.blankets[name]]


def table_fields(run):
    rates = [format(run.scores[k], ".9g") for k in gaussnet.SCORE_NAMES] if run.scores else [""] * 6
    return [str(run.tests), str(int(run.adjacency.to_numpy().sum()) // 2), *rates]


@pytest.mark.parametrize("case", CASES, ids=lambda case: f"{Path(case[0]).parent.name}-{case[4]}-{case[5]}-"
                                                          f"{'truth' if case[3] else 'matrix'}-{case[6]}")
def test_module_equals_program(case, tmp_path):
    data_path, n_cases, n_vars, net_dir, alpha, exact, local = case
    require(data_path)
    values, names = read_data_file(data_path, n_cases, n_vars)
    values = pd.DataFrame(values, columns=names)
    truth = read_net(net_dir / "net.txt", n_vars) if net_dir else None
    args = ["--export", "out", "--table", "table.csv", data_path, n_cases, n_vars, 1 if net_dir else 0, alpha, exact]
    if local:
        args += [names[local[0]], local[1]]
        runs = [gaussnet.local(values, names[local[0]], local[1], alpha=alpha, exact=bool(exact), truth=truth)]
    else:
        runs = gaussnet.learn(values, alpha=alpha, exact=bool(exact), truth=truth, threads=2)
    run_program(args, tmp_path, net=net_dir / "net.txt" if net_dir else None)
    table = csv_rows(tmp_path / "table.csv")
    assert [row[6] for row in table] == [run.learner for run in runs]
    for run, row in zip(runs, table):
        out = tmp_path / "out" / run.learner
        assert edge_rows(run) == file_edge_rows(f"{out}.edges.csv"), run.learner
        if run.learner != "EE":
            assert blanket_rows(run) == csv_rows(f"{out}.blankets.csv"), run.learner
        if run.learner == "local":  # each variable's ring, as the nodes file's last column
            rings = [[name, str(ring)] for name, ring in run.rings.items()]
            assert rings == [[row[0], row[3]] for row in csv_rows(f"{out}.nodes.csv")]
        # (the bootstrap's columns follow, empty for a run's own row)
        assert table_fields(run) == row[11:19], run.learner


@pytest.mark.parametrize("options", [dict(), dict(parents=3.5, weights=(0.2, 0.9), noise=2, seed=11)])
def test_simulate_equals_the_simulator_and_moral_graph_its_edges(options, tmp_path):
    import subprocess

    from conftest import GAUSSNET_SIM_BIN

    flags = {"parents": "--parents", "noise": "--noise", "seed": "--seed"}
    args = [GAUSSNET_SIM_BIN, "--vars", "25", "--cases", "300", str(tmp_path / "sim")]
    for key, value in options.items():
        args[1:1] = ["--weights", f"{value[0]}:{value[1]}"] if key == "weights" else [flags[key], str(value)]
    subprocess.run(args, check=True, capture_output=True)
    values, names = read_data_file(tmp_path / "sim" / "data.txt", 300, 25)
    data, truth = gaussnet.simulate(25, 300, **options)
    assert list(data.columns) == names
    assert (data.to_numpy() == values.astype("float32")).all()
    assert (truth == read_net(tmp_path / "sim" / "net.txt", 25)).all()
    banner = run_program([tmp_path / "sim" / "data.txt", 300, 25, 1, 0.05, 0], tmp_path / "sim").stdout
    moral = gaussnet.moral_graph(truth)
    assert (moral == moral.T).all() and f"n_edges= {int(moral.sum()) // 2}" in banner


@pytest.mark.parametrize("correlation", ["spearman", "kendall", "normal"])
def test_rank_correlation_and_missing_values_equal_program(correlation, tmp_path):
    values, names = read_data_file(EXAMPLE / "data.txt", 1000, 30)
    lines = ["\t".join(names)] + ["\t".join(repr(float(v)) for v in row) for row in values]
    for case, (row, column) in enumerate([(4, 2), (90, 0), (500, 29)]):
        cells = lines[row + 1].split("\t")
        cells[column] = ("NA", "nan", "")[case]
        lines[row + 1] = "\t".join(cells) if cells[column] else ",".join(cells)
    (tmp_path / "holes.txt").write_text("\n".join(lines) + "\n")
    frame = pd.DataFrame(values, columns=names)
    for row, column in [(4, 2), (90, 0), (500, 29)]:
        frame.iloc[row, column] = float("nan")
    truth = read_net(EXAMPLE / "net.txt", 30)
    runs = gaussnet.learn(frame, truth=truth, correlation=correlation, missing="complete", threads=2)
    run_program(["--correlation", correlation, "--missing", "complete", "--table", "table.csv", "holes.txt", 1000, 30,
                 1, 0.05, 0], tmp_path, net=EXAMPLE / "net.txt")
    table = csv_rows(tmp_path / "table.csv")
    assert [row[6] for row in table] == [run.learner for run in runs]
    for run, row in zip(runs, table):
        assert row[2] == "997" and row[22] == correlation
        assert table_fields(run) == row[11:19], run.learner


# (learner, net folder or None, local (target index, radius) or None, threads); the shipped example
BOOTSTRAPS = [("IAMB2", EXAMPLE, None, 1), ("IAMB2", None, None, 2), ("EE", EXAMPLE, None, 2),
              ("IAMB1", None, None, 1), ("IAMB2", EXAMPLE, (4, 2), 2)]


@pytest.mark.parametrize("case", BOOTSTRAPS, ids=lambda case: f"{case[0]}-{'truth' if case[1] else 'matrix'}-"
                                                              f"{case[2]}-{case[3]}")
def test_bootstrap_equals_program(case, tmp_path):
    learner, net_dir, local, threads = case
    values, names = read_data_file(EXAMPLE / "data.txt", 1000, 30)
    truth = read_net(net_dir / "net.txt", 30) if net_dir else None
    options = dict(resamples=12, seed=5, threshold=0.6, truth=truth, threads=threads)
    args = ["--bootstrap", 12, "--seed", 5, "--threshold", 0.6, "--export", "out", "--table", "table.csv",
            EXAMPLE / "data.txt", 1000, 30, 1 if net_dir else 0, 0.05, 0]
    if local:
        args += [names[local[0]], local[1]]
        options.update(target=names[local[0]], radius=local[1])
    else:
        args[:0] = ["--learners", learner]
    boot = gaussnet.bootstrap(pd.DataFrame(values, columns=names), learner=learner, **options)
    run_program(args, tmp_path, net=net_dir / "net.txt" if net_dir else None)
    out = tmp_path / "out" / ("local" if local else learner)
    with open(f"{out}.strength.csv", newline="") as file:
        strength = list(csv.reader(file))
    assert strength[0] == list(boot.strength.columns)
    # The file's frequencies are the shortest texts that read back as the same doubles.
    assert [[float(v) if k == 2 else v for k, v in enumerate(row)] for row in strength[1:]] == \
        [[v if k == 2 else str(v) for k, v in enumerate(row)] for row in boot.strength.itertuples(index=False)]
    assert edge_rows(boot.consensus, evidence=False) == csv_rows(f"{out}.consensus.edges.csv")
    row = csv_rows(tmp_path / "table.csv")[-1]
    assert row[6] == boot.consensus.learner
    assert row[19:] == ["12", "0.6", "5", "pearson", str(boot.finished), str(boot.failed)]
    assert table_fields(boot.consensus) == row[11:19]
    assert (boot.resamples, boot.seed, boot.threshold, boot.finished + boot.failed) == (12, 5, 0.6, 12)
