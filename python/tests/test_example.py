"""The documentation's example scripts run headless (their text is checked
against the pages by tools/check-docs.py)."""

import os
import subprocess
import sys

import pytest

from conftest import SHARED_DATA, SOURCE_DIR


def test_example_prints_scores_and_writes_png(tmp_path):
    picture = tmp_path / "iamb2.png"
    result = subprocess.run([sys.executable, str(SOURCE_DIR / "examples" / "learn_and_draw.py"), str(picture)],
                            capture_output=True, text=True, env={**os.environ, "MPLBACKEND": "Agg",
                                                                 "PYTHONPATH": os.pathsep.join(sys.path)})
    assert result.returncode == 0, result.stderr
    rows = result.stdout.splitlines()
    assert "edge_tpr" in rows[0] and rows[1].startswith("EE") and rows[2].startswith("IAMB2")
    assert picture.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_quickstart_prints_each_learner_and_the_stable_edges():
    result = subprocess.run([sys.executable, str(SOURCE_DIR / "examples" / "quickstart.py")], capture_output=True,
                            text=True, env={**os.environ, "PYTHONPATH": os.pathsep.join(sys.path)})
    assert result.returncode == 0, result.stderr
    rows = result.stdout.splitlines()
    assert [row.split(":")[0] for row in rows[:3]] == ["EE", "IAMB2", "IAMB1"]
    assert "partial_correlation" in rows[3] and "frequency" in rows[9]


def test_protein_signalling_example_scores_both_correlations():
    folder = SHARED_DATA / "sachs"
    if not (folder / "data_7466.txt").exists():
        pytest.skip(f"the protein-signalling data are not in {folder}")
    result = subprocess.run([sys.executable, str(SOURCE_DIR / "examples" / "protein_signalling.py"), str(folder)],
                            capture_output=True, text=True, env={**os.environ, "PYTHONPATH": os.pathsep.join(sys.path)})
    assert result.returncode == 0, result.stderr
    rows = result.stdout.splitlines()
    assert rows[0].startswith("pearson: edge tpr") and rows[1].startswith("normal: edge tpr")
    assert "frequency" in rows[2]
