#!/usr/bin/env python3
"""Checks of the reference implementation against values known from
elsewhere: closed forms, the Python library's own functions, and exact
rational arithmetic.  Prints one line per group and exits 1 on a failure.

    python3 tools/reference/selfcheck.py
"""

import io
import math
import os
import random
import sys
from contextlib import redirect_stderr
from fractions import Fraction

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gaussnet_ref as g  # noqa: E402

failures = []


def near(label, got, want, tol):
    if not abs(got - want) <= tol:
        failures.append("%s: got %r, want %r (tolerance %g)" % (label, got, want, tol))


def same(label, got, want):
    if not (got == want and math.copysign(1, got) == math.copysign(1, want)
            if isinstance(want, float) else got == want):
        failures.append("%s: got %r, want %r" % (label, got, want))


def reports(fn, *args):
    """(result, stderr text) of one call."""
    buffer = io.StringIO()
    with redirect_stderr(buffer):
        result = fn(*args)
    return result, buffer.getvalue()


def report_text(*pairs):
    return "".join("Numerics Error in routine %s\n    %s\n" % p for p in pairs)


def special_functions():
    # closed forms: t with 1 df is Cauchy, erf(1), 1 - 1/e, ln sqrt(pi)
    near("studtp(1,1)", g.studtp(1.0, 1.0), 0.75, 5e-11)
    near("studtp(-1,1)", g.studtp(-1.0, 1.0), 0.25, 5e-11)
    near("studtp(2,10)", g.studtp(2.0, 10.0), 0.9633060, 5e-8)
    near("studtp(2,1e6)", g.studtp(2.0, 1e6), 0.9772497, 5e-8)
    near("normalp(1.96,0,1)", g.normalp(1.96, 0.0, 1.0), 0.9750021, 5e-8)
    near("normalp(-1,0,0.25)", g.normalp(-1.0, 0.0, 0.25), 0.02275013, 5e-9)
    near("normalp(2.5,2,0.25)", g.normalp(2.5, 2.0, 0.25), 0.8413447, 5e-8)
    for x in (-3.1, -0.4, 0.05, 0.7, 2.2):
        near("normalp(%g) vs math.erf" % x, g.normalp(x, 0.0, 1.0),
             0.5 * (1.0 + math.erf(x / math.sqrt(2.0))), 1e-9)
    same("normalp tie at +eps", g.normalp(5e-9, 0.0, 1.0), 0.5)
    same("normalp tie at -eps", g.normalp(-5e-9, 0.0, 1.0), 0.5)
    same("normalp infinite variance", g.normalp(3.0, 0.0, g.INF), 0.5)
    near("betai(2,3,0.4)", g.betai(2.0, 3.0, 0.4), 0.5248, 5e-11)
    near("betai(0.5,0.5,0.5)", g.betai(0.5, 0.5, 0.5), 0.5, 5e-11)
    near("betai(5,0.5,0.1)", g.betai(5.0, 0.5, 0.1), 2.5706e-06, 5e-10)
    near("betai(5,0.5,0.9)", g.betai(5.0, 0.5, 0.9), 0.31664, 5e-6)
    same("betai(2,3,0)", g.betai(2.0, 3.0, 0.0), 0.0)
    same("betai(2,3,1)", g.betai(2.0, 3.0, 1.0), 1.0)
    same("betacf(a,b,0)", g.betacf(2.0, 3.0, 0.0), 1.0)
    near("error_function(1)", g.error_function(1.0), 0.8427008, 5e-8)
    same("error_function(0)", g.error_function(0.0), 0.0)
    same("error_function(6)", g.error_function(6.0), 1.0)
    near("gammp(1,1)", g.gammp(1.0, 1.0), 1.0 - math.exp(-1.0), 1e-9)
    near("gammp(0.5,1.5)", g.gammp(0.5, 1.5), math.erf(math.sqrt(1.5)), 1e-9)
    near("gammp(0.5,1.4999)", g.gammp(0.5, 1.4999), math.erf(math.sqrt(1.4999)), 1e-9)
    near("log_gamma(0.5)", g.log_gamma(0.5), math.log(math.sqrt(math.pi)), 5e-11)
    near("log_gamma(10)", g.log_gamma(10.0), math.log(362880.0), 5e-9)
    near("log_gamma(1)", g.log_gamma(1.0), -1.3e-13, 1e-14)

    # the reports and what flows on after them
    value, text = reports(g.gammp, 1000.0, 1000.5)
    near("gammp(1000,1000.5)", value, 0.5096, 5e-5)
    same("gammp(1000,1000.5) report", text,
         report_text(("gser", "a too large, NUMERICS_ITMAX too small")))
    for a, x in ((2.0, -1.0), (0.0, 1.0), (-1.0, 1.0)):
        value, text = reports(g.gammp, a, x)
        same("gammp(%g,%g)" % (a, x), value, 0.0)
        same("gammp(%g,%g) report" % (a, x), text, report_text(("gammp", "Invalid arguments")))
    value, text = reports(g.error_function, 1e200)
    same("error_function(1e200) is NaN", value != value, True)
    same("error_function(1e200) report", text,
         report_text(("gcf", "a too large, NUMERICS_ITMAX too small")))
    value, text = reports(g.normalp, 0.0, 0.0, -1.0)
    same("normalp(0,0,-1) is NaN", value != value, True)
    same("normalp(0,0,-1) reports", text, report_text(
        ("normalp", "Invalid v parameter"), ("gcf", "a too large, NUMERICS_ITMAX too small")))
    for t in (2.0, -2.0):
        value, text = reports(g.studtp, t, -1.0)
        same("studtp(%g,-1)" % t, value, 1.0)
        same("studtp(%g,-1) reports" % t, text, report_text(
            ("studtp", "Invalid v parameter"), ("betai", "Bad x")))
    value, text = reports(g.betai, 2.0, 3.0, 1.5)
    same("betai bad x", (value, text), (0.0, report_text(("betai", "Bad x"))))
    print("special functions: checked")


def data_values():
    same("0.1 as float32", Fraction(g.parse_float32("0.1")),
         Fraction("0.100000001490116119384765625"))
    same("1.1 as float32", Fraction(g.parse_float32("1.1")),
         Fraction("1.10000002384185791015625"))
    same("-0 keeps its sign", g.parse_float32("-0"), -0.0)
    # a decimal just above the midpoint of two float32 neighbours, whose
    # nearest double is the midpoint itself: rounding through a double
    # would go to the even neighbour, the direct rounding goes up
    midpoint = Fraction(1) + Fraction(1, 2 ** 24)
    text = "1.000000059604644775390625000000000001"
    same("no double rounding", Fraction(g.parse_float32(text)), midpoint + Fraction(1, 2 ** 24))
    same("tie to even", Fraction(g.parse_float32("1.000000059604644775390625")), Fraction(1))
    same("overflow", g.parse_float32("3.5e38"), g.INF)
    same("c_atoi", [g.c_atoi(s) for s in ("  12x", "-3", "abc", "+7")], [12, -3, 0, 7])
    same("c_atof", [g.c_atof(s) for s in ("0.05", " 1e-2z", "x", ".5")], [0.05, 0.01, 0.0, 0.5])
    print("data values and arguments: checked")


def exact_inverse(matrix):
    n = len(matrix)
    a = [[Fraction(x) for x in row] + [Fraction(int(i == j)) for j in range(n)]
         for i, row in enumerate(matrix)]
    for c in range(n):
        p = next(r for r in range(c, n) if a[r][c] != 0)
        a[c], a[p] = a[p], a[c]
        pivot = a[c][c]
        a[c] = [x / pivot for x in a[c]]
        for r in range(n):
            if r != c and a[r][c] != 0:
                f = a[r][c]
                a[r] = [x - f * y for x, y in zip(a[r], a[c])]
    return [row[n:] for row in a]


def statistics():
    same("[[4,2],[2,9]] pair", g.partial_correlation([[4.0, 2.0], [2.0, 9.0]], 2, 0, 1), 1.0 / 3.0)
    same("diagonal gives +0", g.partial_correlation([[2.0, 0.0], [0.0, 3.0]], 2, 0, 1), 0.0)
    same("i = j gives -1", g.partial_correlation([[2.0, 0.5], [0.5, 3.0]], 2, 1, 1), -1.0)
    a = [[4.0, 2.0], [99.0, 9.0]]
    same("invert mode result", g.partial_correlation(a, 2, -1, -1), 1.0)
    for got, want in zip(sum(a, []), (9 / 32, -1 / 16, -1 / 16, 1 / 8)):
        near("invert mode entry", got, want, 1e-15)
    try:
        g.partial_correlation([[0.0, 1.0], [1.0, 2.0]], 2, 0, 1)
        failures.append("zero pivot not detected")
    except g.NotPositiveDefinite as e:
        same("order in the failure", e.args[0], 2)

    # partial correlations of random covariance matrices against exact
    # rational inverses
    rng = random.Random(7)
    worst = 0.0
    for _ in range(20):
        n = rng.randint(2, 6)
        rows = [[rng.gauss(0, 1) for _ in range(n)] for _ in range(n + 5)]
        cov = [[sum(r[i] * r[j] for r in rows) / len(rows) for j in range(n)] for i in range(n)]
        i, j = rng.sample(range(n), 2)
        p = exact_inverse(cov)
        want = -float(p[i][j]) / math.sqrt(float(p[i][i]) * float(p[j][j]))
        worst = max(worst, abs(g.partial_correlation([r[:] for r in cov], n, i, j) - want))
    near("partial correlation vs exact inverse", worst, 0.0, 1e-13)

    def sort(keys, a, b=None):
        k, ca = [0.0] + list(keys), [0] + list(a)
        cb = ca if b is None else [0] + list(b)
        g.heap_sort3(len(keys), k, ca, cb)
        return k[1:], ca[1:], cb[1:]
    same("heap two equal", sort([0.2, 0.2], [1, 2])[1], [2, 1])
    same("heap three", sort([0.5, 0.5, 0.1], [10, 20, 30])[:2], ([0.1, 0.5, 0.5], [30, 20, 10]))
    same("heap four equal", sort([1.0] * 4, [1, 2, 3, 4])[1], [2, 3, 4, 1])
    same("heap five equal", sort([1.0] * 5, [1, 2, 3, 4, 5])[1], [2, 3, 4, 5, 1])
    same("heap two companions", sort([0.3, 0.1, 0.2], [0, 1, 2], [5, 6, 7]),
         ([0.1, 0.2, 0.3], [1, 2, 0], [6, 7, 5]))
    print("statistics and sort: checked")


def scoring():
    # chain X-Y-Z: Z listed for X without Y is linked, with Y separated
    g.STATE.n_vars = 3
    moral = [[0, 1, 0], [1, 0, 1], [0, 1, 0]]
    same("linked", g.path_exists(0, 2, [0, 0, 0], moral), True)
    same("separated", g.path_exists(0, 2, [0, 1, 0], moral), False)

    # a perfect result on 4 variables, one of them isolated
    logged = []
    saved = g.log_append
    g.log_append = logged.append
    g.STATE.n_vars, g.STATE.true_net = 4, 1
    g.STATE.moral_graph = [[0, 1, 1, 0], [1, 0, 1, 0], [1, 1, 0, 0], [0, 0, 0, 0]]
    g.STATE.n_edges = 3
    buffer = io.StringIO()
    stdout, sys.stdout = sys.stdout, buffer
    try:
        g.report_structure([row[:] for row in g.STATE.moral_graph])
        # X lists Z and Y; chain X-Y-Z: Z is a separated false member of X,
        # but the edge X-Z is linked: Z's only other neighbour is none, so
        # the search from Z through Y reaches X
        g.STATE.n_vars = 3
        g.STATE.moral_graph, g.STATE.n_edges = moral, 2
        g.report_structure([[0, 1, 1], [0, 0, 0], [0, 0, 0]])
    finally:
        sys.stdout = stdout
        g.log_append = saved
    want = [" tpr= 0.75, fdr= 0.00, fdr2= 0.00", ", tpr= 1.00, fdr= 0.00, fdr2= 0.00",
            " tpr= 0.33, fdr= 0.17, fdr2= 0.17", ", tpr= 0.50, fdr= 0.50, fdr2= 0.00"]
    same("scores", (buffer.getvalue(), logged), ("".join(want), want))
    print("scoring: checked")


special_functions()
data_values()
statistics()
scoring()
if failures:
    print("\n".join(failures))
    sys.exit(1)
print("all checks passed")
