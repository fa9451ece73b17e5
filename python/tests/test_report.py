"""report() writes the page the program's --report writes: the same runs,
edges, evidence and bootstrap frequencies in its data."""

import json
import re

import pandas as pd
import pytest

import gaussnet
from conftest import SOURCE_DIR, read_data_file, read_net, run_program

EXAMPLE = SOURCE_DIR / "examples"


def page_runs(path):
    """The runs in a report's data, their times left out."""
    text = path.read_text(encoding="utf-8")
    data = json.loads(re.search(r'id="report-data">(.*?)</script>', text, re.S).group(1))
    for run in data["runs"]:
        run["seconds"] = 0
        if run["bootstrap"]:
            run["bootstrap"]["seconds"] = 0
    return data["names"], data["runs"]


def test_report_holds_what_the_program_reports(tmp_path):
    if not gaussnet._core.report_available():
        pytest.skip("built without the graph-drawing library")
    values, names = read_data_file(EXAMPLE / "data.txt", 1000, 30)
    data = pd.DataFrame(values, columns=names)
    truth = read_net(EXAMPLE / "net.txt", 30)
    runs = gaussnet.learn(data, learners=["EE", "IAMB2"], truth=truth)
    boot = gaussnet.bootstrap(data, learner="IAMB2", resamples=8, seed=3, threshold=0.6, truth=truth)
    gaussnet.report(tmp_path / "mine.html", runs + [boot], settings={"data": "example"})
    run_program(["--learners", "EE,IAMB2", "--bootstrap", 8, "--seed", 3, "--threshold", 0.6, "--report",
                 "program.html", EXAMPLE / "data.txt", 1000, 30, 1, 0.05, 0], tmp_path, net=EXAMPLE / "net.txt")
    mine, program = page_runs(tmp_path / "mine.html"), page_runs(tmp_path / "program.html")
    # The program bootstraps EE too; the caller asked for IAMB2's alone.
    program[1][0]["bootstrap"] = None
    assert mine == program

    # A bootstrap alone is shown as its consensus network.
    gaussnet.report(tmp_path / "alone.html", boot)
    assert [run["name"] for run in page_runs(tmp_path / "alone.html")[1]] == ["IAMB2 bootstrap"]
    with pytest.raises(ValueError):
        gaussnet.report(tmp_path / "none.html", [])
    with pytest.raises(RuntimeError):
        gaussnet.report(tmp_path / "missing" / "r.html", runs)
