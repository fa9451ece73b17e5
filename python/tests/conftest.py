"""Where the tests find the programs and the data, and the program's own
reading of a data file (names as its reader splits them, values as Python's
correctly rounded float parsing gives them)."""

import os
import re
import subprocess
from pathlib import Path

import numpy as np
import pytest

SOURCE_DIR = Path(os.environ.get("GAUSSNET_SOURCE_DIR", Path(__file__).resolve().parents[2]))
SHARED_DATA = Path(os.environ.get("GAUSSNET_SHARED_DATA", SOURCE_DIR.parent / "shared" / "data"))
GAUSSNET_BIN = os.environ.get("GAUSSNET_BIN", str(SOURCE_DIR / "build" / "gaussnet"))
GAUSSNET_SIM_BIN = os.environ.get("GAUSSNET_SIM_BIN", str(SOURCE_DIR / "build" / "gaussnet-sim"))


def read_data_file(path, n_cases, n_vars):
    with open(path, encoding="utf-8-sig") as file:
        header = file.readline()
        tokens = re.split(r"[\s,]+", file.read().strip())
    names = [name[1:-1] if len(name) > 1 and name[0] == name[-1] == '"' else name
             for name in re.split(r"[ ,\t\r\n]+", header.strip(" ,\t\r\n"))][:n_vars]
    values = np.array([float(t) for t in tokens[:n_cases * n_vars]]).reshape(n_cases, n_vars)
    return values, names


def read_net(path, n_vars):
    lines = Path(path).read_text().splitlines()[:n_vars]
    return np.array([[c in "123456789" for c in line[:n_vars]] for line in lines], dtype=np.uint8)


def run_program(args, cwd, net=None):
    if net is not None:
        Path(cwd, "net.txt").write_bytes(Path(net).read_bytes())
    result = subprocess.run([GAUSSNET_BIN, *map(str, args)], cwd=cwd, capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr
    return result


def require(path):
    if not Path(path).exists():
        pytest.skip(f"not present: {path}")
    return Path(path)
