#!/usr/bin/env python3
"""Independent reference implementation of gaussnet, in pure Python.

    gaussnet_ref.py data_file n_cases n_vars true_net alpha exact [target radius]

Run in a working directory like the program itself: reads "net.txt" from the
current directory when true_net is 1, appends to "./res.txt", prints the
console text on standard output and the numerics reports on standard error.
Every elapsed time is printed as 0 seconds.

The point of this file is to be a second statement of the program, written
without looking at the C++ sources, so that expected output files can be
checked against it.  It reproduces the program bit for bit:

* Python floats are IEEE doubles and math.log / math.exp / math.sqrt call the
  C library, so the same operations in the same order give the same bits.
  Every formula below keeps the program's order of operations; the comments
  show the grouping where it matters.
* Python raises where C gives infinities and NaN (division by zero, log of 0,
  sqrt of a negative number, exp overflow); the helpers fdiv, flog, fsqrt and
  fexp return the IEEE results instead.
* Data values are rounded from their decimal text straight to the nearest
  single-precision number (as strtof does), not through a double first; see
  nearest_float32.
"""

import math
import os
import re
import sys
from fractions import Fraction

# --------------------------------------------------------------------------
# Process-level behaviour
# --------------------------------------------------------------------------

# Exit status of the program's own fatal ends: 2 after the usage message, 1
# after an input limit or a matrix that is not positive definite, so that a
# failure is never reported as success.
EXIT_USAGE = 2
EXIT_INPUT_LIMIT = 1
EXIT_NOT_POSITIVE_DEFINITE = 1

# This reference's own status when the input is malformed in a way the
# program leaves undefined (missing file, too few names or numbers).
EXIT_REFERENCE_GAVE_UP = 3

RES_FILE = "res.txt"
NET_FILE = "net.txt"

MAX_LINE_LENGTH = 100000
MAX_STATE_LENGTH = 100

USAGE_TEXT = ("\n\n Usage: data_file n_cases n_vars true_net(0=no,1=yes) alpha "
              "exact(0=no,1=yes) [target radius]. \n\n")


class ProgramExit(Exception):
    """Ends the program with an exit status (after output is flushed)."""

    def __init__(self, status):
        super().__init__(status)
        self.status = status


def out(text):
    """Console text (standard output)."""
    sys.stdout.write(text)


def err(text):
    sys.stderr.write(text)


def log_append(text):
    """Open res.txt for appending, write one fragment, close it."""
    with open(RES_FILE, "a", newline="\n") as f:
        f.write(text)


def fatal(message, status):
    out(message)
    raise ProgramExit(status)


def gave_up(message):
    err("gaussnet_ref: %s\n" % message)
    raise ProgramExit(EXIT_REFERENCE_GAVE_UP)


# --------------------------------------------------------------------------
# IEEE arithmetic where Python would raise
# --------------------------------------------------------------------------

INF = float("inf")
NAN = float("nan")


def fdiv(a, b):
    """a / b with the IEEE results for a zero divisor."""
    a = float(a)
    b = float(b)
    if b != 0.0:
        return a / b
    if a != a or a == 0.0:
        return NAN
    negative = (math.copysign(1.0, a) < 0) != (math.copysign(1.0, b) < 0)
    return -INF if negative else INF


def flog(x):
    if x != x:
        return x
    if x == 0.0:
        return -INF
    if x < 0.0:
        return NAN
    return math.log(x)


def fsqrt(x):
    if x != x:
        return x
    if x < 0.0:
        return NAN
    return math.sqrt(x)


def fexp(x):
    try:
        return math.exp(x)
    except OverflowError:
        return INF


def to_int32(value):
    value &= 0xFFFFFFFF
    return value - (1 << 32) if value >= (1 << 31) else value


# --------------------------------------------------------------------------
# atoi / atof as the C library does them (no error, 0 for no digits)
# --------------------------------------------------------------------------

_C_SPACE = " \t\n\v\f\r"
_ATOI_RE = re.compile(r"[+-]?\d+")
_ATOF_DEC_RE = re.compile(r"[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?")
_ATOF_SPECIAL_RE = re.compile(r"([+-]?)(inf(inity)?|nan(\([0-9A-Za-z_]*\))?)",
                              re.IGNORECASE)


def c_atoi(text):
    """atoi as glibc does it: strtol (saturating at the 64-bit limits),
    then converted to int."""
    m = _ATOI_RE.match(text.lstrip(_C_SPACE))
    if not m:
        return 0
    value = max(-(1 << 63), min((1 << 63) - 1, int(m.group(0))))
    return to_int32(value)


def c_atof(text):
    text = text.lstrip(_C_SPACE)
    m = _ATOF_SPECIAL_RE.match(text)
    if m:
        value = INF if m.group(2).lower().startswith("inf") else NAN
        return -value if m.group(1) == "-" else value
    m = _ATOF_DEC_RE.match(text)
    if not m:
        return 0.0
    return float(m.group(0))  # correctly rounded, as strtod


# --------------------------------------------------------------------------
# Single-precision data values
# --------------------------------------------------------------------------

def nearest_float32(q):
    """The single-precision number nearest to the rational q (ties to even),
    as a Python float (exact: every float32 is a double).

    float(text) would round to double first and then to single: a double
    rounding that can differ from strtof's single rounding, hence Fractions.
    """
    if q == 0:
        return 0.0
    negative = q < 0
    q = -q if negative else q
    num, den = q.numerator, q.denominator
    # e with 2**e <= q < 2**(e + 1)
    e = num.bit_length() - den.bit_length()
    below = (num < (den << e)) if e >= 0 else ((num << -e) < den)
    if below:
        e -= 1
    if e < -126:
        e = -126  # subnormal: fixed quantum 2**-149
    qe = e - 23   # weight of the last of the 24 significand bits
    if qe <= 0:
        n, d = num << -qe, den
    else:
        n, d = num, den << qe
    mant, rem = divmod(n, d)
    if 2 * rem > d or (2 * rem == d and mant & 1):
        mant += 1
    if mant.bit_length() + qe > 128:   # rounded up to 2**128 or beyond
        value = INF
    else:
        value = math.ldexp(mant, qe)
    return -value if negative else value


_FLOAT_TOKEN_RE = re.compile(r"[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$")


def parse_float32(token):
    m = _FLOAT_TOKEN_RE.match(token)
    if not m:
        special = _ATOF_SPECIAL_RE.fullmatch(token)
        if special:
            return c_atof(token)
        gave_up("not a number in the data file: %r" % token)
    value = nearest_float32(Fraction(token))
    if value == 0.0 and token.startswith("-"):
        return -0.0
    return value


# --------------------------------------------------------------------------
# Input files
# --------------------------------------------------------------------------

def read_text_lines_mode(path):
    """File contents as text-mode reading on the original platform gives
    them: a CR LF pair is one line end."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        gave_up("cannot read %s: %s" % (path, e))
    return data.replace(b"\r\n", b"\n").decode("latin-1")


def read_true_network(n_vars):
    text = read_text_lines_mode(NET_FILE)
    pos = 0
    net = [[0] * n_vars for _ in range(n_vars)]
    for i in range(n_vars):
        for j in range(n_vars):
            ch = text[pos] if pos < len(text) else ""
            pos += 1
            net[i][j] = 1 if ch in "123456789" and ch != "" else 0
        pos += 1  # the line end of row i
    return net


def read_data_file(path, n_cases, n_vars):
    text = read_text_lines_mode(path)
    # Header: what fgets with a buffer of MAX_LINE_LENGTH reads.
    end = text.find("\n")
    header = text if end < 0 else text[:end + 1]
    header = header[:MAX_LINE_LENGTH - 1]
    rest = text[len(header):]
    if len(header) == MAX_LINE_LENGTH - 1:
        fatal("\n\n Exceeding MAX_LINE_LENGTH. \n\n", EXIT_INPUT_LIMIT)
    names_found = [t for t in re.split(r"[ ,\t\n\r]+", header) if t != ""]
    names = []
    for i in range(n_vars):
        if i >= len(names_found):
            gave_up("the header has fewer than %d names" % n_vars)
        name = names_found[i]
        if len(name) > MAX_STATE_LENGTH - 1:
            fatal("\n\n Exceeding MAX_STATE_LENGTH. \n\n", EXIT_INPUT_LIMIT)
        names.append(name)
    tokens = [t for t in re.split(r"[ \t\n\v\f\r]+", rest) if t != ""]
    needed = n_cases * n_vars if n_cases > 0 and n_vars > 0 else 0
    if len(tokens) < needed:
        gave_up("the data file has fewer than %d numbers" % needed)
    data = []
    pos = 0
    for _ in range(max(n_cases, 0)):
        row = []
        for _ in range(max(n_vars, 0)):
            row.append(parse_float32(tokens[pos]))
            pos += 1
        data.append(row)
    return names, data


def moral_graph_of(net, n_vars):
    moral = [[0] * n_vars for _ in range(n_vars)]
    n_edges = 0
    for i in range(1, n_vars):
        for j in range(i):
            married = net[i][j] == 1 or net[j][i] == 1
            if not married:
                for k in range(n_vars):
                    if k != i and k != j and net[i][k] == 1 and net[j][k] == 1:
                        married = True
                        break
            if married:
                moral[i][j] = 1
                moral[j][i] = 1
                n_edges += 1
    return moral, n_edges


# --------------------------------------------------------------------------
# Special functions
# --------------------------------------------------------------------------

NUMERICS_ITMAX = 100
NUMERICS_EPS = 5e-9
NUMERICS_TINY = 2.0 ** -1022
NUMERICS_TINY_RECIPROCAL = 2.0 ** 1022

LOG_GAMMA_COEFFICIENTS = (
    76.18009172947146,
    -86.50532032941678,
    24.01409824083091,
    -1.231739572460166,
    0.001208650973866179,
    -5.395239384953e-06,
)
LOG_GAMMA_SERIES_START = 1.000000000190015
LOG_GAMMA_FACTOR = 2.5066282746310007


def numerics_error(routine, message):
    err("Numerics Error in routine %s\n" % routine)
    err("    %s\n" % message)


def floor_tiny(v):
    """Values of magnitude below NUMERICS_TINY become +NUMERICS_TINY; NaN stays."""
    return NUMERICS_TINY if abs(v) < NUMERICS_TINY else v


def log_gamma(x):
    y = x + 5.5
    t = y - (x + 0.5) * flog(y)
    s = LOG_GAMMA_SERIES_START
    z = x
    for c in LOG_GAMMA_COEFFICIENTS:
        z = z + 1.0
        s = s + fdiv(c, z)
    return flog(fdiv(LOG_GAMMA_FACTOR * s, x)) - t


def gser(a, x):
    """Returns (P(a, x) by the power series, log Gamma(a))."""
    g = log_gamma(a)
    if x <= 0.0:
        if x < 0.0:
            numerics_error("gser", "x less than 0")
        return 0.0, g
    ap = a
    delta = fdiv(1.0, a)
    total = delta
    for _ in range(NUMERICS_ITMAX):
        ap = ap + 1.0
        delta = delta * fdiv(x, ap)
        total = total + delta
        if abs(delta) < abs(total) * NUMERICS_EPS:
            return total * fexp((a * flog(x) - x) - g), g
    numerics_error("gser", "a too large, NUMERICS_ITMAX too small")
    return total * fexp((a * flog(x) - x) - g), g


def gcf(a, x):
    """Returns (Q(a, x) by the continued fraction, log Gamma(a))."""
    g = log_gamma(a)
    b = (x + 1.0) - a
    c = NUMERICS_TINY_RECIPROCAL
    d = fdiv(1.0, b)
    h = d
    converged = False
    for i in range(1, NUMERICS_ITMAX + 1):
        fi = float(i)
        an = (fi - a) * (-fi)
        b = b + 2.0
        d = floor_tiny(an * d + b)
        c = floor_tiny(b + fdiv(an, c))
        d = fdiv(1.0, d)
        delta = d * c
        h = h * delta
        if abs(delta - 1.0) < NUMERICS_EPS:
            converged = True
            break
    if not converged:
        numerics_error("gcf", "a too large, NUMERICS_ITMAX too small")
    return fexp((a * flog(x) - x) - g) * h, g


def gammp(a, x):
    if x < 0.0 or a <= 0.0:
        numerics_error("gammp", "Invalid arguments")
        return 0.0
    if x < a + 1.0:
        p, _ = gser(a, x)
        return p
    q, _ = gcf(a, x)
    return 1.0 - q


def error_function(x):
    p = gammp(0.5, x * x)
    return -p if x < 0.0 else p


def betacf(a, b, x):
    s = a + b
    p = a + 1.0
    q = a - 1.0
    c = 1.0
    d = floor_tiny(1.0 - fdiv(s * x, p))
    d = fdiv(1.0, d)
    h = d
    for m in range(1, NUMERICS_ITMAX + 1):
        fm = float(m)
        m2 = float(2 * m)
        # even step
        aa = fdiv(fm * (b - fm) * x, (q + m2) * (a + m2))
        d = floor_tiny(1.0 + aa * d)
        c = floor_tiny(1.0 + fdiv(aa, c))
        d = fdiv(1.0, d)
        h = h * (d * c)
        # odd step
        aa = fdiv(-(a + fm) * (s + fm) * x, (a + m2) * (p + m2))
        d = floor_tiny(1.0 + aa * d)
        c = floor_tiny(1.0 + fdiv(aa, c))
        d = fdiv(1.0, d)
        delta = d * c
        h = h * delta
        if abs(delta - 1.0) < NUMERICS_EPS:
            return h
    numerics_error("betacf", "a or b too big, or NUMERICS_ITMAX too small")
    return h


def betai(a, b, x):
    if x < 0.0 or x > 1.0:
        numerics_error("betai", "Bad x")
        return 0.0
    if x == 0.0 or x == 1.0:
        f = 0.0
    else:
        lg = log_gamma(a + b) - log_gamma(a)
        lg = lg - log_gamma(b)
        lg = a * flog(x) + lg
        lg = b * flog(1.0 - x) + lg
        f = fexp(lg)
    if x < fdiv(a + 1.0, (a + b) + 2.0):
        return fdiv(f * betacf(a, b, x), a)
    return 1.0 - fdiv(f * betacf(b, a, 1.0 - x), b)


def normalp(x, mean, variance):
    if not variance > 0.0:
        numerics_error("normalp", "Invalid v parameter")
    elif x >= mean - NUMERICS_EPS and x <= mean + NUMERICS_EPS:
        return 0.5
    z = fdiv(x - mean, fsqrt(variance + variance))
    return (error_function(z) + 1.0) * 0.5


def studtp(t, df):
    u = fdiv(df, df + t * t)
    if not df > 0.0:
        numerics_error("studtp", "Invalid v parameter")
    else:
        if t >= -5e-9 and t <= 5e-9:
            return 0.5
        if not t > 0.0:
            return 0.5 * betai(df * 0.5, 0.5, u)
    return 1.0 - 0.5 * betai(df * 0.5, 0.5, u)


# --------------------------------------------------------------------------
# Gaussian statistics
# --------------------------------------------------------------------------

class NotPositiveDefinite(Exception):
    pass


def estimate_covariance(data, n_cases, n_vars):
    means = []
    for i in range(n_vars):
        s = 0.0
        for k in range(n_cases):
            s = s + data[k][i]
        means.append(fdiv(s, n_cases))
    cov = [[0.0] * n_vars for _ in range(n_vars)]
    for i in range(n_vars):
        for j in range(i, n_vars):
            s = 0.0
            mi = means[i]
            mj = means[j]
            for k in range(n_cases):
                row = data[k]
                s = s + (row[i] - mi) * (row[j] - mj)
            v = fdiv(s, n_cases)
            cov[i][j] = v
            cov[j][i] = v
    return cov


def cholesky_decompose(a, n, diag):
    """L into the strictly lower triangle of a, its diagonal into diag.
    Reads only the upper triangle of the input."""
    for r in range(n):
        row_r = a[r]
        for c in range(r, n):
            row_c = a[c]
            s = row_r[c]
            for k in range(r - 1, -1, -1):
                s = s - row_r[k] * row_c[k]
            if c == r:
                if s <= 0.0:
                    return False
                diag[r] = fsqrt(s)
            else:
                row_c[r] = fdiv(s, diag[r])
    return True


def matrix_transpose(source, rows, cols, result):
    for r in range(rows):
        for c in range(cols):
            result[c][r] = source[r][c]


def matrix_multiply(left, rows, inner, right, cols, result):
    for r in range(rows):
        left_r = left[r]
        for c in range(cols):
            s = 0.0
            for k in range(inner):
                s = s + left_r[k] * right[k][c]
            result[r][c] = s


def partial_correlation(a, n, i, j):
    """Pair mode (0 <= i, j < n): the partial correlation of positions i and j
    given the others.  Otherwise invert mode: a becomes its inverse, 1.0."""
    diag = [0.0] * max(n, 0)
    if not cholesky_decompose(a, n, diag):
        raise NotPositiveDefinite(n)
    # invert the factor in place, column by column
    for r in range(n):
        a[r][r] = fdiv(1.0, diag[r])
        for c in range(r + 1, n):
            s = 0.0
            row_c = a[c]
            for k in range(r, c):
                s = s - row_c[k] * a[k][r]
            row_c[r] = fdiv(s, diag[c])
    if 0 <= i < n and 0 <= j < n:
        cross = 0.0
        for k in range(max(i, j), n):
            cross = cross + a[k][i] * a[k][j]
        s_i = 0.0
        for k in range(i, n):
            s_i = s_i + a[k][i] * a[k][i]
        s_j = 0.0
        for k in range(j, n):
            s_j = s_j + a[k][j] * a[k][j]
        if cross == 0.0:
            return 0.0
        return -fdiv(cross, fsqrt(s_j * s_i))
    for r in range(n):
        for c in range(r + 1, n):
            a[r][c] = 0.0
    t = [[0.0] * n for _ in range(n)]
    m = [[0.0] * n for _ in range(n)]
    matrix_transpose(a, n, n, t)
    matrix_multiply(t, n, n, a, n, m)
    for r in range(n):
        for c in range(n):
            a[r][c] = m[r][c]
    return 1.0


def statistic_from_r(r, df):
    """The test statistic of a partial correlation r; df is the integer
    degrees of freedom of the t form."""
    if r == 1.0:
        return 2147483647.0
    if STATE.exact != 0:
        return r * fsqrt(fdiv(float(df), 1.0 - r * r))
    return 0.5 * flog(fdiv(1.0 + r, 1.0 - r))


def ci_statistic(candidate, target, member_flags, cov):
    n_vars = STATE.n_vars
    m = 0
    for v in range(n_vars):
        m += member_flags[v]
    taken = []
    pos_candidate = pos_target = -1
    for v in range(n_vars):
        if v == candidate or v == target or member_flags[v] == 1:
            if v == candidate:
                pos_candidate = len(taken)
            if v == target:
                pos_target = len(taken)
            taken.append(v)
    order = len(taken)
    sub = [[cov[v][w] for w in taken] for v in taken]
    r = partial_correlation(sub, order, pos_candidate, pos_target)
    return statistic_from_r(r, STATE.n_cases - m - 2)


def statistic_pvalue(statistic, cond_size):
    if STATE.exact != 0:
        df = STATE.n_cases - cond_size - 2
        return 1.0 - studtp(statistic, float(df))
    d = float(STATE.n_cases - cond_size - 3)
    return 1.0 - normalp(statistic, 0.0, fdiv(1.0, d))


def heap_sort3(n, keys, comp_a, comp_b):
    """Heap sort of keys[1..n] ascending, permuting comp_a and comp_b alike.
    The lists are 1-based views: index 0 is a dummy.  comp_a may be comp_b."""
    if n < 2:
        return
    l = n // 2 + 1
    ir = n
    while True:
        if l > 1:
            l -= 1
            hk, ha, hb = keys[l], comp_a[l], comp_b[l]
        else:
            hk, ha, hb = keys[ir], comp_a[ir], comp_b[ir]
            keys[ir] = keys[1]
            comp_a[ir] = comp_a[1]
            comp_b[ir] = comp_b[1]
            ir -= 1
            if ir == 1:
                keys[1] = hk
                comp_a[1] = ha
                comp_b[1] = hb
                return
        i = l
        j = 2 * l
        while j <= ir:
            if j < ir and keys[j] < keys[j + 1]:
                j += 1
            if hk < keys[j]:
                keys[i] = keys[j]
                comp_a[i] = comp_a[j]
                comp_b[i] = comp_b[j]
                i = j
                j = 2 * j
            else:
                break
        keys[i] = hk
        comp_a[i] = ha
        comp_b[i] = hb


# --------------------------------------------------------------------------
# Evaluation and output
# --------------------------------------------------------------------------

def path_exists(start, goal, blocked, graph):
    """Depth-first search in ascending vertex order; marks stay for the
    whole search.  Iterative, with the same expansion order as recursion."""
    if start == goal:
        return True
    n = STATE.n_vars
    visited = [0] * n
    visited[start] = 1
    stack = [(start, 0)]  # (vertex, next neighbour to look at)
    while stack:
        v, nxt = stack[-1]
        row = graph[v]
        w = nxt
        while w < n and not (row[w] == 1 and blocked[w] == 0 and visited[w] == 0):
            w += 1
        if w == n:
            stack.pop()
            continue
        stack[-1] = (v, w + 1)
        if w == goal:
            return True
        visited[w] = 1
        stack.append((w, 0))
    return False


def report_structure(learned):
    n = STATE.n_vars
    if STATE.true_net != 1:
        lines = ["\n\n\n"]
        for i in range(n):
            lines.append("".join(
                "1" if learned[i][j] == 1 or learned[j][i] == 1 else "0"
                for j in range(n)))
            lines.append("\n")
        log_append("".join(lines))
        return
    moral = STATE.moral_graph
    tpr_sum = fdr_sum = fdr2_sum = 0.0
    for i in range(n):
        tp = fp = fl = fs = 0
        for l in range(n):
            if learned[i][l] != 1:
                continue
            if moral[i][l] == 1:
                tp += 1
            else:
                fp += 1
                blocked = [1 if h != l and learned[i][h] == 1 else 0 for h in range(n)]
                if path_exists(i, l, blocked, moral):
                    fl += 1
                else:
                    fs += 1
        deg = 0
        for h in range(n):
            deg += moral[i][h]
        if deg > 0:
            tpr_sum += tp / deg
        if fp > 0:
            fdr_sum += fp / (fp + tp)
        if fs > 0:
            fdr2_sum += fs / (fs + fl + tp)
    text = " tpr= %.2f, fdr= %.2f, fdr2= %.2f" % (
        fdiv(tpr_sum, n), fdiv(fdr_sum, n), fdiv(fdr2_sum, n))
    out(text)
    log_append(text)

    for j in range(n):
        for k in range(n):
            if learned[j][k] == 1:
                learned[k][j] = 1

    tp = fp = fl = fs = 0
    for j in range(1, n):
        for m in range(j):
            if learned[j][m] != 1:
                continue
            if moral[j][m] == 1:
                tp += 1
                continue
            fp += 1
            blocked_j = [1 if h != m and learned[j][h] == 1 else 0 for h in range(n)]
            blocked_m = [1 if h != j and learned[m][h] == 1 else 0 for h in range(n)]
            if path_exists(j, m, blocked_j, moral):
                fl += 1
            elif path_exists(j, m, blocked_m, moral):
                fl += 1
            else:
                fs += 1
    n_edges = STATE.n_edges
    tpr = tp / n_edges if n_edges != 0 else 0.0
    fdr = fp / (fp + tp) if fp != 0 else 0.0
    fdr2 = fs / (fs + fl + tp) if fs != 0 else 0.0
    text = ", tpr= %.2f, fdr= %.2f, fdr2= %.2f" % (tpr, fdr, fdr2)
    out(text)
    log_append(text)


# --------------------------------------------------------------------------
# Learners
# --------------------------------------------------------------------------

def harmonic(terms):
    h = 0.0
    for i in range(1, terms + 1):
        h = h + 1.0 / i
    return h


def iamb_target(variant, target, learned, cov):
    n = STATE.n_vars
    threshold = STATE.alpha * 0.5
    flags = [0] * n
    c = 0
    h = harmonic(n - 1)
    seen = set()
    while True:
        state = tuple(flags)
        if state in seen:
            err("IAMB: passes cycle for target %s; keeping the member set\n"
                % STATE.var_names[target])
            break
        seen.add(state)

        pvals = [0.0]   # 1-based for heap_sort3
        index = [0]
        for j in range(n):
            if j == target:
                continue
            if flags[j] == 1:
                flags[j] = 0
                s = ci_statistic(j, target, flags, cov)
                p = statistic_pvalue(abs(s), c - 1)
                flags[j] = 1
            else:
                s = ci_statistic(j, target, flags, cov)
                p = statistic_pvalue(abs(s), c)
            pvals.append(p)
            index.append(j)
        m = n - 1
        heap_sort3(m, pvals, index, index)
        pvals = pvals[1:]
        index = index[1:]
        if variant == 2:
            for k in range(m):
                pvals[k] = pvals[k] * m * h / (k + 1)   # ((p*m)*H)/(k+1)

        removed = False
        for k in range(m - 1, -1, -1):
            if flags[index[k]] == 1:
                if pvals[k] > threshold:
                    flags[index[k]] = 0
                    c -= 1
                    removed = True
                break
        if removed:
            continue
        added = False
        for k in range(m):
            if flags[index[k]] == 0:
                if pvals[k] <= threshold:
                    flags[index[k]] = 1
                    c += 1
                    added = True
                break
        if not added:
            break
    for j in range(n):
        if flags[j] == 1:
            learned[target][j] = 1


def run_iamb(variant):
    n = STATE.n_vars
    learned = [[0] * n for _ in range(n)]
    cov = estimate_covariance(STATE.data, STATE.n_cases, n)
    for target in range(n):
        iamb_target(variant, target, learned, cov)
    out("\n IAMB%d: \t %d sec.," % (variant, 0))
    log_append(" IAMB%d: %d sec.," % (variant, 0))
    report_structure(learned)


def edge_exclusion():
    n = STATE.n_vars
    learned = [[0 if j == k else 1 for k in range(n)] for j in range(n)]
    cov = estimate_covariance(STATE.data, STATE.n_cases, n)
    partial_correlation(cov, n, -1, -1)
    precision = cov
    n_pairs = to_int32(n * (n - 1) // 2)
    keys = [0.0]
    first = [0]
    second = [0]
    for j in range(1, n):
        for k in range(j):
            if precision[j][k] == 0.0:
                r = 0.0
            else:
                r = -fdiv(precision[j][k], fsqrt(precision[k][k] * precision[j][j]))
            stat = statistic_from_r(r, STATE.n_cases - n)
            keys.append(-abs(stat))
            first.append(j)
            second.append(k)
    heap_sort3(n_pairs, keys, first, second)
    h = harmonic(n_pairs)
    threshold = STATE.alpha * 0.5
    for r in range(n_pairs, 0, -1):
        p = statistic_pvalue(-keys[r], n - 2)
        adjusted = p * h * n_pairs / r          # ((p*H)*M)/r
        if adjusted > threshold:
            j, k = first[r], second[r]
            learned[j][k] = 0
            learned[k][j] = 0
        else:
            break
    out("\n EE: \t %d sec.," % 0)
    log_append(" EE: %d sec.," % 0)
    report_structure(learned)


def local_iamb(target, radius):
    n = STATE.n_vars
    learned = [[0] * n for _ in range(n)]
    cov = estimate_covariance(STATE.data, STATE.n_cases, n)
    ring = [0] * n
    ring[target] = 1
    for i in range(1, radius + 1):
        for j in range(n):
            if ring[j] != i:
                continue
            iamb_target(2, j, learned, cov)
            for k in range(n):
                if learned[j][k] == 1 and ring[k] == 0:
                    ring[k] = i + 1
    out("\n IAMB(%d,%d): \t %d sec.," % (target, radius, 0))
    report_structure(learned)


# --------------------------------------------------------------------------
# Driver
# --------------------------------------------------------------------------

class RunState:
    data_file = ""
    n_cases = 0
    n_vars = 0
    true_net = 0
    alpha = 0.0
    exact = 0
    data = None
    var_names = None
    moral_graph = None
    n_edges = 0


STATE = RunState()


def run(argv):
    args = argv[1:]
    if len(args) not in (6, 8):
        fatal(USAGE_TEXT, EXIT_USAGE)
    STATE.data_file = args[0]
    STATE.n_cases = c_atoi(args[1])
    STATE.n_vars = c_atoi(args[2])
    STATE.true_net = c_atoi(args[3])
    STATE.alpha = c_atof(args[4])
    STATE.exact = c_atoi(args[5])
    if STATE.n_cases < 0 or STATE.n_vars < 0:
        gave_up("negative counts are left undefined")

    net = read_true_network(STATE.n_vars) if STATE.true_net == 1 else None
    STATE.var_names, STATE.data = read_data_file(STATE.data_file, STATE.n_cases,
                                                 STATE.n_vars)
    STATE.n_edges = 0
    if STATE.true_net == 1:
        STATE.moral_graph, STATE.n_edges = moral_graph_of(net, STATE.n_vars)

    banner = "\n n_vars= %d, n_cases= %d, n_edges= %d" % (
        STATE.n_vars, STATE.n_cases, STATE.n_edges)
    out(banner)
    log_append(banner + ",")

    try:
        if len(args) == 6:
            if STATE.n_cases > STATE.n_vars:
                edge_exclusion()
            run_iamb(2)
            run_iamb(1)
        else:
            wanted = os.fsencode(args[6])
            for index, name in enumerate(STATE.var_names):
                if name.encode("latin-1") == wanted:
                    local_iamb(index, c_atoi(args[7]))
                    break
    except NotPositiveDefinite as e:
        fatal("\n\n No Cholesky decomposition (%d). \n\n" % e.args[0],
              EXIT_NOT_POSITIVE_DEFINITE)
    return 0


def main():
    sys.setrecursionlimit(10000)
    try:
        status = run(sys.argv)
    except ProgramExit as e:
        status = e.status
    sys.stdout.flush()
    sys.stderr.flush()
    return status


if __name__ == "__main__":
    sys.exit(main())
