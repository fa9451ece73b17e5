#!/usr/bin/env python3
"""End-to-end cases for gaussnet: inputs and expected outputs.

    make_cases.py [--inputs] [--check] [case ...]

Without options: runs the reference implementation (gaussnet_ref.py) on the
committed inputs of every case under tests/e2e/cases/ (or of the named ones)
and writes the expected stdout, res.txt and status files.
--inputs  first regenerates the inputs (data.txt, net.txt, args) from the
          fixed seeds below.
--check   writes nothing: recomputes the expected files and reports every
          case whose committed files differ (exit status 1 if any does).

Each case runs in a fresh temporary directory holding copies of the case's
data.txt and net.txt (when present) and, as res.txt, of its res.before (when
present), as the e2e test runs the program.
"""

import os
import random
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
CASES = os.path.join(ROOT, "tests", "e2e", "cases")
REFERENCE = os.path.join(HERE, "gaussnet_ref.py")

INPUT_FILES = ("data.txt", "net.txt")


# --------------------------------------------------------------------------
# Data generation: linear Gaussian networks
# --------------------------------------------------------------------------

def sample_network(rng, n_cases, parents, coefficients, noise_sd=1.0):
    """Cases of a linear Gaussian network.  parents[v] lists the parents of
    v, all with smaller indices; coefficients[v] their weights."""
    n_vars = len(parents)
    rows = []
    for _ in range(n_cases):
        x = [0.0] * n_vars
        for v in range(n_vars):
            value = rng.gauss(0.0, noise_sd)
            for p, w in zip(parents[v], coefficients[v]):
                value += w * x[p]
            x[v] = value
        rows.append(x)
    return rows


def net_text(parents):
    n = len(parents)
    lines = []
    for i in range(n):
        lines.append("".join("1" if i in parents[j] else "0" for j in range(n)))
    return "".join(line + "\n" for line in lines)


def data_text(names, rows, header_sep=" ", line_end="\n", per_line=None):
    """Header and values, 6 significant digits.  per_line: numbers per line
    (default: one case per line)."""
    values = ["%.6g" % v for row in rows for v in row]
    if per_line is None:
        per_line = len(names)
    lines = [header_sep.join(names)]
    for i in range(0, len(values), per_line):
        lines.append(" ".join(values[i:i + per_line]))
    return line_end.join(lines) + line_end


def random_dag(rng, n_vars, edge_probability, low=0.5, high=1.2):
    """Parents among the earlier variables, weights of magnitude low..high."""
    parents = []
    coefficients = []
    for v in range(n_vars):
        ps = [u for u in range(v) if rng.random() < edge_probability]
        parents.append(ps)
        coefficients.append([rng.choice((-1, 1)) * rng.uniform(low, high) for _ in ps])
    return parents, coefficients


def random_network_inputs(seed, n_vars, n_cases, low, high, prefix="S"):
    rng = random.Random(seed)
    parents, coefficients = random_dag(rng, n_vars, 0.3, low, high)
    rows = sample_network(rng, n_cases, parents, coefficients)
    return data_text(names_of(prefix, n_vars), rows), net_text(parents)


def names_of(prefix, n):
    return ["%s%d" % (prefix, i + 1) for i in range(n)]


# --------------------------------------------------------------------------
# The cases
# --------------------------------------------------------------------------

def chain_inputs():
    rng = random.Random(101)
    parents = [[], [0], [1], [2], [3]]
    coefficients = [[], [0.8], [-0.7], [0.9], [0.6]]
    rows = sample_network(rng, 200, parents, coefficients)
    return data_text(list("ABCDE"), rows), net_text(parents)


def collider_inputs():
    rng = random.Random(202)
    # X1 -> X3 <- X2, X3 -> X4
    parents = [[], [], [0, 1], [2]]
    coefficients = [[], [], [0.9, -0.8], [0.7]]
    rows = sample_network(rng, 150, parents, coefficients)
    # three numbers to a line: cases of four run across line ends
    return data_text(names_of("X", 4), rows, per_line=3), net_text(parents)


def blocks_inputs():
    rng = random.Random(303)
    # block one: B1 -> B2 -> B3, B1 -> B3; block two: C1 -> C3 <- C2
    parents = [[], [0], [0, 1], [], [], [3, 4]]
    coefficients = [[], [0.8], [0.5, -0.6], [], [], [0.9, 0.7]]
    rows = sample_network(rng, 120, parents, coefficients)
    names = ["B1", "B2", "B3", "C1", "C2", "C3"]
    # header separated by comma and tab, CR LF line ends
    return data_text(names, rows, header_sep=",\t", line_end="\r\n"), net_text(parents)


def random20_inputs():
    rng = random.Random(404)
    parents, coefficients = random_dag(rng, 20, 0.12)
    rows = sample_network(rng, 300, parents, coefficients)
    return data_text(names_of("V", 20), rows), net_text(parents)


def random12_inputs():
    rng = random.Random(505)
    parents, coefficients = random_dag(rng, 12, 0.2)
    rows = sample_network(rng, 60, parents, coefficients)
    return data_text(names_of("N", 12), rows), net_text(parents)


def weak15_inputs():
    rng = random.Random(808)
    # weak effects and few cases: many tests end near the threshold
    parents = []
    coefficients = []
    for v in range(15):
        ps = [u for u in range(v) if rng.random() < 0.25]
        parents.append(ps)
        coefficients.append([rng.choice((-1, 1)) * rng.uniform(0.15, 0.45) for _ in ps])
    rows = sample_network(rng, 90, parents, coefficients)
    return data_text(names_of("W", 15), rows), net_text(parents)


def few_cases_inputs():
    rng = random.Random(606)
    parents = [[], [0], [], [2], [], [4], [], [6]]
    coefficients = [[], [2.0], [], [-2.0], [], [1.5], [], [2.5]]
    rows = sample_network(rng, 8, parents, coefficients, noise_sd=0.3)
    return data_text(names_of("F", 8), rows), net_text(parents)


def not_pd_inputs():
    rng = random.Random(707)
    n_cases = 40
    signs = [1] * (n_cases // 2) + [-1] * (n_cases // 2)
    rng.shuffle(signs)
    rows = []
    for s in signs:
        # D1 and D2 identical (+1/-1, mean exactly 0), two noise columns
        rows.append([float(s), float(s), rng.gauss(0.0, 1.0), rng.gauss(0.0, 1.0)])
    parents = [[], [], [], []]
    return data_text(["D1", "D2", "G1", "G2"], rows), net_text(parents)


# name: (input generator or name of the case whose inputs it shares, args)
CASE_TABLE = {
    "chain_fisher": (chain_inputs, "data.txt 200 5 1 0.05 0"),
    "chain_exact": ("chain_fisher", "data.txt 200 5 1 0.05 1"),
    "collider_nonet": (collider_inputs, "data.txt 150 4 0 0.05 0"),
    "blocks_local": (blocks_inputs, "data.txt 120 6 1 0.05 1 B2 2"),
    "blocks_local_nonet": ("blocks_local", "data.txt 120 6 0 0.05 0 C3 1"),
    "local_unknown_target": ("blocks_local", "data.txt 120 6 1 0.05 1 b2 2"),
    "random20_exact": (random20_inputs, "data.txt 300 20 1 0.05 1"),
    "random20_fisher": ("random20_exact", "data.txt 300 20 1 0.01 0"),
    "random12_small": (random12_inputs, "data.txt 60 12 1 0.1 1"),
    "weak15_fisher": (weak15_inputs, "data.txt 90 15 0 0.2 0"),
    "weak15_exact": ("weak15_fisher", "data.txt 90 15 0 0.2 1"),
    "weak15_scored": ("weak15_fisher", "data.txt 90 15 1 0.1 1"),
    "chain_alpha_zero": ("chain_fisher", "data.txt 200 5 0 0 1"),
    # Few cases and weak effects, seeds chosen so that several decisions lie
    # close to the threshold: an off-by-one in a degrees-of-freedom count or
    # a sweep of the EE test that does not stop changes the matrices.
    "near_threshold_fisher": (lambda: random_network_inputs(5, 10, 30, 0.2, 0.6),
                              "data.txt 30 10 0 0.1 0"),
    "near_threshold_exact": ("near_threshold_fisher", "data.txt 30 10 0 0.1 1"),
    "ee_sweep_stops": (lambda: random_network_inputs(4, 10, 30, 0.2, 0.6),
                       "data.txt 30 10 0 0.1 0"),
    # Strong effects: many p-values are exactly 0, so the order in which the
    # heap sort leaves equal values decides which variable is added first.
    "tied_pvalues": (lambda: random_network_inputs(0, 12, 100, 1.0, 2.5),
                     "data.txt 100 12 0 0.05 1"),
    "few_cases": (few_cases_inputs, "data.txt 8 8 1 0.05 0"),
    "random20_nonet": ("random20_exact", "data.txt 300 20 0 0.05 1"),
    "append_to_log": ("chain_fisher", "data.txt 200 5 2 0.05 2"),
    "not_positive_definite": (not_pd_inputs, "data.txt 40 4 0 0.05 1"),
    "not_positive_definite_iamb": ("not_positive_definite", "data.txt 40 4 1 0.05 0 D1 1"),
    "usage_five_args": (None, "data.txt 40 4 0 0.05"),
}

# Cases whose expected exit status is written out even when it is 0: the
# program's own fatal ends.
EXPLICIT_STATUS = {"not_positive_definite", "not_positive_definite_iamb",
                   "usage_five_args"}

# Cases that start with an existing res.txt (the file res.before), to which
# the run must append.
EARLIER_LOG = {
    "append_to_log": "\n n_vars= 5, n_cases= 200, n_edges= 4, IAMB2: 0 sec.,"
                     " tpr= 1.00, fdr= 0.00, fdr2= 0.00, tpr= 1.00, fdr= 0.00, fdr2= 0.00",
}


def write_file(path, text):
    with open(path, "w", newline="") as f:
        f.write(text)


def generate_inputs(name):
    source, args = CASE_TABLE[name]
    directory = os.path.join(CASES, name)
    os.makedirs(directory, exist_ok=True)
    if isinstance(source, str):
        for file_name in INPUT_FILES:
            shutil.copyfile(os.path.join(CASES, source, file_name),
                            os.path.join(directory, file_name))
    elif source is not None:
        data, net = source()
        write_file(os.path.join(directory, "data.txt"), data)
        write_file(os.path.join(directory, "net.txt"), net)
    write_file(os.path.join(directory, "args"), args + "\n")
    if name in EARLIER_LOG:
        write_file(os.path.join(directory, "res.before"), EARLIER_LOG[name])


# --------------------------------------------------------------------------
# Expected outputs from the reference
# --------------------------------------------------------------------------

def run_reference(directory):
    """(stdout, res.txt text or None, status, stderr) of one case."""
    with open(os.path.join(directory, "args")) as f:
        args = f.read().split()
    with tempfile.TemporaryDirectory() as work:
        for file_name in INPUT_FILES:
            path = os.path.join(directory, file_name)
            if os.path.exists(path):
                shutil.copyfile(path, os.path.join(work, file_name))
        earlier = os.path.join(directory, "res.before")
        if os.path.exists(earlier):
            shutil.copyfile(earlier, os.path.join(work, "res.txt"))
        done = subprocess.run([sys.executable, REFERENCE] + args, cwd=work,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        res_path = os.path.join(work, "res.txt")
        res = None
        if os.path.exists(res_path):
            with open(res_path, "rb") as f:
                res = f.read()
    return done.stdout, res, done.returncode, done.stderr


def read_bytes(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return f.read()


def expected_files(name, stdout, res, status):
    """What the case directory should hold: name -> bytes (None = absent)."""
    explicit = status != 0 or name in EXPLICIT_STATUS
    return {
        "stdout": stdout,
        "res.txt": res,
        "status": ("%d\n" % status).encode() if explicit else None,
    }


def process(name, check):
    directory = os.path.join(CASES, name)
    stdout, res, status, stderr = run_reference(directory)
    if status not in (0,) and b"gaussnet_ref:" in stderr:
        sys.stderr.write(stderr.decode())
        raise SystemExit("%s: the reference gave up" % name)
    wanted = expected_files(name, stdout, res, status)
    differing = []
    for file_name, content in wanted.items():
        path = os.path.join(directory, file_name)
        if read_bytes(path) != content:
            differing.append(file_name)
            if not check:
                if content is None:
                    os.remove(path)
                else:
                    with open(path, "wb") as f:
                        f.write(content)
    notes = stderr.decode().count("Numerics Error")
    cycles = stderr.decode().count("passes cycle")
    print("%-28s status %d, %d numerics reports, %d cycles%s" % (
        name, status, notes, cycles,
        ("; differs: " + ", ".join(differing)) if differing and check else ""))
    return not differing


def main(argv):
    options = [a for a in argv[1:] if a.startswith("--")]
    names = [a for a in argv[1:] if not a.startswith("--")] or list(CASE_TABLE)
    unknown = set(options) - {"--inputs", "--check"}
    if unknown:
        raise SystemExit(__doc__)
    check = "--check" in options
    if "--inputs" in options and not check:
        # cases that share inputs copy them from their source: sources first
        for name in sorted(names, key=lambda n: isinstance(CASE_TABLE[n][0], str)):
            generate_inputs(name)
    all_same = True
    for name in names:
        if not os.path.isdir(os.path.join(CASES, name)):
            print("%-28s missing" % name)
            all_same = False
            continue
        all_same &= process(name, check)
    return 0 if all_same or not check else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
